#include "core/log.h"
#include "events/occurrence.h"
#include "events/occurrencerules.h"
#include "testhelpers.h"

#include <QRandomGenerator>
#include <QtTest>

#include <libical/ical.h>

// Checks our recurrence arithmetic against libical's expansion of the equivalent RRULE, for the
// rules that RFC 5545 expresses the same way. Left out by design: the fifth weekday of a month
// that stands for "the last one" when a month has only four (RFC 5545 skips such months).
namespace {

const char *const s_dayNames[] = {"MO", "TU", "WE", "TH", "FR", "SA", "SU"};

struct Case
{
    QString rrule;
    QDate start;
    Occurrence occurrence{QDate(), IOccurrence::Once};
};

QList<QDate> libicalDates(const QString &rrule, const QDate &start, const QDate &end)
{
    QList<QDate> result;
    const icalrecurrencetype recur = icalrecurrencetype_from_string(rrule.toLatin1().constData());
    const icaltimetype dtstart =
        icaltime_from_string(start.toString(QStringLiteral("yyyyMMdd")).toLatin1().constData());
    icalrecur_iterator *it = icalrecur_iterator_new(recur, dtstart);
    if (!it)
        return result;
    for (icaltimetype t = icalrecur_iterator_next(it); !icaltime_is_null_time(t); t = icalrecur_iterator_next(it)) {
        const QDate date(t.year, t.month, t.day);
        if (date > end)
            break;
        result.append(date);
    }
    icalrecur_iterator_free(it);
    return result;
}

Case randomCase(QRandomGenerator &random)
{
    Case c;
    c.start = QDate(1990, 1, 1).addDays(random.bounded(40 * 365));
    const int step = 1 + random.bounded(random.bounded(4) == 0 ? 12 : 3);
    const int kind = random.bounded(5);
    QString rule;
    switch (kind) {
    case 0: {
        c.occurrence = Occurrence(c.start, IOccurrence::Daily);
        rule = QStringLiteral("FREQ=DAILY");
        break;
    }
    case 1: {
        c.occurrence = Occurrence(c.start, IOccurrence::Weekly);
        auto *weekly = static_cast<OccurrenceWeekly *>(c.occurrence.rule());
        int days = weekly->days() | random.bounded(128);
        weekly->setDays(days);
        QStringList names;
        for (int d = 0; d < 7; ++d) {
            if (days & (1 << d))
                names.append(QLatin1String(s_dayNames[d]));
        }
        rule = QStringLiteral("FREQ=WEEKLY;WKST=MO;BYDAY=") + names.join(QLatin1Char(','));
        break;
    }
    case 2: {
        // Late days of the month too, so that short months are skipped.
        if (random.bounded(3) == 0)
            c.start = QDate(c.start.year(), c.start.month(), 28 + random.bounded(4));
        c.start = c.start.isValid() ? c.start : QDate(2000, 1, 31);
        c.occurrence = Occurrence(c.start, IOccurrence::Monthly);
        rule = QStringLiteral("FREQ=MONTHLY");
        break;
    }
    case 3: {
        while (OccurrenceMonthly::dayOfWeekNumberInMonth(c.start) > 4)
            c.start = c.start.addDays(-7);
        c.occurrence = Occurrence(c.start, IOccurrence::Monthly);
        static_cast<OccurrenceMonthly *>(c.occurrence.rule())->setMode(OccurrenceMonthly::WeekdayOfMonth);
        rule = QStringLiteral("FREQ=MONTHLY;BYDAY=%1%2")
                   .arg(OccurrenceMonthly::dayOfWeekNumberInMonth(c.start))
                   .arg(QLatin1String(s_dayNames[c.start.dayOfWeek() - 1]));
        break;
    }
    default: {
        if (random.bounded(4) == 0)
            c.start = QDate(4 * (498 + random.bounded(10)), 2, 29);
        c.occurrence = Occurrence(c.start, IOccurrence::Yearly);
        rule = QStringLiteral("FREQ=YEARLY");
        break;
    }
    }
    c.occurrence.setStep(step);
    rule += QStringLiteral(";INTERVAL=%1").arg(step);
    if (random.bounded(4) == 0) {
        const QDate until = c.start.addDays(random.bounded(3 * 365));
        static_cast<AbstractMultipleOccurence *>(c.occurrence.rule())->setEndDate(until);
        rule += QStringLiteral(";UNTIL=") + until.toString(QStringLiteral("yyyyMMdd"));
    }
    c.rrule = rule;
    return c;
}

} // namespace

class TestRecurrenceLibical : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase() { TestHelpers::isolateEnvironment(); }

    void agreesWithLibical()
    {
        QRandomGenerator random(20261207);
        for (int i = 0; i < 3000; ++i) {
            const Case c = randomCase(random);
            const QDate end = c.start.addYears(10);
            const QList<QDate> ours = c.occurrence.occurrences(c.start, end);
            const QList<QDate> theirs = libicalDates(c.rrule, c.start, end);
            QVERIFY(!theirs.isEmpty());
            QByteArray what = c.rrule.toLatin1() + " from " + c.start.toString(Qt::ISODate).toLatin1();
            for (int k = 0; k < qMax(ours.size(), theirs.size()); ++k) {
                if (ours.value(k) != theirs.value(k)) {
                    what += " differ at " + QByteArray::number(k) + ": ours " +
                            ours.value(k).toString(Qt::ISODate).toLatin1() + ", libical's " +
                            theirs.value(k).toString(Qt::ISODate).toLatin1();
                    break;
                }
            }
            QVERIFY2(ours == theirs, what.constData());

            // The importer reads the same rule into the same settings.
            QVERIFY2(Occurrence::fromRRule(c.start, c.rrule) == c.occurrence, what.constData());

            // Next dates from random days agree with the expansion.
            for (int probe = 0; probe < 5; ++probe) {
                const QDate from = c.start.addDays(random.bounded(-30, 3650));
                const auto it = std::lower_bound(theirs.begin(), theirs.end(), from);
                const QDate expected = it == theirs.end() ? QDate() : *it;
                if (expected.isValid())
                    QVERIFY2(c.occurrence.nextDate(from) == expected, what.constData());
            }
        }
        QVERIFY2(logBuffer().isEmpty(), logBuffer().constData());
    }
};

QTEST_GUILESS_MAIN(TestRecurrenceLibical)
#include "tst_recurrencelibical.moc"
