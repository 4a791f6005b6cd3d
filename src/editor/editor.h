#pragma once

#include "core/undoobject.h"
#include "eventtypes/ieventtypesstorage.h"
#include "events/abstractcommonevent.h"
#include "store/calendarinfo.h"
#include "widgets/dialog.h"
#include "widgets/sharedactions.h"

#include "editor/calendarstatusesupdater.h"
#include "editor/editorask.h"
#include "editor/eventfinder.h"

#include <QActionGroup>
#include <QDate>
#include <QPointer>
#include <QSet>
#include <QToolButton>

#include <functional>
#include <memory>

class CalendarModel;
class CalendarProxyModel;
class CalendarView;
class DateShowingListView;
class EditorEventFilterModel;
class EditorEventsModel;
class EditorFilterPanel;
class EventTypeOperations;
class EventTypesTreeModel;
class IEventType;
class EventsManager;
class EventsModel;
class EventsTableModel;
class FilterInfoItemWidget;
class FilterInfoWidget;
class QAbstractItemView;
class QContextMenuEvent;
class QHBoxLayout;
class QMenu;
class QMenuBar;
class QSortFilterProxyModel;
class QSplitter;
class QStackedWidget;
class QToolButton;
class TableView;

namespace EditorPrivate {
class CalendarStatusesUpdater;
}

// The events editor: the filter panel beside the calendar page (year calendar over the chosen
// day's events) or the table page, tool bars above, the filter strip below. Made once by the
// application; closing only hides it. Every change goes onto the shared undo stack.
class Editor : public Dialog, public UndoProxy
{
    Q_OBJECT

public:
    // The shared actions go into its File and Gadgets menus.
    explicit Editor(EventsManager *manager, const SharedActions &shared = SharedActions());
    ~Editor() override;

    void setCurrentEvent(int eventIndex);
    void invalidateFilters();
    void deleteEventByIndex(int eventIndex);

    // Runs a menu at a global position; tests replace it so no modal loop starts.
    using MenuRunner = std::function<void(QMenu *menu, const QPoint &globalPos)>;
    void setMenuRunner(const MenuRunner &runner);

    // Questions, messages, file names and modal dialogs; tests hand in their own answers.
    void setAsk(std::unique_ptr<IEditorAsk> ask);
    IEditorAsk *ask() const { return m_ask.get(); }

    // The widgets, for the application and tests.
    CalendarView *calendarView() const { return m_calendarView; }
    DateShowingListView *calendarItemsView() const { return m_calendarItemsListView; }
    TableView *tableView() const { return m_tableView; }
    EditorFilterPanel *filterPanel() const { return m_panel; }
    FilterInfoWidget *filterInfo() const { return m_filterInfo; }
    QStackedWidget *pages() const { return m_pages; }
    QMenuBar *menuBar() const { return m_menuBar; }
    QAbstractItemView *currentView() const;
    QSortFilterProxyModel *currentFilter() const;
    QList<EditorEventFilterModel *> dataFilters() const { return m_dataFilters; }
    QList<QSortFilterProxyModel *> sortFilters() const { return m_sortFilters; }
    EditorEventsModel *eventsModel() const { return m_eventsModel.get(); }
    QActionGroup *changeViewActions() { return &m_changeViewActions; }
    QAction *editAction() const { return m_editAction; }
    QAction *findAction() const { return m_findAction; }
    QAction *deleteAction() const { return m_deleteAction; }
    QAction *exportSelectionAction() const { return m_exportSelectionAction; }
    QAction *exportAllAction() const { return m_exportAllAction; }
    QAction *triggerFilterPanelAction() const { return m_triggerFilterPanelAction; }
    QToolButton *exportButton() const { return m_exportButton; }
    EditorPrivate::CalendarStatusesUpdater *statusesUpdater() const { return m_statusesUpdater; }
    QSet<int> yearsToUpdate() const { return m_yearsToUpdate; }
    QDate newEventDate() const { return m_newEventDate; }
    QMenu *tableContextMenu() const { return m_tableContextMenu.get(); }
    QMenu *newEventMenu() const { return m_newEventMenu.get(); }
    QAction *newToDoAction() const { return m_newToDoAction; }
    EventTypesTreeModel *eventTypesModel() const { return m_eventTypesModel.get(); }
    CalendarModel *calendarListModel() const { return m_calendarListModel.get(); }
    int clockStatus() const { return m_clockStatus; }
    int clockTrailStatus() const { return m_clockTrailStatus; }
    QString lastFindText() const { return m_lastFindText; }
    QString lastDirectory() const { return m_lastDirectory; }

public slots:
    void onNewEventAction();
    void editEventByIndex(const QModelIndex &index);
    void onEditButton();
    void onFindButton();
    void onQuickFindButton();
    void onExportSelectionButton();
    void onExportAllEventsButton();
    void onImportButton();
    void updateButtons();
    void onDeleteButton();
    QList<int> selectedEvents() const;
    QList<int> allEventsIds() const;
    void onChangeViewAction();
    void updateCalendarStatuses();
    void propertyChanged(const QByteArray &id, const QVariant &value);
    void showDayContextMenu(const QPoint &pos, const QDate &date);
    void showCalendarContextMenu(const QPoint &pos);
    void cleanUpNewEventDate();
    void cleanUpNewEventDateDelayed();
    void showTableContextMenu(QContextMenuEvent *event);
    void showCalendarItemsContextMenu(QContextMenuEvent *event);
    void updateCalendarStatuses(int viewportYear);
    void checkUpdateCalendar();
    void updateCalendarItemsHeight();
    void print();
    void backup();
    void restore();
    void toggleFilterPanel();
    void onCreateFolderClicked();
    void onEditTypeClicked();
    void onCreateCustomTypeClicked();
    void onRemoveCustomTypeClicked();
    void onMoveTypeUpClicked();
    void onMoveTypeDownClicked();
    void onMoveTypeRequested(const QModelIndex &index, const QModelIndex &parent, int row);
    void onRenameTypeRequested(const QModelIndex &index, const QString &name);
    void rebuildNewMenu();
    void onTypeActivated(const QModelIndex &index);
    void updateDataFilter();
    void updateFilterInfo();
    void onEditCalendarClicked();
    void onCreateCalendarClicked();
    void onRemoveCalendarClicked();
    void onMoveCalendarUpClicked();
    void onMoveCalendarDownClicked();
    void onMoveCalendarRequested(int index, int step);
    void onRenameCalendarRequested(int index, const QString &name);
    void onRemoveFilterClicked(FilterInfoItemWidget *item);
    void onSetCalendarAsDefaultClicked();
    void onCalendarActivated(const QModelIndex &index);
    void onMoveToCalendarClicked();
    void onNewToDoAction();

protected:
    void keyPressEvent(QKeyEvent *event) override;
    void closeEvent(QCloseEvent *event) override;
    void showEvent(QShowEvent *event) override;

private:
    void setupUi();
    void setupActions();
    void setupTableView();
    void setupCalendarView();
    void setupTypesModel();
    void setupCalendarsListModel();
    void changeView(int pageIndex);
    void restoreSplittersState();
    void saveSplittersState();
    // Columns as wide as their contents; asked for on every reset, done once per turn of the loop.
    void scheduleColumnSizing();
    void sizeTableColumns();
    // The table is sorted when its page is first shown: sorting every event cost more than the rest of an
    // opening on the calendar page.
    void sortTableOnce();
    // The width that holds the tool bars beside the filter panel, open or not.
    int firstOpenWidth() const;
    // Grows the window until the calendar shows a whole six-week month, within the screen.
    void fitCalendarOnFirstOpen();
    void showContextMenu(const QPoint &pos, const AbstractCommonEventPtr &event);
    QMenu *dayContextMenu();
    QMenu *calendarContextMenu();
    void buildNewMenu(QMenu *menu, const IEventTypesStorage::Index &parent);
    void createNewEvent(IEventType *eventType);
    EventTypeOperations typeOperations();
    QByteArray currentCalendarId() const;

    // Find.
    void quickFindInTable();
    void quickFindInCalendar();
    bool generalTextFind(QModelIndex &current, const EventFinder::Finder &finder);
    QModelIndex findInTableRange(const QModelIndex &from, const QModelIndex &to);
    QModelIndex findInCalendarRange(const QModelIndex &from, const QModelIndex &to);

    // Files.
    void exportEvents(const QList<int> &eventIndexes);
    // The number of events imported, -1 after an error.
    // keepUndecodable: the user saw where the text does not decode in the encoding and chose it.
    int importEvents(const QString &fileName, int format, const QByteArray &encoding, CalendarInfo calendar,
                     bool keepUndecodable = false);

    EventsManager *m_manager;
    // The form's widgets.
    QMenuBar *m_menuBar = nullptr;
    QMenu *m_fileMenu = nullptr;
    QMenu *m_editMenu = nullptr;
    QMenu *m_eventsMenu = nullptr;
    QMenu *m_viewMenu = nullptr;
    QMenu *m_gadgetsMenu = nullptr;
    EditorFilterPanel *m_panel = nullptr;
    QWidget *m_centralWidget = nullptr;
    QStackedWidget *m_pages = nullptr;
    CalendarView *m_calendarView = nullptr;
    TableView *m_tableView = nullptr;
    FilterInfoWidget *m_filterInfo = nullptr;
    QAction *m_actionBackup = nullptr;
    QAction *m_actionRestore = nullptr;
    QAction *m_actionClose = nullptr;
    QAction *m_actionSettings = nullptr;

    std::unique_ptr<EditorEventsModel> m_eventsModel;
    std::unique_ptr<EventsTableModel> m_tableModel;
    std::unique_ptr<EventTypesTreeModel> m_eventTypesModel;
    std::unique_ptr<CalendarModel> m_calendarListModel;
    std::unique_ptr<QSortFilterProxyModel> m_tableFilter;
    std::unique_ptr<CalendarProxyModel> m_calendarFilter;
    std::unique_ptr<QSortFilterProxyModel> m_calendarFindFilter;
    QList<QAbstractItemView *> m_views;
    QList<EventsModel *> m_models;
    QList<QSortFilterProxyModel *> m_sortFilters;
    // The panel's filter of each page: on the calendar page over all events (for the day marks and
    // the find), on the table page under the view.
    QList<EditorEventFilterModel *> m_dataFilters;
    QAction *m_newEventAction = nullptr;
    // The panel's filter over the day's sorted events, under the calendar page's list.
    EditorEventFilterModel *m_dayFilter = nullptr;
    // The models the views show.
    QList<QSortFilterProxyModel *> m_viewFilters;
    QAction *m_editAction = nullptr;
    QAction *m_findAction = nullptr;
    QAction *m_quickFindAction = nullptr;
    QAction *m_deleteAction = nullptr;
    QAction *m_exportSelectionAction = nullptr;
    QAction *m_exportAllAction = nullptr;
    QAction *m_importAction = nullptr;
    QAction *m_printAction = nullptr;
    QAction *m_newToDoAction = nullptr;
    QAction *m_gotoTodayAction = nullptr;
    QAction *m_triggerFilterPanelAction = nullptr;
    std::unique_ptr<QMenu> m_newEventMenu;
    std::unique_ptr<QMenu> m_tableContextMenu;
    QActionGroup m_changeViewActions;
    int m_clockStatus = -1;
    int m_clockTrailStatus = -1;
    std::unique_ptr<QMenu> m_dayContextMenu;
    std::unique_ptr<QMenu> m_calendarContextMenu;
    QPointer<EditorPrivate::CalendarStatusesUpdater> m_statusesUpdater;
    QDate m_newEventDate;
    QString m_lastFindText;
    // The folder of the file dialogs: the home folder, then the folder of the last file chosen in any of them.
    QString m_lastDirectory;
    QSet<int> m_yearsToUpdate;
    QSplitter *m_splitter = nullptr;
    DateShowingListView *m_calendarItemsListView = nullptr;
    QPointer<QToolButton> m_exportButton;
    MenuRunner m_menuRunner;
    std::unique_ptr<IEditorAsk> m_ask;
    QHBoxLayout *m_toolBarRow = nullptr;
    bool m_columnSizingPending = false;
    bool m_columnSizingStale = false;
    bool m_calendarStatusesStale = false; // the calendar's marks wait for its page
    bool m_shownBefore = false;
};
