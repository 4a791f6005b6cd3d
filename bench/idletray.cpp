// The least a Qt tray program does: an icon in the tray and a menu, nothing else. Its wake-ups
// while idle are the floor idle_wakeups.sh measures the program against.
#include <QApplication>
#include <QMenu>
#include <QPixmap>
#include <QSystemTrayIcon>

int main(int argc, char **argv)
{
    QApplication app(argc, argv);
    app.setQuitOnLastWindowClosed(false);
    QPixmap pixmap(22, 22);
    pixmap.fill(Qt::darkCyan);
    QSystemTrayIcon tray{QIcon(pixmap)};
    QMenu menu;
    menu.addAction(QStringLiteral("Quit"), &app, &QApplication::quit);
    tray.setContextMenu(&menu);
    tray.show();
    return app.exec();
}
