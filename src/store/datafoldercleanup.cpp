#include "store/datafoldercleanup.h"

#include "core/log.h"
#include "core/safefile.h"
#include "store/restorejournal.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>

void DataFolderCleanup::tidyAtStart(const QString &dataFolder)
{
    if (dataFolder.isEmpty())
        return;
    // What the record still holds for the settings is applied once their stores exist.
    switch (RestoreJournal::finish(dataFolder).outcome) {
    case RestoreJournal::Outcome::Finished:
        QR_LOG("Finished the file moves of a restore that was cut short");
        break;
    case RestoreJournal::Outcome::Failed:
        QR_LOG("Cannot finish a restore that was cut short; trying again at the next start");
        break;
    default:
        break;
    }
    removeRestoreLeftovers(dataFolder);
    removeSaveLeftovers(dataFolder);
}

bool DataFolderCleanup::isSaveLeftoverName(const QString &fileName)
{
    // Only the program's own mark: a copy the user made beside a data file ("events.dat.backup") is theirs,
    // and so is what the atomic writers of earlier versions left ("events.dat.AbC123"), as it may be a copy too.
    return Common::isTemporaryFileName(fileName);
}

QStringList DataFolderCleanup::removeSaveLeftovers(const QString &dataFolder)
{
    QStringList removed;
    if (dataFolder.isEmpty())
        return removed;
    // With the instance lock held no save of ours is running: every such file is left over, however new.
    const QFileInfoList list = QDir(dataFolder).entryInfoList(QDir::Files | QDir::Hidden | QDir::NoSymLinks);
    for (const QFileInfo &info : list) {
        if (!isSaveLeftoverName(info.fileName()))
            continue;
        const QString path = info.absoluteFilePath();
        if (QFile::remove(path)) {
            QR_LOG("Removed the temporary file of an interrupted save: " + path.toUtf8());
            removed << path;
        } else {
            QR_LOG("Cannot remove the temporary file of an interrupted save: " + path.toUtf8());
        }
    }
    return removed;
}

QStringList DataFolderCleanup::removeRestoreLeftovers(const QString &dataFolder)
{
    QStringList removed;
    // The staged files of an unfinished restore are all that can still finish it.
    if (dataFolder.isEmpty() || QFile::exists(RestoreJournal::path(dataFolder)))
        return removed;
    const QFileInfoList list =
        QDir(dataFolder)
            .entryInfoList({QLatin1String(RestoreJournal::s_prefix) + QLatin1Char('*')},
                           QDir::Files | QDir::Dirs | QDir::Hidden | QDir::NoDotAndDotDot | QDir::System);
    for (const QFileInfo &info : list) {
        const QString path = info.absoluteFilePath();
        // A link goes itself; what it points to is not ours.
        const bool gone = info.isDir() && !info.isSymLink() ? QDir(path).removeRecursively() : QFile::remove(path);
        if (gone) {
            QR_LOG("Removed what an interrupted restore left: " + path.toUtf8());
            removed << path;
        } else {
            QR_LOG("Cannot remove what an interrupted restore left: " + path.toUtf8());
        }
    }
    return removed;
}
