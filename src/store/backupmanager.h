#pragma once

#include "store/backuparchive.h"
#include "store/ibackupmanager.h"
#include "store/restorejournal.h"

#include <QDateTime>
#include <QFileInfoList>
#include <QObject>

#include <functional>

// The one place that writes and reads backup archives: one entry per registered object, in registration order,
// then "appversion". Also makes timed backups into a folder and keeps the newest few.
class BackupManager : public IBackupManager
{
public:
    explicit BackupManager(const QString &extension);
    ~BackupManager() override;

    void addBackupObject(IBackupObject *obj) override;
    void addBackupObjects(const QList<IBackupObject *> &objects) override;
    void setAutoBackup(bool on) override { m_autoBackup = on; }
    bool isAutoBackup() const override { return m_autoBackup; }
    void setAutoBackupInterval(int days) override { m_autoBackupInterval = days; }
    int autoBackupInterval() const override { return m_autoBackupInterval; }
    void setMaxBackups(int count) override { m_maxBackups = count; }
    int maxBackups() const override { return m_maxBackups; }
    void setBackupFolder(const QString &folder) override { m_backupFolder = folder; }
    QString backupFolder() const override { return m_backupFolder; }
    bool backup(const QString &fileName) override;
    bool restore(const QString &fileName) override;
    BackupMap backupToMap(bool *ok = nullptr) override;
    bool restoreFromMap(const BackupMap &map) override;
    void autoBackup() override;
    QString errorString() const override { return m_errorString; }

    // At start, once every object that does not restore by files is registered: applies what the record
    // of a restore cut short still holds for them (the file moves were done before any store read its file).
    void finishInterruptedRestore();

    // The version text written to and checked against "appversion".
    static QString runningVersion();
    static const char *const s_versionEntry;

    // Bounds for reading archives; tests lower them.
    void setArchiveLimits(const BackupArchiveLimits &limits) { m_limits = limits; }
    // The folder where a restore unpacks and stages the archive's entries before it checks them, and
    // keeps the record of its moves: the data folder, so that each staged file is moved into place in
    // one rename and the next start finds the record. Without one, the application's data folder (none
    // without an application: then each restore makes a temporary one).
    void setWorkFolder(const QString &folder) { m_workFolder = folder; }
    QString workFolder() const;
    // Tells the free bytes of a folder's file system; tests replace it.
    using FreeSpaceProbe = std::function<qint64(const QString &folder)>;
    void setFreeSpaceProbe(const FreeSpaceProbe &probe) { m_freeSpace = probe; }
    // The largest "appversion" entry read.
    static constexpr qint64 s_maxVersionSize = 4096;
    // Room a restore leaves free on the data folder's file system.
    static constexpr qint64 s_keptFreeBytes = qint64(16) << 20;

private:
    // Restores the objects that do not restore by files from their recorded entries.
    bool applyEntries(const QList<RestoreJournal::Entry> &entries);
    QFileInfoList archives() const;
    QDateTime newestArchiveTime() const;

    QList<IBackupObject *> m_objects;
    // The context of the connections that drop an object from m_objects when it ends.
    QObject m_watch;
    bool m_autoBackup = false;
    int m_autoBackupInterval = 1;
    int m_maxBackups = 5;
    QString m_backupFolder;
    QString m_extension;
    BackupArchiveLimits m_limits;
    QString m_workFolder;
    FreeSpaceProbe m_freeSpace;
    QString m_errorString;
};
