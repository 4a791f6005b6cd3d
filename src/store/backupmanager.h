#pragma once

#include "store/backuparchive.h"
#include "store/ibackupmanager.h"

#include <QDateTime>
#include <QFileInfoList>

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
    QString restoreError() const override { return m_restoreError; }
    BackupMap backupToMap(bool *ok = nullptr) override;
    bool restoreFromMap(const BackupMap &map) override;
    void autoBackup() override;

    // The version text written to and checked against "appversion".
    static QString runningVersion();
    static const char *const s_versionEntry;

    // Bounds for reading archives; tests lower them.
    void setArchiveLimits(const BackupArchiveLimits &limits) { m_limits = limits; }
    // The folder where a restore unpacks and stages the archive's entries before it checks them, and
    // keeps the record of its moves: the data folder, so that each staged file is moved into place in
    // one rename and the next start finds the record. Without one, the application's data folder.
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
    QFileInfoList archives() const;
    QDateTime newestArchiveTime() const;

    QList<IBackupObject *> m_objects;
    bool m_autoBackup = false;
    int m_autoBackupInterval = 1;
    int m_maxBackups = 5;
    QString m_backupFolder;
    QString m_extension;
    BackupArchiveLimits m_limits;
    QString m_workFolder;
    QString m_restoreError;
    FreeSpaceProbe m_freeSpace;
};
