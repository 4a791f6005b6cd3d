#include "apptestenv.h"
#include "fakewallclocktimer.h"
#include "app/remindercontroller.h"
#include "app/reminderwidget.h"
#include "app/reportdialog.h"
#include "app/settingsdialog.h"
#include "app/usersettings.h"
#include "core/clock.h"
#include "core/jsonsettingsfile.h"
#include "core/properties.h"
#include "core/storage.h"
#include "eventtypes/customtypesstorage.h"
#include "eventtypes/eventtypesstorage.h"
#include "editor/editor.h"
#include "widgets/aboutdialog.h"
#include "eventtypes/ieventtype.h"
#include "eventtypes/ieventtypesstorage.h"
#include "events/eventsfactory.h"
#include "events/period.h"
#include "gadgets/gadgetscontroller.h"
#include "gadgets/todogadget.h"
#include "store/ibackupmanager.h"
#include "widgets/calendar/calendarview.h"
#include "platform/osdescription.h"
#include "events/notspecifiedevent.h"
#include "store/editorcommands.h"
#include "store/eventsmanager.h"
#include "store/restorejournal.h"
#include "store/todos/todorecord.h"
#include "store/todos/todostorage.h"
#include "testhelpers.h"

#include <QAction>
#include <QBuffer>
#include <QFileInfo>
#include <QSignalSpy>
#include <QDirIterator>
#include <QMenu>
#include <QMenuBar>
#include <QStandardPaths>
#include <QTest>

#include <sys/stat.h>

namespace {

QStringList filesUnder(const QString &folder)
{
    QStringList files;
    QDirIterator it(folder, QDir::Files | QDir::Hidden, QDirIterator::Subdirectories);
    while (it.hasNext())
        files << it.next();
    return files;
}

QStringList menuTexts(const QMenu *menu)
{
    QStringList texts;
    for (const QAction *action : menu->actions())
        texts << (action->isSeparator() ? QStringLiteral("-") : action->text());
    return texts;
}

enum FileKind { EventsFile, CustomTypesFile, TypesOrderFile, PicturesFile, SettingsFile, ToDoFile };

ToDoGadget *welcomeGadget(Application *app)
{
    if (!QTest::qWaitFor([app] { return !app->gadgetsController()->liveGadgets().isEmpty(); }))
        return nullptr;
    return app->gadgetsController()->liveGadgets().first();
}

// Change number n of the file's content, through the application; true when it was saved.
bool makeChange(Application *app, FileKind kind, int n)
{
    switch (kind) {
    case EventsFile: {
        auto event = std::make_shared<NotSpecifiedEvent>();
        event->setCaption(QStringLiteral("change %1").arg(n));
        QSignalSpy saved(app->eventsManager(), &EventsManager::saved);
        app->eventsManager()->addEvent(event);
        app->eventsManager()->waitForSaves();
        return saved.count() == 1;
    }
    case CustomTypesFile: {
        CustomTypeInfo info;
        info.id = QByteArray("{c") + QByteArray::number(n) + '}';
        info.name = QStringLiteral("Fest %1").arg(n);
        info.baseType = 3;
        return app->eventTypesStorage()->insertCustomType(IEventTypesStorage::Index(), 0, info) &&
               QFileInfo(QDir(app->dataLocation()).filePath(QStringLiteral("customtypes.dat"))).size() > 16;
    }
    case TypesOrderFile:
        return app->eventTypesStorage()->insertFolder(0, QStringLiteral("Ordner %1").arg(n)) &&
               QFileInfo(QDir(app->dataLocation()).filePath(QStringLiteral("typesorder.dat"))).size() > 16;
    case PicturesFile: {
        QByteArray bytes(64, char('a' + n));
        QBuffer buffer(&bytes);
        buffer.open(QIODevice::ReadOnly);
        return app->storage()->write("picture" + QByteArray::number(n), &buffer);
    }
    case SettingsFile:
        app->properties()->setValue("daysToWatch", 20 + n);
        // Settings objects of one process share what is not written yet: look at the file itself.
        return TestHelpers::readFile(app->settings()->fileName()).contains("daysToWatch=" + QByteArray::number(20 + n));
    case ToDoFile:
        welcomeGadget(app)->addToDo(QStringLiteral("to-do %1").arg(n));
        return true;
    }
    return false;
}

// How many of the changes a fresh reader finds in the file.
int storedChanges(Application *app, FileKind kind)
{
    const QDir data(app->dataLocation());
    switch (kind) {
    case EventsFile:
        return EventsManager(app->eventsFilePath()).count();
    case CustomTypesFile:
        return CustomTypesStorage(data.filePath(QStringLiteral("customtypes.dat"))).types().size();
    case TypesOrderFile: {
        CustomTypesStorage custom(data.filePath(QStringLiteral("customtypes.dat")));
        return EventTypesStorage(&custom, data.filePath(QStringLiteral("typesorder.dat"))).count() - 5;
    }
    case PicturesFile: {
        // A second storage over the same files would tidy them at its end; the index says what is stored.
        int n = 0;
        for (int i = 1; i <= 4; ++i)
            n += app->storage()->contains("picture" + QByteArray::number(i));
        return n;
    }
    case SettingsFile:
        // Only the last value is in the file; all of them count when it is the last change's.
        return TestHelpers::readFile(app->settings()->fileName()).contains("daysToWatch=24") ? 4 : 0;
    case ToDoFile: {
        ToDoStorage list;
        list.objectFromMap(
            Common::JsonSettingsFile(ToDoGadget::toDoFileName(welcomeGadget(app)->uid())).value("ToDos").toMap());
        int n = 0;
        for (int i = 0; i < list.count(); ++i)
            n += list.eventByIndex(i)->text().startsWith(QStringLiteral("to-do "));
        return n;
    }
    }
    return 0;
}

} // namespace

class TestApplication : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase()
    {
        TestHelpers::isolateEnvironment();
        // Each case gives the application a home of its own instead.
        QStandardPaths::setTestModeEnabled(false);
    }

    // ---- construction

    void dataFolderThatCannotBeMadeStopsConstruction()
    {
        AppTestEnv env;
        // A file where the data folder's parent should be.
        QVERIFY(TestHelpers::writeFile(env.dataHome(), "x"));
        Application *app = env.make();
        QVERIFY(!app->startError().isEmpty());
        QVERIFY(!app->properties());
        QVERIFY(filesUnder(env.configFolder()).isEmpty());
    }

    // Without a lock no start can know it is alone: it builds nothing and tells why.
    void startWithoutLockIsNoInstance()
    {
        AppTestEnv env;
        QVERIFY(QDir().mkpath(env.configFolder()));
        env.runtimeFolder = QDir(env.configFolder()).filePath(QStringLiteral("run"));
        QVERIFY(TestHelpers::writeFile(env.runtimeFolder, "a file in the way"));
        Application *app = env.make();
        QVERIFY(app->isRunning());
        QVERIFY(!app->properties());
        QVERIFY(!app->sendMessage(QString::fromLatin1(Application::kActivateMessage), 200));
        QVERIFY(app->handOverFailedText().contains(QStringLiteral("cannot make sure that it runs only once")));
        QVERIFY(!QFileInfo::exists(env.dataFolder()));
    }

    void constructionWritesOnlyIntoTheDataFolderAndSettings()
    {
        AppTestEnv env;
        Application *app = env.make();
        QVERIFY(app->startError().isEmpty());
        QCOMPARE(app->dataLocation(), env.dataFolder());
        QVERIFY(QFileInfo(env.dataFolder()).isDir());
        QCOMPARE(IApplication::instance(), static_cast<IApplication *>(app));
        QVERIFY(app->properties() && app->storage() && app->backupManager() && app->langs());
        QVERIFY(!app->eventsManager());
    }

    void eventTypesAreBackedUpAndRestored()
    {
        AppTestEnv env;
        Application *app = env.make();
        IEventTypesStorage *types = app->eventTypesStorage();
        QVERIFY(types);
        QCOMPARE(types->count(), 5);
        QCOMPARE(types->typeAt(IEventTypesStorage::Index(0, -1))->name(), "Birthday");
        bool ok = false;
        const BackupMap saved = app->backupManager()->backupToMap(&ok);
        QVERIFY(ok);
        QVERIFY(saved.contains("customtypes.dat") && saved.contains("typesorder.dat"));

        CustomTypeInfo info;
        info.id = "{f}";
        info.name = QStringLiteral("Familienfest");
        info.baseType = 3;
        QVERIFY(types->insertCustomType(IEventTypesStorage::Index(), 0, info));
        const BackupMap withType = app->backupManager()->backupToMap(&ok);
        QVERIFY(app->backupManager()->restoreFromMap(saved));
        QCOMPARE(types->count(), 5);
        QVERIFY(!types->typeById("{f}"));
        QVERIFY(app->backupManager()->restoreFromMap(withType));
        QCOMPARE(types->typeAt(IEventTypesStorage::Index(0, -1))->name(), "Familienfest");
    }

    void installsTheEventForms()
    {
        AppTestEnv env;
        env.make();
        const AbstractCommonEventPtr event = EventsFactory::createEvent(EventTypeHoliday);
        const std::unique_ptr<QWidget> form(event->eventWidget(nullptr));
        QVERIFY(form);
    }

    void uidIsBracedStableAndShared()
    {
        AppTestEnv env;
        const QString first = env.make()->uid();
        QCOMPARE(first.size(), 38);
        QVERIFY(first.startsWith(QLatin1Char('{')) && first.endsWith(QLatin1Char('}')));
        QCOMPARE(env.make()->uid(), first);
        QSettings organisation(QSettings::NativeFormat, QSettings::UserScope, QStringLiteral("Quillane"));
        QCOMPARE(organisation.value(QStringLiteral("uid")).toString(), first);
        QVERIFY(logBuffer().contains("UID: " + first.toUtf8()));
    }

    // ---- start

    void registersEveryDefault_data()
    {
        QTest::addColumn<QByteArray>("id");
        QTest::addColumn<QVariant>("value");
        QTest::newRow("daysToWatch") << QByteArray("daysToWatch") << QVariant(15);
        QTest::newRow("notifyMinutes") << QByteArray("notifyMinutes") << QVariant(15);
        QTest::newRow("notifyDays") << QByteArray("notifyDays") << QVariant(0);
        QTest::newRow("showAppointmentInMovingLine") << QByteArray("showAppointmentInMovingLine") << QVariant(true);
        QTest::newRow("showAppointmentReminder") << QByteArray("showAppointmentReminder") << QVariant(true);
        QTest::newRow("exitWhenMovingLineIsHidden") << QByteArray("exitWhenMovingLineIsHidden") << QVariant(false);
        QTest::newRow("reminderWidgetDefaultMinutes") << QByteArray("reminderWidgetDefaultMinutes") << QVariant(15);
        QTest::newRow("appointmentSoundPath") << QByteArray("appointmentSoundPath") << QVariant(QString());
        QTest::newRow("creepingLineVisibilityOption") << QByteArray("creepingLineVisibilityOption") << QVariant(2);
        QTest::newRow("removeExpiredEvents") << QByteArray("removeExpiredEvents") << QVariant(false);
        QTest::newRow("removeExpiredEventsDays") << QByteArray("removeExpiredEventsDays") << QVariant(0);
        QTest::newRow("appAutorun") << QByteArray("appAutorun") << QVariant(true);
    }

    void registersEveryDefault()
    {
        QFETCH(QByteArray, id);
        QFETCH(QVariant, value);
        AppTestEnv env;
        Application *app = env.start();
        QCOMPARE(app->properties()->value(id), value);
        QCOMPARE(env.bar->m_registered, 1);
    }

    void migratesStartIfNoEvents_data()
    {
        QTest::addColumn<QVariant>("stored");
        QTest::addColumn<int>("option");
        QTest::newRow("false becomes option 1") << QVariant(false) << 1;
        QTest::newRow("true keeps the option") << QVariant(true) << 2;
        QTest::newRow("absent keeps the option") << QVariant() << 2;
    }

    void migratesStartIfNoEvents()
    {
        QFETCH(QVariant, stored);
        QFETCH(int, option);
        AppTestEnv env;
        if (stored.isValid())
            env.appSettings()->setValue(QStringLiteral("Properties/startIfNoEvents"), stored);
        Application *app = env.start();
        QCOMPARE(app->properties()->value("creepingLineVisibilityOption").toInt(), option);
        QVERIFY(!app->settings()->contains(QStringLiteral("Properties/startIfNoEvents")));
    }

    // option x silent x coming x exitWhenMovingLineIsHidden
    void visibilityAtStart_data()
    {
        QTest::addColumn<int>("option");
        QTest::addColumn<bool>("silent");
        QTest::addColumn<bool>("coming");
        QTest::addColumn<bool>("exitWhenHidden");
        QTest::addColumn<bool>("barShown");
        QTest::addColumn<bool>("exits");
        for (int option : {0, 1, 2}) {
            for (int bits = 0; bits < 8; ++bits) {
                const bool silent = bits & 1, coming = bits & 2, exitWhenHidden = bits & 4;
                bool shown = false;
                if (option == 2)
                    shown = true;
                else if (option == 1)
                    shown = !silent || coming;
                const bool exits = !shown && silent && exitWhenHidden;
                QTest::addRow("option %d silent %d coming %d exit %d", option, silent, coming, exitWhenHidden)
                    << option << silent << coming << exitWhenHidden << shown << exits;
            }
        }
    }

    void visibilityAtStart()
    {
        QFETCH(int, option);
        QFETCH(bool, silent);
        QFETCH(bool, coming);
        QFETCH(bool, exitWhenHidden);
        QFETCH(bool, barShown);
        QFETCH(bool, exits);
        AppTestEnv env;
        auto settings = env.appSettings();
        settings->setValue(QStringLiteral("Properties/creepingLineVisibilityOption"), option);
        settings->setValue(QStringLiteral("Properties/exitWhenMovingLineIsHidden"), exitWhenHidden);
        settings.reset();
        Application *app = env.make(silent ? QStringList{QStringLiteral("SILENTMODE")} : QStringList());
        env.bar->m_coming = coming;
        app->start();
        QCOMPARE(app->creepingLine() != nullptr, barShown);
        // An exiting start stops before the tray menu and never counts as started.
        QCOMPARE(app->isStarted(), !exits);
        QCOMPARE(app->trayMenu() == nullptr, exits);
    }

    void barLeavesWhenNothingIsComing()
    {
        AppTestEnv env;
        env.appSettings()->setValue(QStringLiteral("Properties/creepingLineVisibilityOption"), 1);
        Application *app = env.start();
        QVERIFY(app->creepingLine());
        app->invalidateTimeFilters();
        env.processDeletes();
        QVERIFY(!app->creepingLine());
        QCOMPARE(env.bar->m_invalidated, 1);
        // Something coming brings it back at the next change.
        env.bar->m_coming = true;
        app->invalidateTimeFilters();
        QVERIFY(app->creepingLine());
    }

    void optionChanges()
    {
        AppTestEnv env;
        Application *app = env.start();
        QVERIFY(app->creepingLine());
        app->properties()->setValue("creepingLineVisibilityOption", 0);
        env.processDeletes();
        QVERIFY(!app->creepingLine());
        // With the bar disabled, another start's "activate" opens the editor instead.
        app->onAnotherInstanceMessage(QStringLiteral("activate"));
        QVERIFY(!app->creepingLine());
        QVERIFY(app->editor() && app->editor()->isVisible());
        QVERIFY(logBuffer().contains("Message received: activate"));
        app->editor()->hide();
        app->onAnotherInstanceMessage(QStringLiteral("hello"));
        QVERIFY(!app->editor()->isVisible());
        app->properties()->setValue("creepingLineVisibilityOption", 2);
        app->onAnotherInstanceMessage(QStringLiteral("activate"));
        QVERIFY(app->creepingLine());
    }

    void choosingAlwaysShowsTheBarAtOnce_data()
    {
        QTest::addColumn<int>("option");
        QTest::addColumn<bool>("barShown");
        QTest::newRow("always") << 2 << true;
        QTest::newRow("while events are coming") << 1 << false;
    }

    void choosingAlwaysShowsTheBarAtOnce()
    {
        QFETCH(int, option);
        QFETCH(bool, barShown);
        AppTestEnv env;
        env.appSettings()->setValue(QStringLiteral("Properties/creepingLineVisibilityOption"), 0);
        Application *app = env.start();
        QVERIFY(!app->creepingLine());
        app->properties()->setValue("creepingLineVisibilityOption", option);
        QCOMPARE(app->creepingLine() != nullptr, barShown);
    }

    void closingTheBarEndsTheProgramWhenAsked()
    {
        AppTestEnv env;
        Application *app = env.start();
        QVERIFY(app->creepingLine());
        app->properties()->setValue("exitWhenMovingLineIsHidden", true);
        bool quit = false;
        QTimer::singleShot(0, app, [&] { env.app->creepingLine()->close(); });
        QTimer::singleShot(5000, app, [&] { QCoreApplication::exit(3); });
        quit = app->exec() == 0;
        QVERIFY(quit);
        QVERIFY(!app->creepingLine());
    }

    // ---- tray

    void trayMenuInOrder()
    {
        AppTestEnv env;
        Application *app = env.start();
        QVERIFY(app->trayMenu());
        QCOMPARE(app->trayIcon()->contextMenu(), app->trayMenu());
        app->onTrayEvent(QSystemTrayIcon::Context);
        QCOMPARE(menuTexts(app->trayMenu()),
                 QStringList({"&Events editor", "-", "Hide &Creeping Line", "&New To-Do Gadget", "-", "&Settings", "-",
                              "Request a &feature", "&Report a bug", "-",
                              "New &version of Quillane Reminder is available.", "&About...", "-", "E&xit"}));
        QVERIFY(!app->updateAction()->isVisible());
        QCOMPARE(app->trayMenu()->defaultAction(), app->updateAction());
        QCOMPARE(app->trayIcon()->toolTip(), QStringLiteral("Quillane Reminder"));
    }

    void trayEvents_data()
    {
        QTest::addColumn<int>("reason");
        QTest::addColumn<bool>("barBefore");
        QTest::addColumn<bool>("barAfter");
        QTest::addColumn<bool>("editorAsked");
        QTest::newRow("click shows a hidden bar") << int(QSystemTrayIcon::Trigger) << false << true << false;
        QTest::newRow("click leaves a shown bar") << int(QSystemTrayIcon::Trigger) << true << true << false;
        QTest::newRow("double click opens the editor") << int(QSystemTrayIcon::DoubleClick) << true << true << true;
        QTest::newRow("middle click does nothing") << int(QSystemTrayIcon::MiddleClick) << false << false << false;
    }

    void trayEvents()
    {
        QFETCH(int, reason);
        QFETCH(bool, barBefore);
        QFETCH(bool, barAfter);
        QFETCH(bool, editorAsked);
        AppTestEnv env;
        Application *app = env.start();
        if (!barBefore) {
            app->showHideCreepingLine();
            env.processDeletes();
        }
        QCOMPARE(app->creepingLine() != nullptr, barBefore);
        app->onTrayEvent(QSystemTrayIcon::ActivationReason(reason));
        QCoreApplication::processEvents(); // menu entries run queued
        QCOMPARE(app->creepingLine() != nullptr, barAfter);
        QCOMPARE(app->editor() != nullptr, editorAsked);
    }

    void trayMenuOnceTheDoubleClicksEditorIsActive()
    {
        AppTestEnv env;
        Application *app = env.start();
        QWindow *activeAtMenu = nullptr;
        connect(app->trayMenu(), &QMenu::aboutToShow, [&] { activeAtMenu = QGuiApplication::focusWindow(); });
        app->onTrayEvent(QSystemTrayIcon::DoubleClick);
        QVERIFY(!app->trayIcon()->contextMenu()); // the tray opens none itself meanwhile
        app->onTrayEvent(QSystemTrayIcon::Context);
        QTRY_COMPARE(activeAtMenu, app->editor()->windowHandle());
        QCOMPARE(app->trayIcon()->contextMenu(), app->trayMenu());
    }

    void menuEntriesRunTheirOperation()
    {
        AppTestEnv env;
        Application *app = env.start();
        const QList<QAction *> actions = app->trayMenu()->actions();
        actions.at(0)->trigger();  // events editor
        actions.at(5)->trigger();  // settings
        actions.at(11)->trigger(); // about
        QCoreApplication::processEvents();
        QVERIFY(app->settingsDialog() && app->settingsDialog()->isVisible());
        QVERIFY(app->aboutDialog()->isVisible() && env.ask->m_modal.isEmpty());
        QVERIFY(app->editor() && app->editor()->isVisible());
        QCOMPARE(actions.at(5)->objectName(), QStringLiteral("actionSettings")); // as the editor's form named it
        // Brought forward, a window left where no screen is any more comes onto one.
        app->editor()->move(app->editor()->screen()->geometry().right() - 10, 0);
        QVERIFY(app->raiseEditor());
        QVERIFY(app->editor()->screen()->availableGeometry().contains(app->editor()->frameGeometry()));
    }

    // The welcome gadget on the first start only; new gadgets from the tray and the editor; all of them
    // again at the next start.
    void gadgetsFromTrayAndEditorAcrossRestarts()
    {
        AppTestEnv env;
        Application *app = env.start();
        // The welcome gadget follows the bar's first paint and the loop's first idle moment.
        QVERIFY(app->gadgetsController()->liveGadgets().isEmpty());
        QTRY_COMPARE(app->gadgetsController()->liveGadgets().size(), 1);
        QCOMPARE(app->gadgetsController()->liveGadgets().first()->storage()->eventByIndex(0)->text(),
                 QStringLiteral("Welcome to Quillane Reminder"));
        app->trayMenu()->actions().at(3)->trigger(); // New To-Do Gadget
        QCoreApplication::processEvents();
        QCOMPARE(app->gadgetsController()->liveGadgets().size(), 2);
        app->showEditor();
        QMenu *gadgets = app->editor()->menuBar()->actions().last()->menu();
        QCOMPARE(gadgets->actions().first(), app->trayMenu()->actions().at(3));
        QCOMPARE(env.bar->m_actions.newToDoGadget, app->trayMenu()->actions().at(3));
        QCOMPARE(env.bar->m_actions.eventsEditor, app->trayMenu()->actions().at(0));
        gadgets->actions().first()->trigger();
        QCoreApplication::processEvents();
        QCOMPARE(app->gadgetsController()->liveGadgets().size(), 3);

        app = env.start();
        // The stored gadgets come once the start is over, after the bar.
        QTRY_COMPARE(app->gadgetsController()->liveGadgets().size(), 3);
        QCOMPARE(QDir(env.dataFolder()).entryList({QStringLiteral("todo.*.dat")}).size(), 3);
    }

    void installsTheStyleSheet()
    {
        AppTestEnv env;
        Application *app = env.make();
        QVERIFY(app->styleSheet().contains(QLatin1Char('{')));
    }

    void showEditorOnceAndSelectTheEvent()
    {
        AppTestEnv env;
        Application *app = env.start();
        AbstractCommonEventPtr event = EventsFactory::createEvent(0);
        event->setCaption("Zahnarzt");
        event->setPeriod(Period(QDate(2031, 7, 14)));
        app->eventsManager()->addEvent(event);
        QVERIFY(!app->raiseEditor());
        // The bar's double click turns the event's id into its index first.
        app->showEditor(app->eventsManager()->indexOf(event));
        Editor *editor = app->editor();
        QVERIFY(editor && editor->isVisible());
        QCOMPARE(editor->calendarView()->selectedDate(), QDate(2031, 7, 14));
        editor->close();
        QVERIFY(!editor->isVisible());
        app->showEditor(-1);
        QCOMPARE(app->editor(), editor);
        QVERIFY(editor->isVisible());
        // Minimised while maximised: shown again, it is maximised and no longer minimised.
        editor->setWindowState(Qt::WindowMaximized | Qt::WindowMinimized);
        app->showEditor(-1);
        QCOMPARE(editor->windowState() & (Qt::WindowMaximized | Qt::WindowMinimized), Qt::WindowMaximized);
    }

    // ---- settings

    void remindsWithTheEventsSound()
    {
        Common::Clock::pin(QDateTime(QDate(2026, 3, 10), QTime(12, 0)));
        AppTestEnv env;
        Application *app = env.start();
        QVERIFY(app->reminderController());
        auto event = std::make_shared<NotSpecifiedEvent>();
        event->setCaption("Dentist");
        event->setPeriod(Period(QDateTime(QDate(2026, 3, 11), QTime(9, 0))));
        event->setSoundPath("/usr/share/sounds/bell.wav");
        app->eventsManager()->addEvent(event);
        app->reminderController()->snooze(event, QDateTime(QDate(2026, 3, 10), QTime(11, 59)));
        QTRY_COMPARE(ReminderWidget::widgets().count(), 1);
        QCOMPARE(env.sound->m_played, QStringList{"/usr/share/sounds/bell.wav"});
        env.app.reset();
        QVERIFY(ReminderWidget::widgets().isEmpty());
        Common::Clock::unpin();
    }

    void removeSettingsWithDottedChildren()
    {
        AppTestEnv env;
        Application *app = env.make();
        for (const char *key : {"reminder", "reminder.x", "reminder.x/y", "reminderX", "other.reminder"})
            app->setSettingsValue(key, 1);
        app->removeSettings("reminder", true);
        QVERIFY(!app->settings()->contains(QStringLiteral("reminder")));
        QVERIFY(!app->settings()->contains(QStringLiteral("reminder.x")));
        QVERIFY(!app->settings()->contains(QStringLiteral("reminder.x/y")));
        QVERIFY(app->settings()->contains(QStringLiteral("reminderX")));
        QVERIFY(app->settings()->contains(QStringLiteral("other.reminder")));
        app->removeSettings("reminderX", false);
        QVERIFY(!app->settings()->contains(QStringLiteral("reminderX")));
    }

    // The reminder table lies in a file of its own, which other settings' writes leave alone; a restart reads it
    // back, from there or from a settings file that still holds it.
    void reminderTableInAFileOfItsOwn_data()
    {
        QTest::addColumn<bool>("inOldSettings");
        QTest::addColumn<bool>("fileBefore");
        QTest::newRow("written by the program") << false << false;
        QTest::newRow("held by an older settings file") << true << false;
        QTest::newRow("an older build wrote it later") << true << true;
        QTest::newRow("written by the previous build") << false << false; // without the readings shown
    }

    void reminderTableInAFileOfItsOwn()
    {
        QFETCH(bool, inOldSettings);
        QFETCH(bool, fileBefore);
        const bool previousBuild = QString(QTest::currentDataTag()).contains("previous");
        const QVariantList table{QVariantMap{{"version", 1},
                                             {"date", QDateTime(QDate(2026, 3, 10), QTime(9, 0))},
                                             {"eventId", QByteArray("{e1}")},
                                             {"snoozed", true}}};
        const QString look = QStringLiteral("2026-03-10T08:00:00.000Z");
        AppTestEnv env;
        const QString file = UserSettings::tableFileFor(env.appSettings()->fileName());
        if (fileBefore) {
            env.make()->setSettingsValue("reminder", QVariantList());
            QFile older(file);
            QVERIFY(older.open(QIODevice::ReadWrite));
            QVERIFY(older.setFileTime(QDateTime::currentDateTime().addSecs(-60), QFileDevice::FileModificationTime));
        }
        if (inOldSettings) {
            env.appSettings()->setValue(QStringLiteral("reminder"), table);
            env.appSettings()->setValue(QStringLiteral("reminderLastLook"), look);
        }
        const QVariantList shown{QVariantMap{{"eventId", QByteArray("{e1}")}}};
        if (previousBuild) {
            QByteArray bytes;
            QDataStream out(&bytes, QIODevice::WriteOnly);
            out.setVersion(QDataStream::Qt_4_0);
            out << QVariant(table + QVariantList{QVariantMap{{"reminderLastLook", look}}});
            QVERIFY(QDir().mkpath(QFileInfo(file).path()) && TestHelpers::writeFile(file, bytes));
        }
        Application *app = env.make();
        if (!inOldSettings && !previousBuild)
            app->setSettingsValues({{"reminder", table}, {"reminderLastLook", look}, {"reminderShown", shown}});
        const auto written = [&file] {
            struct stat info = {};
            return ::stat(qPrintable(file), &info) == 0 ? qint64(info.st_ino) << 32 ^ info.st_mtim.tv_nsec : -1;
        };
        const qint64 before = written();
        QCOMPARE(before != -1, !inOldSettings || fileBefore);
        app->setSettingsValue("report.name", QStringLiteral("Ann"));
        QCOMPARE(written(), before);
        app = env.make();
        QCOMPARE(app->settingsValue("reminder", QVariant()), QVariant(table));
        QCOMPARE(app->settingsValue("reminderLastLook", QVariant()), QVariant(look));
        QCOMPARE(app->settingsValue("reminderShown", QVariant()), inOldSettings || previousBuild ? QVariant() : shown);
        QCOMPARE(app->settings()->contains(QStringLiteral("reminder")), inOldSettings);
        QVERIFY(!app->settings()->contains(QStringLiteral("reminderShown")));
        // A new table leaves the settings file without the old one.
        app->setSettingsValue("reminder", QVariantList());
        QVERIFY(!app->settings()->contains(QStringLiteral("reminder")));
        QVERIFY(!app->settings()->contains(QStringLiteral("reminderLastLook")));
        app = env.make();
        QCOMPARE(app->settingsValue("reminder", QVariant()), QVariant(QVariantList()));
    }

    void systemReportWrittenAtStart()
    {
        AppTestEnv env;
        Application *app = env.start();
        // Written once the start's first picture is up.
        QByteArray report;
        QTRY_VERIFY((report = TestHelpers::readFile(QDir(env.dataFolder()).filePath(QStringLiteral("sysinfo.dat"))))
                        .contains("[OS]"));
        QCOMPARE(app->systemInfoText(), app->systemInfoText());
        QCOMPARE(QString::fromUtf8(report), app->systemInfoText());
    }

    // What a start records about itself; the second start counts on and is no longer the first.
    void statisticsOfTwoStarts()
    {
        AppTestEnv env;
        Application *app = env.start();
        const int calendars = app->eventsManager()->calendarsCount();
        app->eventsManager()->addCalendar(CalendarInfo(QStringLiteral("Work")));
        env.app.reset();
        const QString dump = QDir(env.dataFolder()).filePath(QStringLiteral("stat.dat"));
        const auto lines = [&] { return QString::fromUtf8(TestHelpers::readFile(dump)).split(QLatin1Char('\n')); };
        const QLocale system = QLocale::system();
        QStringList first = lines();
        for (const QString &line :
             {QStringLiteral("system_country: ") + QLocale::territoryToString(system.territory()),
              QStringLiteral("system_language: ") + QLocale::languageToString(system.language()),
              QStringLiteral("number_of_starts: 1"), QStringLiteral("successful_ends: 1"),
              QStringLiteral("app_name: Quillane Reminder"), QStringLiteral("app_ver: 3.3.0"),
              QStringLiteral("os_name: ") + Common::osDescription(), QStringLiteral("events_count: 0"),
              QStringLiteral("calendars_count: %1").arg(calendars)})
            QVERIFY2(first.contains(line), qPrintable(line + QStringLiteral(" not in ") + first.join(u'|')));

        app = env.start();
        QVERIFY(!StatCollector::isFirstStart());
        QTRY_VERIFY(lines().contains(QStringLiteral("number_of_starts: 2")));
        QVERIFY(lines().contains(QStringLiteral("calendars_count: %1").arg(calendars + 1)));
        Common::UserMessages::setNextAnswer(Common::UserMessages::Yes);
        QString report;
        env.ask->m_whileModal = [&](QDialog *dialog) { report = static_cast<ReportDialog *>(dialog)->composeText(); };
        app->showReportDialog(QStringLiteral("Report"), true);
        QVERIFY(report.contains(QStringLiteral("number_of_starts: 2")));
        QVERIFY(report.contains(QStringLiteral("os_name: ") + Common::osDescription()));
    }

    // ---- autostart

    void autostartWrittenOnceOnFirstStart()
    {
        AppTestEnv env;
        env.start();
        QVERIFY(env.autostart->m_on);
        // The user removed the entry by other means: a later start leaves that alone.
        env.autostartOn = false;
        env.start();
        QVERIFY(!env.autostart->m_on);
    }

    void autostartFollowsTheSettingWithoutBar()
    {
        AppTestEnv env;
        env.appSettings()->setValue(QStringLiteral("Properties/creepingLineVisibilityOption"), 0);
        Application *app = env.start();
        QVERIFY(!app->creepingLine());
        app->properties()->setValue("appAutorun", false);
        QVERIFY(!env.autostart->m_on);
        app->properties()->setValue("appAutorun", true);
        QVERIFY(env.autostart->m_on);
        // Unanswered questions leave it off after the uninstall feedback.
        app->showUninstallFeedback();
        QVERIFY(!env.autostart->m_on);
        QCOMPARE(Common::UserMessages::toldLines().size(), 1);
    }

    // ---- events file

    void unreadableEventsFileToldOnceAndKept_data()
    {
        QTest::addColumn<QByteArray>("damaged");
        QTest::newRow("not json") << QByteArray("{\"Events\": [ this is not json");
        QTest::newRow("from a newer version")
            << QByteArray("{\"Events\": {\"calendarsList\": [], \"eventsList\": [], \"version\": \"99.0\"}}");
    }

    void unreadableEventsFileToldOnceAndKept()
    {
        QFETCH(QByteArray, damaged);
        AppTestEnv env;
        QVERIFY(QDir().mkpath(env.dataFolder()));
        const QString events = QDir(env.dataFolder()).filePath(QStringLiteral("events.dat"));
        QVERIFY(TestHelpers::writeFile(events, damaged));
        Application *app = env.start();
        QCOMPARE(Common::UserMessages::toldLines().size(), 1);
        QVERIFY(Common::UserMessages::toldLines().first().startsWith(QStringLiteral("Data Error: ")));
        app->eventsManager()->addEvent(std::make_shared<NotSpecifiedEvent>());
        app->eventsManager()->waitForSaves();
        QCOMPARE(Common::UserMessages::toldLines().size(), 1);
        QCOMPARE(TestHelpers::readFile(QDir(env.dataFolder()).filePath(QStringLiteral("events.bak"))), damaged);
        QVERIFY(TestHelpers::readFile(events) != damaged);
    }

    // A restore from the editor's menu tells how it went, also when it fails.
    void restoreOutcomeIsTold()
    {
        AppTestEnv env;
        Application *app = env.start();
        const QString archive = QDir(env.dataHome()).filePath(QStringLiteral("saved.qbf"));
        QVERIFY(app->backupManager()->backup(archive));
        const QString garbage = QDir(env.dataHome()).filePath(QStringLiteral("garbage.qbf"));
        QVERIFY(TestHelpers::writeFile(garbage, "not an archive"));
        Common::UserMessages::reset();
        RestoreCommand(app->backupManager(), garbage).redo();
        RestoreCommand(app->backupManager(), archive).redo();
        QCOMPARE(Common::UserMessages::toldLines(),
                 (QStringList{"Restore: Cannot restore data from this file", "Restore: Data successfully restored"}));
    }

    // A restore killed after its record was written is finished by the next start, before the events
    // load; what restores and saves cut short left behind is gone.
    void startFinishesACutShortRestore()
    {
        AppTestEnv env;
        Application *app = env.start();
        auto event = std::make_shared<NotSpecifiedEvent>();
        event->setCaption(QStringLiteral("from the archive"));
        app->eventsManager()->addEvent(event);
        app->eventsManager()->waitForSaves();
        const QString events = app->eventsFilePath();
        const QByteArray restored = TestHelpers::readFile(events);
        app->eventsManager()->removeEvent(event);
        env.app.reset();

        const QDir data(env.dataFolder());
        QVERIFY(data.mkpath(QStringLiteral(".restore-AbC123")));
        const QString staged = data.filePath(QStringLiteral(".restore-AbC123/events.dat"));
        QVERIFY(TestHelpers::writeFile(staged, restored));
        QVERIFY(RestoreJournal::write(env.dataFolder(), data.filePath(QStringLiteral(".restore-AbC123")),
                                      {{events, staged}}));
        QVERIFY(TestHelpers::writeFile(data.filePath(QStringLiteral("events.dat.qr-tmp-Q1w2E3")), "half a save"));
        app = env.start();
        QCOMPARE(app->eventsManager()->count(), 1);
        QCOMPARE(app->eventsManager()->eventByIndex(0)->caption(), QStringLiteral("from the archive"));
        QCOMPARE(data.entryList({QStringLiteral(".restore*"), QStringLiteral("*.Q1w2E3")},
                                QDir::AllEntries | QDir::Hidden | QDir::NoDotAndDotDot),
                 QStringList());
    }

    void failedSavesToldOnceUntilSavingWorks()
    {
        AppTestEnv env;
        Application *app = env.start();
        EventsManager *manager = app->eventsManager();
        manager->addEvent(std::make_shared<NotSpecifiedEvent>());
        QVERIFY(Common::UserMessages::toldLines().isEmpty());
        {
            TestHelpers::ScopedFileSizeLimit full(16);
            manager->addEvent(std::make_shared<NotSpecifiedEvent>());
            manager->addEvent(std::make_shared<NotSpecifiedEvent>());
            manager->waitForSaves();
        }
        // The limit holds for the whole process: another file written meanwhile is told of on its own.
        const auto told = [&](const QString &title) {
            const QStringList said = Common::UserMessages::toldLines();
            return std::count_if(said.cbegin(), said.cend(), [&](const QString &line) {
                return line.startsWith(title) && line.contains(QStringLiteral("events.dat"));
            });
        };
        QCOMPARE(told(QStringLiteral("Data Error")), 1);
        manager->addEvent(std::make_shared<NotSpecifiedEvent>());
        manager->waitForSaves();
        QCOMPARE(told(QStringLiteral("Data Error")), 1);
        QCOMPARE(told(QStringLiteral("Data Saved")), 1);
        EventsManager reread(app->eventsFilePath());
        QCOMPARE(reread.count(), 4);
    }

    // Every data file the program writes: a failing save is told once, and the next change after the
    // file can be written again saves what was kept (pictures are not kept: their caller gives up).
    void failedSavesOfEachFile_data()
    {
        QTest::addColumn<int>("kind");
        QTest::addColumn<QString>("file");
        QTest::addColumn<bool>("kept");
        QTest::newRow("events") << int(EventsFile) << "events.dat" << true;
        QTest::newRow("custom types") << int(CustomTypesFile) << "customtypes.dat" << true;
        QTest::newRow("types order") << int(TypesOrderFile) << "typesorder.dat" << true;
        QTest::newRow("pictures") << int(PicturesFile) << "pixmaps.dat" << false;
        QTest::newRow("settings") << int(SettingsFile) << "Quillane Reminder.conf" << true;
        QTest::newRow("to-do list") << int(ToDoFile) << "todo." << true;
    }

    void failedSavesOfEachFile()
    {
        QFETCH(int, kind);
        QFETCH(QString, file);
        QFETCH(bool, kept);
        AppTestEnv env;
        Application *app = env.start();
        const auto toldAbout = [&](const QString &title) {
            int n = 0;
            for (const QString &said : Common::UserMessages::toldLines())
                n += said.startsWith(title + QStringLiteral(": ")) && said.contains(file);
            return n;
        };
        int changes = 0;
        const auto change = [&] { return makeChange(app, FileKind(kind), ++changes); };
        QVERIFY(change());
        QCOMPARE(toldAbout(QStringLiteral("Data Error")), 0);
        {
            TestHelpers::ScopedFileSizeLimit full(16);
            change();
            change();
        }
        QCOMPARE(toldAbout(QStringLiteral("Data Error")), 1);
        QCOMPARE(toldAbout(QStringLiteral("Data Saved")), 0);
        QVERIFY(change());
        QCOMPARE(toldAbout(QStringLiteral("Data Saved")), 1);
        QCOMPARE(toldAbout(QStringLiteral("Data Error")), 1);
        // What a new run reads back: every change when they were kept, else the first and the last.
        const int stored = storedChanges(app, FileKind(kind));
        QCOMPARE(stored, kept ? changes : 2);
    }

    void removalAskedByAnEventCanBeUndone()
    {
        AppTestEnv env;
        Application *app = env.start();
        app->eventsManager()->addEvent(std::make_shared<NotSpecifiedEvent>());
        app->onEventRemoveRequired(0);
        QCOMPARE(app->eventsManager()->count(), 0);
        QCoreApplication::sendPostedEvents(); // as between two key presses: the list lets go of the event
        app->undo();
        QCOMPARE(app->eventsManager()->count(), 1);
        app->onEventRemoveRequired(5); // no such event: nothing happens
        QCOMPARE(app->eventsManager()->count(), 1);
    }

    void timeUpdateFollowsTheEvents()
    {
        AppTestEnv env;
        Common::Clock::pin(QDateTime(QDate(2026, 3, 10), QTime(14, 0)));
        Application *app = env.start();
        QCOMPARE(app->scheduledTimeUpdate(), QDateTime(QDate(2026, 3, 11), QTime(0, 0, 1)));
        auto event = std::make_shared<NotSpecifiedEvent>();
        event->setPeriod(Period(QDate(2026, 3, 10), QTime(14, 30)));
        app->eventsManager()->addEvent(event);
        QCOMPARE(app->scheduledTimeUpdate(), QDateTime(QDate(2026, 3, 10), QTime(14, 31)));
        Common::Clock::unpin();
    }

    // A sleep over night, or a clock set by hand: what is current is worked out anew at once.
    void timeUpdateFollowsTheWallClock_data()
    {
        QTest::addColumn<QDateTime>("jumpTo");
        QTest::addColumn<QDateTime>("next");
        QTest::newRow("past the change") << QDateTime(QDate(2026, 3, 10), QTime(16, 0))
                                         << QDateTime(QDate(2026, 3, 11), QTime(0, 0, 1));
        QTest::newRow("to the next morning")
            << QDateTime(QDate(2026, 3, 11), QTime(8, 0)) << QDateTime(QDate(2026, 3, 11), QTime(9, 1));
        QTest::newRow("back") << QDateTime(QDate(2026, 3, 10), QTime(13, 0))
                              << QDateTime(QDate(2026, 3, 10), QTime(14, 31));
        QTest::newRow("nothing changes") << QDateTime(QDate(2026, 3, 10), QTime(14, 10))
                                         << QDateTime(QDate(2026, 3, 10), QTime(14, 31));
    }

    void timeUpdateFollowsTheWallClock()
    {
        QFETCH(QDateTime, jumpTo);
        QFETCH(QDateTime, next);
        AppTestEnv env;
        Common::Clock::pin(QDateTime(QDate(2026, 3, 10), QTime(14, 0)));
        Application *app = env.start();
        for (const QDateTime &at :
             {QDateTime(QDate(2026, 3, 10), QTime(14, 30)), QDateTime(QDate(2026, 3, 11), QTime(9, 0))}) {
            auto event = std::make_shared<NotSpecifiedEvent>();
            event->setPeriod(Period(at.date(), at.time()));
            app->eventsManager()->addEvent(event);
        }
        QCOMPARE(app->scheduledTimeUpdate(), QDateTime(QDate(2026, 3, 10), QTime(14, 31)));
        Common::Clock::pin(jumpTo);
        static_cast<FakeWallClockTimer *>(Application::timeUpdateTimer())->clockJumped();
        QCOMPARE(app->scheduledTimeUpdate(), next);
        QCOMPARE(Application::timeUpdateTimer()->target(), next);
        Common::Clock::unpin();
    }

    void playsThroughThePlatformPlayer()
    {
        AppTestEnv env;
        Application *app = env.make();
        app->playSound(QStringLiteral("/usr/share/sounds/bell.wav"));
        QCOMPARE(env.sound->m_played, QStringList{QStringLiteral("/usr/share/sounds/bell.wav")});
    }
};

QTEST_APPLESS_MAIN(TestApplication)
#include "tst_application.moc"
