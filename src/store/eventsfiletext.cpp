#include "store/eventsfiletext.h"

#include "core/backgroundwriter.h"
#include "core/datafileguard.h"
#include "core/jsonobject.h"
#include "core/jsonparser.h"
#include "core/log.h"
#include "core/safefile.h"
#include "events/eventsfactory.h"
#include "events/notspecifiedevent.h"
#include "platform/timezonewatcher.h"

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QMutex>
#include <QSet>
#include <QThread>
#include <QUuid>
#include <QtConcurrent/QtConcurrentMap>

#include <sys/stat.h>

#include <algorithm>
#include <atomic>
#include <condition_variable>
#include <mutex>
#include <numeric>
#include <optional>
#include <system_error>
#include <thread>

namespace EventsManagerPrivate {
const QByteArray s_eventsKey = "Events";
const QString s_calendarsList = QStringLiteral("calendarsList");
const QString s_defaultCalendar = QStringLiteral("defaultCalendar");
const QString s_eventsList = QStringLiteral("eventsList");
const QString s_version = QStringLiteral("version");
const QString s_type = QStringLiteral("type");
const QString s_typeId = QStringLiteral("typeId");
const QString s_data = QStringLiteral("data");
const QString s_abstractKey = QStringLiteral("abstract");
const QString s_oldestVersion = QStringLiteral("2.0.1");

QVariant eventEntry(const AbstractCommonEvent &event)
{
    QVariantMap entry;
    entry.insert(s_data, event.saveToVariant(AbstractCommonEvent::NoSaveFlags));
    entry.insert(s_type, int(event.type()));
    entry.insert(s_typeId, QString::fromLatin1(event.textId()));
    return entry;
}

QVariantMap contentMap(const QVariantList &events, const QList<CalendarInfo> &calendars,
                       const QByteArray &defaultCalendarId)
{
    QVariantList calendarList;
    calendarList.reserve(calendars.count());
    for (const CalendarInfo &calendar : calendars)
        calendarList.append(calendar.toMap());
    QVariantMap map;
    map.insert(s_eventsList, events);
    map.insert(s_version, QCoreApplication::applicationVersion());
    map.insert(s_calendarsList, calendarList);
    map.insert(s_defaultCalendar, QString::fromLatin1(defaultCalendarId));
    return map;
}

// Asked of each event as soon as it is built, on the thread that reads it: the answers are kept, and
// the bar and the reminders ask for them at start.
void workOutAhead(const AbstractCommonEvent &event, const QList<QDateTime> &reminderMoments)
{
    if (reminderMoments.isEmpty())
        return;
    event.nextPeriod();
    // An appointment keeps its answers only in a zone the program pinned.
    if (TimeZoneWatcher::zoneGeneration() < 0)
        return;
    for (const QDateTime &moment : reminderMoments)
        event.reminderDateTimeAfter(moment);
}

// Events written by one thread at a time; fewer than this are written on the calling thread.
qsizetype s_sliceEvents = 4096;

// One entry, as the writer writes the map eventEntry() gives.
void writeEntry(Common::JsonWriter &writer, const AbstractCommonEvent &event)
{
    writer.beginObject();
    writer.name("data");
    event.writeJson(writer, AbstractCommonEvent::NoSaveFlags);
    writer.name("type");
    writer.value(int(event.type()));
    writer.name("typeId");
    writer.value(QString::fromLatin1(event.textId()));
    writer.endObject();
}

// The events file's copies have always been "events.bak", not "events.json.bak".
QString copyBase(const QString &fileName)
{
    const QFileInfo info(fileName);
    return info.absoluteDir().absoluteFilePath(info.completeBaseName() + QStringLiteral(".bak"));
}
} // namespace EventsManagerPrivate

using namespace EventsManagerPrivate;

// Reads parts of a long events list on other threads while the list is read from its beginning:
// where that reading reaches a part's first entry, it takes the part's events and goes on where the
// part ended. Parts begin where an entry likely begins; one that does not is never reached. There are
// several parts for each thread, taken in turn: a thread that the machine's other work holds up leaves
// the parts it has not begun to the others, instead of keeping the whole start waiting for it.
class EventsFileText::PartReaders
{
public:
    // The events built go to `home`, the thread that takes them. Each event's first reminders after
    // `reminderMoments` are worked out as it is read; with `moreMoments`, the threads read on and work out
    // those after the moments setReminderMoments() gives later, before they hand a part over.
    PartReaders(const QByteArray &bytes, const QStringList &listPath, const NotSpecifiedEvent::Defaults &defaults,
                const QList<QDateTime> &reminderMoments, bool moreMoments, QThread *home)
        : m_firstMoments(reminderMoments)
    {
        if (!moreMoments)
            m_reminderMoments = QList<QDateTime>();
        // Below a few hundred entries a thread costs more than it saves.
        const int threads = int(std::min<qsizetype>(QThread::idealThreadCount(), bytes.size() / (256 * 1024)));
        const int parts = int(std::min<qsizetype>(threads * s_partsPerThread, bytes.size() / (64 * 1024)));
        // Entries begin as writeEntry() writes them, after the writer's ", " between list elements.
        const QByteArray opening = " {\"" + s_data.toLatin1() + "\": ";
        m_starts = Common::likelyElementStarts(bytes, opening, parts);
        // The reading from the top, on the GUI thread, takes the first entry alone: the threads read the rest.
        const qsizetype second = parts > 0 ? bytes.indexOf(',' + opening) : -1;
        if (second >= 0 && (m_starts.empty() || second + 1 < m_starts.front()))
            m_starts.insert(m_starts.begin(), second + 1);
        m_parts = std::vector<Part>(m_starts.size());
        for (int t = 0; t < threads && !m_parts.empty(); ++t) {
            try {
                m_threads.emplace_back([this, &bytes, listPath, home, defaults] {
                    const NotSpecifiedEvent::DefaultsScope scope(defaults);
                    for (size_t i = m_next++; i < m_parts.size(); i = m_next++)
                        read(i, bytes, listPath, home);
                    {
                        const std::lock_guard<std::mutex> lock(m_mutex);
                        m_defaultsUsed = m_defaultsUsed || scope.used();
                        ++m_threadsRead;
                    }
                    m_partDone.notify_all();
                    workOutPending();
                });
            } catch (const std::system_error &) {
                // Fewer threads read the parts; with none, the reading from the top reads them itself.
                break;
            }
        }
    }
    ~PartReaders()
    {
        // Parts not begun are left when the reading from the top ended early.
        m_next = m_parts.size();
        {
            const std::lock_guard<std::mutex> lock(m_mutex);
            m_cancelled = true;
        }
        m_partDone.notify_all();
        for (std::thread &thread : m_threads)
            thread.join();
    }
    void setReminderMoments(const QList<QDateTime> &moments)
    {
        {
            const std::lock_guard<std::mutex> lock(m_mutex);
            if (m_reminderMoments)
                return;
            m_reminderMoments = moments;
        }
        m_partDone.notify_all();
    }
    // Once every part is read: whether an entry lacked a value the defaults gave.
    bool defaultsUsed()
    {
        std::unique_lock<std::mutex> lock(m_mutex);
        m_partDone.wait(lock, [this] { return m_threadsRead == m_threads.size(); });
        return m_defaultsUsed;
    }
    // Takes the parts that follow one another from `position` on; the reading goes on at the end.
    Common::JsonListPartEnd take(qsizetype position, ReadEvents *read)
    {
        Common::JsonListPartEnd end{position, true};
        for (;;) {
            const auto found = std::lower_bound(m_starts.cbegin(), m_starts.cend(), end.position);
            if (found == m_starts.cend() || *found != end.position || m_threads.empty())
                return end;
            Part &part = m_parts[size_t(found - m_starts.cbegin())];
            {
                std::unique_lock<std::mutex> lock(m_mutex);
                m_partDone.wait(lock, [&part] { return part.done; });
            }
            if (part.error)
                std::rethrow_exception(part.error);
            // The picture store is this thread's.
            for (AbstractCommonEvent *event : std::as_const(part.photosWaiting))
                event->restorePhoto();
            part.photosWaiting.clear();
            read->events.append(std::move(part.read.events));
            part.read.events.clear();
            read->spans.insert(read->spans.end(), part.read.spans.cbegin(), part.read.spans.cend());
            read->revisions.insert(read->revisions.end(), part.read.revisions.cbegin(), part.read.revisions.cend());
            read->skipped = read->skipped || part.read.skipped;
            read->unknownNames = read->unknownNames || part.read.unknownNames;
            // While the threads read on; grown once, for as many events as the first part tells of.
            if (read->indexed == 0) {
                const qsizetype expected = read->events.count() * qsizetype(m_parts.size());
                read->byId.reserve(expected);
                read->savedAt.reserve(expected);
            }
            read->indexTaken();
            end = part.end;
            if (!end.goesOn)
                return end;
        }
    }

private:
    static constexpr int s_partsPerThread = 4;

    struct Part
    {
        ReadEvents read;
        QList<AbstractCommonEvent *> photosWaiting;
        Common::JsonListPartEnd end;
        std::exception_ptr error;
        bool done = false; // under m_mutex
    };

    void read(size_t index, const QByteArray &bytes, const QStringList &listPath, QThread *home)
    {
        Part &part = m_parts[index];
        AbstractCommonEvent::deferPhotoRestore(&part.photosWaiting);
        Common::JsonListTaker taker;
        taker.takeObject = [this, &part](const Common::JsonObject &entry) {
            if (AbstractCommonEventPtr event = eventFromEntry(entry, &part.read)) {
                event->nextPeriod();
                EventsManagerPrivate::workOutAhead(*event, m_firstMoments);
                part.read.taken(event, entry);
            }
        };
        try {
            part.end = Common::readJsonListPart(bytes, m_starts[index], listPath, m_starts, taker);
        } catch (...) {
            part.error = std::current_exception();
        }
        AbstractCommonEvent::deferPhotoRestore(nullptr);
        // Events live on the thread that reads the file, as if it had built them.
        for (const AbstractCommonEventPtr &event : std::as_const(part.read.events))
            event->moveToThread(home);
        {
            std::unique_lock<std::mutex> lock(m_mutex);
            if (!m_reminderMoments) {
                m_pending.push_back(index);
                return;
            }
            lock.unlock();
            workOutAhead(part);
            lock.lock();
            part.done = true;
        }
        m_partDone.notify_all();
    }

    // The parts read before the reminder moments were known.
    void workOutPending()
    {
        for (;;) {
            std::unique_lock<std::mutex> lock(m_mutex);
            m_partDone.wait(lock, [this] {
                return m_cancelled || (m_reminderMoments && !m_pending.empty()) ||
                       (m_pending.empty() && m_threadsRead == m_threads.size());
            });
            if (m_cancelled || m_pending.empty())
                return;
            Part &part = m_parts[m_pending.back()];
            m_pending.pop_back();
            lock.unlock();
            workOutAhead(part);
            lock.lock();
            part.done = true;
            lock.unlock();
            m_partDone.notify_all();
        }
    }

    // Set before the part's done, and not changed once set.
    void workOutAhead(const Part &part)
    {
        if (m_reminderMoments->isEmpty())
            return;
        for (const AbstractCommonEventPtr &event : part.read.events)
            EventsManagerPrivate::workOutAhead(*event, *m_reminderMoments);
    }

    const QList<QDateTime> m_firstMoments;
    // The later ones, if any; set under m_mutex.
    std::optional<QList<QDateTime>> m_reminderMoments;
    std::vector<qsizetype> m_starts;
    std::vector<Part> m_parts;
    // The next part no thread has begun.
    std::atomic<size_t> m_next{0};
    std::mutex m_mutex;
    std::condition_variable m_partDone;
    // Under m_mutex: parts read and waiting for the moments, threads done reading, and whether the
    // defaults were needed.
    std::vector<size_t> m_pending;
    size_t m_threadsRead = 0;
    bool m_defaultsUsed = false;
    bool m_cancelled = false;
    std::vector<std::thread> m_threads;
};

// The file opened, read and hashed on a thread of its own while the program is built, and its events
// built by part readers started from there, with the defaults the settings hold until the user changes
// them. The bytes stay here until the load that takes them is done.
class EventsFileText::ReadAhead
{
public:
    explicit ReadAhead(const QString &fileName) : m_fileName(fileName), m_home(QThread::currentThread())
    {
        m_opener = std::thread([this] {
            try {
                open();
            } catch (...) {
                // Out of memory, say: the load reads the file and tells of it.
                const std::lock_guard<std::mutex> lock(m_mutex);
                m_parts.reset();
                m_read = false;
            }
        });
    }
    ~ReadAhead()
    {
        if (m_opener.joinable())
            m_opener.join();
        m_parts.reset();
    }
    ReadAhead(const ReadAhead &) = delete;
    ReadAhead &operator=(const ReadAhead &) = delete;

    // Whether what was read is still the file's text, and its events are as `defaults` make them.
    bool stillHolds(const QString &fileName, const NotSpecifiedEvent::Defaults &defaults)
    {
        if (m_opener.joinable())
            m_opener.join();
        struct stat now;
        if (!m_read || fileName != m_fileName || ::stat(QFile::encodeName(fileName).constData(), &now) != 0 ||
            !Common::sameVersion(now, m_identity))
            return false;
        // Other defaults count only where an entry lacked a value: the program writes every one.
        return defaults == NotSpecifiedEvent::builtInDefaults() || !m_parts || !m_parts->defaultsUsed();
    }
    const QByteArray &bytes() const { return m_bytes; }
    size_t hash() const { return m_hash; }
    PartReaders *parts() const { return m_parts.get(); }
    // Given to the part readers as soon as there are any, without waiting for the file.
    void setReminderMoments(const QList<QDateTime> &moments)
    {
        const std::lock_guard<std::mutex> lock(m_mutex);
        m_moments = moments;
        if (m_parts)
            m_parts->setReminderMoments(moments);
    }

private:
    // Whatever goes wrong here is left to the load, which reads the file again and tells of it.
    void open()
    {
        QFile file;
        struct stat before;
        if (!Common::openRegularFile(&file, m_fileName) || ::fstat(file.handle(), &before) != 0 ||
            !Common::mayStartJsonObject(file.peek(64 * 1024)))
            return;
        // A file that keeps changing while it is read is left to the load.
        if (!Common::readSteadily(&file, &m_bytes, &m_identity, s_readAheadAttempts) ||
            !Common::sameVersion(before, m_identity))
            return;
        if (!m_bytes.trimmed().isEmpty()) {
            const QStringList listPath{QString::fromLatin1(s_eventsKey), s_eventsList};
            // The first reminder after the last look comes first: the one after now may then be the same.
            auto parts = std::make_unique<PartReaders>(m_bytes, listPath, NotSpecifiedEvent::builtInDefaults(),
                                                       QList<QDateTime>(), true, m_home);
            const std::lock_guard<std::mutex> lock(m_mutex);
            m_parts = std::move(parts);
            if (m_moments)
                m_parts->setReminderMoments(*m_moments);
        }
        m_hash = SavedLayout::hashText(m_bytes);
        m_read = true;
    }

    // The read-ahead tries briefly: the load waits longer for a file another program is writing.
    static constexpr int s_readAheadAttempts = 3;
    const QString m_fileName;
    QThread *const m_home;
    std::thread m_opener;
    std::mutex m_mutex;
    std::optional<QList<QDateTime>> m_moments; // under m_mutex, as m_parts until the opener is joined
    // Written by the opener; read once it is joined.
    bool m_read = false;
    QByteArray m_bytes;
    struct stat m_identity = {};
    size_t m_hash = 0;
    std::unique_ptr<PartReaders> m_parts;
};

std::unique_ptr<EventsFileText::ReadAhead> EventsFileText::s_readAhead;

qsizetype EventsFileText::setSliceEvents(qsizetype count)
{
    return std::exchange(EventsManagerPrivate::s_sliceEvents, qMax<qsizetype>(1, count));
}

void EventsFileText::readAhead(const QString &fileName)
{
    dropReadAhead();
    try {
        s_readAhead = std::make_unique<ReadAhead>(fileName);
    } catch (const std::system_error &) {
        // The load reads the file.
    }
}

void EventsFileText::readAheadReminders(const QList<QDateTime> &reminderMoments)
{
    if (s_readAhead)
        s_readAhead->setReminderMoments(reminderMoments);
}

void EventsFileText::dropReadAhead()
{
    s_readAhead.reset();
}

void EventsFileText::ReadEvents::taken(const AbstractCommonEventPtr &event, const Common::JsonObject &entry)
{
    spans.push_back(EntrySpan{entry.elementFrom(), entry.elementTo() - entry.elementFrom()});
    revisions.push_back(event->revision());
    events.append(event);
}

void EventsFileText::ReadEvents::indexTaken()
{
    for (; indexed < events.count(); ++indexed) {
        const AbstractCommonEventPtr &event = events.at(indexed);
        indexIn(&byId, event);
        // Events built from a map have no entry in the file, nor a revision of it.
        if (size_t(indexed) < revisions.size())
            savedAt.insert(event.get(), SavedAt{revisions[size_t(indexed)], indexed});
    }
}

bool EventsFileText::readFile(const QString &fileName, QVariantMap *events, ReadEvents *read)
{
    m_otherValues.clear();
    m_readEventsObject = false;
    Common::BackgroundWriter::waitFor(fileName);
    const bool missing = !QFileInfo::exists(fileName) && !QFileInfo(fileName).isSymLink();
    // What is not read here is kept aside before the first write, as the load's error asks.
    Common::DataFileGuard::watchUnread(fileName, missing, copyBase(fileName));
    const auto finish = [read](bool readable, bool blank, qint64 size, size_t hash) {
        if (readable && !blank) {
            read->fileSize = size;
            read->fileHash = hash;
        }
        return readable;
    };
    // What the start read ahead of the load is taken, unless the file or the defaults changed since.
    std::unique_ptr<ReadAhead> ahead = std::move(s_readAhead);
    if (ahead && (missing || !ahead->stillHolds(fileName, NotSpecifiedEvent::settingsDefaults())))
        ahead.reset();
    if (missing)
        return true;
    if (ahead) {
        const QByteArray &bytes = ahead->bytes();
        const bool blank = bytes.trimmed().isEmpty();
        const bool readable = blank || readText(bytes, events, read, ahead->parts());
        Common::DataFileGuard::watch(fileName, bytes.size(), ahead->hash(), copyBase(fileName));
        return finish(readable, blank, bytes.size(), ahead->hash());
    }
    QFile file;
    QString error;
    if (!Common::openRegularFile(&file, fileName, &error)) {
        QR_LOG("Cannot open the events file: " + error.toUtf8());
        return false;
    }
    // Text that cannot be the events object is refused before it is read whole.
    if (!Common::mayStartJsonObject(file.peek(64 * 1024))) {
        QR_LOG("The events file does not hold an object");
        return false;
    }
    QByteArray bytes;
    if (!Common::readSteadily(&file, &bytes)) {
        QR_LOG("Cannot read the events file whole");
        return false;
    }
    // The hash the guard and the first save know the file again by: a thread of its own works it out
    // while the events are read, and it is joined on every way out.
    struct Hasher
    {
        std::thread thread;
        size_t hash = 0;
        void join()
        {
            if (thread.joinable())
                thread.join();
        }
        ~Hasher() { join(); }
    } hasher;
    try {
        hasher.thread = std::thread([&hasher, &bytes] { hasher.hash = SavedLayout::hashText(bytes); });
    } catch (const std::system_error &) {
        hasher.hash = SavedLayout::hashText(bytes);
    }
    const bool blank = bytes.trimmed().isEmpty();
    const bool readable = blank || readText(bytes, events, read);
    hasher.join();
    Common::DataFileGuard::watch(fileName, bytes.size(), hasher.hash, copyBase(fileName));
    return finish(readable, blank, bytes.size(), hasher.hash);
}

bool EventsFileText::readText(const QByteArray &bytes, QVariantMap *events, ReadEvents *read, PartReaders *parts)
{
    m_otherValues.clear();
    m_readEventsObject = false;
    // Each entry's event is built straight from the entry's text, before the next entry is read
    // into the same memory. Long lists are read in parts on other threads at the same time.
    const QStringList listPath{QString::fromLatin1(s_eventsKey), s_eventsList};
    // The settings are this thread's: the readers are handed what new events take from them, and this
    // thread looks them up once, not for every event.
    const NotSpecifiedEvent::Defaults defaults = NotSpecifiedEvent::settingsDefaults();
    const NotSpecifiedEvent::DefaultsScope scope(defaults);
    std::optional<PartReaders> own;
    if (parts)
        parts->setReminderMoments(m_reminderMoments);
    else
        parts = &own.emplace(bytes, listPath, defaults, m_reminderMoments, false, QThread::currentThread());
    Common::JsonListTaker taker;
    taker.start = [read] { *read = ReadEvents(); };
    taker.takeObject = [this, read](const Common::JsonObject &entry) {
        if (AbstractCommonEventPtr event = eventFromEntry(entry, read)) {
            workOutAhead(*event, m_reminderMoments);
            read->taken(event, entry);
        }
    };
    taker.skip = [parts, read](qsizetype position) { return parts->take(position, read); };
    QVariant top;
    try {
        top = Common::readJson(bytes, listPath, taker);
    } catch (const Common::JsonParserException &e) {
        QR_LOG(QByteArray("Cannot parse the events file: ") + e.what() + " at line " + QByteArray::number(e.line()) +
               ", column " + QByteArray::number(e.column()));
        return false;
    }
    if (top.userType() != QMetaType::QVariantMap)
        return false;
    m_otherValues = top.toMap();
    const QVariant value = m_otherValues.take(QString::fromLatin1(s_eventsKey));
    if (!value.isValid())
        return true;
    if (value.userType() != QMetaType::QVariantMap)
        return false;
    *events = value.toMap();
    m_readEventsObject = true;
    return true;
}

bool EventsFileText::keepUnloadedFileAside(const QString &fileName, bool unread)
{
    if (!unread && !m_keepFileBeforeSave && !m_keepChangedFile)
        return true;
    if (QFileInfo::exists(fileName)) {
        // A FIFO, device or folder in its place is moved aside whole: reading it might never end.
        const QString bakName = m_keepChangedFile ? Common::DataFileGuard::keepChanged(fileName, copyBase(fileName))
                                                  : Common::DataFileGuard::copyAside(fileName, copyBase(fileName));
        if (bakName.isEmpty()) {
            QR_LOG("Cannot keep a copy of the events file; nothing is written");
            return false;
        }
        QR_LOG("Events file kept as " + bakName.toUtf8());
    }
    m_keepFileBeforeSave = false;
    m_keepChangedFile = false;
    return true;
}

namespace EventsManagerPrivate {
QStringList namesOf(const QVariantMap &map)
{
    return map.keys();
}

QStringList namesOf(const Common::JsonObject &object)
{
    return object.names();
}

bool hasNames(const QVariantMap &map, const QStringList &names)
{
    return map.keys() == names;
}

bool hasNames(const Common::JsonObject &object, const QStringList &names)
{
    return object.hasNames(names);
}

QVariantMap memberObject(const QVariantMap &map, const QString &name)
{
    return map.value(name).toMap();
}

Common::JsonObject memberObject(const Common::JsonObject &object, const QString &name)
{
    return object.object(name);
}

// The names this version reads in an entry's "data" and its "abstract", per kind: learnt from what the
// kind writes (some names only for some events, so each event not yet covered teaches more), plus the
// names older versions wrote. A name beyond them holds data a save would drop.
class KnownNames
{
public:
    template <class Map> bool covers(const AbstractCommonEvent &event, const Map &data)
    {
        // Entries of one kind mostly hold the same names in the same order: comparing with the last
        // entry that passed is cheaper than looking each name up. Each thread reading a part of a
        // file keeps its own, so that most entries need no lock.
        thread_local QHash<int, LastPassed> t_last;
        LastPassed &last = t_last[int(event.type())];
        if (hasNames(data, last.data) && hasNames(memberObject(data, s_abstractKey), last.abstract))
            return true;
        const QMutexLocker lock(&m_mutex);
        Kind &kind = m_kinds[int(event.type())];
        const QStringList dataNames = namesOf(data);
        const QStringList abstractNames = namesOf(memberObject(data, s_abstractKey));
        const auto covered = [&] {
            // Older versions kept the common fields in "data" itself.
            return std::all_of(dataNames.cbegin(), dataNames.cend(),
                               [&](const QString &n) { return kind.data.contains(n) || kind.abstract.contains(n); }) &&
                   std::all_of(abstractNames.cbegin(), abstractNames.cend(),
                               [&](const QString &n) { return kind.abstract.contains(n); });
        };
        if (covered()) {
            last = LastPassed{dataNames, abstractNames};
            return true;
        }
        const QVariantMap written = event.saveToVariant(AbstractCommonEvent::SaveWithPhotoFlag).toMap();
        for (auto it = written.cbegin(); it != written.cend(); ++it)
            kind.data.insert(it.key());
        const QVariantMap abstract = written.value(s_abstractKey).toMap();
        for (auto it = abstract.cbegin(); it != abstract.cend(); ++it)
            kind.abstract.insert(it.key());
        kind.data.insert(QStringLiteral("relation"));
        kind.abstract.insert(QStringLiteral("date"));
        if (!covered())
            return false;
        last = LastPassed{dataNames, abstractNames};
        return true;
    }

private:
    // Shared by the threads, under the lock.
    struct Kind
    {
        QSet<QString> data;
        QSet<QString> abstract;
    };
    // Each thread's own: the names of the last entry that passed.
    struct LastPassed
    {
        QStringList data;
        QStringList abstract;
    };
    QMutex m_mutex;
    QHash<int, Kind> m_kinds;
};

KnownNames &knownNames()
{
    static KnownNames s_names;
    return s_names;
}

template <class Map, class Load>
AbstractCommonEventPtr eventFrom(const Map &entry, bool *skipped, bool *unknownNames, Load load)
{
    bool ok = false;
    const int kind = entry.value(s_type).toInt(&ok);
    if (!ok || kind < EventTypeNotSpecified || kind > EventTypeTask) {
        // An entry we cannot read stays in the file's copy, which the next save keeps aside.
        QR_LOG("Skipped an event of unknown type: " + entry.value(s_type).toString().toUtf8());
        *skipped = true;
        return nullptr;
    }
    const AbstractCommonEventPtr event = EventsFactory::createEvent(kind, AbstractCommonEvent::idToBeLoaded());
    if (!event)
        return nullptr;
    load(*event, entry);
    if (event->wasRepairedOnLoad())
        *skipped = true;
    static const QStringList s_entryNames{s_data, s_type, s_typeId};
    bool entryKnown = hasNames(entry, s_entryNames);
    if (!entryKnown) {
        const QStringList names = namesOf(entry);
        entryKnown =
            std::all_of(names.cbegin(), names.cend(), [](const QString &n) { return s_entryNames.contains(n); });
    }
    if (!*unknownNames && (!entryKnown || !knownNames().covers(*event, memberObject(entry, s_data)))) {
        QR_LOG("An event holds data this version does not know: " + event->id());
        *unknownNames = true;
    }
    return event;
}
} // namespace EventsManagerPrivate

AbstractCommonEventPtr EventsFileText::eventFromEntry(const QVariantMap &entry, ReadEvents *read)
{
    return eventFrom(
        entry, &read->skipped, &read->unknownNames,
        [](AbstractCommonEvent &event, const QVariantMap &map) { event.loadFromVariant(map.value(s_data)); });
}

AbstractCommonEventPtr EventsFileText::eventFromEntry(const Common::JsonObject &entry, ReadEvents *read)
{
    // The entry is read straight from the file's text, without a map per object.
    return eventFrom(entry, &read->skipped, &read->unknownNames,
                     [](AbstractCommonEvent &event, const Common::JsonObject &object) {
                         event.loadFromJson(object.object(s_data));
                     });
}

QByteArray EventsFileText::FileParts::join() const
{
    qsizetype total = head.size() + tail.size() + 2 * entries.size();
    for (const QByteArray &entry : entries)
        total += entry.size();
    QByteArray text;
    text.reserve(total);
    text += head;
    for (qsizetype i = 0; i < entries.size(); ++i) {
        if (i > 0)
            text += ", ";
        text += entries.at(i);
    }
    text += tail;
    return text;
}

QVariantMap EventsFileText::toMap(const Content &content)
{
    QVariantList events;
    events.reserve(content.events.count());
    for (const AbstractCommonEventPtr &event : content.events)
        events.append(eventEntry(*event));
    return contentMap(events, content.calendars, content.defaultCalendarId);
}

QByteArray EventsFileText::fileText(const Content &content) const
{
    return fileParts(content).join();
}

EventsFileText::FileParts EventsFileText::fileParts(const Content &content) const
{
    // The entries are written straight from the events, in slices on several threads, and set
    // into the text of the rest: the same bytes as writing the whole map.
    FileParts parts;
    if (!headAndTail(content, &parts.head, &parts.tail))
        return parts;
    QList<qsizetype> all(content.events.count());
    std::iota(all.begin(), all.end(), 0);
    parts.entries = entryTexts(content.events, all);
    return parts;
}

QList<QByteArray> EventsFileText::entryTexts(const QList<AbstractCommonEventPtr> &events,
                                             const QList<qsizetype> &indexes)
{
    QList<QByteArray> texts(indexes.count());
    QByteArray *entries = texts.data();
    QList<QPair<qsizetype, qsizetype>> slices;
    for (qsizetype from = 0; from < indexes.count(); from += s_sliceEvents)
        slices.append({from, qMin(indexes.count(), from + s_sliceEvents)});
    const auto writeSlice = [&events, entries, &indexes](const QPair<qsizetype, qsizetype> &slice, bool quiet) {
        for (qsizetype k = slice.first; k < slice.second; ++k) {
            if (!entries[k].isEmpty())
                continue;
            Common::JsonWriter writer;
            writer.setQuiet(quiet);
            writeEntry(writer, *events.at(indexes.at(k)));
            // A value the writer warns about is written again on the thread that owns the log.
            if (!quiet || !writer.leftOut())
                entries[k] = writer.take();
        }
    };
    if (slices.count() > 1) {
#ifdef __SANITIZE_THREAD__
        // Qt's pool hands work over in ways ThreadSanitizer cannot see; with plain threads it checks the
        // slices' work itself. A slice without a thread is written below.
        std::vector<std::thread> threads;
        for (const QPair<qsizetype, qsizetype> &slice : std::as_const(slices)) {
            try {
                threads.emplace_back([&writeSlice, slice] { writeSlice(slice, true); });
            } catch (const std::system_error &) {
            }
        }
        for (std::thread &thread : threads)
            thread.join();
#else
        QtConcurrent::blockingMap(slices,
                                  [&writeSlice](const QPair<qsizetype, qsizetype> &slice) { writeSlice(slice, true); });
#endif
    } else
        std::for_each(slices.cbegin(), slices.cend(),
                      [&writeSlice](const QPair<qsizetype, qsizetype> &slice) { writeSlice(slice, true); });
    for (const QPair<qsizetype, qsizetype> &slice : std::as_const(slices))
        writeSlice(slice, false);
    return texts;
}

bool EventsFileText::headAndTail(const Content &content, QByteArray *head, QByteArray *tail) const
{
    const QByteArray text = Common::toJson(contentMap(QVariantList(), content.calendars, content.defaultCalendarId));
    static const QByteArray s_emptyList = ",\"eventsList\": []";
    const qsizetype at = text.lastIndexOf(s_emptyList);
    QR_ASSERT(at != -1);
    if (at == -1) {
        QVariantMap top = m_otherValues;
        top.insert(QString::fromLatin1(s_eventsKey), toMap(content));
        *head = Common::toJson(top);
        tail->clear();
        return false;
    }
    const qsizetype listAt = at + s_emptyList.size() - 1;
    QByteArray prefix;
    QByteArray suffix;
    if (m_otherValues.isEmpty()) {
        prefix = "{\"" + s_eventsKey + "\": ";
        suffix = "}";
    } else {
        const QString marker = QStringLiteral("qr-events-") + QUuid::createUuid().toString();
        QVariantMap top = m_otherValues;
        top.insert(QString::fromLatin1(s_eventsKey), marker);
        const QByteArray withMarker = Common::toJson(top);
        const QByteArray quotedMarker = '"' + marker.toLatin1() + '"';
        const qsizetype markerAt = withMarker.indexOf(quotedMarker);
        prefix = withMarker.left(markerAt);
        suffix = withMarker.mid(markerAt + quotedMarker.size());
    }
    *head = prefix + text.first(listAt);
    *tail = text.sliced(listAt) + suffix;
    return true;
}

std::shared_ptr<SavedLayout> EventsFileText::layoutForSave(const QList<AbstractCommonEventPtr> &events)
{
    auto layout = std::make_shared<SavedLayout>(m_lastLayout);
    const qsizetype count = events.count();
    QList<qsizetype> changed;
    m_savedAt.reserve(count);
    for (qsizetype i = 0; i < count; ++i) {
        const AbstractCommonEvent *event = events.at(i).get();
        SavedAt &saved = m_savedAt[event];
        if (m_lastLayout && saved.index >= 0 && saved.revision == event->revision()) {
            layout->takeEarlier(saved.index);
        } else {
            layout->addNew();
            changed.append(i);
        }
        saved = SavedAt{event->revision(), i};
    }
    layout->newTexts() = entryTexts(events, changed);
    m_lastLayout = layout;
    return layout;
}

void EventsFileText::forgetSaved()
{
    m_lastLayout.reset();
    m_savedAt.clear();
}

std::function<QByteArray()> EventsFileText::textForSave(const QString &fileName, const Content &content,
                                                        std::shared_ptr<SavedLayout> *layout)
{
    QByteArray head;
    QByteArray tail;
    if (!headAndTail(content, &head, &tail)) {
        forgetSaved();
        return [head] { return head; };
    }
    *layout = layoutForSave(content.events);
    return [layout = *layout, fileName, head, tail, base = copyBase(fileName)] {
        return layout->text(fileName, base, head, tail);
    };
}

void EventsFileText::setSaved(std::shared_ptr<SavedLayout> layout, QHash<const AbstractCommonEvent *, SavedAt> savedAt)
{
    m_lastLayout = std::move(layout);
    m_savedAt = std::move(savedAt);
}

bool EventsFileText::lastSaveLost()
{
    if (!m_lastLayout || !m_lastLayout->lost())
        return false;
    m_keepChangedFile = m_keepChangedFile || m_lastLayout->uncopied();
    return true;
}

void EventsFileText::indexIn(QHash<QByteArray, IdEntry> *byId, const AbstractCommonEventPtr &event)
{
    // Appended after the one found so far, which stays the first.
    IdEntry &entry = (*byId)[event->id()];
    if (!entry.first)
        entry.first = event;
    ++entry.count;
}
