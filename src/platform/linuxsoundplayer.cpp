#include "platform/linuxsoundplayer.h"

#include <QFileInfo>
#include <QSoundEffect>
#include <QUrl>

LinuxSoundPlayer::LinuxSoundPlayer() = default;

LinuxSoundPlayer::~LinuxSoundPlayer() = default;

void LinuxSoundPlayer::play(const QString &path)
{
    if (!QFileInfo(path).isFile()) {
        qWarning("Sound file not found: \"%s\"", qUtf8Printable(path));
        return;
    }
    // A fresh effect per sound: it stops the one before, and an effect stuck "playing"
    // on a machine without an audio device cannot block the next sound.
    m_effect = std::make_unique<QSoundEffect>();
    m_effect->setSource(QUrl::fromLocalFile(path));
    m_effect->play();
}
