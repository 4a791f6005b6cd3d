#pragma once

#include <QDate>
#include <QObject>

class QDateEdit;

// Keeps an end-date edit from going before the rule's start date.
class EndDateChecker : public QObject
{
    Q_OBJECT

public:
    EndDateChecker(QDateEdit *dateEdit, const QDate &startDate);

public slots:
    void checkEndDate();

private:
    QDateEdit *m_dateEdit;
    QDate m_startDate;
};
