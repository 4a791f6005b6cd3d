#include "events/period.h"

#include "core/applocale.h"
#include "core/dateconversions.h"
#include "core/jsonobject.h"
#include "core/jsonparser.h"
#include "core/log.h"

#include <QDataStream>
#include <QRegularExpression>

namespace PeriodPrivate {

const QString s_version = QStringLiteral("version");
const QString s_begin = QStringLiteral("begin");
const QString s_end = QStringLiteral("end");
const QString s_time = QStringLiteral("time");

// The stored form "yyyyMMddThhmmssZ" (local wall-clock time, T and Z literal), built from the
// date and the time separately: a QDateTime inside a DST gap is invalid and would format as "".
QString storedText(const QDate &date, const QTime &time)
{
    const QTime t = time.isNull() ? QTime(0, 0) : time;
    // Every save writes a period per event: the usual form is put together directly.
    if (date.isValid() && date.year() >= 1000 && date.year() <= 9999 && t.isValid()) {
        QString text(16, Qt::Uninitialized);
        QChar *out = putDigits(text.data(), date.year(), 4);
        out = putDigits(out, date.month(), 2);
        out = putDigits(out, date.day(), 2);
        *out++ = u'T';
        out = putDigits(out, t.hour(), 2);
        out = putDigits(out, t.minute(), 2);
        out = putDigits(out, t.second(), 2);
        *out = u'Z';
        return text;
    }
    return date.toString(QStringLiteral("yyyyMMdd")) + QLatin1Char('T') + t.toString(QStringLiteral("hhmmss")) +
           QLatin1Char('Z');
}

// The value of a run of ASCII digits, -1 when there is anything else.
int asciiNumber(QStringView digits)
{
    int value = 0;
    for (const QChar c : digits) {
        if (c < QLatin1Char('0') || c > QLatin1Char('9'))
            return -1;
        value = value * 10 + (c.unicode() - '0');
    }
    return value;
}

bool setStored(const QDate &d, const QTime &t, QDate *date, QTime *time)
{
    if (!d.isValid() || !t.isValid())
        return false;
    *date = d;
    *time = t;
    return true;
}

bool parseStored(const QString &text, QDate *date, QTime *time)
{
    // Loading reads two of these per event: the plain ASCII form is read directly, and the pattern
    // decides about every other text. Years past 9999 are written with more digits.
    const QStringView view(text);
    const qsizetype dateLength = view.size() - 8; // after the date: "ThhmmssZ"
    if (dateLength >= 8 && dateLength <= 13 && view.at(dateLength) == QLatin1Char('T') &&
        view.back() == QLatin1Char('Z')) {
        const qsizetype yearLength = dateLength - 4;
        const int year = asciiNumber(view.first(yearLength));
        const int month = asciiNumber(view.mid(yearLength, 2));
        const int day = asciiNumber(view.mid(yearLength + 2, 2));
        const int hour = asciiNumber(view.mid(dateLength + 1, 2));
        const int minute = asciiNumber(view.mid(dateLength + 3, 2));
        const int second = asciiNumber(view.mid(dateLength + 5, 2));
        if (year >= 0 && month >= 0 && day >= 0 && hour >= 0 && minute >= 0 && second >= 0)
            return setStored(QDate(year, month, day), QTime(hour, minute, second), date, time);
    }
    static const QRegularExpression pattern(QStringLiteral("^(\\d{4,9})(\\d\\d)(\\d\\d)T(\\d\\d)(\\d\\d)(\\d\\d)Z$"));
    const QRegularExpressionMatch match = pattern.match(text);
    if (!match.hasMatch())
        return false;
    return setStored(QDate(match.captured(1).toInt(), match.captured(2).toInt(), match.captured(3).toInt()),
                     QTime(match.captured(4).toInt(), match.captured(5).toInt(), match.captured(6).toInt()), date,
                     time);
}

QString isoText(const QDate &date, const QTime &time)
{
    const QTime t = time.isNull() ? QTime(0, 0) : time;
    return date.toString(Qt::ISODate) + QLatin1Char('T') + t.toString(QStringLiteral("hh:mm:ss"));
}

QTime withoutMSecs(const QTime &time)
{
    return time.isNull() ? time : QTime(time.hour(), time.minute(), time.second());
}

QString dateText(const QDate &date, Qt::DateFormat format)
{
    // Qt 6 writes Qt::TextDate in English; the program's own language is wanted.
    if (format == Qt::TextDate)
        return Common::appLocale().toString(date, QStringLiteral("ddd MMM d yyyy"));
    return date.toString(format);
}

template <typename DateToText, typename TimeToText>
QString periodText(const Period &p, DateToText dateToText, TimeToText timeToText)
{
    QString result = dateToText(p.beginDate()) + QLatin1Char(' ');
    if (p.hasTime())
        result += timeToText(p.beginTime()) + QLatin1Char(' ');
    if (!p.hasNoEnd()) {
        result += QLatin1String("- ") + dateToText(p.endDate()) + QLatin1Char(' ');
        if (p.hasTime())
            result += timeToText(p.endTime()) + QLatin1Char(' ');
    }
    return result.trimmed();
}

// A period without a time stands at midnight, which some zones skip: then at the day's first moment.
QDateTime periodPoint(const QDate &date, const QTime &time)
{
    return time.isNull() ? date.startOfDay() : QDateTime(date, time);
}

} // namespace PeriodPrivate

using namespace PeriodPrivate;

Period::Period() = default;

Period::Period(const QDate &begin) : m_beginDate(begin) {}

Period::Period(const QDateTime &begin) : m_beginDate(begin.date()), m_beginTime(begin.time()) {}

Period::Period(const QDate &begin, const QTime &beginTime) : m_beginDate(begin), m_beginTime(beginTime) {}

Period::Period(const QDate &begin, const QDate &end) : m_beginDate(begin), m_endDate(end)
{
    QR_ASSERT(m_beginDate < m_endDate);
}

Period::Period(const QDateTime &begin, const QDateTime &end)
    : m_beginDate(begin.date()), m_beginTime(begin.time()), m_endDate(end.date()), m_endTime(end.time())
{
    QR_ASSERT(m_beginDate < m_endDate || (m_beginDate == m_endDate && m_beginTime < m_endTime));
}

Period::Period(const QDate &begin, const QTime &beginTime, const QDate &end, const QTime &endTime)
    : m_beginDate(begin), m_beginTime(beginTime), m_endDate(end), m_endTime(endTime)
{
    QR_ASSERT(m_beginDate < m_endDate || (m_beginDate == m_endDate && m_beginTime < m_endTime));
}

QDate Period::endDate() const
{
    return hasNoEnd() ? m_beginDate : m_endDate;
}

QTime Period::endTime() const
{
    return hasNoEnd() ? m_beginTime : m_endTime;
}

QDateTime Period::beginDateTime() const
{
    return periodPoint(m_beginDate, m_beginTime);
}

QDateTime Period::endDateTime() const
{
    return periodPoint(endDate(), endTime());
}

qint64 Period::lengthInDays() const
{
    return hasNoEnd() ? 0 : m_beginDate.daysTo(m_endDate);
}

qint64 Period::lengthInMSecs() const
{
    if (hasNoEnd())
        return 0;
    const qint64 dayMSecs = 86400000;
    if (!hasTime())
        return m_beginDate.daysTo(m_endDate) * dayMSecs;
    const QDateTime begin = beginDateTime();
    const QDateTime end = endDateTime();
    if (begin.isValid() && end.isValid())
        return begin.msecsTo(end);
    // An end point inside a DST gap has no instant; count wall-clock time instead.
    const QTime endT = m_endTime.isNull() ? QTime(0, 0) : m_endTime;
    return m_beginDate.daysTo(m_endDate) * dayMSecs + m_beginTime.msecsTo(endT);
}

bool Period::operator==(const Period &other) const
{
    return m_beginDate == other.m_beginDate && m_endDate == other.m_endDate &&
           withoutMSecs(m_beginTime) == withoutMSecs(other.m_beginTime) &&
           withoutMSecs(m_endTime) == withoutMSecs(other.m_endTime);
}

Period Period::addDays(qint64 days) const
{
    if (!isValid()) {
        QR_LOG("invalid Period");
        return Period();
    }
    Period result(*this);
    result.m_beginDate = m_beginDate.addDays(days);
    if (!hasNoEnd())
        result.m_endDate = m_endDate.addDays(days);
    result.clearTexts();
    return result;
}

QVariant Period::toJson() const
{
    QVariantMap map;
    map.insert(s_version, 1);
    map.insert(s_begin, storedText(m_beginDate, m_beginTime));
    if (!hasNoEnd())
        map.insert(s_end, storedText(m_endDate, m_endTime));
    map.insert(s_time, hasTime());
    return map;
}

void Period::writeJson(Common::JsonWriter &writer) const
{
    writer.beginObject();
    writer.name("begin");
    writer.value(storedText(m_beginDate, m_beginTime));
    if (!hasNoEnd()) {
        writer.name("end");
        writer.value(storedText(m_endDate, m_endTime));
    }
    writer.name("time");
    writer.value(hasTime());
    writer.name("version");
    writer.value(1);
    writer.endObject();
}

void Period::fromJson(const QVariant &value)
{
    load(value.toMap());
}

void Period::fromJson(const Common::JsonObject &object)
{
    load(object);
}

template <class Map> void Period::load(const Map &map)
{
    QR_ASSERT(!map.isEmpty());
    QR_ASSERT(map[s_version].toInt() == 1);

    m_beginDate = QDate();
    m_beginTime = QTime();
    m_endDate = QDate();
    m_endTime = QTime();
    parseStored(map.value(s_begin).toString(), &m_beginDate, &m_beginTime);
    if (map.contains(s_end))
        parseStored(map.value(s_end).toString(), &m_endDate, &m_endTime);
    if (!map.value(s_time).toBool()) {
        m_beginTime = QTime();
        m_endTime = QTime();
    }
    clearTexts();
}

QString Period::text(const QString &dateFormat, const QString &timeFormat) const
{
    if (!isValid())
        return QString();
    if (m_text.isNull() || m_textDateFormat != dateFormat || m_textTimeFormat != timeFormat) {
        const QLocale locale = Common::appLocale();
        m_text = periodText(
            *this, [&](const QDate &d) { return locale.toString(d, dateFormat); },
            [&](const QTime &t) { return locale.toString(t, timeFormat); });
        m_textDateFormat = dateFormat;
        m_textTimeFormat = timeFormat;
    }
    return m_text;
}

QString Period::text(Qt::DateFormat format) const
{
    if (!isValid())
        return QString();
    if (m_formatText.isNull() || m_formatTextFormat != int(format)) {
        m_formatText = periodText(
            *this, [&](const QDate &d) { return dateText(d, format); },
            [&](const QTime &t) { return t.toString(format); });
        m_formatTextFormat = int(format);
    }
    return m_formatText;
}

void Period::clearTexts()
{
    m_text = QString();
    m_formatText = QString();
    m_formatTextFormat = -1;
}

QDataStream &operator<<(QDataStream &stream, const Period &period)
{
    stream << isoText(period.beginDate(), period.beginTime());
    if (!period.hasNoEnd()) {
        stream << " - ";
        stream << isoText(period.endDate(), period.endTime());
    }
    return stream;
}
