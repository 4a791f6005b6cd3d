#include "store/folderbackupobject.h"

#include "core/datafileguard.h"
#include "core/log.h"
#include "core/safefile.h"

#include <QCoreApplication>
#include <QDataStream>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QSet>
#include <QtEndian>

namespace FolderBackupObjectPrivate {

constexpr quint32 s_nullLength = 0xFFFFFFFFu;
// File names are short; a longer name field means damaged data.
constexpr quint32 s_maxNameBytes = 2 * 1024;

// Reads the big-endian fields of packed folder data without trusting any length it finds.
class Cursor
{
public:
    explicit Cursor(const QByteArray &data) : m_data(data) {}

    qint64 remaining() const { return m_data.size() - m_pos; }

    bool readU8(quint8 *value)
    {
        if (remaining() < 1)
            return false;
        *value = quint8(m_data.at(m_pos++));
        return true;
    }

    bool readU32(quint32 *value)
    {
        if (remaining() < 4)
            return false;
        *value = qFromBigEndian<quint32>(m_data.constData() + m_pos);
        m_pos += 4;
        return true;
    }

    bool readBytes(qint64 count, QByteArray *bytes)
    {
        if (count < 0 || remaining() < count)
            return false;
        *bytes = m_data.mid(m_pos, count);
        m_pos += count;
        return true;
    }

private:
    const QByteArray &m_data;
    qint64 m_pos = 0;
};

bool failWith(QString *error, const QString &reason)
{
    if (error)
        *error = reason;
    return false;
}

QFileInfoList matchingFiles(const QString &folder, const QStringList &filters)
{
    // Sorted by name so that the same folder always packs the same way.
    return QDir(folder).entryInfoList(filters, QDir::Files, QDir::Name);
}

} // namespace FolderBackupObjectPrivate

using namespace FolderBackupObjectPrivate;

FolderBackupObject::FolderBackupObject(const QByteArray &name, const QString &folder, const QStringList &filters)
    : m_folder(folder), m_filters(filters), m_name(name), m_title(QString::fromUtf8(name))
{
}

QDateTime FolderBackupObject::lastModified() const
{
    QDateTime newest;
    const QFileInfoList list =
        QDir(m_folder).entryInfoList(m_filters, QDir::Files | QDir::Dirs | QDir::NoDotAndDotDot, QDir::NoSort);
    for (const QFileInfo &info : list) {
        const QDateTime modified = info.lastModified();
        if (!newest.isValid() || modified > newest)
            newest = modified;
    }
    return newest;
}

QByteArray FolderBackupObject::backup(bool *ok)
{
    if (ok)
        *ok = false;
    QFileInfoList list = matchingFiles(m_folder, m_filters);
    for (int i = list.size() - 1; i >= 0; --i) {
        const QFileInfo &info = list.at(i);
        if (info.size() > s_maxFileSize || !isSafeFileName(info.fileName()) || !refusal(info.fileName()).isEmpty()) {
            QR_LOG("Backup leaves out " + info.fileName().toUtf8());
            list.removeAt(i);
        }
    }
    while (list.size() > s_maxFiles)
        list.removeLast();

    QByteArray data;
    QDataStream stream(&data, QIODevice::WriteOnly);
    stream << s_formatVersion << quint8(list.size());
    for (const QFileInfo &info : qAsConst(list)) {
        QFile file(info.absoluteFilePath());
        if (!file.open(QIODevice::ReadOnly)) {
            QR_LOG("Backup cannot open " + file.fileName().toUtf8() + ": " + file.errorString().toUtf8());
            return QByteArray();
        }
        const qint64 size = file.size();
        const QByteArray content = file.readAll();
        if (content.size() != size || content.size() > s_maxFileSize) {
            QR_LOG("Backup cannot read " + file.fileName().toUtf8() + " whole");
            return QByteArray();
        }
        stream << info.fileName() << content;
    }
    if (stream.status() != QDataStream::Ok)
        return QByteArray();
    if (ok)
        *ok = true;
    return data;
}

bool FolderBackupObject::isSafeFileName(const QString &name)
{
    if (name.isEmpty() || name == QLatin1String(".") || name.contains(QLatin1String("..")))
        return false;
    if (name.contains(QLatin1Char('/')) || name.contains(QLatin1Char('\\')) || name.contains(QChar(0)))
        return false;
    return !QDir::isAbsolutePath(name);
}

bool FolderBackupObject::unpack(const QByteArray &data, QList<Record> *records, QString *error, QString *refusedName)
{
    records->clear();
    Cursor cursor(data);
    quint8 version = 0;
    quint8 count = 0;
    if (!cursor.readU8(&version) || !cursor.readU8(&count))
        return failWith(error, QStringLiteral("too short"));
    // Records of another version may mean other things: none is taken for this one's.
    if (qint8(version) != s_formatVersion)
        return failWith(error, QStringLiteral("of version %1, which this version cannot read").arg(version));

    QSet<QString> seen;
    for (int i = 0; i < count; ++i) {
        quint32 nameBytes = 0;
        if (!cursor.readU32(&nameBytes) || nameBytes == s_nullLength || nameBytes % 2 != 0 ||
            nameBytes > s_maxNameBytes)
            return failWith(error, QStringLiteral("bad name in record %1").arg(i));
        QByteArray rawName;
        if (!cursor.readBytes(nameBytes, &rawName))
            return failWith(error, QStringLiteral("record %1 is cut short").arg(i));
        QString name(rawName.size() / 2, Qt::Uninitialized);
        for (int c = 0; c < name.size(); ++c)
            name[c] = QChar(qFromBigEndian<quint16>(rawName.constData() + 2 * c));
        if (!isSafeFileName(name) || seen.contains(name)) {
            if (refusedName && !seen.contains(name))
                *refusedName = name;
            return failWith(error, QStringLiteral("refused file name \"%1\"").arg(name));
        }
        seen.insert(name);

        quint32 size = 0;
        if (!cursor.readU32(&size))
            return failWith(error, QStringLiteral("record %1 is cut short").arg(i));
        QByteArray content;
        if (size != s_nullLength) {
            if (size > s_maxFileSize || !cursor.readBytes(size, &content))
                return failWith(error, QStringLiteral("bad size in record %1").arg(i));
        }
        records->append({name, content});
    }
    return true;
}

bool FolderBackupObject::restore(const QByteArray &data)
{
    QList<Record> records;
    QString error;
    if (!unpack(data, &records, &error)) {
        QR_LOG("Restore of " + m_name + " refused: " + error.toUtf8());
        return false;
    }
    for (const Record &record : qAsConst(records)) {
        if (!refusal(record.first).isEmpty()) {
            QR_LOG("Restore of " + m_name + " refused: " + refusal(record.first).toUtf8());
            return false;
        }
    }

    // Keep what each file held, so that a failed write can put the folder back as it was.
    const QDir dir(m_folder);
    QList<QPair<QString, QByteArray>> previous;
    QStringList created;
    for (const Record &record : qAsConst(records)) {
        const QString path = dir.filePath(record.first);
        if (!QFileInfo::exists(path))
            continue;
        QFile file(path);
        if (!file.open(QIODevice::ReadOnly)) {
            QR_LOG("Restore of " + m_name + " cannot read " + path.toUtf8());
            return false;
        }
        previous.append({path, file.readAll()});
    }

    for (const Record &record : qAsConst(records)) {
        const QString path = dir.filePath(record.first);
        const bool existed = QFileInfo::exists(path);
        if (!Common::DataFileGuard::writeFile(path, record.second)) {
            for (const auto &old : qAsConst(previous))
                Common::writeFileAtomically(old.first, old.second);
            for (const QString &newFile : qAsConst(created))
                QFile::remove(newFile);
            return false;
        }
        if (!existed)
            created << path;
    }
    return true;
}

bool FolderBackupObject::readRestoreRecords(const QString &fileName, QList<Record> *records)
{
    QByteArray data;
    if (!readRestoreFile(fileName, &data))
        return false;
    QString error;
    QString name;
    if (!unpack(data, records, &error, &name)) {
        QR_LOG("Restore of " + m_name + " refused: " + error.toUtf8());
        if (!name.isNull())
            m_refusal = nameRefusal(name);
        else if (!data.isEmpty() && qint8(data.at(0)) != s_formatVersion)
            m_refusal = QCoreApplication::translate("FolderBackupObject",
                                                    "The archive's %1 are in a form of another version (%2), which "
                                                    "this version cannot read.")
                            .arg(m_title)
                            .arg(quint8(data.at(0)));
        else
            m_refusal = QCoreApplication::translate("FolderBackupObject", "The archive's %1 are damaged.").arg(m_title);
        return false;
    }
    return true;
}

QString FolderBackupObject::nameRefusal(const QString &name) const
{
    const QString rule = m_nameRule ? m_nameRule(name) : QString();
    return !rule.isEmpty() ? rule
                           : QCoreApplication::translate("FolderBackupObject",
                                                         "The archive's %1 hold \"%2\", which is not a file name "
                                                         "they can hold.")
                                 .arg(m_title, name);
}

QString FolderBackupObject::refusal(const QString &name) const
{
    if (!QDir::match(m_filters, name))
        return name + QStringLiteral(" does not match the filter");
    return m_nameRule ? m_nameRule(name) : QString();
}

bool FolderBackupObject::checkRestoreFile(const QString &fileName)
{
    m_refusal.clear();
    QList<Record> records;
    if (!readRestoreRecords(fileName, &records))
        return false;
    for (const Record &record : qAsConst(records)) {
        const bool taken = QDir::match(m_filters, record.first);
        m_refusal = !taken ? nameRefusal(record.first) : m_nameRule ? m_nameRule(record.first) : QString();
        if (!taken || !m_refusal.isEmpty() || (m_fileCheck && !m_fileCheck(record.first, record.second))) {
            QR_LOG("Restore of " + m_name + " refused: " +
                   (m_refusal.isEmpty() ? record.first + QStringLiteral(" cannot be read") : m_refusal).toUtf8());
            return false;
        }
    }
    return true;
}

bool FolderBackupObject::stageRestoreFiles(const QString &entryFile, const QString &stagingFolder,
                                           QList<StagedFile> *files)
{
    QList<Record> records;
    if (!readRestoreRecords(entryFile, &records))
        return false;
    // Staged directly in the staging folder, where the restore's record looks for plain file names only.
    const QDir staging(stagingFolder);
    const QString prefix = QString::fromUtf8(m_name.toHex()) + QLatin1Char('-');
    const QDir dir(m_folder);
    for (const Record &record : qAsConst(records)) {
        if (!refusal(record.first).isEmpty()) {
            QR_LOG("Restore of " + m_name + " refused: " + refusal(record.first).toUtf8());
            return false;
        }
        const QString staged = staging.filePath(prefix + record.first);
        QFile file(staged);
        if (!file.open(QIODevice::WriteOnly) || file.write(record.second) != record.second.size() || !file.flush()) {
            QR_LOG("Restore of " + m_name + " cannot stage " + record.first.toUtf8() + ": " +
                   file.errorString().toUtf8());
            return false;
        }
        files->append({dir.filePath(record.first), staged});
    }
    return true;
}

QByteArray FolderBackupObject::snapshot(bool *ok)
{
    bool packed = false;
    const QByteArray data = backup(&packed);
    if (ok)
        *ok = packed;
    if (!packed)
        return QByteArray();
    QStringList held;
    for (const QFileInfo &info : matchingFiles(m_folder, m_filters))
        held << info.fileName();
    QByteArray result;
    QDataStream stream(&result, QIODevice::WriteOnly);
    stream << QByteArray(s_snapshotMark) << held << data;
    return result;
}

bool FolderBackupObject::restoreSnapshot(const QByteArray &snapshotData)
{
    QDataStream stream(snapshotData);
    QByteArray mark;
    QStringList held;
    QByteArray data;
    stream >> mark >> held >> data;
    if (stream.status() != QDataStream::Ok || mark != QByteArray(s_snapshotMark))
        return restore(snapshotData);
    if (!restore(data))
        return false;
    bool removedAll = true;
    for (const QFileInfo &info : matchingFiles(m_folder, m_filters)) {
        if (held.contains(info.fileName()))
            continue;
        if (QFile::remove(info.absoluteFilePath())) {
            QR_LOG("Removed " + info.fileName().toUtf8() + ", which a restore had added");
        } else {
            QR_LOG("Cannot remove " + info.fileName().toUtf8() + ", which a restore had added");
            removedAll = false;
        }
    }
    return removedAll;
}
