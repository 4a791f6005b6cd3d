#pragma once

#include <QCoreApplication>
#include <QObject>
#include <QPoint>
#include <QSystemTrayIcon>
#include <QTimer>

#include <memory>
#include <optional>

class Application;
class BarControl;
class QAction;
class QIcon;
class QMenu;
class QWindow;

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
    // The menu asked for while the window a double click showed is still coming (mapped, focused and
    // activated by the window manager) opens once it is active: the window's activation would land
    // on a menu opened before.
    void holdMenuUntilActive(QWindow *window);
    void releaseMenu();

    Application &m_app;
    BarControl &m_bar;
    std::unique_ptr<QMenu> m_menu;
    std::unique_ptr<QSystemTrayIcon> m_icon;
    QAction *m_barAction = nullptr;
    QAction *m_updateAction = nullptr;
    std::optional<QPoint> m_menuAt;
    // A window manager that keeps the window from the keyboard leaves it inactive.
    QTimer m_comingWait;
    QMetaObject::Connection m_focusWatch;
};
