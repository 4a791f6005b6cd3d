#include "runningline/movinglinefilter.h"

#include "core/clock.h"
#include "runningline/eventitemrole.h"

MovingLineFilter::MovingLineFilter(QObject *parent) : QSortFilterProxyModel(parent)
{
    setDynamicSortFilter(true);
    sort(0);
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
    int rows = 0;
    for (int row = 0; row < rowCount(); ++row)
        if (!index(row, 0).data(IsSystemRole).toBool())
            ++rows;
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

void MovingLineFilter::invalidateTimeFilters()
{
    invalidate();
}

bool MovingLineFilter::filterAcceptsRow(int sourceRow, const QModelIndex &sourceParent) const
{
    const QModelIndex index = sourceModel()->index(sourceRow, 0, sourceParent);
    if (index.data(IsSystemRole).toBool())
        return true;
    int days = index.data(DaysToWatchRole).toInt();
    if (days < 0)
        days = m_defaultDaysToWatch;
    return acceptsUserRow(index.data(MovingLineEnabledRole).toBool(), index.data(NextDateRole).toDate(),
                          index.data(NextEndDateRole).toDate(), index.data(StillDueRole).toBool(), days,
                          Common::Clock::today());
}

bool MovingLineFilter::lessThan(const QModelIndex &left, const QModelIndex &right) const
{
    const bool leftSystem = left.data(IsSystemRole).toBool();
    const bool rightSystem = right.data(IsSystemRole).toBool();
    if (leftSystem != rightSystem)
        return rightSystem;
    if (!leftSystem) {
        const QDateTime l = left.data(NextDateTimeRole).toDateTime();
        const QDateTime r = right.data(NextDateTimeRole).toDateTime();
        if (l != r)
            return l < r;
    }
    // Equal keys keep the source order, so system rows stay in list order.
    return left.row() < right.row();
}
