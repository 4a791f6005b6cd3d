// Times the iCalendar import (parse and build events) against libical parsing the same
// text and walking every VEVENT, and prints both and the ratio of the medians (ours / libical) of CPU
// time over runs that take turns, each run in a process of its own: on generated files and on the
// shared inputs' file of 10,000 events.
#include "benchinputs.h"
#include "goalrow.h"
#include "platform/timezonewatcher.h"
#include "store/eventsimporter.h"

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QProcess>
#include <QTemporaryDir>

#include <benchmark/benchmark.h>
#include <libical/ical.h>

#include <algorithm>
#include <cstdio>
#include <ctime>
#include <iterator>
#include <sys/resource.h>
#include <utility>
#include <vector>

namespace {

// Folds a content line at 75 octets as writers do.
void appendFolded(QByteArray &out, const QByteArray &line)
{
    int pos = 0;
    int width = 75;
    while (line.size() - pos > width) {
        out += line.mid(pos, width) + "\r\n ";
        pos += width;
        width = 74;
    }
    out += line.mid(pos) + "\r\n";
}

QByteArray generateCalendar(int count)
{
    QByteArray out = "BEGIN:VCALENDAR\r\nVERSION:2.0\r\nPRODID:-//bench//EN\r\n"
                     "BEGIN:VTIMEZONE\r\nTZID:Europe/Berlin\r\n"
                     "BEGIN:DAYLIGHT\r\nTZOFFSETFROM:+0100\r\nTZOFFSETTO:+0200\r\nTZNAME:CEST\r\n"
                     "DTSTART:19700329T020000\r\nRRULE:FREQ=YEARLY;BYMONTH=3;BYDAY=-1SU\r\nEND:DAYLIGHT\r\n"
                     "BEGIN:STANDARD\r\nTZOFFSETFROM:+0200\r\nTZOFFSETTO:+0100\r\nTZNAME:CET\r\n"
                     "DTSTART:19701025T030000\r\nRRULE:FREQ=YEARLY;BYMONTH=10;BYDAY=-1SU\r\nEND:STANDARD\r\n"
                     "END:VTIMEZONE\r\n";
    for (int i = 0; i < count; ++i) {
        const QDate day = QDate(2024, 1, 1).addDays(i % 700);
        const QByteArray date = day.toString(QStringLiteral("yyyyMMdd")).toLatin1();
        const QByteArray next = day.addDays(1).toString(QStringLiteral("yyyyMMdd")).toLatin1();
        const QByteArray hour = QByteArray::number(8 + i % 10).rightJustified(2, '0');
        out += "BEGIN:VEVENT\r\nUID:event-" + QByteArray::number(i) + "@bench.example\r\n";
        out += "DTSTAMP:20240101T000000Z\r\n";
        switch (i % 4) {
        case 0:
            out += "DTSTART;VALUE=DATE:" + date + "\r\nDTEND;VALUE=DATE:" + next + "\r\n";
            break;
        case 1:
            out += "DTSTART:" + date + "T" + hour + "0000Z\r\nDTEND:" + date + "T" + hour + "3000Z\r\n";
            break;
        case 2:
            out += "DTSTART;TZID=Europe/Berlin:" + date + "T" + hour + "0000\r\nDTEND;TZID=Europe/Berlin:" + date +
                   "T" + hour + "4500\r\n";
            break;
        default:
            out += "DTSTART:" + date + "T" + hour + "1500\r\nDTEND:" + date + "T" + hour + "5500\r\n";
        }
        if (i % 3 == 0)
            out += i % 2 ? "RRULE:FREQ=WEEKLY;INTERVAL=2\r\n" : "RRULE:FREQ=YEARLY\r\n";
        out += "SUMMARY:Meeting " + QByteArray::number(i) + "\\, room 4\\; floor 2\r\n";
        appendFolded(out, "DESCRIPTION:Agenda\\nFirst the figures of the quarter\\, then the plans for the next "
                          "one\\; questions at the end. Bring the printed report and the notes from last time.");
        out += "LOCATION:Hall " + QByteArray::number(i % 7) + "\r\n";
        out += "END:VEVENT\r\n";
    }
    out += "END:VCALENDAR\r\n";
    return out;
}

// Zones as exports write them: system names with and without their VTIMEZONE, Windows names
// and their own descriptions with one, UTC, floating times and dates.
struct BenchZone
{
    const char *tzid; // empty: UTC; "-": floating; "=": a date
    const char *vtimezone;
};

#define QR_ZONE_PART(kind, start, rule, from, to)                                                                      \
    "BEGIN:" kind "\r\nDTSTART:" start "\r\nRRULE:FREQ=YEARLY;" rule "\r\nTZOFFSETFROM:" from "\r\nTZOFFSETTO:" to     \
    "\r\nEND:" kind "\r\n"

const BenchZone kBenchZones[] = {
    {"Europe/Berlin", QR_ZONE_PART("DAYLIGHT", "19700329T020000", "BYMONTH=3;BYDAY=-1SU", "+0100", "+0200")
                          QR_ZONE_PART("STANDARD", "19701025T030000", "BYMONTH=10;BYDAY=-1SU", "+0200", "+0100")},
    {"America/New_York", QR_ZONE_PART("DAYLIGHT", "19700308T020000", "BYMONTH=3;BYDAY=2SU", "-0500", "-0400")
                             QR_ZONE_PART("STANDARD", "19701101T020000", "BYMONTH=11;BYDAY=1SU", "-0400", "-0500")},
    {"(UTC-05:00) Eastern Time (US & Canada)",
     QR_ZONE_PART("STANDARD", "16011104T020000", "BYDAY=1SU;BYMONTH=11", "-0400", "-0500")
         QR_ZONE_PART("DAYLIGHT", "16010311T020000", "BYDAY=2SU;BYMONTH=3", "-0500", "-0400")},
    {"W. Europe Standard Time",
     QR_ZONE_PART("STANDARD", "16011028T030000", "BYDAY=-1SU;BYMONTH=10", "+0200", "+0100")
         QR_ZONE_PART("DAYLIGHT", "16010325T020000", "BYDAY=-1SU;BYMONTH=3", "+0100", "+0200")},
    {"AUS Eastern Standard Time",
     QR_ZONE_PART("STANDARD", "16010401T030000", "BYDAY=1SU;BYMONTH=4", "+1100", "+1000")
         QR_ZONE_PART("DAYLIGHT", "16011007T020000", "BYDAY=1SU;BYMONTH=10", "+1000", "+1100")},
    {"(UTC+10:00) Canberra, Melbourne, Sydney",
     QR_ZONE_PART("STANDARD", "16010401T030000", "BYDAY=1SU;BYMONTH=4", "+1100", "+1000")
         QR_ZONE_PART("DAYLIGHT", "16011007T020000", "BYDAY=1SU;BYMONTH=10", "+1000", "+1100")},
    {"GMT Standard Time", QR_ZONE_PART("STANDARD", "16011028T020000", "BYDAY=-1SU;BYMONTH=10", "+0100", "+0000")
                              QR_ZONE_PART("DAYLIGHT", "16010325T010000", "BYDAY=-1SU;BYMONTH=3", "+0000", "+0100")},
    {"Pacific Standard Time", QR_ZONE_PART("STANDARD", "16011104T020000", "BYDAY=1SU;BYMONTH=11", "-0700", "-0800")
                                  QR_ZONE_PART("DAYLIGHT", "16010311T020000", "BYDAY=2SU;BYMONTH=3", "-0800", "-0700")},
    {"India Standard Time", "BEGIN:STANDARD\r\nDTSTART:16010101T000000\r\nTZOFFSETFROM:+0530\r\n"
                            "TZOFFSETTO:+0530\r\nEND:STANDARD\r\n"},
    {"Asia/Tokyo", nullptr},
    {"America/Chicago", nullptr},
    {"", nullptr},
    {"-", nullptr},
    {"=", nullptr},
};

#undef QR_ZONE_PART

// Rules as writers give them, fitted to the start; two events in three do not repeat, as in the
// other file and in calendars as exported.
QByteArray benchRule(int form, const QDate &day)
{
    static const char *const names[] = {"MO", "TU", "WE", "TH", "FR", "SA", "SU"};
    const QByteArray weekday = names[day.dayOfWeek() - 1];
    const QByteArray other = names[(day.dayOfWeek() + 1) % 7];
    const int place = (day.day() - 1) / 7 + 1;
    switch (form) {
    case 1:
        return "FREQ=WEEKLY;BYDAY=" + weekday;
    case 3:
        return "FREQ=DAILY;COUNT=10";
    case 4:
        return "FREQ=WEEKLY;INTERVAL=2;BYDAY=" + weekday +
               ";UNTIL=" + day.addDays(180).toString(QStringLiteral("yyyyMMdd")).toLatin1() + "T235959Z";
    case 6:
        return "FREQ=MONTHLY;BYDAY=" + (place > 4 ? QByteArray("-1") : QByteArray::number(place)) + weekday;
    case 7:
        return "FREQ=MONTHLY;BYMONTHDAY=" + QByteArray::number(day.day());
    case 9:
        return "FREQ=YEARLY;BYMONTH=" + QByteArray::number(day.month()) +
               ";BYMONTHDAY=" + QByteArray::number(day.day());
    case 10:
        return "FREQ=DAILY;BYDAY=" + weekday + "," + other;
    case 11:
        return "FREQ=WEEKLY;WKST=SU;BYDAY=" + weekday + "," + other + ";COUNT=30";
    default:
        return QByteArray();
    }
}

// A file as a calendar of people in several zones gives it: series in each zone and rule form.
QByteArray generateMixedCalendar(int count)
{
    QByteArray out = "BEGIN:VCALENDAR\r\nVERSION:2.0\r\nPRODID:-//bench mixed//EN\r\n";
    constexpr int zones = int(std::size(kBenchZones));
    for (const BenchZone &zone : kBenchZones) {
        if (zone.vtimezone)
            out += QByteArray("BEGIN:VTIMEZONE\r\nTZID:") + zone.tzid + "\r\n" + zone.vtimezone + "END:VTIMEZONE\r\n";
    }
    for (int i = 0; i < count; ++i) {
        const BenchZone &zone = kBenchZones[i % zones];
        // A prime count of days, so that no two series share zone, start and rule.
        const QDate day = QDate(2024, 1, 1).addDays(i % 1409);
        const QByteArray date = day.toString(QStringLiteral("yyyyMMdd")).toLatin1();
        const QByteArray time = "T" + QByteArray::number(7 + i % 12).rightJustified(2, '0') + (i % 2 ? "3000" : "0000");
        const QByteArray endTime = "T" + QByteArray::number(8 + i % 12).rightJustified(2, '0') + "0000";
        const QByteArray tzid(zone.tzid);
        QByteArray params, suffix;
        if (tzid == "=")
            params = ";VALUE=DATE";
        else if (tzid.isEmpty())
            suffix = "Z";
        else if (tzid != "-")
            params = ";TZID=" + (tzid.contains(',') || tzid.contains(':') ? '"' + tzid + '"' : tzid);
        out += "BEGIN:VEVENT\r\nUID:mixed-" + QByteArray::number(i) + "@bench.example\r\n";
        out += "DTSTAMP:20240101T000000Z\r\n";
        if (tzid == "=") {
            out += "DTSTART;VALUE=DATE:" + date +
                   "\r\nDTEND;VALUE=DATE:" + day.addDays(1).toString(QStringLiteral("yyyyMMdd")).toLatin1() + "\r\n";
        } else {
            out += "DTSTART" + params + ":" + date + time + suffix + "\r\n";
            out += "DTEND" + params + ":" + date + endTime + suffix + "\r\n";
        }
        const QByteArray rule = benchRule((i / zones) % 24, day);
        if (!rule.isEmpty()) {
            out += "RRULE:" + rule + "\r\n";
            if (i % 17 == 0 && tzid != "=")
                out += "EXDATE" + params + ":" + day.addDays(28).toString(QStringLiteral("yyyyMMdd")).toLatin1() +
                       time + suffix + "\r\n";
        }
        out += "SUMMARY:Call " + QByteArray::number(i) + "\\, team " + QByteArray::number(i % 9) + "\r\n";
        appendFolded(out, "DESCRIPTION:Join by phone or in the room\\; the notes of last time are in the shared "
                          "folder\\, please read them before.");
        out += "LOCATION:Room " + QByteArray::number(i % 11) + "\r\n";
        if (i % 5 == 0)
            out += "BEGIN:VALARM\r\nACTION:DISPLAY\r\nTRIGGER:-PT15M\r\nDESCRIPTION:Reminder\r\nEND:VALARM\r\n";
        out += "END:VEVENT\r\n";
    }
    out += "END:VCALENDAR\r\n";
    return out;
}

struct Input
{
    QTemporaryDir dir;
    QString path;
    QByteArray text;

    explicit Input(int count, bool mixed = false) : text(mixed ? generateMixedCalendar(count) : generateCalendar(count))
    {
        path = dir.filePath(QStringLiteral("bench.ics"));
        QFile file(path);
        if (!file.open(QIODevice::WriteOnly) || file.write(text) != text.size())
            qFatal("cannot write the benchmark input");
    }
};

qsizetype runOurs(const Input &input)
{
    EventsImporter importer(EventsImporter::ICalendarFormat);
    const auto events = importer.import(input.path, QByteArrayLiteral("UTF-8"));
    return events.size();
}

qsizetype walkLibical(const char *text)
{
    icalcomponent *calendar = icalparser_parse_string(text);
    qsizetype count = 0;
    for (icalcomponent *c = icalcomponent_get_first_component(calendar, ICAL_VEVENT_COMPONENT); c;
         c = icalcomponent_get_next_component(calendar, ICAL_VEVENT_COMPONENT)) {
        const icaltimetype start = icalcomponent_get_dtstart(c);
        const icaltimetype end = icalcomponent_get_dtend(c);
        const char *summary = icalcomponent_get_summary(c);
        const char *description = icalcomponent_get_description(c);
        const char *location = icalcomponent_get_location(c);
        const char *uid = icalcomponent_get_uid(c);
        icalproperty *rrule = icalcomponent_get_first_property(c, ICAL_RRULE_PROPERTY);
        benchmark::DoNotOptimize(start);
        benchmark::DoNotOptimize(end);
        benchmark::DoNotOptimize(summary);
        benchmark::DoNotOptimize(description);
        benchmark::DoNotOptimize(location);
        benchmark::DoNotOptimize(uid);
        if (rrule)
            benchmark::DoNotOptimize(icalproperty_get_rrule(rrule));
        ++count;
    }
    icalcomponent_free(calendar);
    return count;
}

qsizetype runLibical(const Input &input)
{
    return walkLibical(input.text.constData());
}

void BM_OurImport(benchmark::State &state)
{
    const Input input(int(state.range(0)));
    for (auto _ : state)
        benchmark::DoNotOptimize(runOurs(input));
    state.SetComplexityN(state.range(0));
}

void BM_Libical(benchmark::State &state)
{
    const Input input(int(state.range(0)));
    for (auto _ : state)
        benchmark::DoNotOptimize(runLibical(input));
    state.SetComplexityN(state.range(0));
}

BENCHMARK(BM_OurImport)
    ->Arg(2500)
    ->Arg(5000)
    ->Arg(10000)
    ->Arg(20000)
    ->Unit(benchmark::kMillisecond)
    ->Complexity(benchmark::oN);
BENCHMARK(BM_Libical)
    ->Arg(2500)
    ->Arg(5000)
    ->Arg(10000)
    ->Arg(20000)
    ->Unit(benchmark::kMillisecond)
    ->Complexity(benchmark::oN);

double ms(const timeval &time)
{
    return time.tv_sec * 1e3 + time.tv_usec / 1e3;
}

// What a run costs the process: CPU time in milliseconds, user and system, and the pages it touched
// first (the system time is mostly theirs).
struct CpuCost
{
    double user = 0;
    double system = 0;
    long faults = 0;
    double total() const { return user + system; }
};

// The run of median CPU time. The kernel splits a run's time into user and system by samples,
// so the split is the mean of all runs.
CpuCost medianCost(std::vector<CpuCost> costs)
{
    std::sort(costs.begin(), costs.end(), [](const CpuCost &a, const CpuCost &b) { return a.total() < b.total(); });
    CpuCost median = costs[costs.size() / 2];
    double user = 0, system = 0;
    for (const CpuCost &cost : costs) {
        user += cost.user;
        system += cost.system;
    }
    median.user = median.total() * user / (user + system);
    median.system = median.total() - median.user;
    return median;
}

// One reader ("ours" or "libical") over the file, in this process, which the benchmark started for it
// alone: the heap either meets is a fresh process's, as neither leaves the other its freed memory.
int readApart(const QByteArray &reader, const QString &path)
{
    rusage before{}, after{};
    getrusage(RUSAGE_SELF, &before);
    qsizetype count = -1;
    if (reader == "ours") {
        EventsImporter importer(EventsImporter::ICalendarFormat);
        count = importer.import(path, QByteArrayLiteral("UTF-8")).size();
    } else {
        QFile file(path);
        if (file.open(QIODevice::ReadOnly))
            count = walkLibical(file.readAll().constData());
    }
    getrusage(RUSAGE_SELF, &after);
    std::printf("COST %lld %.3f %.3f %ld\n", static_cast<long long>(count), ms(after.ru_utime) - ms(before.ru_utime),
                ms(after.ru_stime) - ms(before.ru_stime), after.ru_minflt - before.ru_minflt);
    return count < 0 ? 1 : 0;
}

// A run of one reader in a process of its own; the count of events it read, -1 when it failed.
qsizetype runApart(const char *reader, const QString &path, CpuCost *cost)
{
    QProcess process;
    process.setProcessChannelMode(QProcess::ForwardedErrorChannel);
    process.start(QCoreApplication::applicationFilePath(), {QStringLiteral("--read"), QLatin1String(reader), path});
    if (!process.waitForFinished(300000) || process.exitCode() != 0)
        return -1;
    const QList<QByteArray> fields = process.readAllStandardOutput().trimmed().split(' ');
    if (fields.size() != 5 || fields.at(0) != "COST")
        return -1;
    *cost = {fields.at(2).toDouble(), fields.at(3).toDouble(), fields.at(4).toLong()};
    return fields.at(1).toLongLong();
}

// Medians of CPU time over runs that take turns, each reader in a process of its own, so a burst of the
// shared machine's load falls on both alike and neither reads on the other's heap. False when a run
// failed or the readers disagree on the number of events.
bool takeTurns(const QString &path, CpuCost *ours, CpuCost *peer, qsizetype *count)
{
    std::vector<CpuCost> ourCosts, peerCosts;
    for (int i = 0; i < 9; ++i) {
        CpuCost o, p;
        const qsizetype n = runApart("ours", path, &o);
        if (n < 0 || runApart("libical", path, &p) != n || (i > 0 && n != *count))
            return false;
        *count = n;
        ourCosts.push_back(o);
        peerCosts.push_back(p);
    }
    *ours = medianCost(ourCosts);
    *peer = medianCost(peerCosts);
    return true;
}

// Both readers' figures and the goal row of their ratio.
void compare(const std::string &work, const QString &path, const QString &what)
{
    CpuCost o, p;
    qsizetype count = 0;
    if (!takeTurns(path, &o, &p, &count)) {
        printGoalRow(work, "not measured: a reader failed or the readers disagree on the number of events", "<= 1.0",
                     false);
        return;
    }
    std::printf("ical import of %s (%lld events), CPU time in processes of their own, median of 9: ours %.1f ms "
                "(user %.1f, system %.1f, %ld pages touched), libical %.1f ms (user %.1f, system %.1f, %ld pages "
                "touched)\n",
                qPrintable(what), static_cast<long long>(count), o.total(), o.user, o.system, o.faults, p.total(),
                p.user, p.system, p.faults);
    printGoalRow(work,
                 formatted("%.2f", o.total() / p.total()) + formatted(" (ours %.0f ms", o.total()) +
                     formatted(", libical %.0f ms)", p.total()),
                 "<= 1.0", o.total() <= p.total());
}

} // namespace

int main(int argc, char **argv)
{
    // As the program's main() does: local times read the zone once, not on every conversion.
    TimeZoneWatcher::pinSystemZone();
    QCoreApplication app(argc, argv);
    if (argc == 4 && qstrcmp(argv[1], "--read") == 0)
        return readApart(argv[2], QString::fromLocal8Bit(argv[3]));
    benchmark::Initialize(&argc, argv);
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();

    {
        // Events built too, against libical's parse alone.
        const Input input(10000);
        compare("iCalendar import of 10,000 events, CPU time / libical's parse", input.path,
                QStringLiteral("10000 VEVENTs (%1 MB)").arg(double(input.text.size()) / 1e6, 0, 'f', 1));
    }

    // A heavy user's file from the shared inputs.
    const char *shared = "iCalendar import of the shared inputs' events-10000.ics, CPU time / libical's";
    const QString path = benchInput(10000, QStringLiteral("ics"));
    if (path.isEmpty())
        printGoalRow(shared, "not measured: no input", "<= 1.0", false);
    else
        compare(shared, path, path);

    // Series from many zones, read by a user in a zone with clock changes of its own.
    qputenv("TZ", "Europe/Berlin");
    tzset();
    const Input mixed(10000, true);
    compare("iCalendar import of 10,000 events in many zones and rule forms, CPU time / libical's parse", mixed.path,
            QStringLiteral("10000 VEVENTs in %1 zones (%2 MB) in Europe/Berlin")
                .arg(int(std::size(kBenchZones)))
                .arg(double(mixed.text.size()) / 1e6, 0, 'f', 1));
    return goalsExitCode();
}
