#include "store/icalrule.h"

#include "events/occurrence.h"
#include "store/icalzone.h"

#include <QCoreApplication>
#include <QList>
#include <QMap>
#include <QStringList>
#include <QTimeZone>

#include <algorithm>
#include <iterator>
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
bool readDay(const QString &text, int *ordinal, int *weekday)
{
    if (text.size() < 2)
        return false;
    *weekday = iCalWeekday(QStringView(text).right(2));
    const QString number = text.left(text.size() - 2);
    bool ok = true;
    *ordinal = number.isEmpty() ? 0 : number.toInt(&ok);
    return ok && *weekday != 0 && (number.isEmpty() || *ordinal != 0);
}

// The last date of an ended series as the model keeps it: a day. An UNTIL earlier in
// the day than the start's time ends the series the day before.
QString untilDay(const QString &value, const QDateTime &start, bool *ok)
{
    QString text = value;
    const bool utc = text.endsWith(QLatin1Char('Z'));
    if (utc)
        text.chop(1);
    const QDate date = QDate::fromString(text.left(8), QStringLiteral("yyyyMMdd"));
    *ok = date.isValid();
    if (!*ok || text.size() == 8)
        return date.toString(QStringLiteral("yyyyMMdd"));
    const QTime time = QTime::fromString(text.mid(9), QStringLiteral("hhmmss"));
    *ok = text.size() == 15 && text.at(8) == QLatin1Char('T') && time.isValid();
    if (!*ok)
        return QString();
    QDateTime until(date, time, utc ? Qt::UTC : Qt::LocalTime);
    until = until.toTimeZone(start.timeZone());
    QDate last = until.date();
    if (until.time() < start.time())
        last = last.addDays(-1);
    return qMax(last, start.date()).toString(QStringLiteral("yyyyMMdd"));
}

// Most rules are only a kind, a step and a count, which the model reads as written;
// checking that without building maps keeps large imports fast.
bool isPlain(QStringView rule)
{
    bool haveFreq = false;
    for (QStringView piece : rule.split(QLatin1Char(';'))) {
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
void foldSetPosition(QMap<QString, QString> *parts, const QString &freq)
{
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

bool readICalRuleParts(const QString &rule, QMap<QString, QString> *parts)
{
    parts->clear();
    for (const QString &piece : rule.split(QLatin1Char(';'), Qt::SkipEmptyParts)) {
        const qsizetype eq = piece.indexOf(QLatin1Char('='));
        if (eq <= 0)
            return false;
        const QString key = piece.left(eq).trimmed().toUpper();
        if (!key.startsWith(QLatin1String("X-")))
            parts->insert(key, piece.mid(eq + 1).trimmed().toUpper());
    }
    return true;
}

ICalRuleFit fitICalRule(const QString &rule, const QDateTime &start)
{
    if (start.isValid() && isPlain(rule))
        return {rule, QString()};
    QMap<QString, QString> parts;
    if (!readICalRuleParts(rule, &parts))
        return refused(tr("its rule cannot be read"));
    const QString freq = parts.take(QStringLiteral("FREQ"));
    if (freq == QLatin1String("HOURLY") || freq == QLatin1String("MINUTELY") || freq == QLatin1String("SECONDLY"))
        return refused(tr("it repeats more than once a day"));
    static const QStringList kinds = {QStringLiteral("DAILY"), QStringLiteral("WEEKLY"), QStringLiteral("MONTHLY"),
                                      QStringLiteral("YEARLY")};
    if (!kinds.contains(freq) || !start.isValid())
        return refused(tr("its rule cannot be read"));
    foldSetPosition(&parts, freq);
    if (parts.contains(QStringLiteral("BYSETPOS")))
        return refused(tr("its rule picks some of its dates, such as the last weekday of a month"));

    const QDate day = start.date();
    const QTime time = start.time();
    // A time of day part only says again when the start is.
    const std::pair<const char *, int> timeParts[] = {
        {"BYHOUR", time.hour()}, {"BYMINUTE", time.minute()}, {"BYSECOND", time.second()}};
    for (const auto &[name, value] : timeParts) {
        const QString key = QLatin1String(name);
        if (!parts.contains(key))
            continue;
        bool ok = false;
        if (parts.take(key).toInt(&ok) != value || !ok)
            return refused(tr("it repeats more than once a day or at another time than its start"));
    }

    QStringList out{QStringLiteral("FREQ=") + freq};
    int interval = 1;
    if (parts.contains(QStringLiteral("INTERVAL"))) {
        bool ok = false;
        const QString value = parts.take(QStringLiteral("INTERVAL"));
        interval = value.toInt(&ok);
        if (!ok || interval < 1)
            return refused(tr("its rule cannot be read"));
        if (interval > 99)
            return cannotKeep(QStringLiteral("INTERVAL"), value);
        out << QStringLiteral("INTERVAL=") + value;
    }
    if (parts.contains(QStringLiteral("UNTIL"))) {
        bool ok = false;
        const QString until = untilDay(parts.take(QStringLiteral("UNTIL")), start, &ok);
        if (!ok)
            return refused(tr("its rule cannot be read"));
        out << QStringLiteral("UNTIL=") + until;
    }
    if (parts.contains(QStringLiteral("COUNT"))) {
        bool ok = false;
        const QString count = parts.take(QStringLiteral("COUNT"));
        if (count.toInt(&ok) < 1 || !ok)
            return refused(tr("its rule cannot be read"));
        out << QStringLiteral("COUNT=") + count;
    }

    QList<int> weekdays;
    QList<int> ordinals;
    const QString byDay = parts.take(QStringLiteral("BYDAY"));
    for (const QString &entry : byDay.split(QLatin1Char(','), Qt::SkipEmptyParts)) {
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
            return {out.join(QLatin1Char(';')), QString()};
        if (ordinals.count(0) != ordinals.size())
            return cannotKeep(QStringLiteral("BYDAY"), byDay);
        // Every n-th day on some weekdays is no week rule; every day on some weekdays is one.
        if (freq == QLatin1String("DAILY") && interval > 1)
            return cannotKeep(QStringLiteral("BYDAY"), byDay);
        // Weeks start on Monday in the model; another start only matters when a step skips weeks.
        if (!wkst.isEmpty() && wkst != QLatin1String("MO") && interval > 1 && weekdays.size() > 1)
            return cannotKeep(QStringLiteral("WKST"), wkst);
        if (!weekdays.contains(day.dayOfWeek()))
            return refused(tr("its first date is not one of the dates its rule gives"));
        out[0] = QStringLiteral("FREQ=WEEKLY");
        out << QStringLiteral("BYDAY=") + byDay;
        return {out.join(QLatin1Char(';')), QString()};
    }

    bool yearly = freq == QLatin1String("YEARLY");
    // Month days without a month repeat in every month of the year.
    if (yearly && byMonth.isEmpty() && !byMonthDay.isEmpty()) {
        if (interval > 1)
            return cannotKeep(QStringLiteral("BYMONTHDAY"), byMonthDay);
        out[0] = QStringLiteral("FREQ=MONTHLY");
        yearly = false;
    }
    if (!byMonth.isEmpty()) {
        if (!yearly || byMonth.toInt() != day.month())
            return cannotKeep(QStringLiteral("BYMONTH"), byMonth);
        out << QStringLiteral("BYMONTH=") + byMonth;
    }
    if (!byMonthDay.isEmpty() && (byMonthDay.toInt() != day.day() || !weekdays.isEmpty()))
        return cannotKeep(QStringLiteral("BYMONTHDAY"), byMonthDay);
    if (weekdays.isEmpty())
        return {out.join(QLatin1Char(';')), QString()};
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
    out << QStringLiteral("BYDAY=") + byDay;
    return {out.join(QLatin1Char(';')), QString()};
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
    const QDate date = QDate::fromString(text.left(8), QStringLiteral("yyyyMMdd"));
    const QTime time = QTime::fromString(text.mid(9), QStringLiteral("hhmmss"));
    if (!date.isValid() || !time.isValid())
        return {};
    return utc ? QDateTime(date, time, Qt::UTC) : zone.toUtc(date, time);
}

QString utcStamp(const QDateTime &moment)
{
    return moment.toString(QStringLiteral("yyyyMMdd'T'hhmmss")) + QLatin1Char('Z');
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
qint64 seconds(const QDate &date, const QTime &time)
{
    constexpr qint64 kFirstDay = 2440588; // 1 January 1970
    return (date.toJulianDay() - kFirstDay) * 24 * 3600 + time.msecsSinceStartOfDay() / 1000;
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

// What differs between the file's dates here and the kept ones: each date of the file is set
// against the nearest kept one it lacks, within a week, which tells how much later or earlier
// it is; the rest are dates of one of them only. Counted among a series' dates when it ends
// (of), else a year.
QString differences(const std::vector<qint64> &fileOnly, const std::vector<qint64> &hereOnly, int of, qint64 days)
{
    constexpr qint64 kDay = 24 * 3600;
    Shifts hours, wholeDays;
    std::vector<bool> paired(hereOnly.size(), false);
    int unpaired = 0;
    for (const qint64 moment : fileOnly) {
        const auto at = std::lower_bound(hereOnly.begin(), hereOnly.end(), moment) - hereOnly.begin();
        qint64 best = -1;
        for (qint64 i = at - 1; i >= 0 && best < 0; --i)
            best = paired[size_t(i)] ? -1 : i;
        for (qint64 i = at; i < qint64(hereOnly.size()); ++i) {
            if (paired[size_t(i)])
                continue;
            if (best < 0 || hereOnly[size_t(i)] - moment < moment - hereOnly[size_t(best)])
                best = i;
            break;
        }
        const qint64 shift = best < 0 ? 0 : moment - hereOnly[size_t(best)];
        if (best < 0 || qAbs(shift) > 7 * kDay) {
            ++unpaired;
            continue;
        }
        paired[size_t(best)] = true;
        (qAbs(shift) < kDay ? hours : wholeDays).add(shift);
    }
    const int extra = int(std::count(paired.begin(), paired.end(), false));
    const auto often = [&](int count) {
        if (of > 0)
            return count == 1 ? tr("1 of its %1 dates").arg(of) : tr("%1 of its %2 dates").arg(count).arg(of);
        const int perYear = qMax(1, qRound(count * 365.25 / qMax<qint64>(1, days)));
        return perYear == 1 ? tr("1 date a year") : tr("%1 dates a year").arg(perYear);
    };
    QStringList parts;
    for (const Shifts *shifts : {&hours, &wholeDays}) {
        if (shifts->count > 0)
            parts << tr("on %1 the file has it %2").arg(often(shifts->count), shifts->text());
    }
    if (unpaired > 0)
        parts << tr("on %1 the file has it but it does not repeat here").arg(often(unpaired));
    if (extra > 0) {
        const QString count = of > 0 ? (extra == 1 ? tr("1 date") : tr("%1 dates").arg(extra)) : often(extra);
        parts << tr("it also repeats here on %1 that the file does not have").arg(count);
    }
    return parts.join(QLatin1String("; "));
}

} // namespace

ICalRuleFit fitICalRule(const QString &rule, const ICalWallTime &start, const QDateTime &local)
{
    const QTimeZone here = local.timeZone();
    if (!local.isValid() || !start.date.isValid() || start.zone.sameAs(here))
        return fitICalRule(rule, local);
    // The rule as it reads in its own zone, and the same rule moved to the local first date.
    const int shift = int(start.date.daysTo(local.date()));
    QStringList own, moved;
    for (const QString &piece : rule.split(QLatin1Char(';'), Qt::SkipEmptyParts)) {
        const qsizetype eq = piece.indexOf(QLatin1Char('='));
        const QString key = piece.left(eq).trimmed().toUpper();
        const QString value = piece.mid(eq + 1).trimmed().toUpper();
        QString ownValue = value, movedValue = value;
        if (eq > 0 && key == QLatin1String("UNTIL")) {
            const QDateTime until = untilMoment(value, start.zone);
            const QDate day = QDate::fromString(value, QStringLiteral("yyyyMMdd"));
            if (until.isValid()) {
                ownValue = utcStamp(start.zone.wallClock(until));
                movedValue = utcStamp(until);
            } else if (day.isValid()) {
                movedValue = day.addDays(shift).toString(QStringLiteral("yyyyMMdd"));
            }
        } else if (eq > 0 && shift != 0 && key == QLatin1String("BYDAY")) {
            QStringList days;
            for (const QString &entry : value.split(QLatin1Char(',')))
                days << shiftedDay(entry, shift, local.date());
            movedValue = days.join(QLatin1Char(','));
        } else if (eq > 0 && shift != 0 && key == QLatin1String("BYMONTHDAY") && value.toInt() == start.date.day()) {
            movedValue = QString::number(local.date().day());
        } else if (eq > 0 && shift != 0 && key == QLatin1String("BYMONTH") && value.toInt() == start.date.month()) {
            movedValue = QString::number(local.date().month());
        }
        own << (eq > 0 ? key + QLatin1Char('=') + ownValue : piece);
        moved << (eq > 0 ? key + QLatin1Char('=') + movedValue : piece);
    }
    // Wall-clock readings in UTC spec, so that the UNTIL written as one compares with them.
    const ICalRuleFit ownFit = fitICalRule(own.join(QLatin1Char(';')), wallKey(start.date, start.time));
    if (ownFit.rule.isEmpty())
        return ownFit;
    ICalRuleFit movedFit = fitICalRule(moved.join(QLatin1Char(';')), local);

    // Both series over the same local days: the file's dates where they fall here, and the
    // model's. Readings are seconds, through each zone's offsets over the span.
    QDate localEnd = local.date().addYears(kCompareYears);
    const QDateTime from(start.date.addDays(-2), QTime(0, 0), Qt::UTC);
    const QDateTime to(localEnd.addDays(2), QTime(0, 0), Qt::UTC);
    const ICalSourceZone::Offsets there = start.zone.offsets(from, to);
    const ICalSourceZone::Offsets ours = ICalSourceZone(here).offsets(from, to);
    // Two zones with one and the same offset all through (UTC and a UTC system) read every
    // date alike: no date can differ, and the series need not be read.
    const bool alike = there.size() == 1 && ours.size() == 1 && there.front().second == ours.front().second;
    if (alike && !movedFit.rule.isEmpty())
        return movedFit;
    const Occurrence series = Occurrence::fromRRule(start.date, ownFit.rule);
    std::vector<qint64> reference;
    bool ended = true;
    for (QDate date = series.nextDate(start.date); date.isValid(); date = series.nextDate(date.addDays(1))) {
        // A daily rule shows within a year all that its clock changes do.
        if (date > localEnd.addDays(2 - shift) || reference.size() == kMaxCompared) {
            ended = false;
            break;
        }
        reference.push_back(ICalSourceZone::toWall(ours, ICalSourceZone::toUtc(there, seconds(date, start.time))));
    }
    if (!ended && reference.size() == kMaxCompared)
        localEnd = QDateTime::fromSecsSinceEpoch(reference.back(), Qt::UTC).date();
    const qint64 endSeconds = seconds(localEnd, QTime(0, 0));
    reference.erase(std::lower_bound(reference.begin(), reference.end(), endSeconds), reference.end());
    std::vector<qint64> kept;
    if (!movedFit.rule.isEmpty()) {
        const Occurrence model = Occurrence::fromRRule(local.date(), movedFit.rule);
        for (QDate date = model.nextDate(local.date()); date.isValid() && date < localEnd;
             date = model.nextDate(date.addDays(1)))
            kept.push_back(seconds(date, local.time()));
    }
    std::vector<qint64> fileOnly, hereOnly;
    std::set_difference(reference.begin(), reference.end(), kept.begin(), kept.end(), std::back_inserter(fileOnly));
    std::set_difference(kept.begin(), kept.end(), reference.begin(), reference.end(), std::back_inserter(hereOnly));
    const int differing = int(qMax(fileOnly.size(), hereOnly.size()));
    if (differing == 0)
        return movedFit;
    // A kept rule with some dates wrong, said, loses less than a series cut to its first date.
    if (!movedFit.rule.isEmpty() && differing < int(reference.size()) - 1) {
        const qint64 days = ended ? 0 : local.date().daysTo(localEnd);
        movedFit.differs = differences(fileOnly, hereOnly, ended ? int(reference.size()) : 0, days);
        return movedFit;
    }
    return refused(tr("in your time zone its dates follow no rule the program can repeat"));
}
