#include "editor/calendarstatusesupdater.h"

#include "core/log.h"
#include "store/eventitemrole.h"
#include "store/eventsmanager.h"
#include "widgets/calendar/calendarview.h"

#include <QAbstractProxyModel>

#include <limits>
#include <utility>

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
        connect(manager, &EventsManager::eventAdded, this, &CalendarStatusesUpdater::onEventAdded);
        connect(manager, &EventsManager::eventAboutToRemove, this, &CalendarStatusesUpdater::onEventAboutToRemove);
        connect(manager, &EventsManager::eventChanged, this, &CalendarStatusesUpdater::onEventChanged);
        connect(manager, &EventsManager::layoutChanged, this, [this] {
            if (m_counted || !isIdle())
                restart();
        });
    }
    connect(&m_timer, &QTimer::timeout, this, &CalendarStatusesUpdater::step);
}

void CalendarStatusesUpdater::start()
{
    stop();
    m_counted = false;
    if (m_model->rowCount() > 0) {
        // The rows are read on the ticks: opening the editor starts and stops runs before its
        // window is shown, and each would read every event the panel keeps.
        m_initPending = true;
        m_calendarYear = m_calendarView->viewportYear();
        QR_ASSERT(m_calendarYear != 0);
        m_timer.start();
        return;
    }
    init();
    m_counted = true;
    m_calendarView->beginUpdate();
    m_calendarView->clearStatus(m_status);
    m_calendarView->clearStatus(m_trailStatus);
    m_calendarView->endUpdate();
}

void CalendarStatusesUpdater::stop()
{
    m_timer.stop();
    m_restartPending = false;
    emit finished();
}

void CalendarStatusesUpdater::restart()
{
    // Places read so far may no longer be those of the same events.
    m_timer.stop();
    m_counted = false;
    m_changed.clear();
    if (m_restartPending)
        return;
    m_restartPending = true;
    // The models over the list follow the change in their own slots, some connected after this one.
    QMetaObject::invokeMethod(
        this,
        [this] {
            if (m_restartPending)
                start();
        },
        Qt::QueuedConnection);
}

void CalendarStatusesUpdater::init()
{
    m_events.clear();
    m_next = 0;
    m_rowsRead = 0;
    m_marks.assign(size_t(m_eventsManager ? m_eventsManager->count() : 0), Marks());
    m_days.clear();
    m_unusedDays = 0;
    m_clockCounts.assign(size_t(QDate(m_year - 1, 1, 1).daysTo(QDate(m_year + 1, 12, 31)) + 1), 0);
    m_trailCounts.clear();
    m_shownClock.clear();
    m_shownTrail.clear();
    m_changed.clear();
    m_datesPublished = false;
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
    if (m_calendarYear != m_calendarView->viewportYear()) {
        QR_LOG("Calendar year has been changed during update");
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
        do
            count(m_events.at(m_next++));
        while (m_next < m_events.count() && slice.elapsed() < m_sliceMSecs);
        m_longestSliceNSecs = qMax(m_longestSliceNSecs, slice.nsecsElapsed());
        return;
    }
    m_events = QList<int>();
    publish();
}

void CalendarStatusesUpdater::count(int index)
{
    const QDate from(m_year - 1, 1, 1);
    const AbstractCommonEventPtr &event = m_eventsManager->eventAt(index);
    const QList<QDate> dates = event->occurrences(from, QDate(m_year + 1, 12, 31));
    ++m_eventsRead;
    Marks &marks = m_marks[size_t(index)];
    marks.first = quint32(m_days.size());
    marks.count = quint16(dates.size());
    marks.length =
        qint32(qBound(qint64(0), event->period().lengthInDays(), qint64(std::numeric_limits<qint32>::max())));
    for (const QDate &date : dates) {
        const qint64 day = from.daysTo(date);
        if (!QR_CHECK(day >= 0 && day < qint64(m_clockCounts.size()))) {
            --marks.count;
            continue;
        }
        m_days.push_back(quint16(day));
        ++m_clockCounts[size_t(day)];
        for (qint64 k = 1; k <= marks.length; ++k)
            ++m_trailCounts[date.toJulianDay() + k];
    }
}

void CalendarStatusesUpdater::uncount(int index)
{
    const qint64 from = QDate(m_year - 1, 1, 1).toJulianDay();
    Marks &marks = m_marks[size_t(index)];
    for (quint32 i = marks.first; i < marks.first + marks.count; ++i) {
        const quint16 day = m_days[i];
        --m_clockCounts[day];
        for (qint64 k = 1; k <= marks.length; ++k) {
            const auto found = m_trailCounts.find(from + day + k);
            if (found != m_trailCounts.end() && --found.value() <= 0)
                m_trailCounts.erase(found);
        }
    }
    m_unusedDays += marks.count;
    marks = Marks();
}

QSet<QDate> CalendarStatusesUpdater::shownDates(bool trail) const
{
    const QDate from(m_year - 1, 1, 1);
    QSet<QDate> dates;
    if (!trail) {
        for (size_t day = 0; day < m_clockCounts.size(); ++day) {
            if (m_clockCounts[day] > 0)
                dates.insert(from.addDays(qint64(day)));
        }
        return dates;
    }
    // A day on which an occurrence begins shows the clock, never the trail.
    for (auto it = m_trailCounts.cbegin(); it != m_trailCounts.cend(); ++it) {
        const qint64 day = it.key() - from.toJulianDay();
        if (it.value() > 0 && (day < 0 || day >= qint64(m_clockCounts.size()) || m_clockCounts[size_t(day)] == 0))
            dates.insert(QDate::fromJulianDay(it.key()));
    }
    return dates;
}

void CalendarStatusesUpdater::show(const QSet<QDate> &dates, int status)
{
    m_calendarView->beginUpdate();
    if (!dates.isEmpty()) {
        m_calendarView->setStatus(dates, status);
        return;
    }
    m_calendarView->clearStatus(status);
    m_calendarView->endUpdate();
}

void CalendarStatusesUpdater::publish()
{
    if (!m_datesPublished) {
        m_datesPublished = true;
        m_shownClock = shownDates(false);
        show(m_shownClock, m_status);
        if (!m_shownClock.isEmpty())
            return; // the trail follows on the next tick
    }
    m_shownTrail = shownDates(true);
    show(m_shownTrail, m_trailStatus);
    m_counted = true;
    stop();
}

void CalendarStatusesUpdater::onEventAdded(int index)
{
    if (!m_counted || index != int(m_marks.size())) {
        if (m_counted || !isIdle())
            restart();
        return;
    }
    m_marks.push_back(Marks());
    onEventChanged(index);
}

void CalendarStatusesUpdater::onEventAboutToRemove(int index)
{
    if (!m_counted || index < 0 || index >= int(m_marks.size())) {
        if (m_counted || !isIdle())
            restart();
        return;
    }
    uncount(index);
    m_marks.erase(m_marks.begin() + index);
    m_changed.removeAll(index);
    for (int &changed : m_changed) {
        if (changed > index)
            --changed;
    }
    // Shown once the removal is over.
    onEventChanged(-1);
}

void CalendarStatusesUpdater::onEventChanged(int index)
{
    if (!m_counted || index >= int(m_marks.size())) {
        if (m_counted || !isIdle())
            restart();
        return;
    }
    if (index >= 0 && !m_changed.contains(index))
        m_changed << index;
    if (m_applyPending)
        return;
    m_applyPending = true;
    // After the panel's filter has taken the change in.
    QMetaObject::invokeMethod(
        this, [this] { applyChanges(); }, Qt::QueuedConnection);
}

bool CalendarStatusesUpdater::isShown(int index, bool *known) const
{
    // The panel's filter over a model with a row for each event of the list, or that model itself.
    auto *proxy = qobject_cast<QAbstractProxyModel *>(m_model);
    const QAbstractItemModel *rows = proxy ? proxy->sourceModel() : m_model;
    const QModelIndex row = rows ? rows->index(index, 0) : QModelIndex();
    *known = row.isValid() && row.data(EventIndexRole).toInt() == index;
    return *known && (!proxy || proxy->mapFromSource(row).isValid());
}

void CalendarStatusesUpdater::applyChanges()
{
    m_applyPending = false;
    if (!m_counted)
        return;
    if (int(m_marks.size()) != m_eventsManager->count()) {
        restart();
        return;
    }
    const QList<int> changed = std::exchange(m_changed, {});
    for (int index : changed) {
        bool known = false;
        const bool shown = isShown(index, &known);
        if (!known) {
            restart();
            return;
        }
        uncount(index);
        if (shown)
            count(index);
    }
    if (m_unusedDays > 4096 && m_unusedDays > m_days.size() / 2) {
        std::vector<quint16> days;
        days.reserve(m_days.size() - m_unusedDays);
        for (Marks &marks : m_marks) {
            const quint32 first = quint32(days.size());
            days.insert(days.end(), m_days.begin() + marks.first, m_days.begin() + marks.first + marks.count);
            marks.first = first;
        }
        m_days.swap(days);
        m_unusedDays = 0;
    }
    const QSet<QDate> clock = shownDates(false);
    const QSet<QDate> trail = shownDates(true);
    if (clock != m_shownClock) {
        m_shownClock = clock;
        show(clock, m_status);
    }
    if (trail != m_shownTrail) {
        m_shownTrail = trail;
        show(trail, m_trailStatus);
    }
}

} // namespace EditorPrivate
