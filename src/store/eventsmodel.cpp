#include "store/eventsmodel.h"

#include "events/abstractcommonevent.h"
#include "events/taskevent.h"
#include "store/eventsmanager.h"

EventsModel::EventsModel(EventsManager *manager, QObject *parent) : QAbstractListModel(parent), m_manager(manager)
{
    if (!manager)
        return;
    m_count = manager->count();
    connect(manager, &EventsManager::eventAdded, this, &EventsModel::onEventAdded);
    connect(manager, &EventsManager::eventAboutToRemove, this, &EventsModel::onEventAboutToRemove);
    connect(manager, &EventsManager::eventRemoved, this, &EventsModel::onEventRemoved);
    connect(manager, &EventsManager::eventChanged, this, &EventsModel::onEventChanged);
    connect(manager, &EventsManager::layoutChanged, this, &EventsModel::reset);
    // The manager is half destroyed by now: forget it without asking it anything.
    connect(manager, &QObject::destroyed, this, [this] {
        beginReset();
        m_manager.clear();
        endReset();
    });
}

AbstractCommonEvent *EventsModel::eventAt(int row) const
{
    if (!m_manager || row < 0 || row >= m_count || row >= m_manager->count())
        return nullptr;
    return m_manager->eventAt(row).get();
}

int EventsModel::rowCount(const QModelIndex &parent) const
{
    return parent.isValid() ? 0 : m_count;
}

QByteArray EventsModel::typeIdOf(const AbstractCommonEvent &event)
{
    const CustomTypeInfo &info = event.customTypeMetaInfo();
    return info.isValid() ? info.id : event.textId();
}

QVariant EventsModel::data(const QModelIndex &index, int role) const
{
    if (!checkIndex(index, CheckIndexOption::IndexIsValid | CheckIndexOption::ParentIsInvalid))
        return QVariant();
    const AbstractCommonEvent *event = eventAt(index.row());
    if (!event)
        return QVariant();
    switch (role) {
    case Qt::DisplayRole:
        return event->text(true);
    case Qt::DecorationRole:
        return event->icon();
    case NextDateRole:
        return event->nextPeriod().beginDate();
    case EventIndexRole:
        return index.row();
    case DaysToWatchRole:
        return event->daysToWatch();
    case CursorRole:
        return int(Qt::ArrowCursor);
    case IsSystemRole:
        return false;
    case EventIdRole:
        return event->id();
    case NextDateTimeRole:
    case SortRole:
        return event->nextPeriod().beginDateTime();
    case HasTimeRole:
        return event->nextPeriod().hasTime();
    case TypeIdRole:
        return typeIdOf(*event);
    case CalendarIdRole:
        return event->calendarId();
    case ShortTextRole:
        return event->text(false).trimmed();
    case WhenTextRole:
        return event->cachedText();
    case MovingLineEnabledRole:
        return event->isMovingLineEnabled();
    case NextEndDateRole:
        return event->nextPeriod().endDate();
    case StillDueRole: {
        const auto *task = qobject_cast<const TaskEvent *>(event);
        return task && task->markAsCompletedRequired();
    }
    default:
        return QVariant();
    }
}

QHash<int, QByteArray> EventsModel::roleNames() const
{
    QHash<int, QByteArray> names = QAbstractListModel::roleNames();
    names.insert(NextDateRole, "nextDate");
    names.insert(EventIndexRole, "eventIndex");
    names.insert(NextDateTimeRole, "nextDateTime");
    names.insert(TypeIdRole, "typeId");
    names.insert(CalendarIdRole, "calendarId");
    return names;
}

void EventsModel::beginReset()
{
    if (m_resetting)
        return;
    m_resetting = true;
    beginResetModel();
}

void EventsModel::endReset()
{
    if (!m_resetting)
        beginResetModel();
    m_count = m_manager ? m_manager->count() : 0;
    m_resetting = false;
    endResetModel();
}

void EventsModel::reset()
{
    beginReset();
    endReset();
}

bool EventsModel::followsByRow() const
{
    return m_changesByRow && !m_resetting && m_manager;
}

void EventsModel::onEventAdded(int row)
{
    // The manager appends one event at a time; anything else is told by a reset.
    if (!followsByRow() || row != m_count || m_manager->count() != m_count + 1) {
        reset();
        return;
    }
    beginInsertRows(QModelIndex(), row, row);
    m_count = row + 1;
    endInsertRows();
}

void EventsModel::onEventAboutToRemove(int row)
{
    if (!followsByRow() || row < 0 || row >= m_count || m_manager->count() != m_count) {
        beginReset();
        return;
    }
    m_removingRow = row;
    beginRemoveRows(QModelIndex(), row, row);
}

void EventsModel::onEventRemoved()
{
    if (m_removingRow < 0) {
        endReset();
        return;
    }
    m_removingRow = -1;
    --m_count;
    endRemoveRows();
}

void EventsModel::onEventChanged(int row)
{
    if (!m_changesByRow || m_resetting || !m_manager || m_count != m_manager->count() || row < 0 || row >= m_count) {
        reset();
        return;
    }
    // Every column of the row: the editor's table derives from this list.
    const int columns = static_cast<const QAbstractItemModel *>(this)->columnCount(QModelIndex());
    emit dataChanged(index(row, 0), index(row, qMax(0, columns - 1)));
}
