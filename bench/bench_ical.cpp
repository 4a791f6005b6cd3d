// Times the iCalendar import (parse and build events) against libical parsing the same
// text and walking every VEVENT, and prints the ratio of the medians (ours / libical) of runs
// that take turns.
#include "goalrow.h"
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

struct Input
{
    QTemporaryDir dir;
    QString path;
    QByteArray text;

    explicit Input(int count) : text(generateCalendar(count))
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

qsizetype runLibical(const Input &input)
{
    icalcomponent *calendar = icalparser_parse_string(input.text.constData());
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

} // namespace

int main(int argc, char **argv)
{
    QCoreApplication app(argc, argv);
    benchmark::Initialize(&argc, argv);
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();

    const Input input(10000);
    if (runOurs(input) != 10000 || runLibical(input) != 10000)
        qFatal("the two readers disagree on the number of events");
    // The two take turns, so a burst of the shared machine's load falls on both alike.
    std::vector<double> ourTimes, peerTimes;
    for (int i = 0; i < 9; ++i) {
        ourTimes.push_back(timedMs([&] { return runOurs(input); }));
        peerTimes.push_back(timedMs([&] { return runLibical(input); }));
    }
    const double ours = median(ourTimes);
    const double peer = median(peerTimes);
    std::printf("ical import of 10000 VEVENTs (%.1f MB), median of 9: ours %.1f ms, libical %.1f ms, ratio %.2f\n",
                double(input.text.size()) / 1e6, ours, peer, ours / peer);
    // Events built too, against libical's parse alone.
    printGoalRow("iCalendar import of 10,000 events / libical's parse", formatted("%.2f", ours / peer), "<= 1.0",
                 ours <= peer);
    return goalsExitCode();
}
