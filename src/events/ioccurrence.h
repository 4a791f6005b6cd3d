#pragma once

#include <QDate>
#include <QList>
#include <QString>
#include <QVariant>

// What every holder of a recurrence rule calls: the kind, the anchor date, the date arithmetic,
// the step, the user text and the stored map.
class IOccurrence
{
public:
    enum Type { Once = 0, Daily = 1, Weekly = 2, Monthly = 3, Yearly = 4 };

    virtual ~IOccurrence() = default;
    virtual Type type() const = 0;
    virtual QDate startDate() const = 0;
    // All dates of the rule from begin to end, both included, ascending.
    virtual QList<QDate> occurrences(const QDate &begin, const QDate &end) const = 0;
    // The first date of the rule on or after `from`; null when there is none.
    virtual QDate nextDate(const QDate &from) const = 0;
    // The repeat interval in the kind's unit; -1 for a once rule.
    virtual int step() const = 0;
    virtual void setStep(int step) = 0;
    virtual QString description() const = 0;
    virtual QVariant toJson() const = 0;
    virtual void fromJson(const QVariant &value) = 0;
};
