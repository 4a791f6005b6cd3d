#include "eventtypes/eventtypesfile.h"

#include "core/jsonparser.h"
#include "core/log.h"
#include "core/safefile.h"

#include <QCoreApplication>
#include <QFile>
#include <QFileInfo>

namespace EventTypesFile {

ReadResult read(const QString &fileName, QVariantMap *map)
{
    QFile file(fileName);
    if (!file.exists())
        return ReadResult::Missing;
    if (!file.open(QIODevice::ReadOnly)) {
        QR_LOG("Cannot open " + fileName.toUtf8() + ": " + file.errorString().toUtf8());
        return ReadResult::Broken;
    }
    const QByteArray text = file.readAll();
    if (text.trimmed().isEmpty())
        return ReadResult::Missing;
    try {
        const QVariant top = Common::readJson(text);
        if (top.typeId() != QMetaType::QVariantMap) {
            QR_LOG("No JSON object in " + fileName.toUtf8());
            return ReadResult::Broken;
        }
        *map = top.toMap();
        return ReadResult::Read;
    } catch (const Common::JsonParserException &e) {
        QR_LOG("Cannot read " + fileName.toUtf8() + ": " + QByteArray(e.what()) + " at line " +
               QByteArray::number(e.line()));
        return ReadResult::Broken;
    }
}

bool keepAside(const QString &fileName, const char *what)
{
    if (!QFileInfo::exists(fileName))
        return true;
    const QString kept = Common::copyAsideUnderFreeName(fileName);
    if (kept.isEmpty()) {
        QR_LOG(QByteArray(what) + " file " + fileName.toUtf8() + " could not be copied aside; it is not written");
        return false;
    }
    QR_LOG(QByteArray(what) + " file was not read whole; it is kept as " + kept.toUtf8());
    return true;
}

bool write(const QString &fileName, const QString &key, const QVariant &value, QString *error)
{
    QVariantMap map;
    map.insert(QStringLiteral("version"), QCoreApplication::applicationVersion());
    map.insert(key, value);
    return Common::writeFileAtomically(fileName, Common::toJson(map), error);
}

} // namespace EventTypesFile
