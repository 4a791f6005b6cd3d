#include "core/clock.h"
#include "core/log.h"
#include "core/properties.h"
#include "fakeapplication.h"
#include "testhelpers.h"

#include <QColor>
#include <QSignalSpy>
#include <QtTest>

namespace {

void registerSample(Properties &p)
{
    p.addProperty("panelPosition", 1);
    p.addProperty("panelOnTop", false);
    p.addProperty("daysToWatch", 15);
    p.addProperty("appointmentSoundPath", QString());
    p.addProperty("editorSplitterGeometry", QByteArray());
    p.addProperty("movingTextColor", QColor(0, 0, 0));
    p.addProperty("ratio", 1.5);
}

} // namespace

class TestProperties : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase() { TestHelpers::isolateEnvironment(); }
    void init()
    {
        Common::clearLogBuffer();
        Common::Clock::pin(QDateTime(QDate(2026, 12, 7), QTime(9, 30)));
    }
    void cleanup() { Common::Clock::unpin(); }

    void registersWithDefaultAndSignal();
    void equalSetDoesNothing();
    void typedValuesSurviveIniStore();
    void burstGivesOneDump();
    void dumpTextShowsSimpleTypesInIdOrder();
    void backupTextMarkers_data();
    void backupTextMarkers();
    void backupRoundTripKeepsTypes();
    void unchangedRestoreEmitsNothing();
    void restoreOfEmptyOrUnknownText();
    void restoreDefaultsOnlyChangesDiffering();
    void takePropertyLeavesNoKey();
    void nameDropsUnsafeCharacters();
};

void TestProperties::registersWithDefaultAndSignal()
{
    FakeApplication app;
    Properties p(nullptr, QDir(app.dataLocation()).filePath("prop.dat"));
    QSignalSpy spy(&p, &Properties::propertyChanged);
    QCOMPARE(p.addProperty("daysToWatch", 15), QVariant(15));
    QCOMPARE(spy.size(), 1);
    QCOMPARE(spy.at(0).at(0).toByteArray(), QByteArray("daysToWatch"));
    QCOMPARE(p.value("daysToWatch"), QVariant(15));
    QVERIFY(!p.value("unknown").isValid());
    QVERIFY(!p.lastModified().isValid());

    p.setValue("daysToWatch", 20);
    QCOMPARE(spy.size(), 2);
    QCOMPARE(app.settings()->value("Properties/daysToWatch").toInt(), 20);
    QCOMPARE(p.lastModified(), Common::Clock::now());
}

void TestProperties::equalSetDoesNothing()
{
    FakeApplication app;
    Properties p(nullptr, QString());
    p.addProperty("daysToWatch", 15);
    QSignalSpy spy(&p, &Properties::propertyChanged);
    p.setValue("daysToWatch", 15);
    QCOMPARE(spy.size(), 0);
    QVERIFY(!app.settings()->contains("Properties/daysToWatch"));
    QVERIFY(!p.lastModified().isValid());
}

void TestProperties::typedValuesSurviveIniStore()
{
    FakeApplication app;
    {
        Properties p(nullptr, QString());
        registerSample(p);
        p.setValue("panelPosition", 3);
        p.setValue("panelOnTop", true);
        p.setValue("appointmentSoundPath", QStringLiteral("/snd/ding.wav"));
        p.setValue("editorSplitterGeometry", QByteArray("\x01\x02", 2));
        p.setValue("movingTextColor", QColor(10, 20, 30));
        p.setValue("ratio", 2.25);
    }
    app.settings()->sync();
    Properties p(nullptr, QString());
    QSignalSpy spy(&p, &Properties::propertyChanged);
    registerSample(p);
    QCOMPARE(p.value("panelPosition").userType(), QMetaType::Int);
    QCOMPARE(p.value("panelPosition"), QVariant(3));
    QCOMPARE(p.value("panelOnTop").userType(), QMetaType::Bool);
    QCOMPARE(p.value("panelOnTop"), QVariant(true));
    QCOMPARE(p.value("ratio").userType(), QMetaType::Double);
    QCOMPARE(p.value("ratio"), QVariant(2.25));
    QCOMPARE(p.value("appointmentSoundPath"), QVariant(QStringLiteral("/snd/ding.wav")));
    QCOMPARE(p.value("editorSplitterGeometry"), QVariant(QByteArray("\x01\x02", 2)));
    QCOMPARE(p.value("movingTextColor"), QVariant(QColor(10, 20, 30)));
    QCOMPARE(p.lastModified(), Common::Clock::now());

    // Setting what is already stored changes nothing, and a counter keeps counting.
    spy.clear();
    p.setValue("panelPosition", 3);
    p.setValue("panelOnTop", true);
    QCOMPARE(spy.size(), 0);
    p.setValue("panelPosition", p.value("panelPosition").toInt() + 1);
    QCOMPARE(p.value("panelPosition"), QVariant(4));

    // Text that is no number for an int falls back to the default.
    app.settings()->setValue("Properties/daysToWatch", QStringLiteral("many"));
    QCOMPARE(p.addProperty("daysToWatch", 15), QVariant(15));
}

void TestProperties::burstGivesOneDump()
{
    FakeApplication app;
    const QString dump = QDir(app.dataLocation()).filePath("prop.dat");
    auto *p = new Properties(nullptr, dump);
    QTimer *timer = p->findChild<QTimer *>(QStringLiteral("saveTimer"));
    QVERIFY(timer);
    QCOMPARE(timer->interval(), 300);
    QVERIFY(timer->isSingleShot());
    QTRY_VERIFY(QFileInfo::exists(dump));
    QVERIFY(QFile::remove(dump));

    p->addProperty("n", 0);
    for (int i = 1; i <= 10; ++i) {
        p->setValue("n", i);
        QVERIFY(timer->isActive());
    }
    QVERIFY(!QFileInfo::exists(dump));
    QTRY_VERIFY(!timer->isActive());
    QCOMPARE(TestHelpers::readFile(dump), QByteArray("n: 10"));
    delete p;
    QVERIFY(!QFileInfo::exists(dump));
}

void TestProperties::dumpTextShowsSimpleTypesInIdOrder()
{
    FakeApplication app;
    Properties p(nullptr, QString());
    p.addProperty("b", true);
    p.addProperty("a", 2.5);
    p.addProperty("Z", QStringLiteral("text"));
    p.addProperty("c", -4);
    p.addProperty("bytes", QByteArray("x"));
    p.addProperty("big", QVariant(qlonglong(1)));
    p.addProperty("colour", QColor(Qt::red));
    QCOMPARE(p.dumpText(), QStringLiteral("Z: text\na: 2.50\nb: 1\nc: -4"));
}

void TestProperties::backupTextMarkers_data()
{
    QTest::addColumn<QVariant>("value");
    QTest::addColumn<QByteArray>("text");

    QTest::newRow("invalid") << QVariant() << QByteArray("@Invalid()");
    QTest::newRow("bytes") << QVariant(QByteArray("a)b")) << QByteArray("@ByteArray(a)b)");
    QTest::newRow("bool") << QVariant(true) << QByteArray("true");
    QTest::newRow("int") << QVariant(15) << QByteArray("15");
    QTest::newRow("double") << QVariant(2.5) << QByteArray("2.5");
    QTest::newRow("string") << QVariant(QStringLiteral("ü")) << QByteArray("\xc3\xbc");
    QTest::newRow("string with @") << QVariant(QStringLiteral("@home")) << QByteArray("@@home");
    QTest::newRow("rect") << QVariant(QRect(1, -2, 30, 40)) << QByteArray("@Rect(1 -2 30 40)");
    QTest::newRow("size") << QVariant(QSize(5, 6)) << QByteArray("@Size(5 6)");
    QTest::newRow("point") << QVariant(QPoint(-7, 8)) << QByteArray("@Point(-7 8)");
    QTest::newRow("colour") << QVariant(QColor(1, 2, 3))
                            << QByteArray("@Variant(\x00\x00\x00\x43\x01\xff\xff\x01\x01\x02\x02\x03\x03\x00\x00)", 25);
}

void TestProperties::backupTextMarkers()
{
    QFETCH(QVariant, value);
    QFETCH(QByteArray, text);
    QCOMPARE(Properties::variantToString(value), text);
    const QVariant back = Properties::stringToVariant(text);
    switch (value.userType()) {
    case QMetaType::Bool:
    case QMetaType::Int:
    case QMetaType::Double:
    case QMetaType::QString:
        // Plain values come back as bytes; the store converts them to the registered type.
        QCOMPARE(back.userType(), QMetaType::QByteArray);
        QVERIFY(back.canConvert(value.metaType()));
        {
            QVariant converted = back;
            QVERIFY(converted.convert(value.metaType()));
            QCOMPARE(converted, value);
        }
        break;
    default:
        QCOMPARE(back, value);
    }
}

void TestProperties::backupRoundTripKeepsTypes()
{
    FakeApplication app;
    Properties source(nullptr, QString());
    registerSample(source);
    source.addProperty("geometry", QRect());
    source.setValue("panelPosition", 2);
    source.setValue("panelOnTop", true);
    source.setValue("appointmentSoundPath", QStringLiteral("@weird"));
    source.setValue("editorSplitterGeometry", QByteArray("{KEY}"));
    source.setValue("movingTextColor", QColor(1, 2, 3));
    source.setValue("ratio", 0.75);
    source.setValue("geometry", QRect(1, 2, 3, 4));
    bool ok = false;
    const QByteArray text = source.backup(&ok);
    QVERIFY(ok);
    QVERIFY(text.startsWith("appointmentSoundPath{VALUEDELIMITER}@@weird{KEYDELIMITER}daysToWatch{VALUEDELIMITER}15"));

    FakeApplication other;
    Properties target(nullptr, QString());
    registerSample(target);
    target.addProperty("geometry", QRect());
    QVERIFY(target.restore(text));
    for (const char *id : {"panelPosition", "panelOnTop", "appointmentSoundPath", "editorSplitterGeometry",
                           "movingTextColor", "ratio", "geometry", "daysToWatch"}) {
        QCOMPARE(target.value(id).userType(), source.value(id).userType());
        QCOMPARE(target.value(id), source.value(id));
    }
}

void TestProperties::unchangedRestoreEmitsNothing()
{
    FakeApplication app;
    Properties p(nullptr, QString());
    registerSample(p);
    p.setValue("daysToWatch", 30);
    p.setValue("panelOnTop", true);
    bool ok = false;
    const QByteArray text = p.backup(&ok);
    QSignalSpy spy(&p, &Properties::propertyChanged);
    QVERIFY(p.restore(text));
    QCOMPARE(spy.size(), 0);
}

void TestProperties::restoreOfEmptyOrUnknownText()
{
    TestHelpers::expectFailedChecks();
    FakeApplication app;
    Properties p(nullptr, QString());
    registerSample(p);
    QSignalSpy spy(&p, &Properties::propertyChanged);
    QVERIFY(p.restore(QByteArray()));
    QCOMPARE(spy.size(), 0);
    QCOMPARE(logBuffer().count("ASSERT: nameAndValueList.size() == 2"), 1);
    QCOMPARE(logBuffer().count("Unknown property during restore: \n"), 1);

    QVERIFY(p.restore("nosuch{VALUEDELIMITER}1{KEYDELIMITER}daysToWatch{VALUEDELIMITER}9"));
    QVERIFY(logBuffer().contains("Unknown property during restore: nosuch"));
    QCOMPARE(p.value("daysToWatch"), QVariant(9));
    QVERIFY(!p.value("nosuch").isValid());

    // Text that does not fit the registered type keeps the current value.
    QVERIFY(p.restore("daysToWatch{VALUEDELIMITER}lots"));
    QCOMPARE(p.value("daysToWatch"), QVariant(9));
}

void TestProperties::restoreDefaultsOnlyChangesDiffering()
{
    FakeApplication app;
    Properties p(nullptr, QString());
    registerSample(p);
    p.setValue("daysToWatch", 3);
    p.setValue("lastModified", QDateTime(QDate(2020, 1, 1), QTime(0, 0)));
    QSignalSpy spy(&p, &Properties::propertyChanged);
    p.restoreDefaults();
    QCOMPARE(spy.size(), 1);
    QCOMPARE(spy.at(0).at(0).toByteArray(), QByteArray("daysToWatch"));
    QCOMPARE(p.value("daysToWatch"), QVariant(15));
    QVERIFY(p.lastModified().isValid());
}

void TestProperties::takePropertyLeavesNoKey()
{
    FakeApplication app;
    Properties p(nullptr, QString());
    QCOMPARE(p.takeProperty("startIfNoEvents", true), QVariant(true));
    QVERIFY(!app.settings()->contains("Properties/startIfNoEvents"));
    QVERIFY(!p.value("startIfNoEvents").isValid());

    app.settings()->setValue("Properties/startIfNoEvents", false);
    QCOMPARE(p.takeProperty("startIfNoEvents", true), QVariant(false));
    QVERIFY(!app.settings()->contains("Properties/startIfNoEvents"));
    QVERIFY(!p.removeProperty("startIfNoEvents"));
}

void TestProperties::nameDropsUnsafeCharacters()
{
    FakeApplication app;
    QCOMPARE(Properties(nullptr, QString()).name(), QByteArray("settings"));
    Properties gadget(nullptr, QString(), "todo:1|\"<a>*?%\\");
    QCOMPARE(gadget.name(), QByteArray("settingstodo1a"));
    gadget.addProperty("theme", QStringLiteral("blue"));
    gadget.setValue("theme", QStringLiteral("red"));
    QCOMPARE(app.settings()->value("Properties/todo:1|\"<a>*?%\\/theme").toString(), QStringLiteral("red"));
}

QTEST_GUILESS_MAIN(TestProperties)
#include "tst_properties.moc"
