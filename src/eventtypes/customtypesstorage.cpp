#include "eventtypes/customtypesstorage.h"

#include "core/datafileguard.h"
#include "core/log.h"
#include "eventtypes/eventtypesfile.h"
#include "eventtypes/ieventtypesstorage.h"
#include "events/ievent.h"

namespace CustomTypesStoragePrivate {
const QString s_customTypes = QStringLiteral("customTypes");
} // namespace CustomTypesStoragePrivate

using namespace CustomTypesStoragePrivate;

CustomTypesStorage::CustomTypesStorage(QObject *parent, const QString &fileName)
    : QObject(parent), FileBackupObject(fileName)
{
    load();
}

CustomTypeInfo CustomTypesStorage::type(const QByteArray &id) const
{
    const int i = indexOf(id);
    return i >= 0 ? m_types.at(i) : CustomTypeInfo();
}

int CustomTypesStorage::indexOf(const QByteArray &id) const
{
    for (int i = 0; i < m_types.size(); ++i) {
        if (m_types.at(i).id == id)
            return i;
    }
    return -1;
}

bool CustomTypesStorage::isAcceptable(const CustomTypeInfo &info) const
{
    return info.isValid() && !IEventTypesStorage::isReservedId(info.id) && !contains(info.id) &&
           info.baseType >= EventTypeNotSpecified && info.baseType <= EventTypeTask;
}

bool CustomTypesStorage::add(const CustomTypeInfo &info)
{
    if (!isAcceptable(info))
        return false;
    m_types.append(info);
    save();
    return true;
}

bool CustomTypesStorage::replace(const CustomTypeInfo &info)
{
    const int i = indexOf(info.id);
    if (i < 0 || info.baseType < EventTypeNotSpecified || info.baseType > EventTypeTask)
        return false;
    m_types[i] = info;
    save();
    return true;
}

bool CustomTypesStorage::remove(const QByteArray &id)
{
    const int i = indexOf(id);
    if (i < 0)
        return false;
    m_types.removeAt(i);
    save();
    return true;
}

QVariantList CustomTypesStorage::state() const
{
    QVariantList list;
    for (const CustomTypeInfo &info : m_types)
        list.append(info.toJson());
    return list;
}

void CustomTypesStorage::setState(const QVariantList &state)
{
    m_types.clear();
    readList(state);
    save();
}

bool CustomTypesStorage::readList(const QVariantList &list)
{
    bool whole = true;
    for (const QVariant &entry : list) {
        const CustomTypeInfo info = CustomTypeInfo::fromJson(entry);
        if (isAcceptable(info))
            m_types.append(info);
        else
            whole = false;
        // A record of a newer version, or with fields this one does not know, would be written back cut down.
        const QVariantMap record = entry.toMap();
        const QVariantMap known = info.toJson().toMap();
        if (record.value(QStringLiteral("version")).toInt() > known.value(QStringLiteral("version")).toInt())
            whole = false;
        for (auto it = record.cbegin(); it != record.cend(); ++it)
            whole = whole && known.contains(it.key());
    }
    return whole;
}

void CustomTypesStorage::load()
{
    m_types.clear();
    QVariantMap map;
    switch (EventTypesFile::read(backupFileName(), &map, true)) {
    case EventTypesFile::ReadResult::Missing:
    case EventTypesFile::ReadResult::Broken:
        break;
    case EventTypesFile::ReadResult::Read: {
        const QVariant list = map.value(s_customTypes);
        const bool isList = list.typeId() == QMetaType::QVariantList;
        // A record we cannot take stays in the file's copy, made before the next save.
        if (!(isList || list.isNull()) || !readList(list.toList()) || !EventTypesFile::holdsOnly(map, s_customTypes))
            Common::DataFileGuard::notice(backupFileName(), Common::DataFileGuard::UnknownShape);
        break;
    }
    }
}

bool CustomTypesStorage::save()
{
    QString error;
    if (!EventTypesFile::write(backupFileName(), s_customTypes, state(), &error)) {
        emit saveFailed(backupFileName(), error);
        return false;
    }
    emit saved(backupFileName());
    return true;
}

bool CustomTypesStorage::restore(const QByteArray &data)
{
    if (!FileBackupObject::restore(data))
        return false;
    return reloadAfterRestore();
}

bool CustomTypesStorage::stageRestoreFiles(const QString &entryFile, const QString &stagingFolder,
                                           QList<StagedFile> *files)
{
    // A file that was not read whole keeps its copy before the restore moves another over it.
    return Common::DataFileGuard::keepAside(backupFileName()) &&
           FileBackupObject::stageRestoreFiles(entryFile, stagingFolder, files);
}

bool CustomTypesStorage::reloadAfterRestore()
{
    emit aboutToReload();
    load();
    emit reloaded();
    return true;
}
