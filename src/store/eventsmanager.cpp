#include "store/eventsmanager.h"

#include "core/backgroundwriter.h"
#include "core/datafileguard.h"
#include "core/jsonobject.h"
#include "core/jsonparser.h"
#include "core/log.h"
#include "core/safefile.h"
#include "core/version.h"
#include "events/eventsfactory.h"
#include "events/notspecifiedevent.h"
#include "platform/timezonewatcher.h"

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QHash>
#include <QMutex>
#include <QSet>
#include <QThread>
#include <QUuid>
#include <QtConcurrent/QtConcurrentMap>

#include <sys/stat.h>

#include <algorithm>
#include <atomic>
#include <condition_variable>
#include <cstdio>
#include <iterator>
#include <map>
#include <mutex>
#include <numeric>
#include <optional>
#include <system_error>
#include <thread>
#include <vector>

namespace EventsManagerPrivate {
const QByteArray s_eventsKey = "Events";
const QString s_calendarsList = QStringLiteral("calendarsList");
const QString s_defaultCalendar = QStringLiteral("defaultCalendar");
const QString s_eventsList = QStringLiteral("eventsList");
const QString s_stateText = QStringLiteral("text");
const QString s_version = QStringLiteral("version");
const QString s_type = QStringLiteral("type");
const QString s_typeId = QStringLiteral("typeId");
const QString s_data = QStringLiteral("data");
const QString s_abstractKey = QStringLiteral("abstract");
// Files written before the version was stored came from this release.
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

// The path a file has or would have, with links and "." or ".." resolved as far as they exist.
QString resolvedPath(const QString &path)
{
    const QFileInfo info(path);
    if (info.exists())
        return info.canonicalFilePath();
    const QString folder = QFileInfo(info.absolutePath()).canonicalFilePath();
    if (!folder.isEmpty())
        return folder + QLatin1Char('/') + info.fileName();
    return QDir::cleanPath(info.absoluteFilePath());
}

// Two names of one file, also when it does not exist yet.
bool sameFile(const QString &a, const QString &b)
{
    return !a.isEmpty() && !b.isEmpty() && resolvedPath(a) == resolvedPath(b);
}

// The events file's copies have always been "events.bak", not "events.json.bak".
QString copyBase(const QString &fileName)
{
    const QFileInfo info(fileName);
    return info.absoluteDir().absoluteFilePath(info.completeBaseName() + QStringLiteral(".bak"));
}

QString changedUncopiedText()
{
    return EventsManager::tr("The events file was changed by another program, and no copy of that version can be "
                             "kept beside it.");
}
} // namespace EventsManagerPrivate

using namespace EventsManagerPrivate;

QString generateNewBakName(const QString &fileName)
{
    return Common::DataFileGuard::copyName(fileName, copyBase(fileName));
}

EventsManager::EventsManager(const QString &fileName) : FileBackupObject(fileName)
{
    load(fileName);
}

EventsManager::EventsManager(const QString &fileName, const QList<QDateTime> &reminderMoments)
    : FileBackupObject(fileName), m_reminderMoments(reminderMoments)
{
    load(fileName);
    m_reminderMoments.clear();
}

EventsManager::~EventsManager()
{
    // The program's end waits for the last change to reach the disk; one that found the file changed
    // from outside is written whole here, as its answer would have asked.
    Common::BackgroundWriter::waitFor(m_fileName);
    if (m_lastLayout && m_lastLayout->lost()) {
        m_keepChangedFile = m_keepChangedFile || m_lastLayout->uncopied();
        QString error;
        if (!keepUnloadedFileAside())
            QR_LOG("The events file changed from outside is not written over at the end");
        else if (!Common::DataFileGuard::writeFile(m_fileName, fileText(), &error))
            QR_LOG("Cannot write the events file at the end: " + error.toUtf8());
    }
    detachAll();
}

QString EventsManager::sourceFile() const
{
    return m_fileName;
}

// Reads parts of a long events list on other threads while the list is read from its beginning:
// where that reading reaches a part's first entry, it takes the part's events and goes on where the
// part ended. Parts begin where an entry likely begins; one that does not is never reached. There are
// several parts for each thread, taken in turn: a thread that the machine's other work holds up leaves
// the parts it has not begun to the others, instead of keeping the whole start waiting for it.
class EventsManager::PartReaders
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
class EventsManager::ReadAhead
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
            !sameFile(now, m_identity))
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
    static bool sameFile(const struct stat &a, const struct stat &b)
    {
        return a.st_dev == b.st_dev && a.st_ino == b.st_ino && a.st_size == b.st_size &&
               a.st_mtim.tv_sec == b.st_mtim.tv_sec && a.st_mtim.tv_nsec == b.st_mtim.tv_nsec &&
               a.st_ctim.tv_sec == b.st_ctim.tv_sec && a.st_ctim.tv_nsec == b.st_ctim.tv_nsec;
    }

    // Whatever goes wrong here is left to the load, which reads the file again and tells of it.
    void open()
    {
        QFile file;
        struct stat before;
        if (!Common::openRegularFile(&file, m_fileName) || ::fstat(file.handle(), &before) != 0 ||
            !Common::mayStartJsonObject(file.peek(64 * 1024)))
            return;
        // A file that keeps changing while it is read is left to the load.
        if (!Common::readSteadily(&file, &m_bytes, &m_identity, s_readAheadAttempts) || !sameFile(before, m_identity))
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

std::unique_ptr<EventsManager::ReadAhead> EventsManager::s_readAhead;

void EventsManager::readAhead(const QString &fileName)
{
    dropReadAhead();
    try {
        s_readAhead = std::make_unique<ReadAhead>(fileName);
    } catch (const std::system_error &) {
        // The load reads the file.
    }
}

void EventsManager::readAheadReminders(const QList<QDateTime> &reminderMoments)
{
    if (s_readAhead)
        s_readAhead->setReminderMoments(reminderMoments);
}

void EventsManager::dropReadAhead()
{
    s_readAhead.reset();
}

void EventsManager::ReadEvents::taken(const AbstractCommonEventPtr &event, const Common::JsonObject &entry)
{
    spans.push_back(EntrySpan{entry.elementFrom(), entry.elementTo() - entry.elementFrom()});
    revisions.push_back(event->revision());
    events.append(event);
}

void EventsManager::ReadEvents::indexTaken()
{
    for (; indexed < events.count(); ++indexed) {
        const AbstractCommonEventPtr &event = events.at(indexed);
        indexIn(&byId, event);
        // Events built from a map have no entry in the file, nor a revision of it.
        if (size_t(indexed) < revisions.size())
            savedAt.insert(event.get(), SavedAt{revisions[size_t(indexed)], indexed});
    }
}

bool EventsManager::readFile(const QString &fileName, QVariantMap *events, ReadEvents *read)
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

bool EventsManager::readText(const QByteArray &bytes, QVariantMap *events, ReadEvents *read, PartReaders *parts)
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

void EventsManager::load(const QString &fileName)
{
    const bool reload = !m_fileName.isEmpty();
    m_fileName = fileName;
    m_keepFileBeforeSave = false;
    m_keepChangedFile = false;

    QVariantMap events;
    ReadEvents read;
    const bool unreadable = !readFile(fileName, &events, &read);
    fromMap(std::move(events), unreadable ? nullptr : &read);
    if (unreadable) {
        // Whatever the file holds, it is kept aside before the first save writes over it.
        QR_LOG("Events file could not be read: " + fileName.toUtf8());
        m_errorString = tr("Events file could not be read. It will be kept as \"%1\" when you change your events.")
                            .arg(QFileInfo(generateNewBakName(fileName)).fileName());
        m_keepFileBeforeSave = true;
    }
    if (reload) {
        emit layoutChanged();
        emit calendarsChanged();
    }
}

bool EventsManager::keepUnloadedFileAside()
{
    if (!hasError() && !m_keepFileBeforeSave && !m_keepChangedFile)
        return true;
    if (QFileInfo::exists(m_fileName)) {
        // A FIFO, device or folder in its place is moved aside whole: reading it might never end.
        const QString bakName = m_keepChangedFile ? Common::DataFileGuard::keepChanged(m_fileName, copyBase(m_fileName))
                                                  : Common::DataFileGuard::copyAside(m_fileName, copyBase(m_fileName));
        if (bakName.isEmpty()) {
            QR_LOG("Cannot keep a copy of the events file; nothing is written");
            return false;
        }
        QR_LOG("Events file kept as " + bakName.toUtf8());
    }
    m_errorString.clear();
    m_keepFileBeforeSave = false;
    m_keepChangedFile = false;
    return true;
}

bool EventsManager::save()
{
    // Every change is saved.
    ++m_changeCount;
    if (m_fileName.isEmpty())
        return false;
    if (!keepUnloadedFileAside()) {
        emit saveFailed(m_fileName, m_keepChangedFile
                                        ? changedUncopiedText()
                                        : tr("A copy of the file that could not be read cannot be kept beside it."));
        return false;
    }
    if (m_savesInBackground) {
        // The changed entries are written here, while the events cannot change under them; the rest of
        // the text comes from the file on the writer's thread, where the write and its wait for the disk
        // happen, in the order of the changes.
        const QString fileName = m_fileName;
        QByteArray head;
        QByteArray tail;
        Common::BackgroundWriter::MakeText makeText;
        std::shared_ptr<SavedLayout> layout;
        if (headAndTail(&head, &tail)) {
            layout = layoutForSave();
            makeText = [layout, fileName, head, tail, base = copyBase(fileName)] {
                return layout->text(fileName, base, head, tail);
            };
        } else {
            forgetSaved();
            makeText = [head] { return head; };
        }
        ++m_answersAwaited;
        Common::BackgroundWriter::write(fileName, std::move(makeText), this,
                                        [this, fileName, layout](bool ok, const QString &error) {
                                            --m_answersAwaited;
                                            onSaveAnswer(layout.get(), fileName, ok, error);
                                        });
        return true;
    }
    // After what is still being written in the background.
    Common::BackgroundWriter::waitFor(m_fileName);
    forgetSaved();
    QString error;
    if (!Common::DataFileGuard::writeFile(m_fileName, fileText(), &error)) {
        emit saveFailed(m_fileName, error);
        return false;
    }
    emit saved(m_fileName);
    return true;
}

void EventsManager::onSaveAnswer(SavedLayout *layout, const QString &fileName, bool ok, const QString &error)
{
    if (ok) {
        if (layout)
            layout->forgetFallback();
        emit saved(fileName);
        return;
    }
    if (error == Common::BackgroundWriter::textNotMade()) {
        // The file was changed from outside: its entries cannot be taken over, every one is written once
        // that version is kept aside. The saves a newer one took the place of answer the same and are passed over.
        if (layout && layout->lost()) {
            forgetSaved();
            if (layout->uncopied()) {
                // Tried again before the next write.
                m_keepChangedFile = true;
                emit saveFailed(fileName, changedUncopiedText());
                return;
            }
            QR_LOG("The events file changed behind the program; it is written whole");
            save();
        }
        return;
    }
    emit saveFailed(fileName, error);
}

void EventsManager::waitForSaves()
{
    // An answer may ask for another save (a file changed from outside is written whole), which the writer
    // may end before this thread looks again: go on until every answer asked for has come.
    do {
        Common::BackgroundWriter::waitFor(m_fileName);
        QCoreApplication::sendPostedEvents(this, QEvent::MetaCall);
    } while (m_answersAwaited > 0);
}

void EventsManager::createDefaultCalendar()
{
    const CalendarInfo calendar(tr("Default Calendar"));
    m_defaultCalendarId = calendar.id;
    m_calendars.append(calendar);
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

AbstractCommonEventPtr EventsManager::eventFromEntry(const QVariantMap &entry, ReadEvents *read)
{
    return eventFrom(
        entry, &read->skipped, &read->unknownNames,
        [](AbstractCommonEvent &event, const QVariantMap &map) { event.loadFromVariant(map.value(s_data)); });
}

AbstractCommonEventPtr EventsManager::eventFromEntry(const Common::JsonObject &entry, ReadEvents *read)
{
    // The entry is read straight from the file's text, without a map per object.
    return eventFrom(entry, &read->skipped, &read->unknownNames,
                     [](AbstractCommonEvent &event, const Common::JsonObject &object) {
                         event.loadFromJson(object.object(s_data));
                     });
}

void EventsManager::objectFromMap(QVariantMap map)
{
    fromMap(std::move(map), nullptr);
}

void EventsManager::fromMap(QVariantMap map, ReadEvents *read)
{
    ++m_changeCount;
    detachAll();
    forgetSaved();
    EventManagerTemplate::clear();
    m_byId.clear();
    m_calendars.clear();
    m_defaultCalendarId.clear();

    QString version = map.value(s_version).toString();
    if (version.isEmpty())
        version = s_oldestVersion;
    const Version program(QCoreApplication::applicationVersion());
    const Version file(version);
    if (program < file) {
        m_errorString = tr("Events file was saved with newer version of the program.");
        createDefaultCalendar();
        return;
    }
    // A first start has no file and so nothing of an earlier version.
    if (program > file && !map.isEmpty())
        QR_LOG("Events file was saved by an earlier version of the program: " + version.toUtf8());

    const QVariantList calendars = map.value(s_calendarsList).toList();
    for (const QVariant &item : calendars) {
        CalendarInfo calendar;
        calendar.fromMap(item);
        if (!calendar.valid() || hasCalendar(calendar.id)) {
            // Nothing could name it; the file's copy, kept aside before the next save, still holds it.
            m_keepFileBeforeSave = true;
            continue;
        }
        m_calendars.append(calendar);
    }
    m_defaultCalendarId = map.value(s_defaultCalendar).toString().toLatin1();
    if (m_calendars.isEmpty())
        createDefaultCalendar();
    else if (!hasCalendar(m_defaultCalendarId))
        m_defaultCalendarId = m_calendars.first().id;

    QVariant eventsValue = map.take(s_eventsList);
    if (eventsValue.isValid() && eventsValue.userType() != QMetaType::QVariantList)
        m_keepFileBeforeSave = true;
    // The file as read, to know it again before a save writes over it.
    const qint64 readSize = read ? read->fileSize : 0;
    const size_t readHash = read ? read->fileHash : 0;
    ReadEvents built;
    if (read && eventsValue.userType() == QMetaType::QVariantList)
        built = std::move(*read);
    QVariantList entries = eventsValue.toList();
    eventsValue.clear();
    for (QVariant &item : entries) {
        // Each entry is freed as soon as its event is built, as when the file is read.
        const QVariantMap entry = item.toMap();
        item.clear();
        if (AbstractCommonEventPtr event = eventFromEntry(entry, &built))
            built.events.append(std::move(event));
    }
    // Names beside the known ones in "Events" or in an entry are dropped by a save: the file is kept first.
    const bool unknownNames = built.unknownNames || std::any_of(map.keyBegin(), map.keyEnd(), [](const QString &name) {
                                  return name != s_version && name != s_calendarsList && name != s_defaultCalendar;
                              });
    if (built.skipped || unknownNames)
        m_keepFileBeforeSave = true;
    // New objects, so none can be listed yet; most were indexed while the file was read.
    built.indexTaken();
    m_byId = std::move(built.byId);
    m_events = std::move(built.events);
    for (const AbstractCommonEventPtr &event : std::as_const(m_events))
        attachEvent(event.get());
    // A file this version wrote, read whole: its entries stand as they are until their events change,
    // so that the first save after a start writes no more than the later ones.
    const bool asWritten = read && built.spans.size() == size_t(m_events.count()) &&
                           version == QCoreApplication::applicationVersion() && !m_keepFileBeforeSave;
    if (asWritten && !m_events.isEmpty()) {
        m_lastLayout = SavedLayout::fromFile(std::move(built.spans), built.fileSize, built.fileHash);
        m_savedAt = std::move(built.savedAt);
    } else if (readSize > 0) {
        // Every entry is written anew, but only over the file as it was read.
        m_lastLayout = SavedLayout::fromFile({}, readSize, readHash);
    }
    if (m_keepFileBeforeSave && !hasError())
        m_errorString = !built.skipped && unknownNames
                            ? tr("The events file holds data this version does not know. It will be kept as a copy "
                                 "when you change your events.")
                            : tr("Some events could not be read from the events file. It will be kept as a copy when "
                                 "you change your events.");
}

QVariantMap EventsManager::toMap() const
{
    QVariantList events;
    events.reserve(m_events.count());
    for (const AbstractCommonEventPtr &event : m_events)
        events.append(eventEntry(*event));
    return contentMap(events, m_calendars, m_defaultCalendarId);
}

QByteArray EventsManager::FileParts::join() const
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

qsizetype EventsManager::setSliceEvents(qsizetype count)
{
    return std::exchange(s_sliceEvents, qMax<qsizetype>(1, count));
}

QByteArray EventsManager::fileText() const
{
    return fileParts().join();
}

EventsManager::FileParts EventsManager::fileParts() const
{
    // The entries are written straight from the events, in slices on several threads, and set
    // into the text of the rest: the same bytes as writing the whole map.
    FileParts parts;
    if (!headAndTail(&parts.head, &parts.tail))
        return parts;
    QList<qsizetype> all(m_events.count());
    std::iota(all.begin(), all.end(), 0);
    parts.entries = entryTexts(all);
    return parts;
}

QList<QByteArray> EventsManager::entryTexts(const QList<qsizetype> &indexes) const
{
    QList<QByteArray> texts(indexes.count());
    QByteArray *entries = texts.data();
    QList<QPair<qsizetype, qsizetype>> slices;
    for (qsizetype from = 0; from < indexes.count(); from += s_sliceEvents)
        slices.append({from, qMin(indexes.count(), from + s_sliceEvents)});
    const auto writeSlice = [this, entries, &indexes](const QPair<qsizetype, qsizetype> &slice, bool quiet) {
        for (qsizetype k = slice.first; k < slice.second; ++k) {
            if (!entries[k].isEmpty())
                continue;
            Common::JsonWriter writer;
            writer.setQuiet(quiet);
            writeEntry(writer, *m_events.at(indexes.at(k)));
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

bool EventsManager::headAndTail(QByteArray *head, QByteArray *tail) const
{
    const QByteArray content = Common::toJson(contentMap(QVariantList(), m_calendars, m_defaultCalendarId));
    static const QByteArray s_emptyList = ",\"eventsList\": []";
    const qsizetype at = content.lastIndexOf(s_emptyList);
    QR_ASSERT(at != -1);
    if (at == -1) {
        QVariantMap top = m_otherValues;
        top.insert(QString::fromLatin1(s_eventsKey), toMap());
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
        const QByteArray text = Common::toJson(top);
        const QByteArray quotedMarker = '"' + marker.toLatin1() + '"';
        const qsizetype markerAt = text.indexOf(quotedMarker);
        prefix = text.left(markerAt);
        suffix = text.mid(markerAt + quotedMarker.size());
    }
    *head = prefix + content.first(listAt);
    *tail = content.sliced(listAt) + suffix;
    return true;
}

std::shared_ptr<SavedLayout> EventsManager::layoutForSave()
{
    auto layout = std::make_shared<SavedLayout>(m_lastLayout);
    const qsizetype count = m_events.count();
    QList<qsizetype> changed;
    m_savedAt.reserve(count);
    for (qsizetype i = 0; i < count; ++i) {
        const AbstractCommonEvent *event = m_events.at(i).get();
        SavedAt &saved = m_savedAt[event];
        if (m_lastLayout && saved.index >= 0 && saved.revision == event->revision()) {
            layout->takeEarlier(saved.index);
        } else {
            layout->addNew();
            changed.append(i);
        }
        saved = SavedAt{event->revision(), i};
    }
    layout->newTexts() = entryTexts(changed);
    m_lastLayout = layout;
    return layout;
}

void EventsManager::forgetSaved()
{
    m_lastLayout.reset();
    m_savedAt.clear();
}

void EventsManager::addEvent(AbstractCommonEventPtr event)
{
    if (!event || m_events.contains(event)) {
        EventManagerTemplate::addEvent(event); // reports the caller's error, changes nothing
        return;
    }
    if (event->calendarId().isEmpty())
        event->setCalendarId(m_defaultCalendarId, true);
    EventManagerTemplate::addEvent(event);
    indexById(event);
    emit eventAdded(count() - 1);
    attachEvent(event.get());
    save();
}

void EventsManager::addEvents(const QList<AbstractCommonEventPtr> &events)
{
    // One look-up table, so that adding many events stays linear.
    QSet<const AbstractCommonEvent *> listed;
    listed.reserve(m_events.count() + events.count());
    for (const AbstractCommonEventPtr &event : std::as_const(m_events))
        listed.insert(event.get());
    m_events.reserve(m_events.count() + events.count());
    for (const AbstractCommonEventPtr &event : events) {
        if (!event || listed.contains(event.get())) {
            EventManagerTemplate::addEvent(event); // reports the caller's error
            continue;
        }
        listed.insert(event.get());
        m_events.append(event);
        indexById(event);
        attachEvent(event.get());
    }
    save();
    emit layoutChanged();
}

void EventsManager::takeOut(const AbstractCommonEventPtr &event)
{
    event->removePhoto();
    detachEvent(event.get());
    EventManagerTemplate::removeEvent(event);
    unindexById(event);
}

void EventsManager::insertEvent(int index, AbstractCommonEventPtr event)
{
    const int before = count();
    EventManagerTemplate::insertEvent(index, event);
    if (count() == before)
        return;
    ++m_changeCount;
    indexById(event);
    IdEntry &entry = m_byId[event->id()];
    if (entry.count > 1 && index < indexOf(entry.first))
        entry.first = event;
}

void EventsManager::indexById(const AbstractCommonEventPtr &event)
{
    indexIn(&m_byId, event);
}

void EventsManager::indexIn(QHash<QByteArray, IdEntry> *byId, const AbstractCommonEventPtr &event)
{
    // Appended after the one found so far, which stays the first.
    IdEntry &entry = (*byId)[event->id()];
    if (!entry.first)
        entry.first = event;
    ++entry.count;
}

void EventsManager::unindexById(const AbstractCommonEventPtr &event)
{
    const auto found = m_byId.find(event->id());
    if (!QR_CHECK(found != m_byId.end()))
        return;
    if (--found->count == 0) {
        m_byId.erase(found);
        return;
    }
    if (found->first != event)
        return;
    // Another event holds the id too: the list's first of them answers from now on.
    found->first.reset();
    for (const AbstractCommonEventPtr &other : std::as_const(m_events)) {
        if (other->id() == found.key()) {
            found->first = other;
            break;
        }
    }
}

void EventsManager::removeEvent(AbstractCommonEventPtr event)
{
    const int index = indexOf(event);
    if (index == -1) {
        EventManagerTemplate::removeEvent(event); // reports the caller's error, changes nothing
        return;
    }
    emit eventAboutToRemove(index);
    takeOut(event);
    emit eventRemoved();
    save();
}

void EventsManager::removeEvents(const QList<AbstractCommonEventPtr> &events)
{
    for (const AbstractCommonEventPtr &event : events) {
        const int index = indexOf(event);
        if (index == -1) {
            EventManagerTemplate::removeEvent(event);
            continue;
        }
        emit eventAboutToRemove(index);
        takeOut(event);
        emit eventRemoved();
    }
    save();
}

void EventsManager::removeExpiredEvents(int days)
{
    QList<AbstractCommonEventPtr> expired;
    for (const AbstractCommonEventPtr &event : std::as_const(m_events)) {
        if (event->isExpired(days))
            expired.append(event);
    }
    if (expired.isEmpty())
        return;
    // One change and one write for the lot: with thousands of expired events, neither the file nor
    // the views that follow the list are rebuilt once per event.
    for (const AbstractCommonEventPtr &event : std::as_const(expired))
        takeOut(event);
    save();
    emit layoutChanged();
}

bool EventsManager::takeBackEvents(const QList<AbstractCommonEventPtr> &added,
                                   const QList<QPair<int, AbstractCommonEventPtr>> &removed)
{
    const qsizetype kept = m_events.count() - added.count();
    bool placed = kept >= 0 && std::equal(added.cbegin(), added.cend(), m_events.cbegin() + kept);
    for (qsizetype i = 0; placed && i < removed.count(); ++i)
        placed = removed.at(i).first >= (i > 0 ? removed.at(i - 1).first + 1 : 0) && removed.at(i).first <= kept + i;
    if (!QR_CHECK(placed))
        return false;
    for (qsizetype i = kept; i < m_events.count(); ++i) {
        m_events.at(i)->removePhoto();
        detachEvent(m_events.at(i).get());
    }
    QList<AbstractCommonEventPtr> events;
    events.reserve(kept + removed.count());
    qsizetype next = 0;
    for (const QPair<int, AbstractCommonEventPtr> &back : removed) {
        while (events.count() < back.first)
            events.append(m_events.at(next++));
        events.append(back.second);
        attachEvent(back.second.get());
    }
    while (next < kept)
        events.append(m_events.at(next++));
    m_events = std::move(events);
    // Ids may be shared between the events that left and those that came back: the look-up is made anew.
    m_byId.clear();
    m_byId.reserve(m_events.count());
    for (const AbstractCommonEventPtr &event : std::as_const(m_events))
        indexById(event);
    save();
    emit layoutChanged();
    return true;
}

void EventsManager::attachEvent(AbstractCommonEvent *event)
{
    if (!QR_CHECK(event))
        return;
    event->setListener(this);
    if (!hasCalendar(event->calendarId()))
        event->setCalendarId(m_defaultCalendarId, true);
}

void EventsManager::detachEvent(AbstractCommonEvent *event)
{
    // A removed event may live on in an undo command or a window; its changes are no longer ours.
    if (event->listener() == this)
        event->setListener(nullptr);
    m_savedAt.remove(event);
}

void EventsManager::detachAll()
{
    for (const AbstractCommonEventPtr &event : std::as_const(m_events))
        detachEvent(event.get());
}

AbstractCommonEventPtr EventsManager::eventById(const QByteArray &id) const
{
    const auto found = m_byId.constFind(id);
    return found == m_byId.cend() ? nullptr : found->first;
}

QList<AbstractCommonEventPtr> EventsManager::eventsById(const QByteArray &id) const
{
    const auto found = m_byId.constFind(id);
    if (found == m_byId.cend())
        return {};
    if (found->count == 1)
        return {found->first};
    QList<AbstractCommonEventPtr> events;
    for (const AbstractCommonEventPtr &event : std::as_const(m_events)) {
        if (event->id() == id)
            events << event;
    }
    return events;
}

QMap<QByteArray, int> EventsManager::eventsCountByType() const
{
    // Counted by kind, and named once per kind: a look-up by name for every event costs the start.
    std::map<int, std::pair<const AbstractCommonEvent *, int>> byKind;
    int userTypes = 0;
    for (const AbstractCommonEventPtr &event : m_events) {
        if (event->customTypeMetaInfo().isValid()) {
            ++userTypes;
        } else {
            auto &kind = byKind[event->type()];
            kind.first = event.get();
            ++kind.second;
        }
    }
    QMap<QByteArray, int> counts;
    for (const auto &[type, kind] : byKind)
        counts[kind.first->textId()] += kind.second;
    if (userTypes > 0)
        counts[QByteArray("usertype")] += userTypes;
    return counts;
}

int EventsManager::indexOfEvent(const AbstractCommonEvent *event) const
{
    int index = -1;
    for (int i = 0; event && i < m_events.count(); ++i) {
        if (m_events.at(i).get() == event) {
            index = i;
            break;
        }
    }
    QR_ASSERT(index != -1);
    return index;
}

void EventsManager::eventDataChanged(AbstractCommonEvent *event)
{
    const int index = indexOfEvent(event);
    if (index == -1)
        return;
    emit eventChanged(index);
    save();
}

void EventsManager::eventPeriodChanged(AbstractCommonEvent *)
{
    // The event's eventChanged came first, and every list follows that row's change: a layout
    // change as well made each view read and sort all events again (0.4 s at 100,000 events).
}

void EventsManager::eventRemoveRequired(AbstractCommonEvent *event)
{
    const int index = indexOfEvent(event);
    if (index == -1)
        return;
    emit removeRequired(index);
}

bool EventsManager::restore(const QByteArray &data)
{
    // A failed write leaves the file and the loaded events as they were, and the caller rolls back.
    if (!keepUnloadedFileAside() || !FileBackupObject::restore(data))
        return false;
    load(backupFileName());
    return true;
}

bool EventsManager::checkRestoreFile(const QString &fileName)
{
    // Loaded as the events would be, and freed before the restore loads the file again.
    const EventsManager probe(fileName);
    if (!probe.m_readEventsObject || probe.hasError()) {
        QR_LOG("Not a readable events file: " + probe.errorString().toUtf8());
        return false;
    }
    return true;
}

bool EventsManager::restoreFromFile(const QString &fileName)
{
    if (!keepUnloadedFileAside() || !FileBackupObject::restoreFromFile(fileName))
        return false;
    load(backupFileName());
    return true;
}

bool EventsManager::stageRestoreFiles(const QString &entryFile, const QString &stagingFolder, QList<StagedFile> *files)
{
    // The file that was not loaded whole is kept before the restore replaces it.
    return keepUnloadedFileAside() && FileBackupObject::stageRestoreFiles(entryFile, stagingFolder, files);
}

bool EventsManager::reloadAfterRestore()
{
    load(backupFileName());
    return true;
}

bool EventsManager::hasCalendar(const QByteArray &id) const
{
    if (id.isEmpty())
        return false;
    for (const CalendarInfo &calendar : m_calendars) {
        if (calendar.id == id)
            return true;
    }
    return false;
}

CalendarInfo EventsManager::calendarById(const QByteArray &id) const
{
    for (const CalendarInfo &calendar : m_calendars) {
        if (calendar.id == id)
            return calendar;
    }
    return CalendarInfo();
}

QByteArray EventsManager::calendarId(int index) const
{
    QR_ASSERT(index >= 0 && index < m_calendars.count());
    if (index < 0 || index >= m_calendars.count())
        return QByteArray();
    return m_calendars.at(index).id;
}

QList<AbstractCommonEventPtr> EventsManager::eventsByCalendar(const QByteArray &id) const
{
    QList<AbstractCommonEventPtr> result;
    for (const AbstractCommonEventPtr &event : m_events) {
        if (event->calendarId() == id)
            result.append(event);
    }
    return result;
}

void EventsManager::addCalendar(const CalendarInfo &info)
{
    QR_ASSERT(!calendarById(info.id).valid());
    if (!QR_CHECK(info.valid()) || calendarById(info.id).valid())
        return;
    m_calendars.append(info);
    emit calendarAdded();
    save();
}

void EventsManager::removeCalendar(const QByteArray &id)
{
    const CalendarInfo info = calendarById(id);
    if (!QR_CHECK(info.valid()))
        return;
    const bool empty = eventsByCalendar(id).isEmpty();
    if (!QR_CHECK(empty))
        return;
    emit calendarAboutToBeRemoved(int(m_calendars.indexOf(info)));
    m_calendars.removeOne(info);
    emit calendarRemoved();
    save();
}

void EventsManager::changeCalendar(const CalendarInfo &info)
{
    const CalendarInfo old = calendarById(info.id);
    QR_ASSERT(info.valid());
    const int index = int(m_calendars.indexOf(old));
    QR_ASSERT(index != -1);
    if (!info.valid() || !old.valid() || index == -1)
        return;
    m_calendars[index] = info;
    emit calendarChanged(index);
    save();
}

void EventsManager::moveCalendar(const QByteArray &id, int step)
{
    const CalendarInfo oldInfo = calendarById(id);
    if (!QR_CHECK(oldInfo.valid()))
        return;
    const int index = int(m_calendars.indexOf(oldInfo));
    QR_ASSERT(index != -1);
    QR_ASSERT(index + step >= 0);
    QR_ASSERT(index + step < m_calendars.count());
    if (index == -1 || index + step < 0 || index + step >= m_calendars.count())
        return;
    emit calendarAboutToBeMoved(index, step);
    m_calendars.removeAt(index);
    m_calendars.insert(index + step, oldInfo);
    emit calendarMoved();
    save();
}

void EventsManager::setDefaultCalendar(const QByteArray &id)
{
    const CalendarInfo oldCalendar = calendarById(m_defaultCalendarId);
    QR_ASSERT(oldCalendar.valid());
    const CalendarInfo newCalendar = calendarById(id);
    if (!QR_CHECK(newCalendar.valid()))
        return;
    m_defaultCalendarId = id;
    emit defaultCalendarChanged(int(m_calendars.indexOf(oldCalendar)), int(m_calendars.indexOf(newCalendar)));
    save();
}

bool EventsManager::exportEvents(const QString &fileName, const QList<int> &indexes)
{
    const bool ownFile = sameFile(fileName, sourceFile());
    QR_ASSERT(!ownFile);
    if (ownFile)
        return false;

    // Copies carry the export's calendar; the listed events keep theirs and stay ours alone.
    const CalendarInfo calendar(tr("Default Calendar"));
    QVariantList events;
    events.reserve(indexes.count());
    for (int index : indexes) {
        const AbstractCommonEventPtr event = eventByIndex(index);
        if (!QR_CHECK(event))
            continue;
        const AbstractCommonEventPtr copy = EventsFactory::createEvent(event->type());
        if (!copy)
            continue;
        copy->loadFromVariant(event->saveToVariant(AbstractCommonEvent::NoSaveFlags));
        copy->setCalendarId(calendar.id, true);
        events.append(eventEntry(*copy));
    }
    QVariantMap file;
    file.insert(QString::fromLatin1(s_eventsKey), contentMap(events, {calendar}, calendar.id));
    return Common::writeFileAtomically(fileName, Common::toJson(file));
}

QVariantMap EventsManager::state() const
{
    // The file's text: a map of every event's fields took three times as long to make (a second at
    // 100,000 events) and several times the memory, held as long as the undo step.
    return {{s_stateText, fileText()}};
}

void EventsManager::setState(const QVariantMap &map)
{
    // The file still holds the last save: the next one writes every entry anew, over that file only.
    std::shared_ptr<SavedLayout> onDisk = m_lastLayout;
    const QVariant text = map.value(s_stateText);
    const QVariantMap otherValues = m_otherValues;
    QVariantMap events;
    ReadEvents read;
    if (text.userType() != QMetaType::QByteArray) {
        objectFromMap(map);
    } else if (readText(text.toByteArray(), &events, &read)) {
        // The entries are not where the file on disk has them.
        read.spans.clear();
        fromMap(std::move(events), &read);
    } else {
        QR_LOG("An undo state could not be read");
        m_otherValues = otherValues;
        return;
    }
    m_lastLayout = std::move(onDisk);
    save();
    emit layoutChanged();
    emit calendarsChanged();
}
