#pragma once

#include "platform/iwindowsystem.h"

#include <QStringList>

// Records what the bar asks of the window system, as "dock", "strut bottom x,y wxh", "above"/"below".
class FakeWindowSystem : public IWindowSystem
{
public:
    explicit FakeWindowSystem(QStringList *log, bool docks = true) : m_log(log), m_docks(docks) {}

    bool supportsDocks() const override { return m_docks; }
    bool setDockType(QWindow *) override
    {
        *m_log << "dock";
        return true;
    }
    bool setStrut(QWindow *, const QRect &bar, bool top) override
    {
        *m_log << QString("strut %1 %2,%3 %4x%5")
                      .arg(top ? "top" : "bottom")
                      .arg(bar.x())
                      .arg(bar.y())
                      .arg(bar.width())
                      .arg(bar.height());
        return true;
    }
    bool clearStrut(QWindow *) override
    {
        *m_log << "clear strut";
        return true;
    }
    bool setStacking(QWindow *, bool above) override
    {
        *m_log << (above ? "above" : "below");
        return true;
    }

    QList<DockWindow> otherDocks(QWindow *) override
    {
        *m_log << "docks asked";
        return docks;
    }
    void watchDocks(std::function<void()> changed) override { docksChanged = std::move(changed); }

    // The other docks, as the test sets them; the bar's watcher, for the test to call.
    QList<DockWindow> docks;
    std::function<void()> docksChanged;

private:
    QStringList *m_log;
    bool m_docks;
};
