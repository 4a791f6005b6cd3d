// Feeds arbitrary bytes to the backup restore (as an archive file) and to the folder-entry reader, inside a
// temporary folder; anything written outside the data folder, or a file the filters would not allow, aborts.
#include "core/filebackupobject.h"
#include "store/backupmanager.h"
#include "store/folderbackupobject.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>

#include <cstddef>
#include <cstdint>
#include <cstdlib>

namespace {

QTemporaryDir *s_root = nullptr;

QString dataFolder()
{
    return s_root->filePath(QStringLiteral("data"));
}

void checkNothingEscaped()
{
    const QStringList top = QDir(s_root->path()).entryList(QDir::AllEntries | QDir::Hidden | QDir::NoDotAndDotDot);
    for (const QString &name : top)
        if (name != QLatin1String("data") && name != QLatin1String("in.qbf"))
            std::abort();
    const QStringList inside = QDir(dataFolder()).entryList(QDir::AllEntries | QDir::Hidden | QDir::NoDotAndDotDot);
    for (const QString &name : inside)
        if (!QDir::match(QStringList{QStringLiteral("todo.*.dat")}, name) && name != QLatin1String("events.dat") &&
            name != QLatin1String("prop.dat"))
            std::abort();
}

void clearDataFolder()
{
    QDir dir(dataFolder());
    dir.removeRecursively();
    QDir().mkpath(dataFolder());
}

} // namespace

extern "C" int LLVMFuzzerInitialize(int *, char ***)
{
    qInstallMessageHandler([](QtMsgType, const QMessageLogContext &, const QString &) {});
    // Removed when the run ends, with the last inputs in it.
    static QTemporaryDir dir;
    s_root = &dir;
    if (!s_root->isValid())
        std::abort();
    QDir().mkpath(dataFolder());
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    const QByteArray bytes(reinterpret_cast<const char *>(data), qsizetype(size));

    QList<FolderBackupObject::Record> records;
    FolderBackupObject::unpack(bytes, &records);

    FolderBackupObject folder("AppDataGadgets", dataFolder(), {QStringLiteral("todo.*.dat")});
    folder.restore(bytes);
    checkNothingEscaped();
    clearDataFolder();

    const QString archive = s_root->filePath(QStringLiteral("in.qbf"));
    QFile file(archive);
    if (!file.open(QIODevice::WriteOnly) || file.write(bytes) != bytes.size())
        std::abort();
    file.close();
    FileBackupObject events(dataFolder() + QStringLiteral("/events.dat"));
    FileBackupObject settings(dataFolder() + QStringLiteral("/prop.dat"));
    BackupManager manager(QStringLiteral("qbf"));
    manager.addBackupObjects({&folder, &settings, &events});
    // Small bounds keep each run quick; the bounds themselves are what is tested.
    manager.setArchiveLimits({256, qint64(1) << 20, qint64(2) << 20});
    manager.setWorkFolder(dataFolder());
    manager.restore(archive);
    checkNothingEscaped();
    clearDataFolder();
    return 0;
}
