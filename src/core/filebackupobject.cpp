#include "core/filebackupobject.h"

#include "core/safefile.h"

#include <QFile>
#include <QFileInfo>

FileBackupObject::FileBackupObject(const QString &fileName) : m_fileName(fileName) {}

QDateTime FileBackupObject::lastModified() const
{
    const QFileInfo info(m_fileName);
    return info.exists() ? info.lastModified() : QDateTime();
}

QByteArray FileBackupObject::backup(bool *ok)
{
    if (ok)
        *ok = false;
    QFile file(m_fileName);
    if (!file.exists()) {
        if (ok)
            *ok = true;
        return QByteArray();
    }
    if (!file.open(QIODevice::ReadOnly))
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
    return Common::writeFileAtomically(m_fileName, data);
}

QByteArray FileBackupObject::name() const
{
    return QFileInfo(m_fileName).fileName().toUtf8();
}
