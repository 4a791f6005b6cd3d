#pragma once

#include <QByteArray>
#include <QList>
#include <QMap>
#include <QString>

class IBackupObject;

// Entry name to data of every registered backup object.
using BackupMap = QMap<QByteArray, QByteArray>;

// Writes and reads backup archives of the registered stores, and keeps in-memory snapshots of them.
class IBackupManager
{
public:
    virtual void addBackupObject(IBackupObject *obj) = 0;
    virtual void addBackupObjects(const QList<IBackupObject *> &objects) = 0;
    virtual void setAutoBackup(bool on) = 0;
    virtual bool isAutoBackup() const = 0;
    virtual void setAutoBackupInterval(int days) = 0;
    virtual int autoBackupInterval() const = 0;
    virtual void setMaxBackups(int count) = 0;
    virtual int maxBackups() const = 0;
    virtual void setBackupFolder(const QString &folder) = 0;
    virtual QString backupFolder() const = 0;
    virtual bool backup(const QString &fileName) = 0;
    virtual bool restore(const QString &fileName) = 0;
    // Why the last restore refused its file, in words for the user; empty when it gives no reason.
    virtual QString restoreError() const { return QString(); }
    // An empty map means either that nothing is registered or that an object failed; `ok` tells which.
    virtual BackupMap backupToMap(bool *ok = nullptr) = 0;
    virtual bool restoreFromMap(const BackupMap &map) = 0;
    virtual void autoBackup() = 0;
    virtual ~IBackupManager() = default;
};
