#include "core/clock.h"

#include "platform/timezonewatcher.h"

#include <cstdlib>
#include <string>

namespace Common {

namespace ClockPrivate {
// Pinned moment kept in UTC so a TZ change in a test does not shift it.
QDateTime s_pinnedUtc;

// Local time costs the C library a look at the zone file on every call when TZ is unset,
// and making many events asks for it several times each. The answer is reused within
// the same millisecond as long as TZ stays the same.
struct LocalNowCache
{
    qint64 msecs = -1;
    int zoneGeneration = -1;
    std::string tz;
    bool tzSet = false;
    QDateTime value;
    QDate date;
};
thread_local LocalNowCache s_localNow;
} // namespace ClockPrivate

namespace {

const ClockPrivate::LocalNowCache &localNow()
{
    ClockPrivate::LocalNowCache &cache = ClockPrivate::s_localNow;
    // A pinned moment is made local through the same cache, so that a pinned run costs what a real one does.
    const qint64 msecs = ClockPrivate::s_pinnedUtc.isValid() ? ClockPrivate::s_pinnedUtc.toMSecsSinceEpoch()
                                                             : QDateTime::currentMSecsSinceEpoch();
    // Looking TZ up costs a walk over the environment; a zone the program pinned changes only
    // through its watcher, which counts the changes.
    const int generation = TimeZoneWatcher::zoneGeneration();
    if (generation >= 0 && generation == cache.zoneGeneration && msecs == cache.msecs)
        return cache;
    const char *tz = std::getenv("TZ");
    if (msecs != cache.msecs || generation != cache.zoneGeneration || (tz != nullptr) != cache.tzSet ||
        (tz && cache.tz != tz)) {
        cache.value = QDateTime::fromMSecsSinceEpoch(msecs);
        cache.date = cache.value.date();
        cache.msecs = msecs;
        cache.zoneGeneration = generation;
        cache.tzSet = tz != nullptr;
        cache.tz = tz ? tz : "";
    }
    return cache;
}

} // namespace

QDateTime Clock::now()
{
    return localNow().value;
}

QDate Clock::today()
{
    // Sorting the editor's table asks for it for every event.
    return localNow().date;
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
