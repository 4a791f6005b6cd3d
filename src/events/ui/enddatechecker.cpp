#include "events/ui/enddatechecker.h"

#include "widgets/dateedit.h"

EndDateChecker::EndDateChecker(DateEdit *dateEdit, const QDate &startDate)
    : QObject(dateEdit), m_dateEdit(dateEdit), m_startDate(startDate)
{
    connect(dateEdit, &DateEdit::editingFinished, this, &EndDateChecker::checkEndDate);
}

bool EndDateChecker::checkEndDate()
{
    if (!m_dateEdit->isEnabled()) {
        m_dateEdit->setProblem(QString());
        return true;
    }
    if (!m_dateEdit->readTypedText())
        return false;
    const bool fits = m_dateEdit->date() >= m_startDate;
    m_dateEdit->setProblem(
        fits ? QString()
             : tr("Before the start, %1").arg(m_dateEdit->locale().toString(m_startDate, m_dateEdit->displayFormat())));
    return fits;
}
