// The editor's find: the next event, after the current one, whose shown text has the typed text.

#include "editor/editor.h"

#include "core/applocale.h"
#include "core/clock.h"
#include "core/log.h"
#include "core/statcollector.h"
#include "editor/calendarproxymodel.h"
#include "editor/editoreventfiltermodel.h"
#include "editor/editoreventsmodel.h"
#include "editor/eventfinder.h"
#include "store/eventitemrole.h"
#include "widgets/calendar/calendarview.h"
#include "widgets/dateshowinglistview.h"
#include "widgets/tableview.h"

#include <QSortFilterProxyModel>

void Editor::onFindButton()
{
    const QString text = m_ask->text(this, tr("Find"), tr("Text (or Date) to find:"), m_lastFindText);
    if (text.isEmpty())
        return;
    m_lastFindText = text;
    onQuickFindButton();
}

void Editor::onQuickFindButton()
{
    if (m_lastFindText.isEmpty()) {
        onFindButton();
        return;
    }
    if (currentView() == m_tableView)
        quickFindInTable();
    else
        quickFindInCalendar();
}

bool Editor::generalTextFind(QModelIndex &current, const EventFinder::Finder &finder)
{
    StatCollector::incrementCounter("f_find_event");
    return EventFinder::wrapAroundFind(current, finder).isValid();
}

QModelIndex Editor::findInTableRange(const QModelIndex &from, const QModelIndex &to)
{
    const QModelIndex found = EventFinder::findInTable(from, to, m_lastFindText, Common::appLocale());
    if (found.isValid())
        m_tableView->setCurrentIndex(found);
    return found;
}

QModelIndex Editor::findInCalendarRange(const QModelIndex &from, const QModelIndex &to)
{
    const QModelIndex found = EventFinder::findInList(from, to, m_lastFindText, Common::appLocale(), NextDateRole);
    if (!found.isValid())
        return found;
    const QDate date = found.data(NextDateRole).toDate();
    if (date.isValid())
        m_calendarView->setSelectedDate(date, true);
    // All events -> events model -> the day's sorted events -> the panel's filter; a hidden event gets
    // no current item.
    const QModelIndex event = m_calendarFindFilter->mapToSource(found);
    const QModelIndex ofDay = m_calendarFilter->mapFromSource(event);
    const QModelIndex shown = ofDay.isValid() ? m_dayFilter->mapFromSource(ofDay) : QModelIndex();
    m_calendarItemsListView->setCurrentIndex(shown);
    if (!shown.isValid())
        m_calendarItemsListView->clearSelection();
    return found;
}

void Editor::quickFindInTable()
{
    // Without a current cell the search starts after the last one, at the first.
    QModelIndex current = m_tableView->currentIndex();
    if (!current.isValid())
        current =
            m_dataFilters.at(1)->index(m_dataFilters.at(1)->rowCount() - 1, m_dataFilters.at(1)->columnCount() - 1);
    generalTextFind(current,
                    [this](const QModelIndex &from, const QModelIndex &to) { return findInTableRange(from, to); });
}

void Editor::quickFindInCalendar()
{
    if (!m_calendarFindFilter->sourceModel())
        m_calendarFindFilter->setSourceModel(m_eventsModel.get());
    QModelIndex current;
    const QModelIndex shown = m_calendarItemsListView->currentIndex();
    if (shown.isValid())
        current = m_calendarFindFilter->mapFromSource(m_calendarFilter->mapToSource(m_dayFilter->mapToSource(shown)));
    if (!current.isValid())
        current = m_calendarFindFilter->index(m_calendarFindFilter->rowCount() - 1, 0);
    const bool found = generalTextFind(
        current, [this](const QModelIndex &from, const QModelIndex &to) { return findInCalendarRange(from, to); });
    if (found)
        return;
    const QDate date = EventFinder::parseDate(m_lastFindText, Common::appLocale(), Common::Clock::today());
    if (date.isValid())
        m_calendarView->setSelectedDate(date, true);
}
