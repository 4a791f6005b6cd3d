#pragma once

// What the benchmarks that run the whole program share: the loop run until it is idle, the GUI
// thread's CPU, and a driver that measures once the start is over.

#include <QAbstractEventDispatcher>
#include <QCoreApplication>
#include <QEvent>
#include <QEventLoop>
#include <QProcessEnvironment>
#include <QString>
#include <QTimer>

#include <ctime>
#include <functional>
#include <utility>

// Runs the loop until it has nothing left to do and is about to wait (the UNIX dispatcher, which
// emits aboutToBlock only when no posted event is pending).
inline void waitUntilIdle()
{
    QEventLoop loop;
    const QMetaObject::Connection connection = QObject::connect(
        QAbstractEventDispatcher::instance(), &QAbstractEventDispatcher::aboutToBlock, &loop, [&loop] { loop.exit(); });
    loop.exec();
    QObject::disconnect(connection);
}

inline double threadCpuMs()
{
    timespec now{};
    clock_gettime(CLOCK_THREAD_CPUTIME_ID, &now);
    return double(now.tv_sec) * 1e3 + double(now.tv_nsec) / 1e6;
}

// Waits for the bar's first paint, then runs the measure and ends the loop.
class AfterStartDriver : public QObject
{
public:
    explicit AfterStartDriver(std::function<void()> measure) : m_measure(std::move(measure)) {}
    bool eventFilter(QObject *watched, QEvent *event) override
    {
        if (!m_started && event->type() == QEvent::Paint && watched->inherits("MovingView")) {
            m_started = true;
            QTimer::singleShot(0, this, [this] {
                // The start is over once what it leaves for after the bar (the gadgets) is done too.
                waitUntilIdle();
                QEventLoop settle;
                QTimer::singleShot(500, &settle, &QEventLoop::quit);
                settle.exec();
                waitUntilIdle();
                m_measure();
                QCoreApplication::exit(0);
            });
        }
        return false;
    }

private:
    std::function<void()> m_measure;
    bool m_started = false;
};

// The environment of a program started in a home of its own, on the X server when there is one.
inline QProcessEnvironment homeEnvironment(const QString &home)
{
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.insert(QStringLiteral("HOME"), home);
    env.insert(QStringLiteral("XDG_CONFIG_HOME"), home + QStringLiteral("/config"));
    env.insert(QStringLiteral("XDG_DATA_HOME"), home + QStringLiteral("/data"));
    env.insert(QStringLiteral("XDG_RUNTIME_DIR"), home + QStringLiteral("/run"));
    env.insert(QStringLiteral("QT_NO_GLIB"), QStringLiteral("1"));
    env.insert(QStringLiteral("QT_LOGGING_RULES"), QStringLiteral("*.debug=false"));
    if (env.value(QStringLiteral("DISPLAY")).isEmpty())
        env.insert(QStringLiteral("QT_QPA_PLATFORM"), QStringLiteral("offscreen"));
    else
        env.remove(QStringLiteral("QT_QPA_PLATFORM"));
    return env;
}
