#include "core/dateconversions.h"
#include "dateforms.h"
#include "testhelpers.h"

#include <QRandomGenerator>
#include <QtTest>

class TestDateConversions : public QObject
{
    Q_OBJECT

private slots:
    void dateFromMap_data()
    {
        QTest::addColumn<QVariant>("value");
        QTest::addColumn<QDate>("expected");
        auto map = [](const QVariant &y, const QVariant &m, const QVariant &d) {
            return QVariant(QVariantMap{{"year", y}, {"month", m}, {"day", d}});
        };
        QTest::newRow("leap day") << map(2012, 2, 29) << QDate(2012, 2, 29);
        QTest::newRow("no leap day") << map(2011, 2, 29) << QDate();
        QTest::newRow("numbers as text") << map("2012", "2", "29") << QDate(2012, 2, 29);
        QTest::newRow("month 13") << map(2012, 13, 1) << QDate();
        QTest::newRow("year 0") << map(0, 1, 1) << QDate();
        QTest::newRow("empty map") << QVariant(QVariantMap()) << QDate();
        QTest::newRow("missing day") << QVariant(QVariantMap{{"year", 2012}, {"month", 2}}) << QDate();
        QTest::newRow("not a map") << QVariant(QStringLiteral("2012-02-29")) << QDate();
        QTest::newRow("null") << QVariant() << QDate();
    }

    void dateFromMap()
    {
        QFETCH(QVariant, value);
        QFETCH(QDate, expected);
        const QDate date = ::dateFromMap(value);
        QCOMPARE(date, expected);
        QCOMPARE(date.isValid(), expected.isValid());
    }

    void dateToVariantWritesIsoText()
    {
        const QVariant value = dateToVariant(QDate(2013, 3, 5));
        QCOMPARE(value.typeId(), QMetaType::QString);
        QCOMPARE(value.toString(), QStringLiteral("2013-03-05"));
        QCOMPARE(::dateFromVariant(value), QDate(2013, 3, 5));

        const QVariant invalid = dateToVariant(QDate());
        QCOMPARE(invalid.typeId(), QMetaType::QString);
        QVERIFY(invalid.toString().isEmpty());
    }

    void dateFromVariant_data()
    {
        QTest::addColumn<QVariant>("value");
        QTest::addColumn<QDate>("expected");
        QTest::newRow("iso") << QVariant("2013-03-05") << QDate(2013, 3, 5);
        QTest::newRow("no such day") << QVariant("2013-02-30") << QDate();
        QTest::newRow("other format") << QVariant("05.03.2013") << QDate();
        QTest::newRow("garbage") << QVariant("tomorrow") << QDate();
        QTest::newRow("empty") << QVariant("") << QDate();
        QTest::newRow("null") << QVariant() << QDate();
    }

    void dateFromVariant()
    {
        QFETCH(QVariant, value);
        QFETCH(QDate, expected);
        const QDate date = ::dateFromVariant(value);
        QCOMPARE(date, expected);
        QCOMPARE(date.isValid(), expected.isValid());
    }

    void dateTimeToVariantDropsMilliseconds()
    {
        const QDateTime local(QDate(2013, 3, 5), QTime(7, 8, 9, 500));
        const QVariant value = dateTimeToVariant(local);
        QCOMPARE(value.toString(), QStringLiteral("2013-03-05T07:08:09"));
        const QDateTime back = dateTimeFromVariant(value);
        QCOMPARE(back, QDateTime(QDate(2013, 3, 5), QTime(7, 8, 9)));
        QCOMPARE(back.timeSpec(), Qt::LocalTime);

        const QDateTime utc(QDate(2013, 3, 5), QTime(7, 8, 9), Qt::UTC);
        QCOMPARE(dateTimeToVariant(utc).toString(), QStringLiteral("2013-03-05T07:08:09Z"));
        QCOMPARE(dateTimeFromVariant(QStringLiteral("2013-03-05T07:08:09Z")), utc);

        QVERIFY(dateTimeToVariant(QDateTime()).toString().isEmpty());
    }

    // The stored form is read without the general parser; it must give exactly what that parser gives.
    void dateTimeFromVariantAgreesWithIsoParser_data()
    {
        QTest::addColumn<QString>("text");
        QTest::newRow("stored form") << QStringLiteral("2013-03-05T07:08:09");
        QTest::newRow("midnight") << QStringLiteral("2013-03-05T00:00:00");
        QTest::newRow("last second") << QStringLiteral("1999-12-31T23:59:59");
        QTest::newRow("leap day") << QStringLiteral("2024-02-29T12:00:00");
        QTest::newRow("not a leap day") << QStringLiteral("2023-02-29T12:00:00");
        QTest::newRow("24:00 is the next day") << QStringLiteral("2013-03-05T24:00:00");
        QTest::newRow("minute 60") << QStringLiteral("2013-03-05T07:60:00");
        QTest::newRow("second 60") << QStringLiteral("2013-03-05T07:08:60");
        QTest::newRow("month 13") << QStringLiteral("2013-13-05T07:08:09");
        QTest::newRow("sign in a field") << QStringLiteral("2013-03-05T-7:08:09");
        QTest::newRow("letters in a field") << QStringLiteral("2013-03-05T07:0x:09");
        QTest::newRow("year 0001") << QStringLiteral("0001-01-01T01:02:03");
        QTest::newRow("year 0000") << QStringLiteral("0000-01-01T01:02:03");
        QTest::newRow("letters in the year") << QStringLiteral("abcd-01-01T01:02:03");
        QTest::newRow("space for T") << QStringLiteral("2013-03-05 07:08:09");
        QTest::newRow("with milliseconds") << QStringLiteral("2013-03-05T07:08:09.250");
        QTest::newRow("with offset") << QStringLiteral("2013-03-05T07:08:09+02:00");
        QTest::newRow("date only") << QStringLiteral("2013-03-05");
        QTest::newRow("no seconds") << QStringLiteral("2013-03-05T07:08");
        QTest::newRow("spring-forward gap, Europe") << QStringLiteral("2021-03-28T02:30:00");
        QTest::newRow("fall-back overlap, Europe") << QStringLiteral("2021-10-31T02:30:00");
    }

    void dateTimeFromVariantAgreesWithIsoParser()
    {
        // The gap and overlap rows need a zone that has them.
        TestHelpers::ScopedTimeZone zone("Europe/Berlin");
        QFETCH(QString, text);
        const QDateTime expected = QDateTime::fromString(text, Qt::ISODate);
        const QDateTime read = dateTimeFromVariant(text);
        QCOMPARE(read.isValid(), expected.isValid());
        QCOMPARE(read, expected);
        QCOMPARE(read.timeSpec(), expected.timeSpec());
        QCOMPARE(read.toMSecsSinceEpoch(), expected.toMSecsSinceEpoch());
    }

    void dateTimeFromVariantRejectsInvalid_data()
    {
        QTest::addColumn<QVariant>("value");
        QTest::newRow("garbage") << QVariant("yesterday noon");
        QTest::newRow("bad hour") << QVariant("2013-03-05T25:00:00");
        QTest::newRow("bad day") << QVariant("2013-02-30T07:08:09");
        QTest::newRow("empty") << QVariant("");
        QTest::newRow("null") << QVariant();
    }

    void dateTimeFromVariantRejectsInvalid()
    {
        QFETCH(QVariant, value);
        QVERIFY(!dateTimeFromVariant(value).isValid());
    }

    // 2026: Berlin reads 02:00-02:59 twice on 25 October (the first pass wins), skips it on 29 March.
    void localDateTimeTakesTheFirstPassOfARepeatedHour_data()
    {
        QTest::addColumn<QDateTime>("reading");
        QTest::addColumn<QDateTime>("utc");
        QTest::addColumn<QByteArray>("zone");
        const QByteArray berlin("Europe/Berlin");
        QTest::newRow("autumn, 02:30") << QDateTime(QDate(2026, 10, 25), QTime(2, 30))
                                       << QDateTime(QDate(2026, 10, 25), QTime(0, 30), Qt::UTC) << berlin;
        QTest::newRow("autumn, 03:00") << QDateTime(QDate(2026, 10, 25), QTime(3, 0))
                                       << QDateTime(QDate(2026, 10, 25), QTime(2, 0), Qt::UTC) << berlin;
        QTest::newRow("spring, skipped: 03:30") << QDateTime(QDate(2026, 3, 29), QTime(2, 30))
                                                << QDateTime(QDate(2026, 3, 29), QTime(1, 30), Qt::UTC) << berlin;
        QTest::newRow("half-hour gap: 02:45")
            << QDateTime(QDate(2026, 10, 4), QTime(2, 15)) << QDateTime(QDate(2026, 10, 3), QTime(15, 45), Qt::UTC)
            << QByteArray("Australia/Lord_Howe");
    }

    void localDateTimeTakesTheFirstPassOfARepeatedHour()
    {
        QFETCH(QDateTime, reading);
        QFETCH(QDateTime, utc);
        QFETCH(QByteArray, zone);
        TestHelpers::ScopedTimeZone scoped(zone.constData());
        // Qt's pass follows the offset of the last local conversion; the answer must not.
        for (const int warm : {-1, 1}) {
            (void)QDateTime(reading.date().addDays(warm), QTime(12, 0)).offsetFromUtc();
            const QDateTime local = localDateTime(reading.date(), reading.time());
            QCOMPARE(local.toUTC(), utc);
        }
    }

    // Both passes of a repeated hour (the last conversion picks one), skipped readings, old years.
    void localEpochMSecsAgreesWithQDateTime_data()
    {
        QTest::addColumn<QByteArray>("zone");
        QTest::addColumn<QDateTime>("reading");
        QTest::newRow("autumn, 02:30") << QByteArray("Europe/Berlin") << QDateTime(QDate(2026, 10, 25), QTime(2, 30));
        QTest::newRow("midnight skipped")
            << QByteArray("America/Santiago") << QDateTime(QDate(2026, 9, 6), QTime(0, 0));
        QTest::newRow("before 1970") << QByteArray("Europe/Berlin") << QDateTime(QDate(1960, 5, 1), QTime(9, 0));
        QTest::newRow("day after the change")
            << QByteArray("Europe/Berlin") << QDateTime(QDate(2026, 10, 26), QTime(1, 0));
        QTest::newRow("day before a midnight gap")
            << QByteArray("America/Santiago") << QDateTime(QDate(2026, 9, 5), QTime(23, 30));
    }

    void localEpochMSecsAgreesWithQDateTime()
    {
        QFETCH(QByteArray, zone);
        QFETCH(QDateTime, reading);
        TestHelpers::ScopedTimeZone scoped(zone.constData());
        for (const int warm : {-1, 1}) {
            (void)QDateTime(reading.date().addDays(warm), QTime(12, 0)).offsetFromUtc();
            const std::optional<qint64> ours = localEpochMSecs(reading.date(), reading.time());
            (void)QDateTime(reading.date().addDays(warm), QTime(12, 0)).offsetFromUtc();
            const QDateTime qt(reading.date(), reading.time());
            QCOMPARE(ours, qt.isValid() ? std::optional<qint64>(qt.toMSecsSinceEpoch()) : std::nullopt);
            // A cache holding the day gives what a conversion then gives (a repeated hour goes by the last).
            LocalEpochCache cache;
            (void)cache.epochMSecs(reading.date(), QTime(12, 0));
            const std::optional<qint64> cached = cache.epochMSecs(reading.date(), reading.time());
            QCOMPARE(cached, localEpochMSecs(reading.date(), reading.time()));
        }
    }

    // The day before clocks go forward at midnight, and Berlin's day before its change at 02:00.
    void dayLimitIsASecondIntoTheNextDay_data()
    {
        QTest::addColumn<QDate>("today");
        QTest::addColumn<QDateTime>("utc");
        QTest::newRow("Asia/Beirut") << QDate(2026, 3, 28) << QDateTime(QDate(2026, 3, 28), QTime(22, 0, 1), Qt::UTC);
        QTest::newRow("America/Havana") << QDate(2026, 3, 7) << QDateTime(QDate(2026, 3, 8), QTime(5, 0, 1), Qt::UTC);
        QTest::newRow("Africa/Cairo") << QDate(2026, 4, 23) << QDateTime(QDate(2026, 4, 23), QTime(22, 0, 1), Qt::UTC);
        QTest::newRow("America/Santiago") << QDate(2026, 9, 5) << QDateTime(QDate(2026, 9, 6), QTime(4, 0, 1), Qt::UTC);
        QTest::newRow("Europe/Berlin") << QDate(2026, 3, 28) << QDateTime(QDate(2026, 3, 28), QTime(23, 0, 1), Qt::UTC);
        // 30 December 2011 was skipped there: 31 December began where the 29th ended.
        QTest::newRow("Pacific/Apia") << QDate(2011, 12, 29)
                                      << QDateTime(QDate(2011, 12, 30), QTime(10, 0, 1), Qt::UTC);
    }

    void dayLimitIsASecondIntoTheNextDay()
    {
        QFETCH(QDate, today);
        QFETCH(QDateTime, utc);
        TestHelpers::ScopedTimeZone zone(QTest::currentDataTag());
        QCOMPARE(dayLimit(today).toUTC(), utc);
    }

    void typedDate_data()
    {
        QTest::addColumn<QString>("locale");
        QTest::addColumn<QString>("text");
        QTest::addColumn<QDate>("expected"); // none: refused; the field shows a day in 2026
        const QDate march(2027, 3, 15), thisMarch(2026, 3, 15);
        const auto row = [](const char *locale, const char *text, QDate expected) {
            QTest::newRow(qPrintable(QStringLiteral("%1 %2").arg(locale, text))) << locale << text << expected;
        };
        // A day and a month without a year, in the year shown.
        row("sv_SE", "15/3", thisMarch);
        row("hu_HU", "márc. 15.", thisMarch);
        row("ja_JP", "3月15日", thisMarch);
        // Two numbers by a month's name: in the order of the locale's long form for its own names.
        row("sv_SE", "15 mars 27", march);
        row("sv_SE", "15 March 27", march);
        row("sv_SE", "15/3-27", march);
        row("hu_HU", "márc. 15., 27", march);
        row("hu_HU", "2027. március 15.", march);
        row("ja_JP", "Mar 15, 27", march);
        row("ja_JP", "15 Mar 27", QDate()); // 2015-03-27 or 2027-03-15: said so
        row("en_US", "2027 Mar 15", march);
        // Forms the locale writes itself.
        row("ru_RU", "15 марта 2027 г.", march);
        row("ja_JP", "2027年3月15日月曜日", march);
        row("zh_CN", "2027年3月15日星期一", march);
        row("ko_KR", "2027년 3월 15일 월요일", march);
        row("en_US", "March 15th, 2027", march);
        row("en_GB", "15th March 2027", march);
        row("fr_FR", "1er mars 2027", QDate(2027, 3, 1));
        row("sv_SE", "den 15 mars 2027", march);
        row("de_DE", "15. Mrz. 2027", march);
        row("fr_FR", "mar. 16 mars 2027", QDate(2027, 3, 16));
    }

    void typedDate()
    {
        QFETCH(QString, locale);
        QFETCH(QString, text);
        QFETCH(QDate, expected);
        const QLocale typedIn(locale);
        bool ambiguous = false;
        QCOMPARE(dateFromTypedText(text, typedIn.dateFormat(QLocale::ShortFormat), typedIn, 2026, &ambiguous),
                 expected);
        QCOMPARE(ambiguous, text == QStringLiteral("15 Mar 27"));
    }

    // Dates in every form their locale writes are read as written or refused, never as another date.
    // QR_DATE_ROUNDS multiplies the 200 dates a locale.
    void typedDateInEveryForm()
    {
        QRandomGenerator random(20261210);
        const int rounds = 200 * qMax(1, qEnvironmentVariableIntValue("QR_DATE_ROUNDS"));
        const int shownYear = 2026;
        int read = 0, refused = 0;
        for (const char *name : DateForms::locales) {
            const QLocale locale(name);
            const QString format = locale.dateFormat(QLocale::ShortFormat);
            for (int round = 0; round < rounds; ++round) {
                const int year = random.bounded(1950, 2100), month = random.bounded(1, 13), day = random.bounded(1, 32);
                for (const DateForms::Form &form : DateForms::forms) {
                    const QDate written(form.yearDigits == 0 ? shownYear : year, month, day);
                    if (!written.isValid())
                        continue;
                    const QDate meant(form.yearDigits == 2 ? yearNearToday(year % 100) : written.year(), month, day);
                    const QString text = DateForms::written(form, locale, written);
                    const QDate date = dateFromTypedText(text, format, locale, shownYear);
                    if (date.isValid() && date != meant)
                        QFAIL(qPrintable(
                            QStringLiteral("%1 \"%2\" (%3): read %4, meant %5")
                                .arg(name, text, form.name, date.toString(Qt::ISODate), meant.toString(Qt::ISODate))));
                    ++(date.isValid() ? read : refused);
                }
            }
        }
        qInfo("%d read, %d refused", read, refused);
    }

    void dropSecondsKeepsDateAndSpec()
    {
        const QDateTime local(QDate(2013, 3, 5), QTime(7, 8, 59, 999));
        const QDateTime cut = dropSeconds(local);
        QCOMPARE(cut.date(), QDate(2013, 3, 5));
        QCOMPARE(cut.time(), QTime(7, 8, 0, 0));
        QCOMPARE(cut.timeSpec(), Qt::LocalTime);

        const QDateTime utc(QDate(2013, 12, 31), QTime(23, 59, 30), Qt::UTC);
        QCOMPARE(dropSeconds(utc), QDateTime(QDate(2013, 12, 31), QTime(23, 59), Qt::UTC));
        QVERIFY(!dropSeconds(QDateTime()).isValid());
    }
};

QTEST_GUILESS_MAIN(TestDateConversions)
#include "tst_dateconversions.moc"
