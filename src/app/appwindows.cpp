#include "app/appwindows.h"

#include "app/applicationask.h"
#include "app/eventservices.h"
#include "app/reminderwidget.h"
#include "app/reportdialog.h"
#include "app/settingsdialog.h"
#include "app/updatedialog.h"
#include "core/log.h"
#include "editor/editor.h"
#include "platform/iwindowsystem.h"
#include "widgets/aboutdialog.h"
#include "widgets/screenfit.h"

#include <QWindow>

AppWindows::AppWindows(IApplicationAsk &ask, WebController *web, const EventServices &events,
                       const SharedActions &actions)
    : m_ask(ask), m_web(web), m_events(events), m_actions(actions)
{
    ScreenFit::watchScreens(&m_screenWatch, &ScreenFit::keepWindowsOnScreens);
}

AppWindows::~AppWindows() = default;

void AppWindows::showAgain(QWidget *window, bool activate)
{
    // Shown again from the tray or a second start: back from minimised, still maximised if it was.
    // The widget keeps only the minimised state then; its window keeps the maximised one beside it.
    Qt::WindowStates state = window->windowState();
    if (const QWindow *handle = window->windowHandle())
        state |= handle->windowStates();
    if (state & Qt::WindowMinimized)
        window->setWindowState(state & ~Qt::WindowMinimized);
    window->show();
    // A window left on a monitor that went is brought onto one that is there.
    ScreenFit::keepOnScreen(window);
    window->raise();
    if (activate)
        window->activateWindow();
}

void AppWindows::showEditor(int event)
{
    QR_LOG("Show Editor");
    if (!m_events.manager())
        return;
    if (!m_editor)
        m_editor = std::make_unique<Editor>(m_events.manager(), m_actions);
    showAgain(m_editor.get());
    if (event != -1)
        m_editor->setCurrentEvent(event);
}

void AppWindows::showSettings()
{
    QR_LOG("Open Settings");
    if (!m_settingsDialog)
        m_settingsDialog = std::make_unique<SettingsDialog>();
    showAgain(m_settingsDialog.get());
}

int AppWindows::showAboutDialog()
{
    QR_LOG("Show About Dialog");
    // Not modal: a box that held the whole program could not be brought back once minimised.
    if (!m_aboutDialog)
        m_aboutDialog = std::make_unique<AboutDialog>();
    showAgain(m_aboutDialog.get());
    return m_aboutDialog->result();
}

void AppWindows::showUpdateDialog()
{
    if (!m_updateDialog)
        m_updateDialog = std::make_unique<UpdateDialog>();
    showAgain(m_updateDialog.get());
}

ReportDialog *AppWindows::reportWindow()
{
    if (!m_reportDialog)
        m_reportDialog = std::make_unique<ReportDialog>(m_web);
    return m_reportDialog.get();
}

void AppWindows::openReportWindow(const QString &title)
{
    // Not modal: the tray menu and the other windows stay usable while the user writes.
    ReportDialog *dialog = reportWindow();
    dialog->setModal(false);
    dialog->setWindowTitle(title);
    dialog->setSendSystemInfo(true);
    showAgain(dialog);
}

int AppWindows::showReportDialog(const QString &title, bool withTechnicalInfo)
{
    ReportDialog *dialog = reportWindow();
    dialog->setWindowTitle(title);
    dialog->setSendSystemInfo(withTechnicalInfo);
    return m_ask.runModal(dialog);
}

bool AppWindows::raiseSettingsDialog()
{
    if (!m_settingsDialog || !m_settingsDialog->isVisible())
        return false;
    showAgain(m_settingsDialog.get());
    return true;
}

bool AppWindows::raiseEditor()
{
    if (!m_editor || !m_editor->isVisible())
        return false;
    showAgain(m_editor.get());
    return true;
}

void AppWindows::restoreReminders()
{
    for (ReminderWidget *reminder : ReminderWidget::widgets()) {
        if (reminder->isVisible() && reminder->isMinimized()) {
            IWindowSystem::shared()->restoreWithoutFocus(reminder->windowHandle());
            showAgain(reminder, false);
        }
    }
}

void AppWindows::restoreMinimised()
{
    // First, so that the windows shown after them end active: a window manager may activate a window
    // that leaves its minimised state.
    restoreReminders();
    const QList<QWidget *> windows = {m_editor.get(), m_settingsDialog.get(), m_aboutDialog.get(), m_updateDialog.get(),
                                      m_reportDialog.get()};
    for (QWidget *window : windows) {
        if (window && window->isVisible() && window->isMinimized())
            showAgain(window);
    }
}
