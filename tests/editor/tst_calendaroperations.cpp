#include "core/undoobject.h"
#include "editor/calendaroperations.h"
#include "editortestenv.h"
#include "testhelpers.h"

#include <QFile>
#include <QUndoStack>
#include <QtTest>

namespace {

// Three calendars ("Default", "Family" with two events, "Work" empty) and the shared undo stack.
struct CalendarsEnv : EditorTestEnv
{
    CalendarsEnv()
    {
        app.m_undoObject = &undoObject;
        undoObject.clearUndoStack();
        family = addCalendar("Family");
        work = addCalendar("Work");
        addIn(family, 0, "Dentist", Period(QDate(2026, 3, 11)));
        addIn(family, 1, "Ana", Period(QDate(2026, 5, 2)));
        addIn(manager->defaultCalendarId(), 0, "Review", Period(QDate(2026, 3, 12)));
    }
    ~CalendarsEnv()
    {
        undoObject.clearUndoStack();
        app.m_undoObject = nullptr;
    }

    QByteArray fileBytes() const
    {
        QFile file(dir.filePath("events.dat"));
        return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
    }
    QStringList names() const
    {
        QStringList result;
        for (const CalendarInfo &info : manager->calendars())
            result << info.name;
        return result;
    }
    QByteArray idOf(const QString &name) const
    {
        for (const CalendarInfo &info : manager->calendars())
            if (info.name == name)
                return info.id;
        return QByteArray();
    }

    UndoObject undoObject;
    UndoProxy undo{&undoObject};
    QByteArray family;
    QByteArray work;
};

// Runs one named operation; the answer is what the removal question gets.
bool runOperation(CalendarsEnv &env, const QString &operation, bool answer, int *asked)
{
    CalendarOperations ops(env.manager.get(), &env.undo);
    const auto confirm = [&] {
        ++*asked;
        return answer;
    };
    const QByteArray defaultId = env.manager->defaultCalendarId();
    if (operation == "create")
        return !ops.create("Holidays").isEmpty();
    if (operation == "rename")
        return ops.rename(env.work, "Office");
    if (operation == "rename unchanged")
        return ops.rename(env.work, "Work");
    if (operation == "up")
        return ops.move(env.work, -1, "Move Calendar Up");
    if (operation == "down")
        return ops.move(defaultId, 1, "Move Calendar Down");
    if (operation == "drag")
        return ops.move(defaultId, 2, "Move Calendar");
    if (operation == "drag up")
        return ops.move(env.work, -2, "Move Calendar");
    if (operation == "default")
        return ops.setDefault(env.family);
    if (operation == "default again")
        return ops.setDefault(defaultId);
    if (operation == "remove empty")
        return ops.remove(env.work, confirm);
    if (operation == "remove with events")
        return ops.remove(env.family, confirm);
    if (operation == "remove default")
        return ops.remove(defaultId, confirm);
    if (operation == "remove unknown")
        return ops.remove("{nope}", confirm);
    if (operation == "up at the top")
        return ops.move(defaultId, -1, "Move Calendar Up");
    if (operation == "down at the end")
        return ops.move(env.work, 1, "Move Calendar Down");
    if (operation == "step zero")
        return ops.move(env.work, 0, "Move Calendar");
    if (operation == "rename to blanks")
        return ops.rename(env.work, "  ");
    if (operation == "rename unknown")
        return ops.rename("{nope}", "X");
    if (operation == "move no events")
        return ops.moveEventsTo({}, env.work);
    if (operation == "move to unknown")
        return ops.moveEventsTo({0}, "{nope}");
    return false;
}

} // namespace

// Calendar changes from the editor: one undo step each with its text, undo giving back the
// events file byte for byte, and no step for a change that does not happen.
class TestCalendarOperations : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase()
    {
        TestHelpers::isolateEnvironment();
        // The events file names the program version; undo reads it back with this one.
        QCoreApplication::setApplicationVersion("3.3.0");
    }

    void oneStepThatUndoRestoresTheFile_data()
    {
        QTest::addColumn<QString>("operation");
        QTest::addColumn<bool>("answer");
        QTest::addColumn<QString>("undoText");
        QTest::addColumn<QStringList>("namesAfter");
        QTest::addColumn<int>("eventsAfter");
        QTest::addColumn<int>("questions");
        QTest::newRow("create") << "create" << false << "Create Calendar"
                                << QStringList{"Default Calendar", "Family", "Work", "Holidays"} << 3 << 0;
        QTest::newRow("rename") << "rename" << false << "Rename Calendar"
                                << QStringList{"Default Calendar", "Family", "Office"} << 3 << 0;
        QTest::newRow("an unchanged name is still a step")
            << "rename unchanged" << false << "Rename Calendar" << QStringList{"Default Calendar", "Family", "Work"}
            << 3 << 0;
        QTest::newRow("up") << "up" << false << "Move Calendar Up" << QStringList{"Default Calendar", "Work", "Family"}
                            << 3 << 0;
        QTest::newRow("down") << "down" << false << "Move Calendar Down"
                              << QStringList{"Family", "Default Calendar", "Work"} << 3 << 0;
        QTest::newRow("drag down two") << "drag" << false << "Move Calendar"
                                       << QStringList{"Family", "Work", "Default Calendar"} << 3 << 0;
        QTest::newRow("drag up two") << "drag up" << false << "Move Calendar"
                                     << QStringList{"Work", "Default Calendar", "Family"} << 3 << 0;
        QTest::newRow("default") << "default" << false << "Set Default Calendar"
                                 << QStringList{"Default Calendar", "Family", "Work"} << 3 << 0;
        QTest::newRow("remove empty asks nothing")
            << "remove empty" << false << "Remove Calendar" << QStringList{"Default Calendar", "Family"} << 3 << 0;
        QTest::newRow("remove with events after yes")
            << "remove with events" << true << "Remove Calendar" << QStringList{"Default Calendar", "Work"} << 1 << 1;
    }

    void oneStepThatUndoRestoresTheFile()
    {
        QFETCH(QString, operation);
        QFETCH(bool, answer);
        QFETCH(QString, undoText);
        QFETCH(QStringList, namesAfter);
        QFETCH(int, eventsAfter);
        QFETCH(int, questions);
        CalendarsEnv env;
        const QByteArray before = env.fileBytes();
        const QVariantMap stateBefore = env.manager->state();
        int asked = 0;
        QVERIFY(runOperation(env, operation, answer, &asked));
        QUndoStack *stack = UndoObject::undoStack();
        QCOMPARE(stack->count(), 1);
        QCOMPARE(stack->undoText(), undoText);
        QCOMPARE(asked, questions);
        QCOMPARE(env.names(), namesAfter);
        QCOMPARE(env.manager->count(), eventsAfter);
        const QVariantMap stateAfter = env.manager->state();
        const QByteArray after = env.fileBytes();

        stack->undo();
        QCOMPARE(env.manager->state(), stateBefore);
        QCOMPARE(env.fileBytes(), before);
        stack->redo();
        QCOMPARE(env.manager->state(), stateAfter);
        QCOMPARE(env.fileBytes(), after);
    }

    void nothingHappensNothingIsPushed_data()
    {
        QTest::addColumn<QString>("operation");
        QTest::addColumn<bool>("answer");
        QTest::addColumn<int>("questions");
        QTest::newRow("question declined") << "remove with events" << false << 1;
        QTest::newRow("the default calendar is never removed") << "remove default" << true << 0;
        QTest::newRow("unknown calendar") << "remove unknown" << true << 0;
        QTest::newRow("default again") << "default again" << false << 0;
        QTest::newRow("up at the top") << "up at the top" << false << 0;
        QTest::newRow("down at the end") << "down at the end" << false << 0;
        QTest::newRow("step zero") << "step zero" << false << 0;
        QTest::newRow("rename unknown") << "rename unknown" << false << 0;
        QTest::newRow("rename to blanks") << "rename to blanks" << false << 0;
        QTest::newRow("move no events") << "move no events" << false << 0;
        QTest::newRow("move to an unknown calendar") << "move to unknown" << false << 0;
    }

    void nothingHappensNothingIsPushed()
    {
        TestHelpers::expectFailedChecks();
        QFETCH(QString, operation);
        QFETCH(bool, answer);
        QFETCH(int, questions);
        CalendarsEnv env;
        const QByteArray before = env.fileBytes();
        const QVariantMap state = env.manager->state();
        int asked = 0;
        QVERIFY(!runOperation(env, operation, answer, &asked));
        QCOMPARE(asked, questions);
        QCOMPARE(UndoObject::undoStack()->count(), 0);
        QCOMPARE(env.manager->state(), state);
        QCOMPARE(env.fileBytes(), before);
    }

    void movingEventsIsOneStepUndoneEventByEvent_data()
    {
        QTest::addColumn<bool>("intoOwnCalendar");
        QTest::newRow("from two calendars to another") << false;
        QTest::newRow("into the calendar they are in") << true;
    }

    void movingEventsIsOneStepUndoneEventByEvent()
    {
        QFETCH(bool, intoOwnCalendar);
        CalendarsEnv env;
        const QByteArray target = intoOwnCalendar ? env.family : env.work;
        const QList<int> indexes = intoOwnCalendar ? QList<int>{0, 1} : QList<int>{0, 1, 2};
        QList<QByteArray> before;
        for (int i = 0; i < env.manager->count(); ++i)
            before << env.manager->eventByIndex(i)->calendarId();
        CalendarOperations ops(env.manager.get(), &env.undo);
        QVERIFY(ops.moveEventsTo(indexes, target));
        QUndoStack *stack = UndoObject::undoStack();
        QCOMPARE(stack->count(), 1);
        QCOMPARE(stack->undoText(), QString("Change Calendar"));
        QCOMPARE(stack->command(0)->childCount(), indexes.count());
        for (int i : indexes)
            QCOMPARE(env.manager->eventByIndex(i)->calendarId(), target);
        QCOMPARE(env.manager->eventsByCalendar(target).count(), intoOwnCalendar ? 2 : indexes.count());

        stack->undo();
        for (int i = 0; i < env.manager->count(); ++i)
            QCOMPARE(env.manager->eventByIndex(i)->calendarId(), before.at(i));
        stack->redo();
        for (int i : indexes)
            QCOMPARE(env.manager->eventByIndex(i)->calendarId(), target);
    }
};

QTEST_MAIN(TestCalendarOperations)
#include "tst_calendaroperations.moc"
