#include "core/clock.h"
#include "testhelpers.h"

#include <QtTest>

class TestClock : public QObject
{
    Q_OBJECT

private slots:
    // now() reuses its answer within one millisecond; a zone change must still show at once.
    void followsZoneChangeAtOnce()
    {
        for (int i = 0; i < 50; ++i) {
            const QDateTime utcNow = Common::Clock::nowUtc();
            int offset = 0;
            {
                TestHelpers::ScopedTimeZone tz("Asia/Tokyo");
                offset = Common::Clock::now().offsetFromUtc();
            }
            QCOMPARE(offset, 9 * 3600);
            QCOMPARE(Common::Clock::now().offsetFromUtc(), 0);
            QVERIFY(qAbs(Common::Clock::now().toUTC().msecsTo(utcNow)) < 1000);
        }
    }
};

QTEST_GUILESS_MAIN(TestClock)
#include "tst_clock.moc"
