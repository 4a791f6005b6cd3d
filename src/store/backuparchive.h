#pragma once

#include <QByteArray>
#include <QMap>
#include <QSaveFile>
#include <QSet>
#include <QString>

#include <functional>
#include <memory>

class QuaZip;

// Writes a backup archive into a temporary file beside the target; the target is replaced only when every entry
// and the archive's close succeeded, so a failed backup never damages the previous archive.
class BackupArchiveWriter
{
public:
    explicit BackupArchiveWriter(const QString &fileName);
    ~BackupArchiveWriter();

    bool open();
    bool addEntry(const QString &name, const QByteArray &data);
    // Finishes the archive and puts it in place; false leaves the old file untouched.
    bool commit();
    void cancel();

    QString errorString() const { return m_error; }

private:
    bool fail(const QString &reason);

    QSaveFile m_file;
    std::unique_ptr<QuaZip> m_zip;
    QString m_error;
    bool m_failed = false;
};

// Bounds that keep a hostile or broken archive from filling memory.
struct BackupArchiveLimits
{
    int maxEntries = 4096;
    qint64 maxEntrySize = qint64(1) << 30;
    qint64 maxTotalSize = qint64(2) << 30;
};

// Reads chosen entries of a backup archive. Entries are matched by exact name; the first of several entries with
// one name is taken; every entry read is checked (sizes and checksum) before anything is returned.
class BackupArchiveReader
{
public:
    explicit BackupArchiveReader(const QString &fileName, const BackupArchiveLimits &limits = BackupArchiveLimits());

    // Fills `entries` with the named entries that exist; false on any damage or exceeded limit.
    bool read(const QSet<QString> &names, QMap<QString, QByteArray> *entries);
    // Unpacks the entries that `caps` names into new files of `folder`, streaming, and stops an entry
    // the moment it passes its cap (or the limits); `files` maps each entry found to its file. The
    // entries together may take at most `room` bytes. False on any damage, exceeded cap or failed write.
    bool extract(const QMap<QString, qint64> &caps, const QString &folder, qint64 room, QMap<QString, QString> *files);
    QString errorString() const { return m_error; }
    // Why the file was refused, for the user, when the user can tell that from the file; else empty.
    QString userErrorString() const { return m_userError; }

private:
    // The checks every reading makes (a file, a zip, how many entries, a whole list of them) around a
    // walk over the entries; `take` is called for each, by name, and ends the walk by answering false.
    bool forEachEntry(const std::function<bool(QuaZip &zip, const QString &name)> &take);
    // Unpacks the current entry in pieces into `sink`: refused before a byte when its header says it is
    // too large, and the moment it passes `maxEntry`, the limits or `room` for all entries together.
    bool unpackEntry(QuaZip &zip, const QString &name, qint64 maxEntry, qint64 room, qint64 *total,
                     const std::function<bool(const char *data, qint64 size)> &sink);
    bool fail(const QString &reason);
    bool failTooManyEntries(int count);

    QString m_fileName;
    BackupArchiveLimits m_limits;
    QString m_error;
    QString m_userError;
};
