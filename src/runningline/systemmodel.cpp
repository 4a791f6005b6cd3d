#include "runningline/systemmodel.h"

#include "store/systemevents.h"

#include <QAction>
#include <QFont>

SystemModel::SystemModel(SystemEvents *events, QObject *parent) : QAbstractTableModel(parent), m_events(events)
{
    if (!events)
        return;
    m_count = events->count();
    connect(events, &SystemEvents::eventAdded, this, &SystemModel::onEventAdded);
    connect(events, &SystemEvents::eventAboutToRemove, this, &SystemModel::onEventAboutToRemove);
    connect(events, &SystemEvents::eventRemoved, this, &SystemModel::onEventRemoved);
    connect(events, &QObject::destroyed, this, [this] {
        beginResetModel();
        m_events.clear();
        m_count = 0;
        m_pendingRemovals.clear();
        endResetModel();
    });
}

SystemEvent *SystemModel::eventAt(int row) const
{
    if (!m_events || row < 0 || row >= m_count || row >= m_events->count())
        return nullptr;
    return m_events->eventByIndex(row).get();
}

int SystemModel::rowCount(const QModelIndex &parent) const
{
    return parent.isValid() ? 0 : m_count;
}

int SystemModel::columnCount(const QModelIndex &parent) const
{
    return parent.isValid() ? 0 : 1;
}

QVariant SystemModel::data(const QModelIndex &index, int role) const
{
    if (!checkIndex(index, CheckIndexOption::IndexIsValid | CheckIndexOption::ParentIsInvalid))
        return QVariant();
    const SystemEvent *event = eventAt(index.row());
    if (!event)
        return QVariant();
    switch (role) {
    case Qt::DisplayRole:
        return event->text(true);
    case Qt::FontRole:
        if (event->action()) {
            // Rows that do something on a click look like links.
            QFont font;
            font.setUnderline(true);
            return font;
        }
        return QVariant();
    case CursorRole:
        return int(event->action() ? Qt::PointingHandCursor : Qt::ArrowCursor);
    case IsSystemRole:
        return true;
    case EventIdRole:
        return event->id();
    case ShortTextRole:
        return event->text(false).trimmed();
    case WhenTextRole:
        return QString();
    case MovingLineEnabledRole:
        return true;
    case DaysToWatchRole:
        return -1;
    case HasTimeRole:
        return false;
    default:
        return QVariant();
    }
}

void SystemModel::onEventAdded(int index)
{
    // The list already holds the entry: announce and finish the insertion back to back.
    if (!m_events || index < 0 || index > m_count || m_count + 1 != m_events->count()) {
        beginResetModel();
        m_count = m_events ? m_events->count() : 0;
        endResetModel();
        return;
    }
    beginInsertRows(QModelIndex(), index, index);
    ++m_count;
    endInsertRows();
}

void SystemModel::onEventAboutToRemove(int index)
{
    // -1 is an entry that is not listed: nothing will leave, and its eventRemoved() must change nothing.
    const bool listed = index >= 0 && index < m_count;
    m_pendingRemovals.append(listed);
    if (listed)
        beginRemoveRows(QModelIndex(), index, index);
}

void SystemModel::onEventRemoved()
{
    if (m_pendingRemovals.isEmpty())
        return;
    if (!m_pendingRemovals.takeLast())
        return;
    --m_count;
    endRemoveRows();
}
