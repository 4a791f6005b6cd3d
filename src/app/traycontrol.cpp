#include "app/traycontrol.h"

#include "app/application.h"
#include "app/barcontrol.h"
#include "app/traymenu.h"
#include "core/log.h"
#include "editor/editor.h"
#include "widgets/widgetresources.h"

#include <QCursor>
#include <QGuiApplication>
#include <QMenu>
#include <QPointer>
#include <QWindow>

#include <utility>

TrayControl::TrayControl(Application &app, BarControl &bar, const QIcon &logo)
    : m_app(app), m_bar(bar), m_icon(std::make_unique<QSystemTrayIcon>(logo))
{
    m_icon->setToolTip(QCoreApplication::applicationName());
    connect(m_icon.get(), &QSystemTrayIcon::activated, this, &TrayControl::onTrayEvent);
    m_comingWait.setSingleShot(true);
    m_comingWait.setInterval(1000);
    connect(&m_comingWait, &QTimer::timeout, this, &TrayControl::releaseMenu);
}

TrayControl::~TrayControl() = default;

QAction *TrayControl::addAction(const QString &text, void (*command)(Application &), const QString &icon)
{
    auto *action = new QAction(m_menu.get());
    action->setText(text);
    connect(
        action, &QAction::triggered, this, [this, command] { command(m_app); }, Qt::QueuedConnection);
    if (!icon.isEmpty())
        action->setIcon(sharpIcon(icon));
    m_menu->addAction(action);
    return action;
}

void TrayControl::createMenu()
{
    m_menu = std::make_unique<QMenu>();
    for (const TrayMenu::Entry &entry : TrayMenu::entries()) {
        switch (entry.role) {
        case TrayMenu::Separator:
            m_menu->addSeparator();
            break;
        case TrayMenu::BarAction:
            m_barAction = addAction(QString(), entry.command, entry.icon);
            break;
        case TrayMenu::UpdateAction:
            m_updateAction =
                addAction(TrayMenu::updateText(QCoreApplication::applicationName()), entry.command, entry.icon);
            m_menu->setDefaultAction(m_updateAction);
            m_updateAction->setVisible(false);
            break;
        case TrayMenu::Plain:
            addAction(tr(entry.text), entry.command, entry.icon);
            break;
        case TrayMenu::Shared:
            if (QAction *action = m_app.sharedActions().*entry.shared)
                m_menu->addAction(action);
            break;
        }
    }
    m_icon->setContextMenu(m_menu.get());
    // Some trays open the menu without telling the icon; keep the bar entry's text right either way.
    connect(m_menu.get(), &QMenu::aboutToShow, this, &TrayControl::updateBarAction);
}

void TrayControl::show()
{
    // Shown even without a tray: Qt puts the icon into a tray that starts later, as trays at log-on do.
    m_icon->show();
    if (!QSystemTrayIcon::isSystemTrayAvailable())
        QR_LOG("No system tray is present yet: the tray icon shows once one starts; until then, starting the "
               "program again shows the bar, or opens the events editor while the bar is off");
}

void TrayControl::showUpdateEntry()
{
    if (m_updateAction)
        m_updateAction->setVisible(true);
}

void TrayControl::updateBarAction()
{
    if (m_barAction)
        m_barAction->setText(TrayMenu::barText(m_bar.bar()));
}

void TrayControl::onTrayEvent(QSystemTrayIcon::ActivationReason reason)
{
    switch (reason) {
    case QSystemTrayIcon::Context:
        if (m_focusWatch)
            m_menuAt = QCursor::pos();
        else
            updateBarAction();
        break;
    case QSystemTrayIcon::DoubleClick:
        // The reminders first: the editor ends active.
        AppWindows::restoreReminders();
        m_app.showEditor(-1);
        if (m_app.editor())
            holdMenuUntilActive(m_app.editor()->windowHandle());
        break;
    case QSystemTrayIcon::Trigger:
        if (!m_bar.bar() && m_barAction)
            m_barAction->trigger();
        break;
    default:
        break;
    }
}

void TrayControl::holdMenuUntilActive(QWindow *window)
{
    if (!m_menu || !window || window == QGuiApplication::focusWindow())
        return;
    // Without a menu the tray opens none on a right click; the request still comes as Context.
    m_icon->setContextMenu(nullptr);
    m_focusWatch = connect(qGuiApp, &QGuiApplication::focusWindowChanged, this,
                           [this, coming = QPointer<QWindow>(window)](QWindow *focus) {
                               if (focus == coming)
                                   releaseMenu();
                           });
    m_comingWait.start();
}

void TrayControl::releaseMenu()
{
    if (!m_focusWatch)
        return;
    disconnect(m_focusWatch);
    m_comingWait.stop();
    m_icon->setContextMenu(m_menu.get());
    if (const std::optional<QPoint> at = std::exchange(m_menuAt, std::nullopt))
        m_menu->popup(*at);
}
