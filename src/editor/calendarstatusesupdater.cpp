#include "editor/calendarstatusesupdater.h"

#include "core/log.h"
#include "store/eventitemrole.h"
#include "store/eventsmanager.h"
#include "widgets/calendar/calendarview.h"

#include <QAbstractItemModel>

namespace EditorPrivate {

namespace {

class CalendarViewTarget : public StatusesTarget
{
public:
    explicit CalendarViewTarget(CalendarView *view) : m_view(view) {}
    int viewportYear() const override { return m_view->viewportYear(); }
    void beginUpdate() override { m_view->beginUpdate(); }
    void setStatus(const QSet<QDate> &dates, int status) override { m_view->setStatus(dates, status); }
    void clearStatus(int status) override { m_view->clearStatus(status); }
    void endUpdate() override { m_view->endUpdate(); }

private:
    CalendarView *m_view;
};

} // namespace

CalendarStatusesUpdater::CalendarStatusesUpdater(QObject *parent, QAbstractItemModel *model, EventsManager *manager,
                                                 CalendarView *view, int year, int status, int trailStatus)
    : CalendarStatusesUpdater(parent, model, manager, static_cast<StatusesTarget *>(nullptr), year, status, trailStatus)
{
    m_ownTarget = std::make_unique<CalendarViewTarget>(view);
    m_calendarView = m_ownTarget.get();
}

CalendarStatusesUpdater::~CalendarStatusesUpdater() = default;

CalendarStatusesUpdater::CalendarStatusesUpdater(QObject *parent, QAbstractItemModel *model, EventsManager *manager,
                                                 StatusesTarget *target, int year, int status, int trailStatus)
    : QObject(parent), m_eventsManager(manager), m_model(model), m_calendarView(target), m_year(year), m_status(status),
      m_trailStatus(trailStatus)
{
    m_timer.setInterval(kIntervalMSecs);
    if (manager) {
        // Additions go to the end of the list: the places held stay right.
        connect(manager, &EventsManager::eventAboutToRemove, this,
                [this] { m_listChange = QByteArrayLiteral("Event has been removed during update"); });
        connect(manager, &EventsManager::layoutChanged, this,
                [this] { m_listChange = QByteArrayLiteral("Events have changed during update"); });
    }
    connect(&m_timer, &QTimer::timeout, this, &CalendarStatusesUpdater::step);
}

void CalendarStatusesUpdater::start()
{
    stop();
    if (m_model->rowCount() > 0) {
        // The rows are read on the ticks: opening the editor starts and stops runs before its
        // window is shown, and each would read every event the panel keeps.
        m_initPending = true;
        m_calendarYear = m_calendarView->viewportYear();
        QR_ASSERT(m_calendarYear != 0);
        m_timer.start();
        return;
    }
    m_calendarView->beginUpdate();
    m_calendarView->clearStatus(m_status);
    m_calendarView->clearStatus(m_trailStatus);
    m_calendarView->endUpdate();
}

void CalendarStatusesUpdater::stop()
{
    m_timer.stop();
    emit finished();
}

void CalendarStatusesUpdater::init()
{
    m_events.clear();
    m_next = 0;
    m_rowsRead = 0;
    m_dates.clear();
    m_trailDates.clear();
    m_datesPublished = false;
    m_listChange.clear();
}

bool CalendarStatusesUpdater::readRows(const QElapsedTimer &slice)
{
    // The rows are read in slices too: reading every row the panel keeps at once held the window
    // after each change of a large list.
    const int rows = m_model->rowCount();
    const int count = m_eventsManager->count();
    while (m_rowsRead < rows) {
        const int index = m_model->index(m_rowsRead++, 0).data(EventIndexRole).toInt();
        QR_ASSERT(index >= 0 && index < count);
        if (index >= 0 && index < count)
            m_events << index;
        if (m_rowsRead % 256 == 0 && slice.elapsed() >= m_sliceMSecs)
            return m_rowsRead >= rows;
    }
    return true;
}

void CalendarStatusesUpdater::step()
{
    ++m_ticks;
    if (m_initPending) {
        m_initPending = false;
        init();
    }
    const QDate from(m_year - 1, 1, 1);
    const QDate to(m_year + 1, 12, 31);
    if (m_calendarYear != m_calendarView->viewportYear()) {
        QR_LOG("Calendar year has been changed during update");
        stop();
        return;
    }
    if (!m_listChange.isEmpty()) {
        QR_LOG(m_listChange);
        stop();
        return;
    }
    QElapsedTimer slice;
    slice.start();
    if (!readRows(slice)) {
        m_longestSliceNSecs = qMax(m_longestSliceNSecs, slice.nsecsElapsed());
        return;
    }
    if (m_next < m_events.count()) {
        // As many events as fit in the slice: ten per tick made a large calendar wait for
        // half a minute before its marks showed.
        do {
            const AbstractCommonEventPtr &event = m_eventsManager->eventAt(m_events.at(m_next++));
            const QList<QDate> dates = event->occurrences(from, to);
            const qint64 length = event->period().lengthInDays();
            for (const QDate &date : dates) {
                m_dates.insert(date);
                for (qint64 k = 1; k <= length; ++k)
                    m_trailDates.insert(date.addDays(k));
            }
        } while (m_next < m_events.count() && slice.elapsed() < m_sliceMSecs);
        m_longestSliceNSecs = qMax(m_longestSliceNSecs, slice.nsecsElapsed());
        return;
    }
    publish();
}

void CalendarStatusesUpdater::publish()
{
    if (!m_datesPublished) {
        // A day on which an occurrence begins shows the clock, never the trail.
        for (const QDate &date : std::as_const(m_dates))
            m_trailDates.remove(date);
        m_datesPublished = true;
        if (!m_dates.isEmpty()) {
            m_calendarView->beginUpdate();
            m_calendarView->setStatus(m_dates, m_status);
            m_dates.clear();
            return; // the trail follows on the next tick
        }
        m_calendarView->beginUpdate();
        m_calendarView->clearStatus(m_status);
        m_calendarView->endUpdate();
    }
    m_calendarView->beginUpdate();
    if (!m_trailDates.isEmpty()) {
        m_calendarView->setStatus(m_trailDates, m_trailStatus);
        m_trailDates.clear();
    } else {
        m_calendarView->clearStatus(m_trailStatus);
        m_calendarView->endUpdate();
    }
    stop();
}

} // namespace EditorPrivate
