#pragma once

#include "core/tagprovider.h"
#include "events/ioccurrence.h"

#include <QCoreApplication>
#include <QMap>

#include <memory>

namespace Common {
class JsonObject;
}

// Base of the five rule kinds: start date, step, the shared part of the date arithmetic
// and of the stored map. Its description templates ask the rule itself for their tags.
class AbstractOccurrence : public IOccurrence, public TagProvider
{
    Q_DECLARE_TR_FUNCTIONS(AbstractOccurrence)

public:
    AbstractOccurrence(const QDate &startDate, IOccurrence::Type type);

    Type type() const override { return m_type; }
    QDate startDate() const override { return m_startDate; }
    QList<QDate> occurrences(const QDate &begin, const QDate &end) const override;
    QDate nextDate(const QDate &from) const override;
    int step() const override { return m_step; }
    // A step below 1 would divide by zero in the arithmetic, so it becomes 1.
    void setStep(int step) override;
    QVariant toJson() const override;
    void fromJson(const QVariant &value) override;
    // The same, read straight from the file's text.
    virtual void fromJson(const Common::JsonObject &object);

    // The kind-specific parts of an iCalendar rule (upper-cased names and values).
    virtual void applyRRule(const QMap<QString, QString> &parts);
    virtual std::unique_ptr<AbstractOccurrence> clone() const = 0;
    // Takes over the settings of a rule of the same kind made for another start date.
    virtual void takeSettingsFrom(const AbstractOccurrence &old);

    // The value of one tag of a description template; number is the one the template was parsed with.
    QString decodeTag(const QString &tag, int number) override;

protected:
    // Expands a translated description template through the text template parser.
    QString expandTemplate(const QString &text, int number) const;
    // The kind's own arithmetic for a `from` not before the start date.
    virtual QDate nextDateImpl(const QDate &from) const = 0;
    // Distance from value up to the next multiple of step (the rule's step when step is -1).
    qint64 roundUpToStep(qint64 value, qint64 step = -1) const;
    template <class Map> void load(const Map &map);

    IOccurrence::Type m_type;
    QDate m_startDate;
    int m_step = 1;
};

// Happens once, on the start date.
class OccurrenceOnce : public AbstractOccurrence
{
    Q_DECLARE_TR_FUNCTIONS(OccurrenceOnce)

public:
    explicit OccurrenceOnce(const QDate &startDate);

    int step() const override { return -1; }
    void setStep(int step) override;
    QString description() const override;
    std::unique_ptr<AbstractOccurrence> clone() const override;

protected:
    QDate nextDateImpl(const QDate &from) const override;
};

// Base of the repeating kinds: an optional last day.
class AbstractMultipleOccurence : public AbstractOccurrence
{
    Q_DECLARE_TR_FUNCTIONS(AbstractMultipleOccurence)

public:
    AbstractMultipleOccurence(const QDate &startDate, IOccurrence::Type type);

    QDate nextDate(const QDate &from) const override;
    QVariant toJson() const override;
    void fromJson(const QVariant &value) override;
    void fromJson(const Common::JsonObject &object) override;
    void takeSettingsFrom(const AbstractOccurrence &old) override;

    QDate endDate() const { return m_endDate; }
    void setEndDate(const QDate &date) { m_endDate = date; }

protected:
    // " till <date>" when an end date is set.
    QString endDateSuffix() const;
    template <class Map> void load(const Map &map);

    QDate m_endDate;
};

// Every n days.
class OccurrenceDaily : public AbstractMultipleOccurence
{
    Q_DECLARE_TR_FUNCTIONS(OccurrenceDaily)

public:
    explicit OccurrenceDaily(const QDate &startDate);

    QString description() const override;
    std::unique_ptr<AbstractOccurrence> clone() const override;

protected:
    QDate nextDateImpl(const QDate &from) const override;
};

// Chosen weekdays of every n-th week, counted from the week of the start date.
class OccurrenceWeekly : public AbstractMultipleOccurence
{
    Q_DECLARE_TR_FUNCTIONS(OccurrenceWeekly)

public:
    explicit OccurrenceWeekly(const QDate &startDate);

    QString description() const override;
    QVariant toJson() const override;
    void fromJson(const QVariant &value) override;
    void fromJson(const Common::JsonObject &object) override;
    void applyRRule(const QMap<QString, QString> &parts) override;
    std::unique_ptr<AbstractOccurrence> clone() const override;
    void takeSettingsFrom(const AbstractOccurrence &old) override;

    // Bit (d - 1) for QDate::dayOfWeek d: Monday 1 ... Sunday 64.
    int days() const { return m_days; }
    void setDays(int days) { m_days = days; }

    static int dayBit(int dayOfWeek) { return 1 << (dayOfWeek - 1); }

protected:
    QDate nextDateImpl(const QDate &from) const override;
    template <class Map> void load(const Map &map);

    int m_days;
    QDate m_weekBase; // Monday of the start date's week
};

// Every n months: the same day of the month (mode 0) or the N-th weekday of the month (mode 1).
class OccurrenceMonthly : public AbstractMultipleOccurence
{
    Q_DECLARE_TR_FUNCTIONS(OccurrenceMonthly)

public:
    enum Mode { SameDayOfMonth = 0, WeekdayOfMonth = 1 };

    OccurrenceMonthly(const QDate &startDate, IOccurrence::Type type = IOccurrence::Monthly);

    QString description() const override;
    QVariant toJson() const override;
    void fromJson(const QVariant &value) override;
    void fromJson(const Common::JsonObject &object) override;
    void applyRRule(const QMap<QString, QString> &parts) override;
    std::unique_ptr<AbstractOccurrence> clone() const override;
    void takeSettingsFrom(const AbstractOccurrence &old) override;

    virtual qint64 monthStep() const { return m_step; }

    int mode() const { return m_mode; }
    void setMode(int mode) { m_mode = mode; }
    // 1 to 4, or 5 for the last such weekday of the month.
    int weekNumber() const { return m_weekNumber; }
    void setWeekNumber(int weekNumber);
    int weekday() const { return m_weekday; }

    // 1 for days 1-7, 2 for 8-14 ... 5 for 29-31.
    static int dayOfWeekNumberInMonth(const QDate &date);
    // The number of the last such weekday in the date's month (4 or 5).
    static int maxDayOfWeekNumberInMonth(const QDate &date);

    QString decodeTag(const QString &tag, int number) override;

protected:
    QDate nextDateImpl(const QDate &from) const override;
    QDate nthWeekdayOfMonth(const QDate &month) const;
    QDate nthWeekdayOfMonth(int year, int month) const;
    template <class Map> void load(const Map &map);

    int m_mode = SameDayOfMonth;
    int m_weekday;
    int m_weekNumber;
};

// Every n years, on the start's day of its month or on the N-th weekday of its month.
class OccurrenceYearly : public OccurrenceMonthly
{
    Q_DECLARE_TR_FUNCTIONS(OccurrenceYearly)

public:
    explicit OccurrenceYearly(const QDate &startDate);

    QString description() const override;
    std::unique_ptr<AbstractOccurrence> clone() const override;
    qint64 monthStep() const override { return qint64(m_step) * 12; }

    QString decodeTag(const QString &tag, int number) override;
};
