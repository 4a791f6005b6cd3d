#pragma once

#include "events/abstractcommonevent.h"
#include "store/calendarinfo.h"
#include "store/ibackupmanager.h"

#include <QByteArray>
#include <QList>
#include <QPair>
#include <QString>
#include <QUndoCommand>
#include <QVariant>
#include <QVariantMap>

#include <memory>

class EventsManager;
class Storage;

// Base of the commands bound to one user event. The event is held weakly: once its object is gone
// (removed, or the events file was reloaded) it is found again by its id, and where a file made
// elsewhere gives several events that id, by what the event held when this command last left it.
class EventCommand : public QUndoCommand
{
public:
    EventCommand(EventsManager *manager, AbstractCommonEventPtr event, const QString &text);

protected:
    void setEvent(AbstractCommonEventPtr event);
    AbstractCommonEventPtr _event();
    // The object last acted on, listed or not.
    AbstractCommonEventPtr heldEvent() const { return m_event.lock(); }
    // Call after every step that leaves the event in the list.
    void noteEntry(const AbstractCommonEvent &event);
    EventsManager *manager() const { return m_manager; }

private:
    EventsManager *m_manager;
    std::weak_ptr<AbstractCommonEvent> m_event;
    QByteArray m_id;
    // A hash of the event's entry in the events file as this command last left it.
    size_t m_entryHash = 0;
};

// Adds a new event; undo removes it, and a later redo brings it back with its id and photo.
class AddEventCommand : public EventCommand
{
public:
    AddEventCommand(EventsManager *manager, AbstractCommonEventPtr event);

    void undo() override;
    void redo() override;

private:
    QVariant m_state;
    int m_type = -1;
    bool m_hadPhoto = false;
};

// Made before an edit: its first redo does nothing, later steps swap the event's fields before and after it.
class SaveEventStateCommand : public EventCommand
{
public:
    SaveEventStateCommand(EventsManager *manager, AbstractCommonEventPtr event);

    void undo() override;
    void redo() override;

private:
    QVariant m_state;
    bool m_firstRedo = true;
};

// Removes an event; undo makes it again from its kept fields, photo included, at the end of the list.
class RemoveEventCommand : public EventCommand
{
public:
    RemoveEventCommand(EventsManager *manager, AbstractCommonEventPtr event);

    void undo() override;
    void redo() override;

private:
    QVariant m_state;
    int m_type = -1;
};

// An import: the events take the place of the listed ones of the same ids and join the list's end, in a
// calendar of their own when `calendar` is valid, or in a held one of its name that the import leaves empty.
// Undo takes back just that while nothing else changed since; otherwise it puts the whole content kept
// before the import back, as the file's text.
class ImportEventsCommand : public QUndoCommand
{
public:
    ImportEventsCommand(EventsManager *manager, const QList<AbstractCommonEventPtr> &events,
                        const CalendarInfo &calendar, const QString &text);

    void undo() override;
    void redo() override;

private:
    EventsManager *m_manager;
    // Held while the import is undone. While it is done the list holds them: a later step that deletes
    // one lets it go, and its undo makes it anew under its id.
    QList<AbstractCommonEventPtr> m_events;
    QList<std::weak_ptr<AbstractCommonEvent>> m_listed;
    QList<QByteArray> m_ids;
    CalendarInfo m_calendar;
    // The events the import took out, at their places in the list, and those of them with a picture.
    QList<QPair<int, AbstractCommonEventPtr>> m_replaced;
    QList<AbstractCommonEventPtr> m_withPhotos;
    bool m_calendarAdded = false;
    QVariantMap m_before;
    quint64 m_changeCount = 0;
};

// Replaces all data from a backup archive; undo and every later redo swap the data before and after it.
class RestoreCommand : public QUndoCommand
{
public:
    RestoreCommand(IBackupManager *manager, const QString &fileName);

    void undo() override;
    void redo() override;

private:
    // Tells the user how the restore went.
    void notify(const QString &text);

    IBackupManager *m_manager;
    QString m_fileName;
    BackupMap m_snapshot;
};

// Keeps one item of the blob storage as it was before the caller changed it; undo and redo swap it.
class SaveStorageItemStateCommand : public QUndoCommand
{
public:
    SaveStorageItemStateCommand(Storage *storage, const QByteArray &key, const QString &text);

    void undo() override;
    void redo() override;

private:
    QByteArray currentData() const;

    Storage *m_storage;
    QByteArray m_data;
    QByteArray m_key;
    bool m_firstRedo = true;
};
