// The second floor bench_startup judges the first by: the same bare start built another way, a label
// for the line window, started beside it. A machine slower at starting programs slows both alike; a
// floor broken in its own code (a sleep, a lost wake-up) leaves them apart.
#include "barefloor.h"

#include <QLabel>

#include <utility>

namespace {

// Reports once the label has painted.
class FirstPaint : public QObject
{
public:
    bool eventFilter(QObject *, QEvent *event) override
    {
        if (event->type() == QEvent::Paint && !std::exchange(m_painted, true))
            reportWhenIdle();
        return false;
    }

private:
    bool m_painted = false;
};

} // namespace

int main(int argc, char **argv)
{
    QApplication app(argc, argv);
    app.setQuitOnLastWindowClosed(false);
    QPixmap pixmap(32, 32);
    pixmap.fill(Qt::darkCyan);
    QSystemTrayIcon tray{QIcon(pixmap)};
    tray.show();
    QLabel line(QStringLiteral("Tomorrow: Überprüfung №1 — Встреча №2 — 会議 №3 — café №4"));
    line.setWindowFlags(Qt::FramelessWindowHint | Qt::WindowStaysOnTopHint);
    QPalette colors = line.palette();
    colors.setColor(QPalette::Window, Qt::black);
    colors.setColor(QPalette::WindowText, Qt::white);
    line.setPalette(colors);
    line.setAutoFillBackground(true);
    line.setIndent(8);
    line.setGeometry(0, 0, 1920, 28);
    FirstPaint watcher;
    line.installEventFilter(&watcher);
    line.show();
    return app.exec();
}
