#pragma once

#include "store/backuparchive.h"
#include "store/ibackupmanager.h"

#include <QDateTime>
#include <QFileInfoList>

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

    // The version text written to and checked against "appversion".
    static QString runningVersion();
    static const char *const s_versionEntry;

    // Bounds for reading archives; tests lower them.
    void setArchiveLimits(const BackupArchiveLimits &limits) { m_limits = limits; }

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
};
