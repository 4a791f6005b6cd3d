#include "platform/wallclocktimer.h"

#include <QSocketNotifier>

#include <limits>

#ifdef Q_OS_LINUX
#include <sys/timerfd.h>

#include <cerrno>
#include <cstdint>
#include <ctime>
#include <unistd.h>
#endif

namespace WallClockTimerPrivate {

IWallClockTimer::Factory &factory()
{
    static IWallClockTimer::Factory s_factory;
    return s_factory;
}

} // namespace WallClockTimerPrivate

std::unique_ptr<IWallClockTimer> IWallClockTimer::create()
{
    if (const Factory &factory = WallClockTimerPrivate::factory())
        return factory();
    return WallClockTimer::fromEnvironment();
}

void IWallClockTimer::setFactory(Factory factory)
{
    WallClockTimerPrivate::factory() = std::move(factory);
}

std::unique_ptr<WallClockTimer> WallClockTimer::fromEnvironment()
{
    bool ok = false;
    const int msecs = qEnvironmentVariableIntValue(s_pollEnvironment, &ok);
    if (ok && msecs > 0)
        return std::make_unique<WallClockTimer>(Backend::Polling, msecs);
    return std::make_unique<WallClockTimer>();
}

WallClockTimer::WallClockTimer(Backend backend, int recheckMsecs)
    : m_recheckMsecs(qMax(1, recheckMsecs)), m_recheck(this)
{
    m_recheck.setSingleShot(true);
    connect(&m_recheck, &QTimer::timeout, this, &WallClockTimer::onRecheck);
#ifdef Q_OS_LINUX
    if (backend == Backend::Automatic)
        m_fd = ::timerfd_create(CLOCK_REALTIME, TFD_NONBLOCK | TFD_CLOEXEC);
    if (m_fd >= 0) {
        m_notifier = std::make_unique<QSocketNotifier>(m_fd, QSocketNotifier::Read);
        connect(m_notifier.get(), &QSocketNotifier::activated, this, &WallClockTimer::onFdReadable);
    }
#else
    Q_UNUSED(backend)
#endif
}

WallClockTimer::~WallClockTimer()
{
    m_notifier.reset();
#ifdef Q_OS_LINUX
    if (m_fd >= 0)
        ::close(m_fd);
#endif
}

void WallClockTimer::start(const QDateTime &at)
{
    m_target = at;
    m_active = true;
    resetDrift();
    arm();
}

void WallClockTimer::stop()
{
    m_active = false;
    m_recheck.stop();
#ifdef Q_OS_LINUX
    if (m_fd >= 0) {
        const itimerspec off{};
        ::timerfd_settime(m_fd, 0, &off, nullptr);
    }
#endif
}

void WallClockTimer::arm()
{
    const qint64 now = QDateTime::currentMSecsSinceEpoch();
    // An invalid time never comes; the fallback still watches the clock.
    const qint64 target = m_target.isValid() ? m_target.toMSecsSinceEpoch() : std::numeric_limits<qint64>::max();
#ifdef Q_OS_LINUX
    if (m_fd >= 0) {
        // The kernel wakes the timer at its time, after a resume and when the clock is set: nothing
        // to look at in between.
        itimerspec spec{};
        // A zero value would disarm; a time before the epoch is simply due. Without a time, the
        // last second of year 9999: never, yet armed.
        const qint64 msecs = m_target.isValid() ? qMax<qint64>(target, 1) : Q_INT64_C(253402300799000);
        spec.it_value.tv_sec = time_t(msecs / 1000);
        spec.it_value.tv_nsec = long(msecs % 1000) * 1000000L;
        if (::timerfd_settime(m_fd, TFD_TIMER_ABSTIME | TFD_TIMER_CANCEL_ON_SET, &spec, nullptr) == 0)
            return;
        // Refused (a time beyond what the kernel takes): looked at in steps instead.
    }
#endif
    if (target <= now) {
        m_recheck.start(0);
        return;
    }
    // Without the kernel's timer the wall clock is looked at by the monotonic one, in steps.
    m_recheck.start(int(qMin<qint64>(target - now, m_recheckMsecs)));
}

void WallClockTimer::onFdReadable()
{
#ifdef Q_OS_LINUX
    uint64_t expirations = 0;
    const ssize_t read = ::read(m_fd, &expirations, sizeof expirations);
    if (!m_active)
        return;
    if (read == ssize_t(sizeof expirations)) {
        fire();
        return;
    }
    if (read < 0 && errno == ECANCELED) {
        // The clock was set: the kernel dropped the timer's pending state; set it anew. Hosts of
        // virtual machines set it by a few milliseconds many times a second: only a shift as large
        // as the fallback's counts as a change, or every look would go over all events each time.
        const qint64 now = QDateTime::currentMSecsSinceEpoch();
        const bool moved = qAbs((now - m_wallAtStart) - m_monotonic.elapsed()) >= s_driftMsecs;
        if (moved)
            resetDrift();
        if (m_target.isValid() && now >= m_target.toMSecsSinceEpoch()) {
            fire();
            return;
        }
        arm();
        if (moved)
            emit clockChanged();
    }
#endif
}

void WallClockTimer::onRecheck()
{
    if (!m_active)
        return;
    const qint64 now = QDateTime::currentMSecsSinceEpoch();
    if (m_target.isValid() && now >= m_target.toMSecsSinceEpoch()) {
        fire();
        return;
    }
    const qint64 drift = (now - m_wallAtStart) - m_monotonic.elapsed();
    if (qAbs(drift) >= s_driftMsecs) {
        resetDrift();
        arm();
        emit clockChanged();
        return;
    }
    arm();
}

void WallClockTimer::fire()
{
    stop();
    emit timeout();
}

void WallClockTimer::resetDrift()
{
    m_wallAtStart = QDateTime::currentMSecsSinceEpoch();
    m_monotonic.start();
}
