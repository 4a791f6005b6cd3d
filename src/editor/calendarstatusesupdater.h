#pragma once

#include "events/abstractcommonevent.h"

#include <QDate>
#include <QElapsedTimer>
#include <QHash>
#include <QObject>
#include <QSet>
#include <QTimer>

#include <memory>
#include <vector>

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
// go to the view in two strokes. Events are held by their place in the list, so a change of the
// list during a run starts it again. After a run each day keeps how many events mark it, and each
// event the days it marks: an added, changed or removed event is then worked out alone (a recount
// of every event held the window for a third of a second at 100,000 events).
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
    bool isIdle() const { return !m_timer.isActive() && !m_restartPending && !m_applyPending; }
    int year() const { return m_year; }

    // Time a slice may take before the next tick; at least one event is taken per tick.
    static constexpr int kSliceMSecs = 8;
    static constexpr int kIntervalMSecs = 30;
    void setSliceMSecs(int msecs) { m_sliceMSecs = msecs; }
    // The longest slice and the ticks so far, for the benchmark.
    qint64 longestSliceNSecs() const { return m_longestSliceNSecs; }
    int ticks() const { return m_ticks; }
    // Events whose dates were worked out so far.
    int eventsRead() const { return m_eventsRead; }

signals:
    void finished();

public slots:
    void step();

private:
    void init();
    // Reads rows into m_events until the slice's time is spent; true once every row is read.
    bool readRows(const QElapsedTimer &slice);
    void publish();
    // Ends a run and starts another once the models over the list have followed its change.
    void restart();
    void onEventAdded(int index);
    void onEventAboutToRemove(int index);
    void onEventChanged(int index);
    // Works out the events noted since the last pass again and shows the marks if they changed.
    void applyChanges();
    // Whether the panel's filter keeps the event at this place; *known is false when the rows do
    // not follow the list (a full run is started then).
    bool isShown(int index, bool *known) const;
    // The event's days, counted in and noted as its own.
    void count(int index);
    void uncount(int index);
    QSet<QDate> shownDates(bool trail) const;
    void show(const QSet<QDate> &dates, int status);

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
    int m_rowsRead = 0;
    int m_next = 0;
    // What each event marks, by its place in the list: its days in m_days (as days after the range's
    // first), and how many days after each its period runs on.
    struct Marks
    {
        quint32 first = 0;
        quint16 count = 0;
        qint32 length = 0;
    };
    std::vector<Marks> m_marks;
    std::vector<quint16> m_days;
    size_t m_unusedDays = 0;
    // Events marking each day: the clock by day of the range, the trail by Julian day (a long period
    // runs past the range).
    std::vector<int> m_clockCounts;
    QHash<qint64, int> m_trailCounts;
    QSet<QDate> m_shownClock;
    QSet<QDate> m_shownTrail;
    // A finished run's counts follow the list.
    bool m_counted = false;
    bool m_restartPending = false;
    QList<int> m_changed;
    bool m_applyPending = false;
    int m_calendarYear = 0;
    bool m_datesPublished = false;
    int m_sliceMSecs = kSliceMSecs;
    qint64 m_longestSliceNSecs = 0;
    int m_ticks = 0;
    int m_eventsRead = 0;
};

} // namespace EditorPrivate
