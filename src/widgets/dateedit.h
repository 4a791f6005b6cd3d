#pragma once

#include <QDateEdit>

// A date field in the locale's short order with the year always in four digits: a two-digit year
// field keeps the century of the date it shows, so "27" typed over 1970 would save 1927. A year
// typed with two digits is taken as the one nearest today when the editing ends.
class DateEdit : public QDateEdit
{
    Q_OBJECT

public:
    explicit DateEdit(QWidget *parent = nullptr);

    // The locale's short date format with its year written in four digits.
    static QString fourDigitYearFormat(const QLocale &locale);

protected:
    void focusOutEvent(QFocusEvent *event) override;
    void keyPressEvent(QKeyEvent *event) override;

private:
    void completeShortYear();

    bool m_movedOn = false; // the last digit filled its section and Qt moved to the next
};
