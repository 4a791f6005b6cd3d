#include "events/occurrence.h"

#include "core/clock.h"
#include "core/jsonobject.h"
#include "core/jsonparser.h"
#include "core/log.h"
#include "events/occurrencerules.h"

#include <QHash>
#include <QMap>

namespace OccurrencePrivate {

const char *const s_typeNames[] = {"once", "daily", "weekly", "monthly", "yearly"};

bool isKnownType(int type)
{
    return type >= IOccurrence::Once && type <= IOccurrence::Yearly;
}

// The date part of an RRULE UNTIL value; a UTC date-time is moved to local time first.
QDate untilDate(const QString &value)
{
    // Mostly eight digits, read without the format parser: imports read many rules.
    int parts[3] = {0, 0, 0};
    bool digits = value.size() >= 8;
    for (int i = 0; i < 8 && digits; ++i) {
        const char16_t c = value[i].unicode();
        digits = c >= u'0' && c <= u'9';
        parts[i < 4 ? 0 : i < 6 ? 1 : 2] = parts[i < 4 ? 0 : i < 6 ? 1 : 2] * 10 + (c - u'0');
    }
    const QDate date =
        digits ? QDate(parts[0], parts[1], parts[2]) : QDate::fromString(value.left(8), QStringLiteral("yyyyMMdd"));
    if (!date.isValid() || value.size() == 8)
        return date;
    if (value.size() < 15 || value.at(8) != QLatin1Char('T'))
        return QDate();
    const QTime time = QTime::fromString(value.mid(9, 6), QStringLiteral("hhmmss"));
    if (!time.isValid())
        return QDate();
    if (value.endsWith(QLatin1Char('Z'))) {
        const QDateTime local = QDateTime(date, time, Qt::UTC).toLocalTime();
        return local.isValid() ? local.date() : date;
    }
    return date;
}

// More occurrences than this counts as an open series: it keeps a hostile COUNT from stalling an import.
constexpr int kMaxCount = 100000;

// The stored rule, in the form the rule reads.
QVariant ruleData(const QVariantMap &map)
{
    return map.value(QStringLiteral("data"));
}

Common::JsonObject ruleData(const Common::JsonObject &object)
{
    return object.object(QStringLiteral("data"));
}
} // namespace OccurrencePrivate

using namespace OccurrencePrivate;

Occurrence::Occurrence(const QDate &startDate, IOccurrence::Type type)
    : m_startDate(startDate), m_type(isKnownType(type) ? type : IOccurrence::Once)
{
    QR_ASSERT(isKnownType(type));
}

Occurrence::Occurrence(const Occurrence &other)
    : m_rule(other.m_rule ? other.m_rule->clone() : nullptr), m_startDate(other.m_startDate), m_type(other.m_type)
{
}

Occurrence::Occurrence(const IOccurrence &other) : m_type(IOccurrence::Once)
{
    assign(other);
}

Occurrence::~Occurrence() = default;

Occurrence &Occurrence::operator=(const Occurrence &other)
{
    assign(other);
    return *this;
}

Occurrence &Occurrence::operator=(const IOccurrence &other)
{
    assign(other);
    return *this;
}

void Occurrence::assign(const IOccurrence &other)
{
    if (&other == this)
        return;
    if (const auto *same = dynamic_cast<const Occurrence *>(&other)) {
        m_startDate = same->m_startDate;
        m_type = same->m_type;
        m_rule = same->m_rule ? same->m_rule->clone() : nullptr;
        return;
    }
    setStartDate(other.startDate());
    fromJson(other.toJson());
}

bool Occurrence::operator==(const IOccurrence &other) const
{
    // The kind is part of the text; a fresh event's rule is compared with every import.
    if (other.type() != m_type)
        return false;
    return toJson() == other.toJson();
}

QList<QDate> Occurrence::occurrences(const QDate &begin, const QDate &end) const
{
    return rule()->occurrences(begin, end);
}

QDate Occurrence::nextDate(const QDate &from) const
{
    return rule()->nextDate(from);
}

int Occurrence::step() const
{
    return rule()->step();
}

void Occurrence::setStep(int step)
{
    rule()->setStep(step);
}

QString Occurrence::description() const
{
    return rule()->description();
}

QVariant Occurrence::toJson() const
{
    QVariantMap map;
    map.insert(QStringLiteral("type"), idByType(m_type));
    map.insert(QStringLiteral("data"), rule()->toJson());
    return map;
}

void Occurrence::writeJson(Common::JsonWriter &writer) const
{
    writer.beginObject();
    writer.name("data");
    writer.value(rule()->toJson());
    writer.name("type");
    writer.value(idByType(m_type));
    writer.endObject();
}

void Occurrence::fromJson(const QVariant &value)
{
    load(value.toMap());
}

void Occurrence::fromJson(const Common::JsonObject &object)
{
    load(object);
}

template <class Map> void Occurrence::load(const Map &map)
{
    if (m_startDate.isNull())
        setStartDate(Common::Clock::today());
    QR_ASSERT(map.contains(QLatin1String("type")));
    setType(typeById(map.value(QStringLiteral("type")).toByteArray()));
    rule()->fromJson(ruleData(map));
}

void Occurrence::setType(IOccurrence::Type type)
{
    if (!isKnownType(type)) {
        QR_ASSERT(false);
        type = IOccurrence::Once;
    }
    if (type == m_type)
        return;
    m_type = type;
    m_rule.reset();
}

void Occurrence::setStartDate(const QDate &date)
{
    if (date == m_startDate)
        return;
    QR_ASSERT(date.isValid());
    m_startDate = date;
    if (m_rule) {
        // A task marked done moves its start: its weekdays, end and mode must survive that.
        std::unique_ptr<AbstractOccurrence> fresh = create();
        fresh->takeSettingsFrom(*m_rule);
        m_rule = std::move(fresh);
    }
}

AbstractOccurrence *Occurrence::rule()
{
    if (!m_rule)
        m_rule = create();
    return m_rule.get();
}

const AbstractOccurrence *Occurrence::rule() const
{
    if (!m_rule)
        m_rule = create();
    return m_rule.get();
}

std::unique_ptr<AbstractOccurrence> Occurrence::create() const
{
    switch (m_type) {
    case IOccurrence::Once:
        return std::make_unique<OccurrenceOnce>(m_startDate);
    case IOccurrence::Daily:
        return std::make_unique<OccurrenceDaily>(m_startDate);
    case IOccurrence::Weekly:
        return std::make_unique<OccurrenceWeekly>(m_startDate);
    case IOccurrence::Monthly:
        return std::make_unique<OccurrenceMonthly>(m_startDate, IOccurrence::Monthly);
    case IOccurrence::Yearly:
        return std::make_unique<OccurrenceYearly>(m_startDate);
    }
    QR_ASSERT(false);
    return std::make_unique<OccurrenceOnce>(m_startDate);
}

IOccurrence::Type Occurrence::typeById(const QByteArray &id)
{
    static const QHash<QByteArray, IOccurrence::Type> map = [] {
        QHash<QByteArray, IOccurrence::Type> m;
        for (int t = IOccurrence::Once; t <= IOccurrence::Yearly; ++t)
            m.insert(s_typeNames[t], IOccurrence::Type(t));
        return m;
    }();
    QR_ASSERT(map.contains(id));
    return map.value(id, IOccurrence::Once);
}

QByteArray Occurrence::idByType(IOccurrence::Type type)
{
    return isKnownType(type) ? QByteArray(s_typeNames[type]) : QByteArray();
}

QString Occurrence::typeName(IOccurrence::Type type)
{
    switch (type) {
    case IOccurrence::Once:
        return tr("Never");
    case IOccurrence::Daily:
        return tr("Daily");
    case IOccurrence::Weekly:
        return tr("Weekly");
    case IOccurrence::Monthly:
        return tr("Monthly");
    case IOccurrence::Yearly:
        return tr("Yearly");
    }
    QR_ASSERT(false);
    return QString();
}

QString Occurrence::stepMeasure(IOccurrence::Type type)
{
    switch (type) {
    case IOccurrence::Once:
        return QString();
    case IOccurrence::Daily:
        return tr("days");
    case IOccurrence::Weekly:
        return tr("weeks");
    case IOccurrence::Monthly:
        return tr("months");
    case IOccurrence::Yearly:
        return tr("years");
    }
    QR_ASSERT(false);
    return QString();
}

Occurrence Occurrence::fromRRule(const QDate &start, const QString &rule)
{
    QMap<QString, QString> parts;
    for (const QStringView piece : QStringView(rule).tokenize(u';')) {
        // NAME=VALUE with one "=" only.
        const qsizetype eq = piece.indexOf(QLatin1Char('='));
        if (eq >= 0 && piece.indexOf(QLatin1Char('='), eq + 1) < 0)
            parts.insert(piece.left(eq).toString().toUpper(), piece.mid(eq + 1).toString().toUpper());
    }

    static const QMap<QString, IOccurrence::Type> kinds = {{QStringLiteral("DAILY"), IOccurrence::Daily},
                                                           {QStringLiteral("WEEKLY"), IOccurrence::Weekly},
                                                           {QStringLiteral("MONTHLY"), IOccurrence::Monthly},
                                                           {QStringLiteral("YEARLY"), IOccurrence::Yearly}};
    const QDate anchor = start.isValid() ? start : Common::Clock::today();
    const auto kind = kinds.constFind(parts.value(QStringLiteral("FREQ")));
    // A rule we cannot read still belongs to the event's own date.
    if (kind == kinds.constEnd())
        return Occurrence(anchor, IOccurrence::Once);

    Occurrence result(anchor, kind.value());
    if (parts.contains(QStringLiteral("INTERVAL"))) {
        bool ok = false;
        const int interval = parts.value(QStringLiteral("INTERVAL")).toInt(&ok);
        if (ok && interval >= 1 && interval <= 99)
            result.setStep(interval);
    }
    AbstractOccurrence *ruleObject = result.rule();
    ruleObject->applyRRule(parts);

    // Ended series must end here too: UNTIL is the last day, COUNT the date of the last repetition.
    auto *multiple = dynamic_cast<AbstractMultipleOccurence *>(ruleObject);
    if (!multiple)
        return result;
    QDate end;
    if (parts.contains(QStringLiteral("UNTIL"))) {
        const QDate until = untilDate(parts.value(QStringLiteral("UNTIL")));
        if (until.isValid())
            end = qMax(until, anchor);
    }
    if (parts.contains(QStringLiteral("COUNT"))) {
        bool ok = false;
        const int count = parts.value(QStringLiteral("COUNT")).toInt(&ok);
        if (ok && count >= 1 && count <= kMaxCount) {
            QDate date = multiple->nextDate(anchor);
            for (int i = 1; i < count && date.isValid(); ++i)
                date = multiple->nextDate(date.addDays(1));
            if (date.isValid() && (!end.isValid() || date < end))
                end = date;
        }
    }
    if (end.isValid())
        multiple->setEndDate(end);
    return result;
}
