#include "runninglinetestenv.h"
#include "store/eventsmodel.h"
#include "testhelpers.h"

#include <QAbstractItemModelTester>
#include <QSignalSpy>
#include <QtTest>

class TestEventsModel : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase() { TestHelpers::isolateEnvironment(); }

    void rolesOfEachKind_data()
    {
        QTest::addColumn<int>("kind");
        QTest::addColumn<QByteArray>("customTypeId");
        QTest::addColumn<bool>("switchOn");
        QTest::addColumn<QByteArray>("typeId");
        QTest::addColumn<bool>("shown");
        QTest::newRow("appointment, switch on") << 0 << QByteArray() << true << QByteArray("notSpecified") << true;
        QTest::newRow("appointment, switch off") << 0 << QByteArray() << false << QByteArray("notSpecified") << false;
        QTest::newRow("birthday") << 1 << QByteArray() << true << QByteArray("birthday") << true;
        QTest::newRow("wedding") << 2 << QByteArray() << true << QByteArray("wedding") << true;
        QTest::newRow("holiday") << 3 << QByteArray() << true << QByteArray("holiday") << true;
        QTest::newRow("task") << 4 << QByteArray() << true << QByteArray("task") << true;
        QTest::newRow("custom birthday") << 1 << QByteArray("{custom-1}") << true << QByteArray("{custom-1}") << true;
    }

    void rolesOfEachKind()
    {
        QFETCH(int, kind);
        QFETCH(QByteArray, customTypeId);
        QFETCH(bool, switchOn);
        QFETCH(QByteArray, typeId);
        QFETCH(bool, shown);

        RunningLineTestEnv env;
        env.add(1, "Someone else", Period(QDate(2026, 5, 1)));
        AbstractCommonEventPtr event =
            RunningLineTestEnv::makeEvent(kind, "Zoë Müller", Period(QDate(2026, 3, 12), QTime(10, 0)));
        if (!customTypeId.isEmpty()) {
            CustomTypeInfo info;
            info.id = customTypeId;
            info.name = "Custom";
            info.baseType = kind;
            event->setCustomTypeMetaInfo(info);
        }
        if (auto *appointment = qobject_cast<NotSpecifiedEvent *>(event.get()))
            appointment->setMovingLineEnabled(switchOn);
        env.manager->addEvent(event);

        EventsModel model(env.manager.get());
        QAbstractItemModelTester tester(&model, QAbstractItemModelTester::FailureReportingMode::QtTest);
        QCOMPARE(model.rowCount(), 2);
        const QModelIndex index = model.index(1);
        QCOMPARE(index.data(EventIndexRole).toInt(), 1);
        QCOMPARE(index.data(EventIdRole).toByteArray(), event->id());
        QCOMPARE(index.data(TypeIdRole).toByteArray(), typeId);
        QCOMPARE(index.data(MovingLineEnabledRole).toBool(), shown);
        QCOMPARE(index.data(IsSystemRole).toBool(), false);
        QCOMPARE(index.data(CalendarIdRole).toByteArray(), event->calendarId());
        QCOMPARE(index.data(NextDateRole).toDate(), event->nextPeriod().beginDate());
        QCOMPARE(index.data(NextDateTimeRole), index.data(SortRole));
        QCOMPARE(index.data(Qt::DisplayRole).toString(), event->text(true));
        QCOMPARE(index.data(ShortTextRole).toString(), event->text(false).trimmed());
        QCOMPARE(index.data(WhenTextRole).toString(), event->cachedText());
    }

    void nextOccurrenceRoles()
    {
        RunningLineTestEnv env;
        env.add(0, "Yearly call", Period(QDate(2025, 3, 20), QTime(8, 15)), IOccurrence::Yearly);
        env.add(1, "Birthday", Period(QDate(1990, 3, 9)), IOccurrence::Yearly);
        EventsModel model(env.manager.get());
        QCOMPARE(model.index(0).data(NextDateTimeRole).toDateTime(), QDateTime(QDate(2026, 3, 20), QTime(8, 15)));
        QCOMPARE(model.index(0).data(HasTimeRole).toBool(), true);
        QCOMPARE(model.index(1).data(NextDateRole).toDate(), QDate(2027, 3, 9));
        QCOMPARE(model.index(1).data(HasTimeRole).toBool(), false);
        QCOMPARE(model.index(1).data(DaysToWatchRole).toInt(), -1);
    }

    void resetsOnManagerChanges()
    {
        RunningLineTestEnv env;
        env.add(0, "a", Period(QDate(2026, 3, 11)));
        EventsModel model(env.manager.get());
        QAbstractItemModelTester tester(&model, QAbstractItemModelTester::FailureReportingMode::QtTest);
        QSignalSpy resets(&model, &QAbstractItemModel::modelReset);
        // Rows seen while a reset is announced must be the old ones.
        QList<int> countsBefore;
        connect(&model, &QAbstractItemModel::modelAboutToBeReset, this, [&] { countsBefore << model.rowCount(); });

        AbstractCommonEventPtr b = env.add(3, "b", Period(QDate(2026, 3, 12)));
        QCOMPARE(model.rowCount(), 2);
        b->setCaption("b, renamed");
        QCOMPARE(model.index(1).data(ShortTextRole).toString().contains("renamed"), true);
        b->setPeriod(Period(QDate(2026, 3, 13)));
        env.manager->removeEvent(env.manager->eventByIndex(0));
        QCOMPARE(model.rowCount(), 1);
        QCOMPARE(model.index(0).data(EventIdRole).toByteArray(), b->id());
        QVERIFY(resets.count() >= 4);
        QCOMPARE(countsBefore.first(), 1);
        QCOMPARE(countsBefore.last(), 2);
    }

    void managerGoneLeavesAnEmptyModel()
    {
        RunningLineTestEnv env;
        env.add(0, "a", Period(QDate(2026, 3, 11)));
        EventsModel model(env.manager.get());
        QAbstractItemModelTester tester(&model, QAbstractItemModelTester::FailureReportingMode::QtTest);
        env.app.m_eventsManager = nullptr;
        env.manager.reset();
        QCOMPARE(model.rowCount(), 0);
        QVERIFY(!model.eventsManager());
        QVERIFY(!model.eventAt(0));
    }
};

QTEST_MAIN(TestEventsModel)
#include "tst_eventsmodel.moc"
