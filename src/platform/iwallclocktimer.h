#pragma once

#include <QDateTime>
#include <QObject>

#include <functional>
#include <memory>

// A one-shot timer set to a time of the wall clock rather than to an interval. A plain QTimer counts
// on the monotonic clock, which stands still while the machine sleeps and ignores a clock that is
// set: its wake-up comes late by the sleep or the change. This one fires when the wall clock reaches
// the time, after a resume too, and tells its owner whenever the wall clock jumped.
class IWallClockTimer : public QObject
{
    Q_OBJECT

public:
    using Factory = std::function<std::unique_ptr<IWallClockTimer>()>;

    ~IWallClockTimer() override = default;

    // Fires once when the wall clock reaches `at`; a time already passed fires at the next turn of
    // the event loop. Replaces any earlier time.
    virtual void start(const QDateTime &at) = 0;
    virtual void stop() = 0;
    virtual bool isActive() const = 0;
    // The time set by the last start (also after it fired or was stopped).
    virtual QDateTime target() const = 0;

    // The timer of this system; tests put a fake in its place through setFactory.
    static std::unique_ptr<IWallClockTimer> create();
    // An empty factory restores the system's timer.
    static void setFactory(Factory factory);

signals:
    // The time came; the timer is no longer active.
    void timeout();
    // The wall clock was set, or found to have moved against the monotonic clock (a resume, a clock
    // changed without notice). The timer stays set to its time; owners re-check what is due.
    void clockChanged();
};
