#include "core/usermessages.h"
#include "eventtestenv.h"
#include "store/eventsmanager.h"
#include "testhelpers.h"

#include <QtTest>

// An event whose stored begin cannot be read is moved to today; the file it came from must survive
// the first save that writes the repaired event over it.
class TestRepairedEvents : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase()
    {
        TestHelpers::isolateEnvironment();
        QCoreApplication::setApplicationVersion(QStringLiteral("3.0.0"));
    }

    void originalFileIsKeptAsideOnceBeforeTheRepairIsSaved()
    {
        EventTestEnv env;
        Common::UserMessages::reset();
        const QString file = QDir(env.app.dataLocation()).filePath("events.dat");
        const QByteArray original =
            "{\"Events\": {\"eventsList\": [{\"data\": {\"abstract\": {\"caption\": \"Party\",\"id\": \"{p}\","
            "\"occurrence\": {\"data\": {\"step\": 1,\"version\": 1},\"type\": \"once\"},\"period\": {\"begin\": "
            "\"2026-13-45\",\"time\": false,\"version\": 1},\"version\": 8},\"version\": 1},\"type\": 3}]}}";
        QVERIFY(TestHelpers::writeFile(file, original));

        EventsManager manager(file);
        QCOMPARE(manager.count(), 1);
        const AbstractCommonEventPtr event = manager.eventByIndex(0);
        QVERIFY(event->wasRepairedOnLoad());
        QCOMPARE(event->period(), Period(QDate(2026, 3, 10)));
        QTRY_COMPARE(Common::UserMessages::told().size(), 1);
        QVERIFY(Common::UserMessages::told().first().text.contains("'Party'"));

        event->setComment("changed");
        const QString bak = QDir(env.app.dataLocation()).filePath("events.bak");
        QCOMPARE(TestHelpers::readFile(bak), original);
        QVERIFY(TestHelpers::readFile(file).contains("20260310T000000Z"));

        event->setComment("changed again");
        QVERIFY(!QFile::exists(bak + "1"));
        QCOMPARE(TestHelpers::readFile(bak), original);
    }
};

QTEST_MAIN(TestRepairedEvents)
#include "tst_repairedevents.moc"
