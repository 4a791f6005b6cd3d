#include "app/application.h"

#include "app/applicationask.h"
#include "app/barvisibility.h"
#include "app/localization.h"
#include "app/movinglinefactory.h"
#include "app/remindercontroller.h"
#include "app/reportdialog.h"
#include "app/reminderwidget.h"
#include "app/settingsdialog.h"
#include "app/soundlist.h"
#include "app/startarguments.h"
#include "app/timeupdate.h"
#include "app/traymenu.h"
#include "app/uidbackup.h"
#include "app/updatedialog.h"
#include "app/web/networkduties.h"
#include "app/web/webcontroller.h"
#include "core/settingkeys.h"
#include "editor/editor.h"
#include "core/applocale.h"
#include "core/clock.h"
#include "core/crashhandleradapter.h"
#include "core/datafileguard.h"
#include "core/deferredcall.h"
#include "core/inifilecheck.h"
#include "core/langs.h"
#include "core/log.h"
#include "core/properties.h"
#include "core/safefile.h"
#include "core/statcollector.h"
#include "core/storage.h"
#include "core/systeminforeport.h"
#include "core/usermessages.h"
#include "eventtypes/customtypesstorage.h"
#include "eventtypes/eventtypesstorage.h"
#include "gadgets/gadgetresizer.h"
#include "gadgets/gadgetscontroller.h"
#include "platform/appidentity.h"
#include "platform/iwallclocktimer.h"
#include "platform/linuxautostart.h"
#include "platform/linuxdatalocation.h"
#include "platform/linuxsettingsstore.h"
#include "platform/linuxsoundplayer.h"
#include "platform/osdescription.h"
#include "platform/singleinstance.h"
#include "platform/terminationsignals.h"
#include "platform/timezonewatcher.h"
#include "store/backupmanager.h"
#include "store/calendarinfo.h"
#include "store/datafoldercleanup.h"
#include "store/editorcommands.h"
#include "store/eventsmanager.h"
#include "store/systemevents.h"
#include "widgets/aboutdialog.h"
#include "widgets/widgetresources.h"

#include <QStandardPaths>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QMenu>
#include <QStandardPaths>
#include <QTextStream>
#include <QTimer>
#include <QWindow>
#include <QTranslator>

#include <sys/stat.h>

#include <functional>
#include <utility>

namespace ApplicationPrivate {

// Runs a call once the watched widget has painted for the first time (or is gone before it did),
// from the event loop, so the paint reaches the screen first.
class AfterFirstPaint : public QObject
{
public:
    AfterFirstPaint(QWidget *watched, QObject *context, std::function<void()> call)
        : QObject(context), m_call(std::move(call))
    {
        watched->installEventFilter(this);
        connect(watched, &QObject::destroyed, this, &AfterFirstPaint::run);
    }

    bool eventFilter(QObject *watched, QEvent *event) override
    {
        if (event->type() == QEvent::Paint) {
            watched->removeEventFilter(this);
            run();
        }
        return QObject::eventFilter(watched, event);
    }

private:
    void run()
    {
        if (!m_call)
            return;
        QMetaObject::invokeMethod(parent(), std::exchange(m_call, nullptr), Qt::QueuedConnection);
        deleteLater();
    }

    std::function<void()> m_call;
};

// The time-update timer: one for the process, without parent, kept from the first scheduling on.
std::unique_ptr<IWallClockTimer> s_updateTimer;

// What tells a replaced file from the one before: a save writes a new file and renames it over the old.
Application::FileSignature fileSignature(const QString &path)
{
    struct stat info;
    if (::stat(QFile::encodeName(path).constData(), &info) != 0)
        return {};
    return {qint64(info.st_ino), qint64(info.st_size), qint64(info.st_mtim.tv_sec) * 1000000000 + info.st_mtim.tv_nsec};
}

// The chosen locale's two-letter language code ("ru" for Russian).
QString languageCode(const QLocale &locale)
{
    return locale.name().left(2);
}

} // namespace ApplicationPrivate

using namespace ApplicationPrivate;

Application::Application(int &argc, char **argv, Parts parts)
    : QApplication(argc, argv), UndoObject(), m_parts(std::move(parts))
{
    setInstance(this);
    setQuitOnLastWindowClosed(false);
    AppIdentity::apply();
    setApplicationVersion(QStringLiteral(QR_VERSION));

    // A second start only hands over "activate": it must not touch the instance's files, not even its log.
    m_singleInstance = new SingleInstance(QString::fromLatin1(kAppId), this, m_parts.runtimeFolder);
    m_anotherInstance = m_singleInstance->isRunning();
    if (m_anotherInstance)
        return;
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
                           .arg(applicationName(),
                                QStandardPaths::writableLocation(QStandardPaths::AppDataLocation));
        return;
    }
    CrashHandlerAdapter().resetLogFile();
    // Only the instance may tidy: a save or restore of its own could be under way otherwise. Before any
    // store reads its file, so that a restore cut short is finished first; after the log is new, so that
    // what it did stays in the log.
    DataFolderCleanup::tidyAtStart(m_dataLocation);

    m_sounds = std::make_unique<SoundList>();
    QR_LOG("Sounds: " + QByteArray::number(m_sounds->sounds().size()) + " wave files" +
           (m_sounds->sounds().isEmpty() ? QByteArray() : " in " + QFileInfo(m_sounds->sounds().first()).path().toUtf8()));
    const QIcon logo = m_parts.movingLine->logoIcon();
    m_systemTrayIcon = std::make_unique<QSystemTrayIcon>(logo);
    setWindowIcon(logo);

    // Checked before the store reads them: it would wait for good on a FIFO in their place.
    for (const QString &file : LinuxSettingsStore::userFiles())
        Common::guardIniFile(file);
    m_settings = LinuxSettingsStore(Common::guardedIniFormat()).open();
    QR_ASSERT(LinuxSettingsStore::userFiles().contains(m_settings->fileName()));
    m_uid = UidBackup::readOrCreate(organizationName());
    // No taskbar band to dock into on Linux: barHandle() stays 0.
    m_webController = std::make_unique<WebController>(WebController::configuredHost());
    m_gadgetsController = std::make_unique<GadgetsController>();
    connect(m_gadgetsController.get(), &GadgetsController::saveFailed, this, &Application::onSaveFailed);
    connect(m_gadgetsController.get(), &GadgetsController::saved, this, &Application::onSaved);

    initStatistics();

    m_properties = std::make_unique<Properties>(nullptr, QDir(m_dataLocation).filePath(QStringLiteral("prop.dat")));
    connect(m_properties.get(), &Properties::propertyChanged, this, &Application::propertyChanged);

    m_storage = std::make_unique<Storage>(QDir(m_dataLocation).filePath(QStringLiteral("pixmaps.dat")));
    m_customTypesStorage =
        std::make_unique<CustomTypesStorage>(QDir(m_dataLocation).filePath(QStringLiteral("customtypes.dat")));
    m_eventTypesStorage = std::make_unique<EventTypesStorage>(
        m_customTypesStorage.get(), QDir(m_dataLocation).filePath(QStringLiteral("typesorder.dat")));
    // These keep their whole state in memory and write it at every change.
    connect(m_customTypesStorage.get(), &CustomTypesStorage::saveFailed, this, &Application::onSaveFailed);
    connect(m_customTypesStorage.get(), &CustomTypesStorage::saved, this, &Application::onSaved);
    connect(m_eventTypesStorage.get(), &EventTypesStorage::saveFailed, this, &Application::onSaveFailed);
    connect(m_eventTypesStorage.get(), &EventTypesStorage::saved, this, &Application::onSaved);
    // A picture that could not be stored is not kept for a later try: its caller already gave up on it.
    connect(m_storage.get(), &Storage::saveFailed, this, [this](const QString &file, const QString &reason) {
        reportSaveFailure(file, reason, tr("The picture was not stored. Add it again once the file can be written."));
    });
    connect(m_storage.get(), &Storage::saved, this, &Application::onSaved);

    setupLocalization();
    Common::DeferredCallProcessor::init();

    const QString styleSheet = applicationStyleSheet();
    if (styleSheet.isEmpty())
        QR_LOG("The application style sheet is missing from the resources");
    setStyleSheet(styleSheet);

    m_uidBackup = std::make_unique<UidBackup>(m_uid, organizationName());
    m_backupManager = std::make_unique<BackupManager>(QStringLiteral("qbf"));
    // Order of the archive: gadgets, properties, user id, custom types, event types, pictures; events last.
    m_backupManager->addBackupObjects(m_gadgetsController->backupObjects());
    m_backupManager->addBackupObject(m_properties.get());
    m_backupManager->addBackupObject(m_uidBackup.get());
    m_backupManager->addBackupObject(m_customTypesStorage.get());
    m_backupManager->addBackupObject(m_eventTypesStorage.get());
    m_backupManager->addBackupObjects(m_storage->backupObjects());
    m_backupManager->finishInterruptedRestore();

    m_parts.movingLine->startRun();

    m_systemTrayIcon->setToolTip(applicationName());
    connect(m_systemTrayIcon.get(), &QSystemTrayIcon::activated, this, &Application::onTrayEvent);
    m_constructed = true;
}

Application::~Application()
{
    if (m_constructed) {
        StatCollector::removeFile();
        m_parts.movingLine->finishRun();
        Common::DeferredCallProcessor::term();
        StatCollector::addInt("successful_ends", true, 1);
        CrashHandlerAdapter().removeLogFile();
    }
    s_updateTimer.reset();
    if (m_gadgetsController) {
        // Gadgets store their places in the properties on the way out; the loop that would delete them
        // has ended.
        m_gadgetsController->closeAllGadgets();
        sendPostedEvents(nullptr, QEvent::DeferredDelete);
        GadgetResizer::destroyInstance();
    }
    m_reportDialog.reset();
    m_updateDialog.reset();
    m_networkDuties.reset();
    m_webController.reset();
    m_editor.reset(); // before the events manager it shows
    m_settingsDialog.reset();
    m_aboutDialog.reset();
    delete m_creepingLine.data();
    m_systemTrayIcon.reset();
    m_trayMenu.reset();
    m_calendarsProvider.reset();
    m_systemEvents.reset();
    // Open reminder windows hold events; they and the controller go before the events manager.
    m_timeZoneWatcher.reset();
    m_reminderController.reset();
    qDeleteAll(ReminderWidget::widgets());
    m_eventsManager.reset();
    m_backupManager.reset();
    m_gadgetsController.reset();
    m_uidBackup.reset();
    m_properties.reset();
    m_eventTypesStorage.reset();
    m_customTypesStorage.reset();
    m_storage.reset();
    m_settings.reset();
}

bool Application::sendMessage(const QString &message, int timeoutMs)
{
    return m_singleInstance->sendMessage(message, timeoutMs);
}

QString Application::handOverFailedText() const
{
    const QString lockError = m_singleInstance->errorString();
    if (!lockError.isEmpty())
        return tr("%1 cannot make sure that it runs only once: %2.\n\nIt does not start, so that two copies "
                  "cannot overwrite each other's changes. Free some disk space or check the folder, then start it "
                  "again.")
            .arg(applicationName(), lockError);
    return tr("%1 is already running but does not answer.\n\nIt does not start a second time, so that two "
              "copies cannot overwrite each other's changes. Wait a moment or end the running copy, then start "
              "it again.")
        .arg(applicationName());
}

// ---- settings -------------------------------------------------------------------------------------

IEventTypesStorage *Application::eventTypesStorage()
{
    return m_eventTypesStorage.get();
}

QSettings *Application::settings()
{
    QR_ASSERT(0 != m_settings.get());
    return m_settings.get();
}

QVariant Application::settingsValue(const QByteArray &key, const QVariant &defaultValue) const
{
    if (!m_settings)
        return defaultValue;
    return m_settings->value(QString::fromLatin1(key), defaultValue);
}

void Application::setSettingsValue(const QByteArray &key, const QVariant &value)
{
    if (!m_settings)
        return;
    const FileSignature before = fileSignature(m_settings->fileName());
    m_settings->setValue(QString::fromLatin1(key), value);
    syncSettings(before);
}

void Application::syncSettings(const FileSignature &before)
{
    m_settings->sync();
    // The store's error status never clears again, and a failed write leaves the file as it was: a write
    // that went through always replaces the file.
    const QString file = m_settings->fileName();
    if (fileSignature(file) != before)
        onSaved(file);
    else
        reportSaveFailure(file, tr("The settings file cannot be written."),
                          tr("The settings are kept while %1 runs and saved with your next change once the file "
                             "can be written. If you exit now they are lost.")
                              .arg(applicationName()));
}

void Application::removeSettings(const QByteArray &key, bool withDottedChildren)
{
    if (!m_settings)
        return;
    const QString name = QString::fromLatin1(key);
    const FileSignature before = fileSignature(m_settings->fileName());
    const QStringList keys = m_settings->allKeys();
    m_settings->remove(name);
    if (withDottedChildren) {
        const QString prefix = name + QLatin1Char('.');
        for (const QString &k : keys) {
            if (k.startsWith(prefix))
                m_settings->remove(k);
        }
    }
    // Removing what is not there writes nothing, which must not read as a failure.
    if (m_settings->allKeys().size() != keys.size())
        syncSettings(before);
}

IBackupManager *Application::backupManager()
{
    return m_backupManager.get();
}

QString Application::systemInfoText()
{
    if (m_systemInfoText.isEmpty()) {
        QTextStream out(&m_systemInfoText);
        Common::writeSystemInfoReport(out, applicationPid());
        out.flush();
    }
    return m_systemInfoText;
}

QString Application::applicationFilePath() const
{
    // The first argument may be a bare name found on PATH; the running file is what autostart needs.
    return QCoreApplication::applicationFilePath();
}

QString Application::timeFormat() const
{
    static const QString format =
        QLocale::system().timeFormat(QLocale::LongFormat).contains(QLatin1String("AP")) ? QStringLiteral("h:mm AP")
                                                                                        : QStringLiteral("h:mm");
    return format;
}

bool Application::layoutDirection() const
{
    if (!m_properties)
        return false;
    const QVariant locale = m_properties->value(Setting::Locale);
    if (!locale.isValid() || locale.isNull())
        return false;
    return locale.toLocale().textDirection() == Qt::RightToLeft;
}

QString Application::eventsFilePath() const
{
    return QDir(m_dataLocation).filePath(QStringLiteral("events.dat"));
}

// ---- start ----------------------------------------------------------------------------------------

void Application::start()
{
    registerProperties();
    setupEventsManager();
    m_calendarsProvider = std::make_unique<CalendarsProvider>(m_eventsManager.get());

    const bool silent = StartArguments::isSilentStart(arguments());
    showCreepingLineIfNeeded(true, !silent);
    if (!m_creepingLine && silent && m_properties->value(Setting::ExitWhenMovingLineIsHidden).toBool()) {
        QMetaObject::invokeMethod(this, &Application::exitApp, Qt::QueuedConnection);
        return;
    }

    createTrayMenu();
    // Shown even without a tray: Qt puts the icon into a tray that starts later, as trays at log-on do.
    m_systemTrayIcon->show();
    if (!QSystemTrayIcon::isSystemTrayAvailable())
        QR_LOG("No system tray is present yet: the tray icon shows once one starts; until then, starting the "
               "program again shows the bar, or opens the events editor while the bar is off");
    m_gadgetsController->loadGadgets();
    scheduleTimeUpdate();
    if (StatCollector::isFirstStart()) {
        // The bar's first picture comes first: building the gadget delayed it by a twentieth of the start.
        const auto welcome = [this] {
            if (m_gadgetsController)
                m_gadgetsController->createWelcomeGadget();
        };
        if (m_creepingLine && m_creepingLine->isVisible())
            new ApplicationPrivate::AfterFirstPaint(m_creepingLine, this, welcome);
        else
            QMetaObject::invokeMethod(this, welcome, Qt::QueuedConnection);
    }
    collectStatistics();
    startNetworkDuties();
    writeSystemInfo();
    writeAutorunOnFirstStart();
    // Last, so that a reminder due at start opens over everything else.
    m_reminderController = std::make_unique<ReminderController>();
    m_timeZoneWatcher = std::make_unique<TimeZoneWatcher>();
    connect(m_timeZoneWatcher.get(), &TimeZoneWatcher::zoneChanged, this, &Application::onTimeZoneChanged);
    m_started = true;
}

void Application::initStatistics()
{
    StatCollector::init(m_settings.get(), QDir(m_dataLocation).filePath(QStringLiteral("stat.dat")));
    if (StatCollector::isFirstStart()) {
        const QLocale system = QLocale::system();
        StatCollector::setString("system_country", true, QLocale::territoryToString(system.territory()));
        StatCollector::setString("system_language", true, QLocale::languageToString(system.language()));
    }
    StatCollector::addInt("number_of_starts", true, 1);
    StatCollector::setString("app_name", false, applicationName());
    StatCollector::setString("app_ver", false, applicationVersion());
    StatCollector::setString("os_name", true, Common::osDescription());
}

void Application::collectStatistics()
{
    StatCollector::setInt("events_count", false, m_eventsManager->count());
    StatCollector::setInt("calendars_count", false, m_eventsManager->calendarsCount());
}

void Application::registerProperties()
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
    m_parts.movingLine->registerProperties();
    // The autostart entry follows this setting also while the bar is missing.
    if (!p->value(Setting::AppAutorun).isValid())
        p->addProperty(Setting::AppAutorun, Setting::AppAutorunDefault);
    m_propertiesRegistered = true;
}

void Application::writeAutorunOnFirstStart()
{
    // The entry is written once, on the first start; after that only a change of the setting touches it.
    if (settingsValue(Setting::AutostartEntryWritten, Setting::AutostartEntryWrittenDefault).toBool())
        return;
    setSettingsValue(Setting::AutostartEntryWritten, true);
    if (m_properties->value(Setting::AppAutorun).toBool())
        setAutorun(true);
}

void Application::setupEventsManager()
{
    m_eventsManager = std::make_unique<EventsManager>(eventsFilePath());
    m_eventsManager->setSavesInBackground(true);
    if (m_eventsManager->hasError())
        Common::UserMessages::information(tr("Data Error"), m_eventsManager->errorString());
    connect(m_eventsManager.get(), &EventsManager::saveFailed, this, &Application::onSaveFailed);
    connect(m_eventsManager.get(), &EventsManager::saved, this, &Application::onSaved);
    m_systemEvents = std::make_unique<SystemEvents>();
    m_properties->addProperty(Setting::RemoveExpiredEvents, Setting::RemoveExpiredEventsDefault);
    m_properties->addProperty(Setting::RemoveExpiredEventsDays, Setting::RemoveExpiredEventsDaysDefault);
    cleanUpExpiredEvents();

    const QMap<QByteArray, int> counts = m_eventsManager->eventsCountByType();
    for (auto it = counts.cbegin(); it != counts.cend(); ++it)
        StatCollector::setInt(it.key() + "_count", false, it.value());

    m_backupManager->addBackupObject(m_eventsManager.get());

    EventsManager *manager = m_eventsManager.get();
    connect(manager, &EventsManager::eventAdded, this, &Application::scheduleTimeUpdate);
    connect(manager, &EventsManager::eventRemoved, this, &Application::scheduleTimeUpdate);
    connect(manager, &EventsManager::eventChanged, this, &Application::scheduleTimeUpdate);
    connect(manager, &EventsManager::layoutChanged, this, &Application::scheduleTimeUpdate);
    connect(manager, &EventsManager::removeRequired, this, &Application::onEventRemoveRequired);
    const auto reconsiderBar = [this] { showCreepingLineIfNeeded(false, false); };
    connect(manager, &EventsManager::eventAdded, this, reconsiderBar);
    connect(manager, &EventsManager::eventChanged, this, reconsiderBar);
    connect(manager, &EventsManager::layoutChanged, this, reconsiderBar);
}

void Application::cleanUpExpiredEvents()
{
    if (!m_eventsManager || !m_properties->value(Setting::RemoveExpiredEvents).toBool())
        return;
    m_eventsManager->removeExpiredEvents(m_properties->value(Setting::RemoveExpiredEventsDays).toInt());
}

void Application::onEventRemoveRequired(int index)
{
    QR_ASSERT(index != -1);
    if (!m_eventsManager || index < 0 || index >= m_eventsManager->count())
        return;
    const AbstractCommonEventPtr event = m_eventsManager->eventByIndex(index);
    if (!QR_CHECK(event))
        return;
    COMMAND(new RemoveEventCommand(m_eventsManager.get(), event));
}

// ---- time update ----------------------------------------------------------------------------------

QDateTime Application::nextTimeChange() const
{
    if (!m_eventsManager)
        return QDateTime();
    return TimeUpdate::nextTimeChange(m_eventsManager->events(), Common::Clock::now());
}

IWallClockTimer *Application::timeUpdateTimer()
{
    return s_updateTimer.get();
}

void Application::scheduleTimeUpdate()
{
    if (!s_updateTimer) {
        // On the wall clock: what is current follows the time of day, also after a sleep or a set clock.
        s_updateTimer = IWallClockTimer::create();
        connect(s_updateTimer.get(), &IWallClockTimer::timeout, this, &Application::invalidateTimeFilters);
        QR_ASSERT(
            connect(s_updateTimer.get(), &IWallClockTimer::clockChanged, this, &Application::invalidateTimeFilters));
    }
    s_updateTimer->stop();
    const QDateTime now = Common::Clock::now();
    m_scheduledUpdate = TimeUpdate::updateMoment(nextTimeChange(), now);
    qDebug("Next time update scheduled for %s", qUtf8Printable(m_scheduledUpdate.toString(Qt::ISODate)));
    s_updateTimer->start(m_scheduledUpdate);
}

void Application::invalidateTimeFilters()
{
    if (m_creepingLine)
        m_parts.movingLine->invalidateTimeFilters(m_creepingLine);
    if (m_editor)
        m_editor->invalidateFilters();
    scheduleTimeUpdate();
    hideCreepingLineIfNeeded();
    showCreepingLineIfNeeded(false, false);
}

void Application::onTimeZoneChanged()
{
    QR_LOG("The time zone changed to " + qgetenv("TZ"));
    invalidateTimeFilters();
    if (m_reminderController)
        m_reminderController->recompute();
}

// ---- the bar --------------------------------------------------------------------------------------

bool Application::hasComingEvents()
{
    if (m_creepingLine)
        return m_parts.movingLine->hasRows(m_creepingLine);
    return m_parts.movingLine->hasEventsToShow();
}

void Application::showCreepingLineIfNeeded(bool starting, bool showIfNotDisabled)
{
    if (m_creepingLine || !m_properties)
        return;
    const int option = m_properties->value(Setting::CreepingLineVisibilityOption).toInt();
    if (BarVisibility::shouldCreate(option, starting, showIfNotDisabled, [this] { return hasComingEvents(); }))
        createMovingLine();
}

void Application::hideCreepingLineIfNeeded()
{
    if (!m_creepingLine)
        return;
    const int option = m_properties->value(Setting::CreepingLineVisibilityOption).toInt();
    if (BarVisibility::shouldRemove(option, [this] { return hasComingEvents(); }))
        m_creepingLine->deleteLater();
}

void Application::createMovingLine()
{
    QWidget *bar = m_parts.movingLine->create();
    if (!bar)
        return;
    m_creepingLine = bar;
    bar->show();
    if (m_properties->value(Setting::ExitWhenMovingLineIsHidden).toBool())
        connect(bar, &QObject::destroyed, this, &Application::exitApp);
}

void Application::propertyChanged(const QByteArray &id, const QVariant &value)
{
    if (id == Setting::CreepingLineVisibilityOption) {
        if (value.toInt() == BarVisibility::Never) {
            if (m_creepingLine)
                m_creepingLine->deleteLater();
        } else if (m_started) {
            hideCreepingLineIfNeeded();
            // Choosing "always" is asking to see the bar now, not only at the next start.
            showCreepingLineIfNeeded(value.toInt() == BarVisibility::Always, false);
        }
    } else if (id == Setting::ExitWhenMovingLineIsHidden) {
        if (m_creepingLine) {
            disconnect(m_creepingLine, &QObject::destroyed, this, &Application::exitApp);
            if (value.toBool())
                connect(m_creepingLine, &QObject::destroyed, this, &Application::exitApp);
        }
    } else if (id == Setting::AppAutorun) {
        // Registration at start reports the stored value; only a change made by the user counts.
        if (m_propertiesRegistered)
            setAutorun(value.toBool());
    } else if (id == Setting::RemoveExpiredEvents || id == Setting::RemoveExpiredEventsDays) {
        // Both values arrive one after the other: clean up once, with the pair as it ends up.
        if (m_started && !m_cleanUpPending) {
            m_cleanUpPending = true;
            QTimer::singleShot(0, this, [this] {
                m_cleanUpPending = false;
                cleanUpExpiredEvents();
            });
        }
    }
}

void Application::onAnotherInstanceMessage(const QString &message)
{
    QR_LOG("Message received: " + message.toUtf8());
    if (message != QLatin1String(kActivateMessage))
        return;
    showCreepingLineIfNeeded(true, true);
    if (!m_creepingLine)
        showEditor(-1);
}

// ---- tray -----------------------------------------------------------------------------------------

QAction *Application::addActionToMenu(QMenu *menu, const QString &text, void (*command)(Application &),
                                      const QString &icon)
{
    auto *action = new QAction(menu);
    action->setText(text);
    connect(
        action, &QAction::triggered, this, [this, command] { command(*this); }, Qt::QueuedConnection);
    if (!icon.isEmpty())
        action->setIcon(sharpIcon(icon));
    menu->addAction(action);
    return action;
}

void Application::createTrayMenu()
{
    m_trayMenu = std::make_unique<QMenu>();
    for (const TrayMenu::Entry &entry : TrayMenu::entries()) {
        switch (entry.role) {
        case TrayMenu::Separator:
            m_trayMenu->addSeparator();
            break;
        case TrayMenu::BarAction:
            m_barAction = addActionToMenu(m_trayMenu.get(), QString(), entry.command, entry.icon);
            break;
        case TrayMenu::UpdateAction:
            m_updateAction =
                addActionToMenu(m_trayMenu.get(), TrayMenu::updateText(applicationName()), entry.command, entry.icon);
            m_trayMenu->setDefaultAction(m_updateAction);
            m_updateAction->setVisible(false);
            break;
        case TrayMenu::Plain:
            addActionToMenu(m_trayMenu.get(), tr(entry.text), entry.command, entry.icon);
            break;
        }
    }
    m_systemTrayIcon->setContextMenu(m_trayMenu.get());
    // Some trays open the menu without telling the icon; keep the bar entry's text right either way.
    connect(m_trayMenu.get(), &QMenu::aboutToShow, this, &Application::updateCreepingLineAction);
}

void Application::updateCreepingLineAction()
{
    if (m_barAction)
        m_barAction->setText(TrayMenu::barText(m_creepingLine));
}

void Application::onTrayEvent(QSystemTrayIcon::ActivationReason reason)
{
    switch (reason) {
    case QSystemTrayIcon::Context:
        updateCreepingLineAction();
        break;
    case QSystemTrayIcon::DoubleClick:
        showEditor(-1);
        break;
    case QSystemTrayIcon::Trigger:
        if (!m_creepingLine && m_barAction)
            m_barAction->trigger();
        break;
    default:
        break;
    }
}

void Application::showHideCreepingLine()
{
    if (m_creepingLine)
        m_parts.movingLine->close(m_creepingLine);
    else
        createMovingLine();
}

void Application::newTodoGadget()
{
    if (m_gadgetsController)
        m_gadgetsController->newToDoGadget();
}

void Application::exitApp()
{
    exit(0);
}

// ---- windows --------------------------------------------------------------------------------------

void Application::showAgain(QWidget *window)
{
    // Shown again from the tray or a second start: back from minimised, still maximised if it was.
    // The widget keeps only the minimised state then; its window keeps the maximised one beside it.
    Qt::WindowStates state = window->windowState();
    if (const QWindow *handle = window->windowHandle())
        state |= handle->windowStates();
    if (state & Qt::WindowMinimized)
        window->setWindowState(state & ~Qt::WindowMinimized);
    window->show();
    window->raise();
    window->activateWindow();
}

void Application::showEditor(int event)
{
    QR_LOG("Show Editor");
    if (!m_eventsManager)
        return;
    if (!m_editor)
        m_editor = std::make_unique<Editor>(m_eventsManager.get());
    showAgain(m_editor.get());
    if (event != -1)
        m_editor->setCurrentEvent(event);
}

void Application::showSettings()
{
    QR_LOG("Open Settings");
    if (!m_settingsDialog)
        m_settingsDialog = std::make_unique<SettingsDialog>();
    showAgain(m_settingsDialog.get());
}

int Application::showAboutDialog()
{
    QR_LOG("Show About Dialog");
    // The tray menu stays usable while the box runs: a second request raises it instead of nesting.
    if (m_aboutDialog && m_aboutDialog->isVisible()) {
        showAgain(m_aboutDialog.get());
        return QDialog::Rejected;
    }
    if (!m_aboutDialog)
        m_aboutDialog = std::make_unique<AboutDialog>();
    return m_parts.ask->runModal(m_aboutDialog.get());
}

void Application::showUpdateDialog()
{
    if (!m_updateDialog)
        m_updateDialog = std::make_unique<UpdateDialog>();
    showAgain(m_updateDialog.get());
}

void Application::showRequestFeatureDialog()
{
    QR_LOG("Feature Request Dialog");
    openReportWindow(tr("Request a feature"));
}

void Application::showReportBugDialog()
{
    QR_LOG("Report Bug Dialog");
    openReportWindow(tr("Report a bug"));
}

void Application::openReportWindow(const QString &title)
{
    // Not modal: the tray menu and the other windows stay usable while the user writes.
    if (!m_reportDialog)
        m_reportDialog = std::make_unique<ReportDialog>(m_webController.get());
    m_reportDialog->setModal(false);
    m_reportDialog->setWindowTitle(title);
    m_reportDialog->setSendSystemInfo(true);
    showAgain(m_reportDialog.get());
}

QString Application::uid() const
{
    // A restore may bring back another id; the backup object holds the one in use.
    return m_uidBackup ? m_uidBackup->uid() : m_uid;
}

int Application::showReportDialog(const QString &title, bool withTechnicalInfo)
{
    if (!m_reportDialog)
        m_reportDialog = std::make_unique<ReportDialog>(m_webController.get());
    m_reportDialog->setWindowTitle(title);
    m_reportDialog->setSendSystemInfo(withTechnicalInfo);
    return m_parts.ask->runModal(m_reportDialog.get());
}

bool Application::raiseSettingsDialog()
{
    if (!m_settingsDialog || !m_settingsDialog->isVisible())
        return false;
    showAgain(m_settingsDialog.get());
    return true;
}

bool Application::raiseEditor()
{
    if (!m_editor || !m_editor->isVisible())
        return false;
    showAgain(m_editor.get());
    return true;
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

// ---- network --------------------------------------------------------------------------------------

void Application::startNetworkDuties()
{
    m_networkDuties = std::make_unique<NetworkDuties>(m_webController.get());
    // The bar listens to the application's signal; the tray shows its update entry.
    connect(m_networkDuties.get(), &NetworkDuties::newVersionAvailable, this, [this] {
        if (m_updateAction)
            m_updateAction->setVisible(true);
        emit newVersionAvailable();
    });
    m_networkDuties->onNetworkStateChanged(m_webController->isConnected());
}

// ---- platform services ----------------------------------------------------------------------------

IAutostart *Application::autostart()
{
    if (!m_parts.autostart)
        m_parts.autostart = std::make_unique<LinuxAutostart>();
    return m_parts.autostart.get();
}

void Application::setAutorun(bool on)
{
    IAutostart *entry = autostart();
    if (entry->isOn() == on)
        return;
    if (!entry->setOn(on))
        QR_LOG(QByteArray("Cannot ") + (on ? "write" : "remove") + " the autostart entry");
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

void Application::writeSystemInfo()
{
    const QString path = QFileInfo(QDir(m_dataLocation), QStringLiteral("sysinfo.dat")).absoluteFilePath();
    // The report is ours alone: a link at its place is replaced, never written through.
    if (QFileInfo(path).isSymLink())
        QFile::remove(path);
    Common::writeFileAtomically(path, systemInfoText().toUtf8());
    CrashHandlerAdapter().addFileToReport(path.toUtf8(), QByteArrayLiteral("sysinfo.txt"));
}

// ---- save failures --------------------------------------------------------------------------------

void Application::onSaveFailed(const QString &fileName, const QString &reason)
{
    reportSaveFailure(fileName, reason,
                      tr("They are kept while %1 runs and saved with your next change once the file can be "
                         "written. If you exit now they are lost.")
                          .arg(applicationName()));
}

void Application::reportSaveFailure(const QString &fileName, const QString &reason, const QString &whatHappens)
{
    QR_LOG("Cannot save " + fileName.toUtf8() + ": " + reason.toUtf8());
    if (m_failingFiles.contains(fileName))
        return;
    m_failingFiles.insert(fileName);
    Common::UserMessages::warning(tr("Data Error"), tr("Your changes could not be saved to \"%1\":\n%2\n\n%3")
                                                        .arg(QDir::toNativeSeparators(fileName), reason, whatHappens));
}

void Application::onSaved(const QString &fileName)
{
    if (!m_failingFiles.remove(fileName))
        return;
    QR_LOG("Saved again: " + fileName.toUtf8());
    Common::UserMessages::information(
        tr("Data Saved"), tr("Your changes are saved to \"%1\" again.").arg(QDir::toNativeSeparators(fileName)));
}

// ---- languages ------------------------------------------------------------------------------------

void Application::setupLocalization()
{
    m_langs = std::make_unique<Langs>();
    m_language.clear();
    const QStringList folders = Langs::installedFolders(false);
    for (const QString &code : Localization::languageCodes(folders)) {
        const QLocale locale(code);
        if (locale.language() == QLocale::C)
            continue;
        m_langs->addLanguage(QLocale::languageToString(locale.language()), locale.language());
    }
    m_properties->addProperty(Setting::Locale, QVariant());
    if (StatCollector::isFirstStart())
        suggestLanguage();

    QVariant stored = m_properties->value(Setting::Locale);
    if (!stored.isValid() || stored.isNull()) {
        if (!m_langs->hasLanguage(QLocale::English))
            return;
        m_properties->setValue(Setting::Locale, QLocale(QLocale::English));
        stored = m_properties->value(Setting::Locale);
    }
    const QLocale locale = stored.toLocale();
    if (!m_langs->hasLanguage(locale.language())) {
        m_properties->setValue(Setting::Locale, QVariant());
        return;
    }
    m_language = languageCode(locale);
    Common::setAppLocale(locale);

    const QString appFile = Langs::appTranslationFile(locale.language());
    m_translator = std::make_unique<QTranslator>();
    if (appFile.isEmpty() || !m_translator->load(appFile)) {
        QR_LOG("Can't load translation file");
        QR_LOG(appFile.toUtf8());
        QR_LOG("Available files:");
        for (const QString &folder : folders) {
            for (const QString &name : Localization::ownTranslationFiles(folder))
                QR_LOG(name.toUtf8());
        }
        m_translator.reset();
        return;
    }
    m_qtTranslator = std::make_unique<QTranslator>();
    const QString qtFile = Langs::qtTranslationFile(locale.language());
    if (qtFile.isEmpty() || !m_qtTranslator->load(qtFile))
        m_qtTranslator.reset();
    installTranslator(m_translator.get());
    if (m_qtTranslator)
        installTranslator(m_qtTranslator.get());
}

void Application::suggestLanguage()
{
    const QVariant stored = m_properties->value(Setting::Locale);
    if (stored.isValid() && !stored.isNull())
        return;
    const QLocale::Language system = QLocale::system().language();
    if (system == QLocale::English || !m_langs->hasLanguage(system))
        return;
    QTranslator translator;
    QR_ASSERT(translator.load(Langs::appTranslationFile(system)));
    const QString name = m_langs->languageName(system).toUpper();
    QString question = translator.translate("QApplication", "Would you like to switch %1 to %2 language?");
    if (question.isEmpty())
        question = QStringLiteral("Would you like to switch %1 to %2 language?");
    const QString text = QStringLiteral("%1 detected that your system language is %2.\n").arg(applicationName(), name) +
                         question.arg(applicationName(), name);
    if (Common::UserMessages::question(applicationName(), text))
        m_properties->setValue(Setting::Locale, QLocale(system));
}
