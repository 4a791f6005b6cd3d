#include "eventtypes/eventtypesfile.h"

#include "core/datafileguard.h"
#include "core/jsonparser.h"
#include "core/log.h"
#include "core/safefile.h"
#include "core/version.h"

#include <QCoreApplication>
#include <QFile>
#include <QFileInfo>

namespace EventTypesFile {

ReadResult read(const QString &fileName, QVariantMap *map, bool watch)
{
    const bool missing = !QFileInfo::exists(fileName) && !QFileInfo(fileName).isSymLink();
    if (watch)
        Common::DataFileGuard::watchUnread(fileName, missing);
    if (missing)
        return ReadResult::Missing;
    QFile file;
    QString error;
    if (!Common::openRegularFile(&file, fileName, &error)) {
        QR_LOG("Cannot open " + fileName.toUtf8() + ": " + error.toUtf8());
        Common::DataFileGuard::notice(fileName, Common::DataFileGuard::Unreadable);
        return ReadResult::Broken;
    }
    const QByteArray text = file.readAll();
    if (file.error() != QFileDevice::NoError) {
        QR_LOG("Cannot read " + fileName.toUtf8() + ": " + file.errorString().toUtf8());
        Common::DataFileGuard::notice(fileName, Common::DataFileGuard::Unreadable);
        return ReadResult::Broken;
    }
    if (watch)
        Common::DataFileGuard::watch(fileName, text);
    if (text.trimmed().isEmpty())
        return ReadResult::Missing;
    try {
        const QVariant top = Common::readJson(text);
        if (top.typeId() != QMetaType::QVariantMap) {
            QR_LOG("No JSON object in " + fileName.toUtf8());
            Common::DataFileGuard::notice(fileName, Common::DataFileGuard::UnknownShape);
            return ReadResult::Broken;
        }
        *map = top.toMap();
        const QVariant version = map->value(QStringLiteral("version"));
        if (version.isValid() && Version(QCoreApplication::applicationVersion()) < Version(version.toString()))
            Common::DataFileGuard::notice(fileName, Common::DataFileGuard::NewerVersion);
        return ReadResult::Read;
    } catch (const Common::JsonParserException &e) {
        QR_LOG("Cannot read " + fileName.toUtf8() + ": " + QByteArray(e.what()) + " at line " +
               QByteArray::number(e.line()));
        Common::DataFileGuard::notice(fileName, Common::DataFileGuard::Unreadable);
        return ReadResult::Broken;
    }
}

bool holdsOnly(const QVariantMap &map, const QString &key)
{
    for (auto it = map.cbegin(); it != map.cend(); ++it) {
        if (it.key() != key && it.key() != QLatin1String("version"))
            return false;
    }
    return true;
}

bool write(const QString &fileName, const QString &key, const QVariant &value, QString *error)
{
    QVariantMap map;
    map.insert(QStringLiteral("version"), QCoreApplication::applicationVersion());
    map.insert(key, value);
    return Common::DataFileGuard::writeFile(fileName, Common::toJson(map), error);
}

} // namespace EventTypesFile
