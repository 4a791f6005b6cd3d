#pragma once

#include <QEvent>
#include <QObject>
#include <QPointer>

#include <functional>

namespace Common {

// Travels inside a pending deferred call; cancel() stops the call from running.
// It dies with the call, so a guarded pointer to it turns null once the call is delivered.
class DeferredCallMonitor : public QObject
{
    Q_OBJECT

public:
    void cancel() { m_cancelled = true; }
    bool isCancelled() const { return m_cancelled; }

private:
    bool m_cancelled = false;
};

// A function to run later from the event loop, while its context object still exists.
class DeferredCall : public QEvent
{
public:
    DeferredCall(const QPointer<QObject> &context, std::function<void()> function);

    static QEvent::Type eventType();

    DeferredCallMonitor m_monitor;
    QPointer<QObject> m_context;
    std::function<void()> m_function;
};

// Receives the posted calls and runs those still wanted. One instance between init() and term().
class DeferredCallProcessor : public QObject
{
    Q_OBJECT

public:
    static void init();
    static void term();
    static DeferredCallProcessor *instance();

    bool event(QEvent *event) override;

private:
    DeferredCallProcessor() = default;

    static DeferredCallProcessor *s_instance;
};

// Posts the function to run once control is back in the event loop; skipped when the
// context is gone by then or the returned monitor was cancelled. Null without a processor.
QPointer<DeferredCallMonitor> deferredCall(const QPointer<QObject> &context, std::function<void()> function);

} // namespace Common
