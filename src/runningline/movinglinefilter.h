#pragma once

#include <QDate>
#include <QSortFilterProxyModel>

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

public slots:
    void invalidateTimeFilters();

protected:
    bool filterAcceptsRow(int sourceRow, const QModelIndex &sourceParent) const override;
    bool lessThan(const QModelIndex &left, const QModelIndex &right) const override;

private:
    int m_defaultDaysToWatch = s_defaultDaysToWatch;
};
