#include "store/icalzone.h"

#include "store/icalrule.h"

#include <QHash>
#include <QMap>

#include <algorithm>
#include <iterator>
#include <limits>
#include <mutex>

// The yearly rule of a zone change as writers give it: one month, and either the n-th
// (or last) weekday of it, a weekday among some days of it, or one day of it.
struct ICalZone::Rule
{
    bool valid = false;
    int month = 0;
    int weekday = 0; // 1 = Monday; 0 = a fixed day of the month
    int ordinal = 0; // n-th weekday, negative from the end; 0 = among monthDays
    QList<int> monthDays;
    QDateTime until; // a UTC moment; invalid = no end
    bool untilIsWall = false;
    int count = 0; // 0 = no count
    // The part's moments as milliseconds of their wall-clock readings, for the many readings
    // a file's times take: its start, the start's time of day, its extra dates, the end.
    qint64 start = 0;
    int startYear = 0;
    qint64 startTime = 0;
    QList<qint64> rdates;
    qint64 untilMoment = 0;
    int untilYear = 0;
};

using YearlyRule = ICalZone::Rule;

namespace {

QDateTime readStamp(const QString &text, bool *wall)
{
    QString value = text;
    *wall = !value.endsWith(QLatin1Char('Z'), Qt::CaseInsensitive);
    if (!*wall)
        value.chop(1);
    const QDate date = QDate::fromString(value.left(8), QStringLiteral("yyyyMMdd"));
    QTime time(23, 59, 59);
    if (value.size() == 15)
        time = QTime::fromString(value.mid(9), QStringLiteral("hhmmss"));
    else if (value.size() != 8)
        return {};
    return date.isValid() && time.isValid() ? QDateTime(date, time, Qt::UTC) : QDateTime();
}

YearlyRule readRule(const QString &text, const QDate &start)
{
    YearlyRule rule;
    QMap<QString, QString> parts;
    if (!readICalRuleParts(text, &parts))
        return rule;
    if (parts.take(QStringLiteral("FREQ")) != QLatin1String("YEARLY"))
        return rule;
    const QString interval = parts.take(QStringLiteral("INTERVAL"));
    if (!interval.isEmpty() && interval != QLatin1String("1"))
        return rule;
    bool ok = true;
    rule.month = start.month();
    if (parts.contains(QStringLiteral("BYMONTH")))
        rule.month = parts.take(QStringLiteral("BYMONTH")).toInt(&ok);
    if (!ok || rule.month < 1 || rule.month > 12)
        return rule;
    for (const QString &day : parts.take(QStringLiteral("BYMONTHDAY")).split(QLatin1Char(','), Qt::SkipEmptyParts)) {
        const int n = day.toInt(&ok);
        if (!ok || n < 1 || n > 31)
            return rule;
        rule.monthDays << n;
    }
    const QString byDay = parts.take(QStringLiteral("BYDAY"));
    if (!byDay.isEmpty()) {
        if (byDay.contains(QLatin1Char(',')) || byDay.size() < 2)
            return rule;
        rule.weekday = iCalWeekday(QStringView(byDay).right(2));
        const QString number = byDay.left(byDay.size() - 2);
        if (!number.isEmpty()) {
            rule.ordinal = number.toInt(&ok);
            if (!ok || rule.ordinal == 0 || rule.ordinal < -5 || rule.ordinal > 5)
                return rule;
        }
        if (rule.weekday == 0 || (rule.ordinal == 0 && rule.monthDays.isEmpty()) ||
            (rule.ordinal != 0 && !rule.monthDays.isEmpty()))
            return rule;
    } else if (rule.monthDays.size() > 1) {
        return rule;
    } else if (rule.monthDays.isEmpty()) {
        rule.monthDays << start.day();
    }
    if (parts.contains(QStringLiteral("UNTIL"))) {
        rule.until = readStamp(parts.take(QStringLiteral("UNTIL")), &rule.untilIsWall);
        if (!rule.until.isValid())
            return rule;
    }
    if (parts.contains(QStringLiteral("COUNT"))) {
        rule.count = parts.take(QStringLiteral("COUNT")).toInt(&ok);
        if (!ok || rule.count < 1)
            return rule;
    }
    parts.remove(QStringLiteral("WKST"));
    rule.valid = parts.isEmpty();
    return rule;
}

// The day the rule names in a year; invalid when that month has none.
QDate ruleDate(const YearlyRule &rule, int year)
{
    const QDate first(year, rule.month, 1);
    if (rule.weekday == 0)
        return QDate(year, rule.month, rule.monthDays.first());
    if (rule.ordinal == 0) {
        for (int day : rule.monthDays) {
            const QDate date(year, rule.month, day);
            if (date.isValid() && date.dayOfWeek() == rule.weekday)
                return date;
        }
        return {};
    }
    if (rule.ordinal > 0) {
        const QDate date = first.addDays((rule.weekday - first.dayOfWeek() + 7) % 7 + 7 * (rule.ordinal - 1));
        return date.month() == rule.month ? date : QDate();
    }
    const QDate last(year, rule.month, first.daysInMonth());
    const QDate date = last.addDays(-((last.dayOfWeek() - rule.weekday + 7) % 7) + 7 * (rule.ordinal + 1));
    return date.month() == rule.month ? date : QDate();
}

} // namespace

bool ICalZone::parseOffset(QStringView text, int *seconds)
{
    text = text.trimmed();
    if ((text.size() != 5 && text.size() != 7) || (text[0] != QLatin1Char('+') && text[0] != QLatin1Char('-')))
        return false;
    int parts[3] = {0, 0, 0};
    for (qsizetype i = 1; i < text.size(); ++i) {
        if (!text[i].isDigit())
            return false;
        parts[(i - 1) / 2] = parts[(i - 1) / 2] * 10 + text[i].digitValue();
    }
    if (parts[0] > 23 || parts[1] > 59 || parts[2] > 59)
        return false;
    *seconds = (text[0] == QLatin1Char('-') ? -1 : 1) * (parts[0] * 3600 + parts[1] * 60 + parts[2]);
    return true;
}

ICalZone::ICalZone() = default;
ICalZone::~ICalZone() = default;
ICalZone::ICalZone(const ICalZone &other) = default;
ICalZone &ICalZone::operator=(const ICalZone &other) = default;

// Real zones have a handful of parts; the cap keeps a made-up one from making every
// time in the file slow to read.
constexpr int kMaxObservances = 64;

void ICalZone::addObservance(const Observance &observance)
{
    Rule rule = observance.rrule.isEmpty() ? Rule() : readRule(observance.rrule, observance.start.date());
    rule.start = observance.start.toMSecsSinceEpoch();
    rule.startYear = observance.start.date().year();
    rule.startTime = observance.start.time().msecsSinceStartOfDay();
    for (const QDateTime &wall : observance.rdates) {
        if (wall.isValid()) // one that is not moves nothing
            rule.rdates << wall.toMSecsSinceEpoch();
    }
    if (rule.until.isValid()) {
        rule.untilMoment = rule.until.toMSecsSinceEpoch();
        rule.untilYear = rule.until.date().year();
    }
    if (!observance.start.isValid() || (!observance.rrule.isEmpty() && !rule.valid) ||
        m_observances.size() >= kMaxObservances)
        m_usable = false;
    if (!m_usable)
        return;
    m_observances.append(observance);
    m_rules.append(rule);
    m_changes = std::make_shared<Changes>(); // copies made before keep theirs
    // The larger offset gives the earlier moment, so readings try them in that order.
    for (int offset : {observance.offsetTo, observance.offsetFrom}) {
        if (!m_offsets.contains(offset))
            m_offsets.insert(std::upper_bound(m_offsets.begin(), m_offsets.end(), offset, std::greater<int>()), offset);
    }
}

bool ICalZone::isUsable() const
{
    return m_usable && !m_observances.isEmpty();
}

qint64 ICalZone::lastOnset(const Observance &observance, const Rule &rule, qint64 utc, int year) const
{
    constexpr qint64 kDay = 24 * 3600 * 1000;
    constexpr qint64 kFirstDay = 2440588; // the Julian day of 1 January 1970
    const qint64 from = qint64(observance.offsetFrom) * 1000;
    qint64 best = kNoOnset;
    const auto consider = [&](qint64 wall) {
        const qint64 onset = wall - from;
        if (onset <= utc && onset > best)
            best = onset;
    };
    consider(rule.start);
    for (const qint64 wall : rule.rdates)
        consider(wall);
    if (!rule.valid)
        return best;
    // A rule that ended long ago had its last change in the year it ended.
    year += 1;
    if (rule.until.isValid())
        year = qMin(year, rule.untilYear);
    if (rule.count > 0)
        year = qMin(year, rule.startYear + rule.count - 1);
    for (int y = year; y >= year - 2 && y >= rule.startYear; --y) {
        const QDate date = ruleDate(rule, y);
        if (!date.isValid())
            continue;
        const qint64 wall = (date.toJulianDay() - kFirstDay) * kDay + rule.startTime;
        if (wall < rule.start)
            continue;
        if (rule.until.isValid() && (rule.untilIsWall ? wall : wall - from) > rule.untilMoment)
            continue;
        consider(wall);
    }
    return best;
}

int ICalZone::offsetFromParts(qint64 utc) const
{
    const int year = QDateTime::fromMSecsSinceEpoch(utc, Qt::UTC).date().year();
    const Observance *current = nullptr;
    qint64 currentOnset = kNoOnset;
    int earliest = -1;
    for (int i = 0; i < m_observances.size(); ++i) {
        const Observance &o = m_observances[i];
        const qint64 onset = lastOnset(o, m_rules[i], utc, year);
        if (onset != kNoOnset && onset > currentOnset) {
            currentOnset = onset;
            current = &o;
        }
        if (earliest < 0 || m_rules[i].start < m_rules[earliest].start)
            earliest = i;
    }
    if (current)
        return current->offsetTo;
    return earliest >= 0 ? m_observances[earliest].offsetFrom : 0;
}

struct ICalZone::Changes
{
    std::mutex mutex;
    qint64 from = 0; // the milliseconds since 1970 the list covers
    qint64 to = 0;
    QList<std::pair<qint64, int>> list; // the offset from each moment on, the first at from
};

// The parts read a moment by its year and the changes around it, so the offset can change
// only at a change of a part or at the start of a year: it is read there, and holds between.
void ICalZone::findChanges(Changes &changes, qint64 utc) const
{
    constexpr qint64 kDay = 24 * 3600 * 1000;
    constexpr qint64 kFirstDay = 2440588; // the Julian day of 1 January 1970
    constexpr qint64 kAround = 20 * 366 * kDay;
    const bool known = !changes.list.isEmpty();
    const qint64 from = qMin(known ? changes.from : utc, utc - kAround);
    const qint64 to = qMax(known ? changes.to : utc, utc + kAround);
    const auto yearOf = [](qint64 moment) { return QDateTime::fromMSecsSinceEpoch(moment, Qt::UTC).date().year(); };
    const int firstYear = yearOf(from) - 1, lastYear = yearOf(to) + 1;
    std::vector<qint64> moments;
    for (int y = firstYear; y <= lastYear; ++y)
        moments.push_back((QDate(y, 1, 1).toJulianDay() - kFirstDay) * kDay);
    for (int i = 0; i < m_observances.size(); ++i) {
        const Rule &rule = m_rules[i];
        const qint64 before = qint64(m_observances[i].offsetFrom) * 1000;
        moments.push_back(rule.start - before);
        for (const qint64 wall : rule.rdates)
            moments.push_back(wall - before);
        for (int y = qMax(firstYear, rule.startYear); rule.valid && y <= lastYear; ++y) {
            const QDate date = ruleDate(rule, y);
            if (date.isValid())
                moments.push_back((date.toJulianDay() - kFirstDay) * kDay + rule.startTime - before);
        }
    }
    std::sort(moments.begin(), moments.end());
    QList<std::pair<qint64, int>> list{{from, offsetFromParts(from)}};
    for (const qint64 moment : moments) {
        if (moment <= from || moment >= to)
            continue;
        const int offset = offsetFromParts(moment);
        if (offset != list.last().second)
            list.append({moment, offset});
    }
    changes.from = from;
    changes.to = to;
    changes.list = list;
}

int ICalZone::offsetAt(const QDateTime &utc) const
{
    const qint64 moment = utc.toMSecsSinceEpoch();
    if (!m_changes)
        return offsetFromParts(moment);
    std::lock_guard<std::mutex> lock(m_changes->mutex);
    if (m_changes->list.isEmpty() || moment < m_changes->from || moment >= m_changes->to)
        findChanges(*m_changes, moment);
    const auto &list = m_changes->list;
    const auto next = std::upper_bound(list.cbegin(), list.cend(), moment,
                                       [](qint64 at, const auto &change) { return at < change.first; });
    return std::prev(next)->second;
}

QList<std::pair<qint64, int>> ICalZone::changes(const QDateTime &fromUtc, const QDateTime &toUtc) const
{
    QList<std::pair<qint64, int>> result;
    if (!m_changes)
        return result; // no parts: one offset all through
    const qint64 from = fromUtc.toMSecsSinceEpoch(), to = toUtc.toMSecsSinceEpoch();
    offsetAt(fromUtc);
    offsetAt(toUtc); // both ends found
    std::lock_guard<std::mutex> lock(m_changes->mutex);
    for (const auto &change : std::as_const(m_changes->list)) {
        if (change.first > from && change.first <= to)
            result.append({change.first / 1000, change.second});
    }
    return result;
}

QDateTime ICalZone::toUtc(const QDate &date, const QTime &time) const
{
    const QDateTime wall(date, time, Qt::UTC);
    for (int offset : std::as_const(m_offsets)) {
        const QDateTime utc = wall.addSecs(-offset);
        if (offsetAt(utc) == offset)
            return utc;
    }
    return wall.addSecs(-offsetAt(wall.addDays(-1)));
}

// A zone's changes over a span, as read so far: finding them takes many readings, and
// a file's series ask for the same years.
struct ICalSourceZone::Cache
{
    std::mutex mutex;
    QDateTime from;
    QDateTime to;
    Offsets offsets;
};

ICalSourceZone::ICalSourceZone(const ICalZone &zone)
    : m_own(std::make_shared<const ICalZone>(zone)), m_cache(std::make_shared<Cache>())
{
}

QDateTime ICalSourceZone::toUtc(const QDate &date, const QTime &time) const
{
    if (m_own)
        return m_own->toUtc(date, time);
    if (m_system.isValid())
        return toUtc(date, time, m_system);
    return QDateTime(date, time, Qt::UTC);
}

QDateTime ICalSourceZone::toUtc(const QDate &date, const QTime &time, const QTimeZone &zone)
{
    const QDateTime wall(date, time, Qt::UTC);
    const int before = zone.offsetFromUtc(wall.addDays(-1));
    const QDateTime dt(date, time, zone);
    if (!dt.isValid())
        return wall.addSecs(-before);
    // In a repeated hour the offset before the change gives the earlier moment, which Qt
    // does not always choose.
    if (before > dt.offsetFromUtc()) {
        const QDateTime earlier = wall.addSecs(-before);
        if (zone.offsetFromUtc(earlier) == before)
            return earlier;
    }
    return dt.toUTC();
}

QByteArray ICalSourceZone::key() const
{
    if (m_own)
        return "file:" + QByteArray::number(quintptr(m_own.get()), 16);
    return m_system.isValid() ? m_system.id() : QByteArrayLiteral("file:UTC");
}

QDateTime ICalSourceZone::wallClock(const QDateTime &utc) const
{
    if (m_own)
        return utc.toUTC().addSecs(m_own->offsetAt(utc.toUTC()));
    if (!m_system.isValid())
        return utc.toUTC();
    const QDateTime there = utc.toTimeZone(m_system);
    return QDateTime(there.date(), there.time(), Qt::UTC);
}

namespace {

// The changes of a zone the system knows are read once per import span, for all its series.
std::shared_ptr<ICalSourceZone::Cache> systemCache(const QByteArray &id)
{
    static std::mutex mutex;
    static QHash<QByteArray, std::shared_ptr<ICalSourceZone::Cache>> caches;
    std::lock_guard<std::mutex> lock(mutex);
    // Bounded, as a file may name many zones; a list is small and quickly read again.
    if (caches.size() >= 64 && !caches.contains(id))
        caches.clear();
    std::shared_ptr<ICalSourceZone::Cache> &cache = caches[id];
    if (!cache)
        cache = std::make_shared<ICalSourceZone::Cache>();
    return cache;
}

} // namespace

ICalSourceZone::Offsets ICalSourceZone::offsets(const QDateTime &fromUtc, const QDateTime &toUtc) const
{
    constexpr qint64 kBefore = std::numeric_limits<qint64>::min();
    if (!m_own && !m_system.isValid())
        return {{kBefore, 0}};
    const std::shared_ptr<Cache> cache = m_own ? m_cache : systemCache(m_system.id());
    std::lock_guard<std::mutex> lock(cache->mutex);
    if (cache->from.isValid() && cache->from <= fromUtc && toUtc <= cache->to)
        return cache->offsets;
    // The years around are read with the span, as a file's other series ask for them next.
    const QDateTime from = (cache->from.isValid() ? qMin(fromUtc, cache->from) : fromUtc).addYears(-4);
    const QDateTime to = (cache->to.isValid() ? qMax(toUtc, cache->to) : toUtc).addYears(4);
    Offsets &list = cache->offsets;
    cache->from = from;
    cache->to = to;
    if (!m_own) {
        list = {{kBefore, m_system.offsetFromUtc(from)}};
        for (const QTimeZone::OffsetData &change : m_system.transitions(from, to))
            list.append({change.atUtc.toSecsSinceEpoch(), change.offsetFromUtc});
        return list;
    }
    list = {{kBefore, m_own->offsetAt(from)}};
    list.append(m_own->changes(from, to));
    return list;
}

static bool startsAfter(qint64 moment, const std::pair<qint64, int> &span)
{
    return moment < span.first;
}

qint64 ICalSourceZone::toUtc(const Offsets &offsets, qint64 wall)
{
    // The first span the reading falls in; between two (a skipped hour), the offset before.
    // Offsets are less than a day, so no span that ended a day before the reading holds it.
    const auto later = std::upper_bound(offsets.cbegin(), offsets.cend(), wall - 24 * 3600, startsAfter);
    for (qsizetype i = qMax<qsizetype>(0, later - offsets.cbegin() - 1); i < offsets.size(); ++i) {
        const qint64 utc = wall - offsets[i].second;
        if (i + 1 < offsets.size() && utc >= offsets[i + 1].first)
            continue;
        return utc >= offsets[i].first || i == 0 ? utc : wall - offsets[i - 1].second;
    }
    return wall;
}

qint64 ICalSourceZone::toWall(const Offsets &offsets, qint64 utc)
{
    const auto it = std::upper_bound(offsets.cbegin(), offsets.cend(), utc, startsAfter);
    return utc + (it == offsets.cbegin() ? 0 : std::prev(it)->second);
}

int iCalDigits(QStringView text, qsizetype from, qsizetype count)
{
    int n = 0;
    for (qsizetype i = from; i < from + count; ++i) {
        const char16_t c = text[i].unicode();
        if (c < u'0' || c > u'9')
            return -1;
        n = n * 10 + (c - u'0');
    }
    return n;
}
