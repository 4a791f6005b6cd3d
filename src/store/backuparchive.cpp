#include "store/backuparchive.h"

#include "core/clock.h"
#include "core/log.h"

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QFileInfo>

#include <quazip/quazip.h>
#include <quazip/quazipfile.h>
#include <quazip/quazipfileinfo.h>
#include <quazip/quazipnewinfo.h>

BackupArchiveWriter::BackupArchiveWriter(const QString &fileName) : m_file(fileName) {}

BackupArchiveWriter::~BackupArchiveWriter()
{
    if (m_zip && m_zip->isOpen())
        cancel();
}

bool BackupArchiveWriter::open()
{
    if (!m_file.open(QIODevice::WriteOnly))
        return fail(m_file.errorString());
    m_zip = std::make_unique<QuaZip>(&m_file);
    m_zip->setUtf8Enabled(true);
    if (!m_zip->open(QuaZip::mdCreate))
        return fail(QStringLiteral("cannot create the archive (%1)").arg(m_zip->getZipError()));
    return true;
}

bool BackupArchiveWriter::addEntry(const QString &name, const QByteArray &data)
{
    if (m_failed || !m_zip || !m_zip->isOpen())
        return fail(QStringLiteral("archive is not open"));
    QuaZipNewInfo info(name);
    info.dateTime = Common::Clock::now();
    QuaZipFile entry(m_zip.get());
    if (!entry.open(QIODevice::WriteOnly, info))
        return fail(QStringLiteral("cannot add entry %1 (%2)").arg(name).arg(entry.getZipError()));
    const qint64 written = entry.write(data);
    entry.close();
    if (written != data.size() || entry.getZipError() != ZIP_OK)
        return fail(QStringLiteral("cannot write entry %1 (%2)").arg(name).arg(entry.getZipError()));
    return true;
}

bool BackupArchiveWriter::commit()
{
    if (m_failed || !m_zip || !m_zip->isOpen()) {
        cancel();
        return fail(QStringLiteral("archive is not open"));
    }
    // Closing the archive commits the save file; a failed commit shows as the archive's error.
    m_zip->close();
    if (m_zip->getZipError() != ZIP_OK)
        return fail(
            QStringLiteral("cannot finish the archive (%1) %2").arg(m_zip->getZipError()).arg(m_file.errorString()));
    return true;
}

void BackupArchiveWriter::cancel()
{
    m_file.cancelWriting();
    if (m_zip && m_zip->isOpen())
        m_zip->close();
}

bool BackupArchiveWriter::fail(const QString &reason)
{
    if (!m_failed) {
        m_error = reason;
        QR_LOG(QStringLiteral("Backup to %1 failed: %2").arg(m_file.fileName(), reason).toUtf8());
    }
    m_failed = true;
    m_file.cancelWriting();
    return false;
}

BackupArchiveReader::BackupArchiveReader(const QString &fileName, const BackupArchiveLimits &limits)
    : m_fileName(fileName), m_limits(limits)
{
}

bool BackupArchiveReader::forEachEntry(const std::function<bool(QuaZip &zip, const QString &name)> &take)
{
    if (!QFileInfo(m_fileName).isFile())
        return fail(QStringLiteral("no such file"));
    QuaZip zip(m_fileName);
    if (!zip.open(QuaZip::mdUnzip))
        return fail(QStringLiteral("not a readable zip archive (%1)").arg(zip.getZipError()));
    const int declared = zip.getEntriesCount();
    if (declared < 0 || declared > m_limits.maxEntries)
        return failTooManyEntries(declared);
    int seen = 0;
    for (bool more = zip.goToFirstFile(); more; more = zip.goToNextFile()) {
        if (++seen > m_limits.maxEntries)
            return failTooManyEntries(seen);
        if (!take(zip, zip.getCurrentFileName()))
            return false;
    }
    if (zip.getZipError() != UNZ_OK && !(seen == 0 && declared == 0))
        return fail(QStringLiteral("damaged entry list (%1)").arg(zip.getZipError()));
    return true;
}

bool BackupArchiveReader::unpackEntry(QuaZip &zip, const QString &name, qint64 maxEntry, qint64 room, qint64 *total,
                                      const std::function<bool(const char *data, qint64 size)> &sink)
{
    maxEntry = qMin(maxEntry, m_limits.maxEntrySize);
    room = qMin(room, m_limits.maxTotalSize);
    // A size in the header may lie low, which the unpacking catches; one over the cap or the room is
    // refused before a byte is unpacked.
    QuaZipFileInfo64 info;
    if (!zip.getCurrentFileInfo(&info))
        return fail(QStringLiteral("cannot read the header of entry %1").arg(name));
    const quint64 declaredSize = info.uncompressedSize;
    if (declaredSize > quint64(maxEntry) || *total + qint64(declaredSize) > m_limits.maxTotalSize)
        return fail(
            QStringLiteral("entry %1 says it unpacks to %2 bytes, more than allowed").arg(name).arg(declaredSize));
    if (*total + qint64(declaredSize) > room)
        return fail(QStringLiteral("not enough room for entry %1").arg(name));
    QuaZipFile entry(&zip);
    if (!entry.open(QIODevice::ReadOnly))
        return fail(QStringLiteral("cannot open entry %1 (%2)").arg(name).arg(entry.getZipError()));
    QByteArray buffer(64 * 1024, Qt::Uninitialized);
    qint64 size = 0;
    for (;;) {
        const qint64 n = entry.read(buffer.data(), buffer.size());
        if (n < 0)
            return fail(QStringLiteral("cannot read entry %1").arg(name));
        if (n == 0)
            break;
        // Sizes in the headers may lie, so only what was really unpacked counts.
        size += n;
        *total += n;
        if (size > maxEntry || *total > m_limits.maxTotalSize)
            return fail(QStringLiteral("entry %1 unpacks to more than allowed").arg(name));
        if (*total > room)
            return fail(QStringLiteral("not enough room for entry %1").arg(name));
        if (!sink(buffer.constData(), n))
            return false;
    }
    entry.close();
    if (entry.getZipError() != UNZ_OK)
        return fail(QStringLiteral("entry %1 is damaged (%2)").arg(name).arg(entry.getZipError()));
    return true;
}

bool BackupArchiveReader::read(const QSet<QString> &names, QMap<QString, QByteArray> *entries)
{
    entries->clear();
    qint64 total = 0;
    return forEachEntry([&](QuaZip &zip, const QString &name) {
        if (!names.contains(name) || entries->contains(name))
            return true;
        QByteArray data;
        const bool ok = unpackEntry(zip, name, m_limits.maxEntrySize, m_limits.maxTotalSize, &total,
                                    [&data](const char *piece, qint64 size) {
                                        data.append(piece, size);
                                        return true;
                                    });
        if (ok)
            entries->insert(name, data);
        return ok;
    });
}

bool BackupArchiveReader::extract(const QMap<QString, qint64> &caps, const QString &folder, qint64 room,
                                  QMap<QString, QString> *files)
{
    files->clear();
    qint64 total = 0;
    return forEachEntry([&](QuaZip &zip, const QString &name) {
        const auto cap = caps.constFind(name);
        if (cap == caps.cend() || files->contains(name))
            return true;
        const QString path = QDir(folder).filePath(QStringLiteral("entry%1").arg(files->size()));
        QFile out(path);
        if (!out.open(QIODevice::WriteOnly | QIODevice::NewOnly))
            return fail(QStringLiteral("cannot unpack entry %1: %2").arg(name, out.errorString()));
        const bool ok = unpackEntry(zip, name, cap.value(), room, &total, [&](const char *piece, qint64 size) {
            return out.write(piece, size) == size ||
                   fail(QStringLiteral("cannot unpack entry %1: %2").arg(name, out.errorString()));
        });
        if (!ok)
            return false;
        if (!out.flush())
            return fail(QStringLiteral("cannot unpack entry %1: %2").arg(name, out.errorString()));
        out.close();
        files->insert(name, path);
        return true;
    });
}

bool BackupArchiveReader::failTooManyEntries(int count)
{
    m_userError = QCoreApplication::translate("BackupArchiveReader",
                                              "The file holds more entries than a backup of this program can hold "
                                              "(at most %1).")
                      .arg(m_limits.maxEntries);
    return fail(QStringLiteral("too many entries (%1)").arg(count));
}

bool BackupArchiveReader::fail(const QString &reason)
{
    m_error = reason;
    QR_LOG(QStringLiteral("Cannot read backup archive %1: %2").arg(m_fileName, reason).toUtf8());
    return false;
}
