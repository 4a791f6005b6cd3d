#include "editor/editoreventfiltermodel.h"

#include "events/abstractcommonevent.h"
#include "store/eventitemrole.h"
#include "store/eventsmodel.h"

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
    const qsizetype row = codedRow(index);
    if (row < 0) {
        // A row of a tree has no row of its own in the tables: read it each time.
        return (m_typeIds.isEmpty() || m_typeIds.contains(index.data(TypeIdRole).toByteArray())) &&
               (m_calendarIds.isEmpty() || m_calendarIds.contains(index.data(CalendarIdRole).toByteArray()));
    }
    return (m_typeIds.isEmpty() || m_types.kept[size_t(m_typeCodes[size_t(row)])]) &&
           (m_calendarIds.isEmpty() || m_calendars.kept[size_t(m_calendarCodes[size_t(row)])]);
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
    if (row >= m_typeCodes.size()) {
        const size_t rows = qMax(size_t(bottom.model()->rowCount()), row + 1);
        m_typeCodes.resize(rows, -1);
        m_calendarCodes.resize(rows, -1);
    }
    if (m_typeCodes[row] < 0)
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
    if (m_events) {
        const size_t rows = qMin(m_typeCodes.size(), size_t(m_events->rows()));
        for (size_t row = 0; row < rows; ++row) {
            const AbstractCommonEvent *event = m_typeCodes[row] < 0 ? m_events->eventAt(int(row)) : nullptr;
            if (!event)
                continue;
            m_typeCodes[row] = m_types.code(EventsModel::typeIdOf(*event), m_typeIds);
            m_calendarCodes[row] = m_calendars.code(event->calendarId(), m_calendarIds);
        }
    }
    const size_t row = size_t(bottom.row());
    if (m_typeCodes[row] < 0) {
        m_typeCodes[row] = m_types.code(index.data(TypeIdRole).toByteArray(), m_typeIds);
        m_calendarCodes[row] = m_calendars.code(index.data(CalendarIdRole).toByteArray(), m_calendarIds);
    }
}

int EditorEventFilterModel::Codes::code(const QByteArray &id, const QList<QByteArray> &keptIds)
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
    const int next = int(kept.size());
    codes.insert(id, next);
    ids.push_back(id);
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
    m_castFrom = nullptr;
    m_events = nullptr;
    m_typeCodes.clear();
    m_calendarCodes.clear();
}
