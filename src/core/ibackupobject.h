#pragma once

#include <QByteArray>
#include <QDateTime>
#include <QList>
#include <QString>

// One thing a backup archive holds: a store that can hand out its whole data and take it back.
class IBackupObject
{
public:
    // The newest change of the object's data; null when the object cannot tell.
    virtual QDateTime lastModified() const = 0;
    // The whole data; `ok` is set true on success and false on failure.
    virtual QByteArray backup(bool *ok) = 0;
    // Replaces the data; true on success.
    virtual bool restore(const QByteArray &data) = 0;
    // The entry name in the archive.
    virtual QByteArray name() const = 0;
    virtual ~IBackupObject() = default;

    // Restoring an archive: the entry is unpacked into a file first, checked by every object before
    // any of them changes, then restored.

    // The largest entry the object can hold; a bigger one fails the restore while it is unpacked.
    virtual qint64 maxRestoreSize() const { return s_defaultMaxRestoreSize; }
    // False when the object's own reader would not take the unpacked entry whole.
    virtual bool checkRestoreFile(const QString &fileName);
    // Why the last checkRestoreFile() refused its entry, in the user's words; empty when it tells no reason.
    virtual QString restoreRefusal() const { return QString(); }
    // Replaces the data by the unpacked entry; the file may be moved away. The default reads it and
    // calls restore().
    virtual bool restoreFromFile(const QString &fileName);

    // Objects whose data are files of the data folder restore by files, so that a restore across all of
    // them is all-or-nothing: every object first stages the files its entry becomes, then all staged
    // files are moved into place together, then every object reloads. The others are restored with
    // restoreFromFile() after the move.
    virtual bool restoresByFiles() const { return false; }
    // A staged file and the file it replaces.
    struct StagedFile
    {
        QString target;
        QString staged;
    };
    // Makes the files the unpacked entry becomes in `stagingFolder` (or takes the entry file itself) and
    // lists them; anything the object must keep of its current files is kept here. Nothing in place
    // changes yet.
    virtual bool stageRestoreFiles(const QString &entryFile, const QString &stagingFolder, QList<StagedFile> *files);
    // After the staged files are in place: takes the data up from them.
    virtual bool reloadAfterRestore() { return true; }

    // The data that takes a restore back, and putting it back. Unlike an archive entry it may tell
    // what the object did not hold, so that taking a restore back removes what it added.
    virtual QByteArray snapshot(bool *ok) { return backup(ok); }
    virtual bool restoreSnapshot(const QByteArray &data) { return restore(data); }
    // Stores whose files are read as one set put a snapshot's files in place first, and every one of them
    // reloads (reloadAfterRestore()) only once all are written: none reads its file beside an old partner.
    virtual bool restoresSnapshotByFiles() const { return false; }
    virtual bool writeSnapshotFiles(const QByteArray &data)
    {
        Q_UNUSED(data);
        return false;
    }

    static constexpr qint64 s_defaultMaxRestoreSize = qint64(256) << 20;

protected:
    // The file's bytes when it holds at most maxRestoreSize(); false otherwise.
    bool readRestoreFile(const QString &fileName, QByteArray *data) const;
};
