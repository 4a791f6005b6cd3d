#include "core/log.h"
#include "store/eventmanagertemplate.h"
#include "testhelpers.h"

#include <QPointer>
#include <QSharedPointer>
#include <QtTest>

using ObjectPtr = QSharedPointer<QObject>;

// A list over plain shared objects, with the template's operations as they stand.
class ObjectList : public EventManagerTemplate<ObjectPtr>
{
};

class TestEventManagerTemplate : public QObject
{
    Q_OBJECT

private:
    static int assertCount() { return int(logBuffer().count("ASSERT")); }

    static QString order(const ObjectList &list)
    {
        QString text;
        for (const ObjectPtr &object : list.events())
            text += object->objectName();
        return text;
    }

    static void fill(ObjectList &list, const QString &names)
    {
        for (const QChar c : names) {
            ObjectPtr object(new QObject);
            object->setObjectName(c);
            list.addEvent(object);
        }
    }

private slots:
    void initTestCase() { TestHelpers::isolateEnvironment(); }
    void init() { Common::clearLogBuffer(); }

    void move_data()
    {
        QTest::addColumn<int>("index");
        QTest::addColumn<int>("delta");
        QTest::addColumn<QString>("expected");
        QTest::addColumn<int>("asserts");
        QTest::newRow("down two") << 1 << 2 << "WYZX" << 0;
        QTest::newRow("last to first") << 3 << -3 << "ZWXY" << 0;
        QTest::newRow("up one") << 2 << -1 << "WYXZ" << 0;
        QTest::newRow("by zero") << 2 << 0 << "WXYZ" << 0;
        QTest::newRow("first up") << 0 << -1 << "WXYZ" << 1;
        QTest::newRow("last down") << 3 << 1 << "WXYZ" << 1;
        QTest::newRow("index outside") << 4 << -1 << "WXYZ" << 1;
        QTest::newRow("negative index") << -1 << 1 << "WXYZ" << 1;
    }

    void move()
    {
        TestHelpers::expectFailedChecks();
        QFETCH(int, index);
        QFETCH(int, delta);
        QFETCH(QString, expected);
        QFETCH(int, asserts);
        ObjectList list;
        fill(list, "WXYZ");
        list.move(index, delta);
        QCOMPARE(order(list), expected);
        QCOMPARE(assertCount(), asserts);
    }

    void insertPositions()
    {
        TestHelpers::expectFailedChecks();
        ObjectList list;
        fill(list, "XY");
        ObjectPtr w(new QObject), z(new QObject);
        w->setObjectName("W");
        z->setObjectName("Z");
        list.insertEvent(0, w);
        list.insertEvent(3, z);
        QCOMPARE(order(list), QString("WXYZ"));
        list.insertEvent(7, ObjectPtr(new QObject));
        QCOMPARE(order(list), QString("WXYZ"));
        QCOMPARE(assertCount(), 1);
    }

    void callerErrorsLeaveListAlone()
    {
        TestHelpers::expectFailedChecks();
        ObjectList list;
        fill(list, "AB");
        const ObjectPtr a = list.eventByIndex(0);
        list.addEvent(a);
        list.insertEvent(0, a);
        list.removeEvent(ObjectPtr(new QObject));
        list.removeEvent(ObjectPtr());
        QCOMPARE(order(list), QString("AB"));
        QVERIFY(list.eventByIndex(2).isNull());
        QVERIFY(list.eventByIndex(-1).isNull());
        QCOMPARE(assertCount(), 7);
    }

    void removedObjectLivesWithItsHolder()
    {
        ObjectList list;
        fill(list, "AB");
        ObjectPtr held = list.eventByIndex(0);
        QPointer<QObject> watch(held.data());
        list.removeEvent(held);
        QCOMPARE(list.indexOf(held), -1);
        QCOMPARE(order(list), QString("B"));
        QCoreApplication::processEvents();
        QVERIFY(watch);
        QCOMPARE(held->objectName(), QString("A"));
        held.reset();
        QVERIFY(!watch);
    }

    void removedObjectOutlivesTheCurrentTurn()
    {
        ObjectList list;
        fill(list, "A");
        QPointer<QObject> watch(list.eventByIndex(0).data());
        list.removeEvent(list.eventByIndex(0));
        QVERIFY(watch);
        QCoreApplication::processEvents();
        QVERIFY(!watch);
    }
};

QTEST_GUILESS_MAIN(TestEventManagerTemplate)
#include "tst_eventmanagertemplate.moc"
