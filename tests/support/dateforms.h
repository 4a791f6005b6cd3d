#pragma once

#include <QDate>
#include <QLocale>
#include <QRegularExpression>

// Dates in the forms their locales write, for tests that read them as typed.
namespace DateForms {

// The forms a locale writes dates in, as users type them: from its long or short format, with or without
// the weekday, the month's name written, short, standing alone, or short standing alone, the year in
// four digits, two or none.
struct Form
{
    const char *name;
    QLocale::FormatType format;
    bool weekday;
    int monthName; // 0 as the format writes it, 1 short, 2 standing alone, 3 short standing alone
    int yearDigits;
};
inline const Form forms[] = {
    {"long", QLocale::LongFormat, true, 0, 4},
    {"long, no weekday", QLocale::LongFormat, false, 0, 4},
    {"long, short month", QLocale::LongFormat, true, 1, 4},
    {"long, no weekday, short month", QLocale::LongFormat, false, 1, 4},
    {"long, standalone month", QLocale::LongFormat, false, 2, 4},
    {"long, short standalone month", QLocale::LongFormat, false, 3, 4},
    {"long, two-digit year", QLocale::LongFormat, true, 0, 2},
    {"long, no weekday, two-digit year", QLocale::LongFormat, false, 0, 2},
    {"long, no weekday, short month, two-digit year", QLocale::LongFormat, false, 1, 2},
    {"long, standalone month, two-digit year", QLocale::LongFormat, false, 2, 2},
    {"long, no year", QLocale::LongFormat, true, 0, 0},
    {"long, no weekday, no year", QLocale::LongFormat, false, 0, 0},
    {"long, short month, no year", QLocale::LongFormat, false, 1, 0},
    {"long, standalone month, no year", QLocale::LongFormat, false, 2, 0},
    {"short", QLocale::ShortFormat, false, 0, 4},
    {"short, weekday", QLocale::ShortFormat, true, 0, 4},
    {"short, two-digit year", QLocale::ShortFormat, false, 0, 2},
    {"short, weekday, two-digit year", QLocale::ShortFormat, true, 0, 2},
    {"short, no year", QLocale::ShortFormat, false, 0, 0},
};
inline const char *const locales[] = {"sv_SE", "hu_HU", "ja_JP", "zh_CN", "ko_KR", "ru_RU", "de_DE", "fr_FR",
                                      "en_US", "en_GB", "pl_PL", "cs_CZ", "nl_NL", "he_IL", "ar_EG"};

// `form` of `locale`'s date format for `date`.
inline QString written(const Form &form, const QLocale &locale, const QDate &date)
{
    QString format = locale.dateFormat(form.format);
    static const QRegularExpression weekday(QStringLiteral("[,\\x{060C}\\s]*d{3,4}[,\\x{060C}\\s]*"));
    format.replace(weekday, QStringLiteral(" "));
    format = format.trimmed();
    if (form.yearDigits > 0)
        format.replace(QRegularExpression(QStringLiteral("y+")), QString(form.yearDigits, QLatin1Char('y')));
    else if (form.yearDigits == 0 && format.startsWith(QLatin1Char('y')))
        format.remove(QRegularExpression(QStringLiteral("^y+[^dM]*")));
    else if (form.yearDigits == 0)
        format.remove(QRegularExpression(QStringLiteral("[^dMy]*y+.*$")));
    if (form.weekday)
        format.prepend(QStringLiteral("dddd "));
    const QString names[] = {QString(), locale.monthName(date.month(), QLocale::ShortFormat),
                             locale.standaloneMonthName(date.month(), QLocale::LongFormat),
                             locale.standaloneMonthName(date.month(), QLocale::ShortFormat)};
    if (form.monthName > 0)
        format.replace(QRegularExpression(QStringLiteral("M{3,4}")),
                       QLatin1Char('\'') + names[form.monthName] + QLatin1Char('\''));
    return locale.toString(date, format);
}

} // namespace DateForms
