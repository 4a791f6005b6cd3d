#pragma once

#include "app/applicationask.h"
#include "app/movinglinefactory.h"
#include "core/iapplication.h"
#include "core/lastversioninfo.h"
#include "core/undoobject.h"
#include "platform/iautostart.h"
#include "platform/isoundplayer.h"

#include <QApplication>
#include <QDateTime>
#include <QPointer>
#include <QSet>
#include <QSystemTrayIcon>
#include <QWidget>

#include <memory>

class AboutDialog;
class IWallClockTimer;
class Editor;
class SettingsDialog;
class BackupManager;
class NetworkDuties;
class ReportDialog;
class CalendarsProvider;
class CustomTypesStorage;
class EventTypesStorage;
class QAction;
class QMenu;
class QTranslator;
class SingleInstance;
class SoundList;
class SystemEvents;
class TimeZoneWatcher;
class UidBackup;
class UpdateDialog;
class WebController;

// The application object: keeps one instance per user, owns every long-lived service, builds them in a
// fixed order and serves them to the rest of the program through IApplication. Lives in the tray.
class Application : public QApplication, public UndoObject, public IApplication
{
    Q_OBJECT

public:
    // Platform pieces the application uses; what is left empty gets the real one.
    struct Parts
    {
        std::unique_ptr<IMovingLineFactory> movingLine;
        std::unique_ptr<IAutostart> autostart;
        std::unique_ptr<ISoundPlayer> soundPlayer;
        std::unique_ptr<IApplicationAsk> ask;
        QString runtimeFolder; // of the single-instance lock and socket
    };

    static constexpr char kAppId[] = "QuillaneReminder";
    static constexpr char kActivateMessage[] = "activate";
    // Long enough for an instance that is still loading its events to answer.
    static constexpr int kActivateTimeoutMs = 15000;

    // Identity and state of a file on disk; equal while nothing replaced or changed it.
    struct FileSignature
    {
        qint64 inode = -1;
        qint64 size = -1;
        qint64 modifiedNs = -1;
        bool operator!=(const FileSignature &o) const
        {
            return inode != o.inode || size != o.size || modifiedNs != o.modifiedNs;
        }
    };

    Application(int &argc, char **argv, Parts parts = Parts());
    ~Application() override;

    // This process is not the instance: another process of this user is, or no instance lock could be
    // made. It then built nothing else.
    bool isRunning() const { return m_anotherInstance; }
    bool sendMessage(const QString &message, int timeoutMs);
    // What to tell the user when this start is not the instance and the message did not get through.
    QString handOverFailedText() const;
    // Why the program cannot run (the data folder cannot be made); empty when it can.
    QString startError() const { return m_startError; }

    // IApplication
    QSettings *settings() override;
    Properties *properties() override { return m_properties.get(); }
    QString uid() const override;
    QString dataLocation() const override { return m_dataLocation; }
    QString language() const override { return m_language; }
    GadgetsController *gadgetsController() override { return m_gadgetsController.get(); }
    QVariant settingsValue(const QByteArray &key, const QVariant &defaultValue = QVariant()) const override;
    void setSettingsValue(const QByteArray &key, const QVariant &value) override;
    void removeSettings(const QByteArray &key, bool withDottedChildren) override;
    Storage *storage() override { return m_storage.get(); }
    IBackupManager *backupManager() override;
    QString systemInfoText() override;
    QString applicationFilePath() const override;
    WebController *webController() override { return m_webController.get(); }
    Langs *langs() override { return m_langs.get(); }
    QString timeFormat() const override;
    const LastVersionInfo &lastVersionInfo() const override { return m_lastVersionInfo; }
    void setLastVersionInfo(const LastVersionInfo &info) override { m_lastVersionInfo = info; }
    bool layoutDirection() const override;
    IEventTypesStorage *eventTypesStorage() override;
    void setAutorun(bool on) override;
    int showReportDialog(const QString &title, bool withTechnicalInfo) override;
    void showUninstallFeedback() override;
    WId barHandle() const override { return 0; }
    bool raiseSettingsDialog() override;
    bool raiseEditor() override;
    Editor *editor() const { return m_editor.get(); }
    SettingsDialog *settingsDialog() const { return m_settingsDialog.get(); }
    ReportDialog *reportDialog() const { return m_reportDialog.get(); }
    UpdateDialog *updateDialog() const { return m_updateDialog.get(); }
    AboutDialog *aboutDialog() const { return m_aboutDialog.get(); }
    EventsManager *eventsManager() override { return m_eventsManager.get(); }
    SystemEvents *systemEvents() override { return m_systemEvents.get(); }
    UndoObject *undoObject() override { return this; }
    QObject *app() override { return this; }
    ReminderController *reminderController() override { return m_reminderController.get(); }
    void playSound(const QString &path) override;
    QStringList sounds() const override;

    QString eventsFilePath() const;
    QDateTime nextTimeChange() const;
    // When the time-update timer fires next; invalid before the first scheduling.
    QDateTime scheduledTimeUpdate() const { return m_scheduledUpdate; }
    // The process-wide time-update timer; null before the first scheduling.
    static IWallClockTimer *timeUpdateTimer();
    bool isStarted() const { return m_started; }
    QWidget *creepingLine() const { return m_creepingLine; }
    QSystemTrayIcon *trayIcon() const { return m_systemTrayIcon.get(); }
    QMenu *trayMenu() const { return m_trayMenu.get(); }
    QAction *creepingLineAction() const { return m_barAction; }
    QAction *updateAction() const { return m_updateAction; }

public slots:
    void start();
    void propertyChanged(const QByteArray &id, const QVariant &value);
    void showCreepingLineIfNeeded(bool starting = false, bool showIfNotDisabled = false);
    void onAnotherInstanceMessage(const QString &message);
    void scheduleTimeUpdate();
    void invalidateTimeFilters();
    // The system's time zone changed: what was computed in the old local time is computed again.
    void onTimeZoneChanged();
    void cleanUpExpiredEvents();
    void onEventRemoveRequired(int index);
    // A data file could not be written, or could be again.
    void onSaveFailed(const QString &fileName, const QString &reason);
    void onSaved(const QString &fileName);
    // Told once until the file is saved again; `whatHappens` says what becomes of the change.
    void reportSaveFailure(const QString &fileName, const QString &reason, const QString &whatHappens);

    void showSettings() override;
    void showRequestFeatureDialog() override;
    void showReportBugDialog() override;
    int showAboutDialog() override;
    void showUpdateDialog() override;
    void showEditor(int event = -1) override;
    void newTodoGadget();
    void showHideCreepingLine();
    void onTrayEvent(QSystemTrayIcon::ActivationReason reason);
    void exitApp();

signals:
    void newVersionAvailable();

public:
    // Shows a window the program opens again (editor, dialogs): restored if minimised, raised, active.
    static void showAgain(QWidget *window);

private:
    // The report window for a bug or a wish, shown beside the other windows.
    void openReportWindow(const QString &title);
    void registerProperties();
    void setupEventsManager();
    void setupLocalization();
    void suggestLanguage();
    void writeSystemInfo();
    void writeAutorunOnFirstStart();
    void startNetworkDuties();
    void hideCreepingLineIfNeeded();
    bool hasComingEvents();
    void createMovingLine();
    void createTrayMenu();
    QAction *addActionToMenu(QMenu *menu, const QString &text, void (*command)(Application &), const QString &icon);
    void updateCreepingLineAction();
    void initStatistics();
    void collectStatistics();
    IAutostart *autostart();
    // Writes the settings now and tells whether that worked; `before` is the file ahead of the change.
    void syncSettings(const FileSignature &before);

    Parts m_parts;
    SingleInstance *m_singleInstance = nullptr;
    bool m_anotherInstance = false;
    bool m_constructed = false;
    QString m_startError;
    QString m_dataLocation;

    std::unique_ptr<QSettings> m_settings;
    std::unique_ptr<Properties> m_properties;
    std::unique_ptr<Storage> m_storage;
    std::unique_ptr<CustomTypesStorage> m_customTypesStorage;
    std::unique_ptr<EventTypesStorage> m_eventTypesStorage;
    std::unique_ptr<QTranslator> m_translator;
    std::unique_ptr<QTranslator> m_qtTranslator;
    std::unique_ptr<Langs> m_langs;
    std::unique_ptr<GadgetsController> m_gadgetsController;
    std::unique_ptr<BackupManager> m_backupManager;
    std::unique_ptr<UidBackup> m_uidBackup;
    std::unique_ptr<WebController> m_webController;
    std::unique_ptr<NetworkDuties> m_networkDuties;
    std::unique_ptr<EventsManager> m_eventsManager;
    std::unique_ptr<SystemEvents> m_systemEvents;
    std::unique_ptr<CalendarsProvider> m_calendarsProvider;
    std::unique_ptr<SoundList> m_sounds;
    std::unique_ptr<ReminderController> m_reminderController;
    std::unique_ptr<TimeZoneWatcher> m_timeZoneWatcher;
    QPointer<QWidget> m_creepingLine;
    QAction *m_barAction = nullptr;
    QAction *m_updateAction = nullptr;
    std::unique_ptr<QMenu> m_trayMenu;
    QString m_systemInfoText;
    QString m_uid;
    QString m_language;
    bool m_started = false;
    bool m_propertiesRegistered = false;
    LastVersionInfo m_lastVersionInfo;
    std::unique_ptr<QSystemTrayIcon> m_systemTrayIcon;
    // Made on the first request to show it, kept until the end.
    std::unique_ptr<Editor> m_editor;
    std::unique_ptr<SettingsDialog> m_settingsDialog;
    bool m_cleanUpPending = false;
    std::unique_ptr<ReportDialog> m_reportDialog;
    std::unique_ptr<UpdateDialog> m_updateDialog;
    std::unique_ptr<AboutDialog> m_aboutDialog;

    QDateTime m_scheduledUpdate;
    // Files whose last save failed; the user was told once for each.
    QSet<QString> m_failingFiles;
};
