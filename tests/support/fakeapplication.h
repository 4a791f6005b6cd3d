#pragma once

#include "core/iapplication.h"
#include "core/lastversioninfo.h"

#include <QPointer>
#include <QSettings>
#include <QStringList>
#include <QTemporaryDir>

#include <memory>

// Test double of the application: a private data folder and settings file,
// services that a test hands in, and a record of the sounds it was asked to play.
class FakeApplication : public IApplication
{
public:
    FakeApplication();
    ~FakeApplication() override;

    QSettings *settings() override { return m_settings.get(); }
    Properties *properties() override { return m_properties; }
    QString uid() const override { return m_uid; }
    QString dataLocation() const override { return m_dataLocation; }
    QString language() const override { return m_language; }
    QVariant settingsValue(const QByteArray &key, const QVariant &defaultValue) const override;
    void setSettingsValue(const QByteArray &key, const QVariant &value) override;
    void setSettingsValues(const QList<QPair<QByteArray, QVariant>> &values) override;
    void removeSettings(const QByteArray &key, bool withDottedChildren) override;
    Storage *storage() override { return m_storage; }
    IBackupManager *backupManager() override { return m_backupManager; }
    QString systemInfoText() override { return m_systemInfoText; }
    QString applicationFilePath() const override { return QStringLiteral("/usr/bin/quillane-reminder"); }
    WebController *webController() override { return nullptr; }
    Langs *langs() override { return m_langs; }
    QString timeFormat() const override { return m_timeFormat; }
    const LastVersionInfo &lastVersionInfo() const override { return m_lastVersionInfo; }
    void setLastVersionInfo(const LastVersionInfo &info) override { m_lastVersionInfo = info; }
    bool layoutDirection() const override { return false; }
    IEventTypesStorage *eventTypesStorage() override { return m_eventTypesStorage; }
    void setAutorun(bool on) override { m_autorun = on; }
    int showReportDialog(const QString &, bool) override { return 0; }
    void showUninstallFeedback() override {}
    WId barHandle() const override { return 0; }
    bool raiseSettingsDialog() override { return false; }
    bool raiseEditor() override { return false; }
    EventsManager *eventsManager() override { return m_eventsManager; }
    SystemEvents *systemEvents() override { return m_systemEvents; }
    UndoObject *undoObject() override { return m_undoObject; }
    QObject *app() override { return m_app; }
    void showSettings() override {}
    void showRequestFeatureDialog() override {}
    void showReportBugDialog() override {}
    int showAboutDialog() override { return 0; }
    void showUpdateDialog() override {}
    void showEditor(int event) override { m_shownEditorEvents << event; }
    ReminderController *reminderController() override { return m_reminderController; }
    void playSound(const QString &path) override { m_playedSounds << path; }
    QStringList sounds() const override { return m_sounds; }
    QMetaObject::Connection connectNewVersionAvailable(QObject *context, std::function<void()> call) override
    {
        m_versionListeners.append({context, std::move(call)});
        return {};
    }
    void exitApp() override { ++m_exits; }
    // Tells the listeners whose context is still alive that a newer version is offered.
    void offerNewVersion()
    {
        for (const auto &listener : qAsConst(m_versionListeners))
            if (listener.first)
                listener.second();
    }

    // What tests hand in; the fake owns none of them.
    QString m_dataLocation;
    QString m_uid = QStringLiteral("{00000000-0000-0000-0000-000000000000}");
    QString m_language = QStringLiteral("en");
    QString m_timeFormat = QStringLiteral("h:mm");
    QString m_systemInfoText;
    QStringList m_sounds;
    Properties *m_properties = nullptr;
    Storage *m_storage = nullptr;
    IBackupManager *m_backupManager = nullptr;
    Langs *m_langs = nullptr;
    IEventTypesStorage *m_eventTypesStorage = nullptr;
    EventsManager *m_eventsManager = nullptr;
    SystemEvents *m_systemEvents = nullptr;
    UndoObject *m_undoObject = nullptr;
    ReminderController *m_reminderController = nullptr;
    QObject *m_app = nullptr;
    bool m_autorun = false;
    QStringList m_playedSounds;
    QList<QByteArray> m_settingsWrites; // keys, one entry per write (several joined by ',')
    QList<int> m_shownEditorEvents;
    int m_exits = 0;
    QList<QPair<QPointer<QObject>, std::function<void()>>> m_versionListeners;
    LastVersionInfo m_lastVersionInfo;

private:
    QTemporaryDir m_dir;
    std::unique_ptr<QSettings> m_settings;
};
