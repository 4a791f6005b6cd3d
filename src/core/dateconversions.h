#pragma once

#include <QDate>
#include <QHash>
#include <QLocale>
#include <QDateTime>
#include <QVariant>

#include <optional>

// Dates and date-times as the data files store them: ISO text, or a {year, month, day} map.
QDate dateFromMap(const QVariant &value);
QVariant dateToVariant(const QDate &date);
QDate dateFromVariant(const QVariant &value);
QVariant dateTimeToVariant(const QDateTime &dateTime);
// The text dateTimeToVariant() holds: "yyyy-MM-ddTHH:mm:ss", with the zone's mark when not local.
QString dateTimeText(const QDateTime &dateTime);
// Puts `width` decimal digits of `value` (0 <= value < 10^width) at `out`; returns the end.
QChar *putDigits(QChar *out, int value, int width);
QDateTime dateTimeFromVariant(const QVariant &value);
// Reads the form dateTimeText() writes for local time ("yyyy-MM-ddTHH:mm:ss") without making a
// local date-time of it, which costs a look at the time zone; false for any other text.
bool plainLocalStamp(const QString &text, QDate *date, QTime *time);
// That form of a date and a time, as dateTimeText() writes a valid local date-time of them.
QString plainLocalStampText(const QDate &date, const QTime &time);
// The local date-time the wall clock reads as `date` and `time`. In the hour repeated when daylight
// saving ends that is its first pass, as calendars take it; a reading the clocks skip when they go
// forward comes as much later as the gap is long (02:15 in a half-hour gap from 02:00 is 02:45).
QDateTime localDateTime(const QDate &date, const QTime &time);
// The instant localDateTime() gives, in milliseconds since the epoch; nothing for an invalid date or time.
std::optional<qint64> localMoment(const QDate &date, const QTime &time);
// What QDateTime(date, time).toMSecsSinceEpoch() gives, or nullopt where that date-time is invalid
// (a reading the clocks skip), with one look at the time zone instead of two.
std::optional<qint64> localEpochMSecs(const QDate &date, const QTime &time);
// localEpochMSecs() for many readings on few days, as a sort asks: each day's start is looked up once,
// and a day the clocks change on is left to localEpochMSecs() reading by reading. Clear it when the
// time zone may have changed.
class LocalEpochCache
{
public:
    std::optional<qint64> epochMSecs(const QDate &date, const QTime &time);
    void clear() { m_dayStarts.clear(); }

private:
    // By Julian day: what localEpochMSecs() gives for its 00:00.
    QHash<qint64, std::optional<qint64>> m_dayStarts;
};
// One second into the day after `today`: the day's first moment is not 00:00 where the clocks go
// forward at midnight, and a date-time built of that date and 00:00:01 is invalid there. Where that
// day is skipped whole, one second into the day after it.
QDateTime dayLimit(const QDate &today);
// A time a timer can wait for: `time`, or when that is invalid, the moment its reading moves to, else
// `fallback`. Such a time means it was built wrongly: each one is logged with `what` it was for.
QDateTime validWakeTime(const QDateTime &time, const QDateTime &fallback, const char *what);
// Cuts the time to whole minutes; date and time spec stay.
QDateTime dropSeconds(const QDateTime &dateTime);
// A year written with two digits, put into the hundred years around `thisYear`: from 50 years
// before it to 49 years after it ("27" is 2027 in 2026, "80" is 1980). Every reader of a typed
// date takes this one rule.
int yearNear(int twoDigitYear, int thisYear);
// yearNear() around today's year.
int yearNearToday(int twoDigitYear);
// True when a date format writes the year with two digits ("dd.MM.yy"), quoted text left out.
bool formatHasTwoDigitYear(const QString &format);
// The order of day, month and year in a date format ("dMy" for "dd.MM.yyyy"), quoted text left out.
QString dateSectionOrder(const QString &format);
// A date typed as a whole for a field showing dates in `format`: three numbers in any script's digits
// between separators (punctuation, spaces, direction marks) in the format's order, or in the order of
// the locale's long form where other separators stand between them; the day and month in one or two
// digits, the year in four or in two taken near today. A day and a month alone are in `shownYear`, in
// the long form's order. The month may be a name instead, `locale`'s (its numbers in the long form's
// order) or the English one (in the orders English writes, and in the long form's: two dates from them
// are no answer); a number no day can be (four digits, above 31) is the year where it stands first.
// Weekday names, the formats' own words and ordinals' endings are passed over. Digits alone are split
// in the format's order: six as two each, eight with the year in four, else a day or month of one digit
// where that makes a date. Invalid for any other text or a day that does not exist; `ambiguous` tells
// the text makes two dates.
QDate dateFromTypedText(const QString &text, const QString &format, const QLocale &locale, int shownYear = 0,
                        bool *ambiguous = nullptr);
// The month (1-12) `word` names in `locale` or in English, long or short, case and dots ignored; 0 for none.
// The letters the locale's long form writes onto the name may come before it ("במרץ"), and three or more
// first letters of only one month's name name it too ("фев").
int monthOfWord(const QString &word, const QLocale &locale);
// True when `word` names a weekday, or is one word of such a name, and no month, as monthOfWord() reads
// names: dateFromTypedText() passes such a word over.
bool isWeekdayWord(const QString &word, const QLocale &locale);
