#include "eventtypestestutils.h"
#include "app/processhooks.h"
#include "core/deferredcall.h"
#include "core/statcollector.h"
#include "core/undoobject.h"
#include "editor/calendarmodel.h"
#include "editor/editor.h"
#include "editor/editorfilterpanel.h"
#include "editortestenv.h"
#include "events/ui/eventeditdialog.h"
#include "events/ui/notspeceventeditor.h"
#include "eventtypes/eventtypestreemodel.h"
#include "eventtypes/ui/customtypewizard.h"
#include "fakeeditorask.h"
#include "store/eventitemrole.h"
#include "testhelpers.h"
#include "testseams.h"
#include "widgets/calendar/calendarview.h"
#include "widgets/dateshowinglistview.h"
#include "widgets/tableview.h"

#include <QContextMenuEvent>
#include <QDir>
#include <QFile>
#include <QScopeGuard>
#include <QLineEdit>
#include <QMenu>
#include <QMenuBar>
#include <QSignalSpy>
#include <QStackedWidget>
#include <QTreeView>
#include <QUndoStack>
#include <QtTest>

namespace {

// Row by row: "1", folder F (c1, "3", c2), empty folder E, c3, "2", "4", "0"; two calendars with
// events; the real edit dialogs answered by a test function; the undo stack.
struct OpsEnv : EditorTestEnv
{
    OpsEnv() : files(typesDir.path()), calendars(manager.get())
    {
        properties->addProperty("appointmentSoundPath", QString());
        StatCollector::reset();
        app.m_undoObject = &undoObject;
        QVariantMap folder{{"folder", "F"}, {"types", QVariantList{"c1", "3", "c2"}}};
        QVariantMap empty{{"folder", "E"}, {"types", QVariantList{}}};
        files.storage->setState({{"myState", QVariantList{"1", folder, empty, "c3", "2", "4", "0"}},
                                 {"customState", QVariantList{makeCustomType("c1", "Custom1").toJson(),
                                                              makeCustomType("c2", "Custom2", 4).toJson(),
                                                              makeCustomType("c3", "Custom3", 0).toJson()}}});
        app.m_eventTypesStorage = files.storage.get();
        family = addCalendar("Family");
        addIn(family, 0, "Dentist", Period(QDate(2026, 3, 10), QTime(10, 0)));
        addIn(family, 0, "Checkup", Period(QDate(2026, 3, 10), QTime(11, 0)));
        addIn(manager->defaultCalendarId(), 0, "Review", Period(QDate(2026, 3, 10), QTime(12, 0)));
        undoObject.clearUndoStack();
        editor = std::make_unique<Editor>(manager.get());
        auto fake = std::make_unique<FakeEditorAsk>();
        ask = fake.get();
        editor->setAsk(std::move(fake));
        editor->setMenuRunner([](QMenu *, const QPoint &) {});
    }
    ~OpsEnv()
    {
        editor.reset();
        undoObject.clearUndoStack();
        app.m_eventTypesStorage = nullptr;
        app.m_undoObject = nullptr;
    }

    // The dialog's answer: OK with that caption typed, or Cancel; counts the dialogs run.
    void answerEdits(bool accept, const QString &caption = QString())
    {
        hooks.runEditDialog = [this, accept, caption](EventEditDialog &dialog) {
            // A form that refuses the values brings the dialog back: answer that with Cancel.
            if (++dialogs > 1 || !accept)
                return int(QDialog::Rejected);
            if (auto *edit = dialog.form()->findChild<QLineEdit *>(QStringLiteral("captionLineEdit")))
                edit->setText(caption);
            return int(QDialog::Accepted);
        };
    }

    QAction *newMenuEntry(const QByteArray &typeId) const
    {
        for (QAction *action : editor->newEventMenu()->findChildren<QAction *>())
            if (!action->menu() && action->data().toByteArray() == typeId)
                return action;
        return nullptr;
    }

    QModelIndex typeIndex(const QString &name) const
    {
        const QModelIndexList found = editor->eventTypesModel()->match(
            editor->eventTypesModel()->index(0, 0), Qt::DisplayRole, name, 1, Qt::MatchExactly | Qt::MatchRecursive);
        return found.value(0);
    }

    void trigger(EditorFilterPanel::ActionId id) const { editor->filterPanel()->action(id)->trigger(); }
    QTreeView *typesView() const { return editor->filterPanel()->eventTypesTreeView(); }
    QTreeView *calendarsView() const { return editor->filterPanel()->calendarsTreeView(); }
    QStringList calendarNames() const
    {
        QStringList names;
        for (const CalendarInfo &info : manager->calendars())
            names << info.name;
        return names;
    }

    AbstractCommonEventPtr lastEvent() const { return manager->eventByIndex(manager->count() - 1); }

    ProcessHooks hooks;
    QTemporaryDir typesDir;
    TypesFiles files;
    CalendarsProvider calendars;
    UndoObject undoObject;
    QByteArray family;
    std::unique_ptr<Editor> editor;
    FakeEditorAsk *ask = nullptr;
    int dialogs = 0;
};

// The "New" menu as text: entries by name without their Alt keys, a submenu as "name[entries]".
QStringList menuLines(QMenu *menu)
{
    QStringList lines;
    for (QAction *action : menu->actions()) {
        const QString name = action->text().remove(QLatin1Char('&'));
        if (action->menu())
            lines << name + '[' + menuLines(action->menu()).join(',') + ']';
        else
            lines << name;
    }
    return lines;
}

QString kind(int type)
{
    return EventsFactory::eventName(type);
}

QStringList startMenu()
{
    return {kind(1), "F[Custom1," + kind(3) + ",Custom2]", "E[]", "Custom3", kind(2), kind(4), kind(0)};
}

} // namespace

// The editor's menus, panel buttons and views reaching the event, event type and calendar
// operations, with questions and dialogs answered by the test.
class TestEditorOperations : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase()
    {
        TestHelpers::isolateEnvironment();
        // The events file names the program version; undo reads it back with this one.
        QCoreApplication::setApplicationVersion("3.3.0");
        Common::DeferredCallProcessor::init();
    }

    void cleanupTestCase() { Common::DeferredCallProcessor::term(); }

    void newMenuMirrorsTheTypesTree()
    {
        OpsEnv env;
        QCOMPARE(menuLines(env.editor->newEventMenu()), startMenu());
        QCOMPARE(env.newMenuEntry("c1")->data(), QVariant(QByteArray("c1")));
        // A change of the tree rebuilds it; undo shows the former tree again.
        env.trigger(EditorFilterPanel::CreateFolder);
        QCOMPARE(menuLines(env.editor->newEventMenu()).first(), EventTypesTreeModel::newFolderName() + "[]");
        UndoObject::undoStack()->undo();
        QCOMPARE(menuLines(env.editor->newEventMenu()), startMenu());
    }

    void newEventFromTheMenus_data()
    {
        QTest::addColumn<bool>("fromDayMenu");
        QTest::addColumn<bool>("accept");
        QTest::newRow("day menu: starts on that day") << true << true;
        QTest::newRow("tool button: the type's own start") << false << true;
        QTest::newRow("cancelled: nothing") << true << false;
    }

    void newEventFromTheMenus()
    {
        QFETCH(bool, fromDayMenu);
        QFETCH(bool, accept);
        OpsEnv env;
        env.answerEdits(accept, "Zahnarzt – Kontrolle");
        const QDate day(2026, 7, 14);
        const QDate ownStart = EventsFactory::createEvent(0)->period().beginDate();
        QVERIFY(ownStart != day);
        if (fromDayMenu) {
            env.editor->setMenuRunner([&](QMenu *menu, const QPoint &) {
                QVERIFY(menu->actions().contains(env.editor->newEventMenu()->menuAction()));
                env.newMenuEntry("0")->trigger();
            });
            env.editor->showDayContextMenu(QPoint(), day);
        } else {
            env.newMenuEntry("0")->trigger();
        }
        QCOMPARE(env.dialogs, 1);
        QCOMPARE(env.manager->count(), accept ? 4 : 3);
        QCOMPARE(UndoObject::undoStack()->count(), accept ? 1 : 0);
        if (!accept)
            return;
        QCOMPARE(UndoObject::undoStack()->undoText(), "New " + kind(0) + " Event");
        QCOMPARE(env.lastEvent()->caption(), QString("Zahnarzt – Kontrolle"));
        QCOMPARE(env.lastEvent()->period().beginDate(), fromDayMenu ? day : ownStart);
        QCOMPARE(env.lastEvent()->daysToWatch(), 15);
        QCOMPARE(env.lastEvent()->calendarId(), env.manager->defaultCalendarId());
    }

    void newEventGoesToTheChosenCalendar()
    {
        OpsEnv env;
        env.answerEdits(true, "Geburtstag");
        env.calendarsView()->setCurrentIndex(env.calendarsView()->model()->index(1, 0));
        env.newMenuEntry("c3")->trigger();
        QCOMPARE(env.lastEvent()->calendarId(), env.family);
        QCOMPARE(env.lastEvent()->customTypeMetaInfo().id, QByteArray("c3"));
        QCOMPARE(UndoObject::undoStack()->undoText(), QString("New Custom3 Event"));
    }

    void activatingATypeInThePanel_data()
    {
        QTest::addColumn<int>("page");
        QTest::addColumn<QString>("item");
        QTest::addColumn<bool>("made");
        QTest::newRow("calendar page: the selected day") << 0 << "Custom3" << true;
        QTest::newRow("table page: the type's own start") << 1 << "Custom3" << true;
        QTest::newRow("a folder makes nothing") << 0 << "F" << false;
    }

    void activatingATypeInThePanel()
    {
        QFETCH(int, page);
        QFETCH(QString, item);
        QFETCH(bool, made);
        OpsEnv env;
        env.answerEdits(true, "Planung");
        const QDate selected(2026, 8, 3);
        env.editor->calendarView()->setSelectedDate(selected, true);
        env.editor->changeViewActions()->actions().at(page)->trigger();
        const QModelIndex index = env.typeIndex(item);
        QVERIFY(index.isValid());
        emit env.typesView()->activated(index);
        QCOMPARE(env.manager->count(), made ? 4 : 3);
        QVERIFY(!env.editor->newEventDate().isValid());
        if (made)
            QCOMPARE(env.lastEvent()->period().beginDate() == selected, page == 0);
    }

    void editingFromTheViews_data()
    {
        QTest::addColumn<bool>("byButton");
        QTest::addColumn<bool>("accept");
        QTest::newRow("double click, accepted") << false << true;
        QTest::newRow("edit button, accepted") << true << true;
        QTest::newRow("cancelled: nothing pushed") << true << false;
    }

    void editingFromTheViews()
    {
        QFETCH(bool, byButton);
        QFETCH(bool, accept);
        OpsEnv env;
        env.answerEdits(accept, "Besprechung");
        env.editor->changeViewActions()->actions().at(1)->trigger();
        TableView *table = env.editor->tableView();
        const QModelIndex index = table->model()->index(0, 0);
        const int eventIndex = index.data(EventIndexRole).toInt();
        const QString before = env.manager->eventByIndex(eventIndex)->caption();
        table->setCurrentIndex(index);
        if (byButton)
            env.editor->editAction()->trigger();
        else
            emit table->doubleClicked(index);
        QCOMPARE(env.dialogs, 1);
        QCOMPARE(UndoObject::undoStack()->count(), accept ? 1 : 0);
        QCOMPARE(env.manager->eventByIndex(eventIndex)->caption(), accept ? QString("Besprechung") : before);
        if (!accept)
            return;
        QCOMPARE(UndoObject::undoStack()->undoText(), QString("Edit Event"));
        UndoObject::undoStack()->undo();
        QCOMPARE(env.manager->eventByIndex(eventIndex)->caption(), before);
    }

    void customTypesThroughTheWizard_data()
    {
        QTest::addColumn<bool>("edit");
        QTest::addColumn<bool>("accept");
        QTest::addColumn<QString>("undoText");
        QTest::newRow("create") << false << true << "Create Event Type";
        QTest::newRow("create cancelled") << false << false << QString();
        QTest::newRow("edit") << true << true << "Edit Event Type";
        QTest::newRow("edit cancelled") << true << false << QString();
    }

    void customTypesThroughTheWizard()
    {
        QFETCH(bool, edit);
        QFETCH(bool, accept);
        QFETCH(QString, undoText);
        OpsEnv env;
        env.typesView()->setCurrentIndex(env.typeIndex(edit ? "Custom3" : "F"));
        env.ask->dialogRunner = [&](QDialog *dialog) {
            auto *wizard = qobject_cast<CustomTypeWizard *>(dialog);
            if (!wizard)
                return false;
            wizard->findChild<QLineEdit *>(QStringLiteral("nameEdit"))->setText(QStringLiteral("Jahrestag Ü"));
            return accept;
        };
        env.trigger(edit ? EditorFilterPanel::EditEventType : EditorFilterPanel::CreateEventType);
        QCOMPARE(env.ask->runs, 1);
        QCOMPARE(StatCollector::collect().value("f_create_event_type").toInt(), accept && !edit ? 1 : 0);
        QUndoStack *stack = UndoObject::undoStack();
        QCOMPARE(stack->count(), accept ? 1 : 0);
        const QStringList menu = menuLines(env.editor->newEventMenu());
        if (!accept) {
            QCOMPARE(menu, startMenu());
            return;
        }
        QCOMPARE(stack->undoText(), undoText);
        QVERIFY(menu.join(',').contains("Jahrestag Ü"));
        if (!edit) {
            QCOMPARE(menu.at(1), "F[Jahrestag Ü,Custom1," + kind(3) + ",Custom2]");
            QCOMPARE(env.typesView()->currentIndex().data().toString(), QString("Jahrestag Ü"));
            QVERIFY(env.typesView()->isExpanded(env.typeIndex("F")));
        } else {
            QCOMPARE(menu.at(3), QString("Jahrestag Ü"));
        }
        stack->undo();
        QCOMPARE(menuLines(env.editor->newEventMenu()), startMenu());
    }

    void typeButtonsAreOneStepEach_data()
    {
        QTest::addColumn<int>("action");
        QTest::addColumn<QString>("item");
        QTest::addColumn<QString>("undoText");
        QTest::newRow("remove") << int(EditorFilterPanel::RemoveEventType) << "Custom3"
                                << "Remove Event Type";
        QTest::newRow("up") << int(EditorFilterPanel::MoveUpEventType) << kind(2) << "Move Up";
        QTest::newRow("down") << int(EditorFilterPanel::MoveDownEventType) << kind(2) << "Move Down";
        QTest::newRow("folder after the current row") << int(EditorFilterPanel::CreateFolder) << "Custom3"
                                                      << "Create Folder";
    }

    void typeButtonsAreOneStepEach()
    {
        QFETCH(int, action);
        QFETCH(QString, item);
        QFETCH(QString, undoText);
        OpsEnv env;
        const QStringList before = treeLines(*env.files.storage);
        env.typesView()->setCurrentIndex(env.typeIndex(item));
        env.trigger(EditorFilterPanel::ActionId(action));
        QUndoStack *stack = UndoObject::undoStack();
        QCOMPARE(stack->count(), 1);
        QCOMPARE(stack->undoText(), undoText);
        QVERIFY(treeLines(*env.files.storage) != before);
        stack->undo();
        QCOMPARE(treeLines(*env.files.storage), before);
    }

    void dropsAndRenamesOfTypes()
    {
        OpsEnv env;
        EventTypesTreeModel *model = env.editor->eventTypesModel();
        emit model->moveRequested(env.typeIndex("Custom3"), env.typeIndex("F"), 0);
        QCOMPARE(UndoObject::undoStack()->undoText(), QString("Move Item"));
        QCOMPARE(treeLines(*env.files.storage).at(1), "F=Custom3,Custom1," + kind(3) + ",Custom2");
        QVERIFY(model->setData(env.typeIndex("E"), "Leer"));
        QCOMPARE(UndoObject::undoStack()->undoText(), QString("Rename Item"));
        QCOMPARE(UndoObject::undoStack()->count(), 2);
        QCOMPARE(menuLines(env.editor->newEventMenu()).at(2), QString("Leer[]"));
    }

    void folderIconsFollowTheViewAndUndoExpandsAgain()
    {
        // A small icon theme, so the two folder icons have names to tell them apart.
        QTemporaryDir themes;
        QDir(themes.path()).mkpath("t/16");
        QFile index(themes.filePath("t/index.theme"));
        QVERIFY(index.open(QIODevice::WriteOnly));
        index.write("[Icon Theme]\nName=t\nDirectories=16\n[16]\nSize=16\n");
        index.close();
        QPixmap pixmap(16, 16);
        pixmap.fill(Qt::yellow);
        QVERIFY(pixmap.save(themes.filePath("t/16/folder.png")));
        QVERIFY(pixmap.save(themes.filePath("t/16/folder-open.png")));
        const QStringList oldPaths = QIcon::themeSearchPaths();
        const QString oldTheme = QIcon::themeName();
        QIcon::setThemeSearchPaths({themes.path()});
        QIcon::setThemeName("t");
        const auto restore = qScopeGuard([&] {
            QIcon::setThemeName(oldTheme);
            QIcon::setThemeSearchPaths(oldPaths);
        });

        OpsEnv env;
        QTreeView *view = env.typesView();
        const QPersistentModelIndex folder = env.typeIndex("F");
        QVERIFY(view->isExpanded(folder));
        QCOMPARE(folder.data(Qt::DecorationRole).value<QIcon>().name(), QString("folder-open"));
        view->collapse(folder);
        QCOMPARE(folder.data(Qt::DecorationRole).value<QIcon>().name(), QString("folder"));
        view->setCurrentIndex(env.typeIndex("Custom3"));
        env.trigger(EditorFilterPanel::RemoveEventType);
        UndoObject::undoStack()->undo();
        QVERIFY(view->isExpanded(env.typeIndex("F")));
    }

    void removingACalendar_data()
    {
        QTest::addColumn<bool>("withEvents");
        QTest::addColumn<bool>("answer");
        QTest::addColumn<bool>("removed");
        QTest::newRow("empty: no question") << false << false << true;
        QTest::newRow("with events: yes") << true << true << true;
        QTest::newRow("with events: no") << true << false << false;
    }

    void removingACalendar()
    {
        QFETCH(bool, withEvents);
        QFETCH(bool, answer);
        QFETCH(bool, removed);
        OpsEnv env;
        if (!withEvents)
            env.addCalendar("Leer");
        const QStringList names = env.calendarNames();
        Common::UserMessages::setNextAnswer(answer ? Common::UserMessages::Yes : Common::UserMessages::No);
        env.calendarsView()->setCurrentIndex(env.calendarsView()->model()->index(withEvents ? 1 : 2, 0));
        env.trigger(EditorFilterPanel::RemoveCalendar);
        const QList<Common::UserMessages::Message> asked = Common::UserMessages::told();
        QCOMPARE(asked.count(), withEvents ? 1 : 0);
        if (withEvents) {
            QCOMPARE(asked.first().title, QString("Events Editor"));
            QCOMPARE(asked.first().text, QString("Calendar is not empty. Are you sure you want to remove it?"));
        }
        QCOMPARE(env.calendarNames().count(), removed ? names.count() - 1 : names.count());
        QCOMPARE(env.manager->count(), removed && withEvents ? 1 : 3);
        QCOMPARE(UndoObject::undoStack()->count(), removed ? 1 : 0);
        if (!removed)
            return;
        UndoObject::undoStack()->undo();
        QCOMPARE(env.calendarNames(), names);
        QCOMPARE(env.manager->eventsByCalendar(env.family).count(), 2);
    }

    void theDefaultCalendarIsNeverRemoved()
    {
        OpsEnv env;
        Common::UserMessages::setNextAnswer(Common::UserMessages::Yes);
        env.calendarsView()->setCurrentIndex(env.calendarsView()->model()->index(0, 0));
        // The panel offers no removal here; the slot refuses it on its own too.
        env.editor->onRemoveCalendarClicked();
        QCOMPARE(env.calendarNames().count(), 2);
        QCOMPARE(env.manager->count(), 3);
        QVERIFY(Common::UserMessages::told().isEmpty());
        QCOMPARE(UndoObject::undoStack()->count(), 0);
    }

    void calendarButtonsAreOneStepEach_data()
    {
        QTest::addColumn<int>("action");
        QTest::addColumn<int>("row");
        QTest::addColumn<QString>("undoText");
        QTest::addColumn<QStringList>("namesAfter");
        QTest::newRow("up") << int(EditorFilterPanel::MoveUpCalendar) << 1 << "Move Calendar Up"
                            << QStringList{"Family", "Default Calendar"};
        QTest::newRow("down") << int(EditorFilterPanel::MoveDownCalendar) << 0 << "Move Calendar Down"
                              << QStringList{"Family", "Default Calendar"};
        QTest::newRow("default") << int(EditorFilterPanel::SetDefaultCalendar) << 1 << "Set Default Calendar"
                                 << QStringList{"Default Calendar", "Family"};
    }

    void calendarButtonsAreOneStepEach()
    {
        QFETCH(int, action);
        QFETCH(int, row);
        QFETCH(QString, undoText);
        QFETCH(QStringList, namesAfter);
        OpsEnv env;
        env.calendarsView()->setCurrentIndex(env.calendarsView()->model()->index(row, 0));
        env.trigger(EditorFilterPanel::ActionId(action));
        QCOMPARE(UndoObject::undoStack()->count(), 1);
        QCOMPARE(UndoObject::undoStack()->undoText(), undoText);
        QCOMPARE(env.calendarNames(), namesAfter);
    }

    void creatingACalendarOpensItsName()
    {
        OpsEnv env;
        env.editor->triggerFilterPanelAction()->trigger();
        env.editor->show();
        QVERIFY(QTest::qWaitForWindowExposed(env.editor.get()));
        env.trigger(EditorFilterPanel::CreateNewCalendar);
        QCOMPARE(env.calendarNames(), (QStringList{"Default Calendar", "Family", "New Calendar"}));
        QCOMPARE(env.calendarsView()->currentIndex().row(), 2);
        QCOMPARE(StatCollector::collect().value("f_create_calendar").toInt(), 1);
        auto *nameEditor = env.calendarsView()->viewport()->findChild<QLineEdit *>();
        QVERIFY(nameEditor);
        QCOMPARE(nameEditor->text(), QString("New Calendar"));
        QTest::keyClick(nameEditor, Qt::Key_Escape);
        QCOMPARE(env.calendarNames().last(), QString("New Calendar"));
        QCOMPARE(UndoObject::undoStack()->count(), 1);
        QCOMPARE(UndoObject::undoStack()->undoText(), QString("Create Calendar"));
        emit env.editor->calendarListModel()->renameRequested(2, "Urlaub");
        QCOMPARE(UndoObject::undoStack()->undoText(), QString("Rename Calendar"));
        emit env.editor->calendarListModel()->moveRequested(2, -2);
        QCOMPARE(UndoObject::undoStack()->undoText(), QString("Move Calendar"));
        QCOMPARE(env.calendarNames(), (QStringList{"Urlaub", "Default Calendar", "Family"}));
        UndoObject::undoStack()->undo();
        UndoObject::undoStack()->undo();
        UndoObject::undoStack()->undo();
        QCOMPARE(env.calendarNames(), (QStringList{"Default Calendar", "Family"}));
    }

    void activatingACalendarMakesItTheDefault()
    {
        OpsEnv env;
        QTreeView *view = env.calendarsView();
        view->setCurrentIndex(view->model()->index(0, 0));
        emit view->activated(view->currentIndex());
        QCOMPARE(UndoObject::undoStack()->count(), 0);
        view->setCurrentIndex(view->model()->index(1, 0));
        emit view->activated(view->currentIndex());
        QCOMPARE(env.manager->defaultCalendarId(), env.family);
        QCOMPARE(UndoObject::undoStack()->undoText(), QString("Set Default Calendar"));
    }

    void moveToFromTheContextMenu()
    {
        OpsEnv env;
        const QByteArray work = env.addCalendar("Work");
        env.editor->changeViewActions()->actions().at(1)->trigger();
        TableView *table = env.editor->tableView();
        table->setCurrentIndex(table->model()->index(0, 0));
        table->selectAll();
        env.editor->setMenuRunner([&](QMenu *menu, const QPoint &) {
            for (QAction *action : menu->actions()) {
                if (!action->menu() || action->text() != "&Move To")
                    continue;
                for (QAction *target : action->menu()->actions())
                    if (target->data().toByteArray() == work)
                        target->trigger();
            }
        });
        QContextMenuEvent event(QContextMenuEvent::Mouse, QPoint(5, 5), QPoint(5, 5));
        env.editor->showTableContextMenu(&event);
        QCOMPARE(env.manager->eventsByCalendar(work).count(), 3);
        QCOMPARE(UndoObject::undoStack()->count(), 1);
        QCOMPARE(UndoObject::undoStack()->undoText(), QString("Change Calendar"));
        UndoObject::undoStack()->undo();
        QCOMPARE(env.manager->eventsByCalendar(env.family).count(), 2);
        QCOMPARE(env.manager->eventsByCalendar(env.manager->defaultCalendarId()).count(), 1);
    }

    void menuBarOpensNoContextMenu()
    {
        OpsEnv env;
        QMenuBar *bar = env.editor->menuBar();
        // With a custom menu policy the bar would announce the request; the guard keeps it from the bar.
        bar->setContextMenuPolicy(Qt::CustomContextMenu);
        QSignalSpy requests(bar, &QWidget::customContextMenuRequested);
        QContextMenuEvent event(QContextMenuEvent::Mouse, QPoint(5, 5), QPoint(5, 5));
        QCoreApplication::sendEvent(bar, &event);
        QCOMPARE(requests.count(), 0);
    }
};

QTEST_MAIN(TestEditorOperations)
#include "tst_editoroperations.moc"
