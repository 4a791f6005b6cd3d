#pragma once

#include "core/dateconversions.h"

#include <QDate>
#include <QDateTime>
#include <QSortFilterProxyModel>

#include <vector>

class AbstractCommonEvent;

// What the running line shows: user events coming within their days to watch (or still due), then
// the system rows in their list order. The result depends on today's date, so it is evaluated again
// through invalidateTimeFilters() when the day or the next event changes.
class MovingLineFilter : public QSortFilterProxyModel
{
    Q_OBJECT

public:
    static constexpr int s_defaultDaysToWatch = 15;

    explicit MovingLineFilter(QObject *parent = nullptr);

    // Used for events whose own days to watch is -1 ("daysToWatch" setting).
    void setDefaultDaysToWatch(int days);
    int defaultDaysToWatch() const { return m_defaultDaysToWatch; }

    // Rows of user events that pass, leaving the system rows out.
    int userRowCount() const;

    // Pure rule for one user row, for the filter and its tests.
    static bool acceptsUserRow(bool movingLineEnabled, const QDate &nextBegin, const QDate &nextEnd, bool stillDue,
                               int daysToWatch, const QDate &today);
    // The same rule read from the event itself, its next occurrence worked out once.
    static bool acceptsEvent(const AbstractCommonEvent &event, int defaultDaysToWatch);

    void setSourceModel(QAbstractItemModel *model) override;

public slots:
    void invalidateTimeFilters();
    // The local zone changed: which events pass depends on the date alone, and the new zone orders their
    // wall-clock begins as the old one did, so only a date that moved filters and sorts again.
    void onTimeZoneChanged();

protected:
    bool filterAcceptsRow(int sourceRow, const QModelIndex &sourceParent) const override;
    bool lessThan(const QModelIndex &left, const QModelIndex &right) const override;

private:
    // What a row is sorted by, read from the source once: an event's next begin is worked out in local
    // time, and a sort compares each row many times. The moment is kept as milliseconds since the
    // epoch, the lowest value for none: comparing two local date-times converts both each time.
    struct SortKey
    {
        bool known = false;
        bool system = false;
        qint64 when = 0;
    };
    // The event behind a source row when the source is the events list, alone or joined with others:
    // asking it directly spares an index and a variant per role through each layer. `known` is false
    // where only the row's data can tell.
    struct RowEvent
    {
        bool known = false;
        const AbstractCommonEvent *event = nullptr;
    };
    RowEvent rowEvent(int sourceRow) const;
    SortKey &sortKeySlot(size_t row) const;
    const SortKey &sortKey(const QModelIndex &sourceIndex) const;
    void forgetSortKeys();
    void forgetSortKeys(const QModelIndex &topLeft, const QModelIndex &bottomRight);

    int m_defaultDaysToWatch = s_defaultDaysToWatch;
    QDate m_filteredOn; // local
    // By source row; emptied whenever the source or the day changes.
    mutable std::vector<SortKey> m_sortKeys;
    // Most events on the bar begin on the same few days: each day's start is looked up once a sort.
    mutable LocalEpochCache m_localMoments;
    QList<QMetaObject::Connection> m_sourceConnections;
};
