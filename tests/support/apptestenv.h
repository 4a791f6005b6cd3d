#pragma once

#include "app/application.h"
#include "app/processhooks.h"
#include "core/log.h"
#include "core/statcollector.h"
#include "core/usermessages.h"
#include "fakeplatform.h"

#include <QDialog>
#include <QDir>
#include <QPointer>
#include <QSettings>
#include <QTemporaryDir>
#include <QWidget>

#include <functional>
#include <memory>
#include <vector>

// A bar that only records what the application asks of it.
class FakeMovingLine : public IMovingLineFactory
{
public:
    void registerProperties() override { ++m_registered; }
    void startRun() override {}
    void finishRun() override {}
    QWidget *create(const SharedActions &actions) override
    {
        ++m_created;
        m_actions = actions;
        auto *bar = new QWidget;
        bar->setAttribute(Qt::WA_DeleteOnClose);
        m_bars << bar;
        return bar;
    }
    bool hasRows(QWidget *) override { return m_coming; }
    bool hasEventsToShow() override { return m_coming; }
    void invalidateTimeFilters(QWidget *) override { ++m_invalidated; }
    void close(QWidget *bar) override { bar->close(); }
    QIcon logoIcon() override { return programLogo(); }

    bool m_coming = false;
    int m_created = 0;
    int m_registered = 0;
    int m_invalidated = 0;
    SharedActions m_actions;
    QList<QPointer<QWidget>> m_bars;
};

class FakeAsk : public IApplicationAsk
{
public:
    // Shows the window as exec would, runs what the test does meanwhile, then ends it with the result.
    int runModal(QDialog *dialog) override
    {
        m_modal << dialog->objectName();
        dialog->show();
        if (m_whileModal)
            m_whileModal(dialog);
        dialog->done(m_modalResult);
        return m_modalResult;
    }

    QStringList m_modal;
    int m_modalResult = QDialog::Accepted;
    std::function<void(QDialog *)> m_whileModal;
};

// A private home for one application: its config and data folders, runtime folder and arguments.
// The fakes stay reachable after the application took them over.
class AppTestEnv
{
public:
    AppTestEnv()
    {
        qputenv("HOME", m_home.path().toLocal8Bit());
        qputenv("XDG_CONFIG_HOME", configFolder().toLocal8Bit());
        qputenv("XDG_DATA_HOME", QDir(m_home.path()).filePath(QStringLiteral("data")).toLocal8Bit());
        // QSettings keeps its folders for the whole process.
        QSettings::setPath(QSettings::NativeFormat, QSettings::UserScope, configFolder());
        QSettings::setPath(QSettings::IniFormat, QSettings::UserScope, configFolder());
        StatCollector::reset();
        Common::clearLogBuffer();
        Common::UserMessages::reset();
    }
    ~AppTestEnv() { app.reset(); }

    QString configFolder() const { return QDir(m_home.path()).filePath(QStringLiteral("config")); }
    QString dataHome() const { return QDir(m_home.path()).filePath(QStringLiteral("data")); }
    QString dataFolder() const
    {
        return QDir(m_home.path()).filePath(QStringLiteral("data/Quillane/Quillane Reminder"));
    }
    // The application's own settings file, also before the application exists.
    std::unique_ptr<QSettings> appSettings() const
    {
        return std::make_unique<QSettings>(QSettings::NativeFormat, QSettings::UserScope, QStringLiteral("Quillane"),
                                           QStringLiteral("Quillane Reminder"));
    }

    Application *make(const QStringList &extraArguments = {})
    {
        app.reset();
        m_arguments = {"tst_application"};
        for (const QString &a : extraArguments)
            m_arguments << a.toLocal8Bit();
        m_argv.clear();
        for (QByteArray &a : m_arguments)
            m_argv.push_back(a.data());
        m_argc = int(m_argv.size());
        Application::Parts parts;
        bar = new FakeMovingLine;
        ask = new FakeAsk;
        // With the real entry the application writes the autostart file in the private config folder.
        autostart = realAutostart ? nullptr : new FakeAutostart;
        if (autostart)
            autostart->m_on = autostartOn;
        sound = new FakeSoundPlayer;
        parts.movingLine.reset(bar);
        parts.ask.reset(ask);
        parts.autostart.reset(autostart);
        parts.soundPlayer.reset(sound);
        parts.runtimeFolder = runtimeFolder.isEmpty() ? m_runtime.path() : runtimeFolder;
        app = std::make_unique<Application>(m_argc, m_argv.data(), std::move(parts));
        return app.get();
    }

    Application *start(const QStringList &extraArguments = {})
    {
        make(extraArguments);
        app->start();
        return app.get();
    }

    void processDeletes()
    {
        QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
        QCoreApplication::processEvents();
    }

    ProcessHooks hooks; // as main installs them
    std::unique_ptr<Application> app;
    FakeMovingLine *bar = nullptr;
    FakeAsk *ask = nullptr;
    FakeAutostart *autostart = nullptr;
    FakeSoundPlayer *sound = nullptr;
    bool autostartOn = false;
    bool realAutostart = false;
    QString runtimeFolder; // of the instance lock; empty for a private one

private:
    QTemporaryDir m_home;
    QTemporaryDir m_runtime;
    QList<QByteArray> m_arguments;
    std::vector<char *> m_argv;
    int m_argc = 0;
};
