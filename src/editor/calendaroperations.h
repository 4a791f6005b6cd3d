#pragma once

#include <QByteArray>
#include <QCoreApplication>
#include <QList>
#include <QString>

#include <functional>

class EventsManager;
class UndoProxy;

// The editor's changes to calendars, each one undo step: a whole-state command over the events
// manager pushed before the change, or one edit command per event for a change of calendar.
// Nothing is pushed for a change that would not happen.
class CalendarOperations
{
    Q_DECLARE_TR_FUNCTIONS(Editor)

public:
    CalendarOperations(EventsManager *manager, UndoProxy *undo);

    // Appends a calendar with that name; returns its id.
    QByteArray create(const QString &name);
    // A calendar with events is removed with them, after `confirm` said yes. The default
    // calendar is never removed: events and new events would be left without a calendar.
    bool remove(const QByteArray &id, const std::function<bool()> &confirm);
    // `text` names the undo step ("Move Calendar Up", "Move Calendar Down", "Move Calendar").
    bool move(const QByteArray &id, int step, const QString &text);
    bool rename(const QByteArray &id, const QString &name);
    bool setDefault(const QByteArray &id);
    // Events by their index in the manager; one step "Change Calendar" for all of them.
    bool moveEventsTo(const QList<int> &eventIndexes, const QByteArray &calendarId);

    static QString removeQuestion();

private:
    void pushState(const QString &text);

    EventsManager *m_manager;
    UndoProxy *m_undo;
};
