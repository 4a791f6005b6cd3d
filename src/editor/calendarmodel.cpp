#include "editor/calendarmodel.h"

#include "core/log.h"
#include "store/eventsmanager.h"

#include <QDataStream>
#include <QIODevice>
#include <QIcon>
#include <QMimeData>

namespace {

const QIcon &bulletIcon(bool big)
{
    static const QIcon normal(QStringLiteral(":/Ostrevalder/icons/bullet_custom_event.png"));
    static const QIcon large(QStringLiteral(":/Ostrevalder/icons/bullet_custom_event_big.png"));
    return big ? large : normal;
}

} // namespace

CalendarModel::CalendarModel(QObject *parent, EventsManager *manager)
    : QAbstractListModel(parent), m_manager(manager), m_rows(manager->calendarsCount())
{
    // The manager has appended the calendar already; views must see the old count until the
    // insertion is announced, so the model keeps its own.
    connect(manager, &EventsManager::calendarAdded, this, [this] {
        beginInsertRows(QModelIndex(), m_rows, m_rows);
        m_rows = m_manager->calendarsCount();
        endInsertRows();
    });
    connect(manager, &EventsManager::calendarAboutToBeRemoved, this,
            [this](int index) { beginRemoveRows(QModelIndex(), index, index); });
    connect(manager, &EventsManager::calendarRemoved, this, [this] {
        m_rows = m_manager->calendarsCount();
        endRemoveRows();
    });
    connect(manager, &EventsManager::calendarChanged, this, &CalendarModel::rowChanged);
    connect(manager, &EventsManager::calendarAboutToBeMoved, this, &CalendarModel::onCalendarAboutToBeMoved);
    connect(manager, &EventsManager::calendarMoved, this, [this] {
        if (m_moving)
            endMoveRows();
        else // the move could not be announced: views must not keep stale rows
            rowsReplaced();
        m_moving = false;
    });
    connect(manager, &EventsManager::calendarsChanged, this, &CalendarModel::rowsReplaced);
    QR_ASSERT(connect(manager, &EventsManager::defaultCalendarChanged, this, &CalendarModel::onDefaultCalendarChanged));
}

QString CalendarModel::mimeType()
{
    return QStringLiteral("quillanecalendarplainindex");
}

QModelIndex CalendarModel::parent(const QModelIndex &) const
{
    return QModelIndex();
}

int CalendarModel::rowCount(const QModelIndex &parent) const
{
    return parent.isValid() ? 0 : m_rows;
}

int CalendarModel::columnCount(const QModelIndex &) const
{
    return 1;
}

QVariant CalendarModel::data(const QModelIndex &index, int role) const
{
    if (!index.isValid() || index.row() >= m_manager->calendarsCount())
        return QVariant();
    const QByteArray id = m_manager->calendarId(index.row());
    switch (role) {
    case Qt::DisplayRole:
    case Qt::EditRole:
        return m_manager->calendarById(id).name;
    case Qt::DecorationRole:
        return bulletIcon(id == m_manager->defaultCalendarId());
    case CalendarIdRole:
        return id;
    default:
        return QVariant();
    }
}

bool CalendarModel::setData(const QModelIndex &index, const QVariant &value, int role)
{
    if (role != Qt::EditRole || !index.isValid())
        return QAbstractListModel::setData(index, value, role);
    const QString name = value.toString().trimmed();
    if (name.isEmpty())
        return false;
    emit renameRequested(index.row(), name);
    return true;
}

QStringList CalendarModel::mimeTypes() const
{
    return {mimeType()};
}

QMimeData *CalendarModel::mimeData(const QModelIndexList &indexes) const
{
    if (indexes.count() != 1)
        return nullptr;
    const QModelIndex &index = indexes.first();
    if (!QR_CHECK(index.isValid()))
        return nullptr;
    QByteArray payload;
    QDataStream stream(&payload, QIODevice::WriteOnly);
    stream << qint32(index.row()) << qint32(index.column()) << qint64(index.internalId());
    auto *data = new QMimeData;
    data->setData(mimeType(), payload);
    return data;
}

bool CalendarModel::dropMimeData(const QMimeData *data, Qt::DropAction, int row, int, const QModelIndex &)
{
    if (!data || !data->hasFormat(mimeType()))
        return false;
    const int count = rowCount();
    int target = row == -1 ? count : row;
    QByteArray payload = data->data(mimeType());
    QDataStream stream(&payload, QIODevice::ReadOnly);
    qint32 draggedRow = -1;
    qint32 draggedColumn = -1;
    qint64 internalId = 0;
    stream >> draggedRow >> draggedColumn >> internalId;
    // Foreign or cut payloads are refused rather than turned into a move of some other calendar.
    const bool valid = stream.status() == QDataStream::Ok && draggedRow >= 0 && draggedRow < count &&
                       draggedColumn == 0 && target >= 0 && target <= count;
    if (!QR_CHECK(valid))
        return false;
    if (draggedRow < target)
        --target;
    if (target == draggedRow)
        return false;
    emit moveRequested(draggedRow, target - draggedRow);
    return true;
}

Qt::DropActions CalendarModel::supportedDropActions() const
{
    return Qt::MoveAction;
}

Qt::ItemFlags CalendarModel::flags(const QModelIndex &index) const
{
    if (!index.isValid())
        return QAbstractListModel::flags(index) | Qt::ItemIsDropEnabled;
    Qt::ItemFlags result = Qt::ItemIsSelectable | Qt::ItemIsEditable | Qt::ItemIsDragEnabled | Qt::ItemIsEnabled;
    if (index.row() < m_manager->calendarsCount() &&
        m_manager->calendarId(index.row()) != m_manager->defaultCalendarId())
        result |= Qt::ItemFlags(ItemIsRemovable);
    return result;
}

void CalendarModel::onCalendarAboutToBeMoved(int index, int step)
{
    // Qt counts the destination before the move.
    const int destination = step > 0 ? index + step + 1 : index + step;
    m_moving = beginMoveRows(QModelIndex(), index, index, QModelIndex(), destination);
    QR_ASSERT(m_moving);
}

void CalendarModel::onDefaultCalendarChanged(int oldIndex, int newIndex)
{
    rowChanged(oldIndex);
    rowChanged(newIndex);
}

void CalendarModel::rowChanged(int row)
{
    if (row < 0 || row >= rowCount())
        return;
    const QModelIndex changed = index(row);
    emit dataChanged(changed, changed);
}

void CalendarModel::rowsReplaced()
{
    beginResetModel();
    m_rows = m_manager->calendarsCount();
    endResetModel();
}
