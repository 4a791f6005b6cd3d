#include "eventtypes/eventtypestreemodel.h"

#include "core/log.h"
#include "eventtypes/ieventtype.h"
#include "eventtypes/itreeviewexpandinfo.h"
#include "events/ievent.h"

#include <QDataStream>
#include <QIODevice>
#include <QMimeData>

using Index = IEventTypesStorage::Index;

namespace EventTypesTreeModelPrivate {

// What an index whose folder is gone maps to: invalid, yet not the root.
const Index s_lostIndex(-2, -2);

QByteArray encodeIndex(const Index &index)
{
    QByteArray data;
    QDataStream stream(&data, QIODevice::WriteOnly);
    stream.setVersion(QDataStream::Qt_5_0);
    stream << index.row << index.childRow;
    return data;
}

bool decodeIndex(const QByteArray &data, Index *index)
{
    QDataStream stream(data);
    stream.setVersion(QDataStream::Qt_5_0);
    stream >> index->row >> index->childRow;
    return stream.status() == QDataStream::Ok && index->isValid();
}

} // namespace EventTypesTreeModelPrivate

using namespace EventTypesTreeModelPrivate;

EventTypesTreeModel::EventTypesTreeModel(IEventTypesStorage *storage, ITreeViewExpandInfo *expandInfo, QObject *parent)
    : QAbstractItemModel(parent), m_storage(storage), m_expandInfo(expandInfo)
{
    QR_ASSERT(storage);
    connect(m_storage, &IEventTypesStorage::layoutAboutToBeChanged, this, &EventTypesTreeModel::beginResetModel);
    connect(m_storage, &IEventTypesStorage::layoutChanged, this, &EventTypesTreeModel::onLayoutChanged);
}

QString EventTypesTreeModel::newFolderName()
{
    return tr("New Folder");
}

QString EventTypesTreeModel::mimeType()
{
    return QStringLiteral("quillaneeventtypeindex");
}

void EventTypesTreeModel::onLayoutChanged()
{
    endResetModel();
    emit somethingChanged();
}

Index EventTypesTreeModel::toStorageIndex(const QModelIndex &index) const
{
    if (!index.isValid())
        return Index();
    if (index.model() != this)
        return s_lostIndex;
    if (index.internalId() == 0)
        return Index(index.row(), -1);
    const int folder = m_storage->folderRow(quint32(index.internalId()));
    return folder < 0 ? s_lostIndex : Index(folder, index.row());
}

QModelIndex EventTypesTreeModel::fromStorageIndex(const Index &index) const
{
    if (!index.isValid())
        return QModelIndex();
    if (index.isTopLevel())
        return this->index(index.row, 0);
    return this->index(index.childRow, 0, this->index(index.row, 0));
}

QModelIndex EventTypesTreeModel::index(int row, int column, const QModelIndex &parent) const
{
    if (!hasIndex(row, column, parent))
        return QModelIndex();
    if (!parent.isValid())
        return createIndex(row, column, quintptr(0));
    return createIndex(row, column, quintptr(m_storage->folderKey(toStorageIndex(parent))));
}

QModelIndex EventTypesTreeModel::parent(const QModelIndex &child) const
{
    if (!child.isValid() || child.internalId() == 0)
        return QModelIndex();
    const int row = m_storage->folderRow(quint32(child.internalId()));
    return row < 0 ? QModelIndex() : createIndex(row, 0, quintptr(0));
}

int EventTypesTreeModel::rowCount(const QModelIndex &parent) const
{
    if (parent.column() > 0)
        return 0;
    const Index index = toStorageIndex(parent);
    if (parent.isValid() && !m_storage->isFolder(index))
        return 0;
    return m_storage->count(index);
}

int EventTypesTreeModel::columnCount(const QModelIndex &) const
{
    return 1;
}

bool EventTypesTreeModel::isFolder(const QModelIndex &index) const
{
    QR_ASSERT(index.isValid());
    return index.isValid() && m_storage->isFolder(toStorageIndex(index));
}

IEventType *EventTypesTreeModel::typeAt(const QModelIndex &index) const
{
    const Index internalIndex = toStorageIndex(index);
    if (!QR_CHECK(internalIndex.isValid()) || m_storage->isFolder(internalIndex))
        return nullptr;
    return m_storage->typeAt(internalIndex);
}

CustomTypeInfo EventTypesTreeModel::customTypeInfoAt(const QModelIndex &index) const
{
    const IEventType *type = typeAt(index);
    return type ? type->customTypeInfo() : CustomTypeInfo();
}

QVariant EventTypesTreeModel::data(const QModelIndex &index, int role) const
{
    if (!index.isValid())
        return QVariant();
    const Index internalIndex = toStorageIndex(index);
    const bool folder = m_storage->isFolder(internalIndex);
    switch (role) {
    case Qt::DisplayRole:
    case Qt::EditRole:
    case Qt::ToolTipRole:
        if (folder)
            return m_storage->folderName(internalIndex);
        if (const IEventType *type = m_storage->typeAt(internalIndex))
            return type->name();
        return QVariant();
    case Qt::DecorationRole:
        if (folder) {
            const bool open = m_expandInfo && m_expandInfo->isExpanded(index);
            return QIcon::fromTheme(open ? QStringLiteral("folder-open") : QStringLiteral("folder"));
        }
        if (const IEventType *type = m_storage->typeAt(internalIndex))
            return type->icon();
        return QVariant();
    default:
        return QVariant();
    }
}

bool EventTypesTreeModel::setData(const QModelIndex &index, const QVariant &value, int role)
{
    if (role != Qt::EditRole || !(flags(index) & Qt::ItemIsEditable))
        return false;
    const QString name = value.toString().trimmed();
    if (name.isEmpty())
        return false;
    if (name != data(index, Qt::EditRole).toString())
        emit renameRequested(index, name);
    return true;
}

Qt::ItemFlags EventTypesTreeModel::flags(const QModelIndex &index) const
{
    if (!index.isValid())
        return Qt::ItemIsDropEnabled;
    const Index internalIndex = toStorageIndex(index);
    if (!internalIndex.isValid())
        return Qt::NoItemFlags;
    Qt::ItemFlags result = Qt::ItemIsSelectable | Qt::ItemIsEnabled | Qt::ItemIsDragEnabled;
    result |= Qt::ItemFlags::fromInt(m_storage->flags(internalIndex));
    if (m_storage->isFolder(internalIndex))
        result |= Qt::ItemIsDropEnabled;
    return result;
}

bool EventTypesTreeModel::createFolder(int row)
{
    QR_ASSERT(row >= 0 && row <= rowCount());
    if (row < 0 || row > rowCount())
        return false;
    beginInsertRows(QModelIndex(), row, row);
    const bool done = m_storage->insertFolder(row, newFolderName());
    endInsertRows();
    QR_ASSERT(done);
    emit somethingChanged();
    return done;
}

bool EventTypesTreeModel::insertCustomType(const QModelIndex &parent, int row, const CustomTypeInfo &info)
{
    QR_ASSERT(row >= 0 && row <= rowCount(parent));
    if (row < 0 || row > rowCount(parent) || (parent.isValid() && !isFolder(parent)))
        return false;
    // The storage refuses the same records; they are checked first so no rows are announced in vain.
    if (!info.isValid() || IEventTypesStorage::isReservedId(info.id) || m_storage->typeById(info.id) ||
        info.baseType < EventTypeNotSpecified || info.baseType > EventTypeTask)
        return false;
    beginInsertRows(parent, row, row);
    const bool done = m_storage->insertCustomType(toStorageIndex(parent), row, info);
    endInsertRows();
    QR_ASSERT(done);
    emit somethingChanged();
    return done;
}

bool EventTypesTreeModel::modifyCustomType(const QModelIndex &index, const CustomTypeInfo &info)
{
    if (!m_storage->replaceCustomType(toStorageIndex(index), info))
        return false;
    emit dataChanged(index, index);
    emit somethingChanged();
    return true;
}

bool EventTypesTreeModel::rename(const QModelIndex &index, const QString &name)
{
    if (!index.isValid() || !m_storage->rename(toStorageIndex(index), name))
        return false;
    emit dataChanged(index, index);
    emit somethingChanged();
    return true;
}

bool EventTypesTreeModel::moveUp(const QModelIndex &index)
{
    return step(index, false);
}

bool EventTypesTreeModel::moveDown(const QModelIndex &index)
{
    return step(index, true);
}

bool EventTypesTreeModel::step(const QModelIndex &index, bool down)
{
    const int needed = down ? IEventTypesStorage::ItemCanBeMovedDown : IEventTypesStorage::ItemCanBeMovedUp;
    Index parent;
    int row = 0;
    if (!(flags(index) & needed) || !m_storage->stepTarget(toStorageIndex(index), down, &parent, &row))
        return false;
    return moveItem(index, fromStorageIndex(parent), row);
}

bool EventTypesTreeModel::move(const QModelIndex &index, const QModelIndex &parent, int row)
{
    const bool done = moveItem(index, parent, row);
    refuseRemovalsForAWhile();
    return done;
}

void EventTypesTreeModel::refuseRemovalsForAWhile()
{
    m_removeRefused = true;
    QMetaObject::invokeMethod(this, &EventTypesTreeModel::allowRemove, Qt::QueuedConnection);
}

void EventTypesTreeModel::allowRemove()
{
    m_removeRefused = false;
}

bool EventTypesTreeModel::moveItem(const QModelIndex &index, const QModelIndex &parent, int row)
{
    const Index from = toStorageIndex(index);
    const Index to = toStorageIndex(parent);
    if (!from.isValid() || (parent.isValid() && (!m_storage->isFolder(to) || m_storage->isFolder(from))))
        return false;
    const int rows = rowCount(parent);
    if (row < 0)
        row = rows;
    if (row > rows)
        return false;
    const QModelIndex sourceParent = index.parent();
    if (sourceParent == parent && (row == index.row() || row == index.row() + 1))
        return true;
    if (!beginMoveRows(sourceParent, index.row(), index.row(), parent, row))
        return false;
    const bool done = m_storage->move(from, to, row);
    endMoveRows();
    QR_ASSERT(done);
    emit somethingChanged();
    return done;
}

bool EventTypesTreeModel::removeRows(int row, int count, const QModelIndex &parent)
{
    if (m_removeRefused || count < 1 || row < 0 || row + count > rowCount(parent))
        return false;
    for (int i = row; i < row + count; ++i) {
        if (!(flags(index(i, 0, parent)) & IEventTypesStorage::ItemIsRemovable))
            return false;
    }
    for (int i = row + count - 1; i >= row; --i)
        removeItem(index(i, 0, parent));
    emit somethingChanged();
    return true;
}

bool EventTypesTreeModel::removeItem(const QModelIndex &index)
{
    if (isFolder(index)) {
        // Built-in kinds leave first, one move each, so views and persistent indexes follow them.
        int child = 0;
        while (child < rowCount(index)) {
            const QModelIndex childIndex = this->index(child, 0, index);
            if (customTypeInfoAt(childIndex).isValid())
                ++child;
            else
                moveItem(childIndex, QModelIndex(), rowCount());
        }
    }
    const Index internalIndex = toStorageIndex(index);
    beginRemoveRows(index.parent(), index.row(), index.row());
    const bool done = m_storage->remove(internalIndex);
    endRemoveRows();
    QR_ASSERT(done);
    return done;
}

Qt::DropActions EventTypesTreeModel::supportedDragActions() const
{
    return Qt::MoveAction;
}

Qt::DropActions EventTypesTreeModel::supportedDropActions() const
{
    return Qt::MoveAction;
}

QStringList EventTypesTreeModel::mimeTypes() const
{
    return {mimeType()};
}

QMimeData *EventTypesTreeModel::mimeData(const QModelIndexList &indexes) const
{
    if (indexes.isEmpty() || !indexes.first().isValid())
        return nullptr;
    auto *data = new QMimeData;
    data->setData(mimeType(), encodeIndex(toStorageIndex(indexes.first())));
    return data;
}

bool EventTypesTreeModel::canDropMimeData(const QMimeData *data, Qt::DropAction action, int row, int,
                                          const QModelIndex &parent) const
{
    Index from;
    if (action != Qt::MoveAction || !data || !decodeIndex(data->data(mimeType()), &from))
        return false;
    if (!m_storage->isFolder(from) && !m_storage->typeAt(from))
        return false;
    if (row > rowCount(parent))
        return false;
    // Types go to the top level or into a folder; folders only to the top level.
    if (!parent.isValid())
        return true;
    return isFolder(parent) && !m_storage->isFolder(from);
}

bool EventTypesTreeModel::dropMimeData(const QMimeData *data, Qt::DropAction action, int row, int column,
                                       const QModelIndex &parent)
{
    if (!canDropMimeData(data, action, row, column, parent))
        return false;
    Index from;
    decodeIndex(data->data(mimeType()), &from);
    // The view removes the dragged rows after a move drop; the item has moved, not gone.
    refuseRemovalsForAWhile();
    emit moveRequested(fromStorageIndex(from), parent, row);
    return true;
}
