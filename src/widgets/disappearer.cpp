#include "widgets/disappearer.h"

#include "core/log.h"

#include <QTimerEvent>

Disappearer::Disappearer(QWidget *widget, int interval, double opacityDecrement)
    : QObject(widget), m_widget(widget), m_interval(interval), m_opacityDecrement(opacityDecrement)
{
    QR_ASSERT(m_opacityDecrement > 0);
    QR_ASSERT(m_widget);
    QR_ASSERT(interval >= 0);
}

void Disappearer::start()
{
    if (m_timerId)
        killTimer(m_timerId);
    m_opacity = m_widget ? m_widget->windowOpacity() : 0.0;
    m_timerId = startTimer(qMax(0, m_interval));
}

void Disappearer::timerEvent(QTimerEvent *event)
{
    if (event->timerId() != m_timerId) {
        QObject::timerEvent(event);
        return;
    }
    // A decrement that is not positive would never reach 0; take the whole opacity in one step instead.
    const double step = m_opacityDecrement > 0 ? m_opacityDecrement : m_opacity;
    m_opacity -= step;
    if (m_opacity > 0 && m_widget) {
        m_widget->setWindowOpacity(m_opacity);
        return;
    }
    killTimer(m_timerId);
    m_timerId = 0;
    m_opacity = 0;
    if (m_widget)
        m_widget->setWindowOpacity(0);
    emit finished();
}
