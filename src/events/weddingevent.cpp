#include "events/weddingevent.h"

#include "core/jsonobject.h"
#include "core/jsonparser.h"

#include "core/clock.h"
#include "core/log.h"
#include "core/simpleparser.h"
#include "events/eventkinds.h"

namespace WeddingEventPrivate {

QString tr(const char *text)
{
    return QCoreApplication::translate("WeddingEvent", text);
}

// Translated once, on first use, and kept for the run.
struct Texts
{
    QString anniversaryPrefix = tr("--WEDDINGANNIVERSARYPREFIX");
    QString anniversaryPostfix = tr("'s {YEARS_SINCE_EVENT_NATIVE} anniversary");
    QString anniversaryCaptionPrefix = tr("--WEDDINGCAPTIONANNIVERSARYPREFIX");
    QString anniversaryCaptionPostfix = tr("'s anniversary");
    QString ordinal = tr("<\\d?1[1-3]>{YEARS_SINCE_EVENT}th<\\d?1>{YEARS_SINCE_EVENT}st<\\d?2>{YEARS_SINCE_EVENT}nd"
                         "<\\d?[3]>{YEARS_SINCE_EVENT}rd<\\d?\\d?\\d?>{YEARS_SINCE_EVENT}th");
    QString lineTwo = tr("{WHEN} {PREFIX}{PERSON_ONE} and {PERSON_TWO}{POSTFIX}");
    QString lineOne = tr("{WHEN} {PREFIX}{PERSON_ONE}{POSTFIX}");
    QString anniversaryLineTwo = tr("{WHEN} {ANNIVERSARY_PREFIX}{PERSON_ONE} and {PERSON_TWO}{ANNIVERSARY_POSTFIX}");
    QString anniversaryLineOne = tr("{WHEN} {ANNIVERSARY_PREFIX}{PERSON_ONE}{ANNIVERSARY_POSTFIX}");
    QString captionTwo = tr("{PREFIX}{PERSON_ONE} and {PERSON_TWO}{POSTFIX}");
    QString captionOne = tr("{PREFIX}{PERSON_ONE}{POSTFIX}");
    QString anniversaryCaptionTwo =
        tr("{ANNIVERSARY_CAPTION_PREFIX}{PERSON_ONE} and {PERSON_TWO}{ANNIVERSARY_CAPTION_POSTFIX}");
    QString anniversaryCaptionOne = tr("{ANNIVERSARY_CAPTION_PREFIX}{PERSON_ONE}{ANNIVERSARY_CAPTION_POSTFIX}");
};

const Texts &texts()
{
    static const Texts s_texts;
    return s_texts;
}

} // namespace WeddingEventPrivate

using namespace WeddingEventPrivate;

CustomTypeMetaInfo WeddingEvent::typeMetaInfo()
{
    return EventKinds::fieldTable(EventTypeWedding);
}

WeddingEvent::WeddingEvent(const QByteArray &id) : AbstractCommonEvent(EventTypeWedding, id) {}

QString WeddingEvent::prefixText()
{
    static const QString s_text = tr("--WEDDINGPREFIX");
    return s_text;
}

QString WeddingEvent::postfixText()
{
    static const QString s_text = tr("'s wedding day");
    return s_text;
}

bool WeddingEvent::isWeddingDayFamily() const
{
    return period().beginDate() >= Common::Clock::today() || customTypeMetaInfo().isValid();
}

QString WeddingEvent::textTemplate() const
{
    const Texts &t = texts();
    if (isWeddingDayFamily())
        return m_personTwo.isEmpty() ? t.lineOne : t.lineTwo;
    return m_personTwo.isEmpty() ? t.anniversaryLineOne : t.anniversaryLineTwo;
}

QString WeddingEvent::caption() const
{
    const Texts &t = texts();
    QString templ;
    if (isWeddingDayFamily())
        templ = m_personTwo.isEmpty() ? t.captionOne : t.captionTwo;
    else
        templ = m_personTwo.isEmpty() ? t.anniversaryCaptionOne : t.anniversaryCaptionTwo;
    SimpleParser parser(const_cast<WeddingEvent *>(this));
    return parser.parse(templ, -1).trimmed();
}

void WeddingEvent::setCaption(const QString &)
{
    QR_ASSERT(!"shouldn't be used");
}

void WeddingEvent::setPersonOneName(const QString &name)
{
    if (name == m_personOne)
        return;
    m_personOne = name;
    notifyDataChanged();
}

void WeddingEvent::setPersonTwoName(const QString &name)
{
    if (name == m_personTwo)
        return;
    m_personTwo = name;
    notifyDataChanged();
}

QString WeddingEvent::decodeTag(const QString &tag, int number)
{
    const Texts &t = texts();
    if (tag == QLatin1String("{PERSON_ONE}"))
        return m_personOne;
    if (tag == QLatin1String("{PERSON_TWO}"))
        return m_personTwo;
    if (tag == QLatin1String("{PREFIX}"))
        return withBlankAfter(prefix());
    if (tag == QLatin1String("{POSTFIX}"))
        return withBlankBefore(postfix());
    if (tag == QLatin1String("{ANNIVERSARY_PREFIX}")) {
        SimpleParser parser(this);
        return withBlankAfter(parser.parse(t.anniversaryPrefix, -1));
    }
    if (tag == QLatin1String("{ANNIVERSARY_POSTFIX}")) {
        SimpleParser parser(this);
        return withBlankBefore(parser.parse(t.anniversaryPostfix, -1));
    }
    if (tag == QLatin1String("{ANNIVERSARY_CAPTION_PREFIX}"))
        return withBlankAfter(t.anniversaryCaptionPrefix);
    if (tag == QLatin1String("{ANNIVERSARY_CAPTION_POSTFIX}"))
        return withBlankBefore(t.anniversaryCaptionPostfix);
    if (tag == QLatin1String("{YEARS_SINCE_EVENT_NATIVE}"))
        return parseChoices(t.ordinal, nextAnniversaryNumber());
    if (tag == QLatin1String("{YEARS_SINCE_EVENT}"))
        return QString::number(nextAnniversaryNumber());
    return AbstractCommonEvent::decodeTag(tag, number);
}

void WeddingEvent::infoRows(QStringList &names, QStringList &values, bool withoutDate) const
{
    names << tr("Wedding:");
    values << dateText(period().beginDate());
    const QDate today = Common::Clock::today();
    if (occurrence().type() != IOccurrence::Once && nextDate(today) != period().beginDate() && !withoutDate) {
        names << tr("Next Occurrence:");
        values << nextDateText();
    }
    appendCommentRow(names, values, true);
}

void WeddingEvent::applyCustomTypeDefaults()
{
    const bool yearly = customTypeMetaInfo().defaultValues.value("remindEveryYearField").toBool();
    setOccurrence(Occurrence(period().beginDate(), yearly ? IOccurrence::Yearly : IOccurrence::Once));
}

void WeddingEvent::loadFromVariant(const QVariant &value)
{
    load(value.toMap());
}

void WeddingEvent::loadFromJson(const Common::JsonObject &object)
{
    load(object);
}

template <class Map> void WeddingEvent::load(const Map &map)
{
    const int version = map.value(QStringLiteral("version")).toInt();
    QR_ASSERT(version == 1);
    setPersonOneName(map.value(QStringLiteral("personOneName")).toString());
    setPersonTwoName(map.value(QStringLiteral("personTwoName")).toString());
    loadAbstract(map, QStringLiteral("abstract"));
}

void WeddingEvent::writeJson(Common::JsonWriter &writer, SaveFlags flags) const
{
    writer.beginObject();
    writer.name("abstract");
    AbstractCommonEvent::writeJson(writer, flags);
    writer.name("personOneName");
    writer.value(m_personOne);
    writer.name("personTwoName");
    writer.value(m_personTwo);
    writer.name("version");
    writer.value(1);
    writer.endObject();
}

QVariant WeddingEvent::saveToVariant(SaveFlags flags) const
{
    QVariantMap map;
    map.insert(QStringLiteral("version"), 1);
    map.insert(QStringLiteral("personOneName"), m_personOne);
    map.insert(QStringLiteral("personTwoName"), m_personTwo);
    map.insert(QStringLiteral("abstract"), AbstractCommonEvent::saveToVariant(flags));
    return map;
}
