#include "fakewallclocktimer.h"

#include "core/clock.h"

#include <climits>

FakeWallClockTimer::FakeWallClockTimer()
{
    m_timer.setSingleShot(true);
    connect(&m_timer, &QTimer::timeout, this, &FakeWallClockTimer::fireNow);
}

FakeWallClockTimer::~FakeWallClockTimer() = default;

void FakeWallClockTimer::start(const QDateTime &at)
{
    m_target = at;
    m_active = true;
    const qint64 msecs = Common::Clock::now().msecsTo(at);
    m_timer.start(int(qBound(qint64(0), msecs, qint64(INT_MAX))));
}

void FakeWallClockTimer::stop()
{
    m_active = false;
    m_timer.stop();
}

void FakeWallClockTimer::clockJumped()
{
    if (!m_active)
        return;
    if (Common::Clock::now() >= m_target) {
        fireNow();
        return;
    }
    start(m_target);
    emit clockChanged();
}

void FakeWallClockTimer::fireNow()
{
    stop();
    emit timeout();
}

void FakeWallClockTimer::install()
{
    IWallClockTimer::setFactory([] { return std::make_unique<FakeWallClockTimer>(); });
}
