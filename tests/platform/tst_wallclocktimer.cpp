#include "platform/wallclocktimer.h"
#include "testhelpers.h"

#include <QSignalSpy>
#include <QtTest>

// The timer of the system, on the machine's own clock. Moving that clock is left to the end-to-end
// test of the program under a faked clock; here: it fires on its time, once, and not when stopped.
class TestWallClockTimer : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase() { TestHelpers::isolateEnvironment(); }

    void firesOnceAtItsTime_data()
    {
        QTest::addColumn<bool>("polling");
        QTest::addColumn<int>("aheadMsecs");
        QTest::newRow("timerfd, ahead") << false << 300;
        QTest::newRow("timerfd, passed") << false << -5000;
        QTest::newRow("polling, ahead") << true << 300;
        QTest::newRow("polling, passed") << true << -5000;
    }

    void firesOnceAtItsTime()
    {
        QFETCH(bool, polling);
        QFETCH(int, aheadMsecs);
        WallClockTimer timer(polling ? WallClockTimer::Backend::Polling : WallClockTimer::Backend::Automatic);
#ifdef Q_OS_LINUX
        QCOMPARE(timer.usesTimerFd(), !polling);
#endif
        QSignalSpy fired(&timer, &IWallClockTimer::timeout);
        QSignalSpy changed(&timer, &IWallClockTimer::clockChanged);
        const QDateTime at = QDateTime::currentDateTime().addMSecs(aheadMsecs);
        timer.start(at);
        QVERIFY(timer.isActive());
        QVERIFY(fired.wait(5000));
        QVERIFY(QDateTime::currentDateTime() >= at);
        QVERIFY(!timer.isActive());
        QCOMPARE(timer.target(), at);
        QTest::qWait(50);
        QCOMPARE(fired.count(), 1);
        QCOMPARE(changed.count(), 0);
    }

    // Only the fallback, which the environment selects for a clock faked per process, looks in between.
    void kernelTimerSleepsUntilItsTime()
    {
        for (const QByteArray &value : {QByteArray(), QByteArray("500")}) {
            qputenv(WallClockTimer::s_pollEnvironment, value);
            const std::unique_ptr<WallClockTimer> timer = WallClockTimer::fromEnvironment();
            qunsetenv(WallClockTimer::s_pollEnvironment);
            timer->start(QDateTime::currentDateTime().addSecs(3600));
            const QTimer *look = timer->findChild<QTimer *>();
            QCOMPARE(look->isActive() ? look->interval() : 0, value.toInt());
        }
    }

    void stoppedOrMovedOnStaysQuiet_data()
    {
        QTest::addColumn<bool>("polling");
        QTest::newRow("timerfd") << false;
        QTest::newRow("polling") << true;
    }

    void stoppedOrMovedOnStaysQuiet()
    {
        QFETCH(bool, polling);
        WallClockTimer timer(polling ? WallClockTimer::Backend::Polling : WallClockTimer::Backend::Automatic);
        QSignalSpy fired(&timer, &IWallClockTimer::timeout);
        timer.start(QDateTime::currentDateTime().addMSecs(100));
        timer.stop();
        QVERIFY(!timer.isActive());
        // A later start replaces the earlier time.
        WallClockTimer other(polling ? WallClockTimer::Backend::Polling : WallClockTimer::Backend::Automatic);
        other.start(QDateTime::currentDateTime().addMSecs(100));
        other.start(QDateTime::currentDateTime().addDays(1));
        QTest::qWait(300);
        QCOMPARE(fired.count(), 0);
        QVERIFY(other.isActive());
    }
};

QTEST_GUILESS_MAIN(TestWallClockTimer)
#include "tst_wallclocktimer.moc"
