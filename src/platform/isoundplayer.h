#pragma once

#include <QString>

// Plays sound files without waiting for them to end.
class ISoundPlayer
{
public:
    virtual ~ISoundPlayer() = default;
    // Starts the wave file at path; a sound still playing stops.
    virtual void play(const QString &path) = 0;
};
