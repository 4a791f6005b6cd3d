#include "core/dateconversions.h"

#include "core/clock.h"
#include "core/log.h"

#include <QRegularExpression>
#include <QVariantMap>

#include <ctime>
#include <optional>

QDate dateFromMap(const QVariant &value)
{
    const QVariantMap map = value.toMap();
    QDate date;
    date.setDate(map.value(QStringLiteral("year")).toInt(), map.value(QStringLiteral("month")).toInt(),
                 map.value(QStringLiteral("day")).toInt());
    return date;
}

QVariant dateToVariant(const QDate &date)
{
    return date.toString(Qt::ISODate);
}

QDate dateFromVariant(const QVariant &value)
{
    return QDate::fromString(value.toString(), Qt::ISODate);
}

QVariant dateTimeToVariant(const QDateTime &dateTime)
{
    return dateTimeText(dateTime);
}

QChar *putDigits(QChar *out, int value, int width)
{
    for (int i = width - 1; i >= 0; --i) {
        out[i] = QChar(u'0' + value % 10);
        value /= 10;
    }
    return out + width;
}

QString dateTimeText(const QDateTime &dateTime)
{
    // Every save writes one such stamp per event: the usual local one is put together directly,
    // the same text as the general formatting gives.
    if (dateTime.timeSpec() == Qt::LocalTime && dateTime.isValid()) {
        const QDate date = dateTime.date();
        const QTime time = dateTime.time();
        if (date.year() >= 1000 && date.year() <= 9999)
            return plainLocalStampText(date, time);
    }
    return dateTime.toString(Qt::ISODate);
}

namespace {
// The digits of text[from, from + count) as a number, or -1.
int digitsAt(const QString &text, int from, int count)
{
    int n = 0;
    for (int i = from; i < from + count; ++i) {
        const char16_t c = text.at(i).unicode();
        if (c < u'0' || c > u'9')
            return -1;
        n = n * 10 + (c - u'0');
    }
    return n;
}
} // namespace

bool plainLocalStamp(const QString &text, QDate *date, QTime *time)
{
    if (text.size() == 19 && text.at(4) == u'-' && text.at(7) == u'-' && text.at(10) == u'T' && text.at(13) == u':' &&
        text.at(16) == u':') {
        const int year = digitsAt(text, 0, 4);
        const int month = digitsAt(text, 5, 2);
        const int day = digitsAt(text, 8, 2);
        const int hour = digitsAt(text, 11, 2);
        const int minute = digitsAt(text, 14, 2);
        const int second = digitsAt(text, 17, 2);
        if (year > 0 && month >= 0 && day >= 0 && hour >= 0 && hour < 24 && minute >= 0 && second >= 0) {
            *date = QDate(year, month, day);
            *time = QTime(hour, minute, second);
            return date->isValid() && time->isValid();
        }
    }
    return false;
}

QString plainLocalStampText(const QDate &date, const QTime &time)
{
    QString text(19, Qt::Uninitialized);
    QChar *out = putDigits(text.data(), date.year(), 4);
    *out++ = u'-';
    out = putDigits(out, date.month(), 2);
    *out++ = u'-';
    out = putDigits(out, date.day(), 2);
    *out++ = u'T';
    out = putDigits(out, time.hour(), 2);
    *out++ = u':';
    out = putDigits(out, time.minute(), 2);
    *out++ = u':';
    putDigits(out, time.second(), 2);
    return text;
}

QDateTime dateTimeFromVariant(const QVariant &value)
{
    const QString text = value.toString();
    // Every event holds one such stamp in the form written above: reading that form directly spares the
    // general parser's work when a file is loaded. Anything else (a zone, milliseconds, 24:00) goes the
    // general way, which gives the same value for this form.
    QDate date;
    QTime time;
    if (plainLocalStamp(text, &date, &time))
        return QDateTime(date, time);
    return QDateTime::fromString(text, Qt::ISODate);
}

namespace {
// Within these years the C library converts as QDateTime does; outside them QDateTime decides.
bool inLibraryYears(const QDate &date)
{
    return date.isValid() && date.year() >= 1971 && date.year() <= 2037;
}

// The C library's conversion of a valid local reading, with its offset in `reading`; nothing where the
// clocks skip the reading.
std::optional<std::time_t> libraryTime(const QDate &date, const QTime &time, std::tm *reading)
{
    reading->tm_year = date.year() - 1900;
    reading->tm_mon = date.month() - 1;
    reading->tm_mday = date.day();
    reading->tm_hour = time.hour();
    reading->tm_min = time.minute();
    reading->tm_sec = time.second();
    reading->tm_isdst = -1;
    const std::time_t secs = std::mktime(reading);
    // A reading the clocks skip comes back moved to another one.
    if (secs == std::time_t(-1) || reading->tm_mday != date.day() || reading->tm_hour != time.hour() ||
        reading->tm_min != time.minute() || reading->tm_sec != time.second())
        return std::nullopt;
    return secs;
}

// A reading inside a gap: counted with the offset from before the gap it lands past the gap's end by
// as much as it lay past its start.
qint64 afterGap(const QDate &date, const QTime &time)
{
    const qint64 reading = QDateTime(date, time, Qt::UTC).toMSecsSinceEpoch();
    // A day earlier the offset from before the gap is in force, whatever the zone's offset.
    const int before = QDateTime::fromMSecsSinceEpoch(reading - 86400000).offsetFromUtc();
    return reading - qint64(before) * 1000;
}
} // namespace

std::optional<qint64> localMoment(const QDate &date, const QTime &time)
{
    // Within the C library's years the offsets come from it straight: every conversion QDateTime makes
    // waits for the others, and the start asks this of every event on several threads.
    qint64 msecs = 0;
    int offset = 0;
    int before = 0;
    std::tm reading = {};
    if (inLibraryYears(date) && time.isValid()) {
        const std::optional<std::time_t> secs = libraryTime(date, time, &reading);
        if (!secs)
            return afterGap(date, time);
        msecs = qint64(*secs) * 1000 + time.msec();
        offset = int(reading.tm_gmtoff);
        std::tm earlier = {};
        const std::time_t earlierSecs = *secs - 3 * 3600;
        before = localtime_r(&earlierSecs, &earlier) ? int(earlier.tm_gmtoff) : offset;
    } else {
        const QDateTime result(date, time);
        if (!result.isValid())
            return date.isValid() && time.isValid() ? std::optional<qint64>(afterGap(date, time)) : std::nullopt;
        msecs = result.toMSecsSinceEpoch();
        offset = result.offsetFromUtc();
        before = QDateTime::fromMSecsSinceEpoch(msecs - 3 * 3600 * 1000).offsetFromUtc();
    }
    if (before <= offset)
        return msecs;
    // Which pass of a repeated reading the conversion gives is the C library's choice. When the
    // offset was larger a little before, the clocks went back since: the same reading under that
    // offset is the earlier pass, if it exists.
    const qint64 earlierPass = msecs - qint64(before - offset) * 1000;
    const QDateTime first = QDateTime::fromMSecsSinceEpoch(earlierPass);
    return first.date() == date && first.time() == time ? earlierPass : msecs;
}

QDateTime localDateTime(const QDate &date, const QTime &time)
{
    // From the instant: one look at the zone, where building it of the reading costs a search.
    const std::optional<qint64> msecs = localMoment(date, time);
    return msecs ? QDateTime::fromMSecsSinceEpoch(*msecs) : QDateTime(date, time);
}

QDateTime dayLimit(const QDate &today)
{
    const QDate tomorrow = today.addDays(1);
    QDateTime start = tomorrow.startOfDay();
    // A day the clocks skip whole (a zone moved across the date line) has no moment; the day after it
    // begins where today ends.
    if (!start.isValid())
        start = tomorrow.addDays(1).startOfDay();
    // Else the reading itself: invalid, but it names the date when it is logged.
    return start.isValid() ? start.addSecs(1) : QDateTime(tomorrow, QTime(0, 0, 1));
}

QDateTime validWakeTime(const QDateTime &time, const QDateTime &fallback, const char *what)
{
    if (time.isValid())
        return time;
    const QDateTime moved = localDateTime(time.date(), time.time());
    const QDateTime result = moved.isValid() ? moved : fallback;
    QR_LOG(QByteArray("Invalid time for ") + what + ": " + time.date().toString(Qt::ISODate).toLatin1() + ' ' +
           time.time().toString(Qt::ISODate).toLatin1() + ", taking " + result.toString(Qt::ISODate).toLatin1());
    return result;
}

QDateTime dropSeconds(const QDateTime &dateTime)
{
    QDateTime result(dateTime);
    const QTime time = dateTime.time();
    result.setTime(QTime(time.hour(), time.minute(), 0, 0));
    return result;
}

int yearNear(int twoDigitYear, int thisYear)
{
    int year = thisYear - thisYear % 100 + twoDigitYear % 100;
    if (year > thisYear + 49)
        year -= 100;
    else if (year < thisYear - 50)
        year += 100;
    return year;
}

int yearNearToday(int twoDigitYear)
{
    return yearNear(twoDigitYear, Common::Clock::today().year());
}

bool formatHasTwoDigitYear(const QString &format)
{
    bool quoted = false;
    for (qsizetype i = 0; i < format.size();) {
        const QChar c = format.at(i);
        if (c == QLatin1Char('\'')) {
            quoted = !quoted;
            ++i;
            continue;
        }
        qsizetype run = 1;
        while (i + run < format.size() && format.at(i + run) == c)
            ++run;
        if (!quoted && c == QLatin1Char('y') && run == 2)
            return true;
        i += run;
    }
    return false;
}

QString dateSectionOrder(const QString &format)
{
    QString order;
    bool quoted = false;
    for (qsizetype i = 0; i < format.size(); ++i) {
        const QChar c = format.at(i);
        // "ddd" and "dddd" write the weekday, not the day.
        const bool weekday = c == QLatin1Char('d') && QStringView(format).mid(i).startsWith(u"ddd");
        if (c == QLatin1Char('\''))
            quoted = !quoted;
        else if (!quoted && weekday)
            i = format.indexOf(QRegularExpression(QStringLiteral("[^d]")), i) - 1;
        else if (!quoted && (c == QLatin1Char('d') || c == QLatin1Char('M') || c == QLatin1Char('y')) &&
                 !order.contains(c))
            order += c;
        if (i < 0)
            break;
    }
    return order;
}

namespace {
// A name as it may be typed: case folded, its marks of a short form left out ("Dez." and "dez" alike, the
// Hebrew geresh as a dot).
QString foldedName(const QString &name)
{
    QString folded = name.toCaseFolded();
    folded.removeIf([](QChar c) { return c.isPunct(); });
    return folded;
}

using LocaleName = QString (QLocale::*)(int, QLocale::FormatType) const;

// Which of the `count` names (from 1) `word` is in `locale` or in English, long or short, as written or standing
// alone; 0 for none.
int nameNumber(const QString &word, const QLocale &locale, int count, LocaleName written, LocaleName alone,
               bool english = true)
{
    for (const QLocale &names : {locale, english ? QLocale::c() : locale}) {
        for (int number = 1; number <= count; ++number) {
            for (const QLocale::FormatType type : {QLocale::LongFormat, QLocale::ShortFormat}) {
                if (foldedName((names.*written)(number, type)) == word ||
                    foldedName((names.*alone)(number, type)) == word)
                    return number;
            }
        }
    }
    return 0;
}

bool isDayName(const QString &word, const QLocale &locale)
{
    if (nameNumber(word, locale, 7, &QLocale::dayName, &QLocale::standaloneDayName) != 0)
        return true;
    // Each word of a name of several ("יום שני", "segunda-feira"): the words are read one by one.
    static const QRegularExpression between(QStringLiteral("[^\\p{L}\\p{M}]+"));
    for (int day = 1; day <= 7; ++day) {
        for (const QLocale::FormatType type : {QLocale::LongFormat, QLocale::ShortFormat}) {
            const QString name = locale.dayName(day, type).toCaseFolded();
            if (name.size() > word.size() && name.contains(word) &&
                name.split(between, Qt::SkipEmptyParts).contains(word))
                return true;
        }
    }
    return false;
}

// Letters the locale's long format writes onto the month's name ("בMMMM": "in March").
QString monthPrefix(const QLocale &locale)
{
    const QString format = locale.dateFormat(QLocale::LongFormat);
    const qsizetype at = format.indexOf(QLatin1Char('M'));
    qsizetype from = at;
    while (from > 0 && format.at(from - 1).isLetter())
        --from;
    return at < 0 ? QString() : foldedName(format.mid(from, at - from));
}

// Short forms in common use that the locale's data lacks ("Mrz." for "März").
int customaryMonth(const QString &word, const QLocale &locale)
{
    static const struct
    {
        QLocale::Language language;
        const char16_t *name;
        int month;
    } forms[] = {{QLocale::German, u"mrz", 3}};
    for (const auto &form : forms) {
        if (form.language == locale.language() && word == QStringView(form.name))
            return form.month;
    }
    return 0;
}

// `english` is set when the word names the month in English only.
int monthNamed(const QString &word, const QLocale &locale, bool *english = nullptr)
{
    if (english)
        *english = false;
    if (const int number = nameNumber(word, locale, 12, &QLocale::monthName, &QLocale::standaloneMonthName)) {
        if (english && locale.language() != QLocale::English)
            *english = nameNumber(word, locale, 12, &QLocale::monthName, &QLocale::standaloneMonthName, false) == 0;
        return number;
    }
    if (const int number = customaryMonth(word, locale))
        return number;
    const QString prefix = monthPrefix(locale);
    if (!prefix.isEmpty() && word.size() > prefix.size() && word.startsWith(prefix))
        return monthNamed(word.mid(prefix.size()), locale, english);
    // A short form of the user's own making ("фев." where the locale writes "февр."): the first three
    // letters or more of one month's name and of no weekday's.
    if (word.size() < 3 || isDayName(word, locale))
        return 0;
    int found = 0;
    for (const QLocale &names : {locale, QLocale::c()}) {
        for (int number = 1; number <= 12; ++number) {
            if (foldedName(names.monthName(number, QLocale::LongFormat)).startsWith(word) ||
                foldedName(names.standaloneMonthName(number, QLocale::LongFormat)).startsWith(word)) {
                if (found != 0 && found != number)
                    return 0;
                if (english && found == 0)
                    *english = names == QLocale::c() && locale.language() != QLocale::English;
                found = number;
            }
        }
    }
    return found;
}

// Words a date format writes as they stand: quoted text and letters that are no field.
QStringList formatWords(const QString &format)
{
    QStringList words;
    QString word;
    bool quoted = false;
    for (const QChar c : format) {
        if (c == QLatin1Char('\'')) {
            quoted = !quoted;
        } else if (c.isLetter() && (quoted || !QStringView(u"dMyhHmsazApPtg").contains(c))) {
            word += c;
            continue;
        }
        if (!word.isEmpty())
            words.append(foldedName(word));
        word.clear();
    }
    if (!word.isEmpty())
        words.append(foldedName(word));
    return words;
}

QDate dateOfNumbers(const QStringList &numbers, const QString &order, int month)
{
    int day = 0, year = 0;
    for (int i = 0; i < order.size(); ++i) {
        const QString &number = numbers.at(i);
        if (order.at(i) == QLatin1Char('y')) {
            if (number.size() != 2 && number.size() != 4)
                return {};
            year = number.size() == 2 ? yearNearToday(number.toInt()) : number.toInt();
        } else if (number.size() > 2) {
            return {};
        } else {
            (order.at(i) == QLatin1Char('d') ? day : month) = number.toInt();
        }
    }
    return QDate(year, month, day);
}

// Digits typed without separators, split in `order`: the padded form first (two digits a part, or
// four for the year), else the first split that makes a date, wider parts first as Qt's sections
// fill. A four-digit year starting with 0 is no year anyone types.
QDate dateFromDigits(const QString &digits, const QString &order)
{
    const auto split = [&](int dayWidth, int monthWidth) -> QDate {
        const int yearWidth = int(digits.size()) - dayWidth - monthWidth;
        if (yearWidth != 2 && yearWidth != 4)
            return {};
        QStringList numbers;
        int at = 0;
        for (const QChar part : order) {
            const int width = part == QLatin1Char('d') ? dayWidth : part == QLatin1Char('M') ? monthWidth : yearWidth;
            numbers.append(digits.mid(at, width));
            at += width;
        }
        if (yearWidth == 4 && numbers.at(order.indexOf(QLatin1Char('y'))).startsWith(QLatin1Char('0')))
            return {};
        return dateOfNumbers(numbers, order, 0);
    };
    const bool dayFirst = order.indexOf(QLatin1Char('d')) < order.indexOf(QLatin1Char('M'));
    for (const auto &[first, second] : {std::pair(2, 2), std::pair(2, 1), std::pair(1, 2), std::pair(1, 1)}) {
        const QDate date = dayFirst ? split(first, second) : split(second, first);
        if (date.isValid())
            return date;
    }
    return {};
}
} // namespace

namespace {
// Words written beside a date's numbers that no format of Qt's holds: ordinals' endings ("15th",
// "1er") and the article before a day ("den 15 mars").
QStringList ordinalWords(const QLocale &locale)
{
    QStringList words{QStringLiteral("st"), QStringLiteral("nd"), QStringLiteral("rd"), QStringLiteral("th")};
    if (locale.language() == QLocale::French)
        words.append(QStringLiteral("er"));
    if (locale.language() == QLocale::Swedish)
        words.append(QStringLiteral("den"));
    return words;
}

// The date of one or two numbers around a month's name that stands after the first `monthAt` of them,
// in `order` ("dMy"); a day alone is in `shownYear`. Invalid where they do not fit that order.
QDate dateInOrder(const QStringList &numbers, int monthAt, int month, const QString &order, int shownYear)
{
    if (numbers.size() == 1)
        return numbers.first().size() <= 2 && shownYear > 0 ? QDate(shownYear, month, numbers.first().toInt())
                                                            : QDate();
    if (numbers.size() != 2 || order.indexOf(QLatin1Char('M')) != monthAt)
        return {};
    QString parts = order;
    return dateOfNumbers(numbers, parts.remove(QLatin1Char('M')), month);
}

// True when `text` separates its numbers with a mark the field's format does not use ("15/3-27" for
// "yyyy-MM-dd"): it is written as the locale writes dates in words, not in the field's order.
bool foreignSeparators(const QString &text, const QString &format)
{
    return std::any_of(text.cbegin(), text.cend(), [&](QChar c) { return c.isPunct() && !format.contains(c); });
}
} // namespace

QDate dateFromTypedText(const QString &text, const QString &format, const QLocale &locale, int shownYear,
                        bool *ambiguous)
{
    if (ambiguous)
        *ambiguous = false;
    QStringList numbers;
    QString word;
    int month = 0;
    int monthAt = 0; // how many numbers come before the month's name
    bool english = false, monthMayBeWeekday = false;
    const QString longFormat = locale.dateFormat(QLocale::LongFormat);
    const QStringList ownWords = formatWords(format) + formatWords(longFormat) + ordinalWords(locale);
    // Weekdays and the formats' own words, also written together ("15日月曜日").
    const auto passedOver = [&](QString folded) {
        while (!isDayName(folded, locale) && !ownWords.contains(folded)) {
            const auto head = std::find_if(ownWords.cbegin(), ownWords.cend(), [&](const QString &own) {
                return !own.isEmpty() && own.size() < folded.size() && folded.startsWith(own);
            });
            if (head == ownWords.cend())
                return false;
            folded.remove(0, head->size());
        }
        return true;
    };
    // Ends the word being read: a month name counts once, weekdays and the format's words not at all.
    const auto endWord = [&] {
        if (word.isEmpty())
            return true;
        const QString folded = foldedName(word);
        word.clear();
        bool englishName = false;
        const int named = monthNamed(folded, locale, &englishName);
        // A weekday's short name may name a month too ("mar. 16 mars"): before the day, a later month's
        // name makes it the weekday.
        if (named > 0 && (month == 0 || monthMayBeWeekday)) {
            monthMayBeWeekday = month == 0 && numbers.isEmpty() && isDayName(folded, locale);
            month = named;
            monthAt = int(numbers.size());
            english = englishName;
            return true;
        }
        return named == 0 && passedOver(folded);
    };
    bool inNumber = false;
    for (const QChar c : text) {
        if (c.isDigit()) {
            if (!endWord())
                return {};
            if (!inNumber)
                numbers.append(QString());
            numbers.last() += QChar(u'0' + c.digitValue());
            inNumber = true;
        } else if (c.isLetter() || c.isMark()) {
            word += c;
            inNumber = false;
        } else if (c.isSpace() || c.isPunct() || c.category() == QChar::Other_Format) {
            if (!endWord())
                return {};
            inNumber = false;
        } else {
            return {};
        }
    }
    if (!endWord())
        return {};
    const QString shortOrder = dateSectionOrder(format);
    QString longOrder = dateSectionOrder(longFormat);
    if (shortOrder.size() != 3)
        return {};
    if (longOrder.size() != 3)
        longOrder = shortOrder;
    if (month > 0) {
        // The locale's own name in the order of its long form; else the orders English writes, and a year
        // first where a number no day can be stands first. More than one date from them is no answer.
        QStringList orders{QStringLiteral("dMy"), QStringLiteral("Mdy")};
        if (english)
            orders.prepend(longOrder);
        else if (const QDate date = dateInOrder(numbers, monthAt, month, longOrder, shownYear); date.isValid())
            return date;
        if (numbers.size() == 2 && (numbers.first().size() > 2 || numbers.first().toInt() > 31))
            orders.append(QStringLiteral("yMd"));
        QDate found;
        for (const QString &order : std::as_const(orders)) {
            const QDate date = dateInOrder(numbers, monthAt, month, order, shownYear);
            if (date.isValid() && found.isValid() && date != found) {
                if (ambiguous)
                    *ambiguous = true;
                return {};
            }
            if (date.isValid())
                found = date;
        }
        return found;
    }
    if (numbers.size() == 1)
        return dateFromDigits(numbers.first(), shortOrder);
    QString order = foreignSeparators(text, format) ? longOrder : shortOrder;
    if (numbers.size() == 2) {
        // A day and a month, in the year shown.
        order.remove(QLatin1Char('y'));
        if (shownYear <= 0 || numbers.first().size() > 2 || numbers.last().size() > 2)
            return {};
        const bool dayFirst = order.startsWith(QLatin1Char('d'));
        return QDate(shownYear, numbers.at(dayFirst ? 1 : 0).toInt(), numbers.at(dayFirst ? 0 : 1).toInt());
    }
    if (numbers.size() != 3)
        return {};
    return dateOfNumbers(numbers, order, 0);
}

int monthOfWord(const QString &word, const QLocale &locale)
{
    return monthNamed(foldedName(word), locale);
}

bool isWeekdayWord(const QString &word, const QLocale &locale)
{
    const QString folded = foldedName(word);
    return monthNamed(folded, locale) == 0 && isDayName(folded, locale);
}

std::optional<qint64> localEpochMSecs(const QDate &date, const QTime &time)
{
    if (!inLibraryYears(date) || !time.isValid()) {
        const QDateTime when(date, time);
        return when.isValid() ? std::optional<qint64>(when.toMSecsSinceEpoch()) : std::nullopt;
    }
    std::tm reading = {};
    const std::optional<std::time_t> secs = libraryTime(date, time, &reading);
    return secs ? std::optional<qint64>(qint64(*secs) * 1000 + time.msec()) : std::nullopt;
}

std::optional<qint64> LocalEpochCache::epochMSecs(const QDate &date, const QTime &time)
{
    if (!date.isValid() || !time.isValid())
        return localEpochMSecs(date, time);
    const auto midnight = [this](qint64 day) {
        auto found = m_dayStarts.constFind(day);
        if (found == m_dayStarts.cend())
            found = m_dayStarts.insert(day, localEpochMSecs(QDate::fromJulianDay(day), QTime(0, 0)));
        return *found;
    };
    const std::optional<qint64> start = midnight(date.toJulianDay());
    const std::optional<qint64> next = midnight(date.toJulianDay() + 1);
    // A day that is not 24 hours long has a change of the clocks in it.
    constexpr qint64 msecsPerDay = 24 * 3600 * 1000;
    if (!start || !next || *next - *start != msecsPerDay)
        return localEpochMSecs(date, time);
    return *start + time.msecsSinceStartOfDay();
}
