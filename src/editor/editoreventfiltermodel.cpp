#include "editor/editoreventfiltermodel.h"

#include "runningline/eventitemrole.h"

EditorEventFilterModel::EditorEventFilterModel(QObject *parent) : QSortFilterProxyModel(parent)
{
    setDynamicSortFilter(true);
}

void EditorEventFilterModel::setTypesFilter(const QList<QByteArray> &typeIds)
{
    if (typeIds == m_typeIds)
        return;
    m_typeIds = typeIds;
    invalidateFilter();
}

void EditorEventFilterModel::setCalendarsFilter(const QList<QByteArray> &calendarIds)
{
    if (calendarIds == m_calendarIds)
        return;
    m_calendarIds = calendarIds;
    invalidateFilter();
}

bool EditorEventFilterModel::filterAcceptsRow(int sourceRow, const QModelIndex &sourceParent) const
{
    const QModelIndex index = sourceModel()->index(sourceRow, 0, sourceParent);
    if (!m_typeIds.isEmpty() && !m_typeIds.contains(index.data(TypeIdRole).toByteArray()))
        return false;
    if (!m_calendarIds.isEmpty() && !m_calendarIds.contains(index.data(CalendarIdRole).toByteArray()))
        return false;
    return true;
}
