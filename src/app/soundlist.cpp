#include "app/soundlist.h"

#include <QCoreApplication>
#include <QDir>
#include <QStandardPaths>

SoundList::SoundList() : SoundList(defaultFolders()) {}

SoundList::SoundList(const QStringList &folders)
{
    for (const QString &folder : folders) {
        const QDir dir(folder);
        if (!dir.exists())
            continue;
        const QFileInfoList files = dir.entryInfoList({QStringLiteral("*.wav")}, QDir::Files, QDir::Name);
        for (const QFileInfo &file : files)
            m_sounds << file.absoluteFilePath();
        if (!m_sounds.isEmpty())
            return;
    }
}

QStringList SoundList::defaultFolders()
{
    const QDir programDir(QCoreApplication::applicationDirPath());
    QStringList folders{programDir.filePath(QStringLiteral("sounds"))};
    // An installed program lives in <prefix>/bin and its sounds in <prefix>/share/quillane-reminder/sounds.
    folders << QDir::cleanPath(programDir.filePath(QStringLiteral("../share/quillane-reminder/sounds")));
    const QStringList shares =
        QStandardPaths::locateAll(QStandardPaths::GenericDataLocation, QStringLiteral("quillane-reminder/sounds"),
                                  QStandardPaths::LocateDirectory);
    for (const QString &share : shares) {
        if (!folders.contains(share))
            folders << share;
    }
    return folders;
}
