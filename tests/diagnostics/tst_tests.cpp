#include "core/log.h"
#include "core/properties.h"
#include "core/undoobject.h"
#include "diagnostics/tests.h"
#include "events/eventsfactory.h"
#include "eventtypes/customtypesstorage.h"
#include "eventtypes/eventtypesstorage.h"
#include "fakeapplication.h"
#include "testhelpers.h"

#include <QDir>
#include <QDirIterator>
#include <QFile>
#include <QTemporaryDir>
#include <QtTest>

namespace {

const QString s_selfCheckData = QStringLiteral(QR_TEST_DATA "/selfcheck");

// A copy of the self-check data that a test may change, with the data root pointing at it.
class DataCopy
{
public:
    DataCopy()
    {
        QDirIterator it(s_selfCheckData, QDir::Files, QDirIterator::Subdirectories);
        while (it.hasNext()) {
            const QString source = it.next();
            const QString target = m_dir.filePath(QDir(s_selfCheckData).relativeFilePath(source));
            QDir().mkpath(QFileInfo(target).path());
            QFile::copy(source, target);
        }
        Tests::s_testDataPath = QFile::encodeName(m_dir.path()) + '/';
    }
    QString path(const QString &relative) const { return m_dir.filePath(relative); }

private:
    QTemporaryDir m_dir;
};

Tests::Routine routineByName(const QByteArray &name)
{
    for (const Tests::NamedRoutine &item : Tests::routines()) {
        if (name == item.name)
            return item.routine;
    }
    return nullptr;
}

} // namespace

// Runs every self-check routine on the shipped data, then the runner's helpers and the faults the
// routines must not hide.
class TestTests : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase()
    {
        TestHelpers::isolateEnvironment();
        QCoreApplication::setApplicationVersion(QStringLiteral("3.3.0"));
        m_properties = std::make_unique<Properties>(nullptr, m_app.dataLocation() + "/prop.dat");
        m_properties->addProperty("daysToWatch", 3);
        m_properties->addProperty("locale", QLocale(QLocale::German, QLocale::Germany));
        m_app.m_properties = m_properties.get();
        m_app.m_undoObject = &m_undo;
    }

    void init()
    {
        Tests::s_testOutput.clear();
        Common::clearLogBuffer();
    }

    void routinePasses_data()
    {
        QTest::addColumn<QByteArray>("name");
        for (const Tests::NamedRoutine &item : Tests::routines())
            QTest::newRow(item.name) << QByteArray(item.name);
    }

    void routinePasses()
    {
        QFETCH(QByteArray, name);
        DataCopy data;
        Tests tests;
        const bool passed = tests.runOne(routineByName(name));
        QVERIFY2(passed, qPrintable(Tests::s_testOutput.join(QLatin1Char('\n'))));
        QVERIFY2(Tests::s_testOutput.isEmpty(), qPrintable(Tests::s_testOutput.join(QLatin1Char('\n'))));
    }

    void runWritesVerdictsSeparatedByCarriageReturns()
    {
        DataCopy data;
        Tests tests;
        tests.run();
        QStringList expected;
        for (const Tests::NamedRoutine &item : Tests::routines())
            expected << "Test: " << item.name << "PASSED";
        QCOMPARE(TestHelpers::readFile(data.path("tests.txt")), expected.join('\r').toLatin1());
        QVERIFY(tests.result());
    }

    void failedCheckRecordsAndGoesOn()
    {
        Tests::s_testPassed = true;
        checkExpression(1 + 1 == 3);
        checkEqual(QDate(2012, 1, 6), QDate(2012, 1, 7));
        checkEqual(QStringLiteral("same"), QStringLiteral("same"));
        QCOMPARE(Tests::s_testOutput, (QStringList{"Error in expression:", "1 + 1 == 3",
                                                   "Error: values not equal:\n06.01.2012 \n07.01.2012 "}));
        QVERIFY(!Tests::s_testPassed);
    }

    void compareListsRecordsEachDifference_data()
    {
        QTest::addColumn<QStringList>("list1");
        QTest::addColumn<QStringList>("list2");
        QTest::addColumn<int>("entries");
        QTest::newRow("both empty") << QStringList() << QStringList() << 0;
        QTest::newRow("equal") << QStringList{"a", "b"} << QStringList{"a", "b"} << 0;
        QTest::newRow("two differences") << QStringList{"a", "x", "c", "y"} << QStringList{"a", "b", "c", "d"} << 2;
        QTest::newRow("case counts") << QStringList{"A"} << QStringList{"a"} << 1;
        QTest::newRow("longer master") << QStringList{"a"} << QStringList{"a", "b"} << 1;
        QTest::newRow("missing master") << QStringList{"a", "b"} << QStringList() << 1;
        QTest::newRow("shorter and different") << QStringList{"x", "b", "c"} << QStringList{"a", "b"} << 2;
    }

    void compareListsRecordsEachDifference()
    {
        TestHelpers::expectFailedChecks();
        QFETCH(QStringList, list1);
        QFETCH(QStringList, list2);
        QFETCH(int, entries);
        Tests::s_testPassed = true;
        compareLists(list1, list2);
        QCOMPARE(Tests::s_testOutput.size(), entries);
        QCOMPARE(Tests::s_testPassed, entries == 0);
    }

    void listFromFile_data()
    {
        QTest::addColumn<QByteArray>("bytes");
        QTest::addColumn<QStringList>("list");
        QTest::newRow("empty file") << QByteArray() << QStringList{""};
        QTest::newRow("empty entry between") << QByteArray("a\r\rb") << QStringList{"a", "", "b"};
        QTest::newRow("ends with a separator") << QByteArray("a\r") << QStringList{"a", ""};
        QTest::newRow("CR LF keeps the line feed") << QByteArray("a\r\nb") << QStringList{"a", "\nb"};
        QTest::newRow("Latin-1") << QByteArray("gr\xfc\xdf") << QStringList{QString::fromUtf8("grüß")};
    }

    void listFromFile()
    {
        QFETCH(QByteArray, bytes);
        QFETCH(QStringList, list);
        QTemporaryDir dir;
        const QString name = dir.filePath("list.txt");
        QVERIFY(TestHelpers::writeFile(name, bytes));
        QCOMPARE(stringListFromFile(QFile::encodeName(name)), list);
    }

    void listToFile_data()
    {
        QTest::addColumn<QStringList>("list");
        QTest::addColumn<QByteArray>("bytes");
        QTest::newRow("empty list") << QStringList() << QByteArray();
        QTest::newRow("no separator after the last") << QStringList{"a", "b"} << QByteArray("a\rb");
        QTest::newRow("outside Latin-1") << QStringList{QString::fromUtf8("€ ü")} << QByteArray("? \xfc");
    }

    void listToFile()
    {
        QFETCH(QStringList, list);
        QFETCH(QByteArray, bytes);
        QTemporaryDir dir;
        const QString name = dir.filePath("list.txt");
        QVERIFY(TestHelpers::writeFile(name, "longer old content"));
        stringListToFile(QFile::encodeName(name), list);
        QCOMPARE(TestHelpers::readFile(name), bytes);
    }

    void missingListReadsEmpty() { QVERIFY(stringListFromFile("/nonexistent/list.txt").isEmpty()); }

    void writersPrintDatesWithBlanks()
    {
        QString text;
        QTextStream stream(&text);
        stream << QList<QDate>{QDate(2013, 1, 24), QDate(2013, 2, 1)} << QTime(23, 30) << QList<QDate>()
               << QStringList{"a", "b"};
        stream.flush();
        QCOMPARE(text, QStringLiteral("24.01.2013 01.02.2013 23:30:00 a b"));
    }

    void decodeTagAnswers()
    {
        Tests tests;
        Tests::s_nDays = 7;
        QCOMPARE(tests.decodeTag("{1}", 0), QStringLiteral("One"));
        QCOMPARE(tests.decodeTag("{NDAYS}", 0), QStringLiteral("7"));
        QCOMPARE(tests.decodeTag("{OTHER}", 1), QString());
    }

    // The tree holds: Folder=One,Two; B; Empty=; H; W; T; A. Each row changes the matching description.
    void treeComparison_data()
    {
        QTest::addColumn<int>("line");
        QTest::addColumn<QString>("text");
        QTest::addColumn<bool>("passes");
        QTest::newRow("matching") << 0 << "Folder=One,Two" << true;
        QTest::newRow("order of children") << 0 << "Folder=Two,One" << false;
        QTest::newRow("extra child") << 0 << "Folder=One,Two,Three" << false;
        QTest::newRow("empty child name") << 0 << "Folder=One," << false;
        QTest::newRow("type where a folder stands") << 0 << "Folder" << false;
        QTest::newRow("folder where a type stands") << 1 << "Bday=" << false;
        QTest::newRow("children of an empty folder") << 2 << "Empty=Ghost" << false;
        QTest::newRow("extra top line") << 7 << "Extra" << false;
    }

    void treeComparison()
    {
        QFETCH(int, line);
        QFETCH(QString, text);
        QFETCH(bool, passes);
        QTemporaryDir dir;
        CustomTypesStorage customTypes(nullptr, dir.filePath("customtypes.dat"));
        EventTypesStorage storage(&customTypes, dir.filePath("typesorder.dat"));
        QVERIFY(storage.insertFolder(0, "Folder"));
        CustomTypeInfo one;
        one.id = "t1";
        one.name = "One";
        CustomTypeInfo two = one;
        two.id = "t2";
        two.name = "Two";
        QVERIFY(storage.insertCustomType(IEventTypesStorage::Index(0, -1), 0, one));
        QVERIFY(storage.insertCustomType(IEventTypesStorage::Index(0, -1), 1, two));
        QVERIFY(storage.insertFolder(2, "Empty"));
        QStringList lines{"Folder=One,Two",
                          EventsFactory::eventName(EventTypeBirthday),
                          "Empty=",
                          EventsFactory::eventName(EventTypeHoliday),
                          EventsFactory::eventName(EventTypeWedding),
                          EventsFactory::eventName(EventTypeTask),
                          EventsFactory::eventName(EventTypeNotSpecified)};
        if (line < lines.size())
            lines[line] = text;
        else
            lines << text;
        Tests::s_testPassed = true;
        compareEventTypesStorageValues(&storage, lines);
        QVERIFY2(Tests::s_testPassed == passes, qPrintable(Tests::s_testOutput.join('\n')));
    }

    // Data that must fail a routine: each row changes one file of a fresh copy.
    void routineFailsOnBadData_data()
    {
        QTest::addColumn<QByteArray>("name");
        QTest::addColumn<QString>("file");
        QTest::addColumn<QByteArray>("content");
        QTest::addColumn<bool>("remove");
        QTest::newRow("short master") << QByteArray("testSimpleParserFromFile") << "simpleparser_days.mas"
                                      << QByteArray("1 day\r2 days") << false;
        QTest::newRow("missing master") << QByteArray("testSimpleParserFromFile") << "simpleparser_tens.mas"
                                        << QByteArray() << true;
        QTest::newRow("fewer events") << QByteArray("testBackCompartability")
                                      << "compartability/304 - event maps v6.evt"
                                      << QByteArray("{\"Events\":{\"eventsList\":[],\"version\":\"2.8\"}}") << false;
        QTest::newRow("newer file")
            << QByteArray("testBackCompartability") << "compartability/305 - newer.evt"
            << TestHelpers::readFile(s_selfCheckData + "/compartability/201.evt").replace("\"3.2.0\"", "\"9.0\"")
            << false;
        QTest::newRow("more imported events")
            << QByteArray("testImportCsv") << "import/appointments.evt"
            << QByteArray("{\"Events\":{\"eventsList\":[],\"version\":\"3.2.0\"}}") << false;
        QTest::newRow("master missing") << QByteArray("testImportCsv") << "import/appointments.evt" << QByteArray()
                                        << true;
        QTest::newRow("copy missing") << QByteArray("testBackup") << "compartability/201 - Copy.evt" << QByteArray()
                                      << true;
    }

    void routineFailsOnBadData()
    {
        TestHelpers::expectFailedChecks();
        QFETCH(QByteArray, name);
        QFETCH(QString, file);
        QFETCH(QByteArray, content);
        QFETCH(bool, remove);
        DataCopy data;
        if (remove)
            QVERIFY(QFile::remove(data.path(file)));
        else
            QVERIFY(TestHelpers::writeFile(data.path(file), content));
        Tests tests;
        QVERIFY(!tests.runOne(routineByName(name)));
        QVERIFY(!Tests::s_testOutput.isEmpty());
    }

    void emptyFoldersFail_data()
    {
        QTest::addColumn<QByteArray>("name");
        QTest::newRow("compatibility") << QByteArray("testBackCompartability");
        QTest::newRow("import") << QByteArray("testImportCsv");
    }

    void emptyFoldersFail()
    {
        QFETCH(QByteArray, name);
        QTemporaryDir empty;
        QDir(empty.path()).mkpath("compartability");
        QDir(empty.path()).mkpath("import");
        // A folder named like a data file is no data file.
        QDir(empty.path()).mkpath("import/folder.csv");
        QDir(empty.path()).mkpath("compartability/folder.evt");
        Tests::s_testDataPath = QFile::encodeName(empty.path()) + '/';
        Tests tests;
        QVERIFY(!tests.runOne(routineByName(name)));
    }

    void importChecksUnderAnyUserLocale()
    {
        DataCopy data;
        const QLocale before;
        QLocale::setDefault(QLocale(QLocale::German, QLocale::Germany));
        Tests tests;
        const bool passed = tests.runOne(&Tests::testImportCsv);
        const QLocale after;
        QLocale::setDefault(before);
        QVERIFY2(passed, qPrintable(Tests::s_testOutput.join('\n')));
        QCOMPARE(after, QLocale(QLocale::German, QLocale::Germany));

        // It really compares under that locale: a wrong master still fails.
        QVERIFY(TestHelpers::writeFile(
            data.path("import/appointments.evt"),
            TestHelpers::readFile(data.path("import/appointments.evt")).replace("Tax return due", "Tax return late")));
        QLocale::setDefault(QLocale(QLocale::German, QLocale::Germany));
        const bool wrongPassed = tests.runOne(&Tests::testImportCsv);
        QLocale::setDefault(before);
        QVERIFY(!wrongPassed);
    }

    void backupCheckLeavesProgramSettings()
    {
        DataCopy data;
        // The settings check once dumped its store to "tests" in the working folder.
        QTemporaryDir workingFolder;
        const QString oldCurrent = QDir::currentPath();
        QVERIFY(QDir::setCurrent(workingFolder.path()));
        const QVariant localeBefore = m_app.settingsValue("Properties/locale", QVariant());
        const QStringList keysBefore = m_app.settings()->allKeys();
        Tests tests;
        QVERIFY2(tests.runOne(&Tests::testBackup), qPrintable(Tests::s_testOutput.join('\n')));
        QCoreApplication::processEvents();
        QCOMPARE(m_app.settingsValue("Properties/locale", QVariant()), localeBefore);
        QCOMPARE(m_app.settings()->allKeys(), keysBefore);
        QCOMPARE(m_properties->value("locale").value<QLocale>(), QLocale(QLocale::German, QLocale::Germany));
        QDir::setCurrent(oldCurrent);
        QVERIFY(QDir(workingFolder.path()).isEmpty());
        QCOMPARE(TestHelpers::readFile(data.path("compartability/201 - Copy.evt")),
                 TestHelpers::readFile(data.path("compartability/201.evt")));
    }

    void verdictStaysFailedForTheProcess()
    {
        TestHelpers::expectFailedChecks();
        // Last: once a routine failed, the overall verdict stays failed even after passing runs.
        DataCopy data;
        QVERIFY(TestHelpers::writeFile(data.path("simpleparser_days.mas"), "wrong"));
        Tests tests;
        tests.run();
        QVERIFY(!tests.result());
        const QStringList output = stringListFromFile(Tests::s_testDataPath + "tests.txt");
        const int verdict = output.indexOf("testSimpleParserFromFile") + 1;
        QVERIFY(verdict > 0);
        QCOMPARE(output.at(verdict), QStringLiteral("NOT PASSED"));
        QCOMPARE(output.at(verdict - 2), QStringLiteral("Test: "));
        QVERIFY(output.at(verdict - 3).startsWith("Error"));
        QCOMPARE(output.at(verdict + 3), QStringLiteral("PASSED"));
        DataCopy fresh;
        tests.run();
        QVERIFY(!tests.result());
    }

private:
    FakeApplication m_app;
    UndoObject m_undo;
    std::unique_ptr<Properties> m_properties;
};

QTEST_MAIN(TestTests)
#include "tst_tests.moc"
