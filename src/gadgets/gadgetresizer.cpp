#include "gadgets/gadgetresizer.h"

#include "core/iapplication.h"

#include <QApplication>
#include <QMouseEvent>
#include <QWidget>

namespace GadgetResizerPrivate {
QPointer<GadgetResizer> s_instance;

bool isNormal(const QWidget *widget)
{
    return !(widget->windowState() & (Qt::WindowMaximized | Qt::WindowMinimized));
}
} // namespace GadgetResizerPrivate

using namespace GadgetResizerPrivate;
using namespace ResizeZones;

GadgetResizerEventFilter::GadgetResizerEventFilter(GadgetResizer *resizer) : QObject(resizer), m_resizer(resizer) {}

bool GadgetResizerEventFilter::eventFilter(QObject *object, QEvent *event)
{
    if (!object->isWidgetType())
        return QObject::eventFilter(object, event);
    auto *widget = static_cast<QWidget *>(object);
    switch (event->type()) {
    case QEvent::MouseButtonPress:
        if (m_resizer->handlePress(widget, static_cast<QMouseEvent *>(event)))
            return true;
        break;
    case QEvent::MouseButtonRelease:
        if (m_resizer->handleRelease(widget, static_cast<QMouseEvent *>(event)))
            return true;
        break;
    case QEvent::MouseMove: {
        auto *mouse = static_cast<QMouseEvent *>(event);
        if (m_resizer->handleMove(widget, mouse->globalPosition().toPoint(), mouse->buttons()))
            return true;
        break;
    }
    case QEvent::Leave:
        // A leave event carries no position: it stands for the pointer where it now is, with no button.
        if (m_resizer->handleMove(widget, QCursor::pos(), Qt::NoButton))
            return true;
        break;
    default:
        break;
    }
    return QObject::eventFilter(object, event);
}

GadgetResizer *GadgetResizer::instance()
{
    if (!s_instance) {
        IApplication *app = IApplication::instance();
        s_instance = new GadgetResizer(app && app->app() ? app->app() : QCoreApplication::instance());
    }
    return s_instance;
}

GadgetResizer *GadgetResizer::existingInstance()
{
    return s_instance.data();
}

void GadgetResizer::destroyInstance()
{
    delete s_instance.data();
    s_instance = nullptr;
}

GadgetResizer::GadgetResizer(QObject *parent) : QObject(parent)
{
    QCoreApplication::instance()->installEventFilter(new GadgetResizerEventFilter(this));
}

GadgetResizer::~GadgetResizer()
{
    if (m_cursorOverridden)
        QGuiApplication::restoreOverrideCursor();
}

void GadgetResizer::addWidget(QWidget *widget, int flags)
{
    WidgetData data;
    if (flags != 0)
        data.flags |= flags;
    m_widgets.insert(widget, data);
}

void GadgetResizer::removeWidget(QWidget *widget)
{
    m_widgets.remove(widget);
    if (m_current == widget) {
        m_current = nullptr;
        clearZoneCursor(nullptr);
    }
}

int GadgetResizer::flags(QWidget *widget) const
{
    const auto it = m_widgets.constFind(widget);
    return it == m_widgets.constEnd() ? 0 : it->flags;
}

void GadgetResizer::setFlags(QWidget *widget, int flags)
{
    m_widgets[widget].flags = flags;
}

void GadgetResizer::addFlags(QWidget *widget, int flags)
{
    setFlags(widget, this->flags(widget) | flags);
}

bool GadgetResizer::isRegistered(QWidget *widget) const
{
    return m_widgets.contains(widget);
}

QPoint GadgetResizer::resizeDirection(QWidget *widget) const
{
    const auto it = m_widgets.constFind(widget);
    return it == m_widgets.constEnd() ? QPoint() : directionOf(it->lastZone);
}

QWidget *GadgetResizer::findRegistered(QWidget *widget)
{
    if (m_lastFound && m_lastFound == widget && m_widgets.contains(widget))
        return widget;
    QWidget *best = nullptr;
    int bestDistance = -1;
    for (auto it = m_widgets.cbegin(); it != m_widgets.cend() && bestDistance != 0; ++it) {
        QWidget *window = it.key();
        if (!window->isVisible() || !window->isEnabled())
            continue;
        int distance = 0;
        QWidget *w = widget;
        while (w && w != window && !w->isWindow()) {
            w = w->parentWidget();
            ++distance;
        }
        if (w != window)
            continue;
        if (!best || distance < bestDistance) {
            best = window;
            bestDistance = distance;
        }
    }
    m_lastFound = best;
    return best;
}

QWidget *GadgetResizer::hitTest(QWidget *widget, const QPoint &globalPos, Zone *zone)
{
    *zone = NoZone;
    QWidget *window = findRegistered(widget);
    if (!window)
        return nullptr;
    WidgetData &data = m_widgets[window];
    data.areas = areasFor(window->size(), data.flags);
    *zone = hitZone(data.areas, data.flags, window->mapFromGlobal(globalPos));
    return window;
}

void GadgetResizer::setZoneCursor(QWidget *window, Zone zone)
{
    if (m_cursorOverridden)
        QGuiApplication::restoreOverrideCursor();
    WidgetData &data = m_widgets[window];
    data.hoverZone = zone;
    data.lastZone = zone;
    QGuiApplication::setOverrideCursor(QCursor(cursorFor(zone)));
    m_cursorOverridden = true;
}

void GadgetResizer::clearZoneCursor(QWidget *window)
{
    if (m_cursorOverridden) {
        QGuiApplication::restoreOverrideCursor();
        m_cursorOverridden = false;
    }
    if (window && m_widgets.contains(window))
        m_widgets[window].hoverZone = NoZone;
}

bool GadgetResizer::handleMove(QWidget *widget, const QPoint &globalPos, Qt::MouseButtons buttons)
{
    if (m_current && (buttons & Qt::LeftButton)) {
        if (isNormal(m_current)) {
            m_current->setProperty("resizedByUser", true);
            resizeStep(globalPos);
            if (m_current)
                m_current->setProperty("resizedByUser", false);
        }
        return true;
    }
    Zone zone = NoZone;
    QWidget *window = hitTest(widget, globalPos, &zone);
    if (zone == NoZone) {
        clearZoneCursor(window);
        return false;
    }
    if (!isNormal(window))
        return false;
    if (QApplication::widgetAt(globalPos) != widget)
        return false;
    setZoneCursor(window, zone);
    return true;
}

bool GadgetResizer::handlePress(QWidget *widget, QMouseEvent *event)
{
    Zone zone = NoZone;
    const QPoint globalPos = event->globalPosition().toPoint();
    QWidget *window = hitTest(widget, globalPos, &zone);
    if (zone == NoZone || !isNormal(window))
        return false;
    if (m_current || event->button() != Qt::LeftButton) {
        event->accept();
        return false;
    }
    m_lastPos = globalPos;
    m_current = window;
    setZoneCursor(window, zone);
    m_widgets[window].grabOffset = grabOffset(zone, window->size(), window->mapFromGlobal(m_lastPos));
    return true;
}

bool GadgetResizer::handleRelease(QWidget *widget, QMouseEvent *event)
{
    if (!m_current)
        return false;
    if (event->button() != Qt::LeftButton) {
        event->accept();
        return false;
    }
    clearZoneCursor(m_current);
    m_current = nullptr;
    // The pointer may now be off the border or on another part of it.
    handleMove(widget, event->globalPosition().toPoint(), Qt::NoButton);
    return true;
}

void GadgetResizer::resizeStep(const QPoint &globalPos)
{
    QWidget *window = m_current;
    const WidgetData &data = m_widgets[window];
    std::optional<QRect> bounds;
    QPoint p = globalPos;
    if (!window->isWindow() && window->parentWidget()) {
        bounds = window->parentWidget()->rect();
        p = window->parentWidget()->mapFromGlobal(globalPos);
    }
    p += data.grabOffset;
    const QSize minimum = window->minimumSize().isEmpty() ? window->minimumSizeHint() : window->minimumSize();
    window->setGeometry(resized(window->geometry(), data.hoverZone, p, minimum, window->maximumSize(), bounds));
    m_lastPos = globalPos;
}
