#pragma once

#include <QDateEdit>
#include <QPointer>

class QLabel;

// A date field in the locale's short order with the year always in four digits: a two-digit year
// field keeps the century of the date it shows, so "27" typed over 1970 would save 1927.
//
// What the user types or pastes is held as plain text and read as a whole when the editing ends
// (Return, Tab, leaving the field): Qt's section editing puts an old year back when a separator
// comes before the year is complete, cuts a day to the month shown before, and knows no other
// separators. A text that reads as no date stays in the field and is said under its row.
class DateEdit : public QDateEdit
{
    Q_OBJECT

public:
    explicit DateEdit(QWidget *parent = nullptr);

    // The locale's short date format with its year written in four digits.
    static QString fourDigitYearFormat(const QLocale &locale);

    // Takes the text typed into the field; false, said under the field, when it is no date.
    bool readTypedText();
    // Reads the typed text of every enabled date field in `window`; false, with the focus on the
    // first field whose text is no date, when one is.
    static bool readAll(QWidget *window);
    // Says `text` on a line of its own under the field's row; an empty text takes the line away.
    void setProblem(const QString &text);
    QString problem() const;

protected:
    QValidator::State validate(QString &text, int &pos) const override;
    QString textFromDateTime(const QDateTime &dateTime) const override;
    bool event(QEvent *event) override;
    bool eventFilter(QObject *watched, QEvent *event) override;
    void showEvent(QShowEvent *event) override;
    void hideEvent(QHideEvent *event) override;
    void focusInEvent(QFocusEvent *event) override;
    void focusOutEvent(QFocusEvent *event) override;
    bool focusNextPrevChild(bool next) override;
    void keyPressEvent(QKeyEvent *event) override;
    void mousePressEvent(QMouseEvent *event) override;

private:
    void startTyping(bool overPart = false);
    void type(const QString &text);
    void erase(bool backward);
    // `text` without its weekday names and what follows each (a weekday before the date is no part of
    // it); `monthNamed` tells whether a word left names a month.
    QString dateParts(const QString &text, bool *monthNamed = nullptr) const;
    // The keys typed so far with the separators Qt's sections would put in, counted after `before`.
    QString sectioned(const QString &before) const;
    void showTyped();
    void dropTyped();
    QString separatorAfter(int section) const;
    void showProblem(bool refit);
    // Today as the field shows it when that reads back, else in numbers.
    QString example() const;

    // While m_typing the field shows m_shown, not its date. One run of typing puts m_typed (m_keys
    // as typed, with the separators Qt would add) between the text before and after where it began;
    // m_fromHere is false once the cursor moved.
    bool m_typing = false;
    bool m_fromHere = false;
    QString m_before, m_keys, m_typed, m_after, m_shown;
    QDate m_heldDate;     // the date under the text held
    QDate m_calendarDate; // the date when the calendar opened
    QString m_problemText;
    bool m_holding = false; // the window's layout waits for a mouse button's release
    // Lives in an outer layout, so it can go before the field does.
    QPointer<QLabel> m_problem;
};
