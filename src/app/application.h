#pragma once

#include "app/applicationask.h"
#include "app/appwindows.h"
#include "app/barcontrol.h"
#include "app/dataservices.h"
#include "app/eventservices.h"
#include "app/languagesetup.h"
#include "app/movinglinefactory.h"
#include "app/startduties.h"
#include "app/timekeeper.h"
#include "app/traycontrol.h"
#include "core/iapplication.h"
#include "core/lastversioninfo.h"
#include "core/statcollector.h"
#include "core/undoobject.h"
#include "platform/iautostart.h"
#include "platform/isoundplayer.h"

#include <QApplication>
#include <QDateTime>
#include <QSystemTrayIcon>
#include <QWidget>

#include <memory>

class AboutDialog;
class Editor;
class GadgetsController;
class IWallClockTimer;
class NetworkDuties;
class QAction;
class QMenu;
class ReportDialog;
class SaveReporter;
class SettingsDialog;
class SingleInstance;
class SoundList;
class UpdateDialog;
class UserSettings;
class WebController;

// The application object: keeps one instance per user, builds the program's parts in their order and
// serves them to the rest of the program through IApplication. Lives in the tray.
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
    // Long enough for an instance that holds the lock but is still starting to listen.
    static constexpr int kActivateTimeoutMs = 15000;

    Application(int &argc, char **argv, Parts parts = Parts());
    ~Application() override;

    // This process is not the instance: another process of this user is, or no instance lock could be
    // made. It then built nothing else.
    bool isRunning() const { return m_anotherInstance; }
    // Once the instance is slow to answer, busy but there, a box says so until the instance answers or the
    // user stops waiting. When the instance ends meanwhile, this start takes its place where it can: then it
    // is no longer isRunning(), and builds what an instance does.
    bool sendMessage(const QString &message, int timeoutMs);
    // The user stopped waiting for a busy instance: there is nothing more to tell.
    bool handOverStopped() const { return m_handOverStopped; }
    // Who holds the data folder, when its lock made this start not the instance; empty otherwise.
    QString dataFolderHeldText() const;
    // What to tell the user when this start is not the instance and the message did not get through.
    QString handOverFailedText() const;
    // Why the program cannot run (the data folder cannot be made, its folders are another user's); empty when
    // it can.
    QString startError() const { return m_startError; }

    // IApplication
    QSettings *settings() override;
    Properties *properties() override { return m_data ? m_data->properties() : nullptr; }
    QString uid() const override { return m_data ? m_data->uid() : QString(); }
    QString dataLocation() const override { return m_dataLocation; }
    QString language() const override { return m_languages ? m_languages->language() : QString(); }
    QVariant settingsValue(const QByteArray &key, const QVariant &defaultValue = QVariant()) const override;
    void setSettingsValue(const QByteArray &key, const QVariant &value) override;
    void setSettingsValues(const QList<QPair<QByteArray, QVariant>> &values) override;
    void removeSettings(const QByteArray &key, bool withDottedChildren) override;
    Storage *storage() override { return m_data ? m_data->storage() : nullptr; }
    IBackupManager *backupManager() override;
    QString systemInfoText() override { return m_duties ? m_duties->systemInfoText() : QString(); }
    QString applicationFilePath() const override;
    WebController *webController() override { return m_webController.get(); }
    Langs *langs() override { return m_languages ? m_languages->langs() : nullptr; }
    QString timeFormat() const override { return LanguageSetup::timeFormat(); }
    const LastVersionInfo &lastVersionInfo() const override { return m_lastVersionInfo; }
    void setLastVersionInfo(const LastVersionInfo &info) override { m_lastVersionInfo = info; }
    bool layoutDirection() const override { return m_languages && m_languages->isRightToLeft(); }
    IEventTypesStorage *eventTypesStorage() override;
    void setAutorun(bool on) override;
    int showReportDialog(const QString &title, bool withTechnicalInfo) override;
    void showUninstallFeedback() override;
    // No taskbar band to dock into on Linux.
    WId barHandle() const override { return 0; }
    bool raiseSettingsDialog() override { return m_windows && m_windows->raiseSettingsDialog(); }
    bool raiseEditor() override { return m_windows && m_windows->raiseEditor(); }
    Editor *editor() const { return m_windows ? m_windows->editor() : nullptr; }
    SettingsDialog *settingsDialog() const { return m_windows ? m_windows->settingsDialog() : nullptr; }
    ReportDialog *reportDialog() const { return m_windows ? m_windows->reportDialog() : nullptr; }
    UpdateDialog *updateDialog() const { return m_windows ? m_windows->updateDialog() : nullptr; }
    AboutDialog *aboutDialog() const { return m_windows ? m_windows->aboutDialog() : nullptr; }
    EventsManager *eventsManager() override { return m_events ? m_events->manager() : nullptr; }
    SystemEvents *systemEvents() override { return m_events ? m_events->systemEvents() : nullptr; }
    UndoObject *undoObject() override { return this; }
    QObject *app() override { return this; }
    ReminderController *reminderController() override { return m_events ? m_events->reminders() : nullptr; }
    void playSound(const QString &path) override;
    QStringList sounds() const override;
    QMetaObject::Connection connectNewVersionAvailable(QObject *context, std::function<void()> call) override;

    QString eventsFilePath() const;
    QDateTime nextTimeChange() const { return m_time ? m_time->nextTimeChange() : QDateTime(); }
    // When the time-update timer fires next; invalid before the first scheduling.
    QDateTime scheduledTimeUpdate() const { return m_time ? m_time->scheduledTimeUpdate() : QDateTime(); }
    // The process-wide time-update timer; null before the first scheduling.
    static IWallClockTimer *timeUpdateTimer();
    bool isStarted() const { return m_started; }
    QWidget *creepingLine() const { return m_bar ? m_bar->bar() : nullptr; }
    QSystemTrayIcon *trayIcon() const { return m_tray ? m_tray->icon() : nullptr; }
    QMenu *trayMenu() const { return m_tray ? m_tray->menu() : nullptr; }
    QAction *updateAction() const { return m_tray ? m_tray->updateAction() : nullptr; }
    GadgetsController *gadgetsController() const { return m_data ? m_data->gadgetsController() : nullptr; }
    const SharedActions &sharedActions() const { return m_sharedActions; }

public slots:
    void start();
    void propertyChanged(const QByteArray &id, const QVariant &value);
    void showCreepingLineIfNeeded(bool starting = false, bool showIfNotDisabled = false);
    void onAnotherInstanceMessage(const QString &message);
    void onEventRemoveRequired(int index) { m_events->onEventRemoveRequired(index); }
    void invalidateTimeFilters() { m_time->invalidateTimeFilters(); }

    void showSettings() override { m_windows->showSettings(); }
    void showRequestFeatureDialog() override;
    void showReportBugDialog() override;
    int showAboutDialog() override { return m_windows->showAboutDialog(); }
    void showUpdateDialog() override { m_windows->showUpdateDialog(); }
    void showEditor(int event = -1) override { m_windows->showEditor(event); }
    void newTodoGadget();
    void showHideCreepingLine() { m_bar->toggle(); }
    void onTrayEvent(QSystemTrayIcon::ActivationReason reason) { m_tray->onTrayEvent(reason); }
    void exitApp() override;

signals:
    void newVersionAvailable();

private:
    // What an instance builds besides the lock.
    void build();
    void setupLocalization();
    // At the end of the start: what the run holds.
    void collectStatistics();
    void startNetworkDuties();
    // The tray's shared entries as actions of their own, for the tray, the editor and the bar.
    void createSharedActions();

    // Declared in the order of building: each part is torn down before those it uses.
    Parts m_parts;
    SingleInstance *m_singleInstance = nullptr;
    bool m_anotherInstance = false;
    bool m_handOverStopped = false;
    bool m_constructed = false;
    bool m_started = false;
    QString m_startError;
    QString m_dataLocation;
    LastVersionInfo m_lastVersionInfo;
    SharedActions m_sharedActions;
    std::unique_ptr<SoundList> m_sounds;
    std::unique_ptr<SaveReporter> m_saves;
    std::unique_ptr<UserSettings> m_settings;
    std::unique_ptr<DataServices> m_data;
    std::unique_ptr<WebController> m_webController;
    std::unique_ptr<LanguageSetup> m_languages;
    std::unique_ptr<StartDuties> m_duties;
    std::unique_ptr<EventServices> m_events;
    std::unique_ptr<BarControl> m_bar;
    std::unique_ptr<AppWindows> m_windows;
    std::unique_ptr<TrayControl> m_tray;
    std::unique_ptr<NetworkDuties> m_networkDuties;
    std::unique_ptr<TimeKeeper> m_time;
};
