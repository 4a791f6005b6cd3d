#pragma once

#include "core/filebackupobject.h"
#include "events/abstractcommonevent.h"
#include "store/calendarinfo.h"
#include "store/eventmanagertemplate.h"
#include "store/eventsfiletext.h"

#include <QDateTime>
#include <QHash>
#include <QList>
#include <QMap>
#include <QObject>
#include <QPair>
#include <QString>
#include <QVariantMap>

#include <memory>

// The user's events and calendars, kept in one events file that is rewritten whole after every
// change. Every change is announced through the signals below; the events file is also a backup entry.
// Only the parsed events are kept in memory, not the file's JSON tree.
class EventsManager : public QObject,
                      public EventManagerTemplate<AbstractCommonEventPtr>,
                      public FileBackupObject,
                      private IEventListener
{
    Q_OBJECT

public:
    explicit EventsManager(const QString &fileName);
    // As above, at the program's start: the threads that read the file also work out each event's next
    // begin and its first reminder after each of `reminderMoments`, which the start asks for next.
    EventsManager(const QString &fileName, const QList<QDateTime> &reminderMoments);
    ~EventsManager() override;

    void load(const QString &fileName);
    // At the program's start, before the application is built: reads the file and builds its events on
    // other threads, for the load() of that file to take as long as the file is still the one read and the
    // settings give its events the same values. Otherwise that load reads the file again.
    static void readAhead(const QString &fileName);
    // The moments the load will ask each event's first reminder after, once the settings tell them.
    static void readAheadReminders(const QList<QDateTime> &reminderMoments);
    // Ends what readAhead() began and no load took.
    static void dropReadAhead();
    // How many events one thread writes at a time (fewer are written on the calling thread); gives the
    // count before. Lowered, few events take the paths of many.
    static qsizetype setSliceEvents(qsizetype count);
    // Writes the whole content; false when the file could not be written (the old file then stays whole).
    // With saves in the background, the text is handed to the writer's thread and true means queued:
    // saved() or saveFailed() follow from the event loop.
    bool save();
    // The program's own manager writes in the background, so that a change to a large file does not
    // hold the windows; reading or backing up the file, and the manager's end, wait for its writes.
    void setSavesInBackground(bool background) { m_savesInBackground = background; }
    // Waits for the writes asked for so far and delivers their answers.
    void waitForSaves();
    void objectFromMap(QVariantMap map);
    QVariantMap toMap() const;

    void addEvent(AbstractCommonEventPtr event) override;
    void insertEvent(int index, AbstractCommonEventPtr event) override;
    void addEvents(const QList<AbstractCommonEventPtr> &events);
    void removeEvent(AbstractCommonEventPtr event) override;
    void removeEvents(const QList<AbstractCommonEventPtr> &events);
    void removeExpiredEvents(int days);
    // Takes back addEvents(added) that followed removeEvents() of the events in `removed`: `added` are the
    // list's last events, and each removed event goes back to its index (ascending). One layout change and
    // one save, where one removal and one insertion at a time made every view follow each row. False, with
    // nothing changed, when the list is not as those calls left it.
    bool takeBackEvents(const QList<AbstractCommonEventPtr> &added,
                        const QList<QPair<int, AbstractCommonEventPtr>> &removed);
    void attachEvent(AbstractCommonEvent *event);

    // The first event of the list with the id, found without a scan of the list.
    AbstractCommonEventPtr eventById(const QByteArray &id) const;
    // Every listed event with the id, in list order; the list is scanned only where the id repeats.
    QList<AbstractCommonEventPtr> eventsById(const QByteArray &id) const;
    QMap<QByteArray, int> eventsCountByType() const;

    // Grows with every change of the events, their list or the calendars: an undo step that noted it can
    // tell whether anything else changed since.
    quint64 changeCount() const { return m_changeCount; }

    QString errorString() const { return m_errorString; }
    bool hasError() const { return !m_errorString.isEmpty(); }
    void setErrorString(const QString &text) { m_errorString = text; }
    QString sourceFile() const;

    // IBackupObject
    bool restore(const QByteArray &data) override;
    // An entry must load as an events file with nothing left out: an empty text, JSON of another shape
    // or an event that cannot be read fails the restore.
    bool checkRestoreFile(const QString &fileName) override;
    bool restoreFromFile(const QString &fileName) override;
    bool stageRestoreFiles(const QString &entryFile, const QString &stagingFolder, QList<StagedFile> *files) override;
    bool reloadAfterRestore() override;

    // Calendars
    CalendarInfo calendarById(const QByteArray &id) const;
    int calendarsCount() const { return int(m_calendars.count()); }
    QByteArray calendarId(int index) const;
    QList<CalendarInfo> calendars() const { return m_calendars; }
    QByteArray defaultCalendarId() const { return m_defaultCalendarId; }
    QList<AbstractCommonEventPtr> eventsByCalendar(const QByteArray &id) const;
    void addCalendar(const CalendarInfo &info);
    void removeCalendar(const QByteArray &id);
    void changeCalendar(const CalendarInfo &info);
    void moveCalendar(const QByteArray &id, int step);
    void setDefaultCalendar(const QByteArray &id);

    // Writes copies of the events at the given indexes, in that order, to a new events file that
    // replaces `fileName` only when complete. Refuses the manager's own file. False on failure.
    bool exportEvents(const QString &fileName, const QList<int> &indexes);

    // The whole content, for the editor's undo; setState() takes a toMap() map too.
    QVariantMap state() const;
    void setState(const QVariantMap &map);

signals:
    void eventAdded(int index);
    void eventAboutToRemove(int index);
    void eventRemoved();
    void eventChanged(int index);
    void layoutChanged();
    void removeRequired(int index);
    void calendarAdded();
    void calendarAboutToBeRemoved(int index);
    void calendarRemoved();
    void calendarChanged(int index);
    void calendarAboutToBeMoved(int index, int step);
    void calendarMoved();
    void calendarsChanged();
    void defaultCalendarChanged(int oldIndex, int newIndex);
    // A save did not reach the file: the changes live only in memory until a later save succeeds.
    void saveFailed(const QString &fileName, const QString &reason);
    void saved(const QString &fileName);

private:
    // IEventListener
    void eventDataChanged(AbstractCommonEvent *event) override;
    void eventPeriodChanged(AbstractCommonEvent *event) override;
    void eventRemoveRequired(AbstractCommonEvent *event) override;

    using IdEntry = EventsFileText::IdEntry;

    // As objectFromMap; the map's list of events, left empty by readFile, stands for `read`.
    void fromMap(QVariantMap map, EventsFileText::ReadEvents *read);
    // What a save writes.
    EventsFileText::Content content() const { return {m_events, m_calendars, m_defaultCalendarId}; }
    // A background save's answer; `layout` is null for a save of the whole text.
    void onSaveAnswer(EventsManagerPrivate::SavedLayout *layout, const QString &fileName, bool ok,
                      const QString &error);
    // Copies a file that was not loaded whole, or that was changed from outside, aside before it is written
    // over; false when the copy failed.
    bool keepUnloadedFileAside();
    void createDefaultCalendar();
    void detachEvent(AbstractCommonEvent *event);
    void detachAll();
    void takeOut(const AbstractCommonEventPtr &event);
    // Keep the look-up by id in step with the list, after an event joined it or left it.
    void indexById(const AbstractCommonEventPtr &event);
    void unindexById(const AbstractCommonEventPtr &event);
    int indexOfEvent(const AbstractCommonEvent *event) const;
    bool hasCalendar(const QByteArray &id) const;

    QString m_fileName;
    // The file's text, as read and as the last save left it.
    EventsFileText m_file;
    QString m_errorString;
    bool m_savesInBackground = false;
    quint64 m_changeCount = 0;
    // Background saves whose answer has not been handled yet.
    int m_answersAwaited = 0;
    QList<CalendarInfo> m_calendars;
    QByteArray m_defaultCalendarId;
    // The listed events by id: every open reminder window, the reminders and the bar ask for events by
    // id on every change, and a scan of 100,000 events each time held the windows. Ids are unique but
    // for files made elsewhere; the first of the list's events of an id answers, as a scan found it.
    QHash<QByteArray, IdEntry> m_byId;
};

// A free name for a copy of the file beside it: "events.bak", then "events.bak1", "events.bak2", ...
QString generateNewBakName(const QString &fileName);
