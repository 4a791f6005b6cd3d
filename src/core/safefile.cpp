#include "core/safefile.h"

#include "core/log.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QSaveFile>

namespace SafeFilePrivate {

bool fail(const QString &path, const QString &reason, QString *error)
{
    const QString message = QStringLiteral("Cannot write %1: %2").arg(path, reason);
    qWarning("%s", qPrintable(message));
    QR_LOG(message.toUtf8());
    if (error)
        *error = reason;
    return false;
}

} // namespace SafeFilePrivate

namespace Common {

bool writeFileAtomically(const QString &path, const QByteArray &data, QString *error)
{
    const QFileInfo info(path);
    const QString folder = info.absolutePath();
    if (!QDir(folder).exists() && !QDir().mkpath(folder))
        return SafeFilePrivate::fail(path, QStringLiteral("cannot create folder %1").arg(folder), error);

    QSaveFile file(path);
    if (!file.open(QIODevice::WriteOnly))
        return SafeFilePrivate::fail(path, file.errorString(), error);
    if (file.write(data) != data.size()) {
        const QString reason = file.errorString();
        file.cancelWriting();
        return SafeFilePrivate::fail(path, reason, error);
    }
    if (!file.flush()) {
        const QString reason = file.errorString();
        file.cancelWriting();
        return SafeFilePrivate::fail(path, reason, error);
    }
    if (!file.commit())
        return SafeFilePrivate::fail(path, file.errorString(), error);
    return true;
}

QString copyAsideUnderFreeName(const QString &path)
{
    const QString base = path + QStringLiteral(".bak");
    QString target = base;
    for (int i = 1; QFileInfo::exists(target); ++i)
        target = base + QString::number(i);
    if (!QFile::copy(path, target)) {
        const QString message = QStringLiteral("Cannot copy %1 aside to %2").arg(path, target);
        qWarning("%s", qPrintable(message));
        QR_LOG(message.toUtf8());
        return QString();
    }
    QR_LOG(QStringLiteral("Copied %1 aside to %2").arg(path, target).toUtf8());
    return target;
}

} // namespace Common
