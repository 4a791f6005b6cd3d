#include "core/filebackupobject.h"

#include "core/backgroundwriter.h"
#include "core/datafileguard.h"
#include "core/log.h"
#include "core/safefile.h"

#include <QFile>
#include <QFileInfo>

FileBackupObject::FileBackupObject(const QString &fileName) : m_fileName(fileName) {}

QDateTime FileBackupObject::lastModified() const
{
    Common::BackgroundWriter::waitFor(m_fileName);
    const QFileInfo info(m_fileName);
    return info.exists() ? info.lastModified() : QDateTime();
}

QByteArray FileBackupObject::backup(bool *ok)
{
    Common::BackgroundWriter::waitFor(m_fileName);
    if (ok)
        *ok = false;
    if (!QFileInfo::exists(m_fileName) && !QFileInfo(m_fileName).isSymLink()) {
        if (ok)
            *ok = true;
        return QByteArray();
    }
    QFile file;
    if (!Common::openRegularFile(&file, m_fileName))
        return QByteArray();
    const qint64 size = file.size();
    QByteArray data = file.readAll();
    if (data.size() != size)
        return QByteArray();
    if (ok)
        *ok = true;
    return data;
}

bool FileBackupObject::restore(const QByteArray &data)
{
    Common::BackgroundWriter::waitFor(m_fileName);
    return Common::DataFileGuard::writeFile(m_fileName, data);
}

QByteArray FileBackupObject::name() const
{
    return QFileInfo(m_fileName).fileName().toUtf8();
}

namespace FileBackupObjectPrivate {
// The first byte of a snapshot: the file was there and the rest is its content, or it was not.
constexpr char s_present = 'F';
constexpr char s_absent = 'N';
} // namespace FileBackupObjectPrivate

bool FileBackupObject::restoreFromFile(const QString &fileName)
{
    Common::BackgroundWriter::waitFor(m_fileName);
    // What the old file held beyond what was read stays in its copy.
    if (!Common::DataFileGuard::keepAside(m_fileName) || !Common::replaceFileWith(m_fileName, fileName))
        return false;
    Common::DataFileGuard::placed(m_fileName);
    return true;
}

bool FileBackupObject::stageRestoreFiles(const QString &entryFile, const QString &, QList<StagedFile> *files)
{
    Common::BackgroundWriter::waitFor(m_fileName);
    files->append({m_fileName, entryFile});
    return true;
}

QByteArray FileBackupObject::snapshot(bool *ok)
{
    Common::BackgroundWriter::waitFor(m_fileName);
    if (!QFileInfo::exists(m_fileName)) {
        if (ok)
            *ok = true;
        return QByteArray(1, FileBackupObjectPrivate::s_absent);
    }
    bool read = false;
    QByteArray data = backup(&read);
    if (ok)
        *ok = read;
    if (!read)
        return QByteArray();
    data.prepend(FileBackupObjectPrivate::s_present);
    return data;
}

bool FileBackupObject::restoreSnapshot(const QByteArray &data)
{
    if (data.startsWith(FileBackupObjectPrivate::s_absent) && data.size() == 1) {
        // The derived store reloads from an empty file first, then the file goes as it was not there.
        const bool restored = restore(QByteArray());
        const QFileInfo info(m_fileName);
        if (restored && info.exists() && info.size() == 0 && !QFile::remove(m_fileName))
            QR_LOG("Cannot remove " + m_fileName.toUtf8() + " that a restore added");
        return restored;
    }
    if (data.startsWith(FileBackupObjectPrivate::s_present))
        return restore(QByteArray::fromRawData(data.constData() + 1, data.size() - 1));
    return restore(data);
}

bool FileBackupObject::writeSnapshotFiles(const QByteArray &data)
{
    if (data.startsWith(FileBackupObjectPrivate::s_absent) && data.size() == 1) {
        if (!Common::DataFileGuard::keepAside(m_fileName))
            return false;
        return !QFileInfo::exists(m_fileName) || QFile::remove(m_fileName);
    }
    if (data.startsWith(FileBackupObjectPrivate::s_present))
        return FileBackupObject::restore(QByteArray::fromRawData(data.constData() + 1, data.size() - 1));
    return FileBackupObject::restore(data);
}
