#pragma once

#include <QObject>
#include <QString>

#include <functional>
#include <memory>

class GadgetsController;
class IAutostart;
class Properties;
class QWidget;
class UserSettings;

// What a start leaves behind besides the windows: the system report beside the crash log, the
// autostart entry written once, and the gadgets, with the welcome gadget of the first start.
class StartDuties : public QObject
{
public:
    // An empty `autostart` gets the real entry when it is first needed.
    StartDuties(const QString &dataLocation, std::unique_ptr<IAutostart> autostart);
    ~StartDuties() override;

    QString systemInfoText();
    void writeSystemInfo();
    void writeAutorunOnFirstStart(UserSettings &settings, const Properties &properties);
    void setAutorun(bool on);
    // The stored gadgets, and the welcome gadget of a first start, after the bar's first picture
    // (when it shows) and the loop's first idle moment, so that building them does not delay either.
    void showGadgets(QWidget *bar, GadgetsController *gadgets, bool welcome);
    // Runs `call` after the bar's first picture (when it shows) and the loop's first idle moment.
    void afterFirstPaint(QWidget *bar, std::function<void()> call);
    // What waits for the disk, and what only a report reads, after the bar's first picture.
    void finishStartAfterFirstPaint(QWidget *bar);

private:
    QString m_dataLocation;
    std::unique_ptr<IAutostart> m_autostart;
    QString m_systemInfoText;
};
