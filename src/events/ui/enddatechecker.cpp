#include "events/ui/enddatechecker.h"

#include "core/log.h"

#include <QDateEdit>

EndDateChecker::EndDateChecker(QDateEdit *dateEdit, const QDate &startDate)
    : QObject(dateEdit), m_dateEdit(dateEdit), m_startDate(startDate)
{
    connect(dateEdit, &QDateEdit::dateChanged, this, &EndDateChecker::checkEndDate);
}

void EndDateChecker::checkEndDate()
{
    if (m_dateEdit->date() < m_startDate)
        m_dateEdit->setDate(m_startDate);
}
