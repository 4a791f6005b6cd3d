#include "store/datafoldercleanup.h"

#include "core/clock.h"
#include "core/log.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QRegularExpression>

bool DataFolderCleanup::isSaveLeftoverName(const QString &fileName)
{
    // The atomic writer adds a dot and six letters or digits to the name of the file it replaces;
    // "bak" and a number is a copy kept aside for the user (the hundredth one has six characters too).
    static const QRegularExpression s_pattern(
        QStringLiteral("^[^/]+\\.(?:dat|tab|txt)\\.(?!bak[0-9]+$)[A-Za-z0-9]{6}$"));
    return s_pattern.match(fileName).hasMatch();
}

QStringList DataFolderCleanup::removeSaveLeftovers(const QString &dataFolder)
{
    QStringList removed;
    if (dataFolder.isEmpty())
        return removed;
    const QDateTime now = Common::Clock::now();
    const QFileInfoList list = QDir(dataFolder).entryInfoList(QDir::Files | QDir::Hidden | QDir::NoSymLinks);
    for (const QFileInfo &info : list) {
        if (!isSaveLeftoverName(info.fileName()))
            continue;
        if (info.lastModified().secsTo(now) < s_freshSeconds)
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
