#pragma once

// The floor the program's start and memory are measured against: a bare Qt Widgets program that shows
// a tray icon and a 1920x28 window painting one line, and reports "IDLE <resident KB> <CPU ms>" once its loop is
// idle after that first paint, as the program's benchmarks report after the bar's, with the processor
// time it took to get there.

#include <QApplication>
#include <QFile>
#include <QPainter>
#include <QPixmap>
#include <QSystemTrayIcon>
#include <QTimer>
#include <QWidget>

#include <cstdio>
#include <ctime>

#if __has_include(<valgrind/callgrind.h>)
#include <valgrind/callgrind.h>
#endif

// Resident memory of this process in KB.
inline long residentKb()
{
    QFile status(QStringLiteral("/proc/self/status"));
    if (!status.open(QIODevice::ReadOnly))
        return 0;
    for (const QByteArray &line : status.readAll().split('\n')) {
        if (line.startsWith("VmRSS:"))
            return line.mid(6).trimmed().split(' ').first().toLong();
    }
    return 0;
}

// Processor time of every thread of this process so far, in ms.
inline double processCpuMs()
{
    timespec now{};
    clock_gettime(CLOCK_PROCESS_CPUTIME_ID, &now);
    return double(now.tv_sec) * 1e3 + double(now.tv_nsec) / 1e6;
}

// Once the loop has nothing left to do: report and end.
inline void reportWhenIdle()
{
    QTimer::singleShot(0, [] {
#ifdef CALLGRIND_DUMP_STATS_AT
        // Under callgrind: the counts so far are the start's, before the exit's.
        CALLGRIND_DUMP_STATS_AT("idle");
#endif
        std::printf("IDLE %ld %.2f\n", residentKb(), processCpuMs());
        std::fflush(stdout);
        QCoreApplication::exit(0);
    });
}

// The floor's bar: a 1920x28 window at the top that paints one line of text; the loop is idle after
// its first paint, as the program's after its bar's.
class LineWindow : public QWidget
{
protected:
    void paintEvent(QPaintEvent *) override
    {
        QPainter painter(this);
        painter.fillRect(rect(), Qt::black);
        painter.setPen(Qt::white);
        painter.drawText(rect().adjusted(8, 0, 0, 0), Qt::AlignVCenter,
                         QStringLiteral("Tomorrow: Überprüfung №1 — Встреча №2 — 会議 №3 — café №4"));
        if (!m_painted) {
            m_painted = true;
            reportWhenIdle();
        }
    }

private:
    bool m_painted = false;
};

inline int runBare(int argc, char **argv)
{
    QApplication app(argc, argv);
    app.setQuitOnLastWindowClosed(false);
    QPixmap pixmap(32, 32);
    pixmap.fill(Qt::blue);
    QSystemTrayIcon tray{QIcon(pixmap)};
    tray.show();
    LineWindow line;
    line.setWindowFlags(Qt::FramelessWindowHint | Qt::WindowStaysOnTopHint);
    line.setGeometry(0, 0, 1920, 28);
    line.show();
    return app.exec();
}
