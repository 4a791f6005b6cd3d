#include "eventtypes/eventtypesstorage.h"

#include "core/datafileguard.h"
#include "core/log.h"
#include "eventtypes/baseeventtype.h"
#include "eventtypes/customeventtype.h"
#include "eventtypes/customtypesstorage.h"
#include "eventtypes/eventtypesfile.h"
#include "events/ievent.h"

#include <QSet>

namespace EventTypesStoragePrivate {
const QString s_tree = QStringLiteral("tree");
const QString s_folder = QStringLiteral("folder");
const QString s_types = QStringLiteral("types");
const QString s_myState = QStringLiteral("myState");
const QString s_customState = QStringLiteral("customState");
} // namespace EventTypesStoragePrivate

using namespace EventTypesStoragePrivate;

EventTypesStorage::EventTypesStorage(CustomTypesStorage *customTypes, const QString &fileName, QObject *parent)
    : IEventTypesStorage(parent), FileBackupObject(fileName), m_customTypes(customTypes)
{
    QR_ASSERT(customTypes);
    for (int kind = EventTypeNotSpecified; kind <= EventTypeTask; ++kind)
        m_builtIns.push_back(std::make_unique<BaseEventType>(kind));
    syncCustomTypes();
    loadOrder();
    connect(m_customTypes, &CustomTypesStorage::aboutToReload, this, &EventTypesStorage::onCustomTypesAboutToReload);
    connect(m_customTypes, &CustomTypesStorage::reloaded, this, &EventTypesStorage::onCustomTypesReloaded);
}

EventTypesStorage::~EventTypesStorage() = default;

const QList<int> &EventTypesStorage::defaultOrder()
{
    static const QList<int> order{EventTypeBirthday, EventTypeHoliday, EventTypeWedding, EventTypeTask,
                                  EventTypeNotSpecified};
    return order;
}

bool EventTypesStorage::exists(const Index &index) const
{
    if (!index.isValid() || index.row >= m_tree.size())
        return false;
    if (index.isTopLevel())
        return true;
    const Item &folder = m_tree.at(index.row);
    return folder.isFolder() && index.childRow < folder.children.size();
}

QByteArray EventTypesStorage::idAt(const Index &index) const
{
    if (!exists(index))
        return QByteArray();
    const Item &item = m_tree.at(index.row);
    return index.isTopLevel() ? item.typeId : item.children.at(index.childRow);
}

int EventTypesStorage::count(const Index &parent) const
{
    if (!parent.isValid())
        return int(m_tree.size());
    if (!parent.isTopLevel() || !exists(parent))
        return 0;
    return int(m_tree.at(parent.row).children.size());
}

bool EventTypesStorage::isFolder(const Index &index) const
{
    return exists(index) && index.isTopLevel() && m_tree.at(index.row).isFolder();
}

QString EventTypesStorage::folderName(const Index &index) const
{
    QR_ASSERT(isFolder(index));
    return isFolder(index) ? m_tree.at(index.row).name : QString();
}

IEventType *EventTypesStorage::typeAt(const Index &index) const
{
    return isFolder(index) ? nullptr : typeById(idAt(index));
}

IEventType *EventTypesStorage::typeById(const QByteArray &id) const
{
    if (id.isEmpty())
        return nullptr;
    for (const auto &type : m_builtIns) {
        if (type->id() == id)
            return type.get();
    }
    const auto it = m_custom.find(id);
    return it == m_custom.end() ? nullptr : it->second.get();
}

CustomEventType *EventTypesStorage::customTypeAt(const Index &index) const
{
    const auto it = m_custom.find(idAt(index));
    return it == m_custom.end() || isFolder(index) ? nullptr : it->second.get();
}

int EventTypesStorage::flags(const Index &index) const
{
    if (!exists(index))
        return 0;
    int result = 0;
    const bool folder = isFolder(index);
    if (folder || customTypeAt(index))
        result |= Qt::ItemIsEditable | ItemIsRemovable;
    if (!index.isTopLevel())
        return result | ItemCanBeMovedUp | ItemCanBeMovedDown;
    if (index.row > 0)
        result |= ItemCanBeMovedUp;
    if (index.row < m_tree.size() - 1)
        result |= ItemCanBeMovedDown;
    return result;
}

quint32 EventTypesStorage::folderKey(const Index &index) const
{
    return isFolder(index) ? m_tree.at(index.row).key : 0;
}

int EventTypesStorage::folderRow(quint32 key) const
{
    for (int row = 0; key != 0 && row < m_tree.size(); ++row) {
        if (m_tree.at(row).key == key)
            return row;
    }
    return -1;
}

QVariantList EventTypesStorage::treeState() const
{
    QVariantList tree;
    for (const Item &item : m_tree) {
        if (!item.isFolder()) {
            tree.append(QString::fromUtf8(item.typeId));
            continue;
        }
        QVariantList types;
        for (const QByteArray &id : item.children)
            types.append(QString::fromUtf8(id));
        QVariantMap folder;
        folder.insert(s_folder, item.name);
        folder.insert(s_types, types);
        tree.append(folder);
    }
    return tree;
}

bool EventTypesStorage::setTree(const QVariantList &tree)
{
    bool whole = true;
    m_tree.clear();
    QSet<QByteArray> seen;
    auto take = [&](const QVariant &value, QByteArray *id) {
        if (value.typeId() != QMetaType::QString)
            return false;
        *id = value.toString().toUtf8();
        if (seen.contains(*id) || !typeById(*id))
            return false;
        seen.insert(*id);
        return true;
    };
    QByteArray id;
    for (const QVariant &entry : tree) {
        if (entry.typeId() == QMetaType::QVariantMap) {
            const QVariantMap map = entry.toMap();
            Item folder;
            folder.key = m_nextKey++;
            folder.name = map.value(s_folder).toString();
            const QVariant children = map.value(s_types);
            whole = whole && map.size() == 2 && map.value(s_folder).typeId() == QMetaType::QString &&
                    children.typeId() == QMetaType::QVariantList;
            for (const QVariant &child : children.toList()) {
                if (take(child, &id))
                    folder.children.append(id);
                else
                    whole = false;
            }
            m_tree.append(folder);
        } else if (take(entry, &id)) {
            Item type;
            type.typeId = id;
            m_tree.append(type);
        } else {
            whole = false;
        }
    }
    auto appendMissing = [&](const QByteArray &missing) {
        if (seen.contains(missing))
            return;
        seen.insert(missing);
        Item type;
        type.typeId = missing;
        m_tree.append(type);
    };
    for (int kind : defaultOrder())
        appendMissing(QByteArray::number(kind));
    for (const CustomTypeInfo &info : m_customTypes->types())
        appendMissing(info.id);
    return whole;
}

void EventTypesStorage::syncCustomTypes()
{
    std::map<QByteArray, std::unique_ptr<CustomEventType>> kept;
    for (const CustomTypeInfo &info : m_customTypes->types()) {
        auto it = m_custom.find(info.id);
        if (it != m_custom.end()) {
            it->second->setInfo(info);
            kept.insert({info.id, std::move(it->second)});
        } else {
            kept.insert({info.id, std::make_unique<CustomEventType>(info)});
        }
    }
    m_custom = std::move(kept);
}

void EventTypesStorage::loadOrder()
{
    QVariantMap map;
    switch (EventTypesFile::read(backupFileName(), &map)) {
    case EventTypesFile::ReadResult::Missing:
    case EventTypesFile::ReadResult::Broken:
        setTree(QVariantList());
        break;
    case EventTypesFile::ReadResult::Read: {
        const QVariant tree = map.value(s_tree);
        // An entry left out of the order is in the file's copy, made before the next save.
        if (!setTree(tree.toList()) || (tree.isValid() && tree.typeId() != QMetaType::QVariantList) ||
            !EventTypesFile::holdsOnly(map, s_tree))
            Common::DataFileGuard::notice(backupFileName(), Common::DataFileGuard::UnknownShape);
        break;
    }
    }
}

bool EventTypesStorage::save()
{
    QString error;
    if (!EventTypesFile::write(backupFileName(), s_tree, treeState(), &error)) {
        emit saveFailed(backupFileName(), error);
        return false;
    }
    emit saved(backupFileName());
    return true;
}

QVariantMap EventTypesStorage::state() const
{
    QVariantMap map;
    map.insert(s_myState, treeState());
    map.insert(s_customState, m_customTypes->state());
    return map;
}

void EventTypesStorage::setState(const QVariantMap &state)
{
    emit layoutAboutToBeChanged();
    m_customTypes->setState(state.value(s_customState).toList());
    syncCustomTypes();
    setTree(state.value(s_myState).toList());
    save();
    emit layoutChanged();
}

bool EventTypesStorage::insertFolder(int row, const QString &name)
{
    if (row < 0 || row > m_tree.size() || name.trimmed().isEmpty())
        return false;
    Item folder;
    folder.key = m_nextKey++;
    folder.name = name.trimmed();
    m_tree.insert(row, folder);
    save();
    return true;
}

bool EventTypesStorage::rename(const Index &index, const QString &name)
{
    const QString trimmed = name.trimmed();
    if (trimmed.isEmpty())
        return false;
    if (isFolder(index)) {
        m_tree[index.row].name = trimmed;
        save();
        return true;
    }
    CustomEventType *type = customTypeAt(index);
    if (!type)
        return false;
    CustomTypeInfo info = type->customTypeInfo();
    info.name = trimmed;
    if (!m_customTypes->replace(info))
        return false;
    type->setInfo(info);
    return true;
}

bool EventTypesStorage::insertCustomType(const Index &parent, int row, const CustomTypeInfo &info)
{
    if (parent.isValid() && !isFolder(parent))
        return false;
    if (row < 0 || row > count(parent) || typeById(info.id) || !m_customTypes->add(info))
        return false;
    m_custom.insert({info.id, std::make_unique<CustomEventType>(info)});
    if (parent.isValid()) {
        m_tree[parent.row].children.insert(row, info.id);
    } else {
        Item type;
        type.typeId = info.id;
        m_tree.insert(row, type);
    }
    save();
    return true;
}

bool EventTypesStorage::replaceCustomType(const Index &index, const CustomTypeInfo &info)
{
    CustomEventType *type = customTypeAt(index);
    if (!type)
        return false;
    CustomTypeInfo record = info;
    record.id = type->id();
    if (!m_customTypes->replace(record))
        return false;
    type->setInfo(record);
    return true;
}

bool EventTypesStorage::move(const Index &index, const Index &parent, int row)
{
    if (!exists(index) || (parent.isValid() && (!isFolder(parent) || isFolder(index))))
        return false;
    if (row < 0)
        row = count(parent);
    if (row > count(parent))
        return false;
    const quint32 targetKey = folderKey(parent);
    const bool sameList = index.parent() == parent;
    if (sameList && (row == (index.isTopLevel() ? index.row : index.childRow) ||
                     row == (index.isTopLevel() ? index.row : index.childRow) + 1))
        return true;

    Item taken;
    if (index.isTopLevel()) {
        taken = m_tree.takeAt(index.row);
    } else {
        taken.typeId = m_tree[index.row].children.takeAt(index.childRow);
    }
    const int from = index.isTopLevel() ? index.row : index.childRow;
    if (sameList && from < row)
        --row;
    if (targetKey) {
        m_tree[folderRow(targetKey)].children.insert(row, taken.typeId);
    } else {
        m_tree.insert(row, taken);
    }
    save();
    return true;
}

bool EventTypesStorage::remove(const Index &index)
{
    if (!(flags(index) & ItemIsRemovable))
        return false;
    if (isFolder(index)) {
        const Item folder = m_tree.takeAt(index.row);
        for (const QByteArray &id : folder.children) {
            if (m_custom.erase(id)) {
                m_customTypes->remove(id);
            } else {
                Item type;
                type.typeId = id;
                m_tree.append(type);
            }
        }
        save();
        return true;
    }
    const QByteArray id = idAt(index);
    if (index.isTopLevel())
        m_tree.removeAt(index.row);
    else
        m_tree[index.row].children.removeAt(index.childRow);
    m_custom.erase(id);
    m_customTypes->remove(id);
    save();
    return true;
}

bool EventTypesStorage::restore(const QByteArray &data)
{
    if (!FileBackupObject::restore(data))
        return false;
    return reloadAfterRestore();
}

bool EventTypesStorage::stageRestoreFiles(const QString &entryFile, const QString &stagingFolder,
                                          QList<StagedFile> *files)
{
    if (!Common::DataFileGuard::keepAside(backupFileName()))
        return false;
    return FileBackupObject::stageRestoreFiles(entryFile, stagingFolder, files);
}

bool EventTypesStorage::reloadAfterRestore()
{
    emit layoutAboutToBeChanged();
    loadOrder();
    emit layoutChanged();
    return true;
}

void EventTypesStorage::onCustomTypesAboutToReload()
{
    emit layoutAboutToBeChanged();
}

void EventTypesStorage::onCustomTypesReloaded()
{
    syncCustomTypes();
    // The order file may name types the old records did not have, so it is read again.
    loadOrder();
    emit layoutChanged();
}
