#include "diagnostics/tests.h"

#include "core/clock.h"
#include "core/iapplication.h"
#include "core/log.h"
#include "core/simpleparser.h"
#include "core/version.h"
#include "events/occurrence.h"
#include "events/occurrencerules.h"
#include "events/period.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QLatin1String>

using AppVersion = Version;

QStringList Tests::s_testOutput;
bool Tests::s_testPassed = false;
bool Tests::s_allTestsPassed = true;
QByteArray Tests::s_testDataPath = "../Ostrevalder/tests/";
int Tests::s_nDays = 0;
const QByteArray Tests::s_settingsPrefix = "SelfCheck";

namespace TestsPrivate {

const QString textToParse = QStringLiteral("<[1]>{1}<[2]>2<\\d\\d?>Other");

} // namespace TestsPrivate

using namespace TestsPrivate;

Tests::Tests() : UndoProxy(IApplication::instance()->undoObject()) {}

const QList<Tests::NamedRoutine> &Tests::routines()
{
    static const QList<NamedRoutine> s_routines{
        {"testAppVersion", &Tests::testAppVersion},
        {"testSimpleParser", &Tests::testSimpleParser},
        {"testSimpleParserFromFile", &Tests::testSimpleParserFromFile},
        {"testPeriod", &Tests::testPeriod},
        {"testBackCompartability", &Tests::testBackCompartability},
        {"testOccurrence", &Tests::testOccurrence},
        {"testBackup", &Tests::testBackup},
        {"testTypesTree", &Tests::testTypesTree},
        {"testImportCsv", &Tests::testImportCsv},
    };
    return s_routines;
}

bool Tests::runOne(Routine routine)
{
    s_testPassed = true;
    (this->*routine)();
    s_allTestsPassed = s_allTestsPassed && s_testPassed;
    return s_testPassed;
}

void Tests::run()
{
    s_testOutput.clear();
    for (const NamedRoutine &item : routines()) {
        const QString verdict = runOne(item.routine) ? QStringLiteral("PASSED") : QStringLiteral("NOT PASSED");
        qDebug() << "Test: " << item.name << verdict;
        s_testOutput << QStringLiteral("Test: ") << QLatin1String(item.name) << verdict;
    }
    stringListToFile(s_testDataPath + "tests.txt", s_testOutput);
}

void Tests::recordFailure(const QStringList &entries)
{
    qWarning().noquote() << entries.join(QLatin1Char(' '));
    s_testOutput << entries;
    s_testPassed = false;
}

void Tests::checkExpressionImpl(bool condition, const char *text)
{
    if (!condition)
        recordFailure({QStringLiteral("Error in expression:"), QString::fromLatin1(text)});
}

QString Tests::decodeTag(const QString &tag, int)
{
    if (tag == QLatin1String("{1}"))
        return QStringLiteral("One");
    if (tag == QLatin1String("{NDAYS}"))
        return QString::number(s_nDays);
    return QString();
}

void stringListToFile(const QByteArray &fileName, const QStringList &list)
{
    QFile file(QString::fromUtf8(fileName));
    if (!file.open(QIODevice::WriteOnly | QIODevice::Truncate)) {
        QR_ASSERT(!"Can't open file");
        return;
    }
    file.write(list.join(QLatin1Char('\r')).toLatin1());
}

QStringList stringListFromFile(const QByteArray &fileName)
{
    QFile file(QString::fromUtf8(fileName));
    if (!file.open(QIODevice::ReadOnly))
        return QStringList();
    return QString::fromLatin1(file.readAll()).split(QLatin1Char('\r'), Qt::KeepEmptyParts);
}

void compareLists(const QStringList &list1, const QStringList &list2)
{
    // A missing or short master must fail the check, not only report.
    QR_ASSERT(list1.count() == list2.count());
    if (list1.count() != list2.count())
        Tests::recordFailure(
            {QStringLiteral("Error: list lengths differ: %1 and %2").arg(list1.count()).arg(list2.count())});
    const qsizetype common = qMin(list1.count(), list2.count());
    for (qsizetype i = 0; i < common; ++i)
        Tests::checkEqualImpl(list1.at(i), list2.at(i));
}

QTextStream &operator<<(QTextStream &stream, const QDate &date)
{
    return stream << date.toString(QStringLiteral("dd.MM.yyyy")) << ' ';
}

QTextStream &operator<<(QTextStream &stream, const QTime &time)
{
    return stream << time.toString(Qt::TextDate) << ' ';
}

QTextStream &operator<<(QTextStream &stream, const QList<QDate> &dates)
{
    for (const QDate &date : dates)
        stream << date;
    return stream;
}

QTextStream &operator<<(QTextStream &stream, const QStringList &list)
{
    return stream << list.join(QLatin1Char(' '));
}

void Tests::testAppVersion()
{
    checkExpression(AppVersion(QLatin1String("1.0")) < AppVersion(QLatin1String("2.0")));
    checkExpression(!(AppVersion(QLatin1String("2.0")) < AppVersion(QLatin1String("1.0"))));
    checkExpression(AppVersion(QLatin1String("1.0a")) < AppVersion(QLatin1String("1.0")));
    checkExpression(!(AppVersion(QLatin1String("1.0")) < AppVersion(QLatin1String("1.0a"))));
    checkExpression(AppVersion(QLatin1String("1.0b")) < AppVersion(QLatin1String("1.0")));
    checkExpression(!(AppVersion(QLatin1String("1.0")) < AppVersion(QLatin1String("1.0b"))));
    checkExpression(AppVersion(QLatin1String("1.0.0.1a")) < AppVersion(QLatin1String("1.0.0.1b")));
    checkExpression(!(AppVersion(QLatin1String("1.0.0.1b")) < AppVersion(QLatin1String("1.0.0.1a"))));
    checkExpression(AppVersion(QLatin1String("1.0.0.1")) < AppVersion(QLatin1String("1.0.0.2")));
    checkExpression(!(AppVersion(QLatin1String("1.0.0.2")) < AppVersion(QLatin1String("1.0.0.1"))));
    checkExpression(AppVersion(QLatin1String("1.0.0.1")) < AppVersion(QLatin1String("1.0.1.0")));
    checkExpression(!(AppVersion(QLatin1String("1.0.1.0")) < AppVersion(QLatin1String("1.0.0.1"))));
    checkExpression(AppVersion(QLatin1String("1.1.0.0")) < AppVersion(QLatin1String("1.2.0.0")));
    checkExpression(!(AppVersion(QLatin1String("1.2.0.0")) < AppVersion(QLatin1String("1.1.0.0"))));
    checkExpression(AppVersion(QLatin1String("12.1.0.0")) < AppVersion(QLatin1String("21.2.0.0")));
    checkExpression(!(AppVersion(QLatin1String("21.2.0.0")) < AppVersion(QLatin1String("12.1.0.0"))));
    checkExpression(AppVersion(QLatin1String("2.1.0.0")) < AppVersion(QLatin1String("11.2.0.0")));
    checkExpression(!(AppVersion(QLatin1String("11.2.0.0")) < AppVersion(QLatin1String("2.1.0.0"))));
    checkExpression(AppVersion(QLatin1String("11.11.11.1234")) < AppVersion(QLatin1String("11.11.11.1235")));
    checkExpression(!(AppVersion(QLatin1String("11.11.11.1235")) < AppVersion(QLatin1String("11.11.11.1234"))));
    checkExpression(AppVersion(QLatin1String("11.11.11.1234")) < AppVersion(QLatin1String("11.11.12.1234")));
    checkExpression(!(AppVersion(QLatin1String("11.11.12.1234")) < AppVersion(QLatin1String("11.11.11.1234"))));
    checkExpression(AppVersion(QLatin1String("11.11.11.1234")) < AppVersion(QLatin1String("11.12.11.1234")));
    checkExpression(!(AppVersion(QLatin1String("11.12.11.1234")) < AppVersion(QLatin1String("11.11.11.1234"))));
    checkExpression(AppVersion(QLatin1String("11.11.11.1234")) < AppVersion(QLatin1String("11.12.12.0")));
    checkExpression(!(AppVersion(QLatin1String("11.12.12.0")) < AppVersion(QLatin1String("11.11.11.1234"))));
    checkExpression(!(AppVersion(QLatin1String("2.1.4")) > AppVersion(QLatin1String("2.1.4"))));
    checkExpression(!(AppVersion(QLatin1String("2.1.4")) < AppVersion(QLatin1String("2.1.4"))));
}

void Tests::testSimpleParser()
{
    SimpleParser parser(this);
    checkEqual(parser.parse(textToParse, 0), QStringLiteral("Other"));
    checkEqual(parser.parse(textToParse, 1), QStringLiteral("One"));
    checkEqual(parser.parse(textToParse, 2), QStringLiteral("2"));
    for (int i = 3; i <= 99; ++i)
        checkEqual(parser.parse(textToParse, i), QStringLiteral("Other"));
    checkExpression(parser.parse(textToParse, 100) != QLatin1String("Other"));
}

void Tests::testSimpleParserFromFile()
{
    if (!QFileInfo::exists(QString::fromUtf8(s_testDataPath)))
        s_testDataPath = "../" + s_testDataPath;
    const QStringList lines = stringListFromFile(s_testDataPath + "simpleparser.in");
    SimpleParser parser(this);
    QString name;
    for (const QString &line : lines) {
        const QString trimmed = line.trimmed();
        if (trimmed.startsWith(QLatin1String("--"))) {
            name = trimmed.toLower().remove(QLatin1String("--"));
            continue;
        }
        QStringList results;
        for (s_nDays = 1; s_nDays <= 99; ++s_nDays)
            results << parser.parse(line, s_nDays);
        const QByteArray base = s_testDataPath + "simpleparser_" + name.toLatin1();
        stringListToFile(base + ".out", results);
        compareLists(results, stringListFromFile(base + ".mas"));
    }
}

void Tests::testPeriod()
{
    checkExpression(Period() == Period(QDate()));
    checkExpression(Period() == Period(QDateTime()));
    {
        const QDateTime currentDateTime = QDateTime::currentDateTime();
        checkExpression(Period(currentDateTime) == Period(currentDateTime.date(), currentDateTime.time()));
    }
    const QDateTime now = QDateTime::currentDateTime();
    const Period p(now);
    Period pcopy;
    pcopy.fromJson(p.toJson());
    checkExpression(p == pcopy);
    Period pcopy2;
    pcopy2 = p;
    checkExpression(p == pcopy2);
    const Period pcopy3(p);
    checkExpression(p == pcopy3);

    const Period r =
        Period(QDateTime(QDate(2012, 1, 1), QTime(23, 30)), QDateTime(QDate(2012, 2, 1), QTime(23, 30))).addDays(5);
    checkEqual(r.beginDate(), QDate(2012, 1, 6));
    checkEqual(r.endDate(), QDate(2012, 2, 6));
    checkEqual(r.beginTime(), QTime(23, 30));
    checkEqual(r.endTime(), QTime(23, 30));
}

void Tests::testOccurrence()
{
    using Dates = QList<QDate>;
    const QDate middle(2013, 1, 24);
    const QDate first(2013, 1, 1);
    {
        const Occurrence once(middle, IOccurrence::Once);
        checkEqual(once.nextDate(QDate(2013, 1, 24)), QDate(2013, 1, 24));
        checkEqual(once.nextDate(QDate(2013, 1, 23)), QDate(2013, 1, 24));
        checkEqual(once.nextDate(QDate(2013, 1, 25)), QDate());
        checkEqual(once.occurrences(QDate(2012, 1, 24), QDate(2014, 1, 24)), Dates{QDate(2013, 1, 24)});
        checkExpression(once == Occurrence(Common::Clock::today(), IOccurrence::Once));
        checkExpression(once == Occurrence(once));
    }
    {
        const Occurrence daily(middle, IOccurrence::Daily);
        checkEqual(daily.nextDate(QDate(2013, 1, 24)), QDate(2013, 1, 24));
        checkEqual(daily.nextDate(QDate(2013, 1, 23)), QDate(2013, 1, 24));
        checkEqual(daily.nextDate(QDate(2013, 1, 25)), QDate(2013, 1, 25));
        checkEqual(daily.occurrences(QDate(2013, 1, 23), QDate(2013, 1, 26)),
                   (Dates{QDate(2013, 1, 24), QDate(2013, 1, 25), QDate(2013, 1, 26)}));
        checkExpression(daily == Occurrence(middle, IOccurrence::Daily));
        checkExpression(daily == Occurrence(daily));
    }
    {
        Occurrence daily(middle, IOccurrence::Daily);
        daily.setStep(2);
        checkEqual(daily.nextDate(QDate(2013, 1, 24)), QDate(2013, 1, 24));
        checkEqual(daily.nextDate(QDate(2013, 1, 23)), QDate(2013, 1, 24));
        checkEqual(daily.nextDate(QDate(2013, 1, 25)), QDate(2013, 1, 26));
        checkExpression(daily.occurrences(middle.addDays(-1), middle.addDays(2)) == QList<QDate>()
                                                                                        << middle << middle.addDays(2));
    }
    {
        OccurrenceDaily daily(middle);
        daily.setStep(2);
        daily.setEndDate(middle.addDays(2));
        checkExpression(daily.occurrences(middle.addDays(-1), middle.addDays(10)) ==
                        QList<QDate>() << middle << middle.addDays(2));
    }
    {
        const Occurrence weekly(first, IOccurrence::Weekly);
        Occurrence reference(first, IOccurrence::Daily);
        reference.setStep(7);
        checkEqual(weekly.nextDate(QDate(2013, 1, 1)), QDate(2013, 1, 1));
        checkEqual(weekly.nextDate(QDate(2012, 12, 31)), QDate(2013, 1, 1));
        checkEqual(weekly.nextDate(QDate(2013, 1, 2)), QDate(2013, 1, 8));
        checkEqual(weekly.nextDate(QDate(2013, 1, 2)), reference.nextDate(QDate(2013, 1, 2)));
        checkEqual(weekly.nextDate(QDate(2013, 1, 9)), reference.nextDate(QDate(2013, 1, 9)));
        checkEqual(
            weekly.occurrences(QDate(2012, 12, 31), QDate(2013, 2, 1)),
            (Dates{QDate(2013, 1, 1), QDate(2013, 1, 8), QDate(2013, 1, 15), QDate(2013, 1, 22), QDate(2013, 1, 29)}));
        checkExpression(weekly == Occurrence(first, IOccurrence::Weekly));
        checkExpression(weekly == Occurrence(weekly));
    }
    const Dates mondaysAndFridays{QDate(2013, 1, 4),  QDate(2013, 1, 7),  QDate(2013, 1, 11),
                                  QDate(2013, 1, 14), QDate(2013, 1, 18), QDate(2013, 1, 21),
                                  QDate(2013, 1, 25), QDate(2013, 1, 28), QDate(2013, 2, 1)};
    {
        OccurrenceWeekly weekly(first);
        weekly.setDays(0x11);
        checkEqual(weekly.nextDate(QDate(2013, 1, 1)), QDate(2013, 1, 4));
        checkEqual(weekly.nextDate(QDate(2012, 12, 31)), QDate(2013, 1, 4));
        checkEqual(weekly.nextDate(QDate(2013, 1, 4)), QDate(2013, 1, 4));
        checkEqual(weekly.nextDate(QDate(2013, 1, 5)), QDate(2013, 1, 7));
        checkEqual(weekly.occurrences(QDate(2012, 12, 31), QDate(2013, 2, 1)), mondaysAndFridays);
        checkEqual(weekly.nextDate(QDate(2014, 3, 1)), QDate(2014, 3, 3));
        checkEqual(weekly.nextDate(QDate(2014, 6, 29)), QDate(2014, 6, 30));
    }
    {
        OccurrenceWeekly weekly(first);
        weekly.setDays(0x11);
        weekly.setEndDate(QDate(2013, 2, 1));
        checkEqual(weekly.occurrences(QDate(2012, 12, 31), QDate(2014, 2, 1)), mondaysAndFridays);
    }
    {
        OccurrenceWeekly weekly(QDate(2013, 1, 25));
        weekly.setStep(2);
        checkEqual(weekly.nextDate(QDate(2013, 1, 25)), QDate(2013, 1, 25));
        checkEqual(weekly.nextDate(QDate(2013, 1, 24)), QDate(2013, 1, 25));
        checkEqual(weekly.nextDate(QDate(2013, 1, 26)), QDate(2013, 2, 8));
        checkEqual(weekly.occurrences(QDate(2013, 1, 1), QDate(2013, 2, 28)),
                   (Dates{QDate(2013, 1, 25), QDate(2013, 2, 8), QDate(2013, 2, 22)}));
    }
    {
        const OccurrenceMonthly monthly(middle, IOccurrence::Monthly);
        checkEqual(monthly.nextDate(QDate(2013, 1, 24)), QDate(2013, 1, 24));
        checkEqual(monthly.nextDate(QDate(2013, 1, 23)), QDate(2013, 1, 24));
        checkEqual(monthly.nextDate(QDate(2013, 1, 25)), QDate(2013, 2, 24));
    }
    {
        const Occurrence monthly(first, IOccurrence::Monthly);
        checkExpression(monthly == Occurrence(first, IOccurrence::Monthly));
        checkExpression(monthly == Occurrence(monthly));
    }
    {
        OccurrenceMonthly monthly(QDate(2013, 1, 31), IOccurrence::Monthly);
        checkEqual(monthly.occurrences(QDate(2013, 1, 1), QDate(2014, 1, 1)),
                   (Dates{QDate(2013, 1, 31), QDate(2013, 3, 31), QDate(2013, 5, 31), QDate(2013, 7, 31),
                          QDate(2013, 8, 31), QDate(2013, 10, 31), QDate(2013, 12, 31)}));
        monthly.setStep(2);
        checkEqual(monthly.occurrences(QDate(2013, 1, 1), QDate(2014, 1, 31)),
                   (Dates{QDate(2013, 1, 31), QDate(2013, 3, 31), QDate(2013, 5, 31), QDate(2013, 7, 31),
                          QDate(2014, 1, 31)}));
    }
    {
        OccurrenceMonthly monthly(QDate(2013, 1, 31), IOccurrence::Monthly);
        monthly.setStep(2);
        monthly.setEndDate(QDate(2014, 1, 31));
        checkEqual(monthly.occurrences(QDate(2013, 1, 1), QDate(2015, 1, 31)),
                   (Dates{QDate(2013, 1, 31), QDate(2013, 3, 31), QDate(2013, 5, 31), QDate(2013, 7, 31),
                          QDate(2014, 1, 31)}));
    }
    struct ByWeekday
    {
        QDate start;
        int step;
        QDate on;
        QDate after;
        QDate nextAfter;
        Dates year;
    };
    const QList<ByWeekday> byWeekday{
        {QDate(2013, 1, 5), 1, QDate(2013, 1, 5), QDate(2013, 1, 6), QDate(2013, 2, 2),
         Dates{QDate(2013, 1, 5), QDate(2013, 2, 2), QDate(2013, 3, 2), QDate(2013, 4, 6), QDate(2013, 5, 4),
               QDate(2013, 6, 1), QDate(2013, 7, 6), QDate(2013, 8, 3), QDate(2013, 9, 7), QDate(2013, 10, 5),
               QDate(2013, 11, 2), QDate(2013, 12, 7)}},
        {QDate(2013, 1, 9), 1, QDate(2013, 1, 9), QDate(2013, 1, 10), QDate(2013, 2, 13),
         Dates{QDate(2013, 1, 9), QDate(2013, 2, 13), QDate(2013, 3, 13), QDate(2013, 4, 10), QDate(2013, 5, 8),
               QDate(2013, 6, 12), QDate(2013, 7, 10), QDate(2013, 8, 14), QDate(2013, 9, 11), QDate(2013, 10, 9),
               QDate(2013, 11, 13), QDate(2013, 12, 11)}},
        {QDate(2013, 1, 9), 3, QDate(2013, 1, 9), QDate(2013, 1, 10), QDate(2013, 4, 10),
         Dates{QDate(2013, 1, 9), QDate(2013, 4, 10), QDate(2013, 7, 10), QDate(2013, 10, 9)}},
        {QDate(2013, 1, 30), 1, QDate(2013, 1, 30), QDate(2013, 1, 31), QDate(2013, 2, 27),
         Dates{QDate(2013, 1, 30), QDate(2013, 2, 27), QDate(2013, 3, 27), QDate(2013, 4, 24), QDate(2013, 5, 29),
               QDate(2013, 6, 26), QDate(2013, 7, 31), QDate(2013, 8, 28), QDate(2013, 9, 25), QDate(2013, 10, 30),
               QDate(2013, 11, 27), QDate(2013, 12, 25)}},
        {QDate(2013, 1, 30), 2, QDate(2013, 1, 30), QDate(2013, 1, 31), QDate(2013, 3, 27),
         Dates{QDate(2013, 1, 30), QDate(2013, 3, 27), QDate(2013, 5, 29), QDate(2013, 7, 31), QDate(2013, 9, 25),
               QDate(2013, 11, 27)}},
    };
    for (const ByWeekday &row : byWeekday) {
        OccurrenceMonthly monthly(row.start, IOccurrence::Monthly);
        monthly.setMode(1);
        monthly.setStep(row.step);
        checkEqual(monthly.nextDate(row.on), row.on);
        checkEqual(monthly.nextDate(row.after), row.nextAfter);
        checkEqual(monthly.occurrences(QDate(2013, 1, 1), QDate(2013, 12, 31)), row.year);
    }
    {
        const OccurrenceYearly yearly(middle);
        checkEqual(yearly.nextDate(QDate(2013, 1, 24)), QDate(2013, 1, 24));
        checkEqual(yearly.nextDate(QDate(2013, 1, 23)), QDate(2013, 1, 24));
        checkEqual(yearly.nextDate(QDate(2013, 1, 25)), QDate(2014, 1, 24));
        checkEqual(yearly.occurrences(QDate(2013, 1, 1), QDate(2014, 1, 31)),
                   (Dates{QDate(2013, 1, 24), QDate(2014, 1, 24)}));
    }
    {
        OccurrenceYearly yearly(QDate(2012, 2, 29));
        yearly.setStep(2);
        checkEqual(yearly.nextDate(QDate(2012, 2, 29)), QDate(2012, 2, 29));
        checkEqual(yearly.nextDate(QDate(2012, 2, 28)), QDate(2012, 2, 29));
        checkEqual(yearly.nextDate(QDate(2012, 3, 1)), QDate(2016, 2, 29));
        checkEqual(yearly.occurrences(QDate(2011, 1, 1), QDate(2017, 1, 31)),
                   (Dates{QDate(2012, 2, 29), QDate(2016, 2, 29)}));
    }
    {
        OccurrenceMonthly monthly(QDate(2013, 1, 9), IOccurrence::Monthly);
        monthly.setMode(1);
        monthly.setStep(24);
        OccurrenceYearly yearly(QDate(2013, 1, 9));
        yearly.setMode(1);
        yearly.setStep(2);
        checkEqual(monthly.nextDate(QDate(2013, 1, 9)), yearly.nextDate(QDate(2013, 1, 9)));
        checkEqual(monthly.nextDate(QDate(2013, 1, 10)), yearly.nextDate(QDate(2013, 1, 10)));
        checkEqual(monthly.occurrences(QDate(2013, 1, 1), QDate(2020, 12, 31)),
                   yearly.occurrences(QDate(2013, 1, 1), QDate(2020, 12, 31)));
    }
    {
        const Occurrence yearly(first, IOccurrence::Yearly);
        checkExpression(yearly == Occurrence(first, IOccurrence::Yearly));
        checkExpression(yearly == Occurrence(yearly));
    }
}
