#include "core/ibackupobject.h"

#include "core/log.h"

#include <QFile>

bool IBackupObject::checkRestoreFile(const QString &)
{
    return true;
}

bool IBackupObject::restoreFromFile(const QString &fileName)
{
    QByteArray data;
    return readRestoreFile(fileName, &data) && restore(data);
}

bool IBackupObject::stageRestoreFiles(const QString &, const QString &, QList<StagedFile> *)
{
    return false;
}

bool IBackupObject::readRestoreFile(const QString &fileName, QByteArray *data) const
{
    QFile file(fileName);
    if (!file.open(QIODevice::ReadOnly)) {
        QR_LOG("Cannot open the unpacked entry " + name() + ": " + file.errorString().toUtf8());
        return false;
    }
    if (file.size() > maxRestoreSize()) {
        QR_LOG("The unpacked entry " + name() + " is larger than allowed");
        return false;
    }
    *data = file.readAll();
    if (data->size() != file.size()) {
        QR_LOG("Cannot read the unpacked entry " + name() + " whole");
        return false;
    }
    return true;
}
