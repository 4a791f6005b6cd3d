#pragma once

#include <QCoreApplication>
#include <QObject>
#include <QSystemTrayIcon>

#include <memory>

class Application;
class BarControl;
class QAction;
class QIcon;
class QMenu;

// The tray icon and its menu: the bar's switch, the update notice and the program's windows.
class TrayControl : public QObject
{
    Q_DECLARE_TR_FUNCTIONS(Application)

public:
    TrayControl(Application &app, BarControl &bar, const QIcon &logo);
    ~TrayControl() override;

    // At start, once the bar is decided.
    void createMenu();
    void show();
    void showUpdateEntry();
    void onTrayEvent(QSystemTrayIcon::ActivationReason reason);

    QSystemTrayIcon *icon() const { return m_icon.get(); }
    QMenu *menu() const { return m_menu.get(); }
    QAction *barAction() const { return m_barAction; }
    QAction *updateAction() const { return m_updateAction; }

private:
    QAction *addAction(const QString &text, void (*command)(Application &), const QString &icon);
    void updateBarAction();

    Application &m_app;
    BarControl &m_bar;
    std::unique_ptr<QMenu> m_menu;
    std::unique_ptr<QSystemTrayIcon> m_icon;
    QAction *m_barAction = nullptr;
    QAction *m_updateAction = nullptr;
};
