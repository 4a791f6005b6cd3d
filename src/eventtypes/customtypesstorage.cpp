#include "eventtypes/customtypesstorage.h"

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
    }
    return whole;
}

void CustomTypesStorage::load()
{
    m_types.clear();
    QVariantMap map;
    switch (EventTypesFile::read(backupFileName(), &map)) {
    case EventTypesFile::ReadResult::Missing:
        break;
    case EventTypesFile::ReadResult::Broken:
        m_keepFileBeforeSave = true;
        break;
    case EventTypesFile::ReadResult::Read: {
        const QVariant list = map.value(s_customTypes);
        const bool isList = list.typeId() == QMetaType::QVariantList;
        // A record we cannot take stays in the file's copy, made before the next save.
        if (!(isList || list.isNull()) || !readList(list.toList()))
            m_keepFileBeforeSave = true;
        break;
    }
    }
}

bool CustomTypesStorage::keepUnreadFileAside()
{
    if (!m_keepFileBeforeSave)
        return true;
    if (!EventTypesFile::keepAside(backupFileName(), "Custom types"))
        return false;
    m_keepFileBeforeSave = false;
    return true;
}

bool CustomTypesStorage::save()
{
    if (!keepUnreadFileAside()) {
        emit saveFailed(backupFileName(), tr("A copy of the file that could not be read cannot be kept beside it."));
        return false;
    }
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
    if (!keepUnreadFileAside() || !FileBackupObject::restore(data))
        return false;
    return reloadAfterRestore();
}

bool CustomTypesStorage::stageRestoreFiles(const QString &entryFile, const QString &stagingFolder,
                                           QList<StagedFile> *files)
{
    return keepUnreadFileAside() && FileBackupObject::stageRestoreFiles(entryFile, stagingFolder, files);
}

bool CustomTypesStorage::reloadAfterRestore()
{
    emit aboutToReload();
    m_keepFileBeforeSave = false;
    load();
    emit reloaded();
    return true;
}
