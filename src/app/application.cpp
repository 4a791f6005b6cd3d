#include "app/application.h"

#include "app/applicationask.h"
#include "app/movinglinefactory.h"
#include "app/runstatistics.h"
#include "app/savereporter.h"
#include "app/soundlist.h"
#include "app/startarguments.h"
#include "app/traymenu.h"
#include "app/usersettings.h"
#include "app/web/networkduties.h"
#include "app/web/webcontroller.h"
#include "core/usermessages.h"
#include "core/crashhandleradapter.h"
#include "core/deferredcall.h"
#include "core/log.h"
#include "core/properties.h"
#include "core/settingkeys.h"
#include "core/statcollector.h"
#include "eventtypes/eventtypesstorage.h"
#include "gadgets/gadgetresizer.h"
#include "gadgets/gadgetscontroller.h"
#include "platform/appidentity.h"
#include "platform/linuxdatalocation.h"
#include "platform/linuxsoundplayer.h"
#include "platform/privatefolder.h"
#include "platform/singleinstance.h"
#include "platform/terminationsignals.h"
#include "store/backupmanager.h"
#include "store/datafoldercleanup.h"
#include "store/eventsmanager.h"
#include "widgets/widgetresources.h"

#include <QFileInfo>
#include <QFontDatabase>
#include <QMessageBox>
#include <QPushButton>
#include <QStandardPaths>

#include <system_error>
#include <thread>

Application::Application(int &argc, char **argv, Parts parts)
    : QApplication(argc, argv), UndoObject(), m_parts(std::move(parts))
{
    setInstance(this);
    setQuitOnLastWindowClosed(false);
    AppIdentity::apply();
    setApplicationVersion(QStringLiteral(QR_VERSION));

    // Before the lock, which may make a folder: what another user's start made would lock this one out.
    m_startError = Common::otherUsersFolderText(m_parts.runtimeFolder);
    if (!m_startError.isEmpty())
        return;
    // A second start only hands over "activate": it must not touch the instance's files, not even its log.
    m_singleInstance = new SingleInstance(QString::fromLatin1(kAppId), this, m_parts.runtimeFolder,
                                          QStandardPaths::writableLocation(QStandardPaths::AppDataLocation));
    m_anotherInstance = m_singleInstance->isRunning();
    if (!m_anotherInstance)
        build();
}

void Application::build()
{
    connect(m_singleInstance, &SingleInstance::messageReceived, this, &Application::onAnotherInstanceMessage);
    // Log-out, shut-down and Ctrl+C end the program as its Exit does: places, lock and socket go tidily.
    auto *terminationSignals = new TerminationSignals(this);
    connect(terminationSignals, &TerminationSignals::terminationRequested, this, [this](int number) {
        QR_LOG("Ending on signal " + QByteArray::number(number));
        exitApp();
    });

    if (!m_parts.movingLine)
        m_parts.movingLine = createMovingLineFactory();
    if (!m_parts.ask)
        m_parts.ask = std::make_unique<IApplicationAsk>();

    // Every later step writes into the data folder, the log first: make it before anything else.
    m_dataLocation = LinuxDataLocation().path();
    if (m_dataLocation.isEmpty()) {
        m_startError = tr("The data folder of %1 cannot be created in \"%2\". Check that your home folder "
                          "is writable and has free space.")
                           .arg(applicationName(), QStandardPaths::writableLocation(QStandardPaths::AppDataLocation));
        return;
    }
    CrashHandlerAdapter().resetLogFile();
    // Only the instance may tidy: a save or restore of its own could be under way otherwise. Before any
    // store reads its file, so that a restore cut short is finished first; after the log is new, so that
    // what it did stays in the log.
    DataFolderCleanup::tidyAtStart(m_dataLocation);

    m_sounds = std::make_unique<SoundList>();
    QR_LOG(
        "Sounds: " + QByteArray::number(m_sounds->sounds().size()) + " wave files" +
        (m_sounds->sounds().isEmpty() ? QByteArray() : " in " + QFileInfo(m_sounds->sounds().first()).path().toUtf8()));
    const QIcon logo = m_parts.movingLine->logoIcon();
    setWindowIcon(logo);

    m_saves = std::make_unique<SaveReporter>();
    m_settings = std::make_unique<UserSettings>(*m_saves);
    EventsManager::readAheadReminders(EventServices::reminderMoments());
    m_data = std::make_unique<DataServices>(m_dataLocation, *m_saves);
    m_webController = std::make_unique<WebController>(WebController::configuredHost());
    // Before the languages: the first start is the statistics' to tell.
    RunStatistics::begin(m_settings->settings(), m_dataLocation);
    connect(m_data->properties(), &Properties::propertyChanged, this, &Application::propertyChanged);

    setupLocalization();
    Common::DeferredCallProcessor::init();

    const QString styleSheet = applicationStyleSheet();
    if (styleSheet.isEmpty())
        QR_LOG("The application style sheet is missing from the resources");
    setStyleSheet(styleSheet);

    m_data->startBackups();

    m_parts.movingLine->startRun();
    m_duties = std::make_unique<StartDuties>(m_dataLocation, std::move(m_parts.autostart));
    m_events = std::make_unique<EventServices>(*m_saves, *this);
    createSharedActions();
    m_bar = std::make_unique<BarControl>(
        *m_parts.movingLine, *m_data->properties(), [this] { exitApp(); }, m_sharedActions);
    m_windows = std::make_unique<AppWindows>(*m_parts.ask, m_webController.get(), *m_events, m_sharedActions);
    m_tray = std::make_unique<TrayControl>(*this, *m_bar, logo);
    m_time = std::make_unique<TimeKeeper>(*m_events, *m_bar, *m_windows);
    m_constructed = true;
}

Application::~Application()
{
    EventsManager::dropReadAhead();
    RunStatistics::endStart();
    if (!m_constructed)
        return;
    StatCollector::removeFile();
    m_parts.movingLine->finishRun();
    Common::DeferredCallProcessor::term();
    StatCollector::addInt("successful_ends", true, 1);
    CrashHandlerAdapter().removeLogFile();
    m_time.reset();
    // Gadgets store their places in the properties on the way out; the loop that would delete them has ended.
    m_data->gadgetsController()->closeAllGadgets();
    sendPostedEvents(nullptr, QEvent::DeferredDelete);
    GadgetResizer::destroyInstance();
    // The rest goes in the members' order.
}

bool Application::sendMessage(const QString &message, int timeoutMs)
{
    std::unique_ptr<QMessageBox> box;
    const auto waitLonger = [this, &box] {
        if (!box) {
            box = std::make_unique<QMessageBox>(
                QMessageBox::Information, applicationName(),
                tr("%1 is already running, but the computer is busy and it has not answered yet.\n\nIt shows "
                   "itself as soon as it answers.")
                    .arg(applicationName()),
                QMessageBox::Cancel);
            box->button(QMessageBox::Cancel)->setText(tr("Stop Waiting"));
            box->show();
        }
        processEvents();
        m_handOverStopped = !box->isVisible();
        return !m_handOverStopped;
    };
    // An instance that ends meanwhile leaves its place to this start, or to another start that took it first.
    do {
        if (m_singleInstance->sendMessage(message, timeoutMs, waitLonger))
            return true;
    } while (!m_handOverStopped && m_singleInstance->decideAgainIfEnded() && m_singleInstance->isRunning());
    box.reset();
    m_anotherInstance = m_singleInstance->isRunning();
    if (!m_anotherInstance)
        build();
    return false;
}

QString Application::dataFolderHeldText() const
{
    return m_singleInstance->dataFolderHeldText();
}

QString Application::handOverFailedText() const
{
    return m_singleInstance->handOverFailedText();
}

// ---- data -----------------------------------------------------------------------------------------

QSettings *Application::settings()
{
    return QR_CHECK(m_settings) ? m_settings->settings() : nullptr;
}

QVariant Application::settingsValue(const QByteArray &key, const QVariant &defaultValue) const
{
    return m_settings ? m_settings->value(key, defaultValue) : defaultValue;
}

void Application::setSettingsValue(const QByteArray &key, const QVariant &value)
{
    if (m_settings)
        m_settings->setValue(key, value);
}

void Application::setSettingsValues(const QList<QPair<QByteArray, QVariant>> &values)
{
    if (m_settings)
        m_settings->setValues(values);
}

void Application::removeSettings(const QByteArray &key, bool withDottedChildren)
{
    if (m_settings)
        m_settings->remove(key, withDottedChildren);
}

IBackupManager *Application::backupManager()
{
    return m_data ? m_data->backupManager() : nullptr;
}
IEventTypesStorage *Application::eventTypesStorage()
{
    return m_data ? m_data->eventTypesStorage() : nullptr;
}

QString Application::applicationFilePath() const
{
    // The first argument may be a bare name found on PATH; the running file is what autostart needs.
    return QCoreApplication::applicationFilePath();
}

QString Application::eventsFilePath() const
{
    return EventServices::eventsFileIn(m_dataLocation);
}

// ---- start ----------------------------------------------------------------------------------------

void Application::start()
{
    const StatCollector::WriteBatch statistics;
    // The first text shown makes the font database read the whole font configuration: a thread does
    // that while the events are read. It is joined on every way out, a throw included.
    struct FontWarmUp
    {
        std::thread thread;
        void join()
        {
            if (thread.joinable())
                thread.join();
        }
        ~FontWarmUp() { join(); }
    } fonts;
    try {
        fonts.thread = std::thread([] { QFontDatabase::families(); });
    } catch (const std::system_error &) {
        // Without a thread the first text reads the configuration.
    }
    m_data->registerProperties(*m_parts.movingLine);
    m_events->load(eventsFilePath(), *m_data->properties(), *m_data->backupManager());
    fonts.join();
    m_time->watch(m_events->manager());
    m_bar->watch(m_events->manager());
    m_events->startCalendars();

    const bool silent = StartArguments::isSilentStart(arguments());
    showCreepingLineIfNeeded(true, !silent);
    if (!creepingLine() && silent && properties()->value(Setting::ExitWhenMovingLineIsHidden).toBool()) {
        QMetaObject::invokeMethod(this, &Application::exitApp, Qt::QueuedConnection);
        return;
    }

    m_tray->createMenu();
    m_tray->show();
    m_time->scheduleTimeUpdate();
    // The bar's first picture and an answering loop come first: building the gadgets held them by a
    // sixth of the start.
    m_duties->showGadgets(creepingLine(), gadgetsController(), StatCollector::isFirstStart());
    m_duties->finishStartAfterFirstPaint(creepingLine());
    collectStatistics();
    startNetworkDuties();
    m_duties->writeAutorunOnFirstStart(*m_settings, *properties());
    m_events->startReminders();
    m_time->watchTimeZone();
    m_started = true;
}

void Application::setupLocalization()
{
    m_languages = std::make_unique<LanguageSetup>(*m_data->properties());
}

void Application::collectStatistics()
{
    RunStatistics::countEvents(*m_events->manager());
}

void Application::createSharedActions()
{
    for (const TrayMenu::Entry &entry : TrayMenu::entries()) {
        if (entry.role != TrayMenu::Shared)
            continue;
        auto *action = new QAction(sharpIcon(entry.icon), tr(entry.text), this);
        // Queued, as every entry of the tray: the menu that offered it closes first.
        connect(
            action, &QAction::triggered, this, [this, command = entry.command] { command(*this); },
            Qt::QueuedConnection);
        m_sharedActions.*entry.shared = action;
    }
    // The editor's form named its settings entry; the shared action it holds in its stead keeps the name.
    if (m_sharedActions.settings)
        m_sharedActions.settings->setObjectName(QStringLiteral("actionSettings"));
}

void Application::startNetworkDuties()
{
    m_networkDuties = std::make_unique<NetworkDuties>(m_webController.get());
    // The bar listens to the application's signal; the tray shows its update entry.
    connect(m_networkDuties.get(), &NetworkDuties::newVersionAvailable, this, [this] {
        m_tray->showUpdateEntry();
        emit newVersionAvailable();
    });
    m_networkDuties->onNetworkStateChanged(m_webController->isConnected());
}

void Application::propertyChanged(const QByteArray &id, const QVariant &value)
{
    if (id == Setting::CreepingLineVisibilityOption) {
        if (m_bar)
            m_bar->onVisibilityOptionChanged(value.toInt(), m_started);
    } else if (id == Setting::ExitWhenMovingLineIsHidden) {
        if (m_bar)
            m_bar->onExitWhenHiddenChanged(value.toBool());
    } else if (id == Setting::AppAutorun) {
        // Registration at start reports the stored value; only a change made by the user counts.
        if (m_data->propertiesRegistered())
            setAutorun(value.toBool());
    } else if (id == Setting::RemoveExpiredEvents || id == Setting::RemoveExpiredEventsDays) {
        if (m_started)
            m_time->requestCleanUp();
    }
}

void Application::onAnotherInstanceMessage(const QString &message)
{
    QR_LOG("Message received: " + message.toUtf8());
    if (message != QLatin1String(kActivateMessage))
        return;
    showCreepingLineIfNeeded(true, true);
    if (!creepingLine())
        showEditor(-1);
    // Showing the bar alone would seem to do nothing while the window the user looks for is minimised.
    m_windows->restoreMinimised();
}

void Application::exitApp()
{
    exit(0);
}

QMetaObject::Connection Application::connectNewVersionAvailable(QObject *context, std::function<void()> call)
{
    return connect(this, &Application::newVersionAvailable, context, std::move(call));
}

// ---- the events and the time update ---------------------------------------------------------------

IWallClockTimer *Application::timeUpdateTimer()
{
    const auto *app = qobject_cast<Application *>(QCoreApplication::instance());
    return app && app->m_time ? app->m_time->timer() : nullptr;
}

// ---- the bar and the tray -------------------------------------------------------------------------

void Application::showCreepingLineIfNeeded(bool starting, bool showIfNotDisabled)
{
    if (m_bar)
        m_bar->showIfNeeded(starting, showIfNotDisabled);
}

void Application::newTodoGadget()
{
    if (GadgetsController *gadgets = gadgetsController())
        gadgets->newToDoGadget();
}

// ---- windows --------------------------------------------------------------------------------------

void Application::showRequestFeatureDialog()
{
    QR_LOG("Feature Request Dialog");
    m_windows->openReportWindow(tr("Request a feature"));
}

void Application::showReportBugDialog()
{
    QR_LOG("Report Bug Dialog");
    m_windows->openReportWindow(tr("Report a bug"));
}

int Application::showReportDialog(const QString &title, bool withTechnicalInfo)
{
    return m_windows->showReportDialog(title, withTechnicalInfo);
}

void Application::showUninstallFeedback()
{
    if (m_webController)
        m_webController->sendUninstallFeedback();
    setAutorun(false);
    const QString text = tr("Your opinion is very important for us.\nWould you send us your feedback please?");
    if (Common::UserMessages::question(applicationName(), text))
        showReportDialog(tr("Uninstall feedback"), false);
}

// ---- platform services and save reports -----------------------------------------------------------

void Application::setAutorun(bool on)
{
    if (m_duties)
        m_duties->setAutorun(on);
}

void Application::playSound(const QString &path)
{
    if (!m_parts.soundPlayer)
        m_parts.soundPlayer = std::make_unique<LinuxSoundPlayer>();
    m_parts.soundPlayer->play(path);
}

QStringList Application::sounds() const
{
    return m_sounds ? m_sounds->sounds() : QStringList();
}
