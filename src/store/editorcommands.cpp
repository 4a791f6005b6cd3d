#include "store/editorcommands.h"

#include "core/jsonparser.h"
#include "core/log.h"
#include "core/storage.h"
#include "core/usermessages.h"
#include "events/eventsfactory.h"
#include "store/eventsmanager.h"

#include <QBuffer>
#include <QObject>
#include <QSet>

#include <utility>

#include <algorithm>

namespace EditorCommandsPrivate {

// An event's entry as the events file holds it: an object made anew from the file writes it again.
size_t entryHash(const AbstractCommonEvent &event)
{
    Common::JsonWriter writer;
    event.writeJson(writer);
    return qHash(writer.take());
}

} // namespace EditorCommandsPrivate

using namespace EditorCommandsPrivate;

EventCommand::EventCommand(EventsManager *manager, AbstractCommonEventPtr event, const QString &text)
    : QUndoCommand(text), m_manager(manager), m_event(event), m_id(event ? event->id() : QByteArray()),
      m_entryHash(event ? entryHash(*event) : 0)
{
}

void EventCommand::setEvent(AbstractCommonEventPtr event)
{
    QR_ASSERT(m_event.expired());
    m_event = event;
    m_id = event ? event->id() : QByteArray();
}

void EventCommand::noteEntry(const AbstractCommonEvent &event)
{
    m_entryHash = entryHash(event);
}

AbstractCommonEventPtr EventCommand::_event()
{
    // A whole-state swap replaces every event object, and the manager frees the old ones only on
    // the next turn of the event loop: an object no longer in the list is found again by id. Where
    // the id repeats, the first of its events may be another one, which a step would change or
    // delete: only an event whose entry is as this command left it is taken.
    if (m_manager) {
        const AbstractCommonEventPtr held = m_event.lock();
        if (!held || m_manager->indexOf(held) == -1) {
            const QList<AbstractCommonEventPtr> found = m_manager->eventsById(m_id);
            const auto own = found.size() == 1 ? found.cbegin()
                                               : std::find_if(found.cbegin(), found.cend(), [this](const auto &event) {
                                                     return entryHash(*event) == m_entryHash;
                                                 });
            if (own != found.cend())
                m_event = *own;
            else if (found.size() > 1)
                QR_LOG("Several events have the id " + m_id + ", none as this step left it");
        }
    }
    return m_event.lock();
}

AddEventCommand::AddEventCommand(EventsManager *manager, AbstractCommonEventPtr event)
    : EventCommand(manager, event,
                   // A custom type's events are named after the type, as the "New" menu shows it.
                   QObject::tr("New %1 Event").arg(event ? event->typeName() : EventsFactory::eventName(-1)))
{
    // Kept with the photo flag, so that redoing the add after an undo brings the photo back too.
    if (event) {
        m_state = event->saveToVariant(AbstractCommonEvent::SaveWithPhotoFlag);
        m_type = int(event->type());
        m_hadPhoto = event->hasStoredPhoto();
    }
    QR_ASSERT(event);
}

void AddEventCommand::redo()
{
    // Not looked up by id: the event is not listed yet, and another with its id may be.
    AbstractCommonEventPtr event = heldEvent();
    if (!event) {
        AbstractCommonEventPtr made = EventsFactory::createEvent(m_type);
        if (!made)
            return;
        made->loadFromVariant(m_state);
        setEvent(made);
        event = made;
    } else if (m_hadPhoto) {
        // The undo erased the photo of this same object; take it back.
        event->restorePhoto();
    }
    manager()->addEvent(event);
    noteEntry(*event);
}

void AddEventCommand::undo()
{
    AbstractCommonEventPtr event = _event();
    if (!event) {
        QR_LOG("Undo of an added event: the event is gone");
        return;
    }
    manager()->removeEvent(event);
}

SaveEventStateCommand::SaveEventStateCommand(EventsManager *manager, AbstractCommonEventPtr event)
    : EventCommand(manager, event, QObject::tr("Edit Event"))
{
    if (event)
        m_state = event->saveToVariant(AbstractCommonEvent::SaveWithPhotoFlag);
    QR_ASSERT(event);
}

void SaveEventStateCommand::redo()
{
    if (m_firstRedo) {
        m_firstRedo = false;
        // The edit is made before the push.
        if (const AbstractCommonEventPtr event = heldEvent())
            noteEntry(*event);
        return;
    }
    AbstractCommonEventPtr event = _event();
    if (!event) {
        QR_LOG("Edit step: the event is gone");
        return;
    }
    const QVariant current = event->saveToVariant(AbstractCommonEvent::NoSaveFlags);
    event->loadFromVariant(m_state);
    m_state = current;
    noteEntry(*event);
}

void SaveEventStateCommand::undo()
{
    redo();
}

RemoveEventCommand::RemoveEventCommand(EventsManager *manager, AbstractCommonEventPtr event)
    : EventCommand(manager, event, QObject::tr("Delete Event"))
{
    if (event) {
        m_state = event->saveToVariant(AbstractCommonEvent::SaveWithPhotoFlag);
        m_type = int(event->type());
    }
    QR_ASSERT(event);
}

void RemoveEventCommand::redo()
{
    AbstractCommonEventPtr event = _event();
    QR_ASSERT(event);
    if (event)
        manager()->removeEvent(event);
}

void RemoveEventCommand::undo()
{
    AbstractCommonEventPtr made = EventsFactory::createEvent(m_type);
    if (!made)
        return;
    made->loadFromVariant(m_state);
    setEvent(made);
    // The object made here, not the first listed event of its id.
    manager()->addEvent(made);
    noteEntry(*made);
}

ImportEventsCommand::ImportEventsCommand(EventsManager *manager, const QList<AbstractCommonEventPtr> &events,
                                         const CalendarInfo &calendar, const QString &text)
    : QUndoCommand(text), m_manager(manager), m_events(events), m_calendar(calendar)
{
}

void ImportEventsCommand::redo()
{
    m_before = m_manager->state();
    // Every held event of an imported id is replaced, also where a file made elsewhere gave the id to
    // several: one left beside the new event would share its id.
    QSet<QByteArray> ids;
    bool anyHeld = false;
    ids.reserve(m_events.count());
    for (const AbstractCommonEventPtr &event : std::as_const(m_events)) {
        ids.insert(event->id());
        anyHeld = anyHeld || m_manager->eventById(event->id());
    }
    m_replaced.clear();
    m_withPhotos.clear();
    QList<AbstractCommonEventPtr> taken;
    for (int i = 0; anyHeld && i < m_manager->count(); ++i) {
        const AbstractCommonEventPtr &event = m_manager->eventAt(i);
        if (!ids.contains(event->id()))
            continue;
        m_replaced.append({i, event});
        taken.append(event);
        if (event->hasStoredPhoto())
            m_withPhotos.append(event);
    }
    if (!taken.isEmpty())
        m_manager->removeEvents(taken);
    m_calendarAdded = m_calendar.valid() && !m_manager->calendarById(m_calendar.id).valid();
    // A file imported again as a new calendar of the same name would leave the first one empty beside it:
    // a held calendar of that name with nothing left in it takes the events instead.
    for (const CalendarInfo &held : m_manager->calendars()) {
        if (!m_calendarAdded || held.name != m_calendar.name || !m_manager->eventsByCalendar(held.id).isEmpty())
            continue;
        m_calendar = held;
        m_calendarAdded = false;
        for (const AbstractCommonEventPtr &event : std::as_const(m_events))
            event->setCalendarId(held.id, true);
    }
    if (m_calendarAdded)
        m_manager->addCalendar(m_calendar);
    m_manager->addEvents(m_events);
    m_changeCount = m_manager->changeCount();
    m_listed.clear();
    m_ids.clear();
    for (const AbstractCommonEventPtr &event : std::as_const(m_events)) {
        m_listed.append(event);
        m_ids.append(event->id());
    }
    m_events.clear();
}

void ImportEventsCommand::undo()
{
    // Reading the whole content again rebuilt every event and held the windows for seconds: while
    // nothing else changed since, the import alone is taken back.
    const QVariantMap before = std::exchange(m_before, QVariantMap());
    bool same = m_manager->changeCount() == m_changeCount;
    for (qsizetype i = 0; i < m_listed.count(); ++i) {
        AbstractCommonEventPtr event = m_listed.at(i).lock();
        same = same && event;
        if (!event)
            event = m_manager->eventById(m_ids.at(i));
        if (event)
            m_events.append(std::move(event));
    }
    m_listed.clear();
    if (!same || !m_manager->takeBackEvents(m_events, m_replaced)) {
        // Whatever changed since goes back too, as a whole-state undo always did. The file's text
        // tells of no picture: those of the events the import took out are still to be kept.
        m_manager->setState(before);
        for (const AbstractCommonEventPtr &event : std::as_const(m_withPhotos))
            event->restorePhoto();
        return;
    }
    for (const AbstractCommonEventPtr &event : std::as_const(m_withPhotos))
        event->restorePhoto();
    if (m_calendarAdded)
        m_manager->removeCalendar(m_calendar.id);
}

RestoreCommand::RestoreCommand(IBackupManager *manager, const QString &fileName)
    : QUndoCommand(QObject::tr("Restore")), m_manager(manager), m_fileName(fileName)
{
}

void RestoreCommand::notify(const QString &text)
{
    QR_LOG("Restore: " + text.toUtf8());
    Common::UserMessages::information(QObject::tr("Restore"), text);
}

void RestoreCommand::redo()
{
    if (!m_snapshot.isEmpty()) {
        undo();
        return;
    }
    bool ok = false;
    m_snapshot = m_manager->backupToMap(&ok);
    if (!ok) {
        // Without a safety copy a failed restore could not be taken back, so none is tried.
        notify(QObject::tr("Cannot restore data from this file"));
        return;
    }
    if (m_manager->restore(m_fileName)) {
        notify(QObject::tr("Data successfully restored"));
        return;
    }
    if (!m_manager->restoreFromMap(m_snapshot))
        QR_LOG("Restore: the data before the restore could not be put back whole");
    const QString reason = m_manager->errorString();
    notify(QObject::tr("Cannot restore data from this file") +
           (reason.isEmpty() ? QString() : QLatin1Char('\n') + reason));
}

void RestoreCommand::undo()
{
    if (m_snapshot.isEmpty())
        return;
    bool ok = false;
    const BackupMap current = m_manager->backupToMap(&ok);
    if (!ok) {
        QR_LOG("Restore: cannot keep the current data, nothing swapped");
        return;
    }
    if (!m_manager->restoreFromMap(m_snapshot)) {
        QR_LOG("Restore: swapping the data failed, putting the current data back");
        m_manager->restoreFromMap(current);
        return;
    }
    m_snapshot = current;
}

SaveStorageItemStateCommand::SaveStorageItemStateCommand(Storage *storage, const QByteArray &key, const QString &text)
    : QUndoCommand(text), m_storage(storage), m_key(key)
{
}

QByteArray SaveStorageItemStateCommand::currentData() const
{
    if (!m_storage->contains(m_key))
        return QByteArray();
    QBuffer buffer;
    m_storage->read(m_key, &buffer);
    return buffer.data();
}

void SaveStorageItemStateCommand::redo()
{
    const QByteArray current = currentData();
    if (m_firstRedo) {
        m_data = current;
        m_firstRedo = false;
        return;
    }
    if (m_data.isEmpty()) {
        m_storage->erase(m_key);
    } else {
        QBuffer buffer(&m_data);
        buffer.open(QIODevice::ReadOnly);
        if (!m_storage->write(m_key, &buffer)) {
            QR_LOG("Cannot put back storage item " + m_key);
            return;
        }
    }
    m_data = current;
}

void SaveStorageItemStateCommand::undo()
{
    redo();
}
