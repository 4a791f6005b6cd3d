#include "editor/savestatecommand.h"
#include "editortestenv.h"
#include "store/editorcommands.h"
#include "testhelpers.h"

#include <QSet>
#include <QUndoStack>
#include <QtTest>

namespace {

QStringList calendarNames(const EventsManager &manager)
{
    QStringList names;
    for (const CalendarInfo &info : manager.calendars())
        names << info.name;
    return names;
}

QList<QByteArray> eventIds(const EventsManager &manager)
{
    QList<QByteArray> ids;
    for (int i = 0; i < manager.count(); ++i)
        ids << manager.eventByIndex(i)->id();
    return ids;
}

// A target whose whole state is one map, to check the command without an events file.
struct MapTarget
{
    QVariantMap state() const { return map; }
    void setState(const QVariantMap &value)
    {
        map = value;
        ++sets;
    }
    QVariantMap map;
    int sets = 0;
};

} // namespace

class TestSaveStateCommand : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase()
    {
        TestHelpers::isolateEnvironment();
        QCoreApplication::setApplicationVersion("3.3.0");
    }

    void firstRedoOnlyRecords()
    {
        MapTarget target; // an empty map is still a recorded state
        QUndoStack stack;
        stack.push(new SaveStateCommand<MapTarget>(&target, "Change"));
        QCOMPARE(target.sets, 0);
        target.map.insert("k", 1);
        stack.undo();
        QCOMPARE(target.map, QVariantMap());
        stack.redo();
        QCOMPARE(target.map, (QVariantMap{{"k", 1}}));
        QCOMPARE(target.sets, 2);
    }

    void twoCommandsUndoInReverseOrder()
    {
        EditorTestEnv env;
        const QStringList start = calendarNames(*env.manager);
        QUndoStack stack;
        stack.push(new SaveStateCommand<EventsManager>(env.manager.get(), "Create Calendar"));
        const QByteArray first = env.addCalendar("Première");
        stack.push(new SaveStateCommand<EventsManager>(env.manager.get(), "Create Calendar"));
        env.addCalendar("Zweite");
        const QStringList both = calendarNames(*env.manager);

        stack.undo();
        QCOMPARE(calendarNames(*env.manager), start + QStringList{"Première"});
        stack.undo();
        QCOMPARE(calendarNames(*env.manager), start);
        stack.redo();
        QCOMPARE(env.manager->calendarById(first).name, QString("Première"));
        stack.redo();
        QCOMPARE(calendarNames(*env.manager), both);
    }

    void undoRemovesAnImportsEvents()
    {
        EditorTestEnv env;
        env.add(1, "Anna", Period(QDate(2026, 4, 1)));
        QUndoStack stack;
        stack.push(new SaveStateCommand<EventsManager>(env.manager.get(), "Import"));
        env.manager->addEvents({RunningLineTestEnv::makeEvent(0, "a", Period(QDate(2026, 4, 2))),
                                RunningLineTestEnv::makeEvent(0, "b", Period(QDate(2026, 4, 3)))});
        QCOMPARE(env.manager->count(), 3);
        stack.undo();
        QCOMPARE(env.manager->count(), 1);
        stack.redo();
        QCOMPARE(env.manager->count(), 3);
    }

    void eventCommandFindsItsEventAfterASwap()
    {
        EditorTestEnv env;
        AbstractCommonEventPtr event = env.add(0, "Anna", Period(QDate(2026, 4, 1)));
        env.add(0, "Other", Period(QDate(2026, 4, 2)));
        QUndoStack stack;
        stack.push(new SaveEventStateCommand(env.manager.get(), event));
        event->setCaption("Anna Lívia");
        stack.push(new SaveStateCommand<EventsManager>(env.manager.get(), "Create Calendar"));
        env.addCalendar("Extra");

        stack.undo(); // the events are rebuilt from the map: the old object is gone
        stack.undo();
        const AbstractCommonEventPtr found = env.manager->eventById(event->id());
        QVERIFY(found);
        QCOMPARE(found->caption(), QString("Anna"));
        const QList<QByteArray> ids = eventIds(*env.manager);
        QCOMPARE(ids.count(), 2);
        QCOMPARE(QSet<QByteArray>(ids.begin(), ids.end()).count(), 2);
        stack.redo();
        stack.redo();
        QCOMPARE(env.manager->eventById(event->id())->caption(), QString("Anna Lívia"));
        QCOMPARE(env.manager->count(), 2);
    }
};

QTEST_MAIN(TestSaveStateCommand)
#include "tst_savestatecommand.moc"
