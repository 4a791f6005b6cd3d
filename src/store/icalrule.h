#pragma once

#include <QDateTime>
#include <QMap>
#include <QString>

#include <memory>

// An iCalendar RRULE as the event model can repeat it: one kind, a step, weekdays for a
// weekly rule, the start's own day or n-th weekday for a monthly or yearly one, and an
// end date. A rule it cannot follow exactly is refused with the reason, never bent into
// other dates.
struct ICalRuleFit
{
    QString rule;             // for Occurrence::fromRRule, with the same dates; empty when refused
    QString problem;          // why it was refused, in words for the import message
    QString differs = {};     // kept although some dates fall on another day or hour here: which, when asked
    bool datesDiffer = false; // kept so, whether asked or not
    // Where the clocks skip the series' time here on its first date: that reading, in UTC spec. The
    // series keeps it; its first date comes at the moment the reading moves to.
    QDateTime skippedStart = {};
};

struct ICalWallTime;
class QTimeZone;

// What fitting rules found in one import, for the series after: each rule's fits by what it
// reads of its start, each series' answer from another zone, the zones' offsets over the
// years compared, and the dates of day and week rules, which move with their start by whole weeks.
class ICalRuleMemo
{
public:
    ICalRuleMemo();
    ~ICalRuleMemo();
    ICalRuleMemo(const ICalRuleMemo &) = delete;
    ICalRuleMemo &operator=(const ICalRuleMemo &) = delete;

    struct Data;
    Data &data() { return *m_data; }

private:
    std::unique_ptr<Data> m_data;
};

// start is the event's first moment in local time.
ICalRuleFit fitICalRule(const QString &rule, const QDateTime &start);
// The same for a start read as `zone`'s clock reads it, which the clocks may skip on that day;
// skippedStart is left to the caller.
ICalRuleFit fitICalRule(const QString &rule, const QDate &day, const QTime &time, const QTimeZone &zone);
// The same, answered once an import for the rules that read the same of their starts.
ICalRuleFit fitICalRule(const QString &rule, const QDateTime &start, ICalRuleMemo *memo);
// A start written in another zone: the rule repeats there, so it is kept in local time
// only where it gives the same dates; else with the first date's local time and what
// differs (in words when describe is on), or refused, whichever loses fewer dates. The memo,
// when given, must be one import's: it holds on to what it saw.
ICalRuleFit fitICalRule(const QString &rule, const ICalWallTime &start, const QDateTime &local,
                        ICalRuleMemo *memo = nullptr, bool describe = true);

// The NAME=VALUE parts of a rule's text, both in upper case, extension names (X-...) left out.
// False when a part has no name.
bool readICalRuleParts(const QString &rule, QMap<QString, QString> *parts);

// An iCalendar weekday code ("MO" to "SU", any case) as 1 (Monday) to 7; 0 for none.
int iCalWeekday(QStringView code);
