#include "runningline/movinglinefilter.h"

#include "core/clock.h"
#include "store/eventitemrole.h"

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
    // The next begin of each event depends on today.
    forgetSortKeys();
    invalidate();
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
}

void MovingLineFilter::forgetSortKeys(const QModelIndex &topLeft, const QModelIndex &bottomRight)
{
    if (topLeft.parent().isValid())
        return;
    const int last = qMin(bottomRight.row(), int(m_sortKeys.size()) - 1);
    for (int row = qMax(0, topLeft.row()); row <= last; ++row)
        m_sortKeys[size_t(row)].known = false;
}

const MovingLineFilter::SortKey &MovingLineFilter::sortKey(const QModelIndex &sourceIndex) const
{
    const size_t row = size_t(sourceIndex.row());
    if (row >= m_sortKeys.size())
        m_sortKeys.resize(qMax(size_t(sourceModel()->rowCount()), row + 1));
    SortKey &key = m_sortKeys[row];
    if (!key.known) {
        key.system = sourceIndex.data(IsSystemRole).toBool();
        key.when = key.system ? QDateTime() : sourceIndex.data(NextDateTimeRole).toDateTime();
        key.known = true;
    }
    return key;
}

bool MovingLineFilter::filterAcceptsRow(int sourceRow, const QModelIndex &sourceParent) const
{
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
    // A copy: reading the right key may grow the table.
    const SortKey l = sortKey(left);
    const SortKey &r = sortKey(right);
    if (l.system != r.system)
        return r.system;
    if (!l.system && l.when != r.when)
        return l.when < r.when;
    // Equal keys keep the source order, so system rows stay in list order.
    return left.row() < right.row();
}
