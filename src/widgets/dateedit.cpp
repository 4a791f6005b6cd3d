#include "widgets/dateedit.h"

#include "core/dateconversions.h"

#include <QKeyEvent>
#include <QLineEdit>

DateEdit::DateEdit(QWidget *parent) : QDateEdit(parent)
{
    setDisplayFormat(fourDigitYearFormat(locale()));
}

QString DateEdit::fourDigitYearFormat(const QLocale &locale)
{
    const QString format = locale.dateFormat(QLocale::ShortFormat);
    QString result;
    bool quoted = false;
    for (qsizetype i = 0; i < format.size();) {
        const QChar c = format.at(i);
        if (c == QLatin1Char('\'')) {
            quoted = !quoted;
            result += c;
            ++i;
            continue;
        }
        qsizetype run = 1;
        while (i + run < format.size() && format.at(i + run) == c)
            ++run;
        result += !quoted && c == QLatin1Char('y') && run == 2 ? QStringLiteral("yyyy") : format.mid(i, run);
        i += run;
    }
    return result;
}

void DateEdit::focusOutEvent(QFocusEvent *event)
{
    completeShortYear();
    QDateEdit::focusOutEvent(event);
}

void DateEdit::keyPressEvent(QKeyEvent *event)
{
    if (event->key() == Qt::Key_Return || event->key() == Qt::Key_Enter)
        completeShortYear();
    const QChar typed = event->text().isEmpty() ? QChar() : event->text().at(0);
    // Qt moves on by itself once a section can take no more digits; the separator typed next
    // would skip a second section, so "3/15/27" would put 15 in the year.
    const bool separator = typed.isPrint() && !typed.isLetterOrNumber() && !typed.isSpace();
    if (separator && m_movedOn) {
        m_movedOn = false;
        event->accept();
        return;
    }
    const Section before = currentSection();
    QDateEdit::keyPressEvent(event);
    m_movedOn = typed.isDigit() && currentSection() != before;
}

void DateEdit::completeShortYear()
{
    // Left alone, Qt reads "27" in a four-digit field as unfinished and puts the old year back.
    const QString typed = sectionText(YearSection);
    bool ok = false;
    const int twoDigits = locale().toInt(typed, &ok);
    if (typed.size() != 2 || !ok)
        return;
    QLocale digits = locale();
    digits.setNumberOptions(QLocale::OmitGroupSeparator);
    QLineEdit *edit = lineEdit();
    setCurrentSection(YearSection); // puts the cursor at the year's start
    QString text = edit->text();
    text.replace(edit->cursorPosition(), 2, digits.toString(yearNearToday(twoDigits)));
    edit->setText(text);
}
