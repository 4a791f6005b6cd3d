// Recurrence arithmetic against libical's icalrecur_iterator on equivalent RRULEs:
// one year of dates for 10,000 mixed rules, and one next date for rules that started in 1900
// against the same rules started last year (the arithmetic must not walk from the start).
#include "events/occurrence.h"
#include "goalrow.h"
#include "events/occurrencerules.h"

#include <QRandomGenerator>

#include <benchmark/benchmark.h>
#include <libical/ical.h>

#include <cstdio>
#include <map>
#include <string>
#include <vector>

namespace {

const char *const s_dayNames[] = {"MO", "TU", "WE", "TH", "FR", "SA", "SU"};
const QDate s_today(2026, 12, 7);
constexpr int kAgeRules = 1000;

struct Rule
{
    Occurrence occurrence{QDate(), IOccurrence::Once};
    icalrecurrencetype recur;
    icaltimetype dtstart;
    QDate start;
    QDate end;
};

Rule makeRule(QRandomGenerator &random, QDate start)
{
    Rule r;
    const int step = 1 + random.bounded(3);
    QString rule;
    switch (random.bounded(5)) {
    case 0:
        r.occurrence = Occurrence(start, IOccurrence::Daily);
        rule = QStringLiteral("FREQ=DAILY");
        break;
    case 1: {
        r.occurrence = Occurrence(start, IOccurrence::Weekly);
        auto *weekly = static_cast<OccurrenceWeekly *>(r.occurrence.rule());
        const int days = weekly->days() | random.bounded(128);
        weekly->setDays(days);
        QStringList names;
        for (int d = 0; d < 7; ++d) {
            if (days & (1 << d))
                names.append(QLatin1String(s_dayNames[d]));
        }
        rule = QStringLiteral("FREQ=WEEKLY;WKST=MO;BYDAY=") + names.join(QLatin1Char(','));
        break;
    }
    case 2:
        r.occurrence = Occurrence(start, IOccurrence::Monthly);
        rule = QStringLiteral("FREQ=MONTHLY");
        break;
    case 3:
        while (OccurrenceMonthly::dayOfWeekNumberInMonth(start) > 4)
            start = start.addDays(-7);
        r.occurrence = Occurrence(start, IOccurrence::Monthly);
        static_cast<OccurrenceMonthly *>(r.occurrence.rule())->setMode(OccurrenceMonthly::WeekdayOfMonth);
        rule = QStringLiteral("FREQ=MONTHLY;BYDAY=%1%2")
                   .arg(OccurrenceMonthly::dayOfWeekNumberInMonth(start))
                   .arg(QLatin1String(s_dayNames[start.dayOfWeek() - 1]));
        break;
    default:
        r.occurrence = Occurrence(start, IOccurrence::Yearly);
        rule = QStringLiteral("FREQ=YEARLY");
        break;
    }
    r.occurrence.setStep(step);
    rule += QStringLiteral(";INTERVAL=%1").arg(step);
    r.start = start;
    r.end = start.addYears(1);
    r.recur = icalrecurrencetype_from_string(rule.toLatin1().constData());
    r.dtstart = icaltime_from_string(start.toString(QStringLiteral("yyyyMMdd")).toLatin1().constData());
    return r;
}

std::vector<Rule> &mixedRules()
{
    static std::vector<Rule> rules = [] {
        QRandomGenerator random(42);
        std::vector<Rule> result;
        for (int i = 0; i < 10000; ++i)
            result.push_back(makeRule(random, QDate(s_today.year() - 1, 1, 1).addDays(random.bounded(365))));
        return result;
    }();
    return rules;
}

std::vector<Rule> &ageRules(int startYear)
{
    static std::map<int, std::vector<Rule>> cache;
    auto &rules = cache[startYear];
    if (rules.empty()) {
        QRandomGenerator random(7);
        for (int i = 0; i < kAgeRules; ++i)
            rules.push_back(makeRule(random, QDate(startYear, 1, 1).addDays(random.bounded(365))));
    }
    return rules;
}

void BM_OursYearOfDates(benchmark::State &state)
{
    auto &rules = mixedRules();
    qint64 dates = 0;
    for (auto _ : state) {
        for (const Rule &r : rules)
            dates += r.occurrence.occurrences(r.start, r.end).size();
    }
    state.counters["dates/run"] = double(dates) / state.iterations();
}

void BM_LibicalYearOfDates(benchmark::State &state)
{
    auto &rules = mixedRules();
    qint64 dates = 0;
    for (auto _ : state) {
        for (const Rule &r : rules) {
            icalrecur_iterator *it = icalrecur_iterator_new(r.recur, r.dtstart);
            for (icaltimetype t = icalrecur_iterator_next(it); !icaltime_is_null_time(t);
                 t = icalrecur_iterator_next(it)) {
                if (QDate(t.year, t.month, t.day) > r.end)
                    break;
                ++dates;
            }
            icalrecur_iterator_free(it);
        }
    }
    state.counters["dates/run"] = double(dates) / state.iterations();
}

void nextDates(benchmark::State &state, int startYear)
{
    auto &rules = ageRules(startYear);
    for (auto _ : state) {
        for (const Rule &r : rules)
            benchmark::DoNotOptimize(r.occurrence.nextDate(s_today));
    }
}

void BM_NextDateSince1900(benchmark::State &state)
{
    nextDates(state, 1900);
}

void BM_NextDateSinceLastYear(benchmark::State &state)
{
    nextDates(state, s_today.year() - 1);
}

// Keeps the median real time of each benchmark, for the ratios printed at the end.
class RatioReporter : public benchmark::ConsoleReporter
{
public:
    void ReportRuns(const std::vector<Run> &runs) override
    {
        ConsoleReporter::ReportRuns(runs);
        for (const Run &run : runs) {
            if (run.run_type == Run::RT_Aggregate && run.aggregate_name == "median")
                m_medians[run.run_name.function_name] = run.GetAdjustedRealTime();
        }
    }
    double median(const std::string &name) const
    {
        const auto it = m_medians.find(name);
        return it == m_medians.end() ? 0 : it->second;
    }

private:
    std::map<std::string, double> m_medians;
};

} // namespace

BENCHMARK(BM_OursYearOfDates)->Unit(benchmark::kMillisecond)->Repetitions(5)->ReportAggregatesOnly(true);
BENCHMARK(BM_LibicalYearOfDates)->Unit(benchmark::kMillisecond)->Repetitions(5)->ReportAggregatesOnly(true);
BENCHMARK(BM_NextDateSince1900)->Unit(benchmark::kMicrosecond)->Repetitions(5)->ReportAggregatesOnly(true);
BENCHMARK(BM_NextDateSinceLastYear)->Unit(benchmark::kMicrosecond)->Repetitions(5)->ReportAggregatesOnly(true);

int main(int argc, char **argv)
{
    benchmark::Initialize(&argc, argv);
    RatioReporter reporter;
    benchmark::RunSpecifiedBenchmarks(&reporter);
    const double ours = reporter.median("BM_OursYearOfDates");
    const double theirs = reporter.median("BM_LibicalYearOfDates");
    const double old = reporter.median("BM_NextDateSince1900");
    const double recent = reporter.median("BM_NextDateSinceLastYear");
    const bool measured = ours > 0 && theirs > 0 && old > 0 && recent > 0;
    if (measured) {
        std::printf("year of dates, ours / libical: %.3f (goal <= 1.0)\n", ours / theirs);
        std::printf("nextDate, started 1900 / started last year: %.3f (goal <= 1.5); %.0f ns against %.0f ns a call\n",
                    old / recent, old * 1000.0 / kAgeRules, recent * 1000.0 / kAgeRules); // medians in us
        printGoalRow("a year of dates for 10,000 rules, ours / libical", formatted("%.3f", ours / theirs), "<= 1.0",
                     ours <= theirs);
        printGoalRow("next date of rules started in 1900 / started last year", formatted("%.3f", old / recent),
                     "<= 1.5", old <= 1.5 * recent);
    }
    benchmark::Shutdown();
    // A --benchmark_filter may leave some out: only what ran is judged.
    return goalsExitCode();
}
