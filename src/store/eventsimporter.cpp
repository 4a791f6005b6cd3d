#include "store/eventsimporter.h"

#include "core/clock.h"
#include "core/dateconversions.h"
#include "core/iapplication.h"
#include "core/log.h"
#include "core/properties.h"
#include "core/settingkeys.h"
#include "events/birthdayevent.h"
#include "events/eventsfactory.h"
#include "events/holidayevent.h"
#include "events/notspecifiedevent.h"
#include "events/occurrence.h"
#include "events/period.h"
#include "events/taskevent.h"
#include "store/csvmodel.h"
#include "store/eventsmanager.h"
#include "store/icalrule.h"
#include "store/icalzone.h"
#include "store/qcalparser.h"

#include <QCoreApplication>
#include <QCryptographicHash>
#include <QFile>
#include <QFileInfo>
#include <QHash>
#include <QLocale>
#include <QRegularExpression>
#include <QSet>
#include <QTextCodec>
#include <QTextStream>

#include <algorithm>

namespace EventsImporterPrivate {

constexpr int kNoYear = BirthdayEvent::s_noYear;

// The birthday words of the current language without their tags ("'s {AGE} birthday"
// gives "'s birthday"). An untranslated marker ("--...") means the language has none.
QString birthdayWords(const QString &text)
{
    if (text.startsWith(QLatin1String("--")))
        return QString();
    static const QRegularExpression tag(QStringLiteral("\\{.+\\} "));
    QString words = text;
    words.remove(tag);
    return words;
}

const QString &prefixWords()
{
    static const QString words = birthdayWords(BirthdayEvent::prefixText());
    return words;
}

const QString &postfixWords()
{
    static const QString words = birthdayWords(BirthdayEvent::postfixText());
    return words;
}

QString withoutWords(const QString &caption, const QString &words)
{
    QString person = caption;
    person.remove(words, Qt::CaseInsensitive);
    person = person.trimmed();
    // Not null even when no name is left, so the caller still makes a birthday.
    return person.isNull() ? QString(QLatin1String("")) : person;
}

// The person named in a caption that begins or ends with the birthday words, or a null text.
QString birthdayPerson(const QString &caption)
{
    const QString &prefix = prefixWords();
    if (!prefix.isEmpty() && caption.startsWith(prefix, Qt::CaseInsensitive))
        return withoutWords(caption, prefix);
    const QString &postfix = postfixWords();
    if (!postfix.isEmpty() && caption.endsWith(postfix, Qt::CaseInsensitive))
        return withoutWords(caption, postfix);
    return QString();
}

bool hasNoTime(const QTime &time)
{
    return !time.isValid() || time == QTime(0, 0);
}

void setDaysToWatch(AbstractCommonEvent &event)
{
    IApplication *app = IApplication::instance();
    if (app && app->properties())
        event.setDaysToWatch(app->properties()->value(Setting::DaysToWatch).toInt());
}

QString notTextError(const QByteArray &encoding)
{
    return QCoreApplication::translate("EventsImporter",
                                       "The file is not %1 text: some of its characters could not be read. "
                                       "Nothing was imported; import it again and choose its encoding.")
        .arg(QString::fromLatin1(encoding.isEmpty() ? QTextCodec::codecForLocale()->name() : encoding));
}

// Decodes a whole file in the named encoding; a byte-order mark wins. *failed counts
// the bytes that were no text in it.
bool decodeFile(QFile &file, const QByteArray &encoding, QString *text, int *failed)
{
    QTextCodec *codec = encoding.isEmpty() ? QTextCodec::codecForLocale() : QTextCodec::codecForName(encoding);
    if (!codec)
        return false;
    // Chunks small enough for the allocator to reuse their memory from one to the next: large ones
    // are new pages from the system each time, a cost that grows with the file.
    const qint64 chunkSize = 32 * 1024;
    QByteArray chunk = file.read(chunkSize);
    codec = QTextCodec::codecForUtfText(chunk, codec);
    // No encoding gives more characters than bytes: the text grows into its place without being copied
    // again at every chunk.
    text->reserve(text->size() + file.size());
    QTextCodec::ConverterState state;
    while (!chunk.isEmpty()) {
        text->append(codec->toUnicode(chunk.constData(), int(chunk.size()), &state));
        chunk = file.read(chunkSize);
    }
    *failed = state.invalidChars + (state.remainingChars > 0 ? 1 : 0);
    if (state.remainingChars > 0)
        text->append(QChar::ReplacementCharacter);
    return true;
}

// A copy of an event under a fresh id. The kinds keep the fields that all events share, the id
// among them, in a map of their own.
AbstractCommonEventPtr withFreshId(const AbstractCommonEvent &event)
{
    const AbstractCommonEventPtr copy = EventsFactory::createEvent(event.type());
    if (!copy)
        return nullptr;
    const QString sharedKey = QStringLiteral("abstract");
    QVariantMap data = event.saveToVariant(AbstractCommonEvent::NoSaveFlags).toMap();
    const bool nested = data.contains(sharedKey);
    QVariantMap shared = nested ? data.value(sharedKey).toMap() : data;
    shared.insert(QStringLiteral("id"), QString::fromLatin1(copy->id()));
    if (nested)
        data.insert(sharedKey, shared);
    copy->loadFromVariant(nested ? data : shared);
    return copy;
}

class AbstractEventsImporter : public IEventsImporter
{
public:
    bool hasError() const override { return !m_error.isEmpty(); }
    QString errorString() const override { return m_error; }
    ImportNotes notes() const override { return m_notes; }

protected:
    void setErrorString(const QString &error) { m_error = error; }
    ImportNotes m_notes;

private:
    QString m_error;
};

// The program's own events file, as the events manager reads and exports it.
class QuillaneEventsFormatImporter : public AbstractEventsImporter
{
public:
    QList<AbstractCommonEventPtr> import(const QString &fileName, const QByteArray &) override
    {
        QList<AbstractCommonEventPtr> result;
        QFile probe(fileName);
        if (!probe.open(QIODevice::ReadOnly)) {
            setErrorString(QCoreApplication::translate("EventsImporter", "Cannot open file: ") + fileName);
            return result;
        }
        probe.close();
        // Reading never writes: the manager saves only when its content is changed.
        const EventsManager manager(fileName);
        // A file read in part gives the events that could be read: the manager skipped the rest.
        const QString partlyRead = QCoreApplication::translate(
            "EventsManager", "Some events could not be read from the events file. It will be kept as a copy when "
                             "you change your events.");
        if (manager.hasError() && manager.errorString() != partlyRead) {
            const QString newer = QCoreApplication::translate(
                "EventsManager", "Events file was saved with newer version of the program.");
            // A file that is no events file is a failure, not an import of nothing.
            setErrorString(
                manager.errorString() == newer
                    ? newer
                    : QCoreApplication::translate("EventsImporter", "Invalid or unknown events file format"));
            return result;
        }
        m_notes.partlyRead = manager.hasError();
        // A file made elsewhere may give several events one id: the later ones get fresh ids, as in
        // the other formats, so that an undo step finds the one event it changed.
        QSet<QByteArray> ids;
        for (int i = 0; i < manager.count(); ++i) {
            AbstractCommonEventPtr event = manager.eventByIndex(i);
            QR_ASSERT(event);
            if (ids.contains(event->id()))
                event = withFreshId(*event);
            if (!event)
                continue;
            ids.insert(event->id());
            result.append(event);
        }
        return result;
    }
};

// The dates of a block as written: an end from DTEND, DUE or DURATION.
struct BlockDates
{
    QDateTime begin;
    QDateTime end;
    bool endDateOnly = false;
    // Whole days, from the first day to the end's day (exclusive, but a task's due day),
    // as the file's own clock gives them.
    bool allDay = false;
    QDate day;
    QDate endDay;
};

// A moment as the file's own clock reads it, in UTC spec: in the zone the block's start
// (or due time) names, else as read, which was then a date, floating or a zone read as local.
QDateTime fileClock(const QVariant &wall, const QDateTime &moment)
{
    if (!moment.isValid() || !wall.isValid())
        return QDateTime(moment.date(), moment.time(), Qt::UTC);
    return wall.value<ICalWallTime>().zone.wallClock(moment);
}

// A floating time as the file wrote it: where the clock here skips it, the parser kept the reading.
QDateTime writtenClock(const QCalEvent &block, const char *writtenKey, const QDateTime &moment)
{
    const QVariant written = block.hasRareProperties() ? block.property(writtenKey) : QVariant();
    return written.isValid() ? written.toDateTime() : QDateTime(moment.date(), moment.time(), Qt::UTC);
}

// The end of a series kept at a time the clocks skip on its first date, on the same clock: a duration
// counts from that time, and a floating end the clocks skip too is taken as written.
QDateTime writtenEnd(const QCalEvent &block, const QVariant &wall, const QDateTime &start, const QDateTime &end)
{
    const QString duration = block.property("duration").toString();
    if (!duration.isEmpty())
        return QCalParser::addDuration(start, duration);
    return wall.isValid() ? end : writtenClock(block, block.todo().toBool() ? "due_written" : "dtend_written", end);
}

// How the first time of a block was written, which tells whether its midnight is a day.
enum class Written { Date, Floating, Zoned, Utc };

// Whole days by what the file says, not by where its times fall here: dates, a floating
// midnight with a midnight end or none, midnight to midnight in a zone, or the file's own
// all-day flag. A time in UTC or a zone is a moment even at midnight.
void settleDays(BlockDates *dates, const QDateTime &wallBegin, const QDateTime &wallEnd, Written written, bool flagged)
{
    const QTime midnight(0, 0);
    const bool endsAtMidnight = wallEnd.isValid() && wallEnd.time() == midnight;
    const bool dayLike = written == Written::Date || written == Written::Floating;
    dates->allDay = wallBegin.time() == midnight && (flagged || (dayLike && (!wallEnd.isValid() || endsAtMidnight)) ||
                                                     (written == Written::Zoned && endsAtMidnight));
    dates->day = wallBegin.date();
    dates->endDay = wallEnd.date();
}

// The all-day mark some calendar programs write beside times.
bool flaggedAllDay(const QCalEvent &block)
{
    return block.property("x_microsoft_cdo_alldayevent")
               .toString()
               .trimmed()
               .compare(QLatin1String("TRUE"), Qt::CaseInsensitive) == 0;
}

// The file's clock at the end of a DURATION: its days are calendar days there, its hours and less
// exact, so "PT24H" from a midnight before a clock change does not end at midnight.
QDateTime durationEnd(const QDateTime &wallBegin, const QVariant &wall, const QDateTime &end, QStringView duration)
{
    qint64 days = 0, seconds = 0;
    if (!QCalParser::durationParts(duration, &days, &seconds))
        return {};
    const QDateTime afterDays = wallBegin.addDays(days);
    if (seconds == 0)
        return afterDays;
    if (!wall.isValid())
        return fileClock(wall, end); // floating: the end read here is the file's clock
    const ICalSourceZone zone = wall.value<ICalWallTime>().zone;
    return fileClock(wall, zone.toUtc(afterDays.date(), afterDays.time()).addSecs(seconds));
}

BlockDates blockDates(const QCalEvent &block)
{
    BlockDates dates;
    dates.begin = block.dtstart().toDateTime();
    bool endIsDue = false;
    for (const char *key : {"dtend", "due"}) {
        const QVariant value = block.property(key);
        if (value.isValid()) {
            endIsDue = key[1] == 'u';
            dates.end = value.toDateTime();
            dates.endDateOnly = block.isDateOnly(endIsDue ? u"due" : u"dtend");
            break;
        }
    }
    QString duration;
    if (!dates.end.isValid() && block.hasRareProperties()) {
        duration = block.property("duration").toString();
        if (!duration.isEmpty()) {
            dates.end = QCalParser::addDuration(dates.begin, duration);
            dates.endDateOnly = block.isDateOnly(u"dtstart");
        }
    }
    // Without a start, the end is the start.
    const bool fromEnd = !dates.begin.isValid();
    const QDateTime first = fromEnd ? dates.end : dates.begin;
    if (!first.isValid())
        return dates;
    const QVariant dueWall = endIsDue ? block.property("due_zone") : QVariant();
    const QVariant firstWall = fromEnd ? dueWall : block.property("dtstart_zone");
    // A date is the whole day, even where midnight is skipped here.
    const bool firstDateOnly = fromEnd ? dates.endDateOnly : block.isDateOnly(u"dtstart");
    const char *endWritten = endIsDue ? "due_written" : "dtend_written";
    QDateTime wallBegin = firstDateOnly ? QDateTime(first.date(), QTime(0, 0), Qt::UTC)
                                        : writtenClock(block, fromEnd ? endWritten : "dtstart_written", first);
    if (firstWall.isValid()) {
        const ICalWallTime start = firstWall.value<ICalWallTime>();
        wallBegin = QDateTime(start.date, start.time, Qt::UTC);
    }
    QDateTime wallEnd;
    if (fromEnd || !dates.end.isValid())
        wallEnd = QDateTime();
    else if (dates.endDateOnly)
        wallEnd = QDateTime(dates.end.date(), QTime(0, 0), Qt::UTC);
    else if (!duration.isEmpty())
        wallEnd = durationEnd(wallBegin, firstWall, dates.end, duration);
    else if (wallBegin.time() == QTime(0, 0)) // else it is a timed entry whatever the end
        wallEnd = dueWall.isValid() || firstWall.isValid()
                      ? fileClock(dueWall.isValid() ? dueWall : firstWall, dates.end)
                      : writtenClock(block, endWritten, dates.end);
    else
        wallEnd = QDateTime(dates.end.date(), dates.end.time(), Qt::UTC);
    const bool unknownZone = block.hasRareProperties() && block.property("unknown_tzid").isValid();
    const Written written = firstDateOnly ? Written::Date
                            : firstWall.isValid()
                                ? (firstWall.value<ICalWallTime>().zone.isUtc() ? Written::Utc : Written::Zoned)
                            : unknownZone ? Written::Zoned
                                          : Written::Floating;
    settleDays(&dates, wallBegin, wallEnd, written, wallBegin.time() == QTime(0, 0) && flaggedAllDay(block));
    return dates;
}

QList<QDateTime> dateList(const QCalEvent &block, const char *key)
{
    QList<QDateTime> dates;
    if (!block.hasRareProperties())
        return dates;
    for (const QVariant &value : block.property(key).toList())
        dates << value.toDateTime();
    return dates;
}

// Moments of a series: a date-only one (EXDATE;VALUE=DATE) names its whole day. Sets,
// as a file may list thousands of extra or left-out dates.
class Moments
{
public:
    Moments() = default;
    explicit Moments(const QList<QDateTime> &list)
    {
        for (const QDateTime &moment : list)
            add(moment);
    }
    void add(const QDateTime &moment)
    {
        m_exact.insert(moment);
        m_days.insert(moment.date());
        if (moment.time() == QTime(0, 0))
            m_wholeDays.insert(moment.date());
    }
    bool contains(const QDateTime &moment) const
    {
        return m_exact.contains(moment) || m_wholeDays.contains(moment.date()) ||
               (moment.time() == QTime(0, 0) && m_days.contains(moment.date()));
    }

private:
    QSet<QDateTime> m_exact;
    QSet<QDate> m_days;
    QSet<QDate> m_wholeDays;
};

bool isCancelled(const QCalEvent &block)
{
    return block.property("status").toString().trimmed().compare(QLatin1String("CANCELLED"), Qt::CaseInsensitive) == 0;
}

constexpr int kEventsNamed = 5;

// A text for the message on one line, cut at a word where it is long, with a mark where it was cut.
QString shortened(const QString &text, qsizetype size)
{
    QString shown = text.simplified();
    if (shown.size() <= size)
        return shown;
    const qsizetype blank = shown.lastIndexOf(QLatin1Char(' '), size);
    qsizetype cut = blank > size / 2 ? blank : size;
    if (shown.at(cut - 1).isHighSurrogate())
        --cut;
    return shown.left(cut) + QStringLiteral("…");
}

// The text is made only for the first few: a file may give thousands of entries to count.
template <typename Text> void noteNamed(QStringList *names, Text text)
{
    if (names->size() < kEventsNamed)
        *names << text();
}

class iCalendarFormatImporter : public AbstractEventsImporter
{
public:
    QList<AbstractCommonEventPtr> import(const QString &fileName, const QByteArray &encoding) override
    {
        QList<AbstractCommonEventPtr> result;
        QList<QCalEventPtr> blocks;
        {
            QFile file(fileName);
            QCalParser parser;
            if (!parser.parse(&file, encoding.isEmpty() ? nullptr : encoding.constData())) {
                setErrorString(QCoreApplication::translate("EventsImporter", "Invalid or unknown iCalendar format"));
                return result;
            }
            if (parser.decodingFailed()) {
                if (!keepsUndecodable()) {
                    setErrorString(notTextError(encoding));
                    return result;
                }
                m_notes.undecodable = parser.undecodable();
            }
            blocks = parser.events();
        }
        const bool holidayFile = fileName.contains(QLatin1String("holiday"), Qt::CaseInsensitive);
        m_ruleMemo = std::make_unique<ICalRuleMemo>();
        // The instances of a series that a block of their own moves or cancels.
        QHash<QString, QList<QDateTime>> moved, cancelled;
        for (const QCalEventPtr &block : std::as_const(blocks)) {
            const QVariant id = block->hasRareProperties() ? block->property("recurrence_id") : QVariant();
            if (id.isValid())
                (isCancelled(*block) ? cancelled : moved)[block->uid().toString()] << id.toDateTime();
        }
        // A recurring entry and its changed instances share one UID; within one import
        // only the first keeps it, so a later look-up by id finds one event.
        QSet<QByteArray> ids;
        ids.reserve(blocks.size());
        result.reserve(blocks.size());
        // The settings new events take their defaults from, looked up once, not for every event.
        const NotSpecifiedEvent::DefaultsScope defaults(NotSpecifiedEvent::settingsDefaults());
        for (QCalEventPtr &block : blocks) {
            if (block->hasRareProperties() && block->property("recurrence_id").isValid()) {
                // A cancelled instance is a date left out of its series; the series tells
                // whether the model can leave it out.
                if (!isCancelled(*block))
                    importMoved(*block, holidayFile, ids, &result);
            } else if (isCancelled(*block)) {
                ++m_notes.cancelled; // nothing to remind of
            } else {
                const QString uid = block->uid().toString();
                importSeries(*block, moved.value(uid), cancelled.value(uid), holidayFile, ids, &result);
            }
            block.reset(); // its memory serves the next events
        }
        m_ruleMemo.reset();
        return result;
    }

private:
    std::unique_ptr<ICalRuleMemo> m_ruleMemo; // for one import

    void importMoved(const QCalEvent &block, bool holidayFile, QSet<QByteArray> &ids,
                     QList<AbstractCommonEventPtr> *result)
    {
        const AbstractCommonEventPtr event = makeEvent(block, blockDates(block), false, holidayFile, ids);
        if (!event) {
            ++m_notes.skipped;
            return;
        }
        // The event model has one rule per event and no exceptions to it.
        ++m_notes.movedInstances;
        noteLocalTime(block, *event);
        noteAlarms(block, *event);
        result->append(event);
    }

    void importSeries(const QCalEvent &block, const QList<QDateTime> &moved, const QList<QDateTime> &cancelled,
                      bool holidayFile, QSet<QByteArray> &ids, QList<AbstractCommonEventPtr> *result)
    {
        const BlockDates dates = blockDates(block);
        const QList<QDateTime> leftOut = dateList(block, "exdate") + cancelled;
        const QList<QDateTime> rdates = dateList(block, "rdate");
        Moments excluded(leftOut);
        for (const QDateTime &moment : moved)
            excluded.add(moment);
        // What differs is worked out only for the series the message names.
        ICalRuleFit fit;
        const AbstractCommonEventPtr event = makeEvent(block, dates, true, holidayFile, ids, &fit, m_ruleMemo.get(),
                                                       m_notes.datesOffNamed.size() < kEventsNamed);
        if (!event) {
            ++m_notes.skipped;
            return;
        }
        noteLocalTime(block, *event);
        noteAlarms(block, *event);
        if (!fit.problem.isEmpty()) {
            ++m_notes.rulesLost;
            noteNamed(&m_notes.rulesLostNamed,
                      [&] { return QStringLiteral("\"%1\": %2").arg(shortened(event->caption(), 60), fit.problem); });
        }
        if (fit.datesDiffer) {
            ++m_notes.datesOff;
            if (!fit.differs.isEmpty())
                noteNamed(&m_notes.datesOffNamed, [&] {
                    return QStringLiteral("\"%1\" (%2)").arg(shortened(event->caption(), 60), fit.differs);
                });
        }
        const IOccurrence &occurrence = event->occurrence();
        const bool repeats = occurrence.type() != IOccurrence::Once;
        // The first date alone is exact: a cancelled or moved one is not imported, and its
        // id is left to the moved instance.
        if (repeats || !excluded.contains(dates.begin.isValid() ? dates.begin : dates.end))
            result->append(event);
        else
            ids.remove(event->id());

        if (rdates.isEmpty() && leftOut.isEmpty())
            return;
        // Extra dates that a rule date, the start or a left-out date already covers give nothing.
        const QVariantList ends = block.property("rdate_end").toList();
        Moments seen;
        seen.add(dates.begin);
        // The series' time, which its first date may lack; on a date the clocks skip it, the file's
        // reading comes in moved as the series' own date does.
        const QTime seriesTime = fit.skippedStart.isValid() ? fit.skippedStart.time() : dates.begin.time();
        for (int i = 0; i < rdates.size(); ++i) {
            const QDateTime &extra = rdates[i];
            if (seen.contains(extra) || excluded.contains(extra))
                continue;
            if (repeats && occurrence.nextDate(extra.date()) == extra.date() &&
                (extra.time() == seriesTime || localMoment(extra.date(), seriesTime) == extra.toMSecsSinceEpoch()))
                continue;
            seen.add(extra);
            BlockDates shifted;
            shifted.begin = extra;
            shifted.end = i < ends.size() ? ends[i].toDateTime() : QDateTime();
            if (!shifted.end.isValid() && dates.end.isValid() && dates.begin.isValid())
                shifted.end = extra.addSecs(dates.begin.secsTo(dates.end));
            shifted.endDateOnly = dates.endDateOnly;
            if (dates.allDay) {
                // Whole days as the series, on the copy's own date of the file.
                const QDateTime wall = fileClock(block.property("dtstart_zone"), extra);
                shifted.allDay = wall.time() == QTime(0, 0);
                shifted.day = wall.date();
                if (dates.endDay.isValid())
                    shifted.endDay = shifted.day.addDays(dates.day.daysTo(dates.endDay));
            }
            if (const AbstractCommonEventPtr copy = makeEvent(block, shifted, false, holidayFile, ids)) {
                result->append(copy);
                ++m_notes.extraDates;
            }
        }
        // What the model cannot leave out of a kept rule is said, also where an extra date names it
        // again: the left-out date wins.
        if (repeats) {
            const bool lost = std::any_of(leftOut.cbegin(), leftOut.cend(), [&](const QDateTime &d) {
                return occurrence.nextDate(d.date()) == d.date();
            });
            if (lost)
                ++m_notes.exceptionsLost;
        }
    }

    // The event reminds as the user's settings say, not as the file's alarms did.
    void noteAlarms(const QCalEvent &block, const AbstractCommonEvent &event)
    {
        if (!block.property("valarm").toBool())
            return;
        ++m_notes.alarmsNotRead;
        noteNamed(&m_notes.alarmsNotReadNamed,
                  [&] { return QStringLiteral("\"%1\"").arg(shortened(event.caption(), 60)); });
    }

    void noteLocalTime(const QCalEvent &block, const AbstractCommonEvent &event)
    {
        if (!block.hasRareProperties())
            return;
        const QString zone = block.property("unknown_tzid").toString();
        if (zone.isEmpty())
            return;
        ++m_notes.localTimes;
        noteNamed(&m_notes.localTimesNamed, [&] {
            return QStringLiteral("\"%1\" (%2)").arg(shortened(event.caption(), 60), shortened(zone, 60));
        });
    }

    static AbstractCommonEventPtr makeEvent(const QCalEvent &block, const BlockDates &dates, bool withRule,
                                            bool holidayFile, QSet<QByteArray> &ids, ICalRuleFit *ruleFit = nullptr,
                                            ICalRuleMemo *memo = nullptr, bool describe = true)
    {
        QDateTime begin = dates.begin;
        QDateTime end = dates.end;
        const bool endDateOnly = dates.endDateOnly;
        const bool todo = block.todo().toBool();
        if (!begin.isValid())
            begin = end;
        if (!begin.isValid())
            return nullptr;
        const bool allDay = dates.allDay;
        // A date-only end is exclusive, and so is a midnight end of an entry that takes
        // whole days; a timed end is the moment the entry ends and stays.
        if (!todo && end.isValid() && endDateOnly && !allDay)
            end = end.addDays(-1);

        const QString summary = block.summary().toString();
        const QString description = block.description().toString();
        if (summary.isEmpty() && description.isEmpty())
            return nullptr;

        QByteArray id = block.uid().toString().toLatin1();
        const qsizetype known = ids.size();
        ids.insert(id);
        if (!id.isEmpty() && ids.size() == known)
            id.clear(); // the event makes a fresh one

        AbstractCommonEventPtr event;
        const QString person = todo ? QString() : birthdayPerson(summary);
        const bool birthday = !person.isNull();
        if (todo) {
            event = std::make_shared<TaskEvent>(id);
        } else if (birthday) {
            auto b = std::make_shared<BirthdayEvent>(id);
            b->setPersonName(person);
            event = b;
        } else if (allDay && (holidayFile || block.categories()
                                                 .toStringList()
                                                 .join(QLatin1Char(','))
                                                 .contains(QLatin1String("holiday"), Qt::CaseInsensitive))) {
            event = std::make_shared<HolidayEvent>(id);
        } else {
            event = std::make_shared<NotSpecifiedEvent>(id);
        }
        setDaysToWatch(*event);

        Period period;
        if (birthday || allDay) {
            QDate date = allDay ? dates.day : begin.date();
            if (birthday && begin > Common::Clock::now())
                date = QDate(kNoYear, date.month(), date.day());
            period = Period(date);
        } else {
            period = Period(begin);
        }
        const QDate lastDay = dates.endDay.addDays(todo ? 0 : -1);
        if (!birthday && allDay && end.isValid() && lastDay > dates.day)
            period = Period(dates.day, lastDay);
        else if (!birthday && !allDay && end.isValid() && end > begin)
            period = Period(begin, end);
        event->setPeriod(period);

        const QString rrule = block.rrule().toString();
        if (birthday) {
            event->setOccurrence(Occurrence(period.beginDate(), IOccurrence::Yearly));
        } else if (withRule && !rrule.isEmpty()) {
            // A start in another zone repeats there; the rule is checked against that.
            // Whole days repeat on their dates wherever they were written.
            const QVariant wall = allDay ? QVariant() : block.property("dtstart_zone");
            const QDateTime first =
                allDay && begin.date() != dates.day ? dates.day.startOfDay(begin.timeZone()) : begin;
            // A floating time the clocks skip here on the first date is the series' time all the same.
            const QDateTime written = !allDay && !wall.isValid() && begin == dates.begin && block.hasRareProperties()
                                          ? block.property("dtstart_written").toDateTime()
                                          : QDateTime();
            ICalRuleFit fit;
            if (written.isValid()) {
                fit = fitICalRule(rrule, written.date(), written.time(), begin.timeZone());
                fit.skippedStart = fit.rule.isEmpty() ? QDateTime() : written;
            } else {
                fit = wall.isValid() && begin == dates.begin
                          ? fitICalRule(rrule, wall.value<ICalWallTime>(), begin, memo, describe)
                          : fitICalRule(rrule, first, memo);
            }
            // Only a kept rule repeats the skipped time; a single date stays at the moment it comes.
            const QDateTime skipped = fit.skippedStart;
            if (skipped.isValid()) {
                const QDateTime last = end.isValid() && !endDateOnly ? writtenEnd(block, wall, skipped, end) : end;
                period = last.isValid() && QDateTime(last.date(), last.time(), Qt::UTC) > skipped
                             ? Period(skipped.date(), skipped.time(), last.date(), last.time())
                             : Period(skipped.date(), skipped.time());
                event->setPeriod(period);
            }
            if (!fit.rule.isEmpty())
                event->setOccurrence(Occurrence::fromRRule(period.beginDate(), fit.rule));
            if (ruleFit)
                *ruleFit = fit;
        }

        const QString location = block.location().toString();
        event->setCaption(summary.isEmpty() ? description : summary);
        QString comment = location.isEmpty() ? description : location;
        if (!location.isEmpty() && !description.isEmpty()) {
            comment.reserve(location.size() + 2 + description.size());
            comment.append(QLatin1String(", ")).append(description);
        }
        event->setComment(comment);
        return event;
    }
};

// One usable row of a CSV file. Date and time are kept apart, as in a period, so a
// wall-clock time that a daylight-saving change skips is not lost.
constexpr int kRowsNamed = 10;

struct CsvEventRecord
{
    QDate date;
    QTime time;
    QString caption;
    QByteArray id;
    QString comment;
};

bool localeDayFirst()
{
    return QLocale().toString(QDate(1999, 12, 31), QLocale::ShortFormat).startsWith(QLatin1String("31"));
}

// Year, month, day, as in Japanese or Swedish: the day and month come as in month first.
bool localeYearFirst()
{
    const QString date = QLocale().toString(QDate(1999, 12, 31), QLocale::ShortFormat);
    return date.startsWith(QLatin1String("1999")) || date.startsWith(QLatin1String("99"));
}

class CsvFormatImporter : public AbstractEventsImporter
{
public:
    QList<AbstractCommonEventPtr> import(const QString &fileName, const QByteArray &encoding) override
    {
        QList<AbstractCommonEventPtr> result;
        QFile file(fileName);
        if (!file.open(QIODevice::ReadOnly)) {
            setErrorString(QCoreApplication::translate("EventsImporter", "Cannot open file: ") + fileName);
            return result;
        }
        QString text;
        int failed = 0;
        if (!decodeFile(file, encoding, &text, &failed)) {
            setErrorString(QCoreApplication::translate("EventsImporter", "Unknown text encoding: ") +
                           QString::fromLatin1(encoding));
            return result;
        }
        if (failed > 0 && !keepsUndecodable()) {
            setErrorString(notTextError(encoding));
            return result;
        }
        m_notes.undecodable = failed;
        QList<CsvEventRecord> records;
        bool semicolonAfterDate = false;
        const bool read = readRecords(text, &records, &m_notes, &semicolonAfterDate);
        const bool semicolons = semicolonAfterDate || (records.isEmpty() && separatedBySemicolons(text));
        if (!read || semicolons) {
            const auto tr = [](const char *text) { return QCoreApplication::translate("EventsImporter", text); };
            setErrorString(tr("Invalid or unknown Csv format") +
                           (semicolons ? tr(": its fields are separated by semicolons, but the program reads fields "
                                            "separated by commas.")
                                       : QString()));
            return result;
        }
        for (const CsvEventRecord &record : std::as_const(records))
            result.append(makeEvent(record));
        return result;
    }

    // Rows without a date that exists are left out and noted. Reading stops at a first column with a
    // semicolon right after its date and time, which tells a file separated by semicolons.
    static bool readRecords(QString &text, QList<CsvEventRecord> *records, ImportNotes *notes, bool *semicolonAfterDate)
    {
        QTextStream stream(&text, QIODevice::ReadOnly);
        const CsvModel model(stream, nullptr, false, QLatin1Char(','));
        if (model.columnCount() < 2)
            return false;
        QStringList dateTexts;
        for (int row = 0; row < model.rowCount(); ++row)
            dateTexts << model.data(model.index(row, 0)).toString();
        const bool dayFirst = fileDayFirst(dateTexts, notes);
        QSet<QByteArray> ids;
        for (int row = 0; row < model.rowCount(); ++row) {
            CsvEventRecord record;
            record.caption = model.data(model.index(row, 1)).toString();
            // Joined from the model's own text in one allocation: a list of every cell would double the
            // memory a wide row takes, and growing the comment cell by cell copies it again and again.
            qsizetype commentSize = 0;
            for (int column = 2; column < model.columnCount(); ++column) {
                const qsizetype cellSize = model.cellText(row, column).size();
                commentSize += cellSize > 0 ? cellSize + 2 : 0;
            }
            if (commentSize > 0)
                record.comment.reserve(commentSize);
            for (int column = 2; column < model.columnCount(); ++column) {
                const QStringView cell = model.cellText(row, column);
                if (cell.isEmpty())
                    continue;
                if (!record.comment.isEmpty())
                    record.comment += QLatin1String("; ");
                record.comment += cell;
            }
            const QString &dateText = dateTexts[row];
            if (dateText.isEmpty() && record.caption.isEmpty() && record.comment.isEmpty())
                continue; // a blank line
            // "05.01.2027 09:00;Meeting, room 4": a comma in the caption splits a row separated by semicolons.
            if (dateText.contains(QLatin1Char(';'))) {
                QDate date;
                QTime time;
                bool timeLost = false;
                const QString before = dateText.section(QLatin1Char(';'), 0, 0).trimmed();
                *semicolonAfterDate =
                    parseDateText(before, dayFirst, &date, &time, &timeLost) == DateRead::Read && !timeLost;
                if (*semicolonAfterDate)
                    return true;
            }
            const auto leaveOut = [notes, row](int ImportNotes::*count, QList<int> ImportNotes::*rows) {
                if (!notes)
                    return;
                ++(notes->*count);
                if ((notes->*rows).size() < kRowsNamed)
                    (notes->*rows) << row + 1;
            };
            bool timeLost = false;
            const DateRead read = dateText.isEmpty()
                                      ? DateRead::NoDate
                                      : parseDateText(dateText, dayFirst, &record.date, &record.time, &timeLost);
            if (read == DateRead::OtherOrder) {
                leaveOut(&ImportNotes::otherOrder, &ImportNotes::otherOrderRows);
                continue;
            }
            if (read == DateRead::TwoDigitYear) {
                leaveOut(&ImportNotes::twoDigitYears, &ImportNotes::twoDigitYearRows);
                continue;
            }
            if (read == DateRead::NoDate) {
                // A first row without a digit in its date is the column titles.
                if (row > 0 || std::any_of(dateText.cbegin(), dateText.cend(), [](QChar c) { return c.isDigit(); }))
                    leaveOut(&ImportNotes::skipped, &ImportNotes::skippedRows);
                continue;
            }
            if (!record.date.isValid()) {
                leaveOut(&ImportNotes::invalidDates, &ImportNotes::invalidDateRows);
                continue;
            }
            // The forms refuse an event without a caption. A time there is a sheet with a column
            // of its own for times, which would give a whole-day event captioned "09:00".
            if (record.caption.trimmed().isEmpty()) {
                if (record.comment.isEmpty())
                    leaveOut(&ImportNotes::noText, &ImportNotes::noTextRows);
                else
                    leaveOut(&ImportNotes::captionEmpty, &ImportNotes::captionEmptyRows);
                continue;
            }
            const QString caption = record.caption.trimmed();
            // Tried only on what can be a time: a large file has many captions.
            if (caption.size() <= 11 && caption.front().isDigit() && readTime(caption).isValid()) {
                leaveOut(&ImportNotes::timeAsCaption, &ImportNotes::timeAsCaptionRows);
                continue;
            }
            if (timeLost && notes) {
                ++notes->timesNotRead;
                noteNamed(&notes->timesNotReadNamed, [&] {
                    return QStringLiteral("\"%1\" (%2)")
                        .arg(shortened(record.caption, 60), shortened(dateText.section(QLatin1Char(' '), 1), 30));
                });
            }
            const QString stamp = record.date.toString(QStringLiteral("yyyy-MM-dd")) + QLatin1Char('T') +
                                  record.time.toString(QStringLiteral("HH:mm:ss"));
            // A row like an earlier one but for its other columns gets an id of its own, the same on
            // every import of the file, so that importing it again replaces each row's event.
            const QByteArray key = (stamp + record.caption).toUtf8();
            record.id = QCryptographicHash::hash(key, QCryptographicHash::Sha1).toBase64();
            for (int n = 2; ids.contains(record.id); ++n)
                record.id =
                    QCryptographicHash::hash(key + '\n' + QByteArray::number(n), QCryptographicHash::Sha1).toBase64();
            ids.insert(record.id);
            records->append(record);
        }
        return true;
    }

    // Whether the fields are separated by semicolons, as spreadsheets write them where the comma
    // is the decimal mark: read so, some of the first rows begin with a date.
    static bool separatedBySemicolons(QString &text)
    {
        QTextStream stream(&text, QIODevice::ReadOnly);
        const CsvModel model(stream, nullptr, false, QLatin1Char(';'));
        if (model.columnCount() < 2)
            return false;
        for (int row = 0; row < qMin(model.rowCount(), 20); ++row) {
            QDate date;
            QTime time;
            if (parseDateText(model.data(model.index(row, 0)).toString(), localeDayFirst(), &date, &time) !=
                DateRead::NoDate)
                return true;
        }
        return false;
    }

    // The parts of the date at the start of a text: up to the first blank, split at its
    // separator.
    static QStringList dateParts(const QString &text)
    {
        const QString datePart = text.section(QLatin1Char(' '), 0, 0);
        const QChar separator = datePart.contains(QLatin1Char('.'))   ? QLatin1Char('.')
                                : datePart.contains(QLatin1Char('-')) ? QLatin1Char('-')
                                                                      : QLatin1Char('/');
        return datePart.split(separator);
    }

    // How a date text reads as numbers: day first, month first (bit 1 and 2), both or
    // neither. A year first reads one way only and takes no part; dots read day first.
    static int readings(const QString &text)
    {
        const QStringList parts = dateParts(text);
        if (parts.size() < 2 || parts.size() > 3 || parts[0].size() == 4)
            return 0;
        bool firstOk = false, secondOk = false;
        const int first = parts[0].toInt(&firstOk, 10);
        const int second = parts[1].toInt(&secondOk, 10);
        if (!firstOk || !secondOk)
            return 0;
        const auto fits = [](int day, int month) { return day >= 1 && day <= 31 && month >= 1 && month <= 12; };
        const int ways = (fits(first, second) ? 1 : 0) | (fits(second, first) ? 2 : 0);
        // No one writes month.day.year: dots are day first.
        return ways == 3 && text.section(QLatin1Char(' '), 0, 0).contains(QLatin1Char('.')) ? 1 : ways;
    }

    // One order for the whole file, from the dates that read only one way; the locale's
    // when every date reads both ways or as many read one way as the other. The notes say
    // which when that leaves a date open.
    static bool fileDayFirst(const QStringList &dateTexts, ImportNotes *notes)
    {
        int dayOnly = 0, monthOnly = 0;
        for (const QString &text : dateTexts) {
            const int ways = readings(text);
            dayOnly += ways == 1;
            monthOnly += ways == 2;
        }
        const bool dayFirst = dayOnly != monthOnly ? dayOnly > monthOnly : localeDayFirst();
        if (!notes)
            return dayFirst;
        notes->dateOrder = dayFirst ? ImportNotes::DayFirst : ImportNotes::MonthFirst;
        const bool disagree = dayOnly > 0 && monthOnly > 0;
        if (!disagree && (dayOnly > 0 || monthOnly > 0))
            return dayFirst;
        // The example is a date the order changes; where the dates disagree and none reads
        // both ways, one that fits the order taken.
        const auto example = [&](bool bothWays) {
            for (const QString &text : dateTexts) {
                const int ways = readings(text);
                if (bothWays ? ways != 3 || dateParts(text)[0].toInt() == dateParts(text)[1].toInt()
                             : ways != (dayFirst ? 1 : 2))
                    continue;
                QDate date;
                QTime time;
                if (parseDateText(text, dayFirst, &date, &time) == DateRead::Read && date.isValid()) {
                    notes->dateOrderExample = text.section(QLatin1Char(' '), 0, 0);
                    notes->dateOrderExampleDate = date;
                    return true;
                }
            }
            return false;
        };
        if (example(true) || (disagree && example(false)))
            notes->dateOrderReason = !disagree              ? ImportNotes::EveryDateBoth
                                     : dayOnly == monthOnly ? ImportNotes::AsManyEachWay
                                                            : ImportNotes::MostDates;
        return dayFirst;
    }

    // A time as spreadsheets write it; invalid when it is none of these.
    static QTime readTime(const QString &text)
    {
        for (const char *format : {"h:mm", "h:mm:ss", "h:mm AP", "h:mm:ss AP", "h:mm ap", "h:mm:ss ap"}) {
            const QTime time = QTime::fromString(text, QLatin1String(format));
            if (time.isValid())
                return time;
        }
        return QTime();
    }

    enum class DateRead { Read, NoDate, OtherOrder, TwoDigitYear };

    // Reads a date in the file's order and the time after it. A date that does not exist still
    // counts as read and comes back invalid; a time that cannot be read leaves the date at
    // midnight and sets *timeLost.
    static DateRead parseDateText(const QString &text, bool dayFirst, QDate *date, QTime *time,
                                  bool *timeLost = nullptr)
    {
        const QLocale locale;
        // The locale's short form reads numbers in its own order, which may not be the file's.
        const bool localeOrder = dayFirst == localeDayFirst();
        for (QLocale::FormatType format : {QLocale::ShortFormat, QLocale::LongFormat}) {
            const QDateTime dt =
                format == QLocale::LongFormat || localeOrder ? locale.toDateTime(text, format) : QDateTime();
            if (dt.isValid()) {
                *date = dt.date();
                *time = dt.time();
                // The locale reads a two-digit year as 1900-1999; "24.12.27" means the coming one.
                if (formatHasTwoDigitYear(locale.dateTimeFormat(format)))
                    *date = QDate(yearNearToday(date->year()), date->month(), date->day());
                return DateRead::Read;
            }
        }
        const qsizetype blank = text.indexOf(QLatin1Char(' '));
        const QString timePart = blank < 0 ? QString() : text.mid(blank + 1).trimmed();
        const QStringList parts = dateParts(text);
        if (parts.size() < 2 || parts.size() > 3)
            return DateRead::NoDate;
        // A four-digit first part can only be a year: year, month, day.
        const bool yearFirst = parts.size() == 3 && parts[0].size() == 4;
        bool ok = true;
        int year = kNoYear;
        bool twoDigitYear = false;
        if (parts.size() == 3) {
            const QString &yearText = parts[yearFirst ? 0 : 2];
            year = yearText.toInt(&ok, 10);
            twoDigitYear = !yearFirst && yearText.size() == 2 && yearText[0].isDigit() && yearText[1].isDigit();
            if (twoDigitYear)
                year = yearNearToday(year);
            else if (!ok || year < 1900 || year > 2100)
                return DateRead::NoDate;
        }
        const int dayIndex = yearFirst ? 2 : dayFirst ? 0 : 1;
        const int monthIndex = yearFirst ? 1 : dayFirst ? 1 : 0;
        bool dayOk = false, monthOk = false;
        const int day = parts[dayIndex].toInt(&dayOk, 10);
        const int month = parts[monthIndex].toInt(&monthOk, 10);
        if (!dayOk || !monthOk)
            return DateRead::NoDate;
        const auto fits = [](int d, int m) { return d >= 1 && d <= 31 && m >= 1 && m <= 12; };
        if (!fits(day, month))
            return !yearFirst && fits(month, day) ? DateRead::OtherOrder : DateRead::NoDate;
        // Which century a short year means is a guess made only for the system's own way of writing dates.
        if (twoDigitYear && !localeOrder)
            return DateRead::TwoDigitYear;
        *date = QDate(year, month, day);
        *time = QTime(0, 0);
        if (!timePart.isEmpty()) {
            const QTime read = readTime(timePart);
            if (read.isValid())
                *time = read;
            else if (timeLost)
                *timeLost = true;
        }
        return DateRead::Read;
    }

private:
    static AbstractCommonEventPtr makeEvent(const CsvEventRecord &record)
    {
        const bool noTime = hasNoTime(record.time);
        const QString person = birthdayPerson(record.caption);
        const bool birthday = !person.isNull();
        AbstractCommonEventPtr event;
        if (birthday) {
            auto b = std::make_shared<BirthdayEvent>(record.id);
            b->setPersonName(person);
            event = b;
        } else {
            event = std::make_shared<NotSpecifiedEvent>(record.id);
        }
        setDaysToWatch(*event);
        const Period period = birthday || noTime ? Period(record.date) : Period(record.date, record.time);
        event->setPeriod(period);
        if (birthday || period.beginDate().year() == kNoYear)
            event->setOccurrence(Occurrence(period.beginDate(), IOccurrence::Yearly));
        event->setCaption(birthday ? person : record.caption);
        event->setComment(record.comment);
        return event;
    }
};

} // namespace EventsImporterPrivate

using namespace EventsImporterPrivate;

EventsImporter::EventsImporter(int format)
{
    switch (format) {
    case QuillaneEventsFormat:
        m_impl = std::make_unique<QuillaneEventsFormatImporter>();
        break;
    case ICalendarFormat:
        m_impl = std::make_unique<iCalendarFormatImporter>();
        break;
    case CsvFormat:
        m_impl = std::make_unique<CsvFormatImporter>();
        break;
    default:
        break;
    }
    QR_ASSERT(m_impl.get());
}

EventsImporter::~EventsImporter() = default;

QList<AbstractCommonEventPtr> EventsImporter::import(const QString &fileName, const QByteArray &encoding)
{
    if (!m_impl)
        return {};
    m_impl->setKeepUndecodable(keepsUndecodable());
    return m_impl->import(fileName, encoding);
}

bool EventsImporter::hasError() const
{
    return !m_impl || m_impl->hasError();
}

QString EventsImporter::errorString() const
{
    return m_impl ? m_impl->errorString() : unknownFormatText();
}

ImportNotes EventsImporter::notes() const
{
    return m_impl ? m_impl->notes() : ImportNotes();
}

QString EventsImporter::resultText(int imported, const ImportNotes &notes)
{
    const auto tr = [](const char *text) { return QCoreApplication::translate("EventsImporter", text); };
    QStringList lines;
    if (imported > 0)
        lines << QCoreApplication::translate("Editor", "Imported %1 events").arg(imported);
    else
        lines << tr("Nothing was imported: the file holds no event that could be read.");
    if (notes.partlyRead)
        lines << tr("Some events of the file could not be read and were left out.");
    // One line per reason a CSV row was left out, naming the first rows.
    const auto rowsLine = [&](int count, const QList<int> &named, const char *one, const char *many,
                              const QStringList &words = {}) {
        if (count == 0)
            return;
        QStringList rows;
        for (int row : named)
            rows << QString::number(row);
        if (count > named.size())
            rows << QStringLiteral("…");
        const QString listed = rows.join(QLatin1String(", "));
        QString line = count == 1 ? tr(one).arg(listed) : tr(many).arg(count).arg(listed);
        for (const QString &word : words)
            line = line.arg(word);
        lines << line;
    };
    rowsLine(notes.skippedRows.isEmpty() ? 0 : notes.skipped, notes.skippedRows,
             "1 row was left out: its first column holds no date (row %1).",
             "%1 rows were left out: their first column holds no date (rows %2).");
    rowsLine(notes.invalidDates, notes.invalidDateRows, "1 row was left out: its date is not a valid date (row %1).",
             "%1 rows were left out: their dates are not valid dates (rows %2).");
    rowsLine(notes.noText, notes.noTextRows, "1 row was left out: it has a date but no caption (row %1).",
             "%1 rows were left out: they have a date but no caption (rows %2).");
    rowsLine(notes.captionEmpty, notes.captionEmptyRows,
             "1 row was left out: its second column, where the caption is read, is empty (row %1).",
             "%1 rows were left out: their second column, where the caption is read, is empty (rows %2).");
    rowsLine(notes.timeAsCaption, notes.timeAsCaptionRows,
             "1 row was left out: its second column holds a time, where the caption is read; a time is read after "
             "the date in the first column (row %1).",
             "%1 rows were left out: their second column holds a time, where the caption is read; a time is read "
             "after the date in the first column (rows %2).");
    if (imported == 0 && !notes.skippedRows.isEmpty())
        lines << tr("The program reads the date, with a time after it, from a row's first column and the caption "
                    "from the second.");
    // The orders a row's date fits and the file's dates were read in, and the system's.
    const bool dayFirst = notes.dateOrder == ImportNotes::DayFirst;
    const QString taken = dayFirst ? tr("day first") : tr("month first");
    const QString other = dayFirst ? tr("month first") : tr("day first");
    const QString system = localeYearFirst()  ? tr("year first, then month and day")
                           : localeDayFirst() ? tr("day first")
                                              : tr("month first");
    rowsLine(notes.otherOrder, notes.otherOrderRows,
             "1 row was left out: its date fits only %2, but the file's dates were read %3 (row %1).",
             "%1 rows were left out: their dates fit only %3, but the file's dates were read %4 (rows %2).",
             {other, taken});
    // Left out only when the file's order is not the system's.
    rowsLine(notes.twoDigitYears, notes.twoDigitYearRows,
             "1 row was left out: a two-digit year is read only in your system's order, %2, and the file's "
             "dates were read %3 (row %1).",
             "%1 rows were left out: a two-digit year is read only in your system's order, %3, and the file's "
             "dates were read %4 (rows %2).",
             {system, taken});
    if (imported > 0 && notes.dateOrderReason != ImportNotes::OrderSettled) {
        const QDate date = notes.dateOrderExampleDate;
        const QString read = QLocale::c().toString(date, date.year() == kNoYear ? u"d MMMM" : u"d MMMM yyyy");
        const QString why = notes.dateOrderReason == ImportNotes::MostDates
                                ? tr("as most dates that fit only one order are written")
                                : tr("as your system writes dates");
        lines << (notes.dateOrderReason == ImportNotes::EveryDateBoth
                      ? tr("Every date fits both orders; they were read %1, %2: %3 is %4.")
                      : tr("The file's dates do not agree on an order; they were read %1, %2: %3 is %4."))
                     .arg(taken, why, notes.dateOrderExample, read);
    }
    if (notes.skippedRows.isEmpty() && notes.skipped > 0) {
        lines << (notes.skipped == 1
                      ? tr("1 entry was left out: it has no readable date or no text.")
                      : tr("%1 entries were left out: they have no readable date or no text.").arg(notes.skipped));
    }
    if (notes.undecodable == 1)
        lines << tr("1 character could not be read in the chosen encoding; it shows as �.");
    else if (notes.undecodable > 1)
        lines << tr("%1 characters could not be read in the chosen encoding; they show as �.").arg(notes.undecodable);
    if (notes.cancelled == 1)
        lines << tr("1 cancelled event (STATUS:CANCELLED) was left out.");
    else if (notes.cancelled > 1)
        lines << tr("%1 cancelled events (STATUS:CANCELLED) were left out.").arg(notes.cancelled);
    if (notes.exceptionsLost == 1)
        lines << tr("1 repeating event has dates that were cancelled (EXDATE or a cancelled occurrence); these "
                    "are not kept, so the event is shown and reminded on those dates too.");
    else if (notes.exceptionsLost > 1)
        lines << tr("%1 repeating events have dates that were cancelled (EXDATE or a cancelled occurrence); "
                    "these are not kept, so the events are shown and reminded on those dates too.")
                     .arg(notes.exceptionsLost);
    if (notes.movedInstances == 1)
        lines << tr("1 changed or moved occurrence (RECURRENCE-ID) was imported as a separate event; its "
                    "repeating event is still shown and reminded on the original date.");
    else if (notes.movedInstances > 1)
        lines << tr("%1 changed or moved occurrences (RECURRENCE-ID) were imported as separate events; their "
                    "repeating events are still shown and reminded on the original dates.")
                     .arg(notes.movedInstances);
    if (notes.extraDates == 1)
        lines << tr("1 extra date of a repeating event (RDATE) was imported as an event of its own.");
    else if (notes.extraDates > 1)
        lines << tr("%1 extra dates of events (RDATE) were imported as events of their own.").arg(notes.extraDates);
    // Named, so the user knows which events to set again by hand.
    const auto namedLine = [&](int count, const QStringList &named, const char *one, const char *many) {
        if (count == 0)
            return;
        QString listed = named.join(QLatin1String("; "));
        if (count > named.size())
            listed += count - named.size() == 1 ? tr(" and 1 more") : tr(" and %1 more").arg(count - named.size());
        lines << (count == 1 ? tr(one).arg(listed) : tr(many).arg(count).arg(listed));
    };
    namedLine(notes.timesNotRead, notes.timesNotReadNamed,
              "1 event has a time that could not be read; it was imported for its whole day: %1.",
              "%1 events have times that could not be read; they were imported for their whole days: %2.");
    namedLine(notes.rulesLost, notes.rulesLostNamed,
              "1 event lost its repetition and was imported on its first date only: %1.",
              "%1 events lost their repetition and were imported on their first date only: %2.");
    namedLine(notes.alarmsNotRead, notes.alarmsNotReadNamed,
              "The alarms (VALARM) of 1 event were not read; it gets the program's own reminder instead: %1.",
              "The alarms (VALARM) of %1 events were not read; they get the program's own reminder instead: %2.");
    namedLine(notes.datesOff, notes.datesOffNamed,
              "1 repeating event from another time zone repeats here on the local day and hour of its first "
              "date, so some of its dates differ from the file: %1.",
              "%1 repeating events from other time zones repeat here on the local day and hour of their first "
              "date, so some of their dates differ from the file: %2.");
    namedLine(notes.localTimes, notes.localTimesNamed,
              "1 event was read in local time: the file does not describe its time zone: %1.",
              "%1 events were read in local time: the file does not describe their time zones: %2.");
    return lines.join(QLatin1Char('\n'));
}

int EventsImporter::formatForFileName(const QString &fileName)
{
    const QString suffix = QFileInfo(fileName).suffix().toUpper();
    if (suffix == QLatin1String("EVT"))
        return QuillaneEventsFormat;
    if (suffix == QLatin1String("ICS"))
        return ICalendarFormat;
    if (suffix == QLatin1String("CSV"))
        return CsvFormat;
    return -1;
}

QString EventsImporter::unknownFormatText()
{
    return QCoreApplication::translate("EventsImporter", "Unknown file format");
}
