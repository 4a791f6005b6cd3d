#include "core/clock.h"
#include "core/crashhandleradapter.h"
#include "core/log.h"
#include "fakeapplication.h"
#include "testhelpers.h"

#include <QDir>
#include <QFile>
#include <QtTest>

#include <memory>
#include <thread>
#include <vector>

#include <unistd.h>

namespace {

// Qt's messages reach the log, as the program's message handler sends them.
void forwardToLog(QtMsgType, const QMessageLogContext &context, const QString &text)
{
    writeLogLine(context.file, context.line, context.function, "Warning: " + text.toUtf8());
}

// Warns on every look-up, as the real data location does when it cannot make its folder.
class WarningApplication : public FakeApplication
{
public:
    QString dataLocation() const override
    {
        qWarning("no data folder");
        return FakeApplication::dataLocation();
    }
};

} // namespace

class TestLog : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase() { TestHelpers::isolateEnvironment(); }
    void init()
    {
        Common::clearLogBuffer();
        Common::Clock::pin(QDateTime(QDate(2026, 12, 6), QTime(12, 35, 23, 45)));
    }
    void cleanup() { Common::Clock::unpin(); }

    void writesMemoryAndFileForms()
    {
        FakeApplication app;
        writeLogLine(__FILE__, __LINE__, Q_FUNC_INFO, "Debug: x");
        QCOMPARE(logBuffer(), QByteArray("06.12.26T12:35:23:045Debug: x\n"));
        QCOMPARE(TestHelpers::readFile(QDir(app.dataLocation()).filePath("log.dat")),
                 QByteArray("06.12.26T12:35:23:045 = Debug: x\n"));
    }

    void keepsCallOrderWithinOneMillisecond()
    {
        FakeApplication app;
        QR_LOG("first");
        QR_LOG("");
        QCOMPARE(logBuffer(), QByteArray("06.12.26T12:35:23:045first\n06.12.26T12:35:23:045\n"));
        QCOMPARE(TestHelpers::readFile(QDir(app.dataLocation()).filePath("log.dat")),
                 QByteArray("06.12.26T12:35:23:045 = first\n06.12.26T12:35:23:045 = \n"));
    }

    void invalidUtf8KeptInMemoryReplacedInFile()
    {
        FakeApplication app;
        QR_LOG(QByteArray("a\xff"
                          "b"));
        QCOMPARE(logBuffer(), QByteArray("06.12.26T12:35:23:045a\xff"
                                         "b\n"));
        QCOMPARE(TestHelpers::readFile(QDir(app.dataLocation()).filePath("log.dat")),
                 QByteArray("06.12.26T12:35:23:045 = a\xef\xbf\xbd"
                            "b\n"));
    }

    void unwritableDataFolderKeepsMemoryLog()
    {
        FakeApplication app;
        app.m_dataLocation = QStringLiteral("/nonexistent/quillane/data");
        QR_LOG("still here");
        QCOMPARE(logBuffer(), QByteArray("06.12.26T12:35:23:045still here\n"));
    }

    void warningWhileFindingTheLogFileIsKeptInMemory()
    {
        WarningApplication app;
        const QtMessageHandler previous = qInstallMessageHandler(forwardToLog);
        QR_LOG("outer");
        qInstallMessageHandler(previous);
        QCOMPARE(logBuffer(), QByteArray("06.12.26T12:35:23:045Warning: no data folder\n"
                                         "06.12.26T12:35:23:045outer\n"));
        QCOMPARE(TestHelpers::readFile(QDir(app.dataLocation()).filePath("log.dat")),
                 QByteArray("06.12.26T12:35:23:045 = outer\n"));
    }

    // A link at the log's place (one a restore's record moved there, say) leads no line into another file.
    void writesNoFileOfOtherLinks()
    {
        FakeApplication app;
        const QString victim = app.dataLocation() + "/victim", log = app.dataLocation() + "/log.dat";
        QVERIFY(TestHelpers::writeFile(victim, "victim\n"));
        for (const bool hard : {true, false}) {
            QVERIFY(hard ? ::link(qPrintable(victim), qPrintable(log)) == 0
                         : QFile::remove(log) && QFile::link(victim, log));
            QR_LOG("line");
            QCOMPARE(TestHelpers::readFile(victim), QByteArray("victim\n"));
            QCOMPARE(TestHelpers::readFile(log), QByteArray("06.12.26T12:35:23:045 = line\n"));
        }
    }

    void qtMessagesOfEveryKind()
    {
        const QList<QByteArray> lines = {"Debug: é", "Warning: é", "Critical: é", "Fatal: é", "Info: é"};
        for (int type = QtDebugMsg; type <= QtInfoMsg; ++type)
            QCOMPARE(Common::qtMessageLine(QtMsgType(type), QStringLiteral("é")), lines.at(type));
    }

    void logsWithoutApplication()
    {
        QVERIFY(!IApplication::instance());
        QR_LOG("early");
        QCOMPARE(logBuffer(), QByteArray("06.12.26T12:35:23:045early\n"));
    }

    void failedAssertWritesOneLineAndGoesOn()
    {
        TestHelpers::expectFailedChecks();
        FakeApplication app;
        int reached = 0;
        const int value = 3;
        QR_ASSERT(value == 4);
        ++reached;
        QR_ASSERT(value == 3);
        QCOMPARE(reached, 1);
        const QList<QByteArray> lines = logBuffer().split('\n');
        QCOMPARE(lines.size(), 2);
        QVERIFY(lines[0].startsWith("06.12.26T12:35:23:045:tst_log.cpp:"));
        QVERIFY(lines[0].contains("failedAssertWritesOneLineAndGoesOn"));
        QVERIFY(lines[0].endsWith(":ASSERT: value == 4"));
    }

    void failedCheckIsReportedAndGivenBack()
    {
        TestHelpers::expectFailedChecks();
        FakeApplication app;
        std::unique_ptr<int> none;
        QVERIFY(!QR_CHECK(none));
        QVERIFY(QR_CHECK(none == nullptr));
        const QList<QByteArray> lines = logBuffer().split('\n');
        QCOMPARE(lines.size(), 2);
        QVERIFY(lines[0].endsWith(":ASSERT: none"));
    }

    void memoryLogIsBounded()
    {
        const QByteArray line(90, 'x');
        for (int i = 0; i < 10000; ++i)
            QR_LOG(line + QByteArray::number(i % 10));
        const QByteArray buffer = logBuffer();
        QVERIFY(buffer.size() <= Common::kLogMemoryBytes && buffer.size() > Common::kLogMemoryBytes - 200);
        QVERIFY(buffer.startsWith("06.12.26T12:35:23:045" + line) && buffer.endsWith(line + "9\n"));
    }

    void linesFromWorkerThreadsStayWhole()
    {
        FakeApplication app;
        std::vector<std::thread> workers;
        for (int t = 0; t < 4; ++t)
            workers.emplace_back([t] {
                for (int i = 0; i < 250; ++i)
                    QR_LOG("worker " + QByteArray::number(t));
            });
        for (std::thread &worker : workers)
            worker.join();
        const QList<QByteArray> lines = logBuffer().split('\n');
        QCOMPARE(lines.size(), 1001);
        for (int i = 0; i < 1000; ++i)
            QVERIFY2(lines[i].startsWith("06.12.26T12:35:23:045worker ") && lines[i].size() == 29,
                     lines[i].constData());
        const QByteArray file = TestHelpers::readFile(QDir(app.dataLocation()).filePath("log.dat"));
        QCOMPARE(file.count('\n'), 1000);
    }

    void resetAndRemoveLogFile()
    {
        FakeApplication app;
        const QString path = QDir(app.dataLocation()).filePath("log.dat");
        QVERIFY(TestHelpers::writeFile(path, "old run\n"));
        CrashHandlerAdapter adapter;
        QVERIFY(!adapter.isAvailable());
        adapter.resetLogFile();
        QVERIFY(!QFile::exists(path));
        QR_LOG("new");
        QVERIFY(QFile::exists(path));
        adapter.removeLogFile();
        QVERIFY(!QFile::exists(path));
    }
};

QTEST_GUILESS_MAIN(TestLog)
#include "tst_log.moc"
