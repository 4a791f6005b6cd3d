#include "editor/calendarproxymodel.h"

#include "core/log.h"
#include "runningline/eventitemrole.h"
#include "store/eventsmanager.h"

CalendarProxyModel::CalendarProxyModel(EventsManager *manager) : m_manager(manager)
{
}

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
    const AbstractCommonEventPtr ev = m_manager->eventByIndex(eventIndex);
    if (!QR_CHECK(ev))
        return false;
    const qint64 length = ev->period().lengthInDays();
    const QDate next = ev->nextDate(m_filterDate.addDays(-length));
    return next.isValid() && next <= m_filterDate && next.daysTo(m_filterDate) <= length;
}
