#pragma once

#include <QDate>
#include <QObject>

class DateEdit;

// Says under an end-date field when its date is before the rule's start. It checks when the field
// is left or the form accepted, never while a date is typed: each key makes a date on the way.
class EndDateChecker : public QObject
{
    Q_OBJECT

public:
    EndDateChecker(DateEdit *dateEdit, const QDate &startDate);

public slots:
    // False, said under the field, while its date cannot end the rule.
    bool checkEndDate();

private:
    DateEdit *m_dateEdit;
    QDate m_startDate;
};
