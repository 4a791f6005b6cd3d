#include "editor/editoreventfiltermodel.h"

#include "store/eventitemrole.h"

EditorEventFilterModel::EditorEventFilterModel(QObject *parent) : QSortFilterProxyModel(parent)
{
    setDynamicSortFilter(true);
}

void EditorEventFilterModel::setTypesFilter(const QList<QByteArray> &typeIds)
{
    if (typeIds == m_typeIds)
        return;
    m_typeIds = typeIds;
    refilter();
}

void EditorEventFilterModel::setCalendarsFilter(const QList<QByteArray> &calendarIds)
{
    if (calendarIds == m_calendarIds)
        return;
    m_calendarIds = calendarIds;
    refilter();
}

void EditorEventFilterModel::sort(int column, Qt::SortOrder order)
{
    if (QAbstractItemModel *source = sourceModel())
        source->sort(column, order);
}

void EditorEventFilterModel::refilter()
{
    // One layout change instead of a removal or insertion per run of rows: a filter that keeps every
    // third event made thousands of them, and the sorting proxies and views above did work for the
    // whole list on each one.
    invalidate();
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
