#include "store/qcalparser.h"

#include "core/log.h"
#include "store/icalzone.h"

#include <QDebug>
#include <QFile>
#include <QHash>
#include <QMutex>
#include <QTextCodec>
#include <QTimeZone>

#include <algorithm>
#include <cstring>
#include <iterator>
#include <memory>
#include <vector>

QCalEvent::QCalEvent(QObject *parent) : QObject(parent) {}

QString QCalEvent::normalizedKey(QStringView iCalKey)
{
    QString key = iCalKey.toString().toLower();
    key.replace(QLatin1Char('-'), QLatin1Char('_'));
    return key;
}

void QCalEvent::setProperty(const QString &iCalKey, const QVariant &value)
{
    insert(normalizedKey(iCalKey), value);
}

namespace {

// The order of QString's comparisons, code unit by code unit: keys are short, and a large
// file looks up a dozen of them for each of its blocks.
template <typename Text> int orderOf(QStringView a, Text b)
{
    const qsizetype size = qMin(a.size(), b.size());
    for (qsizetype i = 0; i < size; ++i) {
        const char16_t x = a[i].unicode();
        const char16_t y = QChar(b[i]).unicode();
        if (x != y)
            return x < y ? -1 : 1;
    }
    return a.size() < b.size() ? -1 : a.size() > b.size() ? 1 : 0;
}

} // namespace

void QCalEvent::insert(QString key, QVariant value)
{
    if (!m_hasRare && !key.isEmpty()) {
        static const QLatin1String rare[] = {QLatin1String("recurrence_id"), QLatin1String("rdate"),
                                             QLatin1String("exdate"),        QLatin1String("duration"),
                                             QLatin1String("unknown_tzid"),  QLatin1String("dtstart_written"),
                                             QLatin1String("dtend_written"), QLatin1String("due_written")};
        for (QLatin1String name : rare) {
            m_hasRare =
                m_hasRare || (key.size() == name.size() && key.front() == QLatin1Char(name.front()) && key == name);
        }
    }
    // Kept in file order: a block has a dozen, looked along, and properties() sorts them.
    for (auto &entry : m_properties) {
        if (entry.first.size() == key.size() && entry.first == key) {
            entry.second = std::move(value);
            return;
        }
    }
    m_properties.emplace_back(std::move(key), std::move(value));
}

void QCalEvent::remove(const QString &key)
{
    for (qsizetype i = 0; i < m_properties.size(); ++i) {
        if (m_properties[i].first == key) {
            m_properties.remove(i);
            return;
        }
    }
}

// A look along the properties at the lengths, kept with each key, reads few keys' text.
template <typename Key> QVariant QCalEvent::find(const Key &key) const
{
    for (const auto &entry : m_properties) {
        if (entry.first.size() == key.size() && orderOf(entry.first, key) == 0)
            return entry.second;
    }
    return QVariant();
}

QVariant QCalEvent::property(const char *key) const
{
    return find(QLatin1String(key));
}

QVariant QCalEvent::property(const QString &key) const
{
    return find(QStringView(key));
}

QMap<QString, QVariant> QCalEvent::properties() const
{
    QMap<QString, QVariant> map;
    for (const auto &entry : m_properties)
        map.insert(entry.first, entry.second);
    return map;
}

int QCalEvent::dateKeyBit(QStringView key)
{
    if (key == u"dtstart")
        return 1;
    if (key == u"dtend")
        return 2;
    if (key == u"due")
        return 4;
    return 0;
}

bool QCalEvent::isDateOnly(QStringView key) const
{
    return m_dateOnlyKeys & dateKeyBit(key);
}

void QCalEvent::setDateOnly(QStringView key, bool dateOnly)
{
    if (dateOnly)
        m_dateOnlyKeys |= dateKeyBit(key);
    else
        m_dateOnlyKeys &= ~dateKeyBit(key);
}

QDebug operator<<(QDebug debug, const QCalEvent &event)
{
    QDebugStateSaver saver(debug);
    debug.nospace().noquote() << "QCalEvent(\n";
    const QMap<QString, QVariant> props = event.properties();
    for (auto it = props.cbegin(); it != props.cend(); ++it) {
        debug << "    " << it.key() << ": ";
        debug.quote() << it.value();
        debug.noquote() << "\n";
    }
    debug << ")\n";
    return debug;
}

namespace QCalParserPrivate {

// Kept small: big short-lived buffers make the allocator tidy up all small blocks each time.
constexpr qsizetype kChunkBytes = 16 * 1024;

// Where a character first is from `from` on, or -1: straight to Qt's vector search, as a large file
// looks for a few characters on every line.
qsizetype findChar(QStringView text, char16_t c, qsizetype from = 0)
{
    if (from >= text.size())
        return -1;
    const char16_t *begin = text.utf16();
    const char16_t *found = QtPrivate::qustrchr(text.mid(from), c);
    return found == begin + text.size() ? -1 : found - begin;
}

// Names and values are compared many times a line; most are plain ASCII, compared here
// without Unicode case folding, which the rest still get.
bool equalsNoCase(QStringView a, QLatin1String b)
{
    if (a.size() != b.size())
        return false;
    for (qsizetype i = 0; i < a.size(); ++i) {
        const char16_t x = a[i].unicode();
        if (x >= 0x80)
            return a.compare(b, Qt::CaseInsensitive) == 0;
        const auto lower = [](char16_t c) { return c >= u'A' && c <= u'Z' ? char16_t(c + 32) : c; };
        if (lower(x) != lower(b[i].unicode()))
            return false;
    }
    return true;
}

// RFC 5545 TEXT escapes; an unknown escape is kept as written.
QString unescapeText(QStringView value)
{
    if (findChar(value, u'\\') < 0)
        return value.toString();
    QString out;
    out.reserve(value.size());
    // The text between escapes goes over whole: most of a description is plain.
    qsizetype from = 0;
    for (qsizetype i = findChar(value, u'\\'); i >= 0 && i + 1 < value.size(); i = findChar(value, u'\\', from)) {
        out += value.mid(from, i - from);
        const QChar next = value[i + 1];
        switch (next.unicode()) {
        case 'n':
        case 'N':
            out += QLatin1Char('\n');
            break;
        case '\\':
        case ',':
        case ';':
            out += next;
            break;
        default:
            out += value.mid(i, 2);
        }
        from = i + 2;
    }
    out += value.mid(from);
    return out;
}

// Splits one unfolded content line into name, parameter text and value. Quoted
// parameter values may hold ":" and ";", so they are skipped when looking for the value.
struct ContentLine
{
    QStringView name;
    QStringView params;
    QStringView value;
};

ContentLine splitLine(QStringView line)
{
    qsizetype colon = -1;
    bool quoted = false;
    for (qsizetype i = 0; i < line.size(); ++i) {
        const QChar c = line[i];
        if (c == QLatin1Char('"'))
            quoted = !quoted;
        else if (c == QLatin1Char(':') && !quoted) {
            colon = i;
            break;
        }
    }
    if (colon < 0)
        colon = findChar(line, u':');
    ContentLine result;
    QStringView keyPart = colon < 0 ? line : line.left(colon);
    result.value = colon < 0 ? line : line.mid(colon + 1);
    const qsizetype semicolon = findChar(keyPart, u';');
    result.name = semicolon < 0 ? keyPart : keyPart.left(semicolon);
    result.params = semicolon < 0 ? QStringView() : keyPart.mid(semicolon + 1);
    return result;
}

// Gives each parameter's name and value (without quotes) to found, in order, until it returns true.
template <typename Found> void forEachParameter(QStringView params, Found found)
{
    if (params.isEmpty())
        return;
    qsizetype start = 0;
    bool quoted = false;
    for (qsizetype i = 0; i <= params.size(); ++i) {
        if (i < params.size()) {
            const QChar c = params[i];
            if (c == QLatin1Char('"'))
                quoted = !quoted;
            if (c != QLatin1Char(';') || quoted)
                continue;
        }
        const QStringView part = params.mid(start, i - start);
        start = i + 1;
        const qsizetype eq = findChar(part, u'=');
        if (eq < 0)
            continue;
        QStringView value = part.mid(eq + 1).trimmed();
        if (value.size() >= 2 && value.startsWith(QLatin1Char('"')) && value.endsWith(QLatin1Char('"')))
            value = value.mid(1, value.size() - 2);
        if (found(part.left(eq).trimmed(), value))
            return;
    }
}

// Looks up one parameter (case-insensitive name) and returns its value without quotes.
QStringView parameter(QStringView params, QLatin1String wanted)
{
    QStringView result;
    forEachParameter(params, [&](QStringView name, QStringView value) {
        if (!equalsNoCase(name, wanted))
            return false;
        result = value;
        return true;
    });
    return result;
}

// The keys every block has share one string, so a large file does not make a
// copy of "dtstart" per event; the storing code goes by the key's place in the list.
enum BlockKey {
    kUid,
    kDtstart,
    kDtend,
    kDue,
    kSummary,
    kDescription,
    kLocation,
    kCategories,
    kRrule,
    kUrl,
    kDtstamp,
    kCreated,
    kLastModified,
    kSequence,
    kStatus,
    kTransp,
    kClass,
    kPriority,
    kRdate,
    kExdate,
    kRecurrenceId,
    kDuration,
    kOtherKey
};

QString blockKey(QStringView name, int *which = nullptr)
{
    static const QString keys[] = {
        QStringLiteral("uid"),           QStringLiteral("dtstart"),    QStringLiteral("dtend"),
        QStringLiteral("due"),           QStringLiteral("summary"),    QStringLiteral("description"),
        QStringLiteral("location"),      QStringLiteral("categories"), QStringLiteral("rrule"),
        QStringLiteral("url"),           QStringLiteral("dtstamp"),    QStringLiteral("created"),
        QStringLiteral("last_modified"), QStringLiteral("sequence"),   QStringLiteral("status"),
        QStringLiteral("transp"),        QStringLiteral("class"),      QStringLiteral("priority"),
        QStringLiteral("rdate"),         QStringLiteral("exdate"),     QStringLiteral("recurrence_id"),
        QStringLiteral("duration"),
    };
    static_assert(std::size(keys) == kOtherKey);
    for (int k = 0; k < kOtherKey; ++k) {
        const QString &key = keys[k];
        if (key.size() != name.size())
            continue;
        bool same = true;
        for (qsizetype i = 0; i < name.size() && same; ++i) {
            const char16_t c = name[i].unicode();
            const char16_t u = key[i].unicode();
            same = c == u || (c >= u'A' && c <= u'Z' && c + 32 == u) || (c == u'-' && u == u'_');
        }
        if (same) {
            if (which)
                *which = k;
            return key;
        }
    }
    if (which)
        *which = kOtherKey;
    return QCalEvent::normalizedKey(name);
}

const QString &alarmKey()
{
    static const QString key = QStringLiteral("valarm");
    return key;
}

const QString &todoKey()
{
    static const QString key = QStringLiteral("todo");
    return key;
}

const QSet<QByteArray> &knownZoneIds()
{
    static const QSet<QByteArray> ids = [] {
        const QList<QByteArray> list = QTimeZone::availableTimeZoneIds();
        return QSet<QByteArray>(list.cbegin(), list.cend());
    }();
    return ids;
}

// Only ids from the system's list reach QTimeZone, so text from the file never
// names a path to open.
QTimeZone zoneForId(const QString &tzid)
{
    const QSet<QByteArray> &known = knownZoneIds();
    const QByteArray id = tzid.toUtf8();
    if (known.contains(id))
        return QTimeZone(id);
    const QByteArray fromWindows = QTimeZone::windowsIdToDefaultIanaId(id);
    if (!fromWindows.isEmpty() && known.contains(fromWindows))
        return QTimeZone(fromWindows);
    // Some writers prefix the zone with their own path ("/vendor/2005_1/Europe/Berlin").
    for (qsizetype slash = id.indexOf('/'); slash >= 0; slash = id.indexOf('/', slash + 1)) {
        const QByteArray tail = id.mid(slash + 1);
        if (known.contains(tail))
            return QTimeZone(tail);
    }
    return QTimeZone();
}

class Reader
{
public:
    explicit Reader(QList<QCalEventPtr> &out) : m_out(out), m_localZone(QTimeZone::systemTimeZone()) {}

    // Lines are looked at in place inside the decoded chunk; only a line that is folded
    // or crosses a chunk border is copied.
    void feed(QStringView text)
    {
        qsizetype pos = 0;
        while (pos < text.size()) {
            const qsizetype nl = findChar(text, u'\n', pos);
            const QStringView piece = text.mid(pos, (nl < 0 ? text.size() : nl) - pos);
            if (nl < 0) {
                appendCapped(m_physical, piece);
                m_physicalPending = true;
                break;
            }
            if (!m_physicalPending) {
                physicalLine(piece);
            } else {
                appendCapped(m_physical, piece);
                physicalLine(m_physical);
                keepLogical();
                m_physical.resize(0);
                m_physicalPending = false;
            }
            pos = nl + 1;
        }
        keepLogical();
    }

    void finish()
    {
        if (m_physicalPending)
            physicalLine(m_physical);
        m_physicalPending = false;
        flushLogical();
        // A block without END still counts.
        if (m_current) {
            m_current->insert(todoKey(), false);
            m_out.append(std::exchange(m_current, {}));
        }
        resolveZones();
    }

private:
    void appendCapped(QString &target, QStringView text)
    {
        const qsizetype room = QCalParser::kMaxLineLength - target.size();
        if (text.size() > room) {
            logTruncation();
            text = text.left(qMax<qsizetype>(0, room));
        }
        target.append(text);
    }

    void logTruncation()
    {
        if (!m_truncationLogged)
            QR_LOG("iCalendar line too long, its end is dropped");
        m_truncationLogged = true;
    }

    // Copies the pending logical line before the text it points into goes away.
    void keepLogical()
    {
        if (m_haveLogical && !m_logicalOwned) {
            m_logical.resize(0);
            m_logical.append(m_logicalView);
            m_logicalOwned = true;
        }
    }

    void flushLogical()
    {
        if (m_haveLogical)
            logicalLine(m_logicalOwned ? QStringView(m_logical) : m_logicalView);
        m_haveLogical = false;
    }

    void physicalLine(QStringView line)
    {
        if (line.endsWith(QLatin1Char('\r')))
            line.chop(1);
        // A line starting with a blank or tab continues the previous one.
        if (m_haveLogical && !line.isEmpty() && (line[0] == QLatin1Char(' ') || line[0] == QLatin1Char('\t'))) {
            keepLogical();
            appendCapped(m_logical, line.mid(1));
            return;
        }
        flushLogical();
        if (line.size() > QCalParser::kMaxLineLength) {
            logTruncation();
            line = line.left(QCalParser::kMaxLineLength);
        }
        m_logicalView = line;
        m_logicalOwned = false;
        m_haveLogical = true;
    }

    void logicalLine(QStringView line)
    {
        if (line.isEmpty())
            return;
        const ContentLine cl = splitLine(line);
        const bool isBegin = equalsNoCase(cl.name, QLatin1String("BEGIN"));
        const bool isEnd = equalsNoCase(cl.name, QLatin1String("END"));
        // Only the lines that open or close a component name one: the others are not looked at for it.
        const QStringView component = isBegin || isEnd ? cl.value.trimmed() : QStringView();
        const bool isEntry = isBegin && (equalsNoCase(component, QLatin1String("VEVENT")) ||
                                         equalsNoCase(component, QLatin1String("VTODO")));
        if (m_inZone) {
            // A zone block without its END must not swallow the entries after it.
            if (!(isBegin && isEntry)) {
                zoneLine(cl, isBegin, isEnd);
                return;
            }
            closeZone();
        }
        if (!m_current) {
            if (isBegin && equalsNoCase(component, QLatin1String("VTIMEZONE"))) {
                m_inZone = true;
                m_zone = ICalZone();
                m_zoneId.clear();
                return;
            }
            if (isBegin && isEntry) {
                m_current = QCalEventPtr::create();
                m_current->m_properties.reserve(12);
                m_depth = 0;
            }
            return;
        }
        // Components inside a block (alarms) are skipped whole: their lines
        // must not overwrite the block's own properties. That there were alarms is kept.
        if (isBegin) {
            if (m_depth++ == 0 && equalsNoCase(component, QLatin1String("VALARM")))
                m_current->insert(alarmKey(), true);
            return;
        }
        if (isEnd) {
            if (m_depth > 0) {
                --m_depth;
                return;
            }
            m_current->insert(todoKey(), equalsNoCase(cl.value.trimmed(), QLatin1String("VTODO")));
            m_out.append(std::exchange(m_current, {}));
            return;
        }
        if (m_depth == 0)
            storeProperty(cl);
    }

    // The parts of a VTIMEZONE block: its id and the offsets of its STANDARD and DAYLIGHT parts.
    void zoneLine(const ContentLine &cl, bool isBegin, bool isEnd)
    {
        const QStringView component = cl.value.trimmed();
        const bool isPart =
            equalsNoCase(component, QLatin1String("STANDARD")) || equalsNoCase(component, QLatin1String("DAYLIGHT"));
        if (isBegin && isPart) {
            m_observance = ICalZone::Observance();
            m_inObservance = true;
            m_offsetsRead = 0;
        } else if (isEnd && isPart && m_inObservance) {
            if (m_offsetsRead != 3)
                m_observance.start = QDateTime(); // makes the zone unusable
            m_zone.addObservance(m_observance);
            m_inObservance = false;
        } else if (isEnd && (equalsNoCase(component, QLatin1String("VTIMEZONE")) ||
                             equalsNoCase(component, QLatin1String("VCALENDAR")))) {
            closeZone();
        } else if (equalsNoCase(cl.name, QLatin1String("TZID")) && !m_inObservance) {
            m_zoneId = cl.value.trimmed().toString();
        } else if (m_inObservance) {
            const QString key = blockKey(cl.name);
            int offset = 0;
            if (key == QLatin1String("dtstart")) {
                m_observance.start = wallClock(cl.value.trimmed());
            } else if (key == QLatin1String("rrule")) {
                m_observance.rrule = cl.value.trimmed().toString();
            } else if (key == QLatin1String("rdate")) {
                for (QStringView value : cl.value.split(QLatin1Char(',')))
                    m_observance.rdates << wallClock(value.trimmed());
            } else if (key == QLatin1String("tzoffsetfrom") && ICalZone::parseOffset(cl.value, &offset)) {
                m_observance.offsetFrom = offset;
                m_offsetsRead |= 1;
            } else if (key == QLatin1String("tzoffsetto") && ICalZone::parseOffset(cl.value, &offset)) {
                m_observance.offsetTo = offset;
                m_offsetsRead |= 2;
            }
        }
    }

    void closeZone()
    {
        if (!m_zoneId.isEmpty())
            m_zones.insert(m_zoneId, m_zone);
        m_inZone = false;
        m_inObservance = false;
    }

    static QDateTime wallClock(QStringView raw)
    {
        if (raw.size() != 15 || raw[8] != QLatin1Char('T'))
            return {};
        const int y = iCalDigits(raw, 0, 4), m = iCalDigits(raw, 4, 2), d = iCalDigits(raw, 6, 2);
        const int hh = iCalDigits(raw, 9, 2), mm = iCalDigits(raw, 11, 2), ss = iCalDigits(raw, 13, 2);
        if (!QDate::isValid(y, m, d) || !QTime::isValid(hh, mm, ss))
            return {};
        return QDateTime(QDate(y, m, d), QTime(hh, mm, ss), Qt::UTC);
    }

    void storeProperty(const ContentLine &cl)
    {
        // Already in its stored form, and shared: stored as it is.
        int which = kOtherKey;
        QString key = blockKey(cl.name, &which);
        switch (which) {
        case kDtstart:
        case kDtend:
        case kDue:
        case kRecurrenceId: {
            bool dateOnly = false;
            QDateTime value = readDate(cl.value, cl.params, &dateOnly, key, -1);
            m_current->setDateOnly(key, dateOnly && value.isValid());
            m_current->insert(std::move(key), QVariant(std::move(value)));
            break;
        }
        case kRdate:
        case kExdate:
            storeDates(cl, key);
            break;
        case kCategories:
            m_current->insert(std::move(key), cl.value.isEmpty() ? QStringList() : QStringList{cl.value.toString()});
            break;
        case kSummary:
        case kDescription:
        case kLocation:
            m_current->insert(std::move(key), QVariant(unescapeText(cl.value)));
            break;
        default:
            m_current->insert(std::move(key), QVariant(cl.value.toString()));
        }
    }

    // RDATE and EXDATE may come on several lines, each with several values; a period
    // (start/end or start/duration) keeps its end in "rdate_end", at the same place.
    void storeDates(const ContentLine &cl, const QString &key)
    {
        const QString endKey = key + QLatin1String("_end");
        QVariantList starts = m_current->property(key).toList();
        QVariantList ends = m_current->property(endKey).toList();
        // Dropping the stored copies lets the lists grow in place: a file may give
        // thousands of RDATE lines.
        m_current->remove(key);
        m_current->remove(endKey);
        for (QStringView value : cl.value.split(QLatin1Char(','))) {
            const qsizetype slash = value.indexOf(QLatin1Char('/'));
            bool dateOnly = false;
            const QDateTime start =
                readDate(slash < 0 ? value : value.left(slash), cl.params, &dateOnly, key, starts.size());
            if (!start.isValid())
                continue;
            QDateTime end;
            if (slash >= 0) {
                const QStringView tail = value.mid(slash + 1).trimmed();
                end = tail.contains(QLatin1Char('P'), Qt::CaseInsensitive)
                          ? QCalParser::addDuration(start, tail)
                          : readDate(tail, cl.params, &dateOnly, endKey, starts.size());
            }
            starts << start;
            ends << end;
        }
        m_current->setProperty(key, starts);
        if (key == QLatin1String("rdate"))
            m_current->setProperty(endKey, ends);
    }

    QDateTime readDate(QStringView value, QStringView params, bool *dateOnly, const QString &key, int index)
    {
        QStringView raw = value.trimmed();
        // Both parameters a date may have, in one pass: the first of each name counts.
        QStringView valueType, tzid;
        bool haveType = false, haveZone = false;
        forEachParameter(params, [&](QStringView name, QStringView found) {
            if (!haveType && equalsNoCase(name, QLatin1String("VALUE"))) {
                valueType = found;
                haveType = true;
            } else if (!haveZone && equalsNoCase(name, QLatin1String("TZID"))) {
                tzid = found;
                haveZone = true;
            }
            return haveType && haveZone;
        });
        *dateOnly = equalsNoCase(valueType, QLatin1String("DATE")) || raw.size() == 8;
        QString text;
        const qsizetype zulu = findChar(raw, u'Z');
        const bool utc = zulu >= 0;
        if (utc && zulu == raw.size() - 1) {
            raw.chop(1); // the usual place: no copy
        } else if (utc) {
            text = raw.toString();
            text.remove(QLatin1Char('Z'));
            raw = text;
        }
        QDate date;
        QTime time(0, 0);
        if (*dateOnly) {
            if (raw.size() != 8)
                return {};
        } else if (raw.size() != 15 || raw[8] != QLatin1Char('T')) {
            return {};
        }
        const int y = iCalDigits(raw, 0, 4), m = iCalDigits(raw, 4, 2), d = iCalDigits(raw, 6, 2);
        if (y < 0 || m < 0 || d < 0)
            return {};
        date = QDate(y, m, d);
        if (!date.isValid())
            return {};
        if (*dateOnly)
            return local(date, time);
        const int hh = iCalDigits(raw, 9, 2), mm = iCalDigits(raw, 11, 2), ss = iCalDigits(raw, 13, 2);
        if (hh < 0 || mm < 0 || ss < 0 || !QTime::isValid(hh, mm, ss))
            return {};
        time = QTime(hh, mm, ss);
        if (utc) {
            noteStartZone(key, date, time, ICalSourceZone());
            return toLocal(QDateTime(date, time, Qt::UTC));
        }
        if (tzid.isEmpty()) {
            // Floating time: wall clock wherever the user is. Where the clock here skips it, what
            // was written still tells a whole day.
            const QDateTime read = local(date, time);
            if (const QString *writtenKey = index < 0 && read.time() != time ? skippedKey(key) : nullptr)
                m_current->insert(*writtenKey, QDateTime(date, time, Qt::UTC));
            return read;
        }
        NamedZone &named = namedZone(tzid);
        if (!named.zone.isValid()) {
            // The file's own VTIMEZONE may come later: settled when the whole text is read. A
            // single time is read there; one in a list holds its place as local time until then.
            m_pending.append({m_current, key, index, date, time, named.id});
            return index < 0 ? QDateTime() : local(date, time);
        }
        noteStartZone(key, date, time, named.source);
        return toLocal(inSystemZone(named, date, time));
    }

    // A file names a few zones for all its times: each is looked up once a parse, with what
    // its readings need, and the one named last is looked at first, as an end names its start's.
    struct ZoneOffsets
    {
        qint64 from = 0; // seconds since 1970 that the offsets cover
        qint64 to = -1;
        ICalSourceZone::Offsets offsets;
    };
    struct NamedZone
    {
        QString id;
        QTimeZone zone; // invalid: not one the system knows
        ICalSourceZone source;
        ZoneOffsets offsets;
    };

    NamedZone &namedZone(QStringView tzid)
    {
        if (m_lastZone < m_namedZones.size() && m_namedZones[m_lastZone].id == tzid)
            return m_namedZones[m_lastZone];
        for (m_lastZone = 0; m_lastZone < m_namedZones.size(); ++m_lastZone) {
            if (m_namedZones[m_lastZone].id == tzid)
                return m_namedZones[m_lastZone];
        }
        // Bounded, so a file full of made-up zone names keeps the search short.
        if (m_namedZones.size() >= 64)
            m_namedZones.clear();
        NamedZone named;
        named.id = tzid.toString();
        named.zone = zone_(named.id);
        named.source = ICalSourceZone(named.zone);
        m_namedZones.push_back(std::move(named));
        m_lastZone = m_namedZones.size() - 1;
        return m_namedZones.back();
    }

    // The moment a wall-clock time in a zone the system knows stands for. A time two days or
    // more from the zone's changes is the time less the offset of its span, found in the zone's
    // offsets over the years around, without asking the zone for each time; the others, which
    // are few, are read as they are.
    QDateTime inSystemZone(NamedZone &named, const QDate &date, const QTime &time)
    {
        const qint64 wall = wallSeconds(date, time) - kUnixDay * kDaySeconds;
        qint64 utc = 0;
        if (awayFromChanges(named.offsets, named.source, wall, &utc))
            return QDateTime::fromSecsSinceEpoch(utc, Qt::UTC);
        return ICalSourceZone::toUtc(date, time, named.zone);
    }

    // The moment of a wall-clock reading (seconds since 1970) two days or more from the zone's
    // changes, through its offsets over the years around; false nearer one.
    static bool awayFromChanges(ZoneOffsets &known, const ICalSourceZone &zone, qint64 wall, qint64 *utc)
    {
        constexpr qint64 kDay = kDaySeconds;
        if (wall - 3 * kDay < known.from || wall + 3 * kDay > known.to) {
            known.from = wall - 20 * 366 * kDay;
            known.to = wall + 20 * 366 * kDay;
            known.offsets = zone.offsets(QDateTime::fromSecsSinceEpoch(known.from, Qt::UTC),
                                         QDateTime::fromSecsSinceEpoch(known.to, Qt::UTC));
        }
        const auto &offsets = known.offsets;
        const auto next = std::upper_bound(offsets.cbegin(), offsets.cend(), wall - 2 * kDay,
                                           [](qint64 moment, const auto &span) { return moment < span.first; });
        if (next == offsets.cbegin() || (next != offsets.cend() && next->first <= wall + 2 * kDay))
            return false;
        *utc = wall - std::prev(next)->second;
        return true;
    }

    // A series repeats its start's wall-clock time in the start's own zone; whole days are
    // told by it too, and a task's by its due time when it has no start.
    void noteStartZone(const QString &key, const QDate &date, const QTime &time, const ICalSourceZone &zone)
    {
        if (const QString *zoneKey = m_current ? wallKey(key) : nullptr)
            m_current->insert(*zoneKey, QVariant::fromValue(ICalWallTime{date, time, zone}));
    }

    static const QString *wallKey(const QString &key)
    {
        static const QString start = QStringLiteral("dtstart_zone"), due = QStringLiteral("due_zone");
        return key == QLatin1String("dtstart") ? &start : key == QLatin1String("due") ? &due : nullptr;
    }

    static const QString *skippedKey(const QString &key)
    {
        static const QString start = QStringLiteral("dtstart_written"), end = QStringLiteral("dtend_written"),
                             due = QStringLiteral("due_written");
        return key == QLatin1String("dtstart") ? &start
               : key == QLatin1String("dtend") ? &end
               : key == QLatin1String("due")   ? &due
                                               : nullptr;
    }

    // The keys kept are in their stored form already: they are stored as they are.
    void resolveZones()
    {
        static const QString unknownKey = QStringLiteral("unknown_tzid");
        QHash<QString, ICalSourceZone> sources; // one per zone, so its series share what it found
        for (const PendingZone &p : std::as_const(m_pending)) {
            const auto zone = m_zones.constFind(p.tzid);
            if (zone == m_zones.cend() || !zone->isUsable()) {
                p.event->insert(unknownKey, p.tzid);
                if (p.index < 0)
                    p.event->insert(p.key, local(p.date, p.time));
                continue;
            }
            const QDateTime value = toLocal(zone->toUtc(p.date, p.time));
            if (p.index < 0) {
                p.event->insert(p.key, value);
                if (const QString *zoneKey = wallKey(p.key)) {
                    auto source = sources.find(p.tzid);
                    if (source == sources.end())
                        source = sources.insert(p.tzid, ICalSourceZone(*zone));
                    p.event->insert(*zoneKey, QVariant::fromValue(ICalWallTime{p.date, p.time, *source}));
                }
                continue;
            }
            QVariantList list = p.event->property(p.key).toList();
            p.event->remove(p.key); // changed in place, not copied for each date
            if (p.index < list.size())
                list[p.index] = value;
            p.event->insert(p.key, list);
        }
        m_pending.clear();
    }

    // Local time through the system zone read once per parse: the C library's local
    // time calls look at the zone file on every call, which dominates large imports.
    QDateTime local(const QDate &date, const QTime &time)
    {
        if (!m_localZone.isValid())
            return QDateTime(date, time, Qt::LocalTime);
        const qint64 wall = wallSeconds(date, time);
        return remembered(m_localReadings, wall, [&] {
            // Away from the clock changes a reading is one moment, found through the offsets: the
            // zone is asked once, not twice.
            qint64 utc = 0;
            if (awayFromChanges(m_localOffsets, m_localSource, wall - kUnixDay * kDaySeconds, &utc))
                return QDateTime::fromSecsSinceEpoch(utc, m_localZone);
            return inZone(date, time, m_localZone);
        });
    }

    // A file's times repeat the same days and hours, and reading one through a zone is what
    // costs most in a large import: each reading is done once a parse. Bounded, for files
    // of ever new moments.
    template <typename Read> static QDateTime remembered(QHash<qint64, QDateTime> &readings, qint64 key, Read read)
    {
        const auto known = readings.constFind(key);
        if (known != readings.cend())
            return *known;
        if (readings.size() >= 8192)
            readings.clear();
        const QDateTime value = read();
        readings.insert(key, value);
        return value;
    }

    static constexpr qint64 kUnixDay = 2440588; // the Julian day of 1 January 1970
    static constexpr qint64 kDaySeconds = 24 * 3600;

    static qint64 wallSeconds(const QDate &date, const QTime &time)
    {
        return date.toJulianDay() * 86400 + time.msecsSinceStartOfDay() / 1000;
    }

    // A wall-clock time that a daylight-saving change skips is read with the offset in
    // force before the change, as RFC 5545 says, instead of becoming invalid.
    static QDateTime inZone(const QDate &date, const QTime &time, const QTimeZone &zone)
    {
        const QDateTime dt(date, time, zone);
        if (dt.isValid())
            return dt;
        const int before = zone.offsetFromUtc(QDateTime(date.addDays(-1), time, Qt::UTC));
        return QDateTime(date, time, Qt::UTC).addSecs(-before).toTimeZone(zone);
    }

    QDateTime toLocal(const QDateTime &dt)
    {
        if (!m_localZone.isValid())
            return dt.toLocalTime();
        return remembered(m_utcReadings, dt.toMSecsSinceEpoch(), [&] { return dt.toTimeZone(m_localZone); });
    }

    QTimeZone zone_(const QString &tzid)
    {
        // Loading a zone reads its file; one import asks for the same few zones again and again.
        static QMutex mutex;
        static QHash<QString, QTimeZone> cache;
        QMutexLocker lock(&mutex);
        auto it = cache.constFind(tzid);
        if (it != cache.cend())
            return *it;
        const QTimeZone zone = zoneForId(tzid);
        if (!zone.isValid())
            QR_LOG("iCalendar time zone not known to the system: " + tzid.left(100).toUtf8());
        // Bounded, so files full of made-up zone names cannot grow it without end.
        if (cache.size() >= 512)
            cache.clear();
        cache.insert(tzid, zone);
        return zone;
    }

    // A time in a zone the system does not know, read as local time until the file's
    // VTIMEZONE of that id is known; index -1 for a single date, else a place in a list.
    struct PendingZone
    {
        QCalEventPtr event;
        QString key;
        int index;
        QDate date;
        QTime time;
        QString tzid;
    };

    QList<QCalEventPtr> &m_out;
    const QTimeZone m_localZone;
    const ICalSourceZone m_localSource{m_localZone};
    ZoneOffsets m_localOffsets;
    QHash<qint64, QDateTime> m_localReadings; // by wall-clock second
    QHash<qint64, QDateTime> m_utcReadings;   // by UTC millisecond
    std::vector<NamedZone> m_namedZones;
    size_t m_lastZone = 0;
    QList<PendingZone> m_pending;
    QHash<QString, ICalZone> m_zones;
    bool m_inZone = false;
    QString m_zoneId;
    ICalZone m_zone;
    bool m_inObservance = false;
    ICalZone::Observance m_observance;
    int m_offsetsRead = 0;
    QCalEventPtr m_current;
    int m_depth = 0;
    QString m_physical;
    bool m_physicalPending = false;
    QString m_logical;
    QStringView m_logicalView;
    bool m_logicalOwned = false;
    bool m_haveLogical = false;
    bool m_truncationLogged = false;
};

QTextCodec *codecFor(const char *encoding)
{
    if (encoding && *encoding) {
        if (QTextCodec *codec = QTextCodec::codecForName(encoding))
            return codec;
        QR_LOG(QByteArray("Unknown text encoding, default used: ") + QByteArray(encoding).left(100));
    }
    return QTextCodec::codecForLocale();
}

// Decodes chunk by chunk so that a huge file never sits in memory twice.
// True when every byte was text in the codec; false when some became replacement characters.
// Gives the count of bytes that were no text (replacement characters in the text).
template <typename ReadChunk> int decodeInto(Reader &reader, const char *encoding, ReadChunk readChunk)
{
    QByteArray chunk = readChunk();
    // A byte-order mark wins over the chosen encoding.
    QTextCodec *codec = QTextCodec::codecForUtfText(chunk, codecFor(encoding));
    QTextCodec::ConverterState state;
    while (!chunk.isEmpty()) {
        reader.feed(codec->toUnicode(chunk.constData(), int(chunk.size()), &state));
        chunk = readChunk();
    }
    reader.finish();
    return state.invalidChars + (state.remainingChars > 0 ? 1 : 0);
}

} // namespace QCalParserPrivate

QCalParser::QCalParser(QObject *parent) : QObject(parent) {}

QDateTime QCalParser::addDuration(const QDateTime &start, QStringView duration)
{
    qint64 days = 0, seconds = 0;
    if (!start.isValid() || !durationParts(duration, &days, &seconds))
        return {};
    // Days are calendar days, kept across a clock change; hours and less are exact.
    return start.addDays(days).addSecs(seconds);
}

bool QCalParser::durationParts(QStringView duration, qint64 *signedDays, qint64 *signedSeconds)
{
    QStringView text = duration.trimmed();
    int sign = 1;
    if (text.startsWith(QLatin1Char('+')) || text.startsWith(QLatin1Char('-'))) {
        sign = text[0] == QLatin1Char('-') ? -1 : 1;
        text = text.mid(1);
    }
    if (!text.startsWith(QLatin1Char('P'), Qt::CaseInsensitive) || text.size() < 3)
        return false;
    qint64 days = 0, seconds = 0, number = 0;
    bool inTime = false, haveNumber = false;
    for (QChar c : text.mid(1)) {
        if (c.isDigit()) {
            number = number * 10 + c.digitValue();
            if (number > 1000000000)
                return false;
            haveNumber = true;
            continue;
        }
        const char16_t unit = c.toUpper().unicode();
        if (unit == u'T' && !inTime && !haveNumber) {
            inTime = true;
            continue;
        }
        if (!haveNumber)
            return false;
        if (!inTime && unit == u'W')
            days += 7 * number;
        else if (!inTime && unit == u'D')
            days += number;
        else if (inTime && unit == u'H')
            seconds += 3600 * number;
        else if (inTime && unit == u'M')
            seconds += 60 * number;
        else if (inTime && unit == u'S')
            seconds += number;
        else
            return false;
        number = 0;
        haveNumber = false;
    }
    if (haveNumber)
        return false;
    *signedDays = sign * days;
    *signedSeconds = sign * seconds;
    return true;
}

QCalParser::~QCalParser() = default;

bool QCalParser::parse(QFile *file, const char *encoding)
{
    using namespace QCalParserPrivate;
    if (!file)
        return false;
    // Carriage returns are dropped as text mode drops them, all of them, but a block at a time.
    const bool dropReturns = !file->isOpen();
    if (dropReturns && !file->open(QIODevice::ReadOnly))
        return false;
    Reader reader(m_events);
    QByteArray buffer(kChunkBytes, Qt::Uninitialized);
    m_undecodable = decodeInto(reader, encoding, [file, &buffer, dropReturns] {
        qint64 size = 0;
        while (size == 0) {
            size = file->read(buffer.data(), kChunkBytes);
            if (size <= 0)
                return QByteArray();
            if (dropReturns) {
                char *const begin = buffer.data();
                char *const end = begin + size;
                char *out = static_cast<char *>(std::memchr(begin, '\r', size_t(size)));
                for (const char *in = out; in && in < end;) {
                    const char *next = static_cast<const char *>(std::memchr(in + 1, '\r', size_t(end - in - 1)));
                    const char *stop = next ? next : end;
                    std::memmove(out, in + 1, size_t(stop - in - 1));
                    out += stop - in - 1;
                    in = next;
                }
                if (out)
                    size = out - begin;
            }
        }
        return QByteArray::fromRawData(buffer.constData(), size);
    });
    return true;
}

bool QCalParser::parse(const QByteArray &data, const char *encoding)
{
    using namespace QCalParserPrivate;
    Reader reader(m_events);
    qsizetype pos = 0;
    m_undecodable = decodeInto(reader, encoding, [&data, &pos] {
        const qsizetype size = qMin(kChunkBytes, data.size() - pos);
        const QByteArray chunk = QByteArray::fromRawData(data.constData() + pos, size);
        pos += size;
        return chunk;
    });
    return true;
}
