#include "core/deferredcall.h"
#include "core/undoobject.h"
#include "editor/calendarmodel.h"
#include "editor/calendarstatusesupdater.h"
#include "editor/editor.h"
#include "editor/editoreventfiltermodel.h"
#include "editor/editoreventsmodel.h"
#include "editor/editorfilterpanel.h"
#include "editor/eventstablemodel.h"
#include "editor/filterinfoitemwidget.h"
#include "editor/filterinfowidget.h"
#include "editorwindowenv.h"
#include "fakeeditorask.h"
#include "events/birthdayevent.h"
#include "events/weddingevent.h"
#include "widgets/widgetresources.h"
#include "eventtypes/customtypesstorage.h"
#include "eventtypes/eventtypesstorage.h"
#include "shots.h"
#include "testhelpers.h"
#include "widgets/calendar/calendarview.h"
#include "widgets/dateshowinglistview.h"
#include "widgets/tableview.h"

#include <QAction>
#include <QLineEdit>
#include <QMenu>
#include <QHeaderView>
#include <QMenuBar>
#include <QSignalSpy>
#include <QSortFilterProxyModel>
#include <QStackedWidget>
#include <QScreen>
#include <QToolBar>
#include <QToolButton>
#include <QTreeView>
#include <QUndoStack>
#include <QtTest>

namespace {

void showAndWait(Editor &editor)
{
    editor.show();
    QVERIFY(QTest::qWaitForWindowExposed(&editor));
    QTRY_VERIFY(editor.calendarView()->viewportYear() != 0);
}

QList<QByteArray> shownIds(QAbstractItemModel *model)
{
    QList<QByteArray> result;
    for (int row = 0; row < model->rowCount(); ++row)
        result << model->index(row, 0).data(EventIdRole).toByteArray();
    std::sort(result.begin(), result.end());
    return result;
}

QList<QByteArray> idsOf(QList<AbstractCommonEventPtr> events)
{
    QList<QByteArray> result;
    for (const AbstractCommonEventPtr &event : events)
        result << event->id();
    std::sort(result.begin(), result.end());
    return result;
}

// Birthdays and weddings make their caption from the person's name.
void nameThePerson(const AbstractCommonEventPtr &event, const QString &name)
{
    if (auto *birthday = qobject_cast<BirthdayEvent *>(event.get()))
        birthday->setPersonName(name);
    else if (auto *wedding = qobject_cast<WeddingEvent *>(event.get()))
        wedding->setPersonOneName(name);
}

// 200 events of every kind with long and non-ASCII texts, over two calendars.
QByteArray fillMixed(EditorTestEnv &env)
{
    const QByteArray family = env.addCalendar("Família Łukasiewicz – Geburtstage");
    const QStringList names = {"Zoë Müller",    "Łukasz Wiśniewski", "Søren Ødegård", "Ana María Núñez",
                               "Björn Þórsson", "Chloé Lefèvre",     "Jürgen Groß",   "Ελένη Παπαδοπούλου"};
    for (int i = 0; i < 200; ++i) {
        const int kind = i % 5;
        const QDate day = QDate(2026, 1, 1).addDays((i * 37) % 365);
        const QString caption =
            kind == 1 ? names.at(i % names.count()) : QString("Termin %1: Besprechung über die Jahresplanung").arg(i);
        const IOccurrence::Type rule =
            kind == 1 ? IOccurrence::Yearly : (i % 7 == 0 ? IOccurrence::Weekly : IOccurrence::Once);
        const Period period = i % 4 == 0 ? Period(day, day.addDays(2)) : Period(day, QTime(9 + i % 8, 30));
        AbstractCommonEventPtr event =
            env.addIn(i % 3 == 0 ? family : env.manager->defaultCalendarId(), kind, caption, period, rule);
        nameThePerson(event, caption);
    }
    // A busy day for the day list.
    for (int i = 0; i < 5; ++i)
        nameThePerson(
            env.addIn(family, i % 2, i % 2 ? names.at(i) : QString("Zahnarzt – Kontrolle um %1 Uhr").arg(8 + i),
                      Period(QDate(2026, 3, 10), QTime(8 + i, 0)), i % 2 ? IOccurrence::Yearly : IOccurrence::Once),
            names.at(i));
    return family;
}

} // namespace

class TestEditor : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase()
    {
        TestHelpers::isolateEnvironment();
        QCoreApplication::setApplicationVersion("3.3.0");
        Common::DeferredCallProcessor::init();
        AbstractCommonEvent::setEditDialogRunner([](AbstractCommonEvent *, QWidget *) { return false; });
    }

    void cleanupTestCase() { Common::DeferredCallProcessor::term(); }

    void constructionDefaults()
    {
        EditorEnv env;
        Editor editor(env.manager.get());
        QCOMPARE(editor.windowTitle(), QString("Events Editor"));
        QCOMPARE(editor.pages()->currentIndex(), 0);
        QVERIFY(editor.changeViewActions()->actions().at(0)->isChecked());
        QVERIFY(!editor.filterPanel()->isVisibleTo(&editor));
        QVERIFY(!editor.triggerFilterPanelAction()->isChecked());
        QVERIFY(!editor.filterInfo()->isVisibleTo(&editor));
        QCOMPARE(editor.tableView()->horizontalHeader()->sortIndicatorSection(), 1);
        QCOMPARE(editor.tableView()->horizontalHeader()->sortIndicatorOrder(), Qt::AscendingOrder);
        QVERIFY(editor.windowFlags() & Qt::Window);
        QVERIFY(editor.windowFlags() & Qt::WindowMaximizeButtonHint);
        QStringList menus;
        for (QAction *action : editor.menuBar()->actions())
            menus << action->text();
        QCOMPARE(menus, (QStringList{"&File", "&Edit", "Eve&nts", "&View", "&Gadgets"}));
    }

    void storedPageOpensTheTable()
    {
        EditorEnv env;
        env.properties->addProperty("editorCurrentView", 0);
        env.properties->setValue("editorCurrentView", 1);
        Editor editor(env.manager.get());
        QCOMPARE(editor.pages()->currentIndex(), 1);
        QVERIFY(editor.changeViewActions()->actions().at(1)->isChecked());
        editor.changeViewActions()->actions().at(0)->trigger();
        QCOMPARE(editor.pages()->currentIndex(), 0);
        QVERIFY(!editor.changeViewActions()->actions().at(1)->isChecked());
        QCOMPARE(env.properties->value("editorCurrentView").toInt(), 0);
    }

    void closeOnlyHides()
    {
        EditorEnv env;
        env.add(0, "Meeting", Period(QDate(2026, 3, 10)));
        QPointer<Editor> editor = new Editor(env.manager.get());
        showAndWait(*editor);
        editor->changeViewActions()->actions().at(1)->trigger();
        QTest::keyClick(editor, Qt::Key_Escape); // a main window, not a dialog
        QVERIFY(editor->isVisible());
        editor->close();
        QVERIFY(editor);
        QVERIFY(!editor->isVisible());
        editor->show();
        QCOMPARE(editor->pages()->currentIndex(), 1);
        delete editor;
    }

    void shortcutsReachTheirActions_data()
    {
        QTest::addColumn<QKeySequence>("keys");
        QTest::addColumn<QString>("action");
        QTest::newRow("F2") << QKeySequence(Qt::Key_F2) << "&Edit Event";
        QTest::newRow("Ctrl+F") << QKeySequence(Qt::CTRL | Qt::Key_F) << "&Find Event";
        QTest::newRow("Ctrl+F3") << QKeySequence(Qt::CTRL | Qt::Key_F3) << "&Find Event";
        QTest::newRow("Ctrl+N") << QKeySequence(QKeySequence::New) << "New Event";
        QTest::newRow("F3") << QKeySequence(Qt::Key_F3) << "Quick Find";
    }

    void shortcutsReachTheirActions()
    {
        QFETCH(QKeySequence, keys);
        QFETCH(QString, action);
        EditorEnv env;
        AbstractCommonEventPtr event = env.add(0, "Meeting", Period(QDate(2026, 3, 10)));
        Editor editor(env.manager.get());
        editor.setAsk(std::make_unique<FakeEditorAsk>()); // the find prompt answers at once
        showAndWait(editor);
        QApplication::setActiveWindow(&editor);
        editor.setCurrentEvent(0); // so Edit Event is enabled
        QAction *target = nullptr;
        for (QAction *candidate : editor.findChildren<QAction *>()) {
            if (candidate->text() == action)
                target = candidate;
        }
        QVERIFY(target);
        QSignalSpy triggered(target, &QAction::triggered);
        QTest::keySequence(&editor, keys);
        QCOMPARE(triggered.count(), 1);
    }

    void f2RenamesInThePanel()
    {
        EditorEnv env;
        Editor editor(env.manager.get());
        editor.triggerFilterPanelAction()->trigger();
        showAndWait(editor);
        QApplication::setActiveWindow(&editor);
        QTreeView *calendars = editor.filterPanel()->calendarsTreeView();
        calendars->setCurrentIndex(calendars->model()->index(0, 0));
        calendars->setFocus();
        QSignalSpy edits(editor.editAction(), &QAction::triggered);
        QTest::keyClick(calendars, Qt::Key_F2);
        QVERIFY(calendars->findChild<QLineEdit *>()); // the in-place editor
        QCOMPARE(edits.count(), 0);
    }

    void deletingASelection_data()
    {
        QTest::addColumn<int>("rows");
        QTest::addColumn<QString>("undoText");
        QTest::newRow("two events, one macro") << 2 << "Delete 2 Events";
        QTest::newRow("one event, its own command") << 1 << "Delete Event";
    }

    void deletingASelection()
    {
        QFETCH(int, rows);
        QFETCH(QString, undoText);
        EditorEnv env;
        env.add(0, "a", Period(QDate(2026, 3, 11)));
        env.add(0, "b", Period(QDate(2026, 3, 12)));
        env.add(0, "c", Period(QDate(2026, 3, 13)));
        Editor editor(env.manager.get());
        editor.changeViewActions()->actions().at(1)->trigger();
        TableView *table = editor.tableView();
        table->setCurrentIndex(table->model()->index(0, 0));
        auto *selection = table->selectionModel();
        selection->clearSelection();
        // Several cells of one row count once.
        for (int row = 0; row < rows; ++row) {
            selection->select(table->model()->index(row, 2), QItemSelectionModel::Select);
            selection->select(table->model()->index(row, 4), QItemSelectionModel::Select);
        }
        QCOMPARE(editor.selectedEvents().count(), rows);
        QVERIFY(editor.deleteAction()->isEnabled());
        editor.deleteAction()->trigger();
        QCOMPARE(env.manager->count(), 3 - rows);
        QUndoStack *stack = UndoObject::undoStack();
        QCOMPARE(stack->count(), 1);
        QCOMPARE(stack->undoText(), undoText);
        QCoreApplication::sendPostedEvents(); // as between two key presses: the list lets go of the event
        stack->undo();
        QCOMPARE(env.manager->count(), 3);
    }

    void noCurrentIndexDisablesSelectionActions()
    {
        EditorEnv env;
        env.add(0, "a", Period(QDate(2026, 3, 11)));
        Editor editor(env.manager.get());
        editor.changeViewActions()->actions().at(1)->trigger();
        TableView *table = editor.tableView();
        table->selectionModel()->select(table->model()->index(0, 0), QItemSelectionModel::Select);
        table->selectionModel()->setCurrentIndex(QModelIndex(), QItemSelectionModel::NoUpdate);
        editor.updateButtons();
        QVERIFY(!editor.editAction()->isEnabled());
        QVERIFY(!editor.deleteAction()->isEnabled());
        QVERIFY(editor.exportAllAction()->isEnabled());
        QVERIFY(editor.exportButton()->isEnabled());
    }

    void statusesRunForTheYearInView()
    {
        EditorEnv env;
        for (int i = 0; i < 30; ++i)
            env.add(0, QString("e%1").arg(i), Period(QDate(2026, 1, 1).addDays(i * 3)), IOccurrence::Weekly);
        Editor editor(env.manager.get());
        showAndWait(editor);
        const int inView = editor.calendarView()->viewportYear();
        QTRY_VERIFY(editor.statusesUpdater() && editor.statusesUpdater()->isIdle());
        editor.updateCalendarStatuses(inView);
        QVERIFY(editor.statusesUpdater() && !editor.statusesUpdater()->isIdle());
        // Requests for other years while one runs wait; only the year in view is computed.
        editor.updateCalendarStatuses(inView - 5);
        editor.updateCalendarStatuses(inView + 7);
        QVERIFY(!editor.yearsToUpdate().isEmpty());
        QTRY_VERIFY(editor.yearsToUpdate().isEmpty());
        QVERIFY(editor.statusesUpdater());
        QCOMPARE(editor.statusesUpdater()->year(), inView);
        QTRY_VERIFY(editor.statusesUpdater()->isIdle());
        // A change is worked out by the same run's counts, for the changed event alone.
        const QPointer<EditorPrivate::CalendarStatusesUpdater> updater = editor.statusesUpdater();
        const int read = updater->eventsRead();
        env.manager->eventByIndex(3)->setPeriod(Period(QDate(2026, 7, 1)));
        QTRY_VERIFY(editor.statusesUpdater()->isIdle());
        QCOMPARE(editor.statusesUpdater(), updater.data());
        QCOMPARE(updater->eventsRead(), read + 1);
    }

    void dayListCellSize_data()
    {
        QTest::addColumn<int>("height");
        QTest::addColumn<int>("side");
        QTest::newRow("340 pixels") << 340 << 165;
        QTest::newRow("100 pixels") << 100 << 97;
    }

    void dayListCellSize()
    {
        QFETCH(int, height);
        QFETCH(int, side);
        EditorEnv env;
        Editor editor(env.manager.get());
        editor.calendarItemsView()->setFont(QFont(editor.font().family(), 18)); // as at a high font DPI
        editor.calendarItemsView()->resize(300, height);
        editor.updateCalendarItemsHeight();
        QCOMPARE(editor.calendarItemsView()->gridSize(), QSize(side, side));
        QVERIFY(side - editor.eventsModel()->pictureHeight() >
                2 * editor.calendarItemsView()->fontMetrics().lineSpacing());
    }

    void setCurrentEventSelectsDayAndRow()
    {
        EditorEnv env;
        env.add(0, "a", Period(QDate(2026, 3, 11)));
        env.add(0, "b", Period(QDate(2026, 4, 20)));
        Editor editor(env.manager.get());
        editor.setCurrentEvent(-1);
        QCOMPARE(editor.calendarView()->selectedDate(), QDate(2026, 3, 10));
        editor.setCurrentEvent(1);
        QCOMPARE(editor.calendarView()->selectedDate(), QDate(2026, 4, 20));
        QCOMPARE(editor.calendarItemsView()->currentIndex().data(EventIndexRole).toInt(), 1);
        QTest::keyClick(editor.calendarItemsView(), Qt::Key_Delete);
        QCOMPARE(env.manager->count(), 1);
    }

    // The calendar's find walks the events by date, whatever their order in the list.
    void calendarFindGoesByDate()
    {
        EditorEnv env;
        env.add(0, "Trip north", Period(QDate(2026, 5, 1)));
        env.add(0, "Trip south", Period(QDate(2026, 4, 1)));
        env.add(0, "Lunch", Period(QDate(2026, 3, 20)));
        Editor editor(env.manager.get());
        auto *ask = new FakeEditorAsk;
        ask->texts = {"trip"};
        editor.setAsk(std::unique_ptr<IEditorAsk>(ask));
        editor.onFindButton();
        QCOMPARE(editor.calendarView()->selectedDate(), QDate(2026, 4, 1));
        editor.onQuickFindButton();
        QCOMPARE(editor.calendarView()->selectedDate(), QDate(2026, 5, 1));
    }

    void panelFilterReachesProxiesStripAndStatuses()
    {
        EditorEnv env;
        const QByteArray work = env.addCalendar("Arbeit – Büro");
        AbstractCommonEventPtr ben = env.addIn(work, 1, "Ben", Period(QDate(2026, 3, 12)), IOccurrence::Yearly);
        env.addIn(work, 0, "Meeting", Period(QDate(2026, 3, 13)));
        AbstractCommonEventPtr anna = env.add(1, "Anna", Period(QDate(2026, 3, 14)), IOccurrence::Yearly);
        Editor editor(env.manager.get());
        editor.triggerFilterPanelAction()->trigger();
        QVERIFY(editor.filterPanel()->isVisibleTo(&editor));
        QCOMPARE(env.properties->value("editorFilterPanel").toBool(), true);

        QTreeView *calendars = editor.filterPanel()->calendarsTreeView();
        calendars->setCurrentIndex(calendars->model()->index(1, 0));
        for (EditorEventFilterModel *filter : editor.dataFilters())
            QCOMPARE(filter->calendarsFilter(), QList<QByteArray>{work});
        QVERIFY(editor.statusesUpdater());
        QVERIFY(editor.filterInfo()->isVisibleTo(&editor));
        QTreeView *types = editor.filterPanel()->eventTypesTreeView();
        types->setCurrentIndex(types->model()->index(0, 0)); // Birthday stands first
        QStringList strip;
        for (const FilterInfo &info : editor.filterInfo()->filters())
            strip << info.text;
        QCOMPARE(strip, (QStringList{"Arbeit – Büro", "Birthday"}));
        env.manager->changeCalendar(CalendarInfo(work, QStringLiteral("Büro")));
        QCOMPARE(editor.filterInfo()->filters().at(0).text, QStringLiteral("Büro"));
        QCOMPARE(shownIds(editor.dataFilters().at(1)), idsOf({ben}));

        editor.filterInfo()->items().at(0)->removeButton()->click();
        QVERIFY(!calendars->currentIndex().isValid());
        QCOMPARE(shownIds(editor.dataFilters().at(1)), idsOf({ben, anna}));
        editor.filterInfo()->items().at(0)->removeButton()->click();
        QVERIFY(!editor.filterInfo()->isVisibleTo(&editor));
        QCOMPARE(editor.dataFilters().at(0)->rowCount(), 3);

        editor.triggerFilterPanelAction()->trigger();
        QVERIFY(!editor.filterPanel()->isVisibleTo(&editor));
        QVERIFY(!editor.triggerFilterPanelAction()->isChecked());
        QCOMPARE(env.properties->value("editorFilterPanel").toBool(), false);
    }

    void clearedFilterSizesTheTableAgain()
    {
        EditorEnv env;
        const QByteArray work = env.addCalendar("Work");
        env.add(0, "a", Period(QDate(2026, 3, 11)));
        env.addIn(work, 0, "A caption long enough to need a much wider column", Period(QDate(2026, 3, 12)));
        Editor editor(env.manager.get());
        editor.triggerFilterPanelAction()->trigger();
        editor.changeViewActions()->actions().at(1)->trigger();
        showAndWait(editor);
        QTreeView *calendars = editor.filterPanel()->calendarsTreeView();
        calendars->setCurrentIndex(calendars->model()->index(0, 0));
        QCoreApplication::processEvents();
        const int filteredWidth = editor.tableView()->columnWidth(EventsTableModel::CaptionColumn);
        editor.filterInfo()->items().at(0)->removeButton()->click();
        QCoreApplication::processEvents();
        QVERIFY(editor.tableView()->columnWidth(EventsTableModel::CaptionColumn) > filteredWidth);
    }

    // The table's columns fit their texts whichever page the editor opens on.
    void tableColumnsFitTheirTexts_data()
    {
        QTest::addColumn<bool>("opensOnTable");
        QTest::newRow("opens on the table") << true;
        QTest::newRow("table chosen after opening") << false;
    }

    void tableColumnsFitTheirTexts()
    {
        QFETCH(bool, opensOnTable);
        EditorEnv env;
        env.add(0, "A caption long enough to need a much wider column", Period(QDate(2026, 3, 12), QTime(9, 30)));
        for (int i = 0; i < 100; ++i) // enough for a vertical scroll bar
            env.add(0, QString("Event %1").arg(i), Period(QDate(2026, 4, 1).addDays(i)));
        Editor editor(env.manager.get());
        editor.resize(1400, 800);
        if (opensOnTable)
            editor.changeViewActions()->actions().at(1)->trigger();
        showAndWait(editor);
        editor.changeViewActions()->actions().at(1)->trigger();
        TableView *table = editor.tableView();
        for (int column = 0; column < table->model()->columnCount() - 1; ++column)
            QVERIFY2(table->columnWidth(column) >= static_cast<QAbstractItemView *>(table)->sizeHintForColumn(column),
                     qPrintable(QString::number(column)));
        QTRY_COMPARE(table->horizontalHeader()->length(), table->viewport()->width()); // the last one fills the view
    }

    void calendarButtonsFollowTheCurrentItem()
    {
        EditorEnv env;
        Editor editor(env.manager.get());
        EditorFilterPanel *panel = editor.filterPanel();
        QTreeView *calendars = panel->calendarsTreeView();
        calendars->setCurrentIndex(calendars->model()->index(0, 0));
        QVERIFY(panel->action(EditorFilterPanel::EditCalendar)->isEnabled());
        QVERIFY(!panel->action(EditorFilterPanel::RemoveCalendar)->isEnabled());
        QVERIFY(!panel->action(EditorFilterPanel::SetDefaultCalendar)->isEnabled());
        QVERIFY(!panel->action(EditorFilterPanel::MoveUpCalendar)->isEnabled());
        QVERIFY(!panel->action(EditorFilterPanel::MoveDownCalendar)->isEnabled());
        env.addCalendar("Second");
        calendars->setCurrentIndex(calendars->model()->index(1, 0));
        QVERIFY(panel->action(EditorFilterPanel::RemoveCalendar)->isEnabled());
        QVERIFY(panel->action(EditorFilterPanel::MoveUpCalendar)->isEnabled());
        QVERIFY(!panel->action(EditorFilterPanel::MoveDownCalendar)->isEnabled());
        calendars->setCurrentIndex(QModelIndex());
        QVERIFY(!panel->action(EditorFilterPanel::EditCalendar)->isEnabled());
        QVERIFY(panel->action(EditorFilterPanel::CreateNewCalendar)->isEnabled());
        QVERIFY(panel->action(EditorFilterPanel::CreateFolder)->isEnabled());
        QVERIFY(!panel->action(EditorFilterPanel::EditEventType)->isEnabled());
    }

    void panelMouseRules_data()
    {
        QTest::addColumn<bool>("types");
        QTest::addColumn<int>("button");
        QTest::addColumn<bool>("onItem");
        QTest::addColumn<bool>("menu");
        QTest::addColumn<bool>("cleared");
        QTest::newRow("types, right on an item") << true << int(Qt::RightButton) << true << true << false;
        QTest::newRow("types, right on empty space") << true << int(Qt::RightButton) << false << false << false;
        QTest::newRow("types, left on empty space") << true << int(Qt::LeftButton) << false << false << true;
        QTest::newRow("calendars, right on an item") << false << int(Qt::RightButton) << true << true << false;
        QTest::newRow("calendars, left on empty space") << false << int(Qt::LeftButton) << false << false << true;
    }

    void panelMouseRules()
    {
        QFETCH(bool, types);
        QFETCH(int, button);
        QFETCH(bool, onItem);
        QFETCH(bool, menu);
        QFETCH(bool, cleared);
        EditorEnv env;
        Editor editor(env.manager.get());
        editor.resize(900, 700);
        editor.triggerFilterPanelAction()->trigger();
        showAndWait(editor);
        QMenu *shown = nullptr;
        editor.setMenuRunner([&](QMenu *m, const QPoint &) { shown = m; });
        EditorFilterPanel *panel = editor.filterPanel();
        QTreeView *view = types ? panel->eventTypesTreeView() : panel->calendarsTreeView();
        const QModelIndex first = view->model()->index(0, 0);
        view->setCurrentIndex(first);
        const QPoint point = onItem ? view->visualRect(first).center() : QPoint(5, view->viewport()->height() - 5);
        QTest::mouseClick(view->viewport(), Qt::MouseButton(button), {}, point);
        QCOMPARE(shown, menu ? (types ? panel->eventTypesMenu() : panel->calendarsMenu()) : nullptr);
        QCOMPARE(!view->currentIndex().isValid(), cleared);
        if (cleared)
            QVERIFY(editor.filterInfo()->filters().isEmpty());
    }

    void contextMenusOfTheTable()
    {
        EditorEnv env;
        env.addCalendar("Second");
        env.add(0, "a", Period(QDate(2026, 3, 11)));
        Editor editor(env.manager.get());
        QStringList entries;
        editor.setMenuRunner([&](QMenu *menu, const QPoint &) {
            for (QAction *action : menu->actions())
                entries << (action->menu() ? action->menu()->title() : action->text());
        });
        editor.changeViewActions()->actions().at(1)->trigger();
        TableView *table = editor.tableView();
        table->setCurrentIndex(table->model()->index(0, 0));
        QContextMenuEvent event(QContextMenuEvent::Mouse, QPoint(5, 5), QPoint(5, 5));
        editor.showTableContextMenu(&event);
        QCOMPARE(entries,
                 (QStringList{"&New", "&Edit Event", "Export &selection", "", "&Move To", "", "&Delete Event"}));
        QMenu *moveTo = editor.tableContextMenu()->actions().at(4)->menu();
        QCOMPARE(moveTo->actions().count(), 1); // the event's own calendar is left out
        QCOMPARE(moveTo->actions().first()->text(), QString("&Second"));
    }

    // No stored geometry: the tool bars beside the open panel and a six-week month fit, on the screen.
    void firstOpenHoldsToolBarsAndSixWeeks()
    {
        EditorEnv env;
        fillMixed(env);
        qApp->setStyleSheet(applicationStyleSheet());
        Editor editor(env.manager.get());
        editor.triggerFilterPanelAction()->trigger();
        showAndWait(editor);
        QCoreApplication::processEvents();
        TestHelpers::saveShot(&editor, "editor_first_open");
        for (QToolBar *bar : editor.findChildren<QToolBar *>())
            QVERIFY2(bar->width() >= bar->sizeHint().width(), qPrintable(QString::number(bar->width())));
        const QRect area = editor.screen()->availableGeometry();
        QVERIFY(area.contains(editor.frameGeometry()));
        CalendarView *calendar = editor.calendarView();
        QVERIFY(calendar->viewport()->height() >= calendar->sizeHint().height() ||
                editor.frameGeometry().height() >= area.height() - 1);
        qApp->setStyleSheet(QString());
    }

    // Icons stay in the tool bar: in the menu they would hide the check marks.
    void viewMenuShowsWhatIsOn()
    {
        EditorEnv env;
        Editor editor(env.manager.get());
        QMenu *view = editor.menuBar()->actions().at(3)->menu();
        int checkable = 0;
        for (QAction *action : view->actions()) {
            if (action->isSeparator())
                continue;
            QVERIFY(action->isCheckable());
            QVERIFY(!action->isIconVisibleInMenu());
            ++checkable;
        }
        QCOMPARE(checkable, 3);
        QVERIFY(editor.changeViewActions()->actions().at(0)->isChecked());
    }

    void shots()
    {
        if (qEnvironmentVariableIsEmpty("QR_SHOTS_DIR"))
            QSKIP("QR_SHOTS_DIR not set");
        EditorEnv env;
        const QByteArray family = fillMixed(env);
        qApp->setStyleSheet(applicationStyleSheet());
        Editor editor(env.manager.get());
        editor.resize(1100, 760);
        editor.triggerFilterPanelAction()->trigger();
        showAndWait(editor);
        QTreeView *calendars = editor.filterPanel()->calendarsTreeView();
        calendars->setCurrentIndex(calendars->model()->index(1, 0));
        QCOMPARE(editor.dataFilters().at(0)->calendarsFilter(), QList<QByteArray>{family});
        editor.calendarView()->setSelectedDate(QDate(2026, 3, 10), true);
        QTRY_VERIFY(editor.statusesUpdater() && editor.statusesUpdater()->isIdle());
        QTest::qWait(100);
        TestHelpers::saveShot(&editor, "editor_calendar");
        editor.changeViewActions()->actions().at(1)->trigger();
        editor.hide();
        editor.show();
        QVERIFY(QTest::qWaitForWindowExposed(&editor));
        TestHelpers::saveShot(&editor, "editor_table");
        qApp->setStyleSheet(QString());
    }
};

QTEST_MAIN(TestEditor)
#include "tst_editor.moc"
