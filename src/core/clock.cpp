#include "core/clock.h"

namespace Common {

namespace ClockPrivate {
// Pinned moment kept in UTC so a TZ change in a test does not shift it.
QDateTime s_pinnedUtc;
} // namespace ClockPrivate

QDateTime Clock::now()
{
    if (ClockPrivate::s_pinnedUtc.isValid())
        return ClockPrivate::s_pinnedUtc.toLocalTime();
    return QDateTime::currentDateTime();
}

QDate Clock::today()
{
    return now().date();
}

QDateTime Clock::nowUtc()
{
    if (ClockPrivate::s_pinnedUtc.isValid())
        return ClockPrivate::s_pinnedUtc;
    return QDateTime::currentDateTimeUtc();
}

void Clock::pin(const QDateTime &at)
{
    ClockPrivate::s_pinnedUtc = at.toUTC();
}

void Clock::advance(qint64 msecs)
{
    if (!ClockPrivate::s_pinnedUtc.isValid())
        ClockPrivate::s_pinnedUtc = QDateTime::currentDateTimeUtc();
    ClockPrivate::s_pinnedUtc = ClockPrivate::s_pinnedUtc.addMSecs(msecs);
}

void Clock::unpin()
{
    ClockPrivate::s_pinnedUtc = QDateTime();
}

bool Clock::isPinned()
{
    return ClockPrivate::s_pinnedUtc.isValid();
}

} // namespace Common
