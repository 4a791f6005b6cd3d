#include "core/statcollector.h"
#include "gadgettestenv.h"
#include "gadgets/gadgetscontroller.h"
#include "gadgets/phantom.h"
#include "gadgets/todogadget.h"
#include "store/backupmanager.h"

#include <QAction>
#include <QApplication>
#include <QJsonArray>
#include <QScreen>
#include <QtTest>

#include <unistd.h>

namespace {
// Uids of the form the program gives its lists.
const QString s_uidA("{0a1b2c3d-0000-4000-8000-00000000000a}"), s_uidB("{0a1b2c3d-0000-4000-8000-00000000000b}");
const auto listName = [](const QString &uid) { return "todo." + uid + ".dat"; };

QByteArray listFile(const QStringList &texts)
{
    QJsonArray records;
    for (const QString &text : texts)
        records.append(
            QJsonObject{{"version", 1}, {"done", false}, {"text", text}, {"modified", "2026-12-01T10:00:00"}});
    const QJsonObject toDos{{"version", 1}, {"eventsList", records}};
    return QJsonDocument(QJsonObject{{"ToDos", toDos}}).toJson(QJsonDocument::Compact);
}

QStringList texts(const ToDoGadget *gadget)
{
    QStringList list;
    for (int i = 0; i < gadget->storage()->count(); ++i)
        list << gadget->storage()->eventByIndex(i)->text();
    return list;
}

QStringList uids(const GadgetsController &controller)
{
    QStringList list;
    for (ToDoGadget *gadget : controller.liveGadgets())
        list << QString::fromLatin1(gadget->uid());
    return list;
}

QList<Phantom *> phantoms()
{
    QList<Phantom *> list;
    for (QWidget *w : QApplication::topLevelWidgets())
        if (auto *p = qobject_cast<Phantom *>(w))
            list << p;
    return list;
}
} // namespace

class TestGadgetsController : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase()
    {
        TestHelpers::isolateEnvironment();
        QCoreApplication::setApplicationName(QStringLiteral("Quillane Reminder"));
    }

    void init() { StatCollector::reset(); }

    void uidFromFileName_data()
    {
        QTest::addColumn<QString>("file");
        QTest::addColumn<QString>("uid");
        QTest::newRow("plain") << "todo.{a1}.dat"
                               << "{a1}";
        QTest::newRow("dots inside") << "todo.x.y.z.dat"
                                     << "x.y.z";
        QTest::newRow("empty") << "todo..dat"
                               << "";
    }

    void uidFromFileName()
    {
        QFETCH(QString, file);
        QFETCH(QString, uid);
        QCOMPARE(GadgetsController::uidFromFileName(file), uid);
    }

    void loadsInNameOrder()
    {
        GadgetTestEnv env;
        for (const QString &name : {listName(s_uidB), listName(s_uidA), QStringLiteral("notes.dat")})
            QVERIFY(TestHelpers::writeFile(env.dataFile(name), listFile({name})));
        GadgetsController controller;
        controller.loadGadgets();
        QCOMPARE(uids(controller), (QStringList{s_uidA, s_uidB}));
        QCOMPARE(texts(controller.liveGadgets().at(1)), QStringList{listName(s_uidB)});
        QCOMPARE(StatCollector::collect().value("todo_count"), QStringLiteral("2"));
        // Loaded gadgets are no new creations.
        QVERIFY(!StatCollector::collect().contains("f_create_todo"));
        controller.closeAllGadgets();
    }

    // A file the program did not name, or another file under a list's name, gets no gadget and stays as it is.
    void leavesOtherFilesAlone_data()
    {
        QTest::addColumn<QString>("name");
        QTest::addColumn<int>("link"); // 1: a symbolic link to events.dat, 2: a hard one
        QTest::newRow("no uid") << "todo..dat" << 0;
        QTest::newRow("capital prefix") << "TODO." + s_uidA + ".dat" << 0;
        QTest::newRow("capital extension") << "todo." + s_uidA + ".DAT" << 0;
        QTest::newRow("capital first letter") << "Todo." + s_uidA + ".dat" << 0;
        QTest::newRow("line break after the uid") << "todo." + s_uidA + "\n.dat" << 0;
        QTest::newRow("link to events.dat") << listName(s_uidB) << 1;
        QTest::newRow("hard link to events.dat") << listName(s_uidB) << 2;
    }

    void leavesOtherFilesAlone()
    {
        QFETCH(QString, name);
        QFETCH(int, link);
        GadgetTestEnv env;
        const QByteArray content = link ? QByteArray("{\"Events\": {\"eventsList\": []}}") : listFile({"other"});
        QVERIFY(TestHelpers::writeFile(env.dataFile(link ? "events.dat" : name), content));
        QVERIFY(link != 1 || QFile::link("events.dat", env.dataFile(name)));
        QVERIFY(link != 2 || ::link(qPrintable(env.dataFile("events.dat")), qPrintable(env.dataFile(name))) == 0);
        QVERIFY(TestHelpers::writeFile(env.dataFile(listName(s_uidA)), listFile({"mine"})));
        for (int run = 0; run < 2; ++run) {
            GadgetsController controller;
            controller.loadGadgets();
            QCOMPARE(uids(controller), QStringList{s_uidA});
            controller.liveGadgets().first()->addToDo(QStringLiteral("more"));
            controller.closeAllGadgets();
        }
        QCOMPARE(TestHelpers::readFile(env.dataFile(name)), content);
        QCOMPARE(QDir(env.app.m_dataLocation).entryList({"todo.*"}).size(), 2);
    }

    void welcomeGadgetOnlyWithoutGadgets_data()
    {
        QTest::addColumn<bool>("saved");
        QTest::addColumn<int>("count");
        QTest::newRow("first start") << false << 1;
        QTest::newRow("gadget loaded") << true << 1;
    }

    void welcomeGadgetOnlyWithoutGadgets()
    {
        QFETCH(bool, saved);
        QFETCH(int, count);
        GadgetTestEnv env;
        if (saved)
            QVERIFY(TestHelpers::writeFile(env.dataFile(listName(s_uidA)), listFile({"mine"})));
        GadgetsController controller;
        controller.loadGadgets();
        controller.createWelcomeGadget();
        QCOMPARE(controller.liveGadgets().size(), count);
        const QStringList expected{saved ? QStringLiteral("mine") : QStringLiteral("Welcome to Quillane Reminder")};
        QCOMPARE(texts(controller.liveGadgets().first()), expected);
        if (!saved) {
            const QString uid = QString::fromLatin1(controller.liveGadgets().first()->uid());
            QCOMPARE(uid.size(), 38);
            QVERIFY(QFile::exists(env.dataFile("todo." + uid + ".dat")));
        }
        controller.closeAllGadgets();
    }

    void newGadgetFromAGadgetTakesItsPlaceAndTheme()
    {
        GadgetTestEnv env;
        GadgetsController controller;
        ToDoGadget *first = controller.newToDoGadget(QString(), true, QRect(), QString());
        QCOMPARE(first->themeUid(), QStringLiteral("blue"));
        first->setThemeUid(QStringLiteral("green"));
        first->setGeometry(100, 100, 180, 225);
        emit first->newToDoGadget();
        QCOMPARE(controller.liveGadgets().size(), 2);
        ToDoGadget *second = controller.liveGadgets().at(1);
        QCOMPARE(second->themeUid(), QStringLiteral("green"));
        // Started over the first, it moved on to a free place at its first show.
        QVERIFY(!second->geometry().intersects(first->geometry()));
        QCOMPARE(StatCollector::collect().value("f_create_todo"), QStringLiteral("2"));
        // From the tray: the default theme, which is now the one last chosen.
        controller.newToDoGadget();
        QCOMPARE(controller.liveGadgets().at(2)->themeUid(), QStringLiteral("green"));
        controller.closeAllGadgets();
    }

    void gadgetsMoveWhollyOntoAScreen()
    {
        GadgetTestEnv env;
        GadgetsController controller;
        ToDoGadget *gadget = controller.newToDoGadget(QString(), false, QRect(), QString());
        const QRect area = QGuiApplication::primaryScreen()->availableGeometry();
        // 18 px left on the screen by a monitor gone on its right, then on no screen at all.
        for (const QPoint &at : {area.topRight() - QPoint(17, 0), QPoint(5000, 3000)}) {
            gadget->setGeometry(QRect(at, QSize(180, 225)));
            controller.keepGadgetsOnScreens();
            QCOMPARE(area.intersected(gadget->geometry()).size(), QSize(180, 225));
        }
        controller.closeAllGadgets();
    }

    // The first write happens while the gadget is made: its failure is heard too.
    void listFileSavesAreReported()
    {
        GadgetTestEnv env;
        GadgetsController controller;
        QSignalSpy failed(&controller, &GadgetsController::saveFailed);
        QSignalSpy saved(&controller, &GadgetsController::saved);
        ToDoGadget *gadget = nullptr;
        {
            TestHelpers::ScopedFileSizeLimit full(16);
            gadget = controller.newToDoGadget(QString(), true, QRect(), QString());
        }
        QCOMPARE(failed.size(), 1);
        QCOMPARE(failed.first().first().toString(), ToDoGadget::toDoFileName(gadget->uid()));
        QCOMPARE(saved.size(), 0);
        gadget->addToDo(QStringLiteral("Brot"));
        QCOMPARE(saved.size(), 1);
        QCOMPARE(failed.size(), 1);
        controller.closeAllGadgets();
    }

    void themeGoesToAllOnlyWhenAsked()
    {
        GadgetTestEnv env;
        GadgetsController controller;
        ToDoGadget *a = controller.newToDoGadget(QString(), true, QRect(), QString());
        ToDoGadget *b = controller.newToDoGadget(QString(), true, QRect(), QString());
        a->setThemeUid(QStringLiteral("green"));
        QCOMPARE(b->themeUid(), QStringLiteral("blue"));
        QCOMPARE(controller.defaultProperties()->value("theme").toString(), QStringLiteral("green"));
        // Checking "Apply to All" from a's menu gives every gadget a's theme.
        QAction *all = controller.applyToAllAction();
        QCOMPARE(all, controller.applyToAllAction());
        a->contextMenuActions(a->mapToGlobal(QPoint(5, 5)));
        all->setChecked(true);
        QCOMPARE(b->themeUid(), QStringLiteral("green"));
        QVERIFY(controller.defaultProperties()->value("applyThemeToAll").toBool());
        b->setThemeUid(QStringLiteral("blue"));
        QCOMPARE(a->themeUid(), QStringLiteral("blue"));
        controller.closeAllGadgets();
    }

    void hiddenNewGadgetGetsAPhantom_data()
    {
        QTest::addColumn<bool>("visible");
        QTest::newRow("covered") << false;
        QTest::newRow("in sight") << true;
    }

    void hiddenNewGadgetGetsAPhantom()
    {
        QFETCH(bool, visible);
        GadgetTestEnv env;
        env.probe.m_visibleAt = [&](const QPoint &) { return visible; };
        GadgetsController controller;
        controller.newToDoGadget(QString(), true, QRect(), QString());
        QCoreApplication::processEvents();
        QCOMPARE(phantoms().size(), visible ? 0 : 1);
        QTRY_VERIFY(phantoms().isEmpty());
        controller.closeAllGadgets();
    }

    void backupObjectsInOrder()
    {
        GadgetTestEnv env;
        GadgetsController controller;
        QList<IBackupObject *> objects = controller.backupObjects();
        QCOMPARE(objects.size(), 2);
        QCOMPARE(objects.at(0)->name(), QByteArray("AppDataGadgets"));
        QCOMPARE(objects.at(1), static_cast<IBackupObject *>(controller.defaultProperties()));
        ToDoGadget *gadget = controller.newToDoGadget(QString(), true, QRect(), QString());
        objects = controller.backupObjects();
        QCOMPARE(objects.size(), 3);
        QCOMPARE(objects.at(2), static_cast<IBackupObject *>(gadget->properties()));
        // Registered while it is open, a gadget's settings leave the backups when it closes.
        BackupManager manager("qbf");
        manager.addBackupObjects(objects);
        controller.closeAllGadgets();
        QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
        QCOMPARE(manager.backupToMap().size(), 2);
    }

    // Gadgets survive a backup and restore: the archive's lists come back, and gadgets it did not hold
    // are loaded again too. An archive whose lists hold a name the program never gives (its gadget would keep
    // its properties in "<uid>.dat") is refused whole, with its reason.
    void backupAndRestore()
    {
        GadgetTestEnv env;
        QVERIFY(TestHelpers::writeFile(env.dataFile(listName(s_uidA)), listFile({"Milch", "Brot"})));
        GadgetsController controller;
        controller.loadGadgets();
        bool ok = false;
        const QByteArray backup = controller.backup(&ok);
        QVERIFY(ok);
        controller.liveGadgets().first()->storage()->clear();
        controller.newToDoGadget(s_uidB, true, QRect(), QString())->addToDo(QStringLiteral("later"));
        QCOMPARE(StatCollector::collect().value("todo_count"), QStringLiteral("1"));

        QVERIFY(controller.restore(backup));
        QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
        QCOMPARE(uids(controller), (QStringList{s_uidA, s_uidB}));
        QCOMPARE(texts(controller.liveGadgets().at(0)), (QStringList{"Milch", "Brot"}));
        QCOMPARE(texts(controller.liveGadgets().at(1)), QStringList{"later"});
        // Two gadgets before the restore, two after it.
        QCOMPARE(StatCollector::collect().value("todo_count"), QStringLiteral("4"));

        QTemporaryDir source;
        FolderBackupObject archived("AppDataGadgets", source.path(), {GadgetsController::s_listFilter});
        BackupManager manager("qbf"), restoring("qbf");
        manager.addBackupObject(&archived);
        restoring.addBackupObject(&controller);
        QVERIFY(TestHelpers::writeFile(source.filePath(listName(s_uidA)), "archived"));
        for (const QString &name :
             {QStringLiteral("todo.events.dat"), "todo." + listName(s_uidB), "TODO." + s_uidB + ".dat"}) {
            QVERIFY(TestHelpers::writeFile(source.filePath(name), "archived") &&
                    manager.backup(source.filePath("l.qbf")));
            QVERIFY(!restoring.restore(source.filePath("l.qbf")) && QFile::remove(source.filePath(name)));
            QCOMPARE(restoring.errorString(), "The archive's to-do lists hold \"" + name +
                                                  "\", which is not the name of a to-do list of this program.");
        }
        QCOMPARE(QDir(env.app.m_dataLocation).entryList({"todo.*"}), (QStringList{listName(s_uidA), listName(s_uidB)}));
        QVERIFY(!TestHelpers::readFile(env.dataFile(listName(s_uidA))).contains("archived"));
        controller.closeAllGadgets();
    }

    void closeAllLeavesTheFiles()
    {
        GadgetTestEnv env;
        GadgetsController controller;
        const QString uid = QString::fromLatin1(controller.newToDoGadget(QString(), true, QRect(), QString())->uid());
        controller.closeAllGadgets();
        QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
        QVERIFY(controller.liveGadgets().isEmpty());
        QCOMPARE(controller.gadgets().size(), 1);
        QVERIFY(QFile::exists(env.dataFile("todo." + uid + ".dat")));
    }
};

QTEST_MAIN(TestGadgetsController)
#include "tst_gadgetscontroller.moc"
