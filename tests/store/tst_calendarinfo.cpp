#include "core/log.h"
#include "store/calendarinfo.h"
#include "testhelpers.h"

#include <QRegularExpression>
#include <QtTest>

class TestCalendarInfo : public QObject
{
    Q_OBJECT

private:
    static int assertCount() { return int(logBuffer().count("ASSERT")); }

private slots:
    void initTestCase() { TestHelpers::isolateEnvironment(); }
    void init() { Common::clearLogBuffer(); }

    void newCalendarHasBracedId()
    {
        QVERIFY(!CalendarInfo().valid());
        const CalendarInfo a(QStringLiteral("Work"));
        const CalendarInfo b(QStringLiteral("Work"));
        QVERIFY(a.valid());
        QCOMPARE(a.id.size(), 38);
        QVERIFY(QRegularExpression("^\\{[0-9a-f]{8}-[0-9a-f]{4}-[0-9a-f]{4}-[0-9a-f]{4}-[0-9a-f]{12}\\}$")
                    .match(QString::fromLatin1(a.id))
                    .hasMatch());
        QVERIFY(a.id != b.id);
        QVERIFY(a != b);
        QVERIFY(CalendarInfo("x", "n") == CalendarInfo("x", "n"));
        QVERIFY(CalendarInfo("x", "n") != CalendarInfo("x", "m"));
    }

    void fromMap_data()
    {
        QTest::addColumn<QVariant>("input");
        QTest::addColumn<QByteArray>("id");
        QTest::addColumn<QString>("name");
        QTest::addColumn<int>("asserts");
        QTest::newRow("version 2 reads as 1")
            << QVariant(QVariantMap{{"version", 2}, {"id", "i"}, {"name", "n"}}) << QByteArray("i") << "n" << 0;
        QTest::newRow("no version") << QVariant(QVariantMap{{"id", "i"}, {"name", "n"}}) << QByteArray("i") << "n" << 1;
        QTest::newRow("no id") << QVariant(QVariantMap{{"version", 1}, {"name", "n"}}) << QByteArray() << "n" << 1;
        QTest::newRow("no name") << QVariant(QVariantMap{{"version", 1}, {"id", "i"}}) << QByteArray("i") << "" << 1;
        QTest::newRow("not a map") << QVariant(QStringLiteral("x")) << QByteArray() << "" << 3;
    }

    void fromMap()
    {
        TestHelpers::expectFailedChecks();
        QFETCH(QVariant, input);
        QFETCH(QByteArray, id);
        QFETCH(QString, name);
        QFETCH(int, asserts);
        CalendarInfo info("old", "old");
        info.fromMap(input);
        QCOMPARE(info.id, id);
        QCOMPARE(info.name, name);
        QCOMPARE(assertCount(), asserts);
    }
};

QTEST_GUILESS_MAIN(TestCalendarInfo)
#include "tst_calendarinfo.moc"
