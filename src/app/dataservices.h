#pragma once

#include <QCoreApplication>
#include <QString>

#include <memory>

class BackupManager;
class CustomTypesStorage;
class EventTypesStorage;
class GadgetsController;
class IMovingLineFactory;
class Properties;
class SaveReporter;
class Storage;
class UidBackup;

// The program's data files but the settings and the events: properties, pictures, event types and the
// gadgets, with the user id and the backup archive made of them all. The settings file is open before:
// the parts read their stored values while they are built.
class DataServices
{
    Q_DECLARE_TR_FUNCTIONS(Application)

public:
    DataServices(const QString &dataLocation, SaveReporter &reports);
    ~DataServices();

    // The user id and the backup archive; a restore cut short is finished here.
    void startBackups();
    // Every setting the program's parts read, with its default, the bar's too.
    void registerProperties(IMovingLineFactory &bar);
    bool propertiesRegistered() const { return m_propertiesRegistered; }

    Properties *properties() const { return m_properties.get(); }
    Storage *storage() const { return m_storage.get(); }
    EventTypesStorage *eventTypesStorage() const { return m_eventTypesStorage.get(); }
    GadgetsController *gadgetsController() const { return m_gadgetsController.get(); }
    BackupManager *backupManager() const { return m_backupManager.get(); }
    QString uid() const;

private:
    // Torn down from the bottom: the archive and the gadgets go before the stores they use.
    QString m_uid;
    std::unique_ptr<Storage> m_storage;
    std::unique_ptr<CustomTypesStorage> m_customTypesStorage;
    std::unique_ptr<EventTypesStorage> m_eventTypesStorage;
    std::unique_ptr<Properties> m_properties;
    std::unique_ptr<UidBackup> m_uidBackup;
    std::unique_ptr<GadgetsController> m_gadgetsController;
    std::unique_ptr<BackupManager> m_backupManager;
    bool m_propertiesRegistered = false;
};
