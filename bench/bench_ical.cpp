// Times the iCalendar import (parse and build events) against libical parsing the same
// text and walking every VEVENT, and prints the ratio of the medians (ours / libical) of runs
// that take turns: on generated files, and in CPU time on the shared inputs' file of 10,000 events.
#include "benchinputs.h"
#include "goalrow.h"
#include "platform/timezonewatcher.h"
#include "store/eventsimporter.h"

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QTemporaryDir>

#include <benchmark/benchmark.h>
#include <libical/ical.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <ctime>
#include <iterator>
#include <malloc.h>
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

template <typename F> double timedMs(F run)
{
    const auto start = std::chrono::steady_clock::now();
    benchmark::DoNotOptimize(run());
    return std::chrono::duration<double, std::milli>(std::chrono::steady_clock::now() - start).count();
}

double median(std::vector<double> times)
{
    std::sort(times.begin(), times.end());
    return times[times.size() / 2];
}

// Medians of runs that take turns, so a burst of the shared machine's load falls on both alike. Each
// starts on a trimmed heap: the other's freed tree is not consolidated on its time.
std::pair<double, double> takeTurns(const Input &input, int count)
{
    if (runOurs(input) != count || runLibical(input) != count)
        qFatal("the two readers disagree on the number of events");
    std::vector<double> ourTimes, peerTimes;
    for (int i = 0; i < 9; ++i) {
        malloc_trim(0);
        ourTimes.push_back(timedMs([&] { return runOurs(input); }));
        malloc_trim(0);
        peerTimes.push_back(timedMs([&] { return runLibical(input); }));
    }
    return {median(ourTimes), median(peerTimes)};
}

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

template <typename F> CpuCost cpuCost(F run)
{
    rusage before{}, after{};
    getrusage(RUSAGE_SELF, &before);
    benchmark::DoNotOptimize(run());
    getrusage(RUSAGE_SELF, &after);
    return {ms(after.ru_utime) - ms(before.ru_utime), ms(after.ru_stime) - ms(before.ru_stime),
            after.ru_minflt - before.ru_minflt};
}

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

// A heavy user's file from the shared inputs, both readers starting from the file; runs take turns,
// each on a trimmed heap, as an import in the running program meets it after memory was given back.
void compareOnSharedFile()
{
    const char *work = "iCalendar import of the shared inputs' events-10000.ics, CPU time / libical's";
    const QString path = benchInput(10000, QStringLiteral("ics"));
    if (path.isEmpty()) {
        printGoalRow(work, "not measured: no input", "<= 1.0", false);
        return;
    }
    const auto ours = [&] {
        EventsImporter importer(EventsImporter::ICalendarFormat);
        return importer.import(path, QByteArrayLiteral("UTF-8")).size();
    };
    const auto peer = [&] {
        QFile file(path);
        return file.open(QIODevice::ReadOnly) ? walkLibical(file.readAll().constData()) : -1;
    };
    const qsizetype count = ours();
    if (count != peer()) {
        printGoalRow(work, "not measured: the readers disagree on the number of events", "<= 1.0", false);
        return;
    }
    std::vector<CpuCost> ourCosts, peerCosts;
    for (int i = 0; i < 15; ++i) {
        malloc_trim(0);
        ourCosts.push_back(cpuCost(ours));
        malloc_trim(0);
        peerCosts.push_back(cpuCost(peer));
    }
    const CpuCost o = medianCost(ourCosts), p = medianCost(peerCosts);
    std::printf("ical import of %s (%lld events), CPU time, median of 15: ours %.1f ms (user %.1f, system %.1f, "
                "%ld pages touched), libical %.1f ms (user %.1f, system %.1f, %ld pages touched)\n",
                qPrintable(path), static_cast<long long>(count), o.total(), o.user, o.system, o.faults, p.total(),
                p.user, p.system, p.faults);
    printGoalRow(work, formatted("%.2f", o.total() / p.total()), "<= 1.0", o.total() <= p.total());
}

} // namespace

int main(int argc, char **argv)
{
    // As the program's main() does: local times read the zone once, not on every conversion.
    TimeZoneWatcher::pinSystemZone();
    QCoreApplication app(argc, argv);
    benchmark::Initialize(&argc, argv);
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();

    const Input input(10000);
    const auto [ours, peer] = takeTurns(input, 10000);
    std::printf("ical import of 10000 VEVENTs (%.1f MB), median of 9: ours %.1f ms, libical %.1f ms, ratio %.2f\n",
                double(input.text.size()) / 1e6, ours, peer, ours / peer);
    // Events built too, against libical's parse alone.
    printGoalRow("iCalendar import of 10,000 events / libical's parse", formatted("%.2f", ours / peer), "<= 1.0",
                 ours <= peer);

    compareOnSharedFile();

    // Series from many zones, read by a user in a zone with clock changes of its own.
    qputenv("TZ", "Europe/Berlin");
    tzset();
    const Input mixed(10000, true);
    const auto [mixedOurs, mixedPeer] = takeTurns(mixed, 10000);
    std::printf("ical import of 10000 VEVENTs in %d zones (%.1f MB) in Europe/Berlin, median of 9: ours %.1f ms, "
                "libical %.1f ms, ratio %.2f\n",
                int(std::size(kBenchZones)), double(mixed.text.size()) / 1e6, mixedOurs, mixedPeer,
                mixedOurs / mixedPeer);
    printGoalRow("iCalendar import of 10,000 events in many zones and rule forms / libical's parse",
                 formatted("%.2f", mixedOurs / mixedPeer), "<= 1.0", mixedOurs <= mixedPeer);
    return goalsExitCode();
}
