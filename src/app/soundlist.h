#pragma once

#include <QString>
#include <QStringList>

// The wave files a reminder can play: those of the folder "sounds" beside the program, else (for an
// installed program) of the share folder's "sounds"; sorted by file name, built once per run.
class SoundList
{
public:
    SoundList();
    // The folders given are searched in order; the first one holding a wave file wins.
    explicit SoundList(const QStringList &folders);

    QStringList sounds() const { return m_sounds; }

    // The folders the program searches: beside the executable, then under the install prefix's share folder.
    static QStringList defaultFolders();

private:
    QStringList m_sounds;
};
