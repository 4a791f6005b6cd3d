#pragma once

#include "core/filebackupobject.h"

#include <QFile>
#include <QList>
#include <QMap>
#include <QObject>

#include <memory>

class QBuffer;
class Storage;

// The index of the blob storage: where each item lies in the data file. Backed up as its own file.
class StorageTable : public FileBackupObject
{
public:
    static constexpr qint32 s_tableVersion = 1;

    // A table of a data file's store is reloaded with that file, as one set.
    explicit StorageTable(const QString &fileName, Storage *owner = nullptr);

    bool restore(const QByteArray &data) override;
    // The entry must be an index of this version whose records are all whole.
    bool checkRestoreFile(const QString &fileName) override;
    bool restoreFromFile(const QString &fileName) override;
    bool reloadAfterRestore() override;
    bool restoresSnapshotByFiles() const override { return true; }

    bool get(const QByteArray &id, qint64 &pos, qint64 &size) const;
    bool contains(const QByteArray &id) const { return m_table.contains(id); }
    // Stores the entry; for a known id the items behind it move by the change in size.
    // False, with nothing changed, when the index file could not be written.
    bool set(const QByteArray &id, qint64 pos, qint64 size);
    bool erase(const QByteArray &id);
    QList<QByteArray> ids() const { return m_table.keys(); }
    // Reads the index file again, dropping what was held.
    void load();
    // Forgets every entry and writes the empty index.
    bool clear();
    // Drops, in memory, the entries that do not lie wholly within a data file of that size; false when any did.
    bool keepOnly(qint64 dataSize, const QString &dataFile);
    // Drops every entry in memory only.
    void forget();
    // Why the index file could not be written last.
    QString writeError() const { return m_writeError; }

protected:
    virtual void readTable();
    virtual bool writeTable();

private:
    struct Entry
    {
        qint64 pos = 0;
        qint64 size = 0;
    };

    QFile m_file;
    QMap<QByteArray, Entry> m_table;
    Storage *const m_owner;

protected:
    QString m_writeError;
};

// A table that lives in memory only: the erased items waiting for the purge.
class DinamicStorageTable : public StorageTable
{
public:
    DinamicStorageTable() : StorageTable(QString()) {}

protected:
    void readTable() override {}
    bool writeTable() override { return true; }
};

// Items of bytes (pictures) in one data file under byte-string ids, with an index file beside it.
// Files not read whole are kept aside before they are written (see DataFileGuard).
// Erasing is deferred: an erased item is hidden at once and its bytes leave the files at destruction.
class Storage : public QObject, public FileBackupObject
{
    Q_OBJECT

public:
    static constexpr qint32 s_storageVersion = 1;

    explicit Storage(const QString &fileName);
    ~Storage() override;

    bool read(const QByteArray &id, QBuffer *out);
    // Stores the buffer's whole data under the id. False, with nothing changed, when a file
    // could not be read or written.
    bool write(const QByteArray &id, QBuffer *in);
    void erase(const QByteArray &id);
    bool contains(const QByteArray &id) const;
    bool cancelErase(const QByteArray &id);

    // The data file first, then the index.
    QList<IBackupObject *> backupObjects();

    bool restore(const QByteArray &data) override;
    // The picture data may be larger than the other entries; it must start with this version.
    qint64 maxRestoreSize() const override { return qint64(1) << 30; }
    bool checkRestoreFile(const QString &fileName) override;
    bool restoreFromFile(const QString &fileName) override;
    // Reads the data file and its index again as one set, whichever of the two was put back first.
    bool reloadAfterRestore() override;
    bool restoresSnapshotByFiles() const override { return true; }

    QString indexFileName() const;

signals:
    // After each write of an item: what failed is not stored (the caller is told by write's result too).
    void saveFailed(const QString &fileName, const QString &reason);
    void saved(const QString &fileName);

private:
    void init();
    // Checks the data file against the index, or starts it when there is none.
    void readDataFile();
    void newFile();
    void startDataFile();
    void checkVersion();
    void forgetErasures();
    void purgeErased();
    bool writeData(const QByteArray &id, const QByteArray &data);
    bool failWrite(const QString &fileName, const QString &reason);

    QFile m_file;
    std::unique_ptr<StorageTable> m_table;
    std::unique_ptr<DinamicStorageTable> m_erased;
    QString m_errorFile;
    QString m_error;
    // The data file is of a form this version cannot read: the next write starts both files afresh.
    bool m_startAfresh = false;
};
