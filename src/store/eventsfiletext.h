#pragma once

#include "events/abstractcommonevent.h"
#include "store/calendarinfo.h"
#include "store/savedlayout.h"

#include <QByteArray>
#include <QDateTime>
#include <QHash>
#include <QList>
#include <QString>
#include <QVariantMap>

#include <functional>
#include <memory>
#include <vector>

namespace Common {
class JsonObject;
}

namespace EventsManagerPrivate {
// The names the events file's top-level events object holds.
extern const QByteArray s_eventsKey;
extern const QString s_calendarsList;
extern const QString s_defaultCalendar;
extern const QString s_eventsList;
extern const QString s_version;
// Files written before the version was stored came from this release.
extern const QString s_oldestVersion;

QVariant eventEntry(const AbstractCommonEvent &event);
QVariantMap contentMap(const QVariantList &events, const QList<CalendarInfo> &calendars,
                       const QByteArray &defaultCalendarId);
// The events file's copies have always been "events.bak", not "events.json.bak".
QString copyBase(const QString &fileName);
} // namespace EventsManagerPrivate

// The events file's text: reading it into events (ahead of the load at the start, and in parts on other
// threads), and making the text a save writes, where each unchanged event's entry is taken from the file
// as the last save left it. Also the copies kept of a version of the file that a write would lose.
class EventsFileText
{
public:
    // What a save writes; the file's other top-level members are kept here as they were read.
    struct Content
    {
        const QList<AbstractCommonEventPtr> &events;
        const QList<CalendarInfo> &calendars;
        const QByteArray &defaultCalendarId;
    };
    struct SavedAt
    {
        quint32 revision = 0;
        qsizetype index = -1;
    };
    struct IdEntry
    {
        AbstractCommonEventPtr first;
        int count = 0;
    };

    // The events of a file's list, each built as soon as its entry is read.
    struct ReadEvents
    {
        QList<AbstractCommonEventPtr> events;
        bool skipped = false;      // an entry was skipped or its event repaired
        bool unknownNames = false; // an entry holds names this version does not read
        // Each event's entry in the file and the event's revision when it was built from it.
        std::vector<EventsManagerPrivate::EntrySpan> spans;
        std::vector<quint32> revisions;
        qint64 fileSize = 0;
        size_t fileHash = 0;
        // The look-up by id and each event's place with its revision, for the events before `indexed`:
        // made while later parts of the file are still read, rather than after the whole file.
        QHash<QByteArray, IdEntry> byId;
        QHash<const AbstractCommonEvent *, SavedAt> savedAt;
        qsizetype indexed = 0;
        void taken(const AbstractCommonEventPtr &event, const Common::JsonObject &entry);
        void indexTaken();
    };
    class PartReaders;

    EventsFileText() = default;
    EventsFileText(const EventsFileText &) = delete;
    EventsFileText &operator=(const EventsFileText &) = delete;

    // Behind EventsManager::readAhead(), readAheadReminders() and dropReadAhead().
    static void readAhead(const QString &fileName);
    static void readAheadReminders(const QList<QDateTime> &reminderMoments);
    static void dropReadAhead();
    // Behind EventsManager::setSliceEvents().
    static qsizetype setSliceEvents(qsizetype count);
    // What the reading threads ask each event for, besides building it; only for the first load.
    void setReminderMoments(const QList<QDateTime> &moments) { m_reminderMoments = moments; }

    // Reads the file's top-level object and builds the events of its list; false when a file that
    // is there cannot be read.
    bool readFile(const QString &fileName, QVariantMap *events, ReadEvents *read);
    // `parts`, when given, reads the list's later entries already.
    bool readText(const QByteArray &bytes, QVariantMap *events, ReadEvents *read, PartReaders *parts = nullptr);
    static AbstractCommonEventPtr eventFromEntry(const QVariantMap &entry, ReadEvents *read);
    static AbstractCommonEventPtr eventFromEntry(const Common::JsonObject &entry, ReadEvents *read);
    // Keep the look-up by id in step with the list, after an event joined it.
    static void indexIn(QHash<QByteArray, IdEntry> *byId, const AbstractCommonEventPtr &event);
    // The last file read held an events object, as an events file does.
    bool readEventsObject() const { return m_readEventsObject; }
    QVariantMap otherValues() const { return m_otherValues; }
    void setOtherValues(const QVariantMap &values) { m_otherValues = values; }

    static QVariantMap toMap(const Content &content);
    // The whole file's text; the events' entries are written on several threads.
    QByteArray fileText(const Content &content) const;
    // A background save's text, made on the writer's thread; `layout` is set when the save takes the
    // entries of unchanged events from the last one.
    std::function<QByteArray()> textForSave(const QString &fileName, const Content &content,
                                            std::shared_ptr<EventsManagerPrivate::SavedLayout> *layout);
    // Forgets what the file holds, entry by entry: the next save writes every entry.
    void forgetSaved();
    // The event left the list.
    void forget(const AbstractCommonEvent *event) { m_savedAt.remove(event); }
    // The file as read, entry by entry where `savedAt` tells each event's.
    void setSaved(std::shared_ptr<EventsManagerPrivate::SavedLayout> layout,
                  QHash<const AbstractCommonEvent *, SavedAt> savedAt);
    std::shared_ptr<EventsManagerPrivate::SavedLayout> lastLayout() const { return m_lastLayout; }
    void setLastLayout(std::shared_ptr<EventsManagerPrivate::SavedLayout> layout) { m_lastLayout = std::move(layout); }
    // Whether the last background save found the file changed from outside; it is then written whole.
    bool lastSaveLost();

    // Copies a file that was not loaded whole (`unread`, or as set below), or that was changed from outside,
    // aside before it is written over; false when the copy failed.
    bool keepUnloadedFileAside(const QString &fileName, bool unread);
    bool keepFileBeforeSave() const { return m_keepFileBeforeSave; }
    void setKeepFileBeforeSave(bool keep) { m_keepFileBeforeSave = keep; }
    bool keepChangedFile() const { return m_keepChangedFile; }
    void setKeepChangedFile(bool keep) { m_keepChangedFile = keep; }

private:
    class ReadAhead;
    // What readAhead() began; the GUI thread's alone.
    static std::unique_ptr<ReadAhead> s_readAhead;

    // The file's text in pieces: what comes before the first entry, the entries, what follows the last.
    struct FileParts
    {
        QByteArray head;
        QList<QByteArray> entries;
        QByteArray tail;
        QByteArray join() const;
    };
    FileParts fileParts(const Content &content) const;
    // The entries of the events at these places, written on several threads when they are many.
    static QList<QByteArray> entryTexts(const QList<AbstractCommonEventPtr> &events, const QList<qsizetype> &indexes);
    // The text before the first entry and after the last; false when it is the whole text.
    bool headAndTail(const Content &content, QByteArray *head, QByteArray *tail) const;
    // A background save's entries: those of events unchanged since the last save are taken from it.
    std::shared_ptr<EventsManagerPrivate::SavedLayout> layoutForSave(const QList<AbstractCommonEventPtr> &events);

    QList<QDateTime> m_reminderMoments;
    // Top-level members of the file other than the events, written back as they were.
    QVariantMap m_otherValues;
    // The file on disk holds more than was loaded: it is copied aside before it is first written.
    bool m_keepFileBeforeSave = false;
    // The file was changed from outside and could not be copied aside then: the copy comes before any write.
    bool m_keepChangedFile = false;
    bool m_readEventsObject = false;
    // What the last save asked for (or the file as read, when it was read whole and as this version
    // writes it), and where each event's entry stands in it with the event's revision then. Only the
    // places are kept: the entries' texts are on disk.
    std::shared_ptr<EventsManagerPrivate::SavedLayout> m_lastLayout;
    QHash<const AbstractCommonEvent *, SavedAt> m_savedAt;
};
