#pragma once

#include <QDateTime>
#include <QMap>
#include <QString>

// An iCalendar RRULE as the event model can repeat it: one kind, a step, weekdays for a
// weekly rule, the start's own day or n-th weekday for a monthly or yearly one, and an
// end date. A rule it cannot follow exactly is refused with the reason, never bent into
// other dates.
struct ICalRuleFit
{
    QString rule;         // for Occurrence::fromRRule, with the same dates; empty when refused
    QString problem;      // why it was refused, in words for the import message
    QString differs = {}; // kept although some dates fall on another day or hour here: how many
};

struct ICalWallTime;

// start is the event's first moment in local time.
ICalRuleFit fitICalRule(const QString &rule, const QDateTime &start);
// A start written in another zone: the rule repeats there, so it is kept in local time
// only where it gives the same dates; else with the first date's local time and the
// count of dates that differ, or refused, whichever loses fewer dates.
ICalRuleFit fitICalRule(const QString &rule, const ICalWallTime &start, const QDateTime &local);

// The NAME=VALUE parts of a rule's text, both in upper case, extension names (X-...) left out.
// False when a part has no name.
bool readICalRuleParts(const QString &rule, QMap<QString, QString> *parts);

// An iCalendar weekday code ("MO" to "SU", any case) as 1 (Monday) to 7; 0 for none.
int iCalWeekday(QStringView code);
