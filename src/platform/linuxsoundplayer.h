#pragma once

#include "platform/isoundplayer.h"

#include <memory>

class QSoundEffect;

// Wave files through the desktop's sound server.
class LinuxSoundPlayer : public ISoundPlayer
{
public:
    LinuxSoundPlayer();
    ~LinuxSoundPlayer() override;

    void play(const QString &path) override;

private:
    std::unique_ptr<QSoundEffect> m_effect;
};
