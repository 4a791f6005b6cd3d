#include "editor/editor.h"

#include "core/accelerators.h"
#include "core/clock.h"
#include "core/iapplication.h"
#include "core/log.h"
#include "core/properties.h"
#include "core/settingkeys.h"
#include "core/statcollector.h"
#include "core/usermessages.h"
#include "editor/calendarmodel.h"
#include "editor/calendaroperations.h"
#include "editor/calendarproxymodel.h"
#include "editor/calendarstatusesupdater.h"
#include "editor/editoreventfiltermodel.h"
#include "editor/editoreventsmodel.h"
#include "editor/editorfilterpanel.h"
#include "editor/editorresources.h"
#include "editor/eventoperations.h"
#include "editor/eventtypeoperations.h"
#include "editor/eventstablemodel.h"
#include "editor/filterinfoitemwidget.h"
#include "editor/filterinfowidget.h"
#include "events/eventsfactory.h"
#include "eventtypes/eventtypestreemodel.h"
#include "eventtypes/ieventtype.h"
#include "eventtypes/itreeviewexpandinfo.h"
#include "eventtypes/ui/customtypewizard.h"
#include "store/editorcommands.h"
#include "store/eventitemrole.h"
#include "store/eventsmanager.h"
#include "widgets/calendar/calendarview.h"
#include "widgets/dateshowinglistview.h"
#include "widgets/sizecachingitemdelegate.h"
#include "widgets/tableview.h"
#include "widgets/widgetresources.h"

#include <QCloseEvent>
#include <algorithm>
#include <QDir>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QMenu>
#include <QMenuBar>
#include <QSplitter>
#include <QStackedWidget>
#include <QStandardItemModel>
#include <QStyle>
#include <QTimer>
#include <QToolBar>
#include <QToolButton>
#include <QTreeView>
#include <QVBoxLayout>

namespace EditorPrivate {

// Swallows the menu bar's context menu, which would only offer to hide nothing.
class ContextMenuRemover : public QObject
{
public:
    using QObject::QObject;

protected:
    bool eventFilter(QObject *watched, QEvent *event) override
    {
        if (event->type() == QEvent::ContextMenu)
            return true;
        return QObject::eventFilter(watched, event);
    }
};

// Tells the types model which folders its view shows open, for the folder icons. The view owns it.
class TreeViewExpandInfoProvider : public QObject, public ITreeViewExpandInfo
{
public:
    explicit TreeViewExpandInfoProvider(QTreeView *view) : QObject(view), m_view(view) {}

    bool isExpanded(const QModelIndex &index) const override { return m_view->isExpanded(index); }

private:
    QTreeView *m_view;
};

} // namespace EditorPrivate

namespace {

Properties *properties()
{
    return IApplication::instance()->properties();
}

QIcon icon(const char *name)
{
    return sharpIcon(QStringLiteral(":/Ostrevalder/icons/") + QLatin1String(name));
}

const QIcon &calendarBullet(bool isDefault)
{
    static const QIcon base(QStringLiteral(":/Ostrevalder/icons/bullet_base_event.png"));
    static const QIcon custom(QStringLiteral(":/Ostrevalder/icons/bullet_custom_event.png"));
    return isDefault ? base : custom;
}

} // namespace

Editor::Editor(EventsManager *manager, const SharedActions &shared)
    // A parentless dialog gets no taskbar entry and no maximize button from several window
    // managers, so the editor is a plain window with the same hints.
    : Dialog(nullptr, Setting::EditorGeometry, Qt::Window | Qt::WindowMaximizeButtonHint),
      UndoProxy(IApplication::instance()->undoObject()), m_manager(manager), m_changeViewActions(this),
      m_lastDirectory(QDir::homePath()), m_ask(std::make_unique<DialogEditorAsk>())
{
    m_actionSettings = shared.settings;
    m_newToDoAction = shared.newToDoGadget;
    initEditorResources();
    m_menuRunner = [](QMenu *menu, const QPoint &pos) { menu->exec(pos); };
    setupUi();

    m_tableFilter = std::make_unique<KeyedSortProxyModel>();
    m_tableFilter->setSortRole(SortRole);
    m_tableFilter->setDynamicSortFilter(true);
    m_tableFilter->setFilterCaseSensitivity(Qt::CaseInsensitive);
    m_calendarFilter = std::make_unique<CalendarProxyModel>(manager);
    m_calendarFilter->setSortRole(NextDateTimeRole);
    m_calendarFilter->sort(0, Qt::AscendingOrder);
    m_calendarFilter->setDynamicSortFilter(true);
    m_sortFilters = {m_calendarFilter.get(), m_tableFilter.get()};
    m_dataFilters = {new EditorEventFilterModel(this), new EditorEventFilterModel(this)};
    m_eventsModel = std::make_unique<EditorEventsModel>(manager);
    m_tableModel = std::make_unique<EventsTableModel>(manager);
    // Its events get their model at the first search: sorting them all again after every import or
    // reset cost as much as the rest of the editor's views.
    m_calendarFindFilter = std::make_unique<KeyedSortProxyModel>();
    m_calendarFindFilter->setSortRole(NextDateTimeRole);
    m_calendarFindFilter->sort(0, Qt::AscendingOrder);
    m_models = {m_eventsModel.get(), m_tableModel.get()};

    setupActions();
    m_menuBar->installEventFilter(new EditorPrivate::ContextMenuRemover(m_menuBar));

    m_views = {m_calendarItemsListView, m_tableView};
    connect(m_tableView, &TableView::deletePressed, this, &Editor::onDeleteButton);
    connect(m_calendarItemsListView, &DateShowingListView::deletePressed, this, &Editor::onDeleteButton);
    connect(m_calendarItemsListView, &DateShowingListView::resized, this, &Editor::updateCalendarItemsHeight);
    QR_ASSERT(m_sortFilters.count() == m_views.count());
    QR_ASSERT(m_models.count() == m_views.count());
    // The panel's filter sits over the sorting proxies: a change of it filters once and sorts nothing.
    m_dayFilter = new EditorEventFilterModel(this);
    m_dataFilters.at(0)->setSourceModel(m_eventsModel.get());
    m_viewFilters = {m_dayFilter, m_dataFilters.at(1)};
    for (int i = 0; i < m_views.count(); ++i) {
        QAbstractItemView *view = m_views.at(i);
        view->setModel(m_viewFilters.at(i));
        m_viewFilters.at(i)->setSourceModel(m_sortFilters.at(i));
        m_sortFilters.at(i)->setSourceModel(m_models.at(i));
        connect(view, &QAbstractItemView::doubleClicked, this, &Editor::editEventByIndex);
        connect(view->selectionModel(), &QItemSelectionModel::selectionChanged, this, &Editor::updateButtons);
        connect(view->selectionModel(), &QItemSelectionModel::currentChanged, this, &Editor::updateButtons);
        connect(m_models.at(i), &QAbstractItemModel::modelReset, this, &Editor::updateButtons);
        connect(m_models.at(i), &QAbstractItemModel::rowsInserted, this, &Editor::updateButtons);
        connect(m_models.at(i), &QAbstractItemModel::rowsRemoved, this, &Editor::updateButtons);
    }
    connect(m_pages, &QStackedWidget::currentChanged, this, &Editor::updateButtons);
    connect(m_pages, &QStackedWidget::currentChanged, this, &Editor::sortTableOnce);
    connect(m_pages, &QStackedWidget::currentChanged, this, [this] {
        if (m_columnSizingStale && isVisible())
            sizeTableColumns();
        if (m_calendarStatusesStale && m_pages->currentIndex() == 0)
            updateCalendarStatuses();
    });
    // What the table shows changes with every filter: a cleared filter brings back longer texts.
    if (QAbstractItemModel *shown = m_tableView->model()) {
        connect(shown, &QAbstractItemModel::modelReset, this, &Editor::scheduleColumnSizing);
        connect(shown, &QAbstractItemModel::rowsInserted, this, &Editor::scheduleColumnSizing);
        connect(shown, &QAbstractItemModel::layoutChanged, this, &Editor::scheduleColumnSizing);
    }
    // An import into the open editor resets the model: dates and captions must not stay cut.
    connect(m_tableModel.get(), &QAbstractItemModel::modelReset, this, &Editor::scheduleColumnSizing);
    connect(m_tableModel.get(), &QAbstractItemModel::rowsInserted, this, &Editor::scheduleColumnSizing);

    setupTableView();
    setupCalendarView();
    setupTypesModel();
    setupCalendarsListModel();
    m_panel->init();
    connect(m_filterInfo, &FilterInfoWidget::clicked, this, &Editor::onRemoveFilterClicked);
    // A chip shows the calendar's name: a rename must reach it.
    connect(m_manager, &EventsManager::calendarChanged, this, &Editor::updateFilterInfo);
    updateDataFilter();
    // Read while the events are read for the views anyway, and once for the three filters, whose
    // models below have the events' rows: the first click in the panel read every event three
    // times, one filter after the other, in the order of each page.
    m_dataFilters.at(1)->shareRowsWith(m_dataFilters.at(0));
    m_dayFilter->shareRowsWith(m_dataFilters.at(0));
    m_dataFilters.at(0)->readAhead();

    connect(m_panel, &EditorFilterPanel::createFolderClicked, this, &Editor::onCreateFolderClicked);
    connect(m_panel, &EditorFilterPanel::createCustomTypeClicked, this, &Editor::onCreateCustomTypeClicked);
    connect(m_panel, &EditorFilterPanel::editClicked, this, &Editor::onEditTypeClicked);
    connect(m_panel, &EditorFilterPanel::removeClicked, this, &Editor::onRemoveCustomTypeClicked);
    connect(m_panel, &EditorFilterPanel::moveUpClicked, this, &Editor::onMoveTypeUpClicked);
    connect(m_panel, &EditorFilterPanel::moveDownClicked, this, &Editor::onMoveTypeDownClicked);
    connect(m_panel, &EditorFilterPanel::createCalendarClicked, this, &Editor::onCreateCalendarClicked);
    connect(m_panel, &EditorFilterPanel::editCalendarClicked, this, &Editor::onEditCalendarClicked);
    connect(m_panel, &EditorFilterPanel::removeCalendarClicked, this, &Editor::onRemoveCalendarClicked);
    connect(m_panel, &EditorFilterPanel::moveUpCalendarClicked, this, &Editor::onMoveCalendarUpClicked);
    connect(m_panel, &EditorFilterPanel::moveDownCalendarClicked, this, &Editor::onMoveCalendarDownClicked);
    connect(m_panel, &EditorFilterPanel::setCalendarAsDefaultClicked, this, &Editor::onSetCalendarAsDefaultClicked);

    restoreSplittersState();
    connect(properties(), &Properties::propertyChanged, this, &Editor::propertyChanged);
    properties()->addProperty(Setting::EditorCurrentView, Setting::EditorCurrentViewDefault);
    properties()->addProperty(Setting::EditorFilterPanel, Setting::EditorFilterPanelDefault);
    updateButtons();

    connect(m_actionBackup, &QAction::triggered, this, &Editor::backup);
    connect(m_actionRestore, &QAction::triggered, this, &Editor::restore);
    sortTableOnce();
    m_panel->setVisible(properties()->value(Setting::EditorFilterPanel).toBool());
    connect(m_panel, &EditorFilterPanel::closeClicked, this, &Editor::toggleFilterPanel);
}

Editor::~Editor()
{
    delete m_panel;
    m_panel = nullptr;
    // The views go with the widgets; the proxies must not outlive their sources' signals.
    for (QAbstractItemView *view : std::as_const(m_views))
        view->setModel(nullptr);
}

void Editor::setupUi()
{
    setObjectName(QStringLiteral("Editor"));
    resize(653, 677);
    setMinimumSize(350, 400);
    setWindowTitle(tr("Events Editor"));

    auto *outer = new QHBoxLayout(this);
    outer->setObjectName(QStringLiteral("horizontalLayout_2"));
    outer->setSpacing(0);
    outer->setContentsMargins(0, 0, 0, 0);
    auto *mainLayout = new QVBoxLayout;
    mainLayout->setObjectName(QStringLiteral("mainLayout"));
    mainLayout->setSpacing(0);
    const int margin = style()->pixelMetric(QStyle::PM_LayoutLeftMargin);
    mainLayout->setContentsMargins(margin, margin, margin, 0);
    outer->addLayout(mainLayout);

    m_menuBar = new QMenuBar(this);
    m_menuBar->setObjectName(QStringLiteral("menubar"));
    m_fileMenu = m_menuBar->addMenu(tr("&File"));
    m_editMenu = m_menuBar->addMenu(tr("&Edit"));
    m_eventsMenu = m_menuBar->addMenu(tr("Eve&nts"));
    m_viewMenu = m_menuBar->addMenu(tr("&View"));
    m_gadgetsMenu = m_menuBar->addMenu(tr("&Gadgets"));
    mainLayout->addWidget(m_menuBar);

    auto *viewsLayout = new QHBoxLayout;
    viewsLayout->setObjectName(QStringLiteral("viewsLayout"));
    viewsLayout->setSpacing(0);
    viewsLayout->setContentsMargins(3, margin, 3, margin);
    mainLayout->addLayout(viewsLayout);
    m_panel = new EditorFilterPanel(this);
    m_panel->setObjectName(QStringLiteral("editorPanelWidget"));
    m_panel->setMinimumSize(160, 0);
    m_panel->setMaximumSize(160, QWIDGETSIZE_MAX);
    m_panel->setAutoFillBackground(false);
    viewsLayout->addWidget(m_panel);

    m_centralWidget = new QWidget(this);
    m_centralWidget->setObjectName(QStringLiteral("centralWidget"));
    m_centralWidget->setSizePolicy(QSizePolicy::Preferred, QSizePolicy::Expanding);
    viewsLayout->addWidget(m_centralWidget);
    auto *centralLayout = new QVBoxLayout(m_centralWidget);
    centralLayout->setObjectName(QStringLiteral("verticalLayout"));
    centralLayout->setSpacing(0);
    centralLayout->setContentsMargins(0, 0, 0, 0);
    m_pages = new QStackedWidget(m_centralWidget);
    m_pages->setObjectName(QStringLiteral("pages"));
    centralLayout->addWidget(m_pages);

    auto *calendarPage = new QWidget;
    calendarPage->setObjectName(QStringLiteral("calendarPage"));
    calendarPage->setMinimumWidth(300);
    auto *calendarLayout = new QHBoxLayout(calendarPage);
    calendarLayout->setSpacing(0);
    calendarLayout->setContentsMargins(0, 0, 0, 0);
    m_splitter = new QSplitter(Qt::Vertical, calendarPage);
    m_splitter->setObjectName(QStringLiteral("splitter"));
    m_splitter->setHandleWidth(1);
    m_splitter->setChildrenCollapsible(false);
    calendarLayout->addWidget(m_splitter);
    m_calendarView = new CalendarView(m_splitter);
    m_calendarView->setObjectName(QStringLiteral("calendarView"));
    m_calendarView->setMinimumSize(322, 200);
    m_calendarItemsListView = new DateShowingListView(m_splitter);
    m_calendarItemsListView->setObjectName(QStringLiteral("calendarItemsView"));
    m_calendarItemsListView->setMinimumHeight(100);
    m_calendarItemsListView->setFrameShape(QFrame::Box);
    m_calendarItemsListView->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    m_calendarItemsListView->setSelectionMode(QAbstractItemView::ExtendedSelection);
    m_calendarItemsListView->setViewMode(QListView::IconMode);
    m_calendarItemsListView->setGridSize(QSize(165, 165));
    m_calendarItemsListView->setUniformItemSizes(false);
    m_calendarItemsListView->setWordWrap(true);
    m_calendarItemsListView->setMovement(QListView::Static);
    m_calendarItemsListView->setResizeMode(QListView::Adjust);
    // The list is laid out again after the window takes its size on opening: measure each caption once.
    m_calendarItemsListView->setItemDelegate(new SizeCachingItemDelegate(m_calendarItemsListView));
    m_pages->addWidget(calendarPage);

    auto *tablePage = new QWidget;
    tablePage->setObjectName(QStringLiteral("tablePage"));
    auto *tableLayout = new QHBoxLayout(tablePage);
    tableLayout->setSpacing(0);
    tableLayout->setContentsMargins(0, 0, 0, 0);
    m_tableView = new TableView(tablePage);
    m_tableView->setObjectName(QStringLiteral("tableView"));
    m_tableView->setTabKeyNavigation(false);
    m_tableView->setProperty("showDropIndicator", false);
    m_tableView->setAlternatingRowColors(true);
    m_tableView->setSelectionBehavior(QAbstractItemView::SelectRows);
    m_tableView->setSortingEnabled(true);
    m_tableView->horizontalHeader()->setVisible(false);
    m_tableView->horizontalHeader()->setStretchLastSection(true);
    m_tableView->verticalHeader()->setVisible(false);
    tableLayout->addWidget(m_tableView);
    m_pages->addWidget(tablePage);

    auto *stripLayout = new QHBoxLayout;
    stripLayout->setObjectName(QStringLiteral("horizontalLayout_3"));
    stripLayout->setSpacing(0);
    stripLayout->setContentsMargins(3, 3, 2, 3);
    m_filterInfo = new FilterInfoWidget(this);
    m_filterInfo->setObjectName(QStringLiteral("filterInfo"));
    m_filterInfo->setMinimumWidth(30);
    stripLayout->addWidget(m_filterInfo);
    mainLayout->addLayout(stripLayout);

    m_actionBackup = new QAction(icon("backup.png"), tr("&Backup..."), this);
    m_actionBackup->setObjectName(QStringLiteral("actionBackup"));
    m_actionRestore = new QAction(tr("&Restore..."), this);
    m_actionRestore->setObjectName(QStringLiteral("actionRestore"));
    m_actionClose = new QAction(tr("&Close"), this);
    m_actionClose->setObjectName(QStringLiteral("actionClose"));
    m_fileMenu->addAction(m_actionBackup);
    m_fileMenu->addAction(m_actionRestore);
    m_fileMenu->addSeparator();
    if (m_actionSettings) {
        m_fileMenu->addAction(m_actionSettings);
        m_fileMenu->addSeparator();
    }
    m_fileMenu->addAction(m_actionClose);
    connect(m_actionClose, &QAction::triggered, this, &QDialog::reject);
    m_pages->setCurrentIndex(0);
}

void Editor::setupActions()
{
    auto *row = new QHBoxLayout;
    m_toolBarRow = row;
    row->setContentsMargins(0, 0, 0, 0);
    auto *firstBar = new QToolBar(this);
    firstBar->setIconSize(QSize(28, 28));

    m_newEventMenu = std::make_unique<QMenu>(tr("&New"));
    rebuildNewMenu();
    auto *newButton = new QToolButton(this);
    newButton->setObjectName(QStringLiteral("newEventButton"));
    newButton->setMenu(m_newEventMenu.get());
    newButton->setToolTip(tr("New Event"));
    newButton->setPopupMode(QToolButton::InstantPopup);
    newButton->setIcon(icon("add.png"));
    firstBar->addWidget(newButton);
    m_eventsMenu->addMenu(m_newEventMenu.get());
    // The standard New key opens the list of types under the button, where a letter picks one.
    m_newEventAction = new QAction(tr("New Event"), this);
    m_newEventAction->setShortcut(QKeySequence::New);
    connect(m_newEventAction, &QAction::triggered, this,
            [this, newButton] { m_newEventMenu->popup(newButton->mapToGlobal(QPoint(0, newButton->height()))); });
    addAction(m_newEventAction);
    firstBar->addSeparator();

    if (m_newToDoAction)
        m_gadgetsMenu->addAction(m_newToDoAction);

    m_editAction = new QAction(icon("edit_blue.png"), tr("&Edit Event"), this);
    connect(m_editAction, &QAction::triggered, this, &Editor::onEditButton);
    m_editAction->setShortcut(Qt::Key_F2);
    firstBar->addAction(m_editAction);
    m_eventsMenu->addAction(m_editAction);

    m_findAction = new QAction(icon("search_16.png"), tr("&Find Event"), this);
    connect(m_findAction, &QAction::triggered, this, &Editor::onFindButton);
    m_findAction->setShortcuts({QKeySequence(Qt::CTRL | Qt::Key_F3), QKeySequence(Qt::CTRL | Qt::Key_F)});
    firstBar->addAction(m_findAction);
    m_editMenu->addAction(m_findAction);
    m_editMenu->addSeparator();

    m_quickFindAction = new QAction(tr("Quick Find"), this);
    m_quickFindAction->setShortcut(Qt::Key_F3);
    connect(m_quickFindAction, &QAction::triggered, this, &Editor::onQuickFindButton);
    // An action on no widget never fires its shortcut; F3 repeats the last search in the window.
    addAction(m_quickFindAction);

    m_deleteAction = new QAction(icon("delete.png"), tr("&Delete Event"), this);
    connect(m_deleteAction, &QAction::triggered, this, &Editor::onDeleteButton);
    firstBar->addAction(m_deleteAction);
    m_eventsMenu->addAction(m_deleteAction);
    firstBar->addSeparator();

    QAction *undo = createUndoAction(this, icon("undo.png"));
    QAction *redo = createRedoAction(this, icon("redo.png"));
    firstBar->addAction(undo);
    firstBar->addAction(redo);
    m_editMenu->addAction(undo);
    m_editMenu->addAction(redo);
    firstBar->addSeparator();
    m_eventsMenu->addSeparator();

    auto *exportMenu = new QMenu(this);
    exportMenu->setTitle(tr("E&xport"));
    exportMenu->setIcon(icon("export.png"));
    m_exportSelectionAction = new QAction(tr("Export &selection"), this);
    connect(m_exportSelectionAction, &QAction::triggered, this, &Editor::onExportSelectionButton);
    m_exportAllAction = new QAction(tr("Export &All Events"), this);
    connect(m_exportAllAction, &QAction::triggered, this, &Editor::onExportAllEventsButton);
    m_exportSelectionAction->setIcon(icon("export.png"));
    m_exportAllAction->setIcon(icon("export.png"));
    exportMenu->addAction(m_exportSelectionAction);
    exportMenu->addAction(m_exportAllAction);
    m_exportButton = new QToolButton(this);
    m_exportButton->setMenu(exportMenu);
    m_exportButton->setObjectName(QStringLiteral("exportEventsButton"));
    m_exportButton->setToolTip(tr("Export"));
    m_exportButton->setPopupMode(QToolButton::InstantPopup);
    m_exportButton->setIcon(icon("export.png"));
    firstBar->addWidget(m_exportButton);
    m_eventsMenu->addMenu(exportMenu);

    m_importAction = new QAction(icon("import.png"), tr("&Import..."), this);
    connect(m_importAction, &QAction::triggered, this, &Editor::onImportButton);
    firstBar->addAction(m_importAction);
    m_eventsMenu->addAction(m_importAction);
    firstBar->addSeparator();
    m_eventsMenu->addSeparator();

    m_printAction = new QAction(icon("print.png"), tr("&Print..."), this);
    connect(m_printAction, &QAction::triggered, this, &Editor::print);
    firstBar->addAction(m_printAction);
    m_eventsMenu->addAction(m_printAction);

    row->addWidget(firstBar);
    row->addStretch(0);
    auto *secondBar = new QToolBar(this);
    secondBar->setIconSize(QSize(28, 28));
    m_changeViewActions.addAction(new QAction(icon("calendar2/calendar_24.png"), tr("&Calendar"), this));
    m_changeViewActions.addAction(new QAction(icon("table_24.png"), tr("&Table"), this));
    for (QAction *action : m_changeViewActions.actions()) {
        connect(action, &QAction::triggered, this, &Editor::onChangeViewAction);
        secondBar->addAction(action);
        m_viewMenu->addAction(action);
        action->setCheckable(true);
        // A menu entry with an icon shows no check mark: the menu would not tell which view is on.
        action->setIconVisibleInMenu(false);
    }
    m_viewMenu->addSeparator();
    secondBar->addSeparator();

    m_triggerFilterPanelAction = new QAction(icon("tree.png"), tr("Calendars and &Event Types"), this);
    m_triggerFilterPanelAction->setCheckable(true);
    m_triggerFilterPanelAction->setIconVisibleInMenu(false);
    m_triggerFilterPanelAction->setChecked(m_panel->isVisible());
    connect(m_triggerFilterPanelAction, &QAction::triggered, this, &Editor::toggleFilterPanel);
    m_viewMenu->addAction(m_triggerFilterPanelAction);
    secondBar->addAction(m_triggerFilterPanelAction);
    row->addWidget(secondBar);

    auto *centralLayout = qobject_cast<QVBoxLayout *>(m_centralWidget->layout());
    QR_ASSERT(centralLayout);
    if (centralLayout)
        centralLayout->insertLayout(0, row, 0);

    m_gotoTodayAction = new QAction(tr("&Go to Today"), this);
    connect(m_gotoTodayAction, &QAction::triggered, m_calendarView, [this] { m_calendarView->scrollToCurrentDay(); });
}

void Editor::setupTableView()
{
    connect(m_tableView, &TableView::contextMenu, this, &Editor::showTableContextMenu);
}

void Editor::setupCalendarView()
{
    m_calendarView->setBackgroundPixmap(QPixmap(QStringLiteral(":/Ostrevalder/icons/calendar/background_map.png")));
    m_clockStatus = m_calendarView->addStatusPixmap(QPixmap(QStringLiteral(":/Ostrevalder/icons/status/clock.png")));
    m_clockTrailStatus =
        m_calendarView->addStatusPixmap(QPixmap(QStringLiteral(":/Ostrevalder/icons/status/clock_trail.png")));
    const int firstDay = properties()->value(Setting::FirstDayOfWeek).toInt();
    if (firstDay >= Qt::Monday && firstDay <= Qt::Sunday)
        m_calendarView->setFirstDayOfWeek(firstDay);
    connect(m_calendarView, &CalendarView::dayContextMenu, this, &Editor::showDayContextMenu);
    connect(m_calendarView, &CalendarView::emptyAreaContextMenu, this, &Editor::showCalendarContextMenu);
    connect(m_calendarView, &CalendarView::monthContextMenu, this,
            [this](const QPoint &pos) { showCalendarContextMenu(pos); });
    connect(m_calendarView, &CalendarView::yearContextMenu, this,
            [this](const QPoint &pos) { showCalendarContextMenu(pos); });
    connect(m_calendarView, &CalendarView::selectionChanged, m_calendarItemsListView, &DateShowingListView::setDate);
    connect(m_calendarView, &CalendarView::selectionChanged, m_calendarFilter.get(),
            &CalendarProxyModel::setFilterDate);
    m_calendarView->setSelectedDate(Common::Clock::today(), true);
    connect(m_calendarView, &CalendarView::viewportYearChanged, this, qOverload<int>(&Editor::updateCalendarStatuses));
    // Before its first layout the view has no year; its first viewportYearChanged starts the run.
    updateCalendarStatuses();
    connect(m_calendarItemsListView, &DateShowingListView::contextMenu, this, &Editor::showCalendarItemsContextMenu);
    connect(m_panel->calendarsTreeView(), &QTreeView::activated, this, &Editor::onCalendarActivated);
}

void Editor::setupTypesModel()
{
    QTreeView *view = m_panel->eventTypesTreeView();
    IEventTypesStorage *storage = IApplication::instance()->eventTypesStorage();
    if (!QR_CHECK(storage)) {
        // Without types the tree stays empty rather than the panel crashing on a missing model.
        view->setModel(new QStandardItemModel(view));
        return;
    }
    m_eventTypesModel =
        std::make_unique<EventTypesTreeModel>(storage, new EditorPrivate::TreeViewExpandInfoProvider(view));
    view->setModel(m_eventTypesModel.get());
    view->setCurrentIndex(QModelIndex());
    connect(m_eventTypesModel.get(), &QAbstractItemModel::modelReset, view, &QTreeView::expandAll);
    view->expandAll();
    view->setContentsMargins(0, 0, 0, 0);
    connect(view, &QTreeView::activated, this, &Editor::onTypeActivated);
    connect(view->selectionModel(), &QItemSelectionModel::selectionChanged, this, &Editor::updateDataFilter);
    connect(view->selectionModel(), &QItemSelectionModel::currentChanged, this, &Editor::updateDataFilter);
    connect(m_eventTypesModel.get(), &QAbstractItemModel::modelReset, this, &Editor::updateDataFilter);
    connect(m_eventTypesModel.get(), &EventTypesTreeModel::somethingChanged, this, &Editor::updateDataFilter);
    connect(m_eventTypesModel.get(), &EventTypesTreeModel::somethingChanged, this, &Editor::rebuildNewMenu);
    connect(m_eventTypesModel.get(), &EventTypesTreeModel::moveRequested, this, &Editor::onMoveTypeRequested);
    QR_ASSERT(
        connect(m_eventTypesModel.get(), &EventTypesTreeModel::renameRequested, this, &Editor::onRenameTypeRequested));
}

void Editor::setupCalendarsListModel()
{
    QTreeView *view = m_panel->calendarsTreeView();
    m_calendarListModel = std::make_unique<CalendarModel>(nullptr, m_manager);
    view->setModel(m_calendarListModel.get());
    view->setCurrentIndex(QModelIndex());
    connect(view->selectionModel(), &QItemSelectionModel::selectionChanged, this, &Editor::updateDataFilter);
    connect(view->selectionModel(), &QItemSelectionModel::currentChanged, this, &Editor::updateDataFilter);
    connect(m_calendarListModel.get(), &QAbstractItemModel::modelReset, this, &Editor::updateDataFilter);
    connect(m_calendarListModel.get(), &CalendarModel::moveRequested, this, &Editor::onMoveCalendarRequested);
    QR_ASSERT(
        connect(m_calendarListModel.get(), &CalendarModel::renameRequested, this, &Editor::onRenameCalendarRequested));
}

void Editor::setAsk(std::unique_ptr<IEditorAsk> ask)
{
    QR_ASSERT(ask);
    if (ask)
        m_ask = std::move(ask);
}

void Editor::setMenuRunner(const MenuRunner &runner)
{
    m_menuRunner = runner;
    m_panel->setMenuRunner(runner);
}

// ---- pages

QAbstractItemView *Editor::currentView() const
{
    const int page = m_pages->currentIndex();
    QR_ASSERT(page == 0 || page == 1);
    return page == 0 || page == 1 ? m_views.value(page) : nullptr;
}

QSortFilterProxyModel *Editor::currentFilter() const
{
    const int page = m_pages->currentIndex();
    QR_ASSERT(page == 0 || page == 1);
    return page == 0 || page == 1 ? m_viewFilters.value(page) : nullptr;
}

void Editor::onChangeViewAction()
{
    auto *action = qobject_cast<QAction *>(sender());
    QR_ASSERT(action);
    QR_ASSERT(m_changeViewActions.actions().contains(action));
    if (!action || !m_changeViewActions.actions().contains(action))
        return;
    changeView(int(m_changeViewActions.actions().indexOf(action)));
}

void Editor::changeView(int pageIndex)
{
    const bool valid = pageIndex >= 0 && pageIndex < m_changeViewActions.actions().count();
    if (!QR_CHECK(valid)) // a stored page out of range: keep the page shown
        pageIndex = qMax(0, m_pages->currentIndex());
    m_pages->setCurrentIndex(pageIndex);
    m_changeViewActions.actions().at(pageIndex)->setChecked(true);
    properties()->setValue(Setting::EditorCurrentView, pageIndex);
}

void Editor::propertyChanged(const QByteArray &id, const QVariant &value)
{
    if (id == Setting::FirstDayOfWeek) {
        const int day = value.toInt();
        if (day >= Qt::Monday && day <= Qt::Sunday)
            m_calendarView->setFirstDayOfWeek(day);
    } else if (id == Setting::EditorCurrentView) {
        changeView(value.toInt());
    } else if (id == Setting::EditorFilterPanel) {
        m_triggerFilterPanelAction->setChecked(value.toBool());
    }
}

// ---- statuses

void Editor::updateCalendarStatuses(int viewportYear)
{
    // The marks are the calendar page's: out of sight, a run for each filter of the table page was
    // a run over every event for nothing. The page works them out when it is shown.
    m_calendarStatusesStale = m_pages->currentIndex() != 0;
    if (m_calendarStatusesStale) {
        m_yearsToUpdate.clear();
        delete m_statusesUpdater.data();
        return;
    }
    if (m_statusesUpdater && !m_statusesUpdater->isIdle()) {
        m_yearsToUpdate.insert(viewportYear);
        m_statusesUpdater->stop();
        return;
    }
    delete m_statusesUpdater.data();
    m_statusesUpdater = new EditorPrivate::CalendarStatusesUpdater(this, m_dataFilters.at(0), m_manager, m_calendarView,
                                                                   viewportYear, m_clockStatus, m_clockTrailStatus);
    connect(m_statusesUpdater, &EditorPrivate::CalendarStatusesUpdater::finished, this, &Editor::checkUpdateCalendar,
            Qt::QueuedConnection);
    m_statusesUpdater->start();
}

void Editor::updateCalendarStatuses()
{
    const int year = m_calendarView->viewportYear();
    if (year != 0)
        updateCalendarStatuses(year);
}

void Editor::checkUpdateCalendar()
{
    if (m_yearsToUpdate.isEmpty())
        return;
    // Waiting years come in no order, so a run for an earlier one could finish last and
    // replace the marks of the year in view: only the year in view is computed.
    const int anyYear = *m_yearsToUpdate.cbegin();
    m_yearsToUpdate.clear();
    const int year = m_calendarView->viewportYear();
    updateCalendarStatuses(year != 0 ? year : anyYear);
}

void Editor::updateCalendarItemsHeight()
{
    const int side = int(qMin(1.0, m_calendarItemsListView->height() / 170.0) * 165.0);
    m_calendarItemsListView->setGridSize(QSize(side, side));
    // Two lines of caption under the picture in the list's own font: a larger font takes from the picture.
    const int captionRoom = 2 * m_calendarItemsListView->fontMetrics().lineSpacing() + 7;
    m_eventsModel->setPictureHeight(qMax(side / 4, side - captionRoom));
}

void Editor::invalidateFilters()
{
    m_eventsModel->clearCache();
    m_tableModel->clearCache();
    for (QSortFilterProxyModel *filter : std::as_const(m_sortFilters))
        filter->invalidate();
}

// ---- selection

QList<int> Editor::selectedEvents() const
{
    QSet<int> indexes;
    if (QAbstractItemView *view = currentView()) {
        for (const QModelIndex &index : view->selectionModel()->selectedIndexes())
            indexes.insert(index.data(EventIndexRole).toInt());
    }
    QList<int> result(indexes.begin(), indexes.end());
    std::sort(result.begin(), result.end());
    return result;
}

QList<int> Editor::allEventsIds() const
{
    QList<int> result;
    for (int i = 0; i < m_manager->count(); ++i)
        result << i;
    return result;
}

void Editor::updateButtons()
{
    QAbstractItemView *view = currentView();
    const bool selection = view && view->currentIndex().isValid() && view->selectionModel()->hasSelection();
    m_editAction->setEnabled(selection);
    m_deleteAction->setEnabled(selection);
    m_exportSelectionAction->setEnabled(selection);
    m_exportAllAction->setEnabled(m_manager->count() > 0);
    if (m_exportButton)
        m_exportButton->setEnabled(m_exportSelectionAction->isEnabled() || m_exportAllAction->isEnabled());
}

void Editor::setCurrentEvent(int eventIndex)
{
    QSortFilterProxyModel *filter = currentFilter();
    QAbstractItemView *view = currentView();
    QR_ASSERT(filter);
    QR_ASSERT(view);
    if (!filter || !view || eventIndex == -1)
        return;
    if (m_pages->currentIndex() == 0) {
        const QModelIndexList found =
            m_eventsModel->match(m_eventsModel->index(0, 0), EventIndexRole, eventIndex, 1, Qt::MatchExactly);
        if (found.isEmpty())
            return;
        m_calendarView->setSelectedDate(found.first().data(NextDateRole).toDate(), true);
    }
    for (int row = 0; row < filter->rowCount(); ++row) {
        const QModelIndex index = filter->index(row, 0);
        if (index.data(EventIndexRole).toInt() == eventIndex) {
            view->setCurrentIndex(index);
            return;
        }
    }
}

void Editor::onDeleteButton()
{
    QAbstractItemView *view = currentView();
    if (!view || !view->selectionModel()->hasSelection())
        return;
    const QList<int> indexes = selectedEvents();
    QR_ASSERT(indexes.count());
    if (indexes.count() > 1)
        beginUndoMacro(tr("Delete %1 Events").arg(indexes.count()));
    // From the end, so the smaller indexes stay valid.
    for (auto it = indexes.crbegin(); it != indexes.crend(); ++it)
        deleteEventByIndex(*it);
    if (indexes.count() > 1)
        endUndoMacro();
    updateButtons();
}

void Editor::deleteEventByIndex(int eventIndex)
{
    const AbstractCommonEventPtr event =
        eventIndex >= 0 && eventIndex < m_manager->count() ? m_manager->eventByIndex(eventIndex) : nullptr;
    if (!QR_CHECK(event))
        return;
    COMMAND(new RemoveEventCommand(m_manager, event));
}

// ---- context menus

void Editor::showTableContextMenu(QContextMenuEvent *event)
{
    m_newEventDate = QDate();
    const QModelIndex current = m_tableView->currentIndex();
    AbstractCommonEventPtr ev;
    if (current.isValid())
        ev = m_manager->eventByIndex(current.data(EventIndexRole).toInt());
    showContextMenu(event->globalPos(), ev);
}

void Editor::showCalendarItemsContextMenu(QContextMenuEvent *event)
{
    m_newEventDate = m_calendarView->selectedDate();
    const QModelIndex current = m_calendarItemsListView->currentIndex();
    AbstractCommonEventPtr ev;
    if (current.isValid())
        ev = m_manager->eventByIndex(current.data(EventIndexRole).toInt());
    showContextMenu(event->globalPos(), ev);
}

void Editor::showContextMenu(const QPoint &pos, const AbstractCommonEventPtr &event)
{
    m_tableContextMenu = std::make_unique<QMenu>();
    QMenu *menu = m_tableContextMenu.get();
    if (event) {
        const QList<QAction *> own = event->contextMenuActions();
        const QDate today = Common::Clock::today();
        const QDate next = event->nextDate(today);
        if (!own.isEmpty() && next.isValid() && next.addDays(-event->daysToWatch()) <= today &&
            next.addDays(event->period().lengthInDays()) >= today) {
            menu->addActions(own);
            menu->addSeparator();
        }
    }
    menu->addMenu(m_newEventMenu.get());
    menu->addAction(m_editAction);
    menu->addAction(m_exportSelectionAction);
    if (event && m_manager->calendarsCount() > 1) {
        menu->addSeparator();
        QMenu *moveTo = menu->addMenu(tr("&Move To"));
        QAbstractItemView *view = currentView();
        const bool severalRows = view && view->selectionModel()->selectedRows().count() >= 2;
        QString taken;
        for (const CalendarInfo &info : m_manager->calendars()) {
            if (!severalRows && info.id == event->calendarId())
                continue;
            QAction *action = moveTo->addAction(calendarBullet(info.id == m_manager->defaultCalendarId()),
                                                Accelerators::withKey(info.name, taken));
            action->setData(info.id);
            connect(action, &QAction::triggered, this, &Editor::onMoveToCalendarClicked);
        }
        menu->addSeparator();
    }
    menu->addAction(m_deleteAction);
    connect(menu, &QMenu::aboutToHide, this, &Editor::cleanUpNewEventDate);
    m_menuRunner(menu, pos);
}

void Editor::showDayContextMenu(const QPoint &pos, const QDate &date)
{
    m_newEventDate = date;
    m_menuRunner(dayContextMenu(), pos);
}

void Editor::showCalendarContextMenu(const QPoint &pos)
{
    m_menuRunner(calendarContextMenu(), pos);
}

QMenu *Editor::dayContextMenu()
{
    if (!m_dayContextMenu) {
        m_dayContextMenu = std::make_unique<QMenu>();
        m_dayContextMenu->addMenu(m_newEventMenu.get());
        connect(m_dayContextMenu.get(), &QMenu::aboutToHide, this, &Editor::cleanUpNewEventDate);
    }
    return m_dayContextMenu.get();
}

QMenu *Editor::calendarContextMenu()
{
    if (!m_calendarContextMenu) {
        m_calendarContextMenu = std::make_unique<QMenu>();
        m_calendarContextMenu->addAction(m_gotoTodayAction);
    }
    return m_calendarContextMenu.get();
}

void Editor::cleanUpNewEventDate()
{
    // The chosen entry runs after the menu hides; it still needs the day.
    QTimer::singleShot(0, this, &Editor::cleanUpNewEventDateDelayed);
}

void Editor::cleanUpNewEventDateDelayed()
{
    m_newEventDate = QDate();
}

// ---- filter panel

void Editor::updateDataFilter()
{
    const QList<QByteArray> types = m_panel->selectedEventTypes();
    const QList<QByteArray> calendars = m_panel->selectedCalendars();
    for (int i = 0; i < m_views.count(); ++i) {
        m_dataFilters.at(i)->setTypesFilter(types);
        m_dataFilters.at(i)->setCalendarsFilter(calendars);
    }
    m_dayFilter->setTypesFilter(types);
    m_dayFilter->setCalendarsFilter(calendars);
    updateCalendarStatuses();
    updateFilterInfo();
}

void Editor::updateFilterInfo()
{
    const QList<QByteArray> types = m_panel->selectedEventTypes();
    const QList<QByteArray> calendars = m_panel->selectedCalendars();
    FilterInfoList filters;
    for (const QByteArray &id : calendars)
        filters << FilterInfo{m_manager->calendarById(id).name, FilterInfo::Calendar, id};
    IEventTypesStorage *storage = IApplication::instance()->eventTypesStorage();
    for (const QByteArray &textId : types) {
        IEventType *type = storage ? storage->typeById(EventsFactory::typeIdFromTextId(textId)) : nullptr;
        filters << FilterInfo{type ? type->name() : QString::fromUtf8(textId), FilterInfo::EventType, textId};
    }
    m_filterInfo->setFilters(filters);
    m_filterInfo->setVisible(!filters.isEmpty());
}

void Editor::onRemoveFilterClicked(FilterInfoItemWidget *item)
{
    const FilterInfo info = item->filterInfo();
    if (info.kind != FilterInfo::EventType)
        m_panel->calendarsTreeView()->setCurrentIndex(QModelIndex());
    else
        m_panel->eventTypesTreeView()->setCurrentIndex(QModelIndex());
}

void Editor::toggleFilterPanel()
{
    // Hidden, not invisible: while the window itself is hidden every child counts as invisible.
    const bool visible = m_panel->isHidden();
    m_panel->setVisible(visible);
    properties()->setValue(Setting::EditorFilterPanel, visible);
    m_triggerFilterPanelAction->setChecked(visible);
}

// ---- splitters and window

void Editor::restoreSplittersState()
{
    const QByteArray state = properties()->addProperty(Setting::EditorSplitterGeometry, QByteArray()).toByteArray();
    if (!state.isEmpty())
        m_splitter->restoreState(state);
    else
        m_splitter->setSizes({m_splitter->height() - 170 - m_splitter->handle(0)->height(), 170});
    QSplitter *panelSplitter = m_panel->splitter();
    const QByteArray panelState =
        properties()->addProperty(Setting::CalendarsTypesSplitter, QByteArray()).toByteArray();
    if (!panelState.isEmpty())
        panelSplitter->restoreState(panelState);
    else
        panelSplitter->setSizes({140, panelSplitter->height() - 140 - panelSplitter->handle(0)->height()});
}

void Editor::saveSplittersState()
{
    properties()->setValue(Setting::EditorSplitterGeometry, m_splitter->saveState());
    properties()->setValue(Setting::CalendarsTypesSplitter, m_panel->splitter()->saveState());
}

void Editor::keyPressEvent(QKeyEvent *event)
{
    // The editor is a main window: Esc, meant for a dialog or an open menu, must not close it.
    if (event->key() == Qt::Key_Escape && event->modifiers() == Qt::NoModifier) {
        event->accept();
        return;
    }
    QDialog::keyPressEvent(event);
}

void Editor::closeEvent(QCloseEvent *event)
{
    saveSplittersState();
    hide();
    event->ignore();
}

void Editor::showEvent(QShowEvent *event)
{
    sizeTableColumns();
    m_tableView->horizontalHeader()->setVisible(true);
    const bool firstOpen = !m_shownBefore && properties()->value(geometrySid()).toByteArray().isEmpty();
    m_shownBefore = true;
    if (firstOpen)
        resize(qMax(width(), firstOpenWidth()), height());
    Dialog::showEvent(event);
    if (firstOpen)
        fitCalendarOnFirstOpen();
}

void Editor::scheduleColumnSizing()
{
    // A hidden editor sizes them when it is shown.
    if (m_columnSizingPending || !isVisible())
        return;
    m_columnSizingPending = true;
    // A sizing done meanwhile, as when the table's page is shown, makes this one needless.
    QMetaObject::invokeMethod(
        this,
        [this] {
            if (m_columnSizingPending)
                sizeTableColumns();
        },
        Qt::QueuedConnection);
}

void Editor::sizeTableColumns()
{
    m_columnSizingPending = false;
    // Each column is measured on a thousand rows: a table out of sight is measured when its page is shown.
    m_columnSizingStale = m_pages->currentWidget() != m_tableView->parentWidget();
    if (m_columnSizingStale)
        return;
    // The last column is left to stretch: sized to its texts on a page just shown, it stayed narrow.
    QHeaderView *header = m_tableView->horizontalHeader();
    QAbstractItemView *view = m_tableView; // QTableView keeps sizeHintForColumn protected
    for (int column = 0; column < header->count() - 1; ++column)
        header->resizeSection(column, qMax(view->sizeHintForColumn(column), header->sectionSizeHint(column)));
}

void Editor::sortTableOnce()
{
    if (m_tableFilter->sortColumn() >= 0)
        return; // sorted once, the proxy keeps the order
    if (m_pages->currentWidget() == m_tableView->parentWidget()) {
        m_tableView->sortByColumn(EventsTableModel::DaysColumn, Qt::AscendingOrder);
        return;
    }
    // The header shows the order the page will have; the sort waits.
    QHeaderView *header = m_tableView->horizontalHeader();
    const QSignalBlocker quiet(header);
    header->setSortIndicator(EventsTableModel::DaysColumn, Qt::AscendingOrder);
}

int Editor::firstOpenWidth() const
{
    QLayout *main = layout()->itemAt(0)->layout();
    const QMargins outer = main ? main->contentsMargins() : QMargins();
    const int central = qMax(m_toolBarRow->sizeHint().width(), m_calendarView->minimumWidth());
    // The views row has 3 pixels on either side; the panel keeps its fixed width.
    return outer.left() + outer.right() + 6 + m_panel->maximumWidth() + central;
}

void Editor::fitCalendarOnFirstOpen()
{
    layout()->activate();
    const int needed = m_calendarView->monthPageHeight();
    const int missing = needed - m_calendarView->height();
    if (needed <= 0 || missing <= 0)
        return;
    resize(width(), height() + missing);
    layout()->activate();
    const int rest = m_splitter->height() - needed - m_splitter->handleWidth();
    if (rest > 0)
        m_splitter->setSizes({needed, rest});
    // Back inside the screen's free area, centred again.
    restoreWindowGeometry();
}

// ---- new and edited events

void Editor::rebuildNewMenu()
{
    if (!QR_CHECK(m_newEventMenu.get()))
        return;
    // Submenus are children of the menu, not actions it owns; clear() alone would keep them.
    qDeleteAll(m_newEventMenu->findChildren<QMenu *>(QString(), Qt::FindDirectChildrenOnly));
    m_newEventMenu->clear();
    buildNewMenu(m_newEventMenu.get(), IEventTypesStorage::Index());
}

void Editor::buildNewMenu(QMenu *menu, const IEventTypesStorage::Index &parent)
{
    IEventTypesStorage *storage = IApplication::instance()->eventTypesStorage();
    if (!storage)
        return;
    // The types are the user's names: each still gets its own Alt key within the menu.
    QString taken;
    for (int row = 0; row < storage->count(parent); ++row) {
        const IEventTypesStorage::Index index = storage->index(row, parent);
        if (!storage->isFolder(index)) {
            IEventType *t = storage->typeAt(index);
            if (!QR_CHECK(t))
                continue;
            auto *action = new QAction(t->icon(), Accelerators::withKey(t->name(), taken), menu);
            action->setData(t->id());
            connect(action, &QAction::triggered, this, &Editor::onNewEventAction);
            menu->addAction(action);
        } else {
            auto *submenu = new QMenu(menu);
            submenu->menuAction()->setText(Accelerators::withKey(storage->folderName(index), taken));
            buildNewMenu(submenu, index);
            menu->addMenu(submenu);
        }
    }
}

void Editor::onNewEventAction()
{
    auto *action = qobject_cast<QAction *>(sender());
    if (!QR_CHECK(action))
        return;
    IEventTypesStorage *storage = IApplication::instance()->eventTypesStorage();
    createNewEvent(storage ? storage->typeById(action->data().toByteArray()) : nullptr);
}

void Editor::onTypeActivated(const QModelIndex &index)
{
    const QDate remembered = m_newEventDate;
    if (currentView() == m_calendarItemsListView)
        m_newEventDate = m_calendarView->selectedDate();
    if (m_eventTypesModel && index.isValid()) {
        if (IEventType *type = m_eventTypesModel->typeAt(index))
            createNewEvent(type);
    }
    m_newEventDate = remembered;
}

void Editor::createNewEvent(IEventType *eventType)
{
    if (!QR_CHECK(eventType))
        return;
    const AbstractCommonEventPtr event =
        EventOperations::newEvent(*eventType, m_newEventDate, m_panel->selectedCalendars(),
                                  m_manager->defaultCalendarId(), properties()->value(Setting::DaysToWatch).toInt());
    EventOperations(m_manager, this).addThroughDialog(event, this);
}

void Editor::editEventByIndex(const QModelIndex &index)
{
    if (!QR_CHECK(index.isValid()))
        return;
    EventOperations(m_manager, this).editThroughDialog(index.data(EventIndexRole).toInt(), this);
}

void Editor::onEditButton()
{
    if (QAbstractItemView *view = currentView())
        editEventByIndex(view->currentIndex());
}

void Editor::onNewToDoAction()
{
    if (m_newToDoAction)
        m_newToDoAction->trigger();
}

// ---- event types

EventTypeOperations Editor::typeOperations()
{
    return EventTypeOperations(m_eventTypesModel.get(), IApplication::instance()->storage(), this);
}

void Editor::onCreateFolderClicked()
{
    if (!m_eventTypesModel)
        return;
    QTreeView *view = m_panel->eventTypesTreeView();
    const QModelIndex folder = typeOperations().createFolder(view->currentIndex());
    if (!folder.isValid())
        return;
    view->setCurrentIndex(folder);
    view->edit(folder);
}

void Editor::onCreateCustomTypeClicked()
{
    if (!m_eventTypesModel)
        return;
    CustomTypeWizard wizard(this);
    if (!m_ask->run(&wizard))
        return;
    const CustomTypeInfo info = wizard.customTypeInfo();
    if (!QR_CHECK(info.isValid()))
        return;
    QTreeView *view = m_panel->eventTypesTreeView();
    const QModelIndex current = view->currentIndex();
    if (current.isValid() && m_eventTypesModel->isFolder(current))
        view->expand(current);
    const QModelIndex made = typeOperations().createCustomType(current, info, wizard.picture());
    if (!made.isValid())
        return;
    view->setCurrentIndex(made);
    rebuildNewMenu();
    StatCollector::incrementCounter("f_create_event_type");
}

void Editor::onEditTypeClicked()
{
    if (!m_eventTypesModel)
        return;
    QTreeView *view = m_panel->eventTypesTreeView();
    const QPersistentModelIndex index = view->currentIndex();
    if (!QR_CHECK(index.isValid()))
        return;
    if (m_eventTypesModel->isFolder(index)) {
        view->edit(index);
        return;
    }
    const CustomTypeInfo info = m_eventTypesModel->customTypeInfoAt(index);
    if (!QR_CHECK(info.isValid()))
        return;
    CustomTypeWizard wizard(info, this);
    if (!m_ask->run(&wizard) || !index.isValid())
        return;
    if (typeOperations().editCustomType(index, wizard.customTypeInfo(), wizard.picture(),
                                        wizard.isDefaultPictureRestored()))
        rebuildNewMenu();
}

void Editor::onRemoveCustomTypeClicked()
{
    if (m_eventTypesModel)
        typeOperations().remove(m_panel->eventTypesTreeView()->currentIndex());
}

void Editor::onMoveTypeUpClicked()
{
    if (m_eventTypesModel)
        typeOperations().moveUp(m_panel->eventTypesTreeView()->currentIndex());
}

void Editor::onMoveTypeDownClicked()
{
    if (m_eventTypesModel)
        typeOperations().moveDown(m_panel->eventTypesTreeView()->currentIndex());
}

void Editor::onMoveTypeRequested(const QModelIndex &index, const QModelIndex &parent, int row)
{
    if (m_eventTypesModel && typeOperations().move(index, parent, row))
        updateDataFilter();
}

void Editor::onRenameTypeRequested(const QModelIndex &index, const QString &name)
{
    if (m_eventTypesModel && typeOperations().rename(index, name))
        updateDataFilter();
}

// ---- calendars

QByteArray Editor::currentCalendarId() const
{
    const QModelIndex index = m_panel->calendarsTreeView()->currentIndex();
    QR_ASSERT(index.isValid());
    return index.isValid() ? index.data(CalendarModel::CalendarIdRole).toByteArray() : QByteArray();
}

void Editor::onCreateCalendarClicked()
{
    CalendarOperations(m_manager, this).create(tr("New Calendar"));
    QTreeView *view = m_panel->calendarsTreeView();
    const QModelIndex last = m_calendarListModel->index(m_calendarListModel->rowCount() - 1, 0);
    view->setCurrentIndex(last);
    view->edit(last);
    StatCollector::incrementCounter("f_create_calendar");
}

void Editor::onEditCalendarClicked()
{
    QTreeView *view = m_panel->calendarsTreeView();
    view->edit(view->currentIndex());
}

void Editor::onRemoveCalendarClicked()
{
    const QByteArray id = currentCalendarId();
    if (id.isEmpty())
        return;
    CalendarOperations(m_manager, this).remove(id, [this] {
        return Common::UserMessages::question(windowTitle(), CalendarOperations::removeQuestion(), this);
    });
}

void Editor::onMoveCalendarUpClicked()
{
    const QByteArray id = currentCalendarId();
    if (!id.isEmpty())
        CalendarOperations(m_manager, this).move(id, -1, tr("Move Calendar Up"));
}

void Editor::onMoveCalendarDownClicked()
{
    const QByteArray id = currentCalendarId();
    if (!id.isEmpty())
        CalendarOperations(m_manager, this).move(id, 1, tr("Move Calendar Down"));
}

void Editor::onMoveCalendarRequested(int index, int step)
{
    const bool inRange = index >= 0 && index < m_manager->calendarsCount();
    QR_ASSERT(inRange);
    if (inRange)
        CalendarOperations(m_manager, this).move(m_manager->calendarId(index), step, tr("Move Calendar"));
}

void Editor::onRenameCalendarRequested(int index, const QString &name)
{
    const bool inRange = index >= 0 && index < m_manager->calendarsCount();
    QR_ASSERT(inRange);
    if (inRange)
        CalendarOperations(m_manager, this).rename(m_manager->calendarId(index), name);
}

void Editor::onSetCalendarAsDefaultClicked()
{
    const QByteArray id = currentCalendarId();
    if (!id.isEmpty())
        CalendarOperations(m_manager, this).setDefault(id);
}

void Editor::onCalendarActivated(const QModelIndex &)
{
    onSetCalendarAsDefaultClicked();
}

void Editor::onMoveToCalendarClicked()
{
    auto *action = qobject_cast<QAction *>(sender());
    QR_ASSERT(action);
    QAbstractItemView *view = currentView();
    if (!action || !view)
        return;
    QList<int> indexes;
    for (const QModelIndex &row : view->selectionModel()->selectedRows())
        indexes << row.data(EventIndexRole).toInt();
    if (!indexes.isEmpty())
        CalendarOperations(m_manager, this).moveEventsTo(indexes, action->data().toByteArray());
}
