#include "core/deferredcall.h"
#include "core/log.h"
#include "testhelpers.h"

#include <QtTest>

using Common::deferredCall;
using Common::DeferredCallMonitor;
using Common::DeferredCallProcessor;

class TestDeferredCall : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase() { TestHelpers::isolateEnvironment(); }
    void init()
    {
        Common::clearLogBuffer();
        DeferredCallProcessor::init();
    }
    void cleanup()
    {
        DeferredCallProcessor::term();
        QVERIFY(!logBuffer().contains("ASSERT"));
    }

    void runsLaterInPostingOrder()
    {
        QObject context;
        QList<int> calls;
        deferredCall(&context, [&] { calls << 1; });
        deferredCall(&context, [&] { calls << 2; });
        QVERIFY(calls.isEmpty());
        QCoreApplication::sendPostedEvents();
        QCOMPARE(calls, QList<int>({1, 2}));
    }

    void skippedWhenContextDeleted()
    {
        auto *context = new QObject;
        bool ran = false;
        deferredCall(context, [&] { ran = true; });
        delete context;
        QCoreApplication::sendPostedEvents();
        QVERIFY(!ran);
    }

    void skippedWhenCancelledAndMonitorGoesAway()
    {
        QObject context;
        bool ran = false;
        QPointer<DeferredCallMonitor> monitor = deferredCall(&context, [&] { ran = true; });
        QVERIFY(monitor);
        monitor->cancel();
        QCoreApplication::sendPostedEvents();
        QVERIFY(!ran);
        QVERIFY(!monitor);
    }

    void callPostedFromInsideRunsOnLaterTurn()
    {
        QObject context;
        QStringList calls;
        deferredCall(&context, [&] {
            calls << "outer";
            deferredCall(&context, [&] { calls << "inner"; });
            calls << "outer done";
        });
        QCoreApplication::sendPostedEvents();
        QCOMPARE(calls, QStringList({"outer", "outer done"}));
        QCoreApplication::sendPostedEvents();
        QCOMPARE(calls, QStringList({"outer", "outer done", "inner"}));
    }

    void pendingCallsDroppedWithProcessor()
    {
        QObject context;
        bool ran = false;
        QPointer<DeferredCallMonitor> monitor = deferredCall(&context, [&] { ran = true; });
        DeferredCallProcessor::term();
        QVERIFY(!monitor);
        DeferredCallProcessor::init();
        QCoreApplication::sendPostedEvents();
        QVERIFY(!ran);
    }

    void withoutProcessorAssertsAndReturnsNull()
    {
        TestHelpers::expectFailedChecks();
        DeferredCallProcessor::term();
        QObject context;
        bool ran = false;
        QVERIFY(!deferredCall(&context, [&] { ran = true; }));
        QCoreApplication::sendPostedEvents();
        QVERIFY(!ran);
        QVERIFY(logBuffer().contains("ASSERT: s_instance"));
        Common::clearLogBuffer();
        DeferredCallProcessor::init();
    }
};

QTEST_GUILESS_MAIN(TestDeferredCall)
#include "tst_deferredcall.moc"
