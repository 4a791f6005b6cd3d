#include "events/occurrencerules.h"

#include "core/applocale.h"
#include "core/jsonobject.h"
#include "core/log.h"

#include <QRegularExpression>

#include <climits>

namespace OccurrencePrivate {

const QString s_version = QStringLiteral("version");
const QString s_step = QStringLiteral("step");
const QString s_endDate = QStringLiteral("endDate");
const QString s_abstractKey = QStringLiteral("abstractOccurenceKey");
const QString s_data = QStringLiteral("data");
const QString s_base = QStringLiteral("base");
const QString s_weekNumber = QStringLiteral("dayOfWeekNumberInMonth");
// The stored end date is the date pattern "yyyyMMddThhmmssZ" applied to a date: the time
// letters stay as they are, so the text always ends in this literal tail.
const QString s_endDateTail = QStringLiteral("ThhmmssZ");

// Beyond this many months from the start (20,000 years) a rule is taken to have no more dates;
// it keeps huge steps read from a file clear of integer overflow.
constexpr qint64 kMaxMonths = 12 * 20000;
// A missing day of the month (29 February with a step that skips leap years) comes back within
// 400 repetitions; this bounds the search even for nonsense input.
constexpr int kMaxMonthTries = 1000;

// A member that holds an object, in the form the rules read.
QVariantMap memberMap(const QVariantMap &map, const QString &name)
{
    return map.value(name).toMap();
}

Common::JsonObject memberMap(const Common::JsonObject &object, const QString &name)
{
    return object.object(name);
}

QString endDateText(const QDate &date)
{
    return date.toString(QStringLiteral("yyyyMMdd")) + s_endDateTail;
}

QDate endDateFromText(const QString &text)
{
    // Years past 9999 are written with more digits; read them back rather than lose the end.
    static const QRegularExpression pattern(QStringLiteral("^(\\d{4,9})(\\d\\d)(\\d\\d)ThhmmssZ$"));
    const QRegularExpressionMatch match = pattern.match(text);
    if (!match.hasMatch())
        return QDate();
    return QDate(match.captured(1).toInt(), match.captured(2).toInt(), match.captured(3).toInt());
}

qint64 monthsBetween(const QDate &from, const QDate &to)
{
    return qint64(to.year() - from.year()) * 12 + to.month() - from.month();
}

int daysInMonth(int year, int month)
{
    static const int days[] = {31, 28, 31, 30, 31, 30, 31, 31, 30, 31, 30, 31};
    return month == 2 && QDate::isLeapYear(year) ? 29 : days[month - 1];
}

// As QDate::addMonths (the day is cut to the month's last day), in constant time: Qt's own
// walks a year at a time, so a rule that started a century ago would get slower every year.
QDate addMonths(const QDate &date, qint64 months)
{
    const qint64 index = qint64(date.year()) * 12 + date.month() - 1 + months;
    const qint64 year = index / 12;
    if (index < 12 || year > 1000000)
        return date.addMonths(
            int(qBound(qint64(INT_MIN), months, qint64(INT_MAX)))); // years before 1 AD: Qt has no year 0
    const int month = int(index % 12) + 1;
    return QDate(int(year), month, qMin(date.day(), daysInMonth(int(year), month)));
}

} // namespace OccurrencePrivate

using namespace OccurrencePrivate;

// ---------------------------------------------------------------------------------------------
// AbstractOccurrence

AbstractOccurrence::AbstractOccurrence(const QDate &startDate, IOccurrence::Type type)
    : m_type(type), m_startDate(startDate)
{
}

QList<QDate> AbstractOccurrence::occurrences(const QDate &beginDate, const QDate &endDate) const
{
    QR_ASSERT(beginDate.isValid());
    QR_ASSERT(endDate.isValid());
    QList<QDate> result;
    QDate date = nextDate(beginDate);
    while (date.isValid() && date <= endDate) {
        result.append(date);
        const QDate next = nextDate(date.addDays(1));
        if (next.isValid() && next <= date) {
            QR_ASSERT(!"next date does not advance");
            break;
        }
        date = next;
    }
    return result;
}

QDate AbstractOccurrence::nextDate(const QDate &from) const
{
    if (!m_startDate.isValid())
        return QDate();
    return nextDateImpl(from <= m_startDate ? m_startDate : from);
}

void AbstractOccurrence::setStep(int step)
{
    m_step = qMax(1, step);
}

QVariant AbstractOccurrence::toJson() const
{
    QVariantMap map;
    map.insert(s_version, 1);
    map.insert(s_step, m_step);
    return map;
}

void AbstractOccurrence::fromJson(const QVariant &value)
{
    load(value.toMap());
}

void AbstractOccurrence::fromJson(const Common::JsonObject &object)
{
    load(object);
}

template <class Map> void AbstractOccurrence::load(const Map &map)
{
    if (!map.contains(s_version))
        return;
    QR_ASSERT(map[s_version].toInt() == 1);
    // A map with a version but no step reads as 0; the arithmetic divides by the step.
    m_step = qMax(1, map.value(s_step).toInt());
}

void AbstractOccurrence::applyRRule(const QMap<QString, QString> &) {}

void AbstractOccurrence::takeSettingsFrom(const AbstractOccurrence &old)
{
    m_step = old.m_step;
}

qint64 AbstractOccurrence::roundUpToStep(qint64 value, qint64 step) const
{
    if (step == -1)
        step = m_step;
    step = qMax<qint64>(1, step);
    qint64 rest = value % step;
    if (rest < 0)
        rest += step;
    return rest == 0 ? 0 : step - rest;
}

// ---------------------------------------------------------------------------------------------
// OccurrenceOnce

OccurrenceOnce::OccurrenceOnce(const QDate &startDate) : AbstractOccurrence(startDate, IOccurrence::Once) {}

void OccurrenceOnce::setStep(int)
{
    QR_ASSERT(false && "not supported by this class");
}

std::unique_ptr<AbstractOccurrence> OccurrenceOnce::clone() const
{
    return std::make_unique<OccurrenceOnce>(*this);
}

QDate OccurrenceOnce::nextDateImpl(const QDate &from) const
{
    return from == m_startDate ? from : QDate();
}

// ---------------------------------------------------------------------------------------------
// AbstractMultipleOccurence

AbstractMultipleOccurence::AbstractMultipleOccurence(const QDate &startDate, IOccurrence::Type type)
    : AbstractOccurrence(startDate, type)
{
}

QDate AbstractMultipleOccurence::nextDate(const QDate &from) const
{
    const QDate date = AbstractOccurrence::nextDate(from);
    if (m_endDate.isValid() && date > m_endDate)
        return QDate();
    return date;
}

QVariant AbstractMultipleOccurence::toJson() const
{
    QVariantMap map;
    map.insert(s_version, 1);
    if (m_endDate.isValid())
        map.insert(s_endDate, endDateText(m_endDate));
    map.insert(s_abstractKey, AbstractOccurrence::toJson());
    return map;
}

void AbstractMultipleOccurence::fromJson(const QVariant &value)
{
    load(value.toMap());
}

void AbstractMultipleOccurence::fromJson(const Common::JsonObject &object)
{
    load(object);
}

template <class Map> void AbstractMultipleOccurence::load(const Map &map)
{
    if (!map.contains(s_version))
        return;
    if (!map.contains(s_abstractKey)) {
        // Earlier flat form: the base's keys at this level.
        AbstractOccurrence::load(map);
        return;
    }
    QR_ASSERT(map[s_version].toInt() == 1);
    m_endDate = map.contains(s_endDate) ? endDateFromText(map.value(s_endDate).toString()) : QDate();
    AbstractOccurrence::load(memberMap(map, s_abstractKey));
}

void AbstractMultipleOccurence::takeSettingsFrom(const AbstractOccurrence &old)
{
    AbstractOccurrence::takeSettingsFrom(old);
    const auto &other = static_cast<const AbstractMultipleOccurence &>(old);
    // An end before the new start would leave a series without a single date.
    if (other.m_endDate.isValid() && other.m_endDate >= m_startDate)
        m_endDate = other.m_endDate;
}

QString AbstractMultipleOccurence::endDateSuffix() const
{
    if (!m_endDate.isValid())
        return QString();
    return QLatin1Char(' ') + tr("till") + QLatin1Char(' ') +
           Common::appLocale().toString(m_endDate, QLocale::ShortFormat);
}

// ---------------------------------------------------------------------------------------------
// OccurrenceDaily

OccurrenceDaily::OccurrenceDaily(const QDate &startDate) : AbstractMultipleOccurence(startDate, IOccurrence::Daily) {}

std::unique_ptr<AbstractOccurrence> OccurrenceDaily::clone() const
{
    return std::make_unique<OccurrenceDaily>(*this);
}

QDate OccurrenceDaily::nextDateImpl(const QDate &from) const
{
    if (m_step == 1)
        return from;
    return from.addDays(roundUpToStep(m_startDate.daysTo(from)));
}

// ---------------------------------------------------------------------------------------------
// OccurrenceWeekly

OccurrenceWeekly::OccurrenceWeekly(const QDate &startDate)
    : AbstractMultipleOccurence(startDate, IOccurrence::Weekly),
      m_days(startDate.isValid() ? dayBit(startDate.dayOfWeek()) : 0),
      m_weekBase(startDate.isValid() ? startDate.addDays(1 - startDate.dayOfWeek()) : QDate())
{
}

QVariant OccurrenceWeekly::toJson() const
{
    QVariantMap map;
    map.insert(s_version, 1);
    map.insert(s_data, m_days);
    map.insert(s_base, AbstractMultipleOccurence::toJson());
    return map;
}

void OccurrenceWeekly::fromJson(const QVariant &value)
{
    load(value.toMap());
}

void OccurrenceWeekly::fromJson(const Common::JsonObject &object)
{
    load(object);
}

template <class Map> void OccurrenceWeekly::load(const Map &map)
{
    if (map.isEmpty())
        return;
    QR_ASSERT(map[s_version].toInt() == 1);
    m_days = map.value(s_data).toInt();
    AbstractMultipleOccurence::load(memberMap(map, s_base));
}

void OccurrenceWeekly::applyRRule(const QMap<QString, QString> &parts)
{
    static const QStringList names = {QStringLiteral("MO"), QStringLiteral("TU"), QStringLiteral("WE"),
                                      QStringLiteral("TH"), QStringLiteral("FR"), QStringLiteral("SA"),
                                      QStringLiteral("SU")};
    const QString byDay = parts.value(QStringLiteral("BYDAY"));
    if (byDay.isEmpty())
        return;
    for (const QString &piece : byDay.split(QLatin1Char(','))) {
        const int index = names.indexOf(piece);
        if (index >= 0)
            m_days |= 1 << index;
    }
}

std::unique_ptr<AbstractOccurrence> OccurrenceWeekly::clone() const
{
    return std::make_unique<OccurrenceWeekly>(*this);
}

void OccurrenceWeekly::takeSettingsFrom(const AbstractOccurrence &old)
{
    AbstractMultipleOccurence::takeSettingsFrom(old);
    m_days |= static_cast<const OccurrenceWeekly &>(old).m_days;
}

QDate OccurrenceWeekly::nextDateImpl(const QDate &from) const
{
    QR_ASSERT(m_days != 0);
    const int days = m_days & 0x7f;
    if (days == 0)
        return QDate();
    qint64 weeks = m_weekBase.daysTo(from) / 7;
    weeks += roundUpToStep(weeks);
    QDate week = m_weekBase.addDays(weeks * 7);
    int first = week < from ? from.dayOfWeek() : 1;
    for (int pass = 0; pass < 2; ++pass) {
        for (int d = first; d <= 7; ++d) {
            if (days & dayBit(d)) {
                const QDate date = week.addDays(d - 1);
                if (date >= from)
                    return date;
            }
        }
        first = 1;
        week = week.addDays(qint64(m_step) * 7);
    }
    return QDate();
}

// ---------------------------------------------------------------------------------------------
// OccurrenceMonthly

OccurrenceMonthly::OccurrenceMonthly(const QDate &startDate, IOccurrence::Type type)
    : AbstractMultipleOccurence(startDate, type), m_weekday(startDate.isValid() ? startDate.dayOfWeek() : 1),
      m_weekNumber(startDate.isValid() ? dayOfWeekNumberInMonth(startDate) : 1)
{
}

QVariant OccurrenceMonthly::toJson() const
{
    QVariantMap map;
    map.insert(s_version, 2);
    map.insert(s_data, m_mode);
    map.insert(s_base, AbstractMultipleOccurence::toJson());
    map.insert(s_weekNumber, m_weekNumber);
    return map;
}

void OccurrenceMonthly::fromJson(const QVariant &value)
{
    load(value.toMap());
}

void OccurrenceMonthly::fromJson(const Common::JsonObject &object)
{
    load(object);
}

template <class Map> void OccurrenceMonthly::load(const Map &map)
{
    if (map.isEmpty())
        return;
    const int version = map.value(s_version).toInt();
    QR_ASSERT(version == 1 || version == 2);
    m_mode = map.value(s_data).toInt();
    if (version > 1)
        setWeekNumber(map.value(s_weekNumber).toInt());
    AbstractMultipleOccurence::load(memberMap(map, s_base));
}

void OccurrenceMonthly::applyRRule(const QMap<QString, QString> &parts)
{
    const auto it = parts.constFind(QStringLiteral("BYDAY"));
    if (it == parts.constEnd())
        return;
    m_mode = WeekdayOfMonth;
    if (it.value().contains(QLatin1String("-1")))
        m_weekNumber = 5;
}

std::unique_ptr<AbstractOccurrence> OccurrenceMonthly::clone() const
{
    return std::make_unique<OccurrenceMonthly>(*this);
}

void OccurrenceMonthly::takeSettingsFrom(const AbstractOccurrence &old)
{
    AbstractMultipleOccurence::takeSettingsFrom(old);
    const auto &other = static_cast<const OccurrenceMonthly &>(old);
    m_mode = other.m_mode;
    // "Last" stays last when the new start is the last such weekday of its month.
    if (other.m_weekNumber == 5 && m_startDate.isValid() &&
        dayOfWeekNumberInMonth(m_startDate) == maxDayOfWeekNumberInMonth(m_startDate))
        m_weekNumber = 5;
}

void OccurrenceMonthly::setWeekNumber(int weekNumber)
{
    // Outside 1..5 the n-th weekday lands in another month and dates would run backwards.
    if (weekNumber >= 1 && weekNumber <= 5)
        m_weekNumber = weekNumber;
}

int OccurrenceMonthly::dayOfWeekNumberInMonth(const QDate &date)
{
    if (!QR_CHECK(date.isValid()))
        return 0;
    return (date.day() - 1) / 7 + 1;
}

int OccurrenceMonthly::maxDayOfWeekNumberInMonth(const QDate &date)
{
    if (!QR_CHECK(date.isValid()))
        return 0;
    const int last = date.day() + (date.daysInMonth() - date.day()) / 7 * 7;
    return (last - 1) / 7 + 1;
}

QDate OccurrenceMonthly::nthWeekdayOfMonth(const QDate &month) const
{
    return nthWeekdayOfMonth(month.year(), month.month());
}

QDate OccurrenceMonthly::nthWeekdayOfMonth(int year, int month) const
{
    const QDate first(year, month, 1);
    const int firstDay = first.dayOfWeek();
    const int delta = m_weekday >= firstDay ? m_weekday - firstDay : 7 - (firstDay - m_weekday);
    int day = 1 + delta;
    if (m_weekNumber > 1) {
        int add = (m_weekNumber - 1) * 7;
        if (day + add > daysInMonth(year, month))
            add -= 7;
        day += add;
    }
    return QDate(year, month, day);
}

// Dates are taken apart once a call: each part asked of a QDate works out the whole date again.
QDate OccurrenceMonthly::nextDateImpl(const QDate &from) const
{
    int startYear = 0, startMonth = 0, startDay = 0, fromYear = 0, fromMonth = 0, fromDay = 0;
    m_startDate.getDate(&startYear, &startMonth, &startDay);
    from.getDate(&fromYear, &fromMonth, &fromDay);
    const qint64 step = monthStep();
    qint64 k = qint64(fromYear - startYear) * 12 + fromMonth - startMonth;
    // The year and month k months after the start; false where addMonths() takes Qt's way.
    const auto monthAfter = [&](qint64 months, int *year, int *month) {
        const qint64 index = qint64(startYear) * 12 + startMonth - 1 + months;
        if (index < 12 || index / 12 > 1000000)
            return false;
        *year = int(index / 12);
        *month = int(index % 12) + 1;
        return true;
    };
    int year = 0, month = 0;
    if (m_mode != WeekdayOfMonth) {
        if (startDay < fromDay)
            ++k;
        k += roundUpToStep(k, step);
        // Months too short for the day are skipped, one repetition at a time.
        for (int tries = 0; tries < kMaxMonthTries && k <= kMaxMonths; ++tries, k += step) {
            if (!monthAfter(k, &year, &month)) {
                const QDate date = addMonths(m_startDate, k);
                if (date.day() == startDay)
                    return date;
            } else if (startDay <= daysInMonth(year, month)) {
                return QDate(year, month, startDay);
            }
        }
        return QDate();
    }
    const auto nth = [&](qint64 months) {
        return monthAfter(months, &year, &month) ? nthWeekdayOfMonth(year, month)
                                                 : nthWeekdayOfMonth(addMonths(m_startDate, months));
    };
    const qint64 k2 = k + roundUpToStep(k, step);
    if (k2 > kMaxMonths)
        return QDate();
    const QDate date = nth(k2);
    int dateYear = 0, dateMonth = 0, dateDay = 0;
    date.getDate(&dateYear, &dateMonth, &dateDay);
    if (dateYear == fromYear && dateMonth == fromMonth && dateDay < fromDay) {
        ++k;
        const qint64 k3 = k + roundUpToStep(k, step);
        if (k3 > kMaxMonths)
            return QDate();
        return nth(k3);
    }
    return date;
}

// ---------------------------------------------------------------------------------------------
// OccurrenceYearly

OccurrenceYearly::OccurrenceYearly(const QDate &startDate) : OccurrenceMonthly(startDate, IOccurrence::Yearly) {}

std::unique_ptr<AbstractOccurrence> OccurrenceYearly::clone() const
{
    return std::make_unique<OccurrenceYearly>(*this);
}
