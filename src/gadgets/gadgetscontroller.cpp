#include "gadgets/gadgetscontroller.h"

#include "core/iapplication.h"
#include "core/jsonsettingsfile.h"
#include "core/log.h"
#include "core/properties.h"
#include "core/safefile.h"
#include "core/settingkeys.h"
#include "core/statcollector.h"
#include "gadgets/gadgetthememanager.h"
#include "gadgets/phantom.h"
#include "gadgets/todogadget.h"
#include "widgets/windowplacement.h"

#include <QAction>
#include <QCoreApplication>
#include <QDir>
#include <QFileInfo>
#include <QGuiApplication>
#include <QScreen>
#include <QTimer>
#include <QUuid>

const QString GadgetsController::s_listFilter = QStringLiteral("todo.*.dat");

namespace GadgetsControllerPrivate {

const QByteArray s_themeProperty(Setting::GadgetTheme);
const QByteArray s_applyThemeToAll(Setting::ApplyThemeToAll);

QString dataLocation()
{
    IApplication *app = IApplication::instance();
    return app ? app->dataLocation() : QString();
}

} // namespace GadgetsControllerPrivate

using namespace GadgetsControllerPrivate;

GadgetsController::GadgetsController()
    : QObject(nullptr), FolderBackupObject("AppDataGadgets", dataLocation(), {s_listFilter}),
      m_themeManager(std::make_unique<GadgetThemeManager>())
{
    m_themeManager->loadTheme(QStringLiteral("darkblue.theme"));
    m_themeManager->loadTheme(QStringLiteral("greengrass.theme"));
    m_properties =
        std::make_unique<Properties>(nullptr, QDir(dataLocation()).absoluteFilePath(QStringLiteral("gdtctrl.dat")),
                                     QByteArrayLiteral("DefaultToDoProperties"));
    Gadget::registerThemeProperty(m_properties.get(), m_themeManager.get());
    m_properties->addProperty(s_applyThemeToAll, Setting::ApplyThemeToAllDefault);
    setTitle(tr("to-do lists"));
    // The gadget of another "todo.*.dat" would keep its properties in another data file: such a file is left
    // out of backups, and an archive that holds one is refused.
    setNameRule([](const QString &name) {
        return isListFileName(name) ? QString()
                                    : tr("The archive's to-do lists hold \"%1\", which is not the name of a to-do "
                                         "list of this program.")
                                          .arg(name);
    });

    // A monitor switched off takes its part of the desktop with it; a screen being removed is still
    // listed while its signal runs, so look once it is gone.
    const auto later = [this] { QTimer::singleShot(0, this, &GadgetsController::keepGadgetsOnScreens); };
    const auto watch = [this, later](QScreen *screen) {
        connect(screen, &QScreen::geometryChanged, this, later);
        connect(screen, &QScreen::availableGeometryChanged, this, later);
    };
    for (QScreen *screen : QGuiApplication::screens())
        watch(screen);
    connect(qGuiApp, &QGuiApplication::screenAdded, this, [watch, later](QScreen *screen) {
        watch(screen);
        later();
    });
    connect(qGuiApp, &QGuiApplication::screenRemoved, this, later);
}

void GadgetsController::keepGadgetsOnScreens()
{
    const QList<QScreen *> screens = QGuiApplication::screens();
    if (screens.isEmpty())
        return;
    QList<QRect> areas;
    for (const QScreen *screen : screens)
        areas << screen->availableGeometry();
    const int primary = qMax(0, int(screens.indexOf(QGuiApplication::primaryScreen())));
    for (const QPointer<ToDoGadget> &gadget : std::as_const(m_gadgets)) {
        if (!gadget)
            continue;
        const QRect now = gadget->geometry();
        const QRect area = areas.at(WindowPlacement::bestArea(now, areas, primary));
        const QRect fitted = WindowPlacement::fitIntoArea(now, area);
        if (fitted != now)
            gadget->setGeometryAndStore(fitted);
    }
}

GadgetsController::~GadgetsController()
{
    m_applyToAllAction.reset();
    m_properties.reset();
    m_themeManager.reset();
    m_gadgets.clear();
}

QString GadgetsController::uidFromFileName(const QString &fileName)
{
    return QFileInfo(fileName).completeBaseName().mid(5);
}

bool GadgetsController::isListFileName(const QString &fileName)
{
    // "todo." and ".dat" exactly as the program writes them: the folder's filter takes any case.
    return fileName.startsWith(QLatin1String("todo.")) && fileName.endsWith(QLatin1String(".dat")) &&
           Gadget::isGeneratedUid(uidFromFileName(fileName));
}

void GadgetsController::loadGadgets()
{
    const QString folder = dataLocation();
    if (!folder.isEmpty()) {
        const QStringList files = QDir(folder).entryList({s_listFilter});
        for (const QString &file : files) {
            // Not one the program made: its gadget would keep its properties in "<uid>.dat", which may be
            // another data file ("todo.events.dat" in events.dat). A new uid would make a new gadget and file
            // on every start.
            if (!isListFileName(file)) {
                QR_LOG("Gadgets: " + file.toUtf8() + " is not a to-do list of this program; it is left alone");
                continue;
            }
            // Written through, a link or a second name of another data file would get the list in its place.
            if (Common::isLinkOrSharedFile(QDir(folder).filePath(file))) {
                QR_LOG("Gadgets: " + file.toUtf8() +
                       " is a link or another name of a file, not a to-do list of its own; it is left alone");
                continue;
            }
            newToDoGadget(uidFromFileName(file), false, QRect(), QString());
        }
    }
    StatCollector::setInt("todo_count", false, int(m_gadgets.size()));
}

ToDoGadget *GadgetsController::newToDoGadget(const QString &uid, bool isNew, const QRect &geometry,
                                             const QString &themeUid)
{
    const QString id = uid.isEmpty() ? QUuid::createUuid().toString() : uid;
    auto *gadget =
        new ToDoGadget(id.toLatin1(), m_themeManager.get(), applyToAllAction(), [this](Common::JsonSettingsFile *file) {
            connect(file, &Common::JsonSettingsFile::saveFailed, this, &GadgetsController::saveFailed);
            connect(file, &Common::JsonSettingsFile::saved, this, &GadgetsController::saved);
        });
    m_gadgets.append(gadget);
    if (isNew) {
        if (geometry.isValid())
            gadget->setGeometryAndStore(geometry);
        gadget->requestFreePlace();
        connect(gadget, &Gadget::shown, this, &GadgetsController::ensureVisible);
        gadget->setThemeUid(themeUid.isEmpty() ? m_properties->value(s_themeProperty).toString() : themeUid);
        StatCollector::incrementCounter("f_create_todo");
    }
    connect(gadget, &ToDoGadget::newToDoGadget, this,
            static_cast<void (GadgetsController::*)()>(&GadgetsController::newToDoGadget));
    connect(gadget, &Gadget::themeChangedByUser, this, &GadgetsController::onThemeChanged);
    gadget->show();
    return gadget;
}

void GadgetsController::newToDoGadget()
{
    QRect geometry;
    QString theme;
    if (auto *gadget = qobject_cast<Gadget *>(sender())) {
        geometry = gadget->geometry();
        theme = gadget->themeUid();
    }
    newToDoGadget(QString(), true, geometry, theme);
}

void GadgetsController::ensureVisible()
{
    auto *gadget = qobject_cast<Gadget *>(sender());
    if (!QR_CHECK(gadget))
        return;
    if (!gadget->isPartlyVisible())
        (new Phantom(gadget))->show();
}

void GadgetsController::onThemeChanged(const QString &themeUid)
{
    m_properties->setValue(s_themeProperty, themeUid);
    if (m_applyToAllAction && m_applyToAllAction->isChecked())
        applyThemeToAll(themeUid);
}

QAction *GadgetsController::applyToAllAction()
{
    if (!m_applyToAllAction) {
        m_applyToAllAction = std::make_unique<QAction>(tr("Apply to All"), nullptr);
        m_applyToAllAction->setCheckable(true);
        m_applyToAllAction->setChecked(m_properties->value(s_applyThemeToAll).toBool());
        connect(m_applyToAllAction.get(), &QAction::toggled, this, &GadgetsController::onApplyToAllToggled);
    }
    return m_applyToAllAction.get();
}

void GadgetsController::onApplyToAllToggled(bool checked)
{
    m_properties->setValue(s_applyThemeToAll, checked);
    if (!checked)
        return;
    auto *action = qobject_cast<QAction *>(sender());
    QR_ASSERT(action);
    if (action)
        applyThemeToAll(action->data().toString());
}

QList<ToDoGadget *> GadgetsController::liveGadgets() const
{
    QList<ToDoGadget *> live;
    for (const QPointer<ToDoGadget> &gadget : m_gadgets) {
        if (gadget)
            live << gadget.data();
    }
    return live;
}

void GadgetsController::applyThemeToAll(const QString &themeUid)
{
    const QList<ToDoGadget *> live = liveGadgets();
    for (ToDoGadget *gadget : live)
        gadget->setThemeUid(themeUid);
}

void GadgetsController::closeAllGadgets()
{
    const QList<ToDoGadget *> live = liveGadgets();
    for (ToDoGadget *gadget : live) {
        gadget->hide();
        gadget->deleteLater();
    }
}

void GadgetsController::createWelcomeGadget()
{
    if (!m_gadgets.isEmpty())
        return;
    ToDoGadget *gadget = newToDoGadget(QString(), true, QRect(), QString());
    gadget->addToDo(tr("Welcome to ") + QCoreApplication::applicationName());
}

QList<IBackupObject *> GadgetsController::backupObjects()
{
    QList<IBackupObject *> objects{this, m_properties.get()};
    const QList<ToDoGadget *> live = liveGadgets();
    for (ToDoGadget *gadget : live)
        objects << gadget->backupObjects();
    return objects;
}

bool GadgetsController::restore(const QByteArray &data)
{
    if (m_inRestore)
        return FolderBackupObject::restore(data);
    closeAllGadgets();
    const bool ok = FolderBackupObject::restore(data);
    loadGadgets();
    return ok;
}

bool GadgetsController::reloadAfterRestore()
{
    closeAllGadgets();
    loadGadgets();
    return true;
}

bool GadgetsController::restoreSnapshot(const QByteArray &data)
{
    closeAllGadgets();
    m_inRestore = true;
    const bool ok = FolderBackupObject::restoreSnapshot(data);
    m_inRestore = false;
    loadGadgets();
    return ok;
}
