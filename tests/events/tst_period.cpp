#include "core/applocale.h"
#include "core/log.h"
#include "events/period.h"
#include "testhelpers.h"

#include <QDataStream>
#include <QtTest>

namespace {

// How stored texts were read before loading got its direct reader: the reference it must agree with.
bool readByPattern(const QString &text, QDate *date, QTime *time)
{
    static const QRegularExpression pattern(QStringLiteral("^(\\d{4,9})(\\d\\d)(\\d\\d)T(\\d\\d)(\\d\\d)(\\d\\d)Z$"));
    const QRegularExpressionMatch match = pattern.match(text);
    if (!match.hasMatch())
        return false;
    const QDate d(match.captured(1).toInt(), match.captured(2).toInt(), match.captured(3).toInt());
    const QTime t(match.captured(4).toInt(), match.captured(5).toInt(), match.captured(6).toInt());
    if (!d.isValid() || !t.isValid())
        return false;
    *date = d;
    *time = t;
    return true;
}

} // namespace

class TestPeriod : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase() { TestHelpers::isolateEnvironment(); }
    void init()
    {
        Common::clearLogBuffer();
        Common::setAppLocale(QLocale::c());
    }

    void queriesOfPeriodWithoutEnd()
    {
        const Period p(QDate(2024, 3, 5));
        QVERIFY(p.isValid());
        QVERIFY(p.hasNoEnd());
        QVERIFY(!p.hasTime());
        QCOMPARE(p.endDate(), QDate(2024, 3, 5));
        QCOMPARE(p.endTime(), QTime());
        QCOMPARE(p.lengthInDays(), 0);
        QCOMPARE(p.lengthInMSecs(), 0);
        QCOMPARE(p.beginDateTime(), QDateTime(QDate(2024, 3, 5), QTime(0, 0)));
        QVERIFY(!Period().isValid());
    }

    void lengths()
    {
        const Period days(QDate(2024, 3, 5), QDate(2024, 3, 8));
        QCOMPARE(days.lengthInDays(), 3);
        QCOMPARE(days.lengthInMSecs(), 3 * 86400000LL);
        const Period timed(QDate(2024, 3, 5), QTime(10, 0), QDate(2024, 3, 6), QTime(9, 30));
        QCOMPARE(timed.lengthInDays(), 1);
        QCOMPARE(timed.lengthInHours(), 23);
        QCOMPARE(timed.lengthInSecs(), 23 * 3600 + 1800);
    }

    void reportsEndNotAfterBegin()
    {
        TestHelpers::expectFailedChecks();
        const Period p(QDate(2024, 3, 5), QDate(2024, 3, 5));
        QVERIFY(logBuffer().contains("m_beginDate < m_endDate"));
        QCOMPARE(p.endDate(), QDate(2024, 3, 5)); // values kept
    }

    void wholeDayMap()
    {
        const Period p(QDate(2024, 3, 5));
        const QVariantMap map = p.toJson().toMap();
        QCOMPARE(map.keys(), (QStringList{"begin", "time", "version"}));
        QCOMPARE(map.value("version"), QVariant(1));
        QCOMPARE(map.value("begin"), QVariant(QStringLiteral("20240305T000000Z")));
        QCOMPARE(map.value("time"), QVariant(false));
        Period back;
        back.fromJson(map);
        QCOMPARE(back, p);
        QVERIFY(!back.hasTime());
    }

    void timedSpanRoundTrip()
    {
        const Period p(QDate(2024, 3, 5), QTime(7, 8, 9, 500), QDate(2024, 3, 7), QTime(18, 30, 1));
        const QVariantMap map = p.toJson().toMap();
        QCOMPARE(map.value("begin").toString(), QStringLiteral("20240305T070809Z"));
        QCOMPARE(map.value("end").toString(), QStringLiteral("20240307T183001Z"));
        QCOMPARE(map.value("time"), QVariant(true));
        Period back;
        back.fromJson(map);
        QCOMPARE(back, p);
        QCOMPARE(back.beginTime(), QTime(7, 8, 9));
    }

    void farYearRoundTrip()
    {
        const Period p(QDate(12345, 6, 7), QTime(8, 9, 10));
        QCOMPARE(p.toJson().toMap().value("begin").toString(), QStringLiteral("123450607T080910Z"));
        Period back;
        back.fromJson(p.toJson());
        QCOMPARE(back, p);
    }

    void readsBadMaps_data()
    {
        QTest::addColumn<QVariantMap>("map");
        QTest::addColumn<QByteArray>("report");
        QTest::addColumn<bool>("valid");
        QTest::newRow("empty") << QVariantMap() << QByteArray("!map.isEmpty()") << false;
        QTest::newRow("version 2") << QVariantMap{{"version", 2}, {"begin", "20240305T000000Z"}}
                                   << QByteArray("map[s_version].toInt() == 1") << true;
        QTest::newRow("garbage begin") << QVariantMap{{"version", 1}, {"begin", "5.3.2024"}} << QByteArray() << false;
        QTest::newRow("empty begin") << QVariantMap{{"version", 1}, {"begin", ""}} << QByteArray() << false;
        QTest::newRow("31 February") << QVariantMap{{"version", 1}, {"begin", "20240231T000000Z"}} << QByteArray()
                                     << false;
        QTest::newRow("hour 24") << QVariantMap{{"version", 1}, {"begin", "20240201T240000Z"}} << QByteArray() << false;
    }
    void readsBadMaps()
    {
        TestHelpers::expectFailedChecks();
        QFETCH(QVariantMap, map);
        QFETCH(QByteArray, report);
        QFETCH(bool, valid);
        Period p(QDate(2020, 1, 1));
        p.fromJson(map);
        QCOMPARE(p.isValid(), valid);
        if (!report.isEmpty())
            QVERIFY(logBuffer().contains(report));
    }

    void readsStoredTextsAsThePatternDoes_data()
    {
        QTest::addColumn<QString>("text");
        QTest::addColumn<bool>("valid");
        const auto row = [](const char *name, const QString &text, bool valid) {
            QTest::newRow(name) << text << valid;
        };
        row("plain", "20240305T101500Z", true);
        row("year 1", "00010101T000000Z", true);
        row("year 0", "00000101T000000Z", false);
        row("five-digit year", "123450607T080910Z", true);
        row("nine-digit year", "9999999991231T235959Z", true);
        row("ten-digit year", "99999999991231T235959Z", false);
        row("three-digit year", "9991231T235959Z", false);
        row("last second", "20241231T235959Z", true);
        row("month 13", "20241305T101500Z", false);
        row("month 0", "20240005T101500Z", false);
        row("29 February leap", "20240229T000000Z", true);
        row("29 February", "20230229T000000Z", false);
        row("hour 24", "20240305T240000Z", false);
        row("minute 60", "20240305T106000Z", false);
        row("second 60", "20240305T101560Z", false);
        row("short time", "20240305T10150Z", false);
        row("long time", "20240305T1015000Z", false);
        row("no Z", "20240305T101500", false);
        row("lower z", "20240305T101500z", false);
        row("lower t", "20240305t101500Z", false);
        row("two Z", "20240305T101500ZZ", false);
        row("final line break", "20240305T101500Z\n", true);
        row("final blank", "20240305T101500Z ", false);
        row("leading blank", " 20240305T101500Z", false);
        row("sign", "+2024030T101500Z", false);
        row("minus", "-20240305T101500Z", false);
        row("ISO form", "2024-03-05T10:15:00", false);
        row("empty", "", false);
        row("Z only", "Z", false);
        row("Arabic-Indic year", QStringLiteral("\u0662\u0660\u0662\u0664") + "0305T101500Z", false);
        row("Arabic-Indic hour", QStringLiteral("20240305T\u0660\u0660") + "1500Z", false);
        row("full-width month", QStringLiteral("2024\uff10\uff13") + "05T101500Z", false);
        row("letter in day", "202403O5T101500Z", false);
    }
    void readsStoredTextsAsThePatternDoes()
    {
        QFETCH(QString, text);
        QFETCH(bool, valid);
        QDate date;
        QTime time;
        QCOMPARE(readByPattern(text, &date, &time), valid);
        Period p;
        p.fromJson(QVariantMap{{"version", 1}, {"begin", text}, {"end", text}, {"time", true}});
        QCOMPARE(p.beginDate(), date);
        QCOMPARE(p.beginTime(), time);
        QCOMPARE(p.hasNoEnd(), !valid);
        if (valid)
            QCOMPARE(p.endDateTime(), QDateTime(date, time));
    }

    void timeFalseDropsTimes()
    {
        Period p;
        p.fromJson(QVariantMap{{"version", 1}, {"begin", "20240305T101500Z"}, {"time", false}});
        QVERIFY(!p.hasTime());
        QCOMPARE(p.beginDate(), QDate(2024, 3, 5));
    }

    void comparisonDropsMilliseconds()
    {
        const Period a(QDate(2024, 3, 5), QTime(10, 0, 0, 1));
        const Period b(QDate(2024, 3, 5), QTime(10, 0, 0, 999));
        QCOMPARE(a, b);
        QVERIFY(a != Period(QDate(2024, 3, 5), QTime(10, 0, 1)));
        QVERIFY(a != Period(QDate(2024, 3, 5)));
    }

    void addDaysMovesBothEndsAndRefreshesText()
    {
        const Period p(QDate(2024, 3, 5), QTime(10, 0), QDate(2024, 3, 6), QTime(11, 0));
        QCOMPARE(p.text("yyyy-MM-dd", "hh:mm"), QStringLiteral("2024-03-05 10:00 - 2024-03-06 11:00"));
        const Period moved = p.addDays(7);
        QCOMPARE(moved.beginDate(), QDate(2024, 3, 12));
        QCOMPARE(moved.endDate(), QDate(2024, 3, 13));
        QCOMPARE(moved.beginTime(), QTime(10, 0));
        QCOMPARE(moved.text("yyyy-MM-dd", "hh:mm"), QStringLiteral("2024-03-12 10:00 - 2024-03-13 11:00"));
    }

    void addDaysOnInvalidLogs()
    {
        QVERIFY(!Period().addDays(1).isValid());
        QVERIFY(logBuffer().contains("invalid Period"));
    }

    void textForms_data()
    {
        QTest::addColumn<Period>("period");
        QTest::addColumn<QString>("iso");
        QTest::newRow("day") << Period(QDate(2024, 3, 5)) << "2024-03-05";
        QTest::newRow("timed day") << Period(QDate(2024, 3, 5), QTime(9, 5)) << "2024-03-05 09:05:00";
        QTest::newRow("span") << Period(QDate(2024, 3, 5), QDate(2024, 3, 9)) << "2024-03-05 - 2024-03-09";
        QTest::newRow("timed span") << Period(QDate(2024, 3, 5), QTime(9, 5), QDate(2024, 3, 9), QTime(1, 2))
                                    << "2024-03-05 09:05:00 - 2024-03-09 01:02:00";
        QTest::newRow("invalid") << Period() << "";
    }
    void textForms()
    {
        QFETCH(Period, period);
        QFETCH(QString, iso);
        QCOMPARE(period.text(Qt::ISODate), iso);
    }

    void textMemoFollowsFormat()
    {
        const Period p(QDate(2024, 3, 5));
        QCOMPARE(p.text("yyyy", "hh"), QStringLiteral("2024"));
        QCOMPARE(p.text("dd.MM.", "hh"), QStringLiteral("05.03."));
        QCOMPARE(p.text(Qt::ISODate), QStringLiteral("2024-03-05"));
        QCOMPARE(p.text(Qt::RFC2822Date), QStringLiteral("05 Mar 2024"));
    }

    void textDateUsesProgramLocale()
    {
        const Period p(QDate(2024, 3, 5));
        Common::setAppLocale(QLocale(QLocale::German, QLocale::Germany));
        QCOMPARE(p.text(Qt::TextDate), QStringLiteral("Di. März 5 2024"));
        QCOMPARE(p.text("dddd, d. MMMM", "hh:mm"), QStringLiteral("Dienstag, 5. März"));
        Common::setAppLocale(QLocale::c());
        QCOMPARE(Period(QDate(2024, 3, 5)).text(Qt::TextDate), QStringLiteral("Tue Mar 5 2024"));
    }

    void streamsIsoTexts()
    {
        QByteArray bytes;
        {
            QDataStream out(&bytes, QIODevice::WriteOnly);
            out << Period(QDate(2024, 3, 5), QTime(10, 0), QDate(2024, 3, 6), QTime(11, 0));
        }
        QDataStream in(bytes);
        QString begin, end;
        char *dash = nullptr;
        in >> begin >> dash >> end;
        QCOMPARE(begin, QStringLiteral("2024-03-05T10:00:00"));
        QCOMPARE(QByteArray(dash), QByteArray(" - "));
        QCOMPARE(end, QStringLiteral("2024-03-06T11:00:00"));
        delete[] dash;
    }

    // 31 March 2024, 02:00-03:00 does not exist in Berlin; a QDateTime there is invalid.
    void keepsTimeInsideDaylightSavingGap()
    {
        TestHelpers::ScopedTimeZone tz("Europe/Berlin");
        const Period p(QDate(2024, 3, 31), QTime(2, 30), QDate(2024, 3, 31), QTime(3, 30));
        const QVariantMap map = p.toJson().toMap();
        QCOMPARE(map.value("begin").toString(), QStringLiteral("20240331T023000Z"));
        Period back;
        back.fromJson(map);
        QVERIFY(back.isValid());
        QCOMPARE(back, p);
        QCOMPARE(back.beginTime(), QTime(2, 30));
        QCOMPARE(back.text(Qt::ISODate), QStringLiteral("2024-03-31 02:30:00 - 2024-03-31 03:30:00"));
        QVERIFY(back.lengthInMSecs() >= 0);
    }
};

QTEST_GUILESS_MAIN(TestPeriod)
#include "tst_period.moc"
