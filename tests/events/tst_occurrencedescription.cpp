#include "core/applocale.h"
#include "core/log.h"
#include "occurrencetesthelpers.h"
#include "testhelpers.h"

#include <QtTest>

using namespace OccurrenceTestHelpers;

class TestOccurrenceDescription : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase() { TestHelpers::isolateEnvironment(); }
    void init() { Common::clearLogBuffer(); }
    void cleanup() { Common::setAppLocale(QLocale::c()); }

    void descriptions_data()
    {
        QTest::addColumn<QString>("locale");
        QTest::addColumn<QString>("text");
        QTest::addColumn<QVariant>("rule");
        auto row = [](const char *name, const char *locale, const char *text, const Occurrence &o) {
            QTest::newRow(name) << QString::fromLatin1(locale) << QString::fromUtf8(text)
                                << QVariant::fromValue(new Occurrence(o));
        };
        const QDate dec31(2025, 12, 31);
        row("once", "C", "Once", make(IOccurrence::Once, QDate(2024, 1, 3)));
        row("daily", "C", "Daily", make(IOccurrence::Daily, QDate(2024, 1, 3)));
        row("daily 3 till", "de_DE", "Every 3 days till 31.12.25",
            make(IOccurrence::Daily, QDate(2024, 1, 3), 3, dec31));
        row("weekdays", "C", "Weekly on weekdays",
            withDays(make(IOccurrence::Weekly, QDate(2024, 1, 3)), {1, 2, 4, 5}));
        row("mon-sat", "C", "Weekly on Monday, Tuesday, Wednesday, Thursday, Friday, Saturday",
            withDays(make(IOccurrence::Weekly, QDate(2024, 1, 3)), {1, 2, 4, 5, 6}));
        row("weekly german", "de_DE", "Every 2 weeks on Monday, Wednesday, Thursday till 31.12.25",
            withDays(make(IOccurrence::Weekly, QDate(2024, 1, 3), 2, dec31), {1, 4}));
        row("weekly french", "fr_FR", "Weekly on Wednesday, Sunday",
            withDays(make(IOccurrence::Weekly, QDate(2024, 1, 3)), {7}));
        row("monthly day", "C", "Monthly on the day 15", make(IOccurrence::Monthly, QDate(2024, 1, 15)));
        row("monthly last friday", "C", "Every 2 months on the last Friday",
            byWeekday(make(IOccurrence::Monthly, QDate(2024, 3, 29), 2), 5));
        row("monthly 2 tuesday", "C", "Monthly on the 2 Tuesday",
            byWeekday(make(IOccurrence::Monthly, QDate(2024, 2, 13))));
        row("monthly german", "de_DE", "Monthly on the 2 Tuesday till 31.12.25",
            byWeekday(make(IOccurrence::Monthly, QDate(2024, 2, 13), 1, dec31)));
        row("yearly date", "C", "Annually on the March 5", make(IOccurrence::Yearly, QDate(2024, 3, 5)));
        row("yearly date german", "de_DE", "Every 4 years on the March 5 till 31.12.25",
            make(IOccurrence::Yearly, QDate(2024, 3, 5), 4, dec31));
        row("yearly last friday", "C", "Annually on the last Friday of March",
            byWeekday(make(IOccurrence::Yearly, QDate(2024, 3, 29)), 5));
        row("yearly russian", "ru_RU", "Annually on the 3 Friday of March till 31.12.2025",
            byWeekday(make(IOccurrence::Yearly, QDate(2024, 3, 15), 1, dec31)));
    }
    void descriptions()
    {
        QFETCH(QString, locale);
        QFETCH(QString, text);
        QFETCH(QVariant, rule);
        std::unique_ptr<Occurrence> o(rule.value<Occurrence *>());
        Common::setAppLocale(QLocale(locale));
        QCOMPARE(o->description(), text);
        QVERIFY2(logBuffer().isEmpty(), logBuffer().constData());
    }

    void unknownTagIsReportedAndDropped()
    {
        TestHelpers::expectFailedChecks();
        OccurrenceYearly rule(QDate(2024, 3, 5));
        QCOMPARE(rule.decodeTag("{NOSUCHTAG}", 1), QString());
        QVERIFY(logBuffer().contains("!\"unknown tag\""));
        QCOMPARE(rule.decodeTag("{THE}", 1), QStringLiteral("the "));
        QCOMPARE(rule.decodeTag("{WEEKNUMBER}", 5), QStringLiteral("last"));
    }
};

QTEST_GUILESS_MAIN(TestOccurrenceDescription)
#include "tst_occurrencedescription.moc"
