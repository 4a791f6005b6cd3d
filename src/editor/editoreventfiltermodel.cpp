#include "editor/editoreventfiltermodel.h"

#include "store/eventitemrole.h"

EditorEventFilterModel::EditorEventFilterModel(QObject *parent)
    : QSortFilterProxyModel(parent), m_watch(
                                         this, [this] { forgetRows(); },
                                         [this](size_t row) {
                                             if (row < m_typeCodes.size())
                                                 m_typeCodes[row] = -1;
                                         })
{
    setDynamicSortFilter(true);
}

EditorEventFilterModel::~EditorEventFilterModel() = default;

void EditorEventFilterModel::setSourceModel(QAbstractItemModel *model)
{
    if (model == sourceModel())
        return;
    // Before the base class connects its own, so that a changed row is read again before it is filtered.
    m_watch.setSource(model);
    QSortFilterProxyModel::setSourceModel(model);
}

void EditorEventFilterModel::setTypesFilter(const QList<QByteArray> &typeIds)
{
    if (typeIds == m_typeIds)
        return;
    m_typeIds = typeIds;
    m_types.keep(m_typeIds);
    refilter();
}

void EditorEventFilterModel::setCalendarsFilter(const QList<QByteArray> &calendarIds)
{
    if (calendarIds == m_calendarIds)
        return;
    m_calendarIds = calendarIds;
    m_calendars.keep(m_calendarIds);
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
    if (m_typeIds.isEmpty() && m_calendarIds.isEmpty())
        return true;
    const QModelIndex index = sourceModel()->index(sourceRow, 0, sourceParent);
    const QModelIndex bottom = m_watch.bottom(index);
    if (!bottom.isValid() || bottom.parent().isValid()) {
        // A row of a tree has no row of its own in the tables: read it each time.
        return (m_typeIds.isEmpty() || m_typeIds.contains(index.data(TypeIdRole).toByteArray())) &&
               (m_calendarIds.isEmpty() || m_calendarIds.contains(index.data(CalendarIdRole).toByteArray()));
    }
    const size_t row = size_t(bottom.row());
    if (row >= m_typeCodes.size()) {
        const size_t rows = qMax(size_t(bottom.model()->rowCount()), row + 1);
        m_typeCodes.resize(rows, -1);
        m_calendarCodes.resize(rows, -1);
    }
    if (m_typeCodes[row] < 0) {
        m_typeCodes[row] = m_types.code(index.data(TypeIdRole).toByteArray(), m_typeIds);
        m_calendarCodes[row] = m_calendars.code(index.data(CalendarIdRole).toByteArray(), m_calendarIds);
    }
    return (m_typeIds.isEmpty() || m_types.kept[size_t(m_typeCodes[row])]) &&
           (m_calendarIds.isEmpty() || m_calendars.kept[size_t(m_calendarCodes[row])]);
}

int EditorEventFilterModel::Codes::code(const QByteArray &id, const QList<QByteArray> &keptIds)
{
    const auto found = codes.constFind(id);
    if (found != codes.constEnd())
        return found.value();
    const int next = int(kept.size());
    codes.insert(id, next);
    kept.push_back(keptIds.contains(id));
    return next;
}

void EditorEventFilterModel::Codes::keep(const QList<QByteArray> &keptIds)
{
    for (auto it = codes.constBegin(); it != codes.constEnd(); ++it)
        kept[size_t(it.value())] = keptIds.contains(it.key());
}

void EditorEventFilterModel::forgetRows() const
{
    m_typeCodes.clear();
    m_calendarCodes.clear();
}
