#include "core/deferredcall.h"

#include "core/log.h"

#include <QCoreApplication>

namespace Common {

DeferredCallProcessor *DeferredCallProcessor::s_instance = nullptr;

DeferredCall::DeferredCall(const QPointer<QObject> &context, std::function<void()> function)
    : QEvent(eventType()), m_context(context), m_function(std::move(function))
{
}

QEvent::Type DeferredCall::eventType()
{
    static const QEvent::Type s_type = static_cast<QEvent::Type>(QEvent::registerEventType());
    return s_type;
}

void DeferredCallProcessor::init()
{
    QR_ASSERT(!s_instance);
    // A second init keeps the running processor, so calls already posted to it still run.
    if (!s_instance)
        s_instance = new DeferredCallProcessor;
}

void DeferredCallProcessor::term()
{
    QR_ASSERT(s_instance);
    delete s_instance;
    s_instance = nullptr;
}

DeferredCallProcessor *DeferredCallProcessor::instance()
{
    QR_ASSERT(s_instance);
    return s_instance;
}

bool DeferredCallProcessor::event(QEvent *event)
{
    if (event->type() == DeferredCall::eventType()) {
        auto *call = static_cast<DeferredCall *>(event);
        if (call->m_context && !call->m_monitor.isCancelled() && call->m_function)
            call->m_function();
    }
    return QObject::event(event);
}

QPointer<DeferredCallMonitor> deferredCall(const QPointer<QObject> &context, std::function<void()> function)
{
    DeferredCallProcessor *processor = DeferredCallProcessor::instance();
    if (!processor)
        return {};
    auto *call = new DeferredCall(context, std::move(function));
    QPointer<DeferredCallMonitor> monitor(&call->m_monitor);
    QCoreApplication::postEvent(processor, call);
    return monitor;
}

} // namespace Common
