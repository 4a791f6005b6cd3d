#include "editor/editoreventfiltermodel.h"

#include "events/abstractcommonevent.h"
#include "store/eventitemrole.h"
#include "store/eventsmodel.h"

EditorEventFilterModel::EditorEventFilterModel(QObject *parent)
    : QSortFilterProxyModel(parent), m_watch(
                                         this, [this] { forgetRows(); },
                                         [this](size_t row) {
                                             if (row < m_rows->typeCodes.size())
                                                 m_rows->typeCodes[row] = -1;
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
    m_typeKept.clear();
    refilter();
}

void EditorEventFilterModel::setCalendarsFilter(const QList<QByteArray> &calendarIds)
{
    if (calendarIds == m_calendarIds)
        return;
    m_calendarIds = calendarIds;
    m_calendarKept.clear();
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
    const qsizetype row = codedRow(index);
    if (row < 0) {
        // A row of a tree has no row of its own in the tables: read it each time.
        return (m_typeIds.isEmpty() || m_typeIds.contains(index.data(TypeIdRole).toByteArray())) &&
               (m_calendarIds.isEmpty() || m_calendarIds.contains(index.data(CalendarIdRole).toByteArray()));
    }
    const Rows &rows = *m_rows;
    return (m_typeIds.isEmpty() || keeps(m_typeKept, rows.types, m_typeIds, rows.typeCodes[size_t(row)])) &&
           (m_calendarIds.isEmpty() ||
            keeps(m_calendarKept, rows.calendars, m_calendarIds, rows.calendarCodes[size_t(row)]));
}

bool EditorEventFilterModel::keeps(std::vector<char> &kept, const Ids &ids, const QList<QByteArray> &list, int code)
{
    while (kept.size() <= size_t(code))
        kept.push_back(list.contains(ids.ids[kept.size()]));
    return kept[size_t(code)];
}

void EditorEventFilterModel::shareRowsWith(EditorEventFilterModel *other)
{
    // Each meets its model at the bottom first: meeting it forgets what was read, shared or not.
    watchBottom();
    other->watchBottom();
    m_rows = other->m_rows;
    m_typeKept.clear();
    m_calendarKept.clear();
    invalidate();
}

void EditorEventFilterModel::watchBottom() const
{
    if (const QAbstractItemModel *source = sourceModel(); source && source->rowCount() > 0)
        m_watch.bottom(source->index(0, 0));
}

void EditorEventFilterModel::readAhead()
{
    if (const QAbstractItemModel *source = sourceModel(); source && source->rowCount() > 0)
        codedRow(source->index(0, 0));
}

qsizetype EditorEventFilterModel::codedRow(const QModelIndex &index) const
{
    const QModelIndex bottom = m_watch.bottom(index);
    if (!bottom.isValid() || bottom.parent().isValid())
        return -1;
    const size_t row = size_t(bottom.row());
    Rows &rows = *m_rows;
    if (row >= rows.typeCodes.size()) {
        const size_t count = qMax(size_t(bottom.model()->rowCount()), row + 1);
        rows.typeCodes.resize(count, -1);
        rows.calendarCodes.resize(count, -1);
    }
    if (rows.typeCodes[row] < 0)
        readCodes(index, bottom);
    return qsizetype(row);
}

void EditorEventFilterModel::readCodes(const QModelIndex &index, const QModelIndex &bottom) const
{
    if (bottom.model() != m_castFrom) {
        m_castFrom = bottom.model();
        m_events = qobject_cast<const EventsModel *>(m_castFrom);
    }
    // The first filter reads every event: through the proxies above, one row at a time in their
    // order, it took four times what the filtering does. The events are read in their own order.
    Rows &rows = *m_rows;
    if (m_events) {
        const size_t count = qMin(rows.typeCodes.size(), size_t(m_events->rows()));
        for (size_t row = 0; row < count; ++row) {
            const AbstractCommonEvent *event = rows.typeCodes[row] < 0 ? m_events->eventAt(int(row)) : nullptr;
            if (!event)
                continue;
            rows.typeCodes[row] = rows.types.code(EventsModel::typeIdOf(*event));
            rows.calendarCodes[row] = rows.calendars.code(event->calendarId());
        }
    }
    const size_t row = size_t(bottom.row());
    if (rows.typeCodes[row] < 0) {
        rows.typeCodes[row] = rows.types.code(index.data(TypeIdRole).toByteArray());
        rows.calendarCodes[row] = rows.calendars.code(index.data(CalendarIdRole).toByteArray());
    }
}

int EditorEventFilterModel::Ids::code(const QByteArray &id)
{
    // A few calendars and types each: a look along them is quicker than hashing the id.
    const size_t few = qMin<size_t>(ids.size(), 8);
    for (size_t i = 0; i < few; ++i) {
        if (ids[i] == id)
            return int(i);
    }
    const auto found = codes.constFind(id);
    if (found != codes.constEnd())
        return found.value();
    const int next = int(ids.size());
    codes.insert(id, next);
    ids.push_back(id);
    return next;
}

void EditorEventFilterModel::forgetRows() const
{
    m_castFrom = nullptr;
    m_events = nullptr;
    m_rows->typeCodes.clear();
    m_rows->calendarCodes.clear();
}
