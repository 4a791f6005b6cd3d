#include "app/dataservices.h"

#include "app/barvisibility.h"
#include "app/movinglinefactory.h"
#include "app/savereporter.h"
#include "app/uidbackup.h"
#include "core/properties.h"
#include "core/settingkeys.h"
#include "core/storage.h"
#include "eventtypes/customtypesstorage.h"
#include "eventtypes/eventtypesstorage.h"
#include "gadgets/gadgetscontroller.h"
#include "store/backupmanager.h"

#include <QDir>

DataServices::DataServices(const QString &dataLocation, SaveReporter &reports)
    : m_uid(UidBackup::readOrCreate(QCoreApplication::organizationName()))
{
    const QDir folder(dataLocation);
    m_gadgetsController = std::make_unique<GadgetsController>();
    reports.watch(m_gadgetsController.get());

    m_properties = std::make_unique<Properties>(nullptr, folder.filePath(QStringLiteral("prop.dat")));
    m_storage = std::make_unique<Storage>(folder.filePath(QStringLiteral("pixmaps.dat")));
    m_customTypesStorage = std::make_unique<CustomTypesStorage>(folder.filePath(QStringLiteral("customtypes.dat")));
    m_eventTypesStorage = std::make_unique<EventTypesStorage>(m_customTypesStorage.get(),
                                                              folder.filePath(QStringLiteral("typesorder.dat")));
    // These keep their whole state in memory and write it at every change.
    reports.watch(m_customTypesStorage.get());
    reports.watch(m_eventTypesStorage.get());
    // A picture that could not be stored is not kept for a later try: its caller already gave up on it.
    QObject::connect(
        m_storage.get(), &Storage::saveFailed, &reports, [&reports](const QString &file, const QString &reason) {
            reports.reportSaveFailure(file, reason,
                                      tr("The picture was not stored. Add it again once the file can be written."));
        });
    QObject::connect(m_storage.get(), &Storage::saved, &reports, &SaveReporter::onSaved);
}

DataServices::~DataServices() = default;

void DataServices::startBackups()
{
    m_uidBackup = std::make_unique<UidBackup>(m_uid, QCoreApplication::organizationName());
    m_backupManager = std::make_unique<BackupManager>(QStringLiteral("qbf"));
    // Order of the archive: gadgets, properties, user id, custom types, event types, pictures; events last.
    m_backupManager->addBackupObjects(m_gadgetsController->backupObjects());
    m_backupManager->addBackupObject(m_properties.get());
    m_backupManager->addBackupObject(m_uidBackup.get());
    m_backupManager->addBackupObject(m_customTypesStorage.get());
    m_backupManager->addBackupObject(m_eventTypesStorage.get());
    m_backupManager->addBackupObjects(m_storage->backupObjects());
    m_backupManager->finishInterruptedRestore();
}

QString DataServices::uid() const
{
    // A restore may bring back another id; the backup object holds the one in use.
    return m_uidBackup ? m_uidBackup->uid() : m_uid;
}

void DataServices::registerProperties(IMovingLineFactory &bar)
{
    Properties *p = m_properties.get();
    p->addProperty(Setting::DaysToWatch, Setting::DaysToWatchDefault);
    p->addProperty(Setting::NotifyMinutes, Setting::NotifyMinutesDefault);
    p->addProperty(Setting::NotifyDays, Setting::NotifyDaysDefault);
    p->addProperty(Setting::ShowAppointmentInMovingLine, Setting::ShowAppointmentInMovingLineDefault);
    p->addProperty(Setting::ShowAppointmentReminder, Setting::ShowAppointmentReminderDefault);
    p->addProperty(Setting::ExitWhenMovingLineIsHidden, Setting::ExitWhenMovingLineIsHiddenDefault);
    p->addProperty(Setting::ReminderWidgetDefaultMinutes, Setting::ReminderWidgetDefaultMinutesDefault);
    p->addProperty(Setting::AppointmentSoundPath, QString());
    static_assert(Setting::CreepingLineVisibilityOptionDefault == BarVisibility::Always);
    p->addProperty(Setting::CreepingLineVisibilityOption, Setting::CreepingLineVisibilityOptionDefault);
    // Older versions only knew whether to start the bar without coming events.
    if (!p->takeProperty(Setting::StartIfNoEvents, Setting::StartIfNoEventsDefault).toBool())
        p->setValue(Setting::CreepingLineVisibilityOption, int(BarVisibility::WhenEventsComing));
    bar.registerProperties();
    // The autostart entry follows this setting also while the bar is missing.
    if (!p->value(Setting::AppAutorun).isValid())
        p->addProperty(Setting::AppAutorun, Setting::AppAutorunDefault);
    p->addProperty(Setting::RemoveExpiredEvents, Setting::RemoveExpiredEventsDefault);
    p->addProperty(Setting::RemoveExpiredEventsDays, Setting::RemoveExpiredEventsDaysDefault);
    m_propertiesRegistered = true;
}
