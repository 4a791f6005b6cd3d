#include "app/eventservices.h"

#include "app/remindercontroller.h"
#include "app/reminderwidget.h"
#include "app/runstatistics.h"
#include "app/savereporter.h"
#include "core/clock.h"
#include "core/usermessages.h"
#include "core/log.h"
#include "core/properties.h"
#include "core/settingkeys.h"
#include "core/undoobject.h"
#include "platform/appidentity.h"
#include "store/backupmanager.h"
#include "store/calendarinfo.h"
#include "store/editorcommands.h"
#include "store/eventsmanager.h"
#include "store/systemevents.h"

#include <QDir>
#include <QStandardPaths>

EventServices::EventServices(SaveReporter &reports, UndoObject &undo) : m_reports(reports), m_undo(undo) {}

EventServices::~EventServices()
{
    m_calendars.reset();
    m_systemEvents.reset();
    m_reminders.reset();
    qDeleteAll(ReminderWidget::widgets());
}

QList<QDateTime> EventServices::reminderMoments()
{
    // The reminders ask every event at start for its first reminder after their last look and after now.
    QList<QDateTime> moments{Common::Clock::now()};
    if (const QDateTime since = ReminderController::missedSince(); since.isValid())
        moments.prepend(since);
    return moments;
}

QString EventServices::eventsFileIn(const QString &dataLocation)
{
    return QDir(dataLocation).filePath(QStringLiteral("events.dat"));
}

void EventServices::readAhead()
{
    AppIdentity::apply();
    // Where the application finds the data folder, without making it: a folder not there holds no file.
    const QString location = QStandardPaths::writableLocation(QStandardPaths::AppDataLocation);
    if (!location.isEmpty())
        EventsManager::readAhead(eventsFileIn(location));
}

void EventServices::load(const QString &path, Properties &properties, BackupManager &backups)
{
    m_properties = &properties;
    m_manager = std::make_unique<EventsManager>(path, reminderMoments());
    m_manager->setSavesInBackground(true);
    if (m_manager->hasError())
        Common::UserMessages::information(tr("Data Error"), m_manager->errorString());
    m_reports.watch(m_manager.get());
    m_systemEvents = std::make_unique<SystemEvents>();
    cleanUpExpiredEvents();
    RunStatistics::countEventTypes(*m_manager);
    backups.addBackupObject(m_manager.get());
    connect(m_manager.get(), &EventsManager::removeRequired, this, &EventServices::onEventRemoveRequired);
}

void EventServices::startCalendars()
{
    m_calendars = std::make_unique<CalendarsProvider>(m_manager.get());
}

void EventServices::startReminders()
{
    m_reminders = std::make_unique<ReminderController>();
}

void EventServices::cleanUpExpiredEvents()
{
    if (!m_manager || !m_properties->value(Setting::RemoveExpiredEvents).toBool())
        return;
    m_manager->removeExpiredEvents(m_properties->value(Setting::RemoveExpiredEventsDays).toInt());
}

void EventServices::onEventRemoveRequired(int index)
{
    QR_ASSERT(index != -1);
    if (!m_manager || index < 0 || index >= m_manager->count())
        return;
    const AbstractCommonEventPtr event = m_manager->eventByIndex(index);
    if (!QR_CHECK(event))
        return;
    m_undo.COMMAND(new RemoveEventCommand(m_manager.get(), event));
}
