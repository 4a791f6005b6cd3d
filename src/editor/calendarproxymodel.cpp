#include "editor/calendarproxymodel.h"

#include "core/log.h"
#include "store/eventitemrole.h"
#include "store/eventsmanager.h"

CalendarProxyModel::CalendarProxyModel(EventsManager *manager) : m_manager(manager) {}

void CalendarProxyModel::setFilterDate(const QDate &date)
{
    if (date == m_filterDate)
        return;
    m_filterDate = date;
    invalidateFilter();
}

bool CalendarProxyModel::filterAcceptsRow(int sourceRow, const QModelIndex &sourceParent) const
{
    if (!m_filterDate.isValid())
        return false;
    const int eventIndex = sourceModel()->index(sourceRow, 0, sourceParent).data(EventIndexRole).toInt();
    if (!QR_CHECK(eventIndex >= 0 && eventIndex < m_manager->count()))
        return false;
    const AbstractCommonEvent *ev = m_manager->eventAt(eventIndex).get();
    const qint64 length = ev->period().lengthInDays();
    const QDate next = ev->nextDate(m_filterDate.addDays(-length));
    return next.isValid() && next <= m_filterDate && next.daysTo(m_filterDate) <= length;
}
