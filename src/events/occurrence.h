#pragma once

#include "events/ioccurrence.h"

#include <QCoreApplication>

#include <memory>

class AbstractOccurrence;
namespace Common {
class JsonObject;
class JsonWriter;
} // namespace Common

// A recurrence rule as a value: the kind and the start date, plus one rule object of that kind
// that it owns and makes on first use. Copies are deep.
class Occurrence : public IOccurrence
{
    Q_DECLARE_TR_FUNCTIONS(Occurrence)

public:
    Occurrence(const QDate &startDate, IOccurrence::Type type);
    Occurrence(const Occurrence &other);
    Occurrence(const IOccurrence &other);
    ~Occurrence() override;

    Occurrence &operator=(const Occurrence &other);
    Occurrence &operator=(const IOccurrence &other);
    bool operator==(const IOccurrence &other) const;
    bool operator!=(const IOccurrence &other) const { return !(*this == other); }

    Type type() const override { return m_type; }
    QDate startDate() const override { return m_startDate; }
    QList<QDate> occurrences(const QDate &begin, const QDate &end) const override;
    QDate nextDate(const QDate &from) const override;
    int step() const override;
    void setStep(int step) override;
    QString description() const override;
    QVariant toJson() const override;
    // Writes what toJson() gives; only the rule's own part is built as a map.
    void writeJson(Common::JsonWriter &writer) const;
    void fromJson(const QVariant &value) override;
    void fromJson(const Common::JsonObject &object);

    void setType(IOccurrence::Type type);
    // Keeps the rule's settings that still make sense for the new date (step, end date,
    // weekdays, monthly mode); the week number follows the new date.
    void setStartDate(const QDate &date);

    // The rule object of the current kind (made when missing), for the settings rows.
    AbstractOccurrence *rule();
    const AbstractOccurrence *rule() const;

    static IOccurrence::Type typeById(const QByteArray &id);
    static QByteArray idByType(IOccurrence::Type type);
    static QString typeName(IOccurrence::Type type);
    static QString stepMeasure(IOccurrence::Type type);

    // The value of an iCalendar RRULE property, anchored on the event's start date.
    static Occurrence fromRRule(const QDate &start, const QString &rule);

private:
    template <class Map> void load(const Map &map);
    std::unique_ptr<AbstractOccurrence> create() const;
    void assign(const IOccurrence &other);

    mutable std::unique_ptr<AbstractOccurrence> m_rule;
    QDate m_startDate;
    IOccurrence::Type m_type;
};
