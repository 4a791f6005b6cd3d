#include "core/usermessages.h"
#include "gadgettestenv.h"
#include "gadgets/gadgetthememanager.h"
#include "gadgets/todogadget.h"
#include "gadgets/todomodel.h"
#include "gadgets/todoview.h"
#include "shots.h"

#include <QAction>
#include <QJsonArray>
#include <QLabel>
#include <QDrag>
#include <QLineEdit>
#include <QMenu>
#include <QMimeData>
#include <QSignalSpy>
#include <QtTest>

namespace {
const QByteArray kUid("{6f1c2a3b-0d4e-4f50-8a61-72b3c4d5e6f7}");
const QString kFile = QStringLiteral("todo.{6f1c2a3b-0d4e-4f50-8a61-72b3c4d5e6f7}.dat");

QStringList texts(const ToDoGadget &gadget)
{
    QStringList list;
    for (int i = 0; i < gadget.storage()->count(); ++i)
        list << gadget.storage()->eventByIndex(i)->text();
    return list;
}

QStringList storedTexts(const QJsonObject &file)
{
    QStringList list;
    const QJsonArray records =
        file.value(QStringLiteral("ToDos")).toObject().value(QStringLiteral("eventsList")).toArray();
    for (const QJsonValue &record : records)
        list << record.toObject().value(QStringLiteral("text")).toString();
    return list;
}

QLineEdit *enterEdit(ToDoGadget &gadget)
{
    return gadget.findChild<QLineEdit *>(QStringLiteral("enterEdit"));
}

QStringList actionTexts(const QList<QAction *> &actions)
{
    QStringList list;
    for (QAction *action : actions)
        list << (action ? action->text() : QStringLiteral("-"));
    return list;
}
} // namespace

class TestToDoGadget : public QObject
{
    Q_OBJECT

    // Every gadget takes its look from one of these; without them it reports each one it asks for.
    GadgetThemeManager themes;

private slots:
    void initTestCase()
    {
        TestHelpers::isolateEnvironment();
        QCoreApplication::setApplicationName(QStringLiteral("Quillane Reminder"));
        themes.loadTheme(QStringLiteral("darkblue.theme"));
        themes.loadTheme(QStringLiteral("greengrass.theme"));
    }

    void newGadgetWritesItsFileAtOnce()
    {
        GadgetTestEnv env;
        ToDoGadget gadget(kUid, &themes, nullptr);
        QVERIFY(QFile::exists(env.dataFile(kFile)));
        const QJsonObject file = env.readJson(kFile);
        QVERIFY(file.value(QStringLiteral("ToDos")).toObject().value(QStringLiteral("eventsList")).toArray().isEmpty());
        QVERIFY(!file.contains(QStringLiteral("Caption")));
        QCOMPARE(gadget.caption(), QStringLiteral("To-Dos"));
    }

    void entersToDos_data()
    {
        QTest::addColumn<QString>("typed");
        QTest::addColumn<QStringList>("expected");
        QTest::newRow("plain") << "Buy milk" << QStringList{"Buy milk"};
        QTest::newRow("spaces around") << "  Call Jürgen  " << QStringList{"Call Jürgen"};
        QTest::newRow("only spaces") << "    " << QStringList();
        QTest::newRow("empty") << "" << QStringList();
    }

    void entersToDos()
    {
        QFETCH(QString, typed);
        QFETCH(QStringList, expected);
        GadgetTestEnv env;
        ToDoGadget gadget(kUid, &themes, nullptr);
        QLabel *label = gadget.findChild<QLabel *>(QStringLiteral("enterToDoLabel"));
        QTest::mouseClick(label, Qt::LeftButton);
        QVERIFY(gadget.isEditing());
        enterEdit(gadget)->setText(typed);
        emit enterEdit(gadget)->editingFinished();
        QCOMPARE(texts(gadget), expected);
        QCOMPARE(storedTexts(env.readJson(kFile)), expected);
        QVERIFY(!gadget.isEditing());
    }

    void escapeDropsTheEntry()
    {
        GadgetTestEnv env;
        ToDoGadget gadget(kUid, &themes, nullptr);
        QTest::mouseClick(gadget.findChild<QLabel *>(QStringLiteral("enterToDoLabel")), Qt::LeftButton);
        enterEdit(gadget)->setText(QStringLiteral("half typed"));
        QTest::keyClick(enterEdit(gadget), Qt::Key_Escape);
        QVERIFY(!gadget.isEditing());
        QVERIFY(texts(gadget).isEmpty());
        // The next start shows an empty line.
        QTest::mouseClick(gadget.findChild<QLabel *>(QStringLiteral("enterToDoLabel")), Qt::LeftButton);
        QCOMPARE(enterEdit(gadget)->text(), QString());
    }

    void typingOpensTheEntry_data()
    {
        QTest::addColumn<int>("key");
        QTest::addColumn<int>("modifiers");
        QTest::addColumn<QString>("text");
        QTest::addColumn<bool>("opens");
        QTest::newRow("letter") << int(Qt::Key_B) << int(Qt::NoModifier) << "b" << true;
        QTest::newRow("shifted") << int(Qt::Key_B) << int(Qt::ShiftModifier) << "B" << true;
        QTest::newRow("with ctrl") << int(Qt::Key_B) << int(Qt::ControlModifier) << "b" << false;
        QTest::newRow("space") << int(Qt::Key_Space) << int(Qt::NoModifier) << " " << false;
    }

    void typingOpensTheEntry()
    {
        QFETCH(int, key);
        QFETCH(int, modifiers);
        QFETCH(QString, text);
        QFETCH(bool, opens);
        GadgetTestEnv env;
        ToDoGadget gadget(kUid, &themes, nullptr);
        QKeyEvent press(QEvent::KeyPress, key, Qt::KeyboardModifiers(modifiers), text);
        QCoreApplication::sendEvent(&gadget, &press);
        QCOMPARE(gadget.isEditing(), opens);
        if (opens)
            QCOMPARE(enterEdit(gadget)->text(), text);
    }

    void renameWritesCaption()
    {
        GadgetTestEnv env;
        {
            ToDoGadget gadget(kUid, &themes, nullptr);
            gadget.setCaption(QStringLiteral("Einkäufe"));
            QCOMPARE(env.readJson(kFile).value(QStringLiteral("Caption")).toString(), QStringLiteral("Einkäufe"));
        }
        ToDoGadget again(kUid, &themes, nullptr);
        QCOMPARE(again.caption(), QStringLiteral("Einkäufe"));
    }

    void changesRewriteTheList_data()
    {
        QTest::addColumn<QString>("change");
        QTest::addColumn<QStringList>("expected");
        QTest::newRow("tick") << "tick" << QStringList{"one", "two", "three"};
        QTest::newRow("edit") << "edit" << QStringList{"one", "zwei", "three"};
        QTest::newRow("move") << "move" << QStringList{"two", "one", "three"};
        QTest::newRow("remove") << "remove" << QStringList{"one", "three"};
        QTest::newRow("clear") << "clear" << QStringList();
    }

    void changesRewriteTheList()
    {
        QFETCH(QString, change);
        QFETCH(QStringList, expected);
        GadgetTestEnv env;
        ToDoGadget gadget(kUid, &themes, nullptr);
        for (const char *text : {"one", "two", "three"})
            gadget.addToDo(QString::fromLatin1(text));
        ToDoModel *model = gadget.model();
        if (change == "tick")
            model->setData(model->index(1, 0), Qt::Checked, Qt::CheckStateRole);
        else if (change == "edit")
            model->setData(model->index(1, 0), QStringLiteral("zwei"), Qt::EditRole);
        else if (change == "move")
            gadget.storage()->move(0, 1);
        else if (change == "remove")
            model->removeRow(1);
        else
            gadget.storage()->clear();
        const QJsonObject file = env.readJson(kFile);
        QCOMPARE(storedTexts(file), expected);
        if (change == "tick") {
            const QJsonArray records = file.value("ToDos").toObject().value("eventsList").toArray();
            QVERIFY(records.at(1).toObject().value(QStringLiteral("done")).toBool());
        }
    }

    void closing_data()
    {
        QTest::addColumn<QStringList>("toDos");
        QTest::addColumn<bool>("answer");
        QTest::addColumn<bool>("asked");
        QTest::addColumn<bool>("closes");
        QTest::newRow("empty: no question") << QStringList() << false << false << true;
        QTest::newRow("to-dos, cancel") << QStringList{"keep me"} << false << true << false;
        QTest::newRow("to-dos, yes") << QStringList{"drop me"} << true << true << true;
    }

    void closing()
    {
        QFETCH(QStringList, toDos);
        QFETCH(bool, answer);
        QFETCH(bool, asked);
        QFETCH(bool, closes);
        GadgetTestEnv env;
        QPointer<ToDoGadget> gadget = new ToDoGadget(kUid, &themes, nullptr);
        for (const QString &text : toDos)
            gadget->addToDo(text);
        Common::UserMessages::reset();
        Common::UserMessages::setNextAnswer(answer ? Common::UserMessages::Yes : Common::UserMessages::Cancel);
        gadget->show();
        gadget->closeAction()->trigger();
        QCOMPARE(Common::UserMessages::told().size(), asked ? 1 : 0);
        QVERIFY(!asked || Common::UserMessages::told().constFirst().parent == gadget.data());
        QCOMPARE(QFile::exists(env.dataFile(kFile)), !closes);
        QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
        QCOMPARE(gadget.isNull(), closes);
        if (!closes) {
            QCOMPARE(storedTexts(env.readJson(kFile)), toDos);
            delete gadget;
        }
    }

    // A late editingFinished() of a closed gadget's editors must not bring its file back.
    void closedGadgetWritesNoMore()
    {
        GadgetTestEnv env;
        ToDoGadget gadget(kUid, &themes, nullptr);
        gadget.show();
        QTest::mouseClick(gadget.findChild<QLabel *>(QStringLiteral("enterToDoLabel")), Qt::LeftButton);
        enterEdit(gadget)->setText(QStringLiteral("typed while closing"));
        QVERIFY(gadget.canClose());
        QVERIFY(!QFile::exists(env.dataFile(kFile)));
        emit enterEdit(gadget)->editingFinished();
        QLineEdit *captionEdit = gadget.findChild<QLineEdit *>(QStringLiteral("captionEdit"));
        captionEdit->setText(QStringLiteral("renamed late"));
        emit captionEdit->editingFinished();
        QCOMPARE(gadget.caption(), QStringLiteral("renamed late"));
        QVERIFY(!QFile::exists(env.dataFile(kFile)));
    }

    // A list file that cannot be read is kept under a name the loading skips before it is first written.
    void unreadableFileIsKeptAside_data()
    {
        QTest::addColumn<QByteArray>("content");
        QTest::newRow("not JSON") << QByteArray("{\"ToDos\": {\"version\": 1, \"eventsList\": [{\"text\": \"milk\"");
        QTest::newRow("list is no map") << QByteArray("{\"ToDos\": [1, 2, 3], \"Caption\": \"Work\"}");
        QTest::newRow("records no list") << QByteArray("{\"ToDos\": {\"version\": 1, \"eventsList\": \"milk\"}}");
        QTest::newRow("record no map") << QByteArray("{\"ToDos\": {\"version\": 1, \"eventsList\": [\"milk\"]}}");
    }

    void unreadableFileIsKeptAside()
    {
        QFETCH(QByteArray, content);
        GadgetTestEnv env;
        QVERIFY(TestHelpers::writeFile(env.dataFile(kFile), content));
        ToDoGadget gadget(kUid, &themes, nullptr);
        QVERIFY(texts(gadget).isEmpty());
        const QDir dir(env.app.m_dataLocation);
        QCOMPARE(dir.entryList({QStringLiteral("todo.*.dat")}), QStringList{kFile});
        gadget.addToDo(QStringLiteral("new"));
        QCOMPARE(TestHelpers::readFile(env.dataFile(kFile + QStringLiteral(".bak"))), content);
        QCOMPARE(storedTexts(env.readJson(kFile)), QStringList{"new"});
    }

    void contextMenuOffersWhatApplies_data()
    {
        QTest::addColumn<QString>("where");
        QTest::addColumn<int>("rows");
        QTest::addColumn<QStringList>("expected");
        const QStringList tail{"-", "About", "-", "Close Gadget"};
        QTest::newRow("on a row")
            << "row" << 2
            << (QStringList{"Edit", "Remove", "-", "New To-Do Gadget", "-", "Theme", "-", "Clear"} + tail);
        QTest::newRow("on the header")
            << "header" << 2 << (QStringList{"Rename...", "-", "New To-Do Gadget", "-", "Theme", "-", "Clear"} + tail);
        QTest::newRow("empty list") << "header" << 0
                                    << (QStringList{"Rename...", "-", "New To-Do Gadget", "-", "Theme"} + tail);
    }

    void contextMenuOffersWhatApplies()
    {
        QFETCH(QString, where);
        QFETCH(int, rows);
        QFETCH(QStringList, expected);
        GadgetTestEnv env;
        QAction applyToAll(QStringLiteral("Apply to All"));
        ToDoGadget gadget(kUid, &themes, &applyToAll);
        for (int i = 0; i < rows; ++i)
            gadget.addToDo(QStringLiteral("to-do %1").arg(i));
        gadget.show();
        QPoint global;
        if (where == "row") {
            const QRect rect = gadget.view()->visualRect(gadget.model()->index(1, 0));
            global = gadget.view()->viewport()->mapToGlobal(rect.center());
        } else {
            QWidget *header = gadget.findChild<QWidget *>(QStringLiteral("header"));
            global = header->mapToGlobal(header->rect().center());
        }
        const QList<QAction *> actions = gadget.contextMenuActions(global);
        QCOMPARE(actionTexts(actions), expected);
        if (where == "row")
            QCOMPARE(actions.at(1)->data().toInt(), 1);
        // The current theme is checked and shows no icon; "Apply to All" learns the gadget's theme.
        const QList<QAction *> themeActions = gadget.themeMenu()->actions();
        QCOMPARE(themeActions.first()->text(), QStringLiteral("Dark Blue"));
        QVERIFY(themeActions.first()->isChecked());
        QVERIFY(themeActions.first()->icon().isNull());
        QVERIFY(!themeActions.at(1)->isChecked());
        QVERIFY(!themeActions.at(1)->icon().isNull());
        QCOMPARE(themeActions.last(), &applyToAll);
        QCOMPARE(applyToAll.data().toString(), QStringLiteral("blue"));
    }

    void menuCommandsWork()
    {
        GadgetTestEnv env;
        ToDoGadget gadget(kUid, &themes, nullptr);
        for (const char *text : {"one", "two", "three"})
            gadget.addToDo(QString::fromLatin1(text));
        gadget.show();
        QSignalSpy newGadget(&gadget, &ToDoGadget::newToDoGadget);
        const QRect rect = gadget.view()->visualRect(gadget.model()->index(1, 0));
        QList<QAction *> actions = gadget.contextMenuActions(gadget.view()->viewport()->mapToGlobal(rect.center()));
        actions.at(1)->trigger(); // Remove
        QCOMPARE(texts(gadget), (QStringList{"one", "three"}));
        actions.at(3)->trigger(); // New To-Do Gadget
        QCOMPARE(newGadget.count(), 1);
        gadget.themeMenu()->actions().at(1)->trigger();
        QCOMPARE(gadget.themeUid(), QStringLiteral("green"));
        // A theme change builds the actions again with the new theme's icons.
        actions = gadget.contextMenuActions(gadget.view()->viewport()->mapToGlobal(rect.center()));
        QAction *clear = actions.at(actions.size() - 5);
        QCOMPARE(clear->text(), QStringLiteral("Clear"));
        clear->trigger();
        QVERIFY(texts(gadget).isEmpty());
    }

    // A drop from one gadget onto another moves the to-do: inserted there, removed here, both files written.
    void dragMovesBetweenGadgets()
    {
        GadgetTestEnv env;
        const QByteArray otherUid("{00000000-1111-2222-3333-444444444444}");
        ToDoGadget source(kUid, &themes, nullptr);
        ToDoGadget target(otherUid, &themes, nullptr);
        for (const char *text : {"one", "two"})
            source.addToDo(QString::fromLatin1(text));
        target.addToDo(QStringLiteral("alpha"));
        source.show();
        target.show();
        source.view()->setDragRunner([&](QDrag *drag) {
            QWidget *viewport = target.view()->viewport();
            const QPoint below(10, viewport->height() - 5);
            QDragEnterEvent enter(below, Qt::MoveAction, drag->mimeData(), Qt::LeftButton, Qt::NoModifier);
            QCoreApplication::sendEvent(viewport, &enter);
            QDropEvent drop(below, Qt::MoveAction, drag->mimeData(), Qt::LeftButton, Qt::NoModifier);
            QCoreApplication::sendEvent(viewport, &drop);
            return drop.isAccepted() ? drop.dropAction() : Qt::IgnoreAction;
        });
        // Press on the first to-do's text and pull it down past the start distance, as a user would.
        QWidget *viewport = source.view()->viewport();
        const QRect first = source.view()->visualRect(source.model()->index(0, 0));
        const QPoint from(first.left() + 30, first.center().y());
        QTest::mousePress(viewport, Qt::LeftButton, Qt::NoModifier, from);
        for (const QPoint &to : {from + QPoint(0, 2), from + QPoint(0, 15)}) {
            QMouseEvent pull(QEvent::MouseMove, to, viewport->mapToGlobal(to), Qt::NoButton, Qt::LeftButton,
                             Qt::NoModifier);
            QCoreApplication::sendEvent(viewport, &pull);
        }
        QCOMPARE(texts(source), QStringList{"two"});
        QCOMPARE(texts(target), (QStringList{"alpha", "one"}));
        QCOMPARE(storedTexts(env.readJson(kFile)), QStringList{"two"});
        QCOMPARE(storedTexts(env.readJson(ToDoGadget::toDoFileName(otherUid).section('/', -1))),
                 (QStringList{"alpha", "one"}));
    }

    void minimumHeightKeepsTheList()
    {
        GadgetTestEnv env;
        ToDoGadget gadget(kUid, &themes, nullptr);
        gadget.show();
        gadget.addToDo(QStringLiteral("one"));
        QCoreApplication::processEvents();
        const int chrome = gadget.height() - gadget.view()->height();
        QCOMPARE(gadget.minimumHeight(), chrome + 100);
    }

    void shots_data()
    {
        QTest::addColumn<QString>("theme");
        QTest::newRow("blue") << "blue";
        QTest::newRow("green") << "green";
    }

    void shots()
    {
        QFETCH(QString, theme);
        GadgetTestEnv env;
        ToDoGadget gadget(kUid, &themes, nullptr);
        gadget.setThemeUid(theme);
        gadget.setCaption(QStringLiteral("Wochenende – Einkäufe"));
        const QStringList items{"Milch und Brot", "Geschenk für Åsa kaufen, bevor der Laden am Samstag schließt",
                                "Call the plumber about the kitchen sink", "Fahrrad reparieren", "Pay rent"};
        for (const QString &text : items)
            gadget.addToDo(text);
        gadget.model()->setData(gadget.model()->index(0, 0), Qt::Checked, Qt::CheckStateRole);
        gadget.model()->setData(gadget.model()->index(3, 0), Qt::Checked, Qt::CheckStateRole);
        gadget.resize(220, 300);
        env.probe.m_visibleAt = [](const QPoint &) { return true; };
        gadget.show();
        QCoreApplication::processEvents();
        QVERIFY(!gadget.styleSheet().isEmpty());
        TestHelpers::saveShot(&gadget, QStringLiteral("todogadget-") + theme);
    }
};

QTEST_MAIN(TestToDoGadget)
#include "tst_todogadget.moc"
