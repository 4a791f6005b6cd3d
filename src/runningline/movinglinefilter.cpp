#include "runningline/movinglinefilter.h"

#include "core/clock.h"
#include "core/dateconversions.h"
#include "events/abstractcommonevent.h"
#include "events/taskevent.h"
#include "runningline/accumulativeeventsmodel.h"
#include "store/eventitemrole.h"
#include "store/eventsmodel.h"

#include <limits>

MovingLineFilter::MovingLineFilter(QObject *parent) : QSortFilterProxyModel(parent)
{
    setDynamicSortFilter(true);
    sort(0);
    m_filteredOn = Common::Clock::today();
}

void MovingLineFilter::setDefaultDaysToWatch(int days)
{
    if (days == m_defaultDaysToWatch)
        return;
    m_defaultDaysToWatch = days;
    invalidateFilter();
}

int MovingLineFilter::userRowCount() const
{
    // The system rows are sorted last: count them from the end rather than look at every event.
    int rows = rowCount();
    while (rows > 0) {
        const QModelIndex source = mapToSource(index(rows - 1, 0));
        if (rowEvent(source.row()).known || !source.data(IsSystemRole).toBool())
            break;
        --rows;
    }
    return rows;
}

bool MovingLineFilter::acceptsUserRow(bool movingLineEnabled, const QDate &nextBegin, const QDate &nextEnd,
                                      bool stillDue, int daysToWatch, const QDate &today)
{
    if (!movingLineEnabled || !nextBegin.isValid())
        return false;
    if (today.daysTo(nextBegin) > daysToWatch)
        return false;
    // Over means ended before today; a task that waits to be marked completed stays while overdue.
    const QDate end = nextEnd.isValid() ? nextEnd : nextBegin;
    return end >= today || stillDue;
}

bool MovingLineFilter::acceptsEvent(const AbstractCommonEvent &event, int defaultDaysToWatch)
{
    // Most events are switched off or too far ahead: the rest is looked at only when still needed.
    if (!event.isMovingLineEnabled())
        return false;
    const Period period = event.nextPeriod();
    const QDate begin = period.beginDate();
    const int days = event.daysToWatch() < 0 ? defaultDaysToWatch : event.daysToWatch();
    const QDate today = Common::Clock::today();
    if (!acceptsUserRow(true, begin, begin, true, days, today))
        return false;
    const auto *task = qobject_cast<const TaskEvent *>(&event);
    return acceptsUserRow(true, begin, period.endDate(), task && task->markAsCompletedRequired(), days, today);
}

MovingLineFilter::RowEvent MovingLineFilter::rowEvent(int sourceRow) const
{
    // Exact types only: a model derived from the list may answer its roles otherwise.
    const QAbstractItemModel *source = sourceModel();
    if (source && source->metaObject() == &AccumulativeEventsModel::staticMetaObject) {
        const auto [model, row] = static_cast<const AccumulativeEventsModel *>(source)->mapToSource(sourceRow);
        source = model;
        sourceRow = row;
    }
    if (source && source->metaObject() == &EventsModel::staticMetaObject)
        return {true, static_cast<const EventsModel *>(source)->eventAt(sourceRow)};
    return {};
}

void MovingLineFilter::invalidateTimeFilters()
{
    // The next begin of each event depends on today.
    m_filteredOn = Common::Clock::today();
    forgetSortKeys();
    invalidate();
}

void MovingLineFilter::onTimeZoneChanged()
{
    // The keys are the old zone's instants: a row placed later compares with the new zone's.
    if (m_filteredOn == Common::Clock::today())
        forgetSortKeys();
    else
        invalidateTimeFilters();
}

void MovingLineFilter::setSourceModel(QAbstractItemModel *model)
{
    if (model == sourceModel())
        return;
    for (const QMetaObject::Connection &connection : std::as_const(m_sourceConnections))
        disconnect(connection);
    m_sourceConnections.clear();
    forgetSortKeys();
    // Connected before the base class connects its own handlers, so the keys are gone before it sorts.
    if (model) {
        const auto forgetAll = [this] { forgetSortKeys(); };
        m_sourceConnections = {
            connect(model, &QAbstractItemModel::modelAboutToBeReset, this, forgetAll),
            connect(model, &QAbstractItemModel::modelReset, this, forgetAll),
            connect(model, &QAbstractItemModel::layoutAboutToBeChanged, this, forgetAll),
            connect(model, &QAbstractItemModel::layoutChanged, this, forgetAll),
            connect(model, &QAbstractItemModel::rowsInserted, this, forgetAll),
            connect(model, &QAbstractItemModel::rowsRemoved, this, forgetAll),
            connect(model, &QAbstractItemModel::rowsMoved, this, forgetAll),
            connect(model, &QAbstractItemModel::dataChanged, this,
                    [this](const QModelIndex &topLeft, const QModelIndex &bottomRight) {
                        forgetSortKeys(topLeft, bottomRight);
                    }),
            connect(model, &QObject::destroyed, this, forgetAll),
        };
    }
    QSortFilterProxyModel::setSourceModel(model);
}

void MovingLineFilter::forgetSortKeys()
{
    m_sortKeys.clear();
    m_localMoments.clear();
}

void MovingLineFilter::forgetSortKeys(const QModelIndex &topLeft, const QModelIndex &bottomRight)
{
    if (topLeft.parent().isValid())
        return;
    const int last = qMin(bottomRight.row(), int(m_sortKeys.size()) - 1);
    for (int row = qMax(0, topLeft.row()); row <= last; ++row)
        m_sortKeys[size_t(row)].known = false;
}

MovingLineFilter::SortKey &MovingLineFilter::sortKeySlot(size_t row) const
{
    if (row >= m_sortKeys.size())
        m_sortKeys.resize(qMax(size_t(sourceModel()->rowCount()), row + 1));
    return m_sortKeys[row];
}

const MovingLineFilter::SortKey &MovingLineFilter::sortKey(const QModelIndex &sourceIndex) const
{
    SortKey &key = sortKeySlot(size_t(sourceIndex.row()));
    if (!key.known) {
        const auto moment = [](const QDateTime &when) {
            return when.isValid() ? when.toMSecsSinceEpoch() : std::numeric_limits<qint64>::min();
        };
        // One look at the time zone for a row, not the two a local date-time costs.
        const auto beginMoment = [this, &moment](const Period &period) {
            const QTime time = period.hasTime() ? period.beginTime() : QTime(0, 0);
            const std::optional<qint64> when = m_localMoments.epochMSecs(period.beginDate(), time);
            return when ? *when : moment(period.beginDateTime());
        };
        const RowEvent row = rowEvent(sourceIndex.row());
        if (row.known) {
            key = {true, false, row.event ? beginMoment(row.event->nextPeriod()) : moment(QDateTime())};
        } else {
            const bool system = sourceIndex.data(IsSystemRole).toBool();
            key = {true, system, system ? 0 : moment(sourceIndex.data(NextDateTimeRole).toDateTime())};
        }
    }
    return key;
}

bool MovingLineFilter::filterAcceptsRow(int sourceRow, const QModelIndex &sourceParent) const
{
    if (const RowEvent row = sourceParent.isValid() ? RowEvent() : rowEvent(sourceRow); row.known) {
        // The sort key is left to the sort: an hour the clocks repeat resolves by the local conversions
        // made before it, so it is worked out where the roles would work it out.
        return row.event && acceptsEvent(*row.event, m_defaultDaysToWatch);
    }
    const QModelIndex index = sourceModel()->index(sourceRow, 0, sourceParent);
    if (index.data(IsSystemRole).toBool())
        return true;
    // Most events are switched off or too far ahead: ask for the rest (each asking works out the next
    // occurrence) only when the rule still needs it; the rule itself decides.
    const bool enabled = index.data(MovingLineEnabledRole).toBool();
    if (!enabled)
        return false;
    const QDate begin = index.data(NextDateRole).toDate();
    int days = index.data(DaysToWatchRole).toInt();
    if (days < 0)
        days = m_defaultDaysToWatch;
    const QDate today = Common::Clock::today();
    if (!acceptsUserRow(enabled, begin, begin, true, days, today))
        return false;
    return acceptsUserRow(enabled, begin, index.data(NextEndDateRole).toDate(), index.data(StillDueRole).toBool(), days,
                          today);
}

bool MovingLineFilter::lessThan(const QModelIndex &left, const QModelIndex &right) const
{
    // Grown first, so that reading one key cannot move the other.
    sortKeySlot(size_t(qMax(left.row(), right.row())));
    const SortKey &l = sortKey(left);
    const SortKey &r = sortKey(right);
    if (l.system != r.system)
        return r.system;
    if (!l.system && l.when != r.when)
        return l.when < r.when;
    // Equal keys keep the source order, so system rows stay in list order.
    return left.row() < right.row();
}
