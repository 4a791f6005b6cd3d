#include "events/birthdayevent.h"

#include "core/jsonobject.h"
#include "core/jsonparser.h"

#include "core/clock.h"
#include "core/log.h"
#include "core/simpleparser.h"
#include "events/eventkinds.h"
#include "events/eventresources.h"

namespace BirthdayEventPrivate {

const QString s_version = QStringLiteral("version");
const QString s_abstract = QStringLiteral("abstract");
const QString s_genderId = QStringLiteral("genderId");
const QString s_personName = QStringLiteral("personName");
const QString s_relation = QStringLiteral("relation");

QString tr(const char *text)
{
    return QCoreApplication::translate("BirthdayEvent", text);
}

const QString &runningLineTemplate()
{
    static const QString s_text = tr("{WHEN} {PREFIX}{PERSON}{POSTFIX}");
    return s_text;
}

const QString &captionTemplate()
{
    static const QString s_text = tr("{PREFIX}{PERSON}{POSTFIX}");
    return s_text;
}

const QString &ageTemplate()
{
    static const QString s_text =
        tr("<\\d?1[1-3]>{YEARS_SINCE_EVENT}th<\\d?1>{YEARS_SINCE_EVENT}st<\\d?2>{YEARS_SINCE_EVENT}nd"
           "<\\d?[3]>{YEARS_SINCE_EVENT}rd<\\d?\\d?\\d?>{YEARS_SINCE_EVENT}th");
    return s_text;
}

} // namespace BirthdayEventPrivate

using namespace BirthdayEventPrivate;

CustomTypeMetaInfo BirthdayEvent::typeMetaInfo()
{
    return EventKinds::fieldTable(EventTypeBirthday);
}

BirthdayEvent::BirthdayEvent(const QByteArray &id) : AbstractCommonEvent(EventTypeBirthday, id)
{
    const QDate today = Common::Clock::today();
    initPeriod(Period(QDate(s_noYear, today.month(), today.day())));
}

QString BirthdayEvent::prefixText()
{
    static const QString s_text = tr("--BIRTHDAYPREFIX");
    return s_text;
}

QString BirthdayEvent::postfixText()
{
    static const QString s_text = tr("'s {AGE} birthday");
    return s_text;
}

QIcon BirthdayEvent::maleIcon()
{
    return EventKinds::picture(EventTypeBirthday);
}

QIcon BirthdayEvent::femaleIcon()
{
    static const QIcon s_icon = eventIcon({QStringLiteral(":/Ostrevalder/icons/gender/female_128.png")});
    return s_icon;
}

QIcon BirthdayEvent::icon() const
{
    return m_genderId != 0 ? femaleIcon() : maleIcon();
}

QString BirthdayEvent::caption() const
{
    SimpleParser parser(const_cast<BirthdayEvent *>(this));
    return parser.parse(captionTemplate(), -1);
}

void BirthdayEvent::setCaption(const QString &)
{
    // The caption is always made from the person.
}

QString BirthdayEvent::textTemplate() const
{
    return runningLineTemplate();
}

int BirthdayEvent::yearsBetween(const QDate &a, const QDate &b)
{
    const QDate early = qMin(a, b);
    const QDate late = qMax(a, b);
    const bool notYetCome = late.month() < early.month() || (late.month() == early.month() && late.day() < early.day());
    return late.year() - early.year() - (notYetCome ? 1 : 0);
}

int BirthdayEvent::age() const
{
    QR_ASSERT(ageCounted());
    return yearsBetween(Common::Clock::today(), birthDate());
}

void BirthdayEvent::setGenderId(int genderId)
{
    if (genderId == m_genderId)
        return;
    m_genderId = genderId;
    notifyDataChanged();
    clearPhotoCache();
}

QString BirthdayEvent::genderName() const
{
    return m_genderId == 0 ? tr("Male") : tr("Female");
}

void BirthdayEvent::setPersonName(const QString &name)
{
    if (name == m_personName)
        return;
    m_personName = name;
    notifyDataChanged();
}

QString BirthdayEvent::decodeTag(const QString &tag, int number)
{
    if (tag == QLatin1String("{PERSON}"))
        return m_personName;
    if (tag == QLatin1String("{POSTFIX}") || tag == QLatin1String("{PREFIX}")) {
        const int years = number >= 0 ? nextAnniversaryNumber() : -1;
        SimpleParser parser(this);
        if (tag == QLatin1String("{POSTFIX}"))
            return withBlankBefore(parser.parse(postfix(), years));
        return withBlankAfter(parser.parse(prefix(), years));
    }
    if (tag == QLatin1String("{AGE}")) {
        if (!ageCounted() || number <= 0)
            return QString();
        return parseChoices(ageTemplate(), nextAnniversaryNumber());
    }
    if (tag == QLatin1String("{YEARS_SINCE_EVENT}"))
        return QString::number(nextAnniversaryNumber());
    return AbstractCommonEvent::decodeTag(tag, number);
}

void BirthdayEvent::infoRows(QStringList &names, QStringList &values, bool withoutDate) const
{
    if (!withoutDate) {
        names << tr("Date:");
        values << nextDateText();
    }
    if (ageCounted()) {
        const QDate today = Common::Clock::today();
        if (nextDate(today) == today) {
            names << tr("Age:");
            values << QString::number(age());
        } else {
            names << tr("Age will be:");
            values << QString::number(age() + 1);
        }
    }
    appendCommentRow(names, values, true);
}

void BirthdayEvent::writeJson(Common::JsonWriter &writer, SaveFlags flags) const
{
    writer.beginObject();
    writer.name("abstract");
    AbstractCommonEvent::writeJson(writer, flags);
    writer.name("genderId");
    writer.value(m_genderId);
    writer.name("personName");
    writer.value(m_personName);
    writer.name("version");
    writer.value(3);
    writer.endObject();
}

QVariant BirthdayEvent::saveToVariant(SaveFlags flags) const
{
    QVariantMap map;
    map.insert(s_version, 3);
    map.insert(s_abstract, AbstractCommonEvent::saveToVariant(flags));
    map.insert(s_genderId, m_genderId);
    map.insert(s_personName, m_personName);
    return map;
}

void BirthdayEvent::loadFromVariant(const QVariant &value)
{
    load(value.toMap());
}

void BirthdayEvent::loadFromJson(const Common::JsonObject &object)
{
    load(object);
}

template <class Map> void BirthdayEvent::load(const Map &map)
{
    const int version = map.value(s_version).toInt();
    loadAbstract(map, s_abstract);

    const QDate born = birthDate();
    if (born.year() == 1850)
        setPeriod(Period(QDate(s_noYear, born.month(), born.day())));

    if (version == 1 || version == 2) {
        const QString relation = map.value(s_relation).toString();
        if (comment().isEmpty())
            setComment(relation);
        QString name = AbstractCommonEvent::caption();
        if (!name.isEmpty()) {
            name.remove(prefixText());
            name.remove(postfixText());
            setPersonName(name);
        }
    }
    if (version > 1)
        setGenderId(map.value(s_genderId).toInt());
    if (version > 2)
        setPersonName(map.value(s_personName).toString());
}
