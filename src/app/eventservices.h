#pragma once

#include <QCoreApplication>
#include <QDateTime>
#include <QList>
#include <QObject>
#include <QString>

#include <memory>

class BackupManager;
class CalendarsProvider;
class EventsManager;
class Properties;
class ReminderController;
class SaveReporter;
class SystemEvents;
class UndoObject;

// The user's events and what lives on them: the server's messages, the calendars and the reminders.
// Empty until the events are read at start.
class EventServices : public QObject
{
    Q_DECLARE_TR_FUNCTIONS(Application)

public:
    EventServices(SaveReporter &reports, UndoObject &undo);
    ~EventServices() override;

    // The moments each event's first reminder is asked after at start: the reminders' last look, and now.
    static QList<QDateTime> reminderMoments();
    // Before the application is built: the events file of the data folder is read on threads meanwhile.
    static void readAhead();
    static QString eventsFileIn(const QString &dataLocation);
    // Reads the events file, tells the user what could not be read and drops the expired events.
    void load(const QString &path, Properties &properties, BackupManager &backups);
    // Once the events' watchers are connected: the calendars come in as events.
    void startCalendars();
    // Last at start, so that a reminder due at start opens over everything else.
    void startReminders();
    void cleanUpExpiredEvents();
    void onEventRemoveRequired(int index);

    EventsManager *manager() const { return m_manager.get(); }
    ReminderController *reminders() const { return m_reminders.get(); }
    SystemEvents *systemEvents() const { return m_systemEvents.get(); }

private:
    SaveReporter &m_reports;
    UndoObject &m_undo;
    Properties *m_properties = nullptr;
    // Open reminder windows hold events; they and the controller go before the events.
    std::unique_ptr<EventsManager> m_manager;
    std::unique_ptr<ReminderController> m_reminders;
    std::unique_ptr<SystemEvents> m_systemEvents;
    std::unique_ptr<CalendarsProvider> m_calendars;
};
