#include "store/eventsmanager.h"

#include "core/backgroundwriter.h"
#include "core/datafileguard.h"
#include "core/jsonparser.h"
#include "core/log.h"
#include "core/safefile.h"
#include "core/version.h"
#include "events/eventsfactory.h"

#include <QCoreApplication>
#include <QDir>
#include <QFileInfo>
#include <QSet>

#include <algorithm>
#include <map>

namespace EventsManagerPrivate {
const QString s_stateText = QStringLiteral("text");

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
    : FileBackupObject(fileName)
{
    m_file.setReminderMoments(reminderMoments);
    load(fileName);
    m_file.setReminderMoments({});
}

EventsManager::~EventsManager()
{
    // The program's end waits for the last change to reach the disk; one that found the file changed
    // from outside is written whole here, as its answer would have asked.
    Common::BackgroundWriter::waitFor(m_fileName);
    if (m_file.lastSaveLost()) {
        QString error;
        if (!keepUnloadedFileAside())
            QR_LOG("The events file changed from outside is not written over at the end");
        else if (!Common::DataFileGuard::writeFile(m_fileName, m_file.fileText(content()), &error))
            QR_LOG("Cannot write the events file at the end: " + error.toUtf8());
    }
    detachAll();
}

QString EventsManager::sourceFile() const
{
    return m_fileName;
}

void EventsManager::readAhead(const QString &fileName)
{
    EventsFileText::readAhead(fileName);
}

void EventsManager::readAheadReminders(const QList<QDateTime> &reminderMoments)
{
    EventsFileText::readAheadReminders(reminderMoments);
}

void EventsManager::dropReadAhead()
{
    EventsFileText::dropReadAhead();
}

qsizetype EventsManager::setSliceEvents(qsizetype count)
{
    return EventsFileText::setSliceEvents(count);
}

void EventsManager::load(const QString &fileName)
{
    const bool reload = !m_fileName.isEmpty();
    m_fileName = fileName;
    m_file.setKeepFileBeforeSave(false);
    m_file.setKeepChangedFile(false);

    QVariantMap events;
    EventsFileText::ReadEvents read;
    const bool unreadable = !m_file.readFile(fileName, &events, &read);
    fromMap(std::move(events), unreadable ? nullptr : &read);
    if (unreadable) {
        // Whatever the file holds, it is kept aside before the first save writes over it.
        QR_LOG("Events file could not be read: " + fileName.toUtf8());
        m_errorString = tr("Events file could not be read. It will be kept as \"%1\" when you change your events.")
                            .arg(QFileInfo(generateNewBakName(fileName)).fileName());
        m_file.setKeepFileBeforeSave(true);
    }
    if (reload) {
        emit layoutChanged();
        emit calendarsChanged();
    }
}

bool EventsManager::keepUnloadedFileAside()
{
    if (!m_file.keepUnloadedFileAside(m_fileName, hasError()))
        return false;
    m_errorString.clear();
    return true;
}

bool EventsManager::save()
{
    // Every change is saved.
    ++m_changeCount;
    if (m_fileName.isEmpty())
        return false;
    if (!keepUnloadedFileAside()) {
        emit saveFailed(m_fileName, m_file.keepChangedFile()
                                        ? changedUncopiedText()
                                        : tr("A copy of the file that could not be read cannot be kept beside it."));
        return false;
    }
    if (m_savesInBackground) {
        // The changed entries are written here, while the events cannot change under them; the rest of
        // the text comes from the file on the writer's thread, where the write and its wait for the disk
        // happen, in the order of the changes.
        const QString fileName = m_fileName;
        std::shared_ptr<SavedLayout> layout;
        Common::BackgroundWriter::MakeText makeText = m_file.textForSave(fileName, content(), &layout);
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
    m_file.forgetSaved();
    QString error;
    if (!Common::DataFileGuard::writeFile(m_fileName, m_file.fileText(content()), &error)) {
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
            m_file.forgetSaved();
            if (layout->uncopied()) {
                // Tried again before the next write.
                m_file.setKeepChangedFile(true);
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

void EventsManager::objectFromMap(QVariantMap map)
{
    fromMap(std::move(map), nullptr);
}

void EventsManager::fromMap(QVariantMap map, EventsFileText::ReadEvents *read)
{
    ++m_changeCount;
    detachAll();
    m_file.forgetSaved();
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
            m_file.setKeepFileBeforeSave(true);
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
        m_file.setKeepFileBeforeSave(true);
    // The file as read, to know it again before a save writes over it.
    const qint64 readSize = read ? read->fileSize : 0;
    const size_t readHash = read ? read->fileHash : 0;
    EventsFileText::ReadEvents built;
    if (read && eventsValue.userType() == QMetaType::QVariantList)
        built = std::move(*read);
    QVariantList entries = eventsValue.toList();
    eventsValue.clear();
    for (QVariant &item : entries) {
        // Each entry is freed as soon as its event is built, as when the file is read.
        const QVariantMap entry = item.toMap();
        item.clear();
        if (AbstractCommonEventPtr event = EventsFileText::eventFromEntry(entry, &built))
            built.events.append(std::move(event));
    }
    // Names beside the known ones in "Events" or in an entry are dropped by a save: the file is kept first.
    const bool unknownNames = built.unknownNames || std::any_of(map.keyBegin(), map.keyEnd(), [](const QString &name) {
                                  return name != s_version && name != s_calendarsList && name != s_defaultCalendar;
                              });
    if (built.skipped || unknownNames)
        m_file.setKeepFileBeforeSave(true);
    // New objects, so none can be listed yet; most were indexed while the file was read.
    built.indexTaken();
    m_byId = std::move(built.byId);
    m_events = std::move(built.events);
    for (const AbstractCommonEventPtr &event : std::as_const(m_events))
        attachEvent(event.get());
    // A file this version wrote, read whole: its entries stand as they are until their events change,
    // so that the first save after a start writes no more than the later ones.
    const bool asWritten = read && built.spans.size() == size_t(m_events.count()) &&
                           version == QCoreApplication::applicationVersion() && !m_file.keepFileBeforeSave();
    if (asWritten && !m_events.isEmpty()) {
        m_file.setSaved(SavedLayout::fromFile(std::move(built.spans), built.fileSize, built.fileHash),
                        std::move(built.savedAt));
    } else if (readSize > 0) {
        // Every entry is written anew, but only over the file as it was read.
        m_file.setLastLayout(SavedLayout::fromFile({}, readSize, readHash));
    }
    if (m_file.keepFileBeforeSave() && !hasError())
        m_errorString = !built.skipped && unknownNames
                            ? tr("The events file holds data this version does not know. It will be kept as a copy "
                                 "when you change your events.")
                            : tr("Some events could not be read from the events file. It will be kept as a copy when "
                                 "you change your events.");
}

QVariantMap EventsManager::toMap() const
{
    return EventsFileText::toMap(content());
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
    EventsFileText::indexIn(&m_byId, event);
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
    m_file.forget(event);
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
    if (!probe.m_file.readEventsObject() || probe.hasError()) {
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
    return {{s_stateText, m_file.fileText(content())}};
}

void EventsManager::setState(const QVariantMap &map)
{
    // The file still holds the last save: the next one writes every entry anew, over that file only.
    std::shared_ptr<SavedLayout> onDisk = m_file.lastLayout();
    const QVariant text = map.value(s_stateText);
    const QVariantMap otherValues = m_file.otherValues();
    QVariantMap events;
    EventsFileText::ReadEvents read;
    if (text.userType() != QMetaType::QByteArray) {
        objectFromMap(map);
    } else if (m_file.readText(text.toByteArray(), &events, &read)) {
        // The entries are not where the file on disk has them.
        read.spans.clear();
        fromMap(std::move(events), &read);
    } else {
        QR_LOG("An undo state could not be read");
        m_file.setOtherValues(otherValues);
        return;
    }
    m_file.setLastLayout(std::move(onDisk));
    save();
    emit layoutChanged();
    emit calendarsChanged();
}
