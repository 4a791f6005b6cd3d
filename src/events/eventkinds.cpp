#include "events/eventkinds.h"

#include "core/log.h"
#include "events/birthdayevent.h"
#include "events/eventresources.h"
#include "events/holidayevent.h"
#include "events/notspecifiedevent.h"
#include "events/taskevent.h"
#include "events/weddingevent.h"

#include <QCoreApplication>

#include <array>
#include <iterator>
#include <optional>

namespace EventKindsPrivate {

using namespace EventKinds;

constexpr int Shown = Field::Shown;

constexpr Field s_appointmentFields[] = {
    {"periodBoxField", Shown, Start::Unset,
     QT_TRANSLATE_NOOP("NotSpecifiedEvent", "Allow changing period availability")},
    {"timeBoxField", Shown, Start::Unset, QT_TRANSLATE_NOOP("NotSpecifiedEvent", "Allow changing time availability")},
    {"periodValueKey", 0, Start::Off, QT_TRANSLATE_NOOP("NotSpecifiedEvent", "Period controls")},
    {"timeValueKey", 0, Start::Off, QT_TRANSLATE_NOOP("NotSpecifiedEvent", "Time controls")},
    {"recurrenceField", Shown, Start::Unset, QT_TRANSLATE_NOOP("NotSpecifiedEvent", "Recurrence")},
    {"commentField", Shown, Start::Unset, QT_TRANSLATE_NOOP("NotSpecifiedEvent", "Comment")},
    {"locationField", Shown, Start::Unset, QT_TRANSLATE_NOOP("NotSpecifiedEvent", "Location")},
    {"1prefixField", 0, Start::NoWords, QT_TRANSLATE_NOOP("NotSpecifiedEvent", "Prefix words")},
    {"2postfixField", 0, Start::NoWords, QT_TRANSLATE_NOOP("NotSpecifiedEvent", "Postfix words")},
};

constexpr Field s_birthdayFields[] = {
    {"yearField", Shown, Start::Unset, QT_TRANSLATE_NOOP("BirthdayEvent", "Year/Age")},
    {"genderField", Shown, Start::Unset, QT_TRANSLATE_NOOP("BirthdayEvent", "Gender")},
    {"commentField", Shown, Start::Unset, QT_TRANSLATE_NOOP("BirthdayEvent", "Comment")},
    {"1prefixField", 0, Start::PrefixWords, QT_TRANSLATE_NOOP("BirthdayEvent", "Prefix words")},
    {"2postfixField", 0, Start::PostfixWords, QT_TRANSLATE_NOOP("BirthdayEvent", "Postfix words")},
};

constexpr Field s_weddingFields[] = {
    {"remindEveryYearField", Shown, Start::On, QT_TRANSLATE_NOOP("WeddingEvent", "Remind every year")},
    {"commentField", Shown, Start::Unset, QT_TRANSLATE_NOOP("WeddingEvent", "Comment")},
    {"1prefixField", 0, Start::PrefixWords, QT_TRANSLATE_NOOP("WeddingEvent", "Prefix words")},
    {"2postfixField", 0, Start::PostfixWords, QT_TRANSLATE_NOOP("WeddingEvent", "Postfix words")},
};

constexpr Field s_holidayFields[] = {
    {"commentField", Shown, Start::Unset, QT_TRANSLATE_NOOP("HolidayEvent", "Comment")},
    {"recurrenceKey", Shown, Start::Unset, QT_TRANSLATE_NOOP("HolidayEvent", "Recurrence")},
};

constexpr Field s_taskFields[] = {
    {"periodBoxField", Shown, Start::Unset, QT_TRANSLATE_NOOP("TaskEvent", "Allow changing period availability")},
    {"startDateField", 0, Start::Off, QT_TRANSLATE_NOOP("TaskEvent", "Period controls")},
    {"recurrenceField", Shown, Start::Unset, QT_TRANSLATE_NOOP("TaskEvent", "Recurrence")},
    {"commentField", Shown, Start::Unset, QT_TRANSLATE_NOOP("TaskEvent", "Comment")},
    {"markAsCompletedRequiredField", Field::Parameter, Start::On,
     QT_TRANSLATE_NOOP("TaskEvent", "Is it required to click 'Mark as Completed' when task is done?")},
};

template <class T> AbstractCommonEventPtr make(const QByteArray &id)
{
    return std::make_shared<T>(id);
}

// In the order of the kind numbers.
constexpr Kind s_kinds[] = {
    {EventTypeNotSpecified,
     "notSpecified",
     QT_TRANSLATE_NOOP("QObject", "Appointment"),
     "NotSpecifiedEvent",
     make<NotSpecifiedEvent>,
     ":/Ostrevalder/icons/notspec/notspec",
     {16, 24, 32},
     32,
     nullptr,
     0,
     true,
     s_appointmentFields,
     int(std::size(s_appointmentFields)),
     nullptr,
     nullptr,
     NotSpecifiedEvent::typeMetaInfo},
    {EventTypeBirthday,
     "birthday",
     QT_TRANSLATE_NOOP("QObject", "Birthday"),
     "BirthdayEvent",
     make<BirthdayEvent>,
     ":/Ostrevalder/icons/birthday/cake_",
     {16, 24, 48, 128},
     16,
     ":/Ostrevalder/icons/gender/male_128.png",
     48,
     true,
     s_birthdayFields,
     int(std::size(s_birthdayFields)),
     BirthdayEvent::prefixText,
     BirthdayEvent::postfixText,
     BirthdayEvent::typeMetaInfo},
    {EventTypeWedding,
     "wedding",
     QT_TRANSLATE_NOOP("QObject", "Wedding Day"),
     "WeddingEvent",
     make<WeddingEvent>,
     ":/Ostrevalder/icons/wedding/rings_",
     {16, 24, 48},
     16,
     nullptr,
     48,
     false,
     s_weddingFields,
     int(std::size(s_weddingFields)),
     WeddingEvent::prefixText,
     WeddingEvent::postfixText,
     WeddingEvent::typeMetaInfo},
    {EventTypeHoliday,
     "holiday",
     QT_TRANSLATE_NOOP("QObject", "Holiday"),
     "HolidayEvent",
     make<HolidayEvent>,
     ":/Ostrevalder/icons/holiday/balloons_",
     {16, 24, 48},
     16,
     nullptr,
     48,
     false,
     s_holidayFields,
     int(std::size(s_holidayFields)),
     nullptr,
     nullptr,
     HolidayEvent::typeMetaInfo},
    {EventTypeTask,
     "task",
     QT_TRANSLATE_NOOP("QObject", "Task"),
     "TaskEvent",
     make<TaskEvent>,
     ":/Ostrevalder/icons/task/clock_",
     {16, 24, 48},
     16,
     nullptr,
     0,
     true,
     s_taskFields,
     int(std::size(s_taskFields)),
     nullptr,
     nullptr,
     TaskEvent::typeMetaInfo},
};
constexpr int s_kindCount = int(std::size(s_kinds));

constexpr bool inKindOrder()
{
    for (int i = 0; i < s_kindCount; ++i) {
        if (s_kinds[i].type != i)
            return false;
    }
    return true;
}
static_assert(inKindOrder(), "a kind's row stands at its number");

struct Pictures
{
    QIcon small;
    QIcon picture;
    QIcon corner;
};

QString stemFile(const Kind &kind, int size)
{
    return QLatin1String(kind.iconStem) + QString::number(size) + QLatin1String(".png");
}

// Loaded on first use and kept for the run, as the icons are shown again and again.
const Pictures &pictures(const Kind &kind)
{
    static std::array<std::optional<Pictures>, s_kindCount> s_pictures;
    std::optional<Pictures> &slot = s_pictures[kind.type];
    if (!slot) {
        QStringList small;
        for (int size : kind.iconSizes) {
            if (size > 0)
                small << stemFile(kind, size);
        }
        const QString picture = kind.picture ? QLatin1String(kind.picture) : stemFile(kind, 128);
        slot = Pictures{eventIcon(small), eventIcon({picture}),
                        kind.cornerSize > 0 ? eventIcon({stemFile(kind, kind.cornerSize)}) : QIcon()};
    }
    return *slot;
}

QString wordsOrEmpty(const QString &text)
{
    return text.startsWith(QLatin1String("--")) ? QString() : text;
}

QVariant startValue(const Kind &kind, Start start)
{
    switch (start) {
    case Start::Unset:
        break;
    case Start::Off:
        return false;
    case Start::On:
        return true;
    case Start::NoWords:
        return QString();
    case Start::PrefixWords:
        return wordsOrEmpty(kind.prefixText());
    case Start::PostfixWords:
        return wordsOrEmpty(kind.postfixText());
    }
    return QVariant();
}

} // namespace EventKindsPrivate

using namespace EventKindsPrivate;

const EventKinds::Kind *EventKinds::find(int kind)
{
    if (!QR_CHECK(kind >= 0 && kind < s_kindCount))
        return nullptr;
    return &s_kinds[kind];
}

QIcon EventKinds::smallIcon(int kind)
{
    const Kind *k = find(kind);
    return k ? pictures(*k).small : QIcon();
}

QIcon EventKinds::picture(int kind)
{
    const Kind *k = find(kind);
    return k ? pictures(*k).picture : QIcon();
}

QPixmap EventKinds::listPixmap(int kind)
{
    const Kind *k = find(kind);
    return k ? pictures(*k).small.pixmap(QSize(k->listSize, k->listSize)) : QPixmap();
}

QPixmap EventKinds::cornerPixmap(int kind)
{
    const Kind *k = find(kind);
    if (!k || k->cornerSize == 0)
        return QPixmap();
    return pictures(*k).corner.pixmap(QSize(k->cornerSize, k->cornerSize));
}

CustomTypeMetaInfo EventKinds::fieldTable(int kind)
{
    CustomTypeMetaInfo info;
    const Kind *k = find(kind);
    if (!k)
        return info;
    for (const Field *field = k->fields; field != k->fields + k->fieldCount; ++field) {
        if (field->flags & Field::Shown)
            info.fieldsVisibility.insert(field->id, true);
        const QVariant value = startValue(*k, field->start);
        if (value.isValid())
            (field->flags & Field::Parameter ? info.parameters : info.defaultValues).insert(field->id, value);
        info.fieldNames.insert(field->id, QCoreApplication::translate(k->context, field->title));
    }
    return info;
}
