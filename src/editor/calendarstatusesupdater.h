#pragma once

#include "events/abstractcommonevent.h"

#include <QDate>
#include <QElapsedTimer>
#include <QObject>
#include <QSet>
#include <QTimer>

#include <memory>

class CalendarView;
class EventsManager;
class QAbstractItemModel;

namespace EditorPrivate {

// What the updater needs of the calendar view; tests record the calls instead.
class StatusesTarget
{
public:
    virtual ~StatusesTarget() = default;
    virtual int viewportYear() const = 0;
    virtual void beginUpdate() = 0;
    // Replaces the status on every day and ends the update with one repaint.
    virtual void setStatus(const QSet<QDate> &dates, int status) = 0;
    virtual void clearStatus(int status) = 0;
    virtual void endUpdate() = 0;
};

// Computes the calendar's day marks for a year and the years on either side without blocking
// the window: events are expanded in slices on a timer, then the clock days and the trail days
// go to the view in two strokes. Events are held by their place in the list, so a removal or a
// new order of the list ends the run.
class CalendarStatusesUpdater : public QObject
{
    Q_OBJECT

public:
    CalendarStatusesUpdater(QObject *parent, QAbstractItemModel *model, EventsManager *manager, CalendarView *view,
                            int year, int status, int trailStatus);
    // The target is not owned.
    CalendarStatusesUpdater(QObject *parent, QAbstractItemModel *model, EventsManager *manager, StatusesTarget *target,
                            int year, int status, int trailStatus);
    ~CalendarStatusesUpdater() override;

    void start();
    void stop();
    bool isIdle() const { return !m_timer.isActive(); }
    int year() const { return m_year; }

    // Time a slice may take before the next tick; at least one event is taken per tick.
    static constexpr int kSliceMSecs = 8;
    static constexpr int kIntervalMSecs = 30;
    void setSliceMSecs(int msecs) { m_sliceMSecs = msecs; }
    // The longest slice and the ticks so far, for the benchmark.
    qint64 longestSliceNSecs() const { return m_longestSliceNSecs; }
    int ticks() const { return m_ticks; }

signals:
    void finished();

public slots:
    void step();

private:
    void init();
    // Reads rows into m_events until the slice's time is spent; true once every row is read.
    bool readRows(const QElapsedTimer &slice);
    void publish();

    EventsManager *m_eventsManager;
    QAbstractItemModel *m_model;
    std::unique_ptr<StatusesTarget> m_ownTarget;
    StatusesTarget *m_calendarView;
    int m_year;
    int m_status;
    int m_trailStatus;
    QTimer m_timer;
    bool m_initPending = false;
    // Places in the manager's list: holding each event (a reference count in memory of its own) made
    // every change of the panel's filter wait for a pass over all events.
    QList<int> m_events;
    QByteArray m_listChange;
    int m_rowsRead = 0;
    int m_next = 0;
    QSet<QDate> m_dates;
    QSet<QDate> m_trailDates;
    int m_calendarYear = 0;
    bool m_datesPublished = false;
    int m_sliceMSecs = kSliceMSecs;
    qint64 m_longestSliceNSecs = 0;
    int m_ticks = 0;
};

} // namespace EditorPrivate
