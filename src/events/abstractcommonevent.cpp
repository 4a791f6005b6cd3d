#include "events/abstractcommonevent.h"

#include "core/applocale.h"
#include "core/clock.h"
#include "core/dateconversions.h"
#include "core/delayeduserinfo.h"
#include "core/jsonobject.h"
#include "core/jsonparser.h"
#include "core/iapplication.h"
#include "core/log.h"
#include "core/properties.h"
#include "core/settingkeys.h"
#include "core/simpleparser.h"
#include "events/eventkinds.h"
#include "events/eventsfactory.h"

#include <QCoreApplication>
#include <QHash>
#include <QRegularExpression>
#include <QUuid>

#include <algorithm>
#include <string_view>

namespace AbstractCommonEventPrivate {

const QString s_version = QStringLiteral("version");
const QString s_caption = QStringLiteral("caption");
const QString s_comment = QStringLiteral("comment");
const QString s_period = QStringLiteral("period");
const QString s_date = QStringLiteral("date");
const QString s_occurrence = QStringLiteral("occurrence");
const QString s_daysToWatch = QStringLiteral("daysToWatch");
const QString s_id = QStringLiteral("id");
const QString s_lastModified = QStringLiteral("lastModified");
const QString s_customTypeMetaInfo = QStringLiteral("customTypeMetaInfo");
const QString s_hasPhoto = QStringLiteral("hasPhoto");
const QString s_calendarId = QStringLiteral("calendarId");
const int s_currentVersion = 8;

QString tr(const char *text)
{
    return QCoreApplication::translate("AbstractCommonEvent", text);
}

const QString &daysTemplate()
{
    static const QString s_text = tr("<[0]>Today {WHENTIME}is<[1]>Tomorrow {WHENTIME}is<\\d\\d?>{NDAYS} days till");
    return s_text;
}

const QString &defaultTextTemplate()
{
    static const QString s_text = tr("{WHEN} {CAPTION}");
    return s_text;
}

const QString &timeTemplate()
{
    static const QString s_text = tr("at {TIME} ");
    return s_text;
}

const QString &dayOfPeriodTemplate()
{
    static const QString s_text = tr("day {FROMDAYTODAY}");
    return s_text;
}

QByteArray newId()
{
    return QUuid::createUuid().toString().toLatin1();
}

bool boolProperty(const char *id)
{
    IApplication *app = IApplication::instance();
    if (!app || !app->properties())
        return false;
    return app->properties()->value(QByteArray(id)).toBool();
}

// Control characters become blanks; characters beyond the basic plane (emoji) are judged whole.
QString printable(QString text)
{
    for (qsizetype i = 0; i < text.size(); ++i) {
        const QChar c = text.at(i);
        if (c.isHighSurrogate() && i + 1 < text.size() && text.at(i + 1).isLowSurrogate()) {
            if (!QChar::isPrint(QChar::surrogateToUcs4(c, text.at(i + 1)))) {
                text[i] = QLatin1Char(' ');
                text[i + 1] = QLatin1Char(' ');
            }
            ++i;
        } else if (!c.isPrint()) {
            text[i] = QLatin1Char(' ');
        }
    }
    return text;
}

using FormMakers = QHash<int, AbstractCommonEvent::FormMaker>;
FormMakers &formMakers()
{
    static FormMakers s_makers;
    return s_makers;
}

AbstractCommonEvent::InfoWidgetMaker &infoWidgetMaker()
{
    static AbstractCommonEvent::InfoWidgetMaker s_maker;
    return s_maker;
}

AbstractCommonEvent::EditDialogRunner &editDialogRunner()
{
    static AbstractCommonEvent::EditDialogRunner s_runner;
    return s_runner;
}

thread_local QList<AbstractCommonEvent *> *s_photosWaiting = nullptr;

AbstractCommonEvent::EditorPixmapMaker &editorPixmapMaker()
{
    static AbstractCommonEvent::EditorPixmapMaker s_maker;
    return s_maker;
}

// A member holding an object, in the form its reader takes.
QVariant memberOf(const QVariantMap &map, const QString &name)
{
    return map.value(name);
}

Common::JsonObject memberOf(const Common::JsonObject &object, const QString &name)
{
    return object.object(name);
}
} // namespace AbstractCommonEventPrivate

using namespace AbstractCommonEventPrivate;

AbstractCommonEvent::AbstractCommonEvent(EventType type, const QByteArray &id)
    : AbstractCommonEvent(type, id, Common::Clock::now())
{
}

// One reading of the clock for all three, which also keeps them on the same day at midnight.
AbstractCommonEvent::AbstractCommonEvent(EventType type, const QByteArray &id, const QDateTime &now)
    : m_period(now.date()), m_lastModified(now), m_type(type), m_occurrence(now.date(), IOccurrence::Once),
      m_id(id.isEmpty() ? newId() : id)
{
}

void AbstractCommonEvent::notifyDataChanged()
{
    ++m_revision;
    invalidateCache();
    emit dataChanged();
    if (m_listener && !signalsBlocked())
        m_listener->eventDataChanged(this);
}

void AbstractCommonEvent::notifyPeriodChanged()
{
    emit periodChanged();
    if (m_listener && !signalsBlocked())
        m_listener->eventPeriodChanged(this);
}

void AbstractCommonEvent::requestRemoval()
{
    emit removeRequired();
    if (m_listener && !signalsBlocked())
        m_listener->eventRemoveRequired(this);
}

AbstractCommonEvent::~AbstractCommonEvent() = default;

QList<QAction *> AbstractCommonEvent::contextMenuActions() const
{
    return {};
}

bool AbstractCommonEvent::isMovingLineEnabled() const
{
    return true;
}

QDateTime AbstractCommonEvent::reminderDateTime() const
{
    return QDateTime();
}

QDateTime AbstractCommonEvent::reminderDateTimeAfter(const QDateTime &) const
{
    return QDateTime();
}

QDateTime AbstractCommonEvent::reminderUtcAfter(const QDateTime &, qint64) const
{
    return QDateTime();
}

QDateTime AbstractCommonEvent::remindedBeginAfter(const QDateTime &) const
{
    return QDateTime();
}

QString AbstractCommonEvent::soundPath() const
{
    return QString();
}

void AbstractCommonEvent::setCaption(const QString &caption)
{
    if (caption == m_caption)
        return;
    m_caption = caption;
    notifyDataChanged();
}

void AbstractCommonEvent::setComment(const QString &comment)
{
    if (comment == m_comment)
        return;
    m_comment = comment;
    notifyDataChanged();
}

void AbstractCommonEvent::initPeriod(const Period &period)
{
    m_period = period;
    m_nextDay = QDate();
    QR_ASSERT(m_period.beginDate().isValid());
    if (m_period.beginDate().isValid())
        m_occurrence.setStartDate(m_period.beginDate());
}

void AbstractCommonEvent::setPeriod(const Period &period)
{
    if (period == m_period)
        return;
    initPeriod(period);
    notifyDataChanged();
    notifyPeriodChanged();
}

QDateTime AbstractCommonEvent::lastModified() const
{
    if (m_stampPending) {
        m_lastModified = QDateTime(m_stampDate, m_stampTime);
        m_stampPending = false;
    }
    return m_lastModified;
}

void AbstractCommonEvent::setLastModified(const QDateTime &lastModified)
{
    if (lastModified == this->lastModified())
        return;
    m_lastModified = lastModified;
    notifyDataChanged();
}

void AbstractCommonEvent::setOccurrence(const Occurrence &occurrence)
{
    // An event's rule always starts on the period's begin date.
    Occurrence anchored(occurrence);
    if (m_period.beginDate().isValid())
        anchored.setStartDate(m_period.beginDate());
    if (anchored == m_occurrence)
        return;
    m_occurrence = anchored;
    notifyDataChanged();
    notifyPeriodChanged();
}

void AbstractCommonEvent::setDaysToWatch(int days)
{
    if (days == m_daysToWatch)
        return;
    m_daysToWatch = days;
    notifyDataChanged();
}

void AbstractCommonEvent::setCalendarId(const QByteArray &id, bool silent)
{
    if (id == m_calendarId)
        return;
    m_calendarId = id;
    ++m_revision;
    if (!silent)
        notifyDataChanged();
}

void AbstractCommonEvent::setCustomTypeMetaInfo(const CustomTypeInfo &info)
{
    m_customTypeMetaInfo = info;
    ++m_revision;
    if (info.isValid())
        applyCustomTypeDefaults();
}

QDate AbstractCommonEvent::nextDate(const QDate &from) const
{
    return m_occurrence.nextDate(from);
}

QList<QDate> AbstractCommonEvent::occurrences(const QDate &begin, const QDate &end) const
{
    return m_occurrence.occurrences(begin, end);
}

bool AbstractCommonEvent::isExpired(int days) const
{
    if (m_occurrence.type() != IOccurrence::Once)
        return false;
    const qint64 past = m_period.endDate().daysTo(Common::Clock::today());
    if (!m_period.hasTime() || past <= days || past > days + 1)
        return past > days;
    // A clock gap can move an end late in the day into the next: only then is the local time needed.
    return m_period.endDateTime().daysTo(Common::Clock::now()) > days;
}

Period AbstractCommonEvent::nextPeriod() const
{
    // The answer depends on the day alone, until the event changes.
    const QDate today = Common::Clock::today();
    if (m_nextDay != today || m_nextRevision != m_revision) {
        m_nextBegin = isExpired(0) ? QDate() : nextDate(today.addDays(-m_period.lengthInDays()));
        m_nextDay = today;
        m_nextRevision = m_revision;
    }
    if (!m_nextBegin.isValid())
        return Period();
    return m_period.addDays(m_period.beginDate().daysTo(m_nextBegin));
}

// ---- persistence

QVariant AbstractCommonEvent::saveToVariant(SaveFlags flags) const
{
    QVariantMap map;
    map.insert(s_version, s_currentVersion);
    map.insert(s_caption, m_caption);
    map.insert(s_comment, m_comment);
    map.insert(s_period, m_period.toJson());
    map.insert(s_occurrence, m_occurrence.toJson());
    map.insert(s_daysToWatch, m_daysToWatch);
    map.insert(s_id, QString::fromUtf8(m_id));
    map.insert(s_lastModified, dateTimeToVariant(lastModified()));
    map.insert(s_customTypeMetaInfo, m_customTypeMetaInfo.toJson());
    if (flags.testFlag(SaveWithPhotoFlag))
        map.insert(s_hasPhoto, m_hasPhoto);
    map.insert(s_calendarId, QString::fromUtf8(m_calendarId));
    return map;
}

void AbstractCommonEvent::writeJson(Common::JsonWriter &writer, SaveFlags flags) const
{
    writer.beginObject();
    writer.name("calendarId");
    writer.value(QString::fromUtf8(m_calendarId));
    writer.name("caption");
    writer.value(m_caption);
    writer.name("comment");
    writer.value(m_comment);
    writer.name("customTypeMetaInfo");
    m_customTypeMetaInfo.writeJson(writer);
    writer.name("daysToWatch");
    writer.value(m_daysToWatch);
    if (flags.testFlag(SaveWithPhotoFlag)) {
        writer.name("hasPhoto");
        writer.value(m_hasPhoto);
    }
    writer.name("id");
    writer.value(QString::fromUtf8(m_id));
    writer.name("lastModified");
    // A stamp not yet made is written from its parts, without changing the event: this may run on
    // any thread. (A stamp that falls into a daylight-saving gap is no valid local time and was
    // written as "", losing it; its parts keep it.)
    writer.value(m_stampPending ? plainLocalStampText(m_stampDate, m_stampTime) : dateTimeText(m_lastModified));
    writer.name("occurrence");
    m_occurrence.writeJson(writer);
    writer.name("period");
    m_period.writeJson(writer);
    writer.name("version");
    writer.value(s_currentVersion);
    writer.endObject();
}

void AbstractCommonEvent::loadFromVariant(const QVariant &value)
{
    loadFields(value.toMap());
}

void AbstractCommonEvent::loadFromJson(const Common::JsonObject &object)
{
    loadFields(object);
}

void AbstractCommonEvent::loadAbstract(const QVariantMap &map, const QString &name)
{
    loadFields(map.value(name).toMap());
}

void AbstractCommonEvent::loadAbstract(const Common::JsonObject &object, const QString &name)
{
    loadFields(object.object(name));
}

template <class Map> void AbstractCommonEvent::loadFields(const Map &map)
{
    const int version = map.value(s_version).toInt();
    // An event is found by its id; a map without one keeps the id the event was made with,
    // and an event made to be loaded gets a new one.
    const QString storedId = version > 1 ? map.value(s_id).toString() : QString();
    if (!storedId.isEmpty())
        m_id = storedId.toUtf8();
    else if (m_id == idToBeLoaded())
        m_id = newId();
    if (version < 1)
        return;

    m_caption = map.value(s_caption).toString();
    m_comment = map.value(s_comment).toString();
    m_daysToWatch = map.value(s_daysToWatch).toInt();
    if (version > 2) {
        const QString stamp = map.value(s_lastModified).toString();
        m_stampPending = plainLocalStamp(stamp, &m_stampDate, &m_stampTime);
        if (!m_stampPending)
            m_lastModified = dateTimeFromVariant(stamp);
    }

    if (version < 4)
        m_period = Period(dateFromMap(map.value(s_date)));
    else if (version < 6)
        m_period = Period(dateFromVariant(map.value(s_date)));
    else
        m_period.fromJson(memberOf(map, s_period));

    m_repairedOnLoad = !m_period.beginDate().isValid();
    if (m_repairedOnLoad) {
        const QString text = tr("Date in the following event '{CAPTION}' was saved incorrectly and the event was "
                                "moved to today.\nPlease go to the editor and correct the event manually.");
        QMetaObject::invokeMethod(
            this, [this, text] { showUserError(text); }, Qt::QueuedConnection);
        QR_LOG("Event " + m_id + " had no readable begin date; moved to today");
        m_period = Period(Common::Clock::today());
    }
    m_occurrence.setStartDate(m_period.beginDate());

    if (version < 7) {
        m_occurrence = convertOldOccurrence(map.value(s_occurrence).toInt());
    } else {
        m_occurrence.fromJson(memberOf(map, s_occurrence));
        // A stored rule carries no start date; it always follows the period.
        m_occurrence.setStartDate(m_period.beginDate());
    }

    if (version > 7)
        m_customTypeMetaInfo = CustomTypeInfo::fromJson(memberOf(map, s_customTypeMetaInfo));

    if (map.contains(s_hasPhoto)) {
        m_hasPhoto = map.value(s_hasPhoto).toBool();
        if (m_hasPhoto && s_photosWaiting)
            s_photosWaiting->append(this);
        else if (m_hasPhoto)
            restorePhoto();
    }
    m_calendarId = map.value(s_calendarId).toString().toUtf8();
    notifyDataChanged();
}

void AbstractCommonEvent::deferPhotoRestore(QList<AbstractCommonEvent *> *waiting)
{
    s_photosWaiting = waiting;
}

const QByteArray &AbstractCommonEvent::idToBeLoaded()
{
    static const QByteArray s_id = QByteArrayLiteral("{id to be loaded}");
    return s_id;
}

Occurrence AbstractCommonEvent::convertOldOccurrence(int old) const
{
    const QDate start = m_period.beginDate();
    switch (old) {
    case 0:
        return Occurrence(start, IOccurrence::Once);
    case 1:
        return Occurrence(start, IOccurrence::Weekly);
    case 2:
        return Occurrence(start, IOccurrence::Monthly);
    case 3:
        return Occurrence(start, IOccurrence::Yearly);
    case 4: {
        Occurrence occurrence(start, IOccurrence::Weekly);
        occurrence.setStep(2);
        return occurrence;
    }
    default:
        QR_ASSERT(false && "old occurrence type not found");
        // Anchored on the event's own date, like every rule of an event.
        return Occurrence(start, IOccurrence::Once);
    }
}

void AbstractCommonEvent::showUserError(const QString &errorText)
{
    SimpleParser parser(this);
    const QString text = parser.parse(errorText, -1);
    QR_LOG("User error: " + text.toUtf8());
    new DelayedUserInfo(Common::UserMessages::Warning, tr("Error"), text);
}

// ---- running-line text

QString AbstractCommonEvent::text(bool withWhen) const
{
    if (m_textDay != Common::Clock::today() || m_text.isEmpty())
        rebuildTextCache();
    return withWhen ? m_text : m_textWithoutWhen;
}

QString AbstractCommonEvent::cachedText() const
{
    if (m_textDay != Common::Clock::today() || m_whenText.isEmpty())
        text(true);
    return m_whenText;
}

bool AbstractCommonEvent::isTextCached() const
{
    return !m_text.isEmpty() && m_textDay == Common::Clock::today();
}

void AbstractCommonEvent::invalidateCache()
{
    m_text.clear();
    m_textWithoutWhen.clear();
    m_whenText.clear();
}

void AbstractCommonEvent::rebuildTextCache() const
{
    // Tags are decoded through the non-const provider interface; decoding changes nothing.
    auto *self = const_cast<AbstractCommonEvent *>(this);
    SimpleParser parser(self);
    const QDate today = Common::Clock::today();
    const Period next = nextPeriod();
    const int days = int(qMax<qint64>(0, today.daysTo(next.beginDate())));

    const QString templ = textTemplate();
    const QString full = printable(parser.parse(templ, days));
    QString withoutWhenTemplate = templ;
    withoutWhenTemplate.remove(QStringLiteral("{WHEN}"));
    const QString withoutWhen = printable(parser.parse(withoutWhenTemplate, -1));

    QString suffix;
    if (!next.isValid() || today > next.endDate()) {
        suffix = QStringLiteral(" (") + tr("overdue") + QLatin1Char(')');
    } else if (next.lengthInDays() >= 1 && today >= next.beginDate() && !boolProperty(Setting::RemoveTextDayXfromY)) {
        suffix = QStringLiteral(" (") + parser.parse(dayOfPeriodTemplate(), -1) + QLatin1Char(')');
    }

    m_textDay = today;
    m_text = full + suffix;
    m_textWithoutWhen = withoutWhen + suffix;
    m_whenText = full;
    if (!withoutWhen.isEmpty())
        m_whenText.remove(withoutWhen);
}

QString AbstractCommonEvent::formattedDays(int days)
{
    QR_ASSERT(days >= 0);
    return parseChoices(daysTemplate(), days);
}

QString AbstractCommonEvent::textTemplate() const
{
    return defaultTextTemplate();
}

QString AbstractCommonEvent::decodeTag(const QString &tag, int number)
{
    if (tag == QLatin1String("{NDAYS}"))
        return QString::number(number);
    if (tag == QLatin1String("{WHEN}")) {
        if (boolProperty(Setting::RemoveTextToday))
            return QString();
        return formattedDays(number).trimmed();
    }
    if (tag == QLatin1String("{CAPTION}"))
        return caption();
    if (tag == QLatin1String("{WHENTIME}")) {
        if (!m_period.hasTime())
            return QString();
        SimpleParser parser(this);
        return parser.parse(timeTemplate(), -1);
    }
    if (tag == QLatin1String("{TIME}")) {
        IApplication *app = IApplication::instance();
        const QString format = app ? app->timeFormat() : QStringLiteral("h:mm");
        // On a date whose time the clocks skip, the event comes at the moment that time moves to.
        const QDate day = nextPeriod().beginDate();
        QTime time = m_period.beginTime();
        if (day.isValid() && !localEpochMSecs(day, time))
            time = localDateTime(day, time).time();
        return time.toString(format);
    }
    if (tag == QLatin1String("{FROMDAYTODAY}")) {
        const QDate today = Common::Clock::today();
        const qint64 day = nextPeriod().beginDate().daysTo(today) + 1;
        return QStringLiteral("%1/%2").arg(day).arg(m_period.lengthInDays() + 1);
    }
    return tag;
}

bool AbstractCommonEvent::isNameJoiner(QChar c)
{
    return c == QLatin1Char('-') || c == QLatin1Char('\'') || c == QLatin1Char(' ') || c == QLatin1Char('#') ||
           c == QLatin1Char('_');
}

QString AbstractCommonEvent::withBlankBefore(const QString &text)
{
    if (text.isEmpty() || isNameJoiner(text.front()))
        return text;
    return QLatin1Char(' ') + text;
}

QString AbstractCommonEvent::withBlankAfter(const QString &text)
{
    if (text.isEmpty() || isNameJoiner(text.back()))
        return text;
    return text + QLatin1Char(' ');
}

// The parser answers a number no choice matches with an error text; counts beyond the template's
// choices ("100 days till", a 1000th anniversary) read better with its last choice.
QString AbstractCommonEvent::parseChoices(const QString &choices, int number)
{
    SimpleParser parser(this);
    QString result = parser.parse(choices, number);
    if (result.startsWith(QLatin1String("Cannot parse string: "))) {
        const int last = choices.lastIndexOf(QLatin1Char('>'));
        if (last >= 0)
            result = parser.parse(choices.mid(last + 1), number);
    }
    return result;
}

int AbstractCommonEvent::nextAnniversaryNumber() const
{
    const QDate b = m_period.beginDate();
    const QDate today = Common::Clock::today();
    int years = today.year() - b.year();
    if (today.month() > b.month() || (today.month() == b.month() && today.day() > b.day()))
        ++years;
    return years;
}

QString AbstractCommonEvent::nextDateText() const
{
    const QDate today = Common::Clock::today();
    const QDate next = nextDate(today);
    if (next == today)
        return tr("Today");
    return dateText(next);
}

QString AbstractCommonEvent::dateText(const QDate &date)
{
    return Common::appLocale().toString(date, QStringLiteral("ddd MMM d yyyy"));
}

void AbstractCommonEvent::appendWhenRows(QStringList &names, QStringList &values, bool withoutDate) const
{
    if (!m_period.hasNoEnd()) {
        names << QCoreApplication::translate("PeriodControl", "Period") + QLatin1Char(':');
        values << nextPeriod().text(Qt::TextDate);
    } else if (!withoutDate) {
        names << tr("Next Occurrence:");
        values << nextDateText();
    }
}

void AbstractCommonEvent::appendCommentRow(QStringList &names, QStringList &values, bool evenEmpty) const
{
    if (!evenEmpty && m_comment.isEmpty())
        return;
    if (m_customTypeMetaInfo.isValid() && !m_customTypeMetaInfo.fieldsVisibility.value("commentField"))
        return;
    names << tr("Comment:");
    values << m_comment;
}

// ---- display and editing without widgets

QString AbstractCommonEvent::typeName() const
{
    if (m_customTypeMetaInfo.isValid())
        return m_customTypeMetaInfo.name;
    return EventsFactory::eventName(m_type);
}

QByteArray AbstractCommonEvent::textId() const
{
    const EventKinds::Kind *kind = EventKinds::find(m_type);
    return kind ? QByteArray::fromRawData(kind->textId, int(qstrlen(kind->textId))) : QByteArray();
}

CustomTypeInfo AbstractCommonEvent::defaultCustomTypeMetaInfo() const
{
    return CustomTypeInfo(EventsFactory::customTypeMetaInfo(m_type));
}

void AbstractCommonEvent::applyCustomTypeDefaults() {}

bool AbstractCommonEvent::isFieldVisible(const QByteArray &field) const
{
    if (m_customTypeMetaInfo.fieldsVisibility.contains(field))
        return m_customTypeMetaInfo.fieldsVisibility.value(field);
    return defaultCustomTypeMetaInfo().fieldsVisibility.value(field);
}

QString AbstractCommonEvent::prefix() const
{
    if (m_customTypeMetaInfo.isValid())
        return m_customTypeMetaInfo.defaultValues.value("1prefixField").toString();
    const EventKinds::Kind *kind = EventKinds::find(m_type);
    return kind && kind->prefixText ? kind->prefixText() : QString();
}

QString AbstractCommonEvent::postfix() const
{
    if (m_customTypeMetaInfo.isValid())
        return m_customTypeMetaInfo.defaultValues.value("2postfixField").toString();
    const EventKinds::Kind *kind = EventKinds::find(m_type);
    return kind && kind->postfixText ? kind->postfixText() : QString();
}

QVariant AbstractCommonEvent::fieldDefaultValue(const QByteArray &field) const
{
    if (m_customTypeMetaInfo.defaultValues.contains(field))
        return m_customTypeMetaInfo.defaultValues.value(field);
    return defaultCustomTypeMetaInfo().defaultValues.value(field);
}

QWidget *AbstractCommonEvent::infoWidget() const
{
    if (!infoWidgetMaker())
        return nullptr;
    return infoWidgetMaker()(this);
}

void AbstractCommonEvent::setInfoWidgetMaker(InfoWidgetMaker maker)
{
    infoWidgetMaker() = std::move(maker);
}

void AbstractCommonEvent::setEditDialogRunner(EditDialogRunner runner)
{
    editDialogRunner() = std::move(runner);
}

void AbstractCommonEvent::setEditorPixmapMaker(EditorPixmapMaker maker)
{
    editorPixmapMaker() = std::move(maker);
}

bool AbstractCommonEvent::editDialog(QWidget *parent)
{
    QR_ASSERT(editDialogRunner());
    return editDialogRunner() && editDialogRunner()(this, parent);
}

QPixmap AbstractCommonEvent::editorPixmap()
{
    if (!editorPixmapMaker())
        return QPixmap();
    return editorPixmapMaker()(this);
}

void AbstractCommonEvent::setFormMaker(EventType type, FormMaker maker)
{
    formMakers().insert(type, std::move(maker));
}

QWidget *AbstractCommonEvent::eventWidget(QWidget *parent)
{
    const FormMaker maker = formMakers().value(m_type);
    if (!maker)
        return nullptr;
    m_form = maker(this, parent);
    m_formObject = m_form ? m_form->object() : nullptr;
    return m_form ? m_form->widget() : nullptr;
}

IEventForm *AbstractCommonEvent::openForm() const
{
    return m_formObject ? m_form : nullptr;
}

bool AbstractCommonEvent::acceptEditor(QString &errorText)
{
    IEventForm *form = openForm();
    QR_ASSERT(form);
    return form && form->accept(errorText);
}

void AbstractCommonEvent::acceptCommonEditorValues(const EditorValues &values)
{
    if (values.photoChanged) {
        if (!values.photoIsDefault)
            setPhoto(values.photo);
        else if (hasStoredPhoto())
            removePhoto();
        clearPhotoCache();
    }
    setCalendarId(values.calendarId, true);
    setLastModified(Common::Clock::now());
}

namespace AbstractCommonEventPrivate {

// The regular expressions' \w without Unicode properties.
bool isWordChar(char16_t u)
{
    return (u >= u'a' && u <= u'z') || (u >= u'A' && u <= u'Z') || (u >= u'0' && u <= u'9') || u == u'_';
}

bool isAsciiLetter(char16_t u)
{
    return (u >= u'a' && u <= u'z') || (u >= u'A' && u <= u'Z');
}

// A character that a web address may hold before its top-level domain.
bool isHostChar(char16_t u)
{
    return isAsciiLetter(u) || (u >= u'0' && u <= u'9') || u == u'-' || u == u'.';
}

bool isMailNameChar(char16_t u)
{
    return isWordChar(u) || u == u'-' || u == u'.';
}

// The length of the scheme that starts at `at`, 0 when none does.
qsizetype schemeLength(const char16_t *at, qsizetype left)
{
    const auto startsWith = [at, left](std::u16string_view scheme) {
        return qsizetype(scheme.size()) <= left && std::u16string_view(at, scheme.size()) == scheme;
    };
    if (*at == u'h')
        return startsWith(u"http://") ? 7 : startsWith(u"https://") ? 8 : 0;
    return *at == u'f' && startsWith(u"ftp://") ? 6 : 0;
}

// Where a run of characters that `inRun` takes ends, from `from`; sets `domainDot` to the run's last
// dot that two ASCII letters follow (-1 when none).
template <typename InRun>
qsizetype runEnd(const char16_t *s, qsizetype size, qsizetype from, InRun inRun, qsizetype *domainDot)
{
    *domainDot = -1;
    qsizetype end = from;
    while (end < size && inRun(s[end])) {
        if (s[end] == u'.' && end + 2 < size && isAsciiLetter(s[end + 1]) && isAsciiLetter(s[end + 2]))
            *domainDot = end;
        ++end;
    }
    return end;
}

} // namespace AbstractCommonEventPrivate

QString AbstractCommonEvent::markupLinks(const QString &text, qsizetype *steps)
{
    using namespace AbstractCommonEventPrivate;
    // Mail addresses are tried first at each place, so their domain is not taken for a web address.
    // Addresses are found in the plain text and every piece is escaped on its own: found in the
    // escaped text, "&quot;" or "&gt;" after an address would be taken into it. Brackets and quotes
    // never end an address.
    static const QRegularExpression s_mail(
        QStringLiteral("\\b\\w[\\w.-]*@\\w+(?:-\\w+|\\w*)(?:\\.[\\w-]+)*\\.[a-zA-Z]{2,}"));
    static const QRegularExpression s_web(
        QStringLiteral("(?<scheme>(?:https?|ftp)://)?[a-zA-Z0-9\\-.]+\\.[a-zA-Z]{2,3}(?::[a-zA-Z0-9]*)?/?"
                       "(?:[a-zA-Z0-9\\-._?,'/\\\\+&;%$#=~])*[^.,)(\\s<>\"]"));
    QR_ASSERT(s_mail.isValid() && s_web.isValid());
    // The patterns are only tried where an address can start, anchored there. An unanchored search
    // retries every place of a long run such as "a.a.a..." up to the run's end, which takes
    // quadratic time. A run is tried once: every later place of it ends the name at the same
    // character, so it fails the same way. Runs that lack the dot and letters of a top-level domain
    // (or the "@" of a mail address) are not tried at all.
    if (steps)
        *steps = 0;
    if (!QStringView(text).isValidUtf16())
        return text.toHtmlEscaped();
    qsizetype looked = 0;
    const char16_t *s = reinterpret_cast<const char16_t *>(text.utf16());
    const qsizetype size = text.size();
    const auto scan = [&looked, s, size](qsizetype from, auto inRun, qsizetype *domainDot) {
        const qsizetype end = runEnd(s, size, from, inRun, domainDot);
        looked += end - from;
        return end;
    };
    const auto tryAt = [&text, &looked](const QRegularExpression &re, qsizetype at, qsizetype until) {
        looked += until - at;
        return re.match(text, at, QRegularExpression::NormalMatch,
                        QRegularExpression::AnchorAtOffsetMatchOption |
                            QRegularExpression::DontCheckSubjectStringMatchOption);
    };
    QString result;
    result.reserve(size + size / 8);
    qsizetype pos = 0;
    qsizetype mailRunEnd = 0; // the run of [\w.-] that holds p
    bool mailRunOpen = false;
    qsizetype hostRunEnd = 0; // the run of [a-zA-Z0-9.-] that holds p
    qsizetype hostDomainDot = -1;
    bool hostRunOpen = false;
    QRegularExpressionMatch found; // made only where a pattern is tried: making one allocates
    for (qsizetype p = 0; p < size; ++looked) {
        const char16_t c = s[p];
        bool matched = false;
        bool mail = false;
        if (isWordChar(c) && (p == 0 || !isWordChar(s[p - 1]))) {
            if (p >= mailRunEnd) {
                qsizetype unused = -1;
                mailRunEnd = scan(p, isMailNameChar, &unused);
                // The domain after the "@" needs a word character first and a dot with two letters.
                qsizetype domainDot = -1;
                mailRunOpen = mailRunEnd + 1 < size && s[mailRunEnd] == u'@' && isWordChar(s[mailRunEnd + 1]) &&
                              (scan(mailRunEnd + 1, isMailNameChar, &domainDot), domainDot >= 0);
            }
            if (mailRunOpen) {
                found = tryAt(s_mail, p, mailRunEnd);
                matched = mail = found.hasMatch();
                mailRunOpen = mail;
            }
        }
        if (!mail) {
            if (p >= hostRunEnd && isHostChar(c)) {
                hostRunEnd = scan(p, isHostChar, &hostDomainDot);
                hostRunOpen = true;
            }
            bool hostPossible = p < hostRunEnd && hostRunOpen && hostDomainDot > p;
            qsizetype schemeHostEnd = 0;
            if (!hostPossible && (c == u'h' || c == u'f')) {
                // After a scheme the host is a run of its own, which needs its top-level domain too.
                if (const qsizetype scheme = schemeLength(s + p, size - p)) {
                    qsizetype domainDot = -1;
                    schemeHostEnd = scan(p + scheme, isHostChar, &domainDot);
                    hostPossible = domainDot > p + scheme;
                }
            }
            if (hostPossible) {
                found = tryAt(s_web, p, std::max(hostRunEnd, schemeHostEnd));
                matched = found.hasMatch();
                if (!matched && p < hostRunEnd)
                    hostRunOpen = false;
            }
        }
        if (!matched) {
            ++p;
            continue;
        }
        result += QStringView(text).mid(pos, p - pos).toString().toHtmlEscaped();
        const QString address = found.captured().toHtmlEscaped();
        QString target;
        if (mail)
            target = QStringLiteral("mailto:") + address;
        else if (found.capturedLength(QStringLiteral("scheme")) > 0)
            target = address;
        else
            target = QStringLiteral("http://") + address;
        result += QStringLiteral("<a href=\"") + target + QStringLiteral("\">") + address + QStringLiteral("</a>");
        pos = p = found.capturedEnd();
    }
    result += QStringView(text).mid(pos).toString().toHtmlEscaped();
    if (steps)
        *steps = looked;
    return result;
}
