#pragma once

#include "platform/iwallclocktimer.h"

#include <QTimer>

// A wall-clock timer that reads the program's clock (Common::Clock, pinned in tests). Left alone it
// waits the interval from that clock's now to its time, as an interval timer does; a time already
// passed fires at the next turn of the loop. A test moves the pinned clock and calls clockJumped()
// (a resume or a set clock): what fell due fires at once, anything else hears clockChanged.
class FakeWallClockTimer : public IWallClockTimer
{
    Q_OBJECT

public:
    FakeWallClockTimer();
    ~FakeWallClockTimer() override;

    void start(const QDateTime &at) override;
    void stop() override;
    bool isActive() const override { return m_active; }
    QDateTime target() const override { return m_target; }

    // What the real timer does when the clock moved under it: fires when its time passed, else
    // tells of the change.
    void clockJumped();
    // Fires now, as if its time came.
    void fireNow();

    // Every timer made from now on is a fake (done by TestHelpers::isolateEnvironment).
    static void install();

private:
    QTimer m_timer;
    QDateTime m_target;
    bool m_active = false;
};
