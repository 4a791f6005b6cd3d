#include "store/backupmanager.h"

#include "core/clock.h"
#include "core/iapplication.h"
#include "core/ibackupobject.h"
#include "core/log.h"
#include "core/statcollector.h"
#include "core/version.h"
#include "platform/privatefolder.h"
#include "store/datafoldercleanup.h"
#include "store/restorejournal.h"

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QStorageInfo>
#include <QTemporaryDir>

#include <optional>

namespace BackupManagerPrivate {

const QString s_timeFormat = QStringLiteral("yyyy-MM-dd-hh-mm-ss");

// The time in the name of an archive that autoBackup made; invalid for any other file.
QDateTime archiveTime(const QFileInfo &info, const QString &extension)
{
    const QString name = info.fileName();
    const QString suffix = QLatin1Char('.') + extension;
    if (!name.endsWith(suffix))
        return QDateTime();
    return QDateTime::fromString(name.chopped(suffix.size()), s_timeFormat);
}

QString entryName(IBackupObject *obj)
{
    return QString::fromLatin1(obj->name());
}

} // namespace BackupManagerPrivate

using namespace BackupManagerPrivate;

const char *const BackupManager::s_versionEntry = "appversion";

BackupManager::BackupManager(const QString &extension) : m_extension(extension) {}

BackupManager::~BackupManager() = default;

QString BackupManager::runningVersion()
{
    const QString version = QCoreApplication::applicationVersion();
    return version.isEmpty() ? QStringLiteral(QR_VERSION) : version;
}

void BackupManager::addBackupObject(IBackupObject *obj)
{
    QR_ASSERT(!m_objects.contains(obj));
    m_objects.append(obj);
    // One that ends first (a gadget's settings) takes its registration with it.
    if (auto *object = dynamic_cast<QObject *>(obj))
        QObject::connect(object, &QObject::destroyed, &m_watch, [this, obj] { m_objects.removeAll(obj); });
}

void BackupManager::addBackupObjects(const QList<IBackupObject *> &objects)
{
    for (IBackupObject *obj : objects)
        addBackupObject(obj);
}

bool BackupManager::backup(const QString &fileName)
{
    BackupArchiveWriter writer(fileName);
    if (!writer.open())
        return false;
    for (IBackupObject *obj : qAsConst(m_objects)) {
        bool ok = false;
        const QByteArray data = obj->backup(&ok);
        if (!ok) {
            QR_LOG("Backup of " + obj->name() + " failed");
            writer.cancel();
            return false;
        }
        if (!writer.addEntry(entryName(obj), data))
            return false;
    }
    if (!writer.addEntry(QLatin1String(s_versionEntry), runningVersion().toUtf8()) || !writer.commit())
        return false;
    StatCollector::incrementCounter("f_backup");
    return true;
}

QString BackupManager::workFolder() const
{
    if (!m_workFolder.isEmpty())
        return m_workFolder;
    if (IApplication *app = IApplication::instance()) {
        const QString data = app->dataLocation();
        if (!data.isEmpty())
            return data;
    }
    return QString();
}

bool BackupManager::restore(const QString &fileName)
{
    StatCollector::incrementCounter("f_restore");
    m_errorString.clear();

    // Every entry is unpacked into a file and checked by its object's own reader before any object
    // changes; the files are never held in memory whole.
    QString work = workFolder();
    // Without a data folder no start will look for the record: a folder of this restore's own holds it.
    std::optional<QTemporaryDir> scratch;
    if (work.isEmpty()) {
        scratch.emplace();
        work = scratch->path();
    }
    if (!Common::makePrivateFolder(work)) {
        QR_LOG("Restore cannot create the folder " + work.toUtf8());
        return false;
    }
    // A record the last start could not finish still owns its staged files: a second restore over it
    // could leave a mix of both. One that cannot be carried out at all is only kept aside.
    RestoreJournal::setAsideIfUnsound(work);
    if (QFileInfo::exists(RestoreJournal::path(work))) {
        QR_LOG("Restore refused: an earlier restore cut short is not finished yet");
        m_errorString = QCoreApplication::translate("BackupManager",
                                                    "An earlier restore that was cut short is not finished yet; it "
                                                    "is tried again at the next start.");
        return false;
    }
    QTemporaryDir unpacked(QDir(work).filePath(QStringLiteral(".restore-XXXXXX")));
    if (!unpacked.isValid()) {
        QR_LOG("Restore cannot create a folder in " + work.toUtf8() + ": " + unpacked.errorString().toUtf8());
        return false;
    }
    QMap<QString, qint64> caps{{QLatin1String(s_versionEntry), s_maxVersionSize}};
    for (IBackupObject *obj : qAsConst(m_objects)) {
        const QString name = entryName(obj);
        caps.insert(name, qMin(caps.value(name, obj->maxRestoreSize()), obj->maxRestoreSize()));
    }
    const qint64 free = m_freeSpace ? m_freeSpace(work) : QStorageInfo(work).bytesAvailable();
    // Writing the files and the log afterwards needs a little room too.
    const qint64 room = free < 0 ? m_limits.maxTotalSize : qMax<qint64>(0, free - s_keptFreeBytes);
    QMap<QString, QString> files;
    BackupArchiveReader reader(fileName, m_limits);
    if (!reader.extract(caps, unpacked.path(), room, &files)) {
        m_errorString = reader.userErrorString();
        return false;
    }

    QByteArray versionText;
    if (files.contains(QLatin1String(s_versionEntry))) {
        QFile version(files.value(QLatin1String(s_versionEntry)));
        if (!version.open(QIODevice::ReadOnly))
            return false;
        versionText = version.readAll();
    }
    const int zero = versionText.indexOf('\0');
    if (zero >= 0)
        versionText.truncate(zero);
    if (Version(runningVersion()) < Version(QString::fromUtf8(versionText))) {
        QR_LOG("Backup was made by a newer version " + versionText);
        m_errorString =
            QCoreApplication::translate("BackupManager", "The backup was made by a newer version of the program (%1).")
                .arg(QString::fromUtf8(versionText.left(40)));
        return false;
    }

    // An empty or missing entry leaves its object as it is; an archive that leaves every object as it is
    // restored nothing.
    QList<QPair<IBackupObject *, QString>> restored;
    for (IBackupObject *obj : qAsConst(m_objects)) {
        const QString file = files.value(entryName(obj));
        if (file.isEmpty() || QFileInfo(file).size() == 0)
            continue;
        if (!obj->checkRestoreFile(file)) {
            QR_LOG("Restore refused: the entry " + obj->name() + " cannot be read");
            m_errorString = obj->restoreRefusal();
            return false;
        }
        restored.append({obj, file});
    }
    if (restored.isEmpty()) {
        QR_LOG("Restore refused: the archive holds nothing this version can restore");
        m_errorString =
            QCoreApplication::translate("BackupManager", "The file holds no data this version can restore.");
        return false;
    }

    // All files or none: everything is staged beside the data first, and only the record of the moves,
    // written in one step, makes the restore happen. A start after a kill finishes what the record lists.
    QList<IBackupObject::StagedFile> moves;
    QList<RestoreJournal::Entry> entries;
    for (const auto &item : qAsConst(restored)) {
        if (!item.first->restoresByFiles()) {
            // Recorded too, so that a start after a kill does not leave new files beside old settings.
            entries.append({item.first->name(), item.second});
        } else if (!item.first->stageRestoreFiles(item.second, unpacked.path(), &moves)) {
            QR_LOG("Restore of " + item.first->name() + " failed while staging its files");
            return false;
        }
    }
    if (!RestoreJournal::write(work, unpacked.path(), moves, entries))
        return false;
    const RestoreJournal::Result done = RestoreJournal::finish(work, RestoreJournal::Report::Quiet);
    // The caller puts the data back from its own copy; a later start must not finish this restore.
    if (done.outcome != RestoreJournal::Outcome::Finished || !applyEntries(done.entries)) {
        m_errorString = done.problem;
        RestoreJournal::discard(work);
        return false;
    }
    RestoreJournal::discard(work);
    for (const auto &item : qAsConst(restored)) {
        if (item.first->restoresByFiles() && !item.first->reloadAfterRestore()) {
            QR_LOG("Restore of " + item.first->name() + " failed");
            return false;
        }
    }
    return true;
}

bool BackupManager::applyEntries(const QList<RestoreJournal::Entry> &entries)
{
    for (const RestoreJournal::Entry &entry : entries) {
        IBackupObject *object = nullptr;
        for (IBackupObject *obj : qAsConst(m_objects)) {
            if (obj->name() == entry.name && !obj->restoresByFiles())
                object = obj;
        }
        if (!object) {
            QR_LOG("Restore: no store takes the entry " + entry.name);
            continue;
        }
        if (!object->restoreFromFile(entry.staged)) {
            QR_LOG("Restore of " + entry.name + " failed");
            return false;
        }
    }
    return true;
}

void BackupManager::finishInterruptedRestore()
{
    const QString work = workFolder();
    if (work.isEmpty())
        return;
    // The start's tidying told what cannot be finished; the stores have read their files since.
    const RestoreJournal::Result done = RestoreJournal::finish(work, RestoreJournal::Report::Quiet);
    if (done.outcome != RestoreJournal::Outcome::Finished)
        return;
    if (!applyEntries(done.entries))
        QR_LOG("The settings of a restore cut short could not be put in place");
    RestoreJournal::discard(work);
    DataFolderCleanup::removeRestoreLeftovers(work);
}

BackupMap BackupManager::backupToMap(bool *ok)
{
    if (ok)
        *ok = false;
    BackupMap map;
    for (IBackupObject *obj : qAsConst(m_objects)) {
        bool objectOk = false;
        const QByteArray data = obj->snapshot(&objectOk);
        if (!objectOk) {
            QR_LOG("Snapshot of " + obj->name() + " failed");
            return BackupMap();
        }
        map.insert(obj->name(), data);
    }
    if (ok)
        *ok = true;
    return map;
}

bool BackupManager::restoreFromMap(const BackupMap &map)
{
    if (map.isEmpty())
        return false;
    for (IBackupObject *obj : qAsConst(m_objects)) {
        const auto it = map.constFind(obj->name());
        if (it != map.cend() && obj->restoresSnapshotByFiles() && !obj->writeSnapshotFiles(it.value())) {
            QR_LOG("Restore of " + obj->name() + " from snapshot failed");
            return false;
        }
    }
    for (IBackupObject *obj : qAsConst(m_objects)) {
        const auto it = map.constFind(obj->name());
        if (it == map.cend())
            continue;
        if (!(obj->restoresSnapshotByFiles() ? obj->reloadAfterRestore() : obj->restoreSnapshot(it.value()))) {
            QR_LOG("Restore of " + obj->name() + " from snapshot failed");
            return false;
        }
    }
    return true;
}

QFileInfoList BackupManager::archives() const
{
    // Only the archives this manager names count; other files in the folder, such as the user's own
    // backups, are neither taken for the newest archive nor rotated away.
    QFileInfoList timed;
    const QFileInfoList list =
        QDir(m_backupFolder)
            .entryInfoList({QStringLiteral("*.") + m_extension}, QDir::Files | QDir::NoSymLinks, QDir::Name);
    for (const QFileInfo &info : list) {
        if (archiveTime(info, m_extension).isValid())
            timed.append(info);
    }
    return timed;
}

QDateTime BackupManager::newestArchiveTime() const
{
    // An archive dated after now was named by a clock that was ahead; it would hold off every backup until then.
    const QDateTime now = Common::Clock::now();
    const QFileInfoList list = archives();
    for (auto it = list.crbegin(); it != list.crend(); ++it) {
        const QDateTime time = archiveTime(*it, m_extension);
        if (time <= now)
            return time;
    }
    return QDateTime();
}

void BackupManager::autoBackup()
{
    if (!m_autoBackup)
        return;
    // Without a readable newest archive every object that has data counts as changed.
    const QDateTime newest = newestArchiveTime();
    if (newest.isValid() && newest.date().daysTo(Common::Clock::today()) < m_autoBackupInterval)
        return;
    bool changed = false;
    for (IBackupObject *obj : qAsConst(m_objects)) {
        const QDateTime modified = obj->lastModified();
        if (modified.isValid() && (!newest.isValid() || modified > newest)) {
            changed = true;
            break;
        }
    }
    if (!changed)
        return;

    if (!Common::makePrivateFolder(m_backupFolder)) {
        QR_LOG("Cannot create backup folder " + m_backupFolder.toUtf8());
        return;
    }
    const QString name = QStringLiteral("%1.%2").arg(Common::Clock::now().toString(s_timeFormat), m_extension);
    const QString made = QDir(m_backupFolder).absoluteFilePath(name);
    backup(made);

    // The oldest names go first; the archive just made always stays, whatever the setting says.
    const QFileInfoList list = archives();
    qsizetype excess = list.size() - qMax(1, m_maxBackups);
    for (const QFileInfo &info : list) {
        if (excess <= 0)
            break;
        if (info.absoluteFilePath() == made)
            continue;
        QFile::remove(info.absoluteFilePath());
        --excess;
    }
}
