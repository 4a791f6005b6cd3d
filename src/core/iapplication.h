#pragma once

#include <QByteArray>
#include <QObject>
#include <QString>
#include <QStringList>
#include <QVariant>
#include <QWindow>

#include <functional>

class QSettings;
class Properties;
class Storage;
class IBackupManager;
class WebController;
class Langs;
struct LastVersionInfo;
class IEventTypesStorage;
class UndoObject;
class EventsManager;
class SystemEvents;
class ReminderController;

// The one door through which every part of the program reaches the running application.
// The application registers itself for its whole life; tests register a fake.
class IApplication
{
public:
    static IApplication *instance();

    virtual QSettings *settings() = 0;
    virtual Properties *properties() = 0;
    virtual QString uid() const = 0;
    virtual QString dataLocation() const = 0;
    virtual QString language() const = 0;
    virtual QVariant settingsValue(const QByteArray &key, const QVariant &defaultValue = QVariant()) const = 0;
    virtual void setSettingsValue(const QByteArray &key, const QVariant &value) = 0;
    // Several settings that belong together, written at once; by default one after the other.
    virtual void setSettingsValues(const QList<QPair<QByteArray, QVariant>> &values);
    virtual void removeSettings(const QByteArray &key, bool withDottedChildren) = 0;
    virtual Storage *storage() = 0;
    virtual IBackupManager *backupManager() = 0;
    virtual QString systemInfoText() = 0;
    virtual QString applicationFilePath() const = 0;
    virtual WebController *webController() = 0;
    virtual Langs *langs() = 0;
    virtual QString timeFormat() const = 0;
    virtual const LastVersionInfo &lastVersionInfo() const = 0;
    virtual void setLastVersionInfo(const LastVersionInfo &info) = 0;
    virtual bool layoutDirection() const = 0;
    virtual IEventTypesStorage *eventTypesStorage() = 0;
    virtual void setAutorun(bool on) = 0;
    virtual int showReportDialog(const QString &title, bool withTechnicalInfo) = 0;
    virtual void showUninstallFeedback() = 0;
    // Window id of the taskbar band the bar docks to: always 0, this platform has none.
    virtual WId barHandle() const = 0;
    virtual bool raiseSettingsDialog() = 0;
    virtual bool raiseEditor() = 0;
    virtual EventsManager *eventsManager() = 0;
    // The running-line messages the program makes itself (the server's), for the windows that show them.
    virtual SystemEvents *systemEvents() = 0;
    virtual UndoObject *undoObject() = 0;
    virtual QObject *app() = 0;
    virtual void showSettings() = 0;
    virtual void showRequestFeatureDialog() = 0;
    virtual void showReportBugDialog() = 0;
    virtual int showAboutDialog() = 0;
    virtual void showUpdateDialog() = 0;
    virtual void showEditor(int event = -1) = 0;
    virtual ReminderController *reminderController() = 0;
    virtual void playSound(const QString &path) = 0;
    // The absolute paths of the wave files a reminder can play, sorted by name.
    virtual QStringList sounds() const = 0;
    // Calls `call` in `context` whenever a newer version of the program is offered; by default never.
    virtual QMetaObject::Connection connectNewVersionAvailable(QObject *context, std::function<void()> call);
    // Ends the program as its Exit does; by default the event loop just quits.
    virtual void exitApp();

    virtual ~IApplication();

protected:
    // The implementation registers itself at the start of its constructor's body
    // and unregisters in its destructor.
    static void setInstance(IApplication *app);
};
