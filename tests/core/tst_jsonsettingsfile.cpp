#include "core/jsonsettingsfile.h"
#include "core/log.h"
#include "testhelpers.h"

#include <QDir>
#include <QTemporaryDir>
#include <QtTest>

class TestJsonSettingsFile : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase() { TestHelpers::isolateEnvironment(); }
    void init() { Common::clearLogBuffer(); }

    void createsFolderButNotFile();
    void rewritesWholeObjectInKeyOrder();
    void removesByPrefixAndRewritesAlways();
    void keysAreCaseSensitiveBytes();
    void keepsBrokenFileAside_data();
    void keepsBrokenFileAside();
    void emptyFileIsNotKeptAside();
    void failedWriteKeepsOldFile();
    void failedWriteIsReportedAndRetriedByTheNextChange();
};

void TestJsonSettingsFile::createsFolderButNotFile()
{
    QTemporaryDir dir;
    const QString path = dir.filePath(QStringLiteral("sub/folder/events.dat"));
    // A list not written yet is no fault: a new gadget's list warned every time.
    QTest::failOnWarning(QRegularExpression("^Settings File "));
    Common::JsonSettingsFile file(path);
    QVERIFY(QDir(dir.filePath("sub/folder")).exists());
    QVERIFY(!QFileInfo::exists(path));
    QCOMPARE(file.fileName(), path);
    QCOMPARE(file.value("x", 5), QVariant(5));
    QVERIFY(file.setValue("Events", QVariantList{1}));
    QCOMPARE(TestHelpers::readFile(path), QByteArray("{\"Events\": [1]}"));
}

void TestJsonSettingsFile::rewritesWholeObjectInKeyOrder()
{
    QTemporaryDir dir;
    const QString path = dir.filePath(QStringLiteral("customtypes.dat"));
    QVERIFY(TestHelpers::writeFile(path, "{\"b\": 1, \"a\": \"x\"}"));
    Common::JsonSettingsFile file(path);
    QCOMPARE(file.value("a"), QVariant(QStringLiteral("x")));
    QCOMPARE(file.value("b"), QVariant(1));
    QVERIFY(file.setValue("c", true));
    QCOMPARE(TestHelpers::readFile(path), QByteArray("{\"a\": \"x\",\"b\": 1,\"c\": true}"));

    Common::JsonSettingsFile again(path);
    QCOMPARE(again.value("c"), QVariant(true));
}

void TestJsonSettingsFile::removesByPrefixAndRewritesAlways()
{
    QTemporaryDir dir;
    const QString path = dir.filePath(QStringLiteral("todo.dat"));
    QVERIFY(TestHelpers::writeFile(path, "{\"item.1\": 1, \"item.2\": 2, \"items\": 3}"));
    Common::JsonSettingsFile file(path);
    QVERIFY(file.remove("item.", true));
    QCOMPARE(TestHelpers::readFile(path), QByteArray("{\"items\": 3}"));

    QVERIFY(TestHelpers::writeFile(path, "changed elsewhere"));
    QVERIFY(file.remove("nothing"));
    QCOMPARE(TestHelpers::readFile(path), QByteArray("{\"items\": 3}"));
    QVERIFY(file.remove("items"));
    QCOMPARE(TestHelpers::readFile(path), QByteArray("{}"));
}

void TestJsonSettingsFile::keysAreCaseSensitiveBytes()
{
    QTemporaryDir dir;
    const QString path = dir.filePath(QStringLiteral("typesorder.dat"));
    {
        Common::JsonSettingsFile file(path);
        file.setValue("Key", 1);
        file.setValue("key", 2);
        file.setValue("k\"ü", 3);
    }
    Common::JsonSettingsFile file(path);
    QCOMPARE(file.value("Key"), QVariant(1));
    QCOMPARE(file.value("key"), QVariant(2));
    QCOMPARE(file.value("k\"\xc3\xbc"), QVariant(3));
}

void TestJsonSettingsFile::keepsBrokenFileAside_data()
{
    QTest::addColumn<QByteArray>("content");
    QTest::addColumn<bool>("warns");

    QTest::newRow("cut off object") << QByteArray("{\"Events\": [{\"id\": \"a\"") << true;
    QTest::newRow("cut off string") << QByteArray("{\"Events\": \"abc") << true;
    QTest::newRow("array at top") << QByteArray("[1, 2]") << false;
    QTest::newRow("plain text") << QByteArray("hello") << false;
}

void TestJsonSettingsFile::keepsBrokenFileAside()
{
    QFETCH(QByteArray, content);
    QFETCH(bool, warns);
    QTemporaryDir dir;
    const QString path = dir.filePath(QStringLiteral("events.dat"));
    QVERIFY(TestHelpers::writeFile(path, content));
    QVERIFY(TestHelpers::writeFile(path + ".bak", "an older copy"));
    if (warns)
        QTest::ignoreMessage(QtWarningMsg, QRegularExpression("^Settings File "));
    Common::JsonSettingsFile file(path);
    QVERIFY(file.loadFailed());
    QCOMPARE(file.value("Events"), QVariant());

    QVERIFY(file.setValue("Events", QVariantList()));
    QVERIFY(!file.loadFailed());
    QCOMPARE(TestHelpers::readFile(path + ".bak1"), content);
    QCOMPARE(TestHelpers::readFile(path + ".bak"), QByteArray("an older copy"));
    QCOMPARE(TestHelpers::readFile(path), QByteArray("{\"Events\": []}"));
    QVERIFY(logBuffer().contains(QFileInfo(path).fileName().toUtf8() + ".bak1"));

    // Kept aside once; later writes just replace the file.
    QVERIFY(file.setValue("x", 1));
    QVERIFY(!QFileInfo::exists(path + ".bak2"));
}

void TestJsonSettingsFile::emptyFileIsNotKeptAside()
{
    QTemporaryDir dir;
    const QString path = dir.filePath(QStringLiteral("todo.x.dat"));
    QVERIFY(TestHelpers::writeFile(path, " \n"));
    Common::JsonSettingsFile file(path);
    QVERIFY(!file.loadFailed());
    QVERIFY(file.setValue("a", 1));
    QCOMPARE(QDir(dir.path()).entryList(QDir::Files), QStringList{"todo.x.dat"});
}

void TestJsonSettingsFile::failedWriteKeepsOldFile()
{
    QTemporaryDir dir;
    const QString path = dir.filePath(QStringLiteral("events.dat"));
    const QByteArray old("{\"Events\": [1, 2, 3]}");
    QVERIFY(TestHelpers::writeFile(path, old));
    Common::JsonSettingsFile file(path);

    bool written = true;
    {
        TestHelpers::ScopedFileSizeLimit limit(64);
        QTest::ignoreMessage(QtWarningMsg, QRegularExpression("^Cannot write "));
        QTest::ignoreMessage(QtWarningMsg, QRegularExpression("^Settings File .*events.dat$"));
        written = file.setValue("Events", QString(10000, QLatin1Char('x')));
    }

    QVERIFY(!written);
    QCOMPARE(TestHelpers::readFile(path), old);
    QCOMPARE(file.value("Events").toString().size(), 10000);
}

void TestJsonSettingsFile::failedWriteIsReportedAndRetriedByTheNextChange()
{
    QTemporaryDir dir;
    const QString path = dir.filePath(QStringLiteral("todo.json"));
    Common::JsonSettingsFile file(path);
    QSignalSpy failed(&file, &Common::JsonSettingsFile::saveFailed);
    QSignalSpy saved(&file, &Common::JsonSettingsFile::saved);
    {
        TestHelpers::ScopedFileSizeLimit limit(8);
        QTest::ignoreMessage(QtWarningMsg, QRegularExpression("^Cannot write "));
        QTest::ignoreMessage(QtWarningMsg, QRegularExpression("^Settings File .*todo.json$"));
        QVERIFY(!file.setValue("a", QStringLiteral("first change")));
    }
    QCOMPARE(failed.count(), 1);
    QCOMPARE(failed.at(0).at(0).toString(), path);
    QVERIFY(!failed.at(0).at(1).toString().isEmpty());
    QCOMPARE(saved.count(), 0);
    QVERIFY(file.setValue("b", 2));
    QCOMPARE(saved.count(), 1);
    QCOMPARE(Common::JsonSettingsFile(path).value("a").toString(), QStringLiteral("first change"));
}

QTEST_GUILESS_MAIN(TestJsonSettingsFile)
#include "tst_jsonsettingsfile.moc"
