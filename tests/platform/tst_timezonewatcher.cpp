#include "platform/timezonewatcher.h"
#include "testhelpers.h"

#include <QDateTime>
#include <QDir>
#include <QFile>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <QtTest>

// The local zone is read once and followed when the system's zone changes: a fake zone folder
// stands for /etc, with zone files copied from the system's zone database.
class TestTimeZoneWatcher : public QObject
{
    Q_OBJECT

    QTemporaryDir m_dir;
    QByteArray m_oldTz;
    bool m_hadTz = false;

    QString zoneFile() const { return m_dir.filePath(QStringLiteral("etc/localtime")); }
    QString zoneInfo(const QString &id) const { return m_dir.filePath(QStringLiteral("zoneinfo/") + id); }

    // Replaces the zone file as the time-date service does: a new link renamed over the old one.
    bool linkZone(const QString &id)
    {
        const QString temporary = zoneFile() + QStringLiteral(".new");
        return QFile::link(zoneInfo(id), temporary) && ::rename(qPrintable(temporary), qPrintable(zoneFile())) == 0;
    }
    // Writes the zone data of `id` into a zone file that is no link.
    bool copyZone(const QString &id)
    {
        QFile::remove(zoneFile());
        return QFile::copy(QStringLiteral("/usr/share/zoneinfo/") + id, zoneFile());
    }

private slots:
    void initTestCase()
    {
        TestHelpers::isolateEnvironment();
        m_hadTz = qEnvironmentVariableIsSet("TZ");
        m_oldTz = qgetenv("TZ");
        if (!QFileInfo::exists(QStringLiteral("/usr/share/zoneinfo/Asia/Tokyo")))
            QSKIP("the zone database (tzdata) is not installed");
        QVERIFY(QDir(m_dir.path()).mkpath(QStringLiteral("etc")));
        for (const char *id : {"Europe/Berlin", "Asia/Tokyo", "posix/Asia/Tokyo"}) {
            const QString path = zoneInfo(QString::fromLatin1(id));
            QVERIFY(QDir().mkpath(QFileInfo(path).absolutePath()));
            QVERIFY(QFile::copy(QStringLiteral("/usr/share/zoneinfo/") + QString::fromLatin1(id), path));
        }
    }

    void init()
    {
        QFile::remove(zoneFile());
        qunsetenv("TZ");
    }

    void cleanupTestCase()
    {
        if (m_hadTz)
            qputenv("TZ", m_oldTz);
        else
            qunsetenv("TZ");
        tzset();
    }

    void namesTheZone_data()
    {
        QTest::addColumn<QString>("linkTo"); // empty: a plain file; "-": no file
        QTest::addColumn<bool>("named");
        QTest::newRow("link into the zone folder") << QStringLiteral("Europe/Berlin") << true;
        QTest::newRow("posix variant") << QStringLiteral("posix/Asia/Tokyo") << false;
        QTest::newRow("dangling link") << QStringLiteral("Nowhere/City") << false;
        QTest::newRow("plain file") << QString() << false;
        QTest::newRow("no file") << QStringLiteral("-") << false;
    }
    void namesTheZone()
    {
        QFETCH(QString, linkTo);
        QFETCH(bool, named);
        if (linkTo.isEmpty())
            QVERIFY(copyZone(QStringLiteral("Europe/Berlin")));
        else if (linkTo != QLatin1String("-"))
            QVERIFY(QFile::link(zoneInfo(linkTo), zoneFile()));
        const QByteArray expected = named ? ':' + linkTo.toUtf8() : ':' + zoneFile().toUtf8();
        QCOMPARE(TimeZoneWatcher::zoneValue(zoneFile()), expected);
    }

    void followsANewLink()
    {
        QVERIFY(linkZone(QStringLiteral("Europe/Berlin")));
        TimeZoneWatcher watcher(zoneFile());
        QCOMPARE(qgetenv("TZ"), QByteArray(":Europe/Berlin"));
        QSignalSpy changed(&watcher, &TimeZoneWatcher::zoneChanged);
        QVERIFY(linkZone(QStringLiteral("Asia/Tokyo")));
        QVERIFY(changed.wait(5000)); // the folder's notification
        QCOMPARE(changed.count(), 1);
        QCOMPARE(qgetenv("TZ"), QByteArray(":Asia/Tokyo"));
    }

    void followsReplacedContent()
    {
        // No name to give: the file itself is TZ, and its new content must be read again.
        QVERIFY(copyZone(QStringLiteral("Europe/Berlin")));
        TimeZoneWatcher watcher(zoneFile());
        const QDateTime summer(QDate(2026, 7, 1), QTime(12, 0));
        QCOMPARE(QDateTime(summer).offsetFromUtc(), 2 * 3600);
        QSignalSpy changed(&watcher, &TimeZoneWatcher::zoneChanged);
        QVERIFY(copyZone(QStringLiteral("Asia/Tokyo")));
        watcher.checkZone();
        QCOMPARE(changed.count(), 1);
        QCOMPARE(QDateTime(summer.date(), summer.time()).offsetFromUtc(), 9 * 3600);
    }

    void reactsOnlyToTheZoneFile_data()
    {
        QTest::addColumn<bool>("rewrite");
        QTest::newRow("other files made and removed") << false;
        QTest::newRow("a plain file written in place") << true;
    }

    void reactsOnlyToTheZoneFile()
    {
        QFETCH(bool, rewrite);
        QVERIFY(copyZone("Europe/Berlin"));
        TimeZoneWatcher watcher(zoneFile());
        QSignalSpy spy(&watcher, &TimeZoneWatcher::zoneChanged);
        for (int i = 0; !rewrite && i < 20; ++i) {
            QFile other(m_dir.filePath(QStringLiteral("etc/other%1").arg(i)));
            QVERIFY(other.open(QIODevice::WriteOnly) && other.write("x") == 1 && other.remove());
        }
        QFile zone(zoneFile()), tokyo("/usr/share/zoneinfo/Asia/Tokyo");
        QVERIFY(!rewrite || (tokyo.open(QIODevice::ReadOnly) && zone.open(QIODevice::WriteOnly) &&
                             zone.write(tokyo.readAll()) > 0));
        zone.close();
        QCoreApplication::processEvents();
        QCOMPARE(watcher.findChild<QTimer *>()->isActive(), rewrite);
        QCOMPARE(spy.wait(rewrite ? 5000 : 0), rewrite);
    }

    void timeDateSignal_data()
    {
        QTest::addColumn<QString>("interfaceName");
        QTest::addColumn<QStringList>("changed");
        QTest::addColumn<QStringList>("invalidated");
        QTest::addColumn<int>("expected");
        const QString service = QStringLiteral("org.freedesktop.timedate1");
        QTest::newRow("zone changed") << service << QStringList{QStringLiteral("Timezone")} << QStringList() << 1;
        QTest::newRow("zone invalidated") << service << QStringList() << QStringList{QStringLiteral("Timezone")} << 1;
        QTest::newRow("other property") << service << QStringList{QStringLiteral("NTP")} << QStringList() << 0;
        QTest::newRow("other interface") << QStringLiteral("org.example.other")
                                         << QStringList{QStringLiteral("Timezone")} << QStringList() << 0;
    }
    void timeDateSignal()
    {
        QFETCH(QString, interfaceName);
        QFETCH(QStringList, changed);
        QFETCH(QStringList, invalidated);
        QFETCH(int, expected);
        QVERIFY(linkZone(QStringLiteral("Europe/Berlin")));
        TimeZoneWatcher watcher(zoneFile());
        QSignalSpy spy(&watcher, &TimeZoneWatcher::zoneChanged);
        QVERIFY(linkZone(QStringLiteral("Asia/Tokyo")));
        QVariantMap values;
        for (const QString &name : changed)
            values.insert(name, QStringLiteral("Asia/Tokyo"));
        watcher.onTimeDateProperties(interfaceName, values, invalidated);
        QCOMPARE(spy.count(), expected);
        // The folder's own notification of the same change gives no second signal.
        spy.wait(500);
        QCOMPARE(spy.count(), 1);
    }

    void userZoneIsKept()
    {
        QVERIFY(linkZone(QStringLiteral("Europe/Berlin")));
        qputenv("TZ", "Asia/Tokyo");
        TimeZoneWatcher watcher(zoneFile());
        QVERIFY(watcher.followsUser());
        QSignalSpy spy(&watcher, &TimeZoneWatcher::zoneChanged);
        QVERIFY(linkZone(QStringLiteral("Asia/Tokyo")));
        watcher.checkZone();
        QCOMPARE(spy.count(), 0);
        QCOMPARE(qgetenv("TZ"), QByteArray("Asia/Tokyo"));
    }

    // The zone changes after the start pinned it and before the watcher is made. Last: the pin stays.
    void tellsOfAChangeSinceThePin_data()
    {
        QTest::addColumn<bool>("plainFile");
        QTest::addColumn<QString>("atWatcher");
        QTest::addColumn<int>("offsetHours"); // on 1 July
        QTest::newRow("new link") << false << QStringLiteral("Asia/Tokyo") << 9;
        QTest::newRow("plain file rewritten") << true << QStringLiteral("Asia/Tokyo") << 9;
        QTest::newRow("unchanged") << false << QStringLiteral("Europe/Berlin") << 2;
    }
    void tellsOfAChangeSinceThePin()
    {
        QFETCH(bool, plainFile);
        QFETCH(QString, atWatcher);
        QFETCH(int, offsetHours);
        QVERIFY(plainFile ? copyZone(QStringLiteral("Europe/Berlin")) : linkZone(QStringLiteral("Europe/Berlin")));
        TimeZoneWatcher::pinSystemZone(zoneFile());
        QVERIFY(plainFile ? copyZone(atWatcher) : linkZone(atWatcher));
        TimeZoneWatcher watcher(zoneFile());
        QSignalSpy spy(&watcher, &TimeZoneWatcher::zoneChanged);
        QCoreApplication::processEvents();
        QCOMPARE(spy.count(), offsetHours == 2 ? 0 : 1);
        QCOMPARE(QDateTime(QDate(2026, 7, 1), QTime(12, 0)).offsetFromUtc(), offsetHours * 3600);
    }
};

QTEST_GUILESS_MAIN(TestTimeZoneWatcher)
#include "tst_timezonewatcher.moc"
