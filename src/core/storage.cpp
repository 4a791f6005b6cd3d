#include "core/storage.h"

#include "core/datafileguard.h"
#include "core/log.h"
#include "core/safefile.h"

#include <QBuffer>
#include <QDataStream>
#include <QDir>
#include <QFileInfo>

namespace StoragePrivate {

// Both files are written in the layout the first versions used; the types involved never changed form.
constexpr QDataStream::Version kStreamVersion = QDataStream::Qt_4_0;

void warn(const QString &message)
{
    qWarning("Storage: %s", qPrintable(message));
    QR_LOG("Storage: " + message.toUtf8());
}

// An item whose recorded place is not wholly inside the data file comes from a damaged index.
bool liesWithin(qint64 pos, qint64 size, qint64 fileSize, const QByteArray &id, const QString &path)
{
    if (pos >= 0 && size >= 0 && pos <= fileSize && size <= fileSize - pos)
        return true;
    warn(QStringLiteral("item %1 lies beyond the end of %2").arg(QString::fromUtf8(id), path));
    return false;
}

Common::DataFileGuard::Problem versionProblem(qint32 found, qint32 known)
{
    return found > known ? Common::DataFileGuard::NewerVersion : Common::DataFileGuard::UnknownShape;
}

void setBufferData(QBuffer *buffer, const QByteArray &data)
{
    if (!buffer->isOpen()) {
        buffer->setData(data);
        return;
    }
    const QIODevice::OpenMode mode = buffer->openMode();
    buffer->close();
    buffer->setData(data);
    buffer->open(mode);
}

} // namespace StoragePrivate

StorageTable::StorageTable(const QString &fileName, Storage *owner)
    : FileBackupObject(fileName), m_file(fileName), m_owner(owner)
{
    load();
}

bool StorageTable::restore(const QByteArray &data)
{
    if (!FileBackupObject::restore(data))
        return false;
    load();
    return true;
}

bool StorageTable::checkRestoreFile(const QString &fileName)
{
    QByteArray bytes;
    if (!readRestoreFile(fileName, &bytes))
        return false;
    QDataStream in(bytes);
    in.setVersion(StoragePrivate::kStreamVersion);
    qint32 version = 0;
    qint32 count = 0;
    in >> version >> count;
    for (qint32 i = 0; i < count && in.status() == QDataStream::Ok; ++i) {
        QByteArray id;
        qint64 pos = 0;
        qint64 size = 0;
        in >> id >> pos >> size;
        if (pos < 0 || size < 0)
            break;
    }
    if (in.status() != QDataStream::Ok || version != s_tableVersion || count < 0 || !in.atEnd()) {
        QR_LOG("Not a readable picture index: " + name());
        return false;
    }
    return true;
}

bool StorageTable::restoreFromFile(const QString &fileName)
{
    if (!FileBackupObject::restoreFromFile(fileName))
        return false;
    load();
    return true;
}

bool StorageTable::reloadAfterRestore()
{
    if (m_owner)
        return m_owner->reloadAfterRestore();
    load();
    return true;
}

bool StorageTable::get(const QByteArray &id, qint64 &pos, qint64 &size) const
{
    const auto it = m_table.constFind(id);
    if (it == m_table.cend())
        return false;
    pos = it->pos;
    size = it->size;
    return true;
}

bool StorageTable::set(const QByteArray &id, qint64 pos, qint64 size)
{
    const QMap<QByteArray, Entry> before = m_table;
    auto it = m_table.find(id);
    if (it != m_table.end()) {
        // Everything stored behind the old bytes moves, empty items at the boundary included.
        const qint64 oldEnd = it->pos + it->size;
        const qint64 delta = size - it->size;
        for (auto other = m_table.begin(); other != m_table.end(); ++other)
            if (other != it && other->pos >= oldEnd)
                other->pos += delta;
    }
    m_table.insert(id, Entry{pos, size});
    if (writeTable())
        return true;
    // The index file still describes the old layout; memory must keep describing it too.
    m_table = before;
    return false;
}

bool StorageTable::erase(const QByteArray &id)
{
    const auto it = m_table.find(id);
    if (it == m_table.end())
        return true;
    QR_ASSERT(it->size == 0);
    m_table.erase(it);
    return writeTable();
}

void StorageTable::load()
{
    m_table.clear();
    const QFileInfo info(m_file.fileName());
    if (!m_file.fileName().isEmpty() && info.exists() && info.size() > 0)
        readTable();
}

bool StorageTable::clear()
{
    m_table.clear();
    return writeTable();
}

void StorageTable::readTable()
{
    using Common::DataFileGuard;
    // Never opened when something else is in its place: reading a FIFO would wait for good.
    if (!Common::isRegularOrMissing(m_file.fileName()) || !m_file.open(QIODevice::ReadOnly)) {
        StoragePrivate::warn(QStringLiteral("cannot open %1: %2").arg(m_file.fileName(), m_file.errorString()));
        DataFileGuard::notice(m_file.fileName(), DataFileGuard::Unreadable);
        return;
    }
    const QByteArray bytes = m_file.readAll();
    m_file.close();
    QDataStream in(bytes);
    in.setVersion(StoragePrivate::kStreamVersion);
    qint32 version = 0;
    qint32 count = 0;
    in >> version >> count;
    if (version != s_tableVersion || count < 0) {
        StoragePrivate::warn(QStringLiteral("index %1 is of version %2").arg(m_file.fileName()).arg(version));
        DataFileGuard::notice(m_file.fileName(), StoragePrivate::versionProblem(version, s_tableVersion));
        return;
    }
    for (qint32 i = 0; i < count; ++i) {
        QByteArray id;
        Entry entry;
        in >> id >> entry.pos >> entry.size;
        if (in.status() != QDataStream::Ok || entry.pos < 0 || entry.size < 0) {
            // A damaged index ends early: keep the whole records and invent nothing.
            StoragePrivate::warn(
                QStringLiteral("index %1 ends after %2 of %3 records").arg(m_file.fileName()).arg(i).arg(count));
            DataFileGuard::notice(m_file.fileName(), DataFileGuard::Unreadable);
            return;
        }
        m_table.insert(id, entry);
    }
    if (!in.atEnd())
        DataFileGuard::notice(m_file.fileName(), DataFileGuard::UnknownShape);
}

bool StorageTable::keepOnly(qint64 dataSize, const QString &dataFile)
{
    const qsizetype before = m_table.size();
    for (auto it = m_table.begin(); it != m_table.end();) {
        if (StoragePrivate::liesWithin(it->pos, it->size, dataSize, it.key(), dataFile)) {
            ++it;
            continue;
        }
        // The item's bytes are gone; what the index said stays in its copy.
        Common::DataFileGuard::notice(m_file.fileName(), Common::DataFileGuard::Unreadable);
        it = m_table.erase(it);
    }
    return m_table.size() == before;
}

void StorageTable::forget()
{
    m_table.clear();
}

bool StorageTable::writeTable()
{
    QByteArray bytes;
    QDataStream out(&bytes, QIODevice::WriteOnly);
    out.setVersion(StoragePrivate::kStreamVersion);
    out << s_tableVersion << qint32(m_table.size());
    for (auto it = m_table.cbegin(); it != m_table.cend(); ++it)
        out << it.key() << it->pos << it->size;
    return Common::DataFileGuard::writeFile(m_file.fileName(), bytes, &m_writeError);
}

Storage::Storage(const QString &fileName) : FileBackupObject(fileName), m_file(fileName)
{
    init();
}

Storage::~Storage()
{
    purgeErased();
}

QString Storage::indexFileName() const
{
    const QFileInfo info(m_file.fileName());
    return info.absoluteDir().filePath(info.completeBaseName() + QStringLiteral(".tab"));
}

void Storage::init()
{
    m_table = std::make_unique<StorageTable>(indexFileName(), this);
    m_erased = std::make_unique<DinamicStorageTable>();
    QR_ASSERT(QFileInfo(m_file.fileName()).dir().exists());
    readDataFile();
}

void Storage::readDataFile()
{
    const QFileInfo fi(m_file.fileName());
    // An empty file holds nothing to keep; a FIFO or device in its place is told as unreadable.
    if (!fi.exists() || (fi.size() == 0 && Common::isRegularOrMissing(fi.filePath())))
        startDataFile();
    else
        checkVersion();
}

void Storage::startDataFile()
{
    newFile();
    if (m_table->ids().isEmpty())
        return;
    // An index whose data is gone would hand out the bytes of new items, written where it says old ones lie.
    StoragePrivate::warn(
        QStringLiteral("%1 is missing; its index is kept aside and started anew").arg(m_file.fileName()));
    Common::DataFileGuard::notice(indexFileName(), Common::DataFileGuard::UnknownShape);
    m_table->clear();
}

void Storage::newFile()
{
    QByteArray header;
    QDataStream out(&header, QIODevice::WriteOnly);
    out << s_storageVersion;
    if (!Common::DataFileGuard::writeFile(m_file.fileName(), header))
        StoragePrivate::warn(QStringLiteral("cannot start %1").arg(m_file.fileName()));
}

void Storage::checkVersion()
{
    using Common::DataFileGuard;
    m_startAfresh = false;
    qint32 version = 0;
    qint64 size = 0;
    if (Common::isRegularOrMissing(m_file.fileName()) && m_file.open(QIODevice::ReadOnly)) {
        QDataStream in(&m_file);
        in >> version;
        size = m_file.size();
        m_file.close();
    } else {
        StoragePrivate::warn(QStringLiteral("cannot open %1: %2").arg(m_file.fileName(), m_file.errorString()));
    }
    if (version == s_storageVersion) {
        // Items that lie beyond the end of the data: it was cut short.
        if (!m_table->keepOnly(size, m_file.fileName()))
            DataFileGuard::notice(m_file.fileName(), DataFileGuard::Unreadable);
        return;
    }
    // Pictures of a form we cannot read: none is shown, and the first new one starts both files afresh,
    // after each was kept aside.
    StoragePrivate::warn(QStringLiteral("%1 is of version %2").arg(m_file.fileName()).arg(version));
    const DataFileGuard::Problem problem =
        size == 0 ? DataFileGuard::Unreadable : StoragePrivate::versionProblem(version, s_storageVersion);
    DataFileGuard::notice(m_file.fileName(), problem);
    if (!m_table->ids().isEmpty())
        DataFileGuard::notice(indexFileName(), DataFileGuard::UnknownShape);
    m_table->forget();
    m_startAfresh = true;
}

bool Storage::read(const QByteArray &id, QBuffer *out)
{
    if (!m_table->contains(id) || m_erased->contains(id))
        return false;
    qint64 pos = 0;
    qint64 size = 0;
    const bool found = m_table->get(id, pos, size);
    QR_ASSERT(found);
    if (!m_file.open(QIODevice::ReadOnly)) {
        QR_ASSERT(m_file.isOpen());
        return false;
    }
    if (!StoragePrivate::liesWithin(pos, size, m_file.size(), id, m_file.fileName())) {
        m_file.close();
        return false;
    }
    QByteArray bytes;
    const bool sought = m_file.seek(pos);
    if (sought)
        bytes = m_file.read(size);
    m_file.close();
    if (!sought || bytes.size() != size) {
        StoragePrivate::warn(
            QStringLiteral("cannot read item %1 from %2").arg(QString::fromUtf8(id), m_file.fileName()));
        return false;
    }
    StoragePrivate::setBufferData(out, bytes);
    return true;
}

bool Storage::write(const QByteArray &id, QBuffer *in)
{
    m_errorFile.clear();
    m_error.clear();
    if (!writeData(id, in->data())) {
        emit saveFailed(m_errorFile.isEmpty() ? m_file.fileName() : m_errorFile,
                        m_error.isEmpty() ? tr("The file cannot be written.") : m_error);
        return false;
    }
    cancelErase(id);
    emit saved(m_file.fileName());
    return true;
}

bool Storage::failWrite(const QString &fileName, const QString &reason)
{
    m_errorFile = fileName;
    m_error = reason;
    return false;
}

bool Storage::writeData(const QByteArray &id, const QByteArray &data)
{
    const QString path = m_file.fileName();
    if (m_startAfresh) {
        QString error;
        if (!Common::DataFileGuard::keepAside(path, &error) || !m_table->clear())
            return failWrite(path, error.isEmpty() ? m_table->writeError() : error);
        newFile();
        m_startAfresh = false;
    }
    if (!QFileInfo::exists(path) || QFileInfo(path).size() == 0)
        startDataFile();

    qint64 pos = 0;
    if (m_table->contains(id)) {
        qint64 oldSize = 0;
        m_table->get(id, pos, oldSize);
        if (!m_file.open(QIODevice::ReadOnly)) {
            QR_ASSERT(m_file.isOpen());
            return failWrite(path, m_file.errorString());
        }
        const qint64 fileSize = m_file.size();
        const QByteArray all = m_file.readAll();
        m_file.close();
        if (all.size() != fileSize) {
            StoragePrivate::warn(QStringLiteral("cannot read %1").arg(path));
            return failWrite(path, tr("The file cannot be read whole."));
        }
        if (!StoragePrivate::liesWithin(pos, oldSize, fileSize, id, path))
            return failWrite(path, tr("The file does not match its index."));
        QByteArray replaced;
        replaced.reserve(fileSize - oldSize + data.size());
        replaced.append(all.constData(), pos);
        replaced.append(data);
        replaced.append(all.constData() + pos + oldSize, fileSize - pos - oldSize);
        QString error;
        if (!Common::DataFileGuard::writeFile(path, replaced, &error))
            return failWrite(path, error);
        if (m_table->set(id, pos, data.size()))
            return true;
        failWrite(indexFileName(), m_table->writeError());
        // The old index is what the next start reads: put back the bytes it describes.
        if (!Common::writeFileAtomically(path, all))
            StoragePrivate::warn(QStringLiteral("%1 no longer matches its index").arg(path));
        return false;
    } else {
        // Appending leaves every stored byte where it was; a failed append is cut off again.
        QString error;
        if (!Common::DataFileGuard::keepAside(path, &error))
            return failWrite(path, error);
        if (!m_file.open(QIODevice::WriteOnly | QIODevice::Append | QIODevice::Unbuffered)) {
            QR_ASSERT(m_file.isOpen());
            return failWrite(path, m_file.errorString());
        }
        pos = m_file.size();
        const bool written = m_file.write(data) == data.size() && m_file.flush();
        if (!written) {
            const QString reason = m_file.errorString();
            StoragePrivate::warn(QStringLiteral("cannot append to %1: %2").arg(path, reason));
            m_file.resize(pos);
            m_file.close();
            return failWrite(path, reason);
        }
        m_file.close();
        if (m_table->set(id, pos, data.size()))
            return true;
        QFile::resize(path, pos);
        return failWrite(indexFileName(), m_table->writeError());
    }
}

void Storage::erase(const QByteArray &id)
{
    qint64 pos = 0;
    qint64 size = 0;
    if (m_table->get(id, pos, size))
        m_erased->set(id, pos, size);
}

bool Storage::contains(const QByteArray &id) const
{
    return m_table->contains(id) && !m_erased->contains(id);
}

bool Storage::cancelErase(const QByteArray &id)
{
    if (!m_erased->contains(id))
        return false;
    m_erased->set(id, 0, 0);
    m_erased->erase(id);
    return true;
}

QList<IBackupObject *> Storage::backupObjects()
{
    return {this, m_table.get()};
}

bool Storage::restore(const QByteArray &data)
{
    if (!FileBackupObject::restore(data))
        return false;
    forgetErasures();
    m_startAfresh = false;
    if (data.isEmpty())
        newFile();
    else
        checkVersion();
    return true;
}

void Storage::forgetErasures()
{
    // Erasures were about the old pictures; purging them now would delete restored ones.
    m_erased = std::make_unique<DinamicStorageTable>();
}

bool Storage::checkRestoreFile(const QString &fileName)
{
    QFile file(fileName);
    qint32 version = 0;
    if (file.open(QIODevice::ReadOnly)) {
        QDataStream in(&file);
        in >> version;
    }
    if (version != s_storageVersion) {
        QR_LOG("Not a readable picture data file: " + name());
        return false;
    }
    return true;
}

bool Storage::restoreFromFile(const QString &fileName)
{
    if (!FileBackupObject::restoreFromFile(fileName))
        return false;
    forgetErasures();
    checkVersion();
    return true;
}

bool Storage::reloadAfterRestore()
{
    forgetErasures();
    m_startAfresh = false;
    m_table->load();
    readDataFile();
    return true;
}

void Storage::purgeErased()
{
    const QList<QByteArray> ids = m_erased->ids();
    for (const QByteArray &id : ids) {
        if (!m_table->contains(id))
            continue;
        if (writeData(id, QByteArray()))
            m_table->erase(id);
    }
    m_erased = std::make_unique<DinamicStorageTable>();
}
