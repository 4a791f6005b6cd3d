#include "core/crashhandleradapter.h"
#include "core/crashreportlibrary.h"
#include "core/log.h"
#include "fakeapplication.h"
#include "testhelpers.h"

#include <QDir>
#include <QLibrary>
#include <QtTest>

class TestCrashReport : public QObject
{
    Q_OBJECT

    static QString modulePath(const char *name)
    {
        return QDir(QCoreApplication::applicationDirPath()).filePath(QString::fromLatin1(name));
    }

    // What the stand-in library was called with since the last clear.
    QString calls() { return QString::fromUtf16(m_calls()); }

    using CallsFn = const char16_t *(*)();
    using ClearFn = void (*)();
    CallsFn m_calls = nullptr;
    ClearFn m_clear = nullptr;

private slots:
    void initTestCase()
    {
        TestHelpers::isolateEnvironment();
        const QString path = modulePath("libfakecrashrpt.so");
        CrashReportLibrary::reloadForTest(path);
        QLibrary hooks(path);
        m_calls = reinterpret_cast<CallsFn>(hooks.resolve("FakeCrashRpt_calls"));
        m_clear = reinterpret_cast<ClearFn>(hooks.resolve("FakeCrashRpt_clear"));
        QVERIFY(m_calls && m_clear);
    }
    void cleanupTestCase() { CrashReportLibrary::reloadForTest(QString()); }
    void init() { Common::clearLogBuffer(); }

    void initialisesWithApplicationRecord()
    {
        QVERIFY(CrashReportLibrary::instance().loaded());
        QVERIFY(CrashReportLibrary::instance().ready());
        QCOMPARE(calls(), QStringLiteral("GetVersionFromApp()\n"
                                         "InitCrashRpt(7c1e9a42-5b3d-4f08-b6a2-e94d0c5713af|QuillaneReminder|"
                                         "Quillane Reminder)\n"));
        QVERIFY(CrashHandlerAdapter().isAvailable());
    }

    void failedAssertAddsUserInfoAndGoesOn()
    {
        TestHelpers::expectFailedChecks();
        FakeApplication app;
        m_clear();
        int reached = 0;
        const QString name = QStringLiteral("\u00e9t\u00e9");
        QR_ASSERT(name.isEmpty());
        ++reached;
        QCOMPARE(reached, 1);
        QCOMPARE(calls(), QStringLiteral("AddUserInfoToReport(ASSERT|name.isEmpty())\nSendReport()\n"));
        QCOMPARE(logBuffer().count('\n'), 1);
    }

    void addsFilesWithPathAndName()
    {
        FakeApplication app;
        m_clear();
        CrashHandlerAdapter adapter;
        adapter.addFileToReport(QStringLiteral("/tmp/caf\u00e9/sysinfo.dat").toUtf8(), "sysinfo.txt");
        adapter.resetLogFile();
        QCOMPARE(calls(), QStringLiteral("AddFileToReport(/tmp/caf\u00e9/sysinfo.dat|sysinfo.txt)\n"
                                         "AddFileToReport(%1|log.txt)\n")
                              .arg(QDir(app.dataLocation()).filePath(QStringLiteral("log.dat"))));
    }

    void incompleteLibraryIsNotUsed()
    {
        TestHelpers::expectFailedChecks();
        CrashReportLibrary::reloadForTest(modulePath("libfakecrashrpt_incomplete.so"));
        QVERIFY(!CrashReportLibrary::instance().loaded());
        QVERIFY(!CrashHandlerAdapter().isAvailable());
        int reached = 0;
        QR_ASSERT(reached == 1);
        ++reached;
        QCOMPARE(reached, 1);
        QCOMPARE(logBuffer().count('\n'), 1);
        CrashReportLibrary::reloadForTest(modulePath("libfakecrashrpt.so"));
    }
};

QTEST_GUILESS_MAIN(TestCrashReport)
#include "tst_crashreport.moc"
