#include "core/clock.h"
#include "platform/timezonewatcher.h"
#include "testhelpers.h"

#include <QtTest>

class TestClock : public QObject
{
    Q_OBJECT

private slots:
    // now() reuses its answer within one millisecond; a zone change must still show at once.
    void followsZoneChangeAtOnce()
    {
        TestHelpers::ScopedTimeZone utc("UTC"); // the zone to come back to, whatever the machine's
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

    // Last: the program pins the zone once, and from then on the clock learns of changes only
    // from the watcher, also within one millisecond.
    void followsThePinnedZoneThroughItsWatcher()
    {
        if (!QFileInfo::exists(QStringLiteral("/usr/share/zoneinfo/Asia/Tokyo")))
            QSKIP("the zone database (tzdata) is not installed");
        QTemporaryDir dir;
        const QString zoneFile = dir.filePath(QStringLiteral("localtime"));
        QVERIFY(QFile::link(QStringLiteral("/usr/share/zoneinfo/Europe/Berlin"), zoneFile));
        Common::Clock::pin(QDateTime(QDate(2026, 7, 1), QTime(10, 0), Qt::UTC));
        qunsetenv("TZ"); // else the user's zone is followed and nothing is pinned
        TimeZoneWatcher::pinSystemZone();
        TimeZoneWatcher watcher(zoneFile);
        QCOMPARE(Common::Clock::now().time(), QTime(12, 0));
        QVERIFY(QFile::remove(zoneFile));
        QVERIFY(QFile::link(QStringLiteral("/usr/share/zoneinfo/Asia/Tokyo"), zoneFile));
        watcher.checkZone();
        QCOMPARE(Common::Clock::now().time(), QTime(19, 0));
        Common::Clock::unpin();
    }
};

QTEST_GUILESS_MAIN(TestClock)
#include "tst_clock.moc"
