#pragma once

#include "platform/iwallclocktimer.h"

#include <QElapsedTimer>
#include <QTimer>

#include <memory>

class QSocketNotifier;

// The wall-clock timer of this system. On Linux a timerfd on CLOCK_REALTIME, absolute and cancelled
// on every set of the clock, so the kernel wakes it at the time after a resume and on each clock
// change, and never in between. Where that is missing (or when the environment asks for it, as the
// tests under a clock faked for the process do), a monotonic timer that looks at the wall clock at
// least every recheck interval and compares it with the monotonic one to notice a clock moved.
class WallClockTimer : public IWallClockTimer
{
    Q_OBJECT

public:
    // Without timerfd (forced by tests of the fallback, or where the kernel lacks it).
    enum class Backend { Automatic, Polling };

    explicit WallClockTimer(Backend backend = Backend::Automatic, int recheckMsecs = s_recheckMsecs);
    ~WallClockTimer() override;

    void start(const QDateTime &at) override;
    void stop() override;
    bool isActive() const override { return m_active; }
    QDateTime target() const override { return m_target; }

    bool usesTimerFd() const { return m_fd >= 0; }

    // How often the fallback compares the wall clock with the monotonic one, and how far they may
    // drift apart before that counts as a clock change.
    static constexpr int s_recheckMsecs = 20000;
    static constexpr qint64 s_driftMsecs = 2000;
    // Set to a number of milliseconds, the program's timers take the fallback with that interval:
    // the kernel does not see a clock faked for the process.
    static constexpr const char *s_pollEnvironment = "QR_CLOCK_POLL_MSECS";

    // The timer the program uses, as the environment selects it.
    static std::unique_ptr<WallClockTimer> fromEnvironment();

private:
    void arm();
    void onFdReadable();
    void onRecheck();
    void fire();
    void resetDrift();

    int m_fd = -1;
    std::unique_ptr<QSocketNotifier> m_notifier;
    int m_recheckMsecs;
    QTimer m_recheck;
    QElapsedTimer m_monotonic;
    qint64 m_wallAtStart = 0; // wall-clock msecs when m_monotonic started
    QDateTime m_target;
    bool m_active = false;
};
