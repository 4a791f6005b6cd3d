#pragma once

#include "widgets/sharedactions.h"

#include <QObject>
#include <QString>

#include <memory>

class AboutDialog;
class Editor;
class EventServices;
class IApplicationAsk;
class QWidget;
class ReportDialog;
class SettingsDialog;
class UpdateDialog;
class WebController;

// The program's windows besides the bar: each made on the first request to show it and kept until the
// end, and shown again, raised and activated at every later one. None is modal to the others. While
// it lives, the program's open windows are kept on the screens there are.
class AppWindows
{
public:
    AppWindows(IApplicationAsk &ask, WebController *web, const EventServices &events, const SharedActions &actions);
    ~AppWindows();

    void showEditor(int event);
    void showSettings();
    // The about box is an ordinary window: it returns at once with the box's last result.
    int showAboutDialog();
    void showUpdateDialog();
    // The report window for a bug or a wish, not modal.
    void openReportWindow(const QString &title);
    int showReportDialog(const QString &title, bool withTechnicalInfo);
    // Shows the window again when it is open; false when it is not.
    bool raiseSettingsDialog();
    bool raiseEditor();
    // Every minimised window of these and every minimised reminder window shown again, as a second
    // start of the program asks.
    void restoreMinimised();
    // The minimised reminder windows shown again, without taking the keyboard: a desktop with only a
    // tray offers nothing else to bring one back.
    static void restoreReminders();

    Editor *editor() const { return m_editor.get(); }
    SettingsDialog *settingsDialog() const { return m_settingsDialog.get(); }
    ReportDialog *reportDialog() const { return m_reportDialog.get(); }
    UpdateDialog *updateDialog() const { return m_updateDialog.get(); }
    AboutDialog *aboutDialog() const { return m_aboutDialog.get(); }

private:
    // Restored if minimised, still maximised if it was, wholly on a screen, raised and active if asked.
    static void showAgain(QWidget *window, bool activate = true);
    ReportDialog *reportWindow();

    IApplicationAsk &m_ask;
    WebController *m_web;
    const EventServices &m_events;
    SharedActions m_actions;
    std::unique_ptr<AboutDialog> m_aboutDialog;
    std::unique_ptr<SettingsDialog> m_settingsDialog;
    // Before the events it shows.
    std::unique_ptr<Editor> m_editor;
    std::unique_ptr<UpdateDialog> m_updateDialog;
    std::unique_ptr<ReportDialog> m_reportDialog;
    QObject m_screenWatch;
};
