#include "store/icalrule.h"

#include "events/occurrence.h"
#include "store/icalzone.h"

#include <QCoreApplication>
#include <QList>
#include <QMap>
#include <QStringList>
#include <QTimeZone>
#include <QVarLengthArray>

#include <algorithm>
#include <array>
#include <iterator>
#include <limits>
#include <type_traits>
#include <numeric>
#include <utility>
#include <vector>

namespace {

QString tr(const char *text)
{
    return QCoreApplication::translate("EventsImporter", text);
}

ICalRuleFit refused(const QString &problem)
{
    return {QString(), problem};
}

ICalRuleFit cannotKeep(const QString &key, const QString &value)
{
    return refused(tr("the program cannot repeat it exactly (%1)").arg(key + QLatin1Char('=') + value.left(40)));
}

// One BYDAY entry: an optional signed ordinal and a weekday code.
bool readDay(QStringView text, int *ordinal, int *weekday)
{
    if (text.size() < 2)
        return false;
    *weekday = iCalWeekday(text.right(2));
    const QStringView number = text.left(text.size() - 2);
    bool ok = true;
    *ordinal = number.isEmpty() ? 0 : number.toInt(&ok);
    return ok && *weekday != 0 && (number.isEmpty() || *ordinal != 0);
}

QDate ruleDate(QStringView text)
{
    if (text.size() != 8)
        return {};
    const int y = iCalDigits(text, 0, 4), m = iCalDigits(text, 4, 2), d = iCalDigits(text, 6, 2);
    return y < 0 || m < 0 || d < 0 ? QDate() : QDate(y, m, d);
}

QTime ruleTime(QStringView text)
{
    if (text.size() != 6)
        return {};
    const int h = iCalDigits(text, 0, 2), m = iCalDigits(text, 2, 2), s = iCalDigits(text, 4, 2);
    return h < 0 || m < 0 || s < 0 ? QTime() : QTime(h, m, s);
}

// Digits of a number into text, the first at the end; a series' dates are written often.
void putDigits(char16_t *end, int number, int count)
{
    for (int i = 1; i <= count; ++i, number /= 10)
        *(end - i) = char16_t(u'0' + number % 10);
}

QString dayText(const QDate &date)
{
    int y = 0, m = 0, d = 0;
    date.getDate(&y, &m, &d);
    if (y < 0 || y > 9999)
        return QString::asprintf("%04d%02d%02d", y, m, d);
    char16_t text[8];
    putDigits(text + 4, y, 4);
    putDigits(text + 6, m, 2);
    putDigits(text + 8, d, 2);
    return QString(reinterpret_cast<const QChar *>(text), 8);
}

// The last date of an ended series as the model keeps it: a day. An UNTIL earlier in
// the day than the start's time ends the series the day before.
QString untilDay(const QString &value, const QDate &day, const QTime &startTime, const QTimeZone &zone, bool *ok)
{
    QString text = value;
    const bool utc = text.endsWith(QLatin1Char('Z'));
    if (utc)
        text.chop(1);
    const QDate date = ruleDate(QStringView(text).left(8));
    *ok = date.isValid();
    if (!*ok || text.size() == 8)
        return *ok ? dayText(date) : QString();
    const QTime time = ruleTime(QStringView(text).mid(9));
    *ok = text.size() == 15 && text.at(8) == QLatin1Char('T') && time.isValid();
    if (!*ok)
        return QString();
    QDateTime until(date, time, utc ? Qt::UTC : Qt::LocalTime);
    until = until.toTimeZone(zone);
    QDate last = until.date();
    if (until.time() < startTime)
        last = last.addDays(-1);
    return dayText(qMax(last, day));
}

// Most rules are only a kind, a step and a count, which the model reads as written;
// checking that without building maps keeps large imports fast.
bool isPlain(QStringView rule)
{
    bool haveFreq = false;
    for (QStringView piece : rule.tokenize(u';')) {
        const qsizetype eq = piece.indexOf(QLatin1Char('='));
        const QStringView key = piece.left(eq);
        const QStringView value = piece.mid(eq + 1);
        if (eq <= 0 || value.isEmpty())
            return false;
        if (key == QLatin1String("FREQ")) {
            haveFreq = value == QLatin1String("DAILY") || value == QLatin1String("WEEKLY") ||
                       value == QLatin1String("MONTHLY") || value == QLatin1String("YEARLY");
            if (!haveFreq)
                return false;
            continue;
        }
        const bool interval = key == QLatin1String("INTERVAL");
        if ((!interval && key != QLatin1String("COUNT")) || value.size() > (interval ? 2 : 6) ||
            value[0] == QLatin1Char('0'))
            return false;
        for (QChar c : value) {
            if (c < QLatin1Char('0') || c > QLatin1Char('9'))
                return false;
        }
    }
    return haveFreq;
}

// The n-th of a single weekday's dates in a month is that weekday's place in it
// ("BYDAY=FR;BYSETPOS=-1" is "BYDAY=-1FR").
template <class Parts> void foldSetPosition(Parts *parts, const QString &freq)
{
    if (!parts->contains(QStringLiteral("BYSETPOS")))
        return;
    const QString byDay = parts->value(QStringLiteral("BYDAY"));
    const QString byMonth = parts->value(QStringLiteral("BYMONTH"));
    const bool inMonth = freq == QLatin1String("MONTHLY") ||
                         (freq == QLatin1String("YEARLY") && !byMonth.isEmpty() && !byMonth.contains(QLatin1Char(',')));
    bool ok = false;
    const int position = parts->value(QStringLiteral("BYSETPOS")).toInt(&ok);
    if (!inMonth || !ok || position == 0 || byDay.size() != 2 || iCalWeekday(byDay) == 0 ||
        parts->contains(QStringLiteral("BYMONTHDAY")))
        return;
    parts->insert(QStringLiteral("BYDAY"), QString::number(position) + byDay);
    parts->remove(QStringLiteral("BYSETPOS"));
}

} // namespace

int iCalWeekday(QStringView code)
{
    static const char *const names[] = {"MO", "TU", "WE", "TH", "FR", "SA", "SU"};
    for (int i = 0; i < 7; ++i) {
        if (code.compare(QLatin1String(names[i]), Qt::CaseInsensitive) == 0)
            return i + 1;
    }
    return 0;
}

namespace {

// The parts of one rule, as a map of them would hold them: a rule has a handful, which a
// list finds sooner than a tree, and fitting a rule is done for each repeating entry.
class RuleParts
{
public:
    void clear() { m_parts.clear(); }
    bool isEmpty() const { return m_parts.isEmpty(); }
    bool contains(const QString &key) const { return find(key) >= 0; }
    QString value(const QString &key) const
    {
        const qsizetype at = find(key);
        return at < 0 ? QString() : m_parts[at].second;
    }
    void insert(const QString &key, const QString &value)
    {
        const qsizetype at = find(key);
        if (at < 0)
            m_parts.append({key, value});
        else
            m_parts[at].second = value;
    }
    void remove(const QString &key) { take(key); }
    QString take(const QString &key)
    {
        const qsizetype at = find(key);
        if (at < 0)
            return QString();
        const QString value = m_parts[at].second;
        m_parts.remove(at);
        return value;
    }
    // The part first in key order, as a map gives it.
    const std::pair<QString, QString> &firstPart() const
    {
        return *std::min_element(m_parts.cbegin(), m_parts.cend(),
                                 [](const auto &a, const auto &b) { return a.first < b.first; });
    }
    QString firstKey() const { return firstPart().first; }
    QString first() const { return firstPart().second; }

private:
    qsizetype find(const QString &key) const
    {
        for (qsizetype i = 0; i < m_parts.size(); ++i) {
            if (m_parts[i].first == key)
                return i;
        }
        return -1;
    }

    QVarLengthArray<std::pair<QString, QString>, 8> m_parts;
};

bool writtenPlainly(const QString &rule);

template <class Parts> bool readRuleParts(const QString &rule, Parts *parts)
{
    parts->clear();
    if constexpr (std::is_same_v<Parts, RuleParts>) {
        // A rule in upper case without blanks reads as it is written: its parts are its own text,
        // alive while the rule is, and not copied.
        if (writtenPlainly(rule)) {
            for (qsizetype from = 0; from < rule.size();) {
                qsizetype end = rule.indexOf(QLatin1Char(';'), from);
                end = end < 0 ? rule.size() : end;
                const qsizetype eq = QStringView(rule).mid(from, end - from).indexOf(QLatin1Char('='));
                if (eq <= 0)
                    return false;
                if (!QStringView(rule).mid(from).startsWith(QLatin1String("X-")))
                    parts->insert(QString::fromRawData(rule.constData() + from, eq),
                                  QString::fromRawData(rule.constData() + from + eq + 1, end - from - eq - 1));
                from = end + 1;
            }
            return true;
        }
    }
    for (const QStringView piece : QStringView(rule).tokenize(u';', Qt::SkipEmptyParts)) {
        const qsizetype eq = piece.indexOf(QLatin1Char('='));
        if (eq <= 0)
            return false;
        const QString key = piece.left(eq).trimmed().toString().toUpper();
        if (!key.startsWith(QLatin1String("X-")))
            parts->insert(key, piece.mid(eq + 1).trimmed().toString().toUpper());
    }
    return true;
}

} // namespace

bool readICalRuleParts(const QString &rule, QMap<QString, QString> *parts)
{
    return readRuleParts(rule, parts);
}

namespace {
// The zone, which only an UNTIL needs, is asked of zoneOf() then: a local one costs a look-up.
template <typename ZoneOf> ICalRuleFit fitAt(const QString &rule, const QDate &day, const QTime &time, ZoneOf zoneOf)
{
    const bool validStart = day.isValid() && time.isValid();
    RuleParts parts;
    if (!readRuleParts(rule, &parts))
        return refused(tr("its rule cannot be read"));
    const QString freq = parts.take(QStringLiteral("FREQ"));
    if (freq == QLatin1String("HOURLY") || freq == QLatin1String("MINUTELY") || freq == QLatin1String("SECONDLY"))
        return refused(tr("it repeats more than once a day"));
    static const QStringList kinds = {QStringLiteral("DAILY"), QStringLiteral("WEEKLY"), QStringLiteral("MONTHLY"),
                                      QStringLiteral("YEARLY")};
    if (!kinds.contains(freq) || !validStart)
        return refused(tr("its rule cannot be read"));
    foldSetPosition(&parts, freq);
    if (parts.contains(QStringLiteral("BYSETPOS")))
        return refused(tr("its rule picks some of its dates, such as the last weekday of a month"));

    // A time of day part only says again when the start is.
    const std::pair<QString, int> timeParts[] = {{QStringLiteral("BYHOUR"), time.hour()},
                                                 {QStringLiteral("BYMINUTE"), time.minute()},
                                                 {QStringLiteral("BYSECOND"), time.second()}};
    for (const auto &[key, value] : timeParts) {
        if (!parts.contains(key))
            continue;
        bool ok = false;
        if (parts.take(key).toInt(&ok) != value || !ok)
            return refused(tr("it repeats more than once a day or at another time than its start"));
    }

    // The kept rule: its kind, which may change, and the parts after it, written as they are kept.
    QString kind = freq;
    QString kept;
    kept.reserve(rule.size() + 16);
    const auto keep = [&kept](QLatin1String name, const QString &value) {
        kept.append(QLatin1Char(';')).append(name).append(QLatin1Char('=')).append(value);
    };
    const auto fitted = [&kind, &kept] {
        QString text;
        text.reserve(5 + kind.size() + kept.size());
        text.append(QLatin1String("FREQ=")).append(kind).append(kept);
        return ICalRuleFit{text, QString()};
    };
    int interval = 1;
    if (parts.contains(QStringLiteral("INTERVAL"))) {
        bool ok = false;
        const QString value = parts.take(QStringLiteral("INTERVAL"));
        interval = value.toInt(&ok);
        if (!ok || interval < 1)
            return refused(tr("its rule cannot be read"));
        if (interval > 99)
            return cannotKeep(QStringLiteral("INTERVAL"), value);
        keep(QLatin1String("INTERVAL"), value);
    }
    if (parts.contains(QStringLiteral("UNTIL"))) {
        bool ok = false;
        const QString until = untilDay(parts.take(QStringLiteral("UNTIL")), day, time, zoneOf(), &ok);
        if (!ok)
            return refused(tr("its rule cannot be read"));
        keep(QLatin1String("UNTIL"), until);
    }
    if (parts.contains(QStringLiteral("COUNT"))) {
        bool ok = false;
        const QString count = parts.take(QStringLiteral("COUNT"));
        if (count.toInt(&ok) < 1 || !ok)
            return refused(tr("its rule cannot be read"));
        keep(QLatin1String("COUNT"), count);
    }

    QVarLengthArray<int, 7> weekdays;
    QVarLengthArray<int, 7> ordinals;
    const QString byDay = parts.take(QStringLiteral("BYDAY"));
    for (const QStringView entry : QStringView(byDay).tokenize(u',', Qt::SkipEmptyParts)) {
        int ordinal = 0, weekday = 0;
        if (!readDay(entry, &ordinal, &weekday))
            return refused(tr("its rule cannot be read"));
        weekdays << weekday;
        ordinals << ordinal;
    }
    const QString wkst = parts.take(QStringLiteral("WKST"));
    const QString byMonth = parts.take(QStringLiteral("BYMONTH"));
    const QString byMonthDay = parts.take(QStringLiteral("BYMONTHDAY"));
    if (!parts.isEmpty())
        return cannotKeep(parts.firstKey(), parts.first());

    const bool weekly = freq == QLatin1String("WEEKLY") || freq == QLatin1String("DAILY");
    if (weekly) {
        if (!byMonth.isEmpty())
            return cannotKeep(QStringLiteral("BYMONTH"), byMonth);
        if (!byMonthDay.isEmpty())
            return cannotKeep(QStringLiteral("BYMONTHDAY"), byMonthDay);
        if (weekdays.isEmpty())
            return fitted();
        if (std::count(ordinals.cbegin(), ordinals.cend(), 0) != ordinals.size())
            return cannotKeep(QStringLiteral("BYDAY"), byDay);
        // Every n-th day on some weekdays is no week rule; every day on some weekdays is one.
        if (freq == QLatin1String("DAILY") && interval > 1)
            return cannotKeep(QStringLiteral("BYDAY"), byDay);
        // Weeks start on Monday in the model; another start only matters when a step skips weeks.
        if (!wkst.isEmpty() && wkst != QLatin1String("MO") && interval > 1 && weekdays.size() > 1)
            return cannotKeep(QStringLiteral("WKST"), wkst);
        if (!weekdays.contains(day.dayOfWeek()))
            return refused(tr("its first date is not one of the dates its rule gives"));
        kind = QStringLiteral("WEEKLY");
        keep(QLatin1String("BYDAY"), byDay);
        return fitted();
    }

    bool yearly = freq == QLatin1String("YEARLY");
    // Month days without a month repeat in every month of the year.
    if (yearly && byMonth.isEmpty() && !byMonthDay.isEmpty()) {
        if (interval > 1)
            return cannotKeep(QStringLiteral("BYMONTHDAY"), byMonthDay);
        kind = QStringLiteral("MONTHLY");
        yearly = false;
    }
    if (!byMonth.isEmpty()) {
        if (!yearly || byMonth.toInt() != day.month())
            return cannotKeep(QStringLiteral("BYMONTH"), byMonth);
        keep(QLatin1String("BYMONTH"), byMonth);
    }
    if (!byMonthDay.isEmpty() && (byMonthDay.toInt() != day.day() || !weekdays.isEmpty()))
        return cannotKeep(QStringLiteral("BYMONTHDAY"), byMonthDay);
    if (weekdays.isEmpty())
        return fitted();
    // One weekday with its place in the month, which must be the start's own.
    if (weekdays.size() > 1 || ordinals.first() == 0 || (yearly && byMonth.isEmpty()))
        return cannotKeep(QStringLiteral("BYDAY"), byDay);
    const int ordinal = ordinals.first();
    const bool isLast = day.day() + 7 > day.daysInMonth();
    const bool fits =
        weekdays.first() == day.dayOfWeek() &&
        ((ordinal >= 1 && ordinal <= 4 && (day.day() - 1) / 7 + 1 == ordinal) || (ordinal == -1 && isLast));
    if (!fits)
        return cannotKeep(QStringLiteral("BYDAY"), byDay);
    keep(QLatin1String("BYDAY"), byDay);
    return fitted();
}
} // namespace

ICalRuleFit fitICalRule(const QString &rule, const QDateTime &start)
{
    if (start.isValid() && isPlain(rule))
        return {rule, QString()};
    return start.isValid() ? fitAt(rule, start.date(), start.time(), [&start] { return start.timeZone(); })
                           : fitAt(rule, QDate(), QTime(), [] { return QTimeZone(); });
}

ICalRuleFit fitICalRule(const QString &rule, const QDate &day, const QTime &time, const QTimeZone &zone)
{
    if (day.isValid() && time.isValid() && isPlain(rule))
        return {rule, QString()};
    return fitAt(rule, day, time, [&zone] { return zone; });
}

namespace {

// Four years hold every weekday of every date and a leap day.
constexpr int kCompareYears = 4;

// An UNTIL with a time as a UTC moment; a floating one is read in the start's zone.
QDateTime untilMoment(const QString &value, const ICalSourceZone &zone)
{
    const bool utc = value.endsWith(QLatin1Char('Z'));
    const QString text = utc ? value.chopped(1) : value;
    if (text.size() != 15 || text.at(8) != QLatin1Char('T'))
        return {};
    const QDate date = ruleDate(QStringView(text).left(8));
    const QTime time = ruleTime(QStringView(text).mid(9));
    if (!date.isValid() || !time.isValid())
        return {};
    return utc ? QDateTime(date, time, Qt::UTC) : zone.toUtc(date, time);
}

QString utcStamp(const QDateTime &moment)
{
    const QTime time = moment.time();
    QString stamp = dayText(moment.date());
    if (!time.isValid())
        return stamp + QString::asprintf("T%02d%02d%02dZ", time.hour(), time.minute(), time.second());
    char16_t clock[8] = {u'T', 0, 0, 0, 0, 0, 0, u'Z'};
    putDigits(clock + 3, time.hour(), 2);
    putDigits(clock + 5, time.minute(), 2);
    putDigits(clock + 7, time.second(), 2);
    return stamp.append(QStringView(clock, 8));
}

// A BYDAY entry moved by whole days; an ordinal becomes the local first date's own place.
QString shiftedDay(const QString &entry, int shift, const QDate &localStart)
{
    int ordinal = 0, weekday = 0;
    if (!readDay(entry, &ordinal, &weekday))
        return entry;
    static const char *const names[] = {"MO", "TU", "WE", "TH", "FR", "SA", "SU"};
    const QString name = QLatin1String(names[((weekday - 1 + shift) % 7 + 7) % 7]);
    if (ordinal == 0)
        return name;
    if (ordinal < 0 && localStart.day() + 7 > localStart.daysInMonth())
        return QStringLiteral("-1") + name;
    return QString::number((localStart.day() - 1) / 7 + 1) + name;
}

// Local wall-clock readings as UTC-spec date-times, so that an UNTIL written as one compares with them.
QDateTime wallKey(const QDate &date, const QTime &time)
{
    return QDateTime(date, time, Qt::UTC);
}

constexpr size_t kMaxCompared = 400;

// A wall-clock reading as seconds since 1970, as the zones' offsets are counted.
qint64 daySeconds(qint64 julianDay)
{
    constexpr qint64 kFirstDay = 2440588; // 1 January 1970
    return (julianDay - kFirstDay) * 24 * 3600;
}

qint64 seconds(const QDate &date, const QTime &time)
{
    return daySeconds(date.toJulianDay()) + time.msecsSinceStartOfDay() / 1000;
}

// How far the file's dates are from the kept ones, by sign: "1 to 2 hours later".
struct Shifts
{
    int count = 0;
    qint64 least[2] = {0, 0}; // earlier, later
    qint64 most[2] = {0, 0};
    bool some[2] = {false, false};

    void add(qint64 seconds)
    {
        ++count;
        const int later = seconds > 0 ? 1 : 0;
        const qint64 size = qAbs(seconds);
        least[later] = some[later] ? qMin(least[later], size) : size;
        most[later] = some[later] ? qMax(most[later], size) : size;
        some[later] = true;
    }

    // In days, hours or minutes, whichever states every shift whole.
    QString text(qint64 unit, const char *one, const char *many) const
    {
        QStringList parts;
        for (int later : {0, 1}) {
            if (!some[later])
                continue;
            const qint64 from = least[later] / unit, to = most[later] / unit;
            QString amount = from == to && from == 1 ? tr(one) : tr(many).arg(to);
            if (from != to)
                amount = tr("%1 to %2").arg(from).arg(amount);
            parts << (later ? tr("%1 later") : tr("%1 earlier")).arg(amount);
        }
        return parts.join(tr(" or "));
    }

    QString text() const
    {
        const auto whole = [this](qint64 unit) {
            return least[0] % unit == 0 && most[0] % unit == 0 && least[1] % unit == 0 && most[1] % unit == 0;
        };
        if (whole(24 * 3600))
            return text(24 * 3600, "1 day", "%1 days");
        if (whole(3600))
            return text(3600, "1 hour", "%1 hours");
        return text(60, "1 minute", "%1 minutes");
    }
};

// Dates counted over a span as dates a year: the whole is counted once and split by the parts'
// shares, so that they add up to it, each part with any date keeping one at least. Rounded
// apart, they could add up to more.
std::array<int, 4> perYear(const std::array<int, 4> &counts, qint64 days)
{
    const double years = double(qMax<qint64>(1, days)) / 365.25;
    const int sum = std::accumulate(counts.begin(), counts.end(), 0);
    const int some = int(std::count_if(counts.begin(), counts.end(), [](int count) { return count > 0; }));
    const int whole = qMax(some, qRound(sum / years));
    std::array<int, 4> shares{};
    std::array<double, 4> left{};
    int given = 0;
    for (size_t i = 0; i < counts.size(); ++i) {
        const double share = sum > 0 ? double(counts[i]) * whole / sum : 0.0;
        shares[i] = qMax(counts[i] > 0 ? 1 : 0, int(share));
        left[i] = counts[i] > 0 ? share - int(share) : -1.0;
        given += shares[i];
    }
    // The largest remainders gain one each; the largest share gives back what the parts kept at one took.
    for (auto most = std::max_element(left.begin(), left.end()); given < whole && *most >= 0;
         most = std::max_element(left.begin(), left.end()), ++given) {
        ++shares[size_t(most - left.begin())];
        *most = -1.0;
    }
    for (; given > whole; --given)
        --*std::max_element(shares.begin(), shares.end());
    return shares;
}

// What differs between the file's dates here and the kept ones: each date of the file is set
// against the nearest kept one it lacks, within a week, which tells how much later or earlier
// it is; the rest are dates of one of them only. Counted among a series' dates when it ends
// (of), else a year.
QString differences(const std::vector<qint64> &fileOnly, const std::vector<qint64> &hereOnly, int of, qint64 days)
{
    constexpr qint64 kDay = 24 * 3600;
    Shifts hours, wholeDays;
    // Paired kept dates are passed over to the nearest free one on either side, each path
    // shortened as it is walked, so that long series pair in linear time.
    const qint64 n = qint64(hereOnly.size());
    std::vector<qint64> toLeft(static_cast<size_t>(n)), toRight(static_cast<size_t>(n) + 1);
    std::iota(toLeft.begin(), toLeft.end(), 0);
    std::iota(toRight.begin(), toRight.end(), 0);
    const auto free = [](std::vector<qint64> &links, qint64 i, qint64 end) {
        qint64 root = i;
        while (root != end && links[size_t(root)] != root)
            root = links[size_t(root)];
        while (i != end && links[size_t(i)] != i)
            i = std::exchange(links[size_t(i)], root);
        return root;
    };
    int unpaired = 0, pairs = 0;
    for (const qint64 moment : fileOnly) {
        const qint64 at = std::lower_bound(hereOnly.begin(), hereOnly.end(), moment) - hereOnly.begin();
        const qint64 left = at > 0 ? free(toLeft, at - 1, -1) : -1;
        const qint64 right = free(toRight, at, n);
        qint64 best = left;
        if (right < n && (best < 0 || hereOnly[size_t(right)] - moment < moment - hereOnly[size_t(best)]))
            best = right;
        const qint64 shift = best < 0 ? 0 : moment - hereOnly[size_t(best)];
        if (best < 0 || qAbs(shift) > 7 * kDay) {
            ++unpaired;
            continue;
        }
        toLeft[size_t(best)] = best - 1;
        toRight[size_t(best)] = best + 1;
        ++pairs;
        (qAbs(shift) < kDay ? hours : wholeDays).add(shift);
    }
    const int extra = int(n) - pairs;
    std::array<int, 4> counts{hours.count, wholeDays.count, unpaired, extra};
    if (of == 0)
        counts = perYear(counts, days);
    const auto often = [&](int count) {
        if (of > 0)
            return count == 1 ? tr("1 of its %1 dates").arg(of) : tr("%1 of its %2 dates").arg(count).arg(of);
        return count == 1 ? tr("1 date a year") : tr("%1 dates a year").arg(count);
    };
    QStringList parts;
    if (counts[0] > 0)
        parts << tr("on %1 the file has it %2").arg(often(counts[0]), hours.text());
    if (counts[1] > 0)
        parts << tr("on %1 the file has it %2").arg(often(counts[1]), wholeDays.text());
    if (counts[2] > 0)
        parts << tr("on %1 the file has it but it does not repeat here").arg(often(counts[2]));
    if (counts[3] > 0) {
        const QString count = of > 0 ? (extra == 1 ? tr("1 date") : tr("%1 dates").arg(extra)) : often(counts[3]);
        parts << tr("it also repeats here on %1 that the file does not have").arg(count);
    }
    return parts.join(QLatin1String("; "));
}

} // namespace

namespace {

// The dates of day and week rules from a start, as days after it, as the model gives them.
struct DayPattern
{
    std::vector<int> days;
    bool complete = false; // the rule has no dates after these
};

// Beyond the dates compared: four years and some days, or more dates than are compared.
constexpr qint64 kPatternDays = 4 * 366 + 7;

// A series from another zone as compared: its rule, its start there, and here.
struct FitKey
{
    QString rule;
    qint64 day;
    int time;
    QByteArray zone;
    qint64 local;
    QByteArray here;
    bool described;

    bool operator==(const FitKey &other) const
    {
        return day == other.day && time == other.time && local == other.local && described == other.described &&
               rule == other.rule && zone == other.zone && here == other.here;
    }
};

size_t qHash(const FitKey &key, size_t seed = 0)
{
    return qHashMulti(seed, key.rule, key.day, key.time, key.zone, key.local, key.here, key.described);
}

// Room for the moments of a comparison.
struct Scratch
{
    std::vector<qint64> reference, days, kept, fileOnly, hereOnly;
};

// A zone's offsets over a span of UTC moments.
struct ZoneSpan
{
    qint64 from = 0; // seconds since 1970
    qint64 to = 0;
    ICalSourceZone::Offsets offsets;
};

// What a rule reads of its start.
struct RuleReading
{
    bool plain = false;  // kept as written
    bool timed = false;  // an UNTIL or a time of day part: the start's moment
    bool byWeek = false; // a day or week rule
    bool yearly = false;
    bool monthDay = false;
    bool byDay = false;
};

// A start as a timed rule reads it: its moment and clock.
struct TimedKey
{
    QString rule;
    qint64 day;
    int time;
    int spec;
    QByteArray zone;

    bool operator==(const TimedKey &other) const
    {
        return day == other.day && time == other.time && spec == other.spec && rule == other.rule && zone == other.zone;
    }
};

size_t qHash(const TimedKey &key, size_t seed = 0)
{
    return qHashMulti(seed, key.rule, key.day, key.time, key.spec, key.zone);
}

// Names as a rule's reading upper-cases them; one that is not plain ASCII may read as any of
// them, so it counts as naming a moment.
RuleReading readingOf(const QString &rule)
{
    RuleReading reading;
    reading.plain = isPlain(rule);
    const auto is = [](QStringView name, QLatin1String word) {
        if (name.size() != word.size())
            return false;
        for (qsizetype i = 0; i < name.size(); ++i) {
            const char16_t c = name[i].unicode();
            if ((c >= u'a' && c <= u'z' ? c - 32 : c) != char16_t(uchar(word.data()[i])))
                return false;
        }
        return true;
    };
    for (const QStringView part : QStringView(rule).tokenize(u';')) {
        const qsizetype eq = part.indexOf(QLatin1Char('='));
        const QStringView name = part.left(eq).trimmed();
        const bool ascii = std::all_of(name.cbegin(), name.cend(), [](QChar c) { return c.unicode() < 0x80; });
        reading.timed = reading.timed || !ascii || is(name, QLatin1String("UNTIL")) ||
                        is(name, QLatin1String("BYHOUR")) || is(name, QLatin1String("BYMINUTE")) ||
                        is(name, QLatin1String("BYSECOND"));
        reading.monthDay = reading.monthDay || is(name, QLatin1String("BYMONTHDAY"));
        reading.byDay = reading.byDay || is(name, QLatin1String("BYDAY"));
        if (eq > 0 && is(name, QLatin1String("FREQ"))) {
            const QStringView freq = part.mid(eq + 1).trimmed();
            reading.byWeek = freq.compare(QLatin1String("DAILY"), Qt::CaseInsensitive) == 0 ||
                             freq.compare(QLatin1String("WEEKLY"), Qt::CaseInsensitive) == 0;
            reading.yearly = freq.compare(QLatin1String("YEARLY"), Qt::CaseInsensitive) == 0;
        }
    }
    return reading;
}

// A fitted rule as RuleDates reads it.
struct RuleShape
{
    bool moves = false; // a day or week rule: its dates move with the start
    QDate until;        // invalid: none
    QString withoutUntil;
};

} // namespace

struct ICalRuleMemo::Data
{
    // The zone is kept with its answer, so that the zone's key stays its own.
    QHash<FitKey, std::pair<ICalSourceZone, ICalRuleFit>> fits;
    QHash<QString, RuleReading> rules;
    // Fits by rule and what of the start it reads. One table for all rules: most rules of a file
    // come once, and a table each would take room for many fits.
    QHash<std::pair<QString, qint64>, ICalRuleFit> readFits;
    QHash<TimedKey, ICalRuleFit> timedFits;
    QHash<QByteArray, ZoneSpan> zones; // by the zone's key
    Scratch scratch;
    QHash<QString, RuleShape> shapes;
    // By rule without its UNTIL, and the start's weekday.
    QHash<std::pair<QString, int>, std::shared_ptr<const DayPattern>> patterns;
};

ICalRuleMemo::ICalRuleMemo() : m_data(std::make_unique<Data>()) {}

ICalRuleMemo::~ICalRuleMemo() = default;

namespace {

// The dates of a fitted rule from its start, in order, as the model gives them. The dates of
// day and week rules move with their start by whole weeks, so they come from the dates worked
// out for the same rule from a start on the same weekday; an UNTIL does not move and is applied
// here. Past what was worked out, and for other rules, the model is asked.
class RuleDates
{
public:
    RuleDates(const QString &rule, const QDate &start, ICalRuleMemo *memo)
        : m_rule(rule), m_start(start), m_startDay(start.toJulianDay())
    {
        if (memo)
            m_pattern = pattern(memo->data());
    }

    // The next date as a Julian day; kNoDay past the last.
    static constexpr qint64 kNoDay = std::numeric_limits<qint64>::min();
    qint64 next()
    {
        if (m_ended)
            return kNoDay;
        if (m_pattern && m_index < m_pattern->days.size()) {
            m_last = m_startDay + m_pattern->days[m_index++];
            m_ended = m_cut != kNoDay && m_last > m_cut;
            return m_ended ? kNoDay : m_last;
        }
        if (m_pattern && m_pattern->complete) {
            m_ended = true;
            return kNoDay;
        }
        if (!m_model)
            m_model = std::make_unique<Occurrence>(Occurrence::fromRRule(m_start, m_rule));
        const QDate date = m_model->nextDate(m_last == kNoDay ? m_start : QDate::fromJulianDay(m_last + 1));
        m_ended = !date.isValid();
        m_last = m_ended ? kNoDay : date.toJulianDay();
        return m_last;
    }

private:
    std::shared_ptr<const DayPattern> pattern(ICalRuleMemo::Data &data)
    {
        auto shape = data.shapes.constFind(m_rule);
        if (shape == data.shapes.cend())
            shape = data.shapes.insert(m_rule, shapeOf(m_rule));
        if (!shape->moves)
            return nullptr;
        if (shape->until.isValid())
            m_cut = qMax(shape->until, m_start).toJulianDay(); // as the model reads it
        std::shared_ptr<const DayPattern> &known = data.patterns[{shape->withoutUntil, m_start.dayOfWeek()}];
        if (!known) {
            auto found = std::make_shared<DayPattern>();
            const Occurrence model = Occurrence::fromRRule(m_start, shape->withoutUntil);
            for (QDate date = model.nextDate(m_start);; date = model.nextDate(date.addDays(1))) {
                if (!date.isValid()) {
                    found->complete = true;
                    break;
                }
                const qint64 days = m_start.daysTo(date);
                if (days > kPatternDays || found->days.size() > kMaxCompared)
                    break;
                found->days.push_back(int(days));
            }
            known = found;
        }
        return known;
    }

    static RuleShape shapeOf(const QString &rule)
    {
        RuleShape shape;
        QStringList parts;
        for (const QString &part : rule.split(QLatin1Char(';'))) {
            if (part.startsWith(QLatin1String("UNTIL="))) {
                shape.until = ruleDate(QStringView(part).mid(6));
                if (!shape.until.isValid())
                    return {}; // the model's own reading
                continue;
            }
            shape.moves = shape.moves || part == QLatin1String("FREQ=DAILY") || part == QLatin1String("FREQ=WEEKLY");
            parts << part;
        }
        shape.withoutUntil = parts.join(QLatin1Char(';'));
        return shape;
    }

    QString m_rule;
    QDate m_start;
    qint64 m_startDay;
    std::shared_ptr<const DayPattern> m_pattern;
    size_t m_index = 0;
    qint64 m_cut = kNoDay;
    qint64 m_last = kNoDay;
    bool m_ended = false;
    std::unique_ptr<Occurrence> m_model;
};

// Readings through a zone's offsets of moments that rise, as ICalSourceZone::toUtc and toWall
// give them, without a search for each: a moment two days or more from the zone's changes is
// read with the offset of the span it is in; the others as those read them.
class OffsetCursor
{
public:
    explicit OffsetCursor(const ICalSourceZone::Offsets &offsets) : m_offsets(offsets) {}

    qint64 toUtc(qint64 wall)
    {
        constexpr qint64 kMargin = 2 * 24 * 3600; // more than any offset
        const qsizetype at = seek(wall - kMargin);
        if (at + 1 == m_offsets.size() || m_offsets[at + 1].first > wall + kMargin)
            return wall - m_offsets[at].second;
        return ICalSourceZone::toUtc(m_offsets, wall);
    }

    qint64 toWall(qint64 utc) { return utc + m_offsets[seek(utc)].second; }

private:
    // The span that holds the moment: the last that starts at or before it.
    qsizetype seek(qint64 moment)
    {
        while (m_at > 0 && m_offsets[m_at].first > moment)
            --m_at;
        while (m_at + 1 < m_offsets.size() && m_offsets[m_at + 1].first <= moment)
            ++m_at;
        return m_at;
    }

    const ICalSourceZone::Offsets &m_offsets;
    qsizetype m_at = 0;
};

// Two zones whose clocks change at the same moments, each time to offsets as far apart as
// before, read every date of a series alike, but for where their day begins.
bool sameChanges(const ICalSourceZone::Offsets &a, const ICalSourceZone::Offsets &b, qint64 from, qint64 to)
{
    // The span that holds a moment; the next that changes the offset, from i on.
    const auto spanAt = [from](const ICalSourceZone::Offsets &list) {
        return std::upper_bound(list.cbegin(), list.cend(), from,
                                [](qint64 moment, const auto &span) { return moment < span.first; }) -
               list.cbegin() - 1;
    };
    const auto change = [](const ICalSourceZone::Offsets &list, qsizetype i) {
        while (i < list.size() && list[i].second == list[i - 1].second)
            ++i;
        return i;
    };
    qsizetype i = spanAt(a), j = spanAt(b);
    if (i < 0 || j < 0)
        return false;
    const int apart = a[i].second - b[j].second;
    for (i = change(a, i + 1), j = change(b, j + 1);; i = change(a, i + 1), j = change(b, j + 1)) {
        const bool aEnds = i == a.size() || a[i].first >= to;
        const bool bEnds = j == b.size() || b[j].first >= to;
        if (aEnds || bEnds)
            return aEnds && bEnds;
        if (a[i].first != b[j].first || a[i].second - b[j].second != apart)
            return false;
    }
}

// A rule's text read from two starts on the same day gives the same rule unless it names a
// time of day, which each start is checked against.
bool namesTimes(const QString &rule)
{
    // As UTF-16, so that each look is no conversion of the word first: series after series asks.
    for (const char16_t *part : {u"UNTIL", u"BYHOUR", u"BYMINUTE", u"BYSECOND"}) {
        if (rule.contains(QStringView(part)))
            return true;
    }
    return false;
}

// A rule that its parts' reading (trimmed, in upper case, empty ones left out) leaves as it is.
bool writtenPlainly(const QString &rule)
{
    if (rule.isEmpty() || rule.front() == QLatin1Char(';') || rule.back() == QLatin1Char(';'))
        return false;
    char16_t before = 0;
    for (const QChar c : rule) {
        const char16_t u = c.unicode();
        const bool plain = (u >= u'A' && u <= u'Z') || (u >= u'0' && u <= u'9') || u == u'=' || u == u',' ||
                           u == u'-' || u == u'+' || (u == u';' && before != u';');
        if (!plain)
            return false;
        before = u;
    }
    return true;
}

// A zone's offsets over a span, as ICalSourceZone::offsets gives them; with a memo, read for
// the years around once an import, as its series ask for much the same years.
ICalSourceZone::Offsets offsetsOf(const ICalSourceZone &zone, const QByteArray &key, const QDateTime &from,
                                  const QDateTime &to, ICalRuleMemo *memo)
{
    if (!memo)
        return zone.offsets(from, to);
    ZoneSpan &known = memo->data().zones[key];
    if (known.offsets.isEmpty() || from.toSecsSinceEpoch() < known.from || known.to < to.toSecsSinceEpoch()) {
        const QDateTime wideFrom = from.addYears(-4), wideTo = to.addYears(4);
        known.from = wideFrom.toSecsSinceEpoch();
        known.to = wideTo.toSecsSinceEpoch();
        known.offsets = zone.offsets(wideFrom, wideTo);
    }
    return known.offsets;
}

// A rule kept at a local reading the clocks skip on its first date, given in UTC spec.
ICalRuleFit keptAt(const QString &rule, const QDateTime &reading, const QTimeZone &here)
{
    ICalRuleFit fit = fitICalRule(rule, reading.date(), reading.time(), here);
    if (!fit.rule.isEmpty())
        fit.skippedStart = reading;
    return fit;
}

ICalRuleFit compareInZones(const QString &rule, const ICalWallTime &start, const QDateTime &local,
                           const QTimeZone &here, ICalRuleMemo *memo, bool describe)
{
    // The rule as it reads in its own zone, and the same rule moved to the local first date:
    // the rule as written when it is written plainly and nothing in it moves.
    const int shift = int(start.date.daysTo(local.date()));
    const bool asWritten = shift == 0 && writtenPlainly(rule) && !rule.contains(QStringView(u"UNTIL"));
    // Wall-clock readings in UTC spec, so that the UNTIL written as one compares with them.
    QString ownRule = asWritten ? rule : QString(), movedRule = ownRule;
    bool first = true;
    for (const QStringView piece :
         QStringView(rule).left(asWritten ? 0 : rule.size()).tokenize(QLatin1Char(';'), Qt::SkipEmptyParts)) {
        if (!std::exchange(first, false)) {
            ownRule.append(QLatin1Char(';'));
            movedRule.append(QLatin1Char(';'));
        }
        const qsizetype eq = piece.indexOf(QLatin1Char('='));
        if (eq <= 0) {
            ownRule.append(piece);
            movedRule.append(piece);
            continue;
        }
        const QString key = piece.left(eq).trimmed().toString().toUpper();
        const QString value = piece.mid(eq + 1).trimmed().toString().toUpper();
        QString ownValue = value, movedValue = value;
        if (key == QLatin1String("UNTIL")) {
            const QDateTime until = untilMoment(value, start.zone);
            const QDate day = ruleDate(value);
            if (until.isValid()) {
                ownValue = utcStamp(start.zone.wallClock(until));
                movedValue = utcStamp(until);
            } else if (day.isValid()) {
                movedValue = dayText(day.addDays(shift));
            }
        } else if (shift != 0 && key == QLatin1String("BYDAY")) {
            QStringList days;
            for (const QString &entry : value.split(QLatin1Char(',')))
                days << shiftedDay(entry, shift, local.date());
            movedValue = days.join(QLatin1Char(','));
        } else if (shift != 0 && key == QLatin1String("BYMONTHDAY") && value.toInt() == start.date.day()) {
            movedValue = QString::number(local.date().day());
        } else if (shift != 0 && key == QLatin1String("BYMONTH") && value.toInt() == start.date.month()) {
            movedValue = QString::number(local.date().month());
        }
        ownRule.append(key).append(QLatin1Char('=')).append(ownValue);
        movedRule.append(key).append(QLatin1Char('=')).append(movedValue);
    }
    const ICalRuleFit ownFit = fitICalRule(ownRule, wallKey(start.date, start.time), memo);
    if (ownFit.rule.isEmpty())
        return ownFit;
    // Mostly the local first date is the file's, and the rule the same: then so are its dates.
    const bool sameRule = shift == 0 && ownRule == movedRule && !namesTimes(ownRule);
    ICalRuleFit movedFit = sameRule ? ownFit : fitICalRule(movedRule, local, memo);

    // Both series over the same local days: the file's dates where they fall here, and the
    // model's. Readings are seconds, through each zone's offsets over the span.
    QDate localEnd = local.date().addYears(kCompareYears);
    const QDateTime from(start.date.addDays(-2), QTime(0, 0), Qt::UTC);
    const QDateTime to(localEnd.addDays(2), QTime(0, 0), Qt::UTC);
    const ICalSourceZone::Offsets there = offsetsOf(start.zone, start.zone.key(), from, to, memo);
    const ICalSourceZone::Offsets ours = offsetsOf(ICalSourceZone(here), here.id(), from, to, memo);
    // Two zones whose clocks change at the same moments (or never) read every date alike where
    // the first date is on the same day in both: no date can differ, and the series need not be read.
    if (shift == 0 && !movedFit.rule.isEmpty() &&
        sameChanges(there, ours, from.toSecsSinceEpoch(), to.toSecsSinceEpoch())) {
        // But for a first time the clocks skip there, and so here: the next day tells the series' time.
        constexpr qint64 kDay = 24 * 3600;
        const qint64 next = seconds(start.date, start.time) + kDay;
        const qint64 first = seconds(local.date(), local.time());
        const qint64 seriesTime = ICalSourceZone::toWall(ours, ICalSourceZone::toUtc(there, next)) - kDay;
        const QDateTime reading = QDateTime::fromSecsSinceEpoch(seriesTime, Qt::UTC);
        return seriesTime == first || reading.date() != start.date ? movedFit : keptAt(movedRule, reading, here);
    }
    RuleDates series(ownFit.rule, start.date, memo);
    OffsetCursor fromThere(there), toHere(ours);
    // The lists are the memo's, emptied, so that series after series uses the same room.
    Scratch lists;
    Scratch &scratch = memo ? memo->data().scratch : lists;
    std::vector<qint64> &reference = scratch.reference;
    std::vector<qint64> &days = scratch.days; // the file's dates, when the kept rule is the same
    std::vector<qint64> &kept = scratch.kept;
    std::vector<qint64> &fileOnly = scratch.fileOnly;
    std::vector<qint64> &hereOnly = scratch.hereOnly;
    for (std::vector<qint64> *list : {&reference, &days, &kept, &fileOnly, &hereOnly})
        list->clear();
    bool ended = true;
    const qint64 last = localEnd.toJulianDay() + 2 - shift;
    const qint64 wallTime = start.time.msecsSinceStartOfDay() / 1000;
    const qint64 localTime = local.time().msecsSinceStartOfDay() / 1000;
    for (qint64 day = series.next(); day != RuleDates::kNoDay; day = series.next()) {
        // A daily rule shows within a year all that its clock changes do.
        if (day > last || reference.size() == kMaxCompared) {
            ended = false;
            break;
        }
        reference.push_back(toHere.toWall(fromThere.toUtc(daySeconds(day) + wallTime)));
        if (sameRule)
            days.push_back(day);
    }
    if (!ended && reference.size() == kMaxCompared) {
        // Whole years, so that what a season holds counts as often as the years hold it.
        const QDate cut = QDateTime::fromSecsSinceEpoch(reference.back(), Qt::UTC).date();
        int years = kCompareYears;
        while (years > 0 && local.date().addYears(years) > cut)
            --years;
        localEnd = years > 0 ? local.date().addYears(years) : cut;
    }
    const qint64 endSeconds = seconds(localEnd, QTime(0, 0));
    reference.erase(std::lower_bound(reference.begin(), reference.end(), endSeconds), reference.end());

    const qint64 endDay = localEnd.toJulianDay();
    if (sameRule) {
        for (const qint64 day : days) {
            if (day >= endDay)
                break;
            kept.push_back(daySeconds(day) + localTime);
        }
    } else if (!movedFit.rule.isEmpty()) {
        RuleDates model(movedFit.rule, local.date(), memo);
        for (qint64 day = model.next(); day != RuleDates::kNoDay && day < endDay; day = model.next())
            kept.push_back(daySeconds(day) + localTime);
    }
    std::set_difference(reference.begin(), reference.end(), kept.begin(), kept.end(), std::back_inserter(fileOnly));
    std::set_difference(kept.begin(), kept.end(), reference.begin(), reference.end(), std::back_inserter(hereOnly));
    const int differing = int(qMax(fileOnly.size(), hereOnly.size()));
    if (differing == 0)
        return movedFit;
    // A kept rule with some dates wrong, said, loses less than a series cut to its first date.
    if (!movedFit.rule.isEmpty() && differing < int(reference.size()) - 1) {
        const qint64 days = ended ? 0 : local.date().daysTo(localEnd);
        movedFit.datesDiffer = true;
        if (describe)
            movedFit.differs = differences(fileOnly, hereOnly, ended ? int(reference.size()) : 0, days);
        return movedFit;
    }
    return refused(tr("in your time zone its dates follow no rule the program can repeat"));
}

} // namespace

ICalRuleFit fitICalRule(const QString &rule, const ICalWallTime &start, const QDateTime &local, ICalRuleMemo *memo,
                        bool describe)
{
    const QTimeZone here = local.timeZone();
    if (!local.isValid() || !start.date.isValid())
        return fitICalRule(rule, local, memo);
    if (start.zone.sameAs(here))
        return start.date == local.date() && start.time == local.time()
                   ? fitICalRule(rule, local, memo)
                   : keptAt(rule, QDateTime(start.date, start.time, Qt::UTC), here);
    if (!memo)
        return compareInZones(rule, start, local, here, nullptr, describe);
    // A series of the same rule and start in the same zones was compared already.
    const FitKey key{rule,
                     start.date.toJulianDay(),
                     start.time.msecsSinceStartOfDay(),
                     start.zone.key(),
                     local.toMSecsSinceEpoch(),
                     here.id(),
                     describe};
    auto &fits = memo->data().fits;
    const auto known = fits.constFind(key);
    if (known != fits.cend())
        return known->second;
    const ICalRuleFit fit = compareInZones(rule, start, local, here, memo, describe);
    fits.insert(key, {start.zone, fit});
    return fit;
}

ICalRuleFit fitICalRule(const QString &rule, const QDateTime &start, ICalRuleMemo *memo)
{
    if (!memo || !start.isValid())
        return fitICalRule(rule, start);
    auto &rules = memo->data().rules;
    auto reading = rules.find(rule);
    if (reading == rules.end())
        reading = rules.insert(rule, readingOf(rule));
    if (reading->plain)
        return {rule, QString()};
    const QDate day = start.date();
    if (reading->timed) {
        auto &fits = memo->data().timedFits;
        const TimedKey key{rule, day.toJulianDay(), start.time().msecsSinceStartOfDay(), int(start.timeSpec()),
                           start.timeZone().id()};
        auto known = fits.constFind(key);
        if (known == fits.cend())
            known = fits.insert(key, fitICalRule(rule, start));
        return *known;
    }
    // A month day is compared with the start's day; else the day counts only as the
    // weekday's place in the month, and whether it is its last. A month is compared in a
    // yearly rule only, the weekday where the rule names weekdays.
    const bool monthly = !reading->byWeek;
    const qint64 weekday = reading->byDay ? day.dayOfWeek() : 0;
    const qint64 month = reading->yearly ? day.month() : 0;
    const qint64 place = !monthly ? 0 : reading->monthDay ? day.day() : (day.day() - 1) / 7 + 1;
    const qint64 last = monthly && day.day() + 7 > day.daysInMonth() ? 1 : 0;
    const std::pair<QString, qint64> key{rule, ((weekday * 13 + month) * 32 + place) * 2 + last};
    auto &fits = memo->data().readFits;
    auto known = fits.constFind(key);
    if (known == fits.cend())
        known = fits.insert(key, fitICalRule(rule, start));
    return *known;
}
