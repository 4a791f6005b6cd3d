#include "gadgets/dragablewidget.h"

#include "core/log.h"
#include "gadgets/gadgetgeometry.h"
#include "gadgets/gadgetresizer.h"

#include <QApplication>
#include <QCursor>
#include <QGuiApplication>
#include <QMouseEvent>
#include <QScreen>
#include <QWindow>

QList<DragableWidget *> DragableWidget::s_instances;

DragableWidget::DragableWidget(const QByteArray &geometrySid, QWidget *parent)
    // Not a tool window: Qt makes those transient for the program's whole group of windows, which window
    // managers then keep above every window of the program, reminders included. The keyboard stays away
    // until the user clicks into it.
    : Dialog(parent, geometrySid,
             Qt::Window | Qt::FramelessWindowHint | Qt::WindowStaysOnBottomHint | Qt::WindowDoesNotAcceptFocus)
{
    m_resizeTimer.setSingleShot(true);
    m_resizeTimer.setInterval(0);
    connect(&m_resizeTimer, &QTimer::timeout, this, &DragableWidget::onResized);
    s_instances.append(this);
}

DragableWidget::~DragableWidget()
{
    s_instances.removeAll(this);
}

QRect DragableWidget::screenAreaAt(const QPoint &point)
{
    QScreen *screen = QGuiApplication::screenAt(point);
    if (!screen)
        screen = QGuiApplication::primaryScreen();
    return screen ? screen->availableGeometry() : QRect();
}

QList<QRect> DragableWidget::otherGeometries() const
{
    QList<QRect> others;
    for (const DragableWidget *w : std::as_const(s_instances)) {
        if (w != this)
            others << w->geometry();
    }
    return others;
}

QPoint DragableWidget::snapToEdges(const QPoint &topLeft, const QPoint &direction) const
{
    if (!m_snapEnabled)
        return QPoint();
    const QRect area = screenAreaAt(geometry().center());
    QRect r = geometry();
    r.moveTopLeft(topLeft);
    return GadgetGeometry::snapOffset(r, direction, area, otherGeometries());
}

void DragableWidget::mousePressEvent(QMouseEvent *event)
{
    const Qt::MouseButtons both = Qt::LeftButton | Qt::RightButton;
    if ((event->buttons() & both) == both) {
        event->accept();
    } else {
        m_button = event->button();
        m_moving = false;
        m_pressPos = mapFromGlobal(event->globalPosition().toPoint());
        m_lastGlobalPos = event->globalPosition().toPoint();
    }
    Dialog::mousePressEvent(event);
}

void DragableWidget::mouseMoveEvent(QMouseEvent *event)
{
    const QPoint global = event->globalPosition().toPoint();
    if (m_button != Qt::LeftButton) {
        event->ignore();
    } else if (!m_moving && (global - m_lastGlobalPos).manhattanLength() < QApplication::startDragDistance()) {
        event->ignore();
    } else if ((event->buttons() & (Qt::LeftButton | Qt::RightButton)) == (Qt::LeftButton | Qt::RightButton)) {
        finishPress(event->position().toPoint(), global, Qt::LeftButton, true);
        event->accept();
    } else {
        if (!m_moving) {
            m_moving = true;
            emit startMoving(global);
        }
        dragStep(global, global - m_lastGlobalPos);
        m_lastGlobalPos = global;
    }
    Dialog::mouseMoveEvent(event);
}

void DragableWidget::mouseReleaseEvent(QMouseEvent *event)
{
    finishPress(event->position().toPoint(), event->globalPosition().toPoint(), event->button(), false);
    Dialog::mouseReleaseEvent(event);
}

void DragableWidget::dragStep(const QPoint &globalPos, const QPoint &delta)
{
    QPoint target = globalPos - m_pressPos;
    const QPoint offset = snapToEdges(target, delta);
    if (!offset.isNull()) {
        target += offset;
        // The window keeps its snapped place relative to the cursor in the following steps.
        m_pressPos -= offset;
    }
    move(target);
}

void DragableWidget::finishPress(const QPoint &pos, const QPoint &globalPos, Qt::MouseButton button, bool canceled)
{
    if (m_button != Qt::NoButton && m_button != button)
        return;
    if (m_button == Qt::LeftButton && m_moving)
        emit endMoving(globalPos, canceled);
    if (m_button == Qt::RightButton && button == Qt::RightButton)
        emit contextMenuRequest(pos, globalPos);
    m_button = Qt::NoButton;
    m_moving = false;
    m_lastGlobalPos = QPoint();
    m_pressPos = QPoint();
}

void DragableWidget::resizeEvent(QResizeEvent *event)
{
    Dialog::resizeEvent(event);
    if (!m_resizeTimer.isActive() && !m_snapResizing)
        m_resizeTimer.start();
    m_oldSize = event->oldSize();
}

void DragableWidget::onResized()
{
    GadgetResizer *resizer = GadgetResizer::instance();
    if (!resizer->isRegistered(this))
        return;
    const bool growingW = m_oldSize.width() <= width();
    const bool growingH = m_oldSize.height() <= height();
    const QPoint dir = resizer->resizeDirection(this);
    QPoint off = snapToEdges(pos(), dir);
    if (!growingW)
        off.setX(0);
    if (!growingH)
        off.setY(0);
    if (off.isNull())
        return;
    m_snapResizing = true;
    const QSize size(width() + off.x() * dir.x(), height() + off.y() * dir.y());
    if (size != this->size()) {
        resize(size);
        // The left or top edge is the one that moves when it was grabbed.
        if (dir.x() < 0 || dir.y() < 0)
            move(pos() + QPoint(dir.x() < 0 ? off.x() : 0, dir.y() < 0 ? off.y() : 0));
    }
    m_snapResizing = false;
    // The cursor stays on the dragged edge.
    QCursor::setPos(QCursor::pos() + off);
}

void DragableWidget::showEvent(QShowEvent *event)
{
    Dialog::showEvent(event);
    if (!m_placeOnShow)
        return;
    m_placeOnShow = false;
    if (placeFreely()) {
        saveWindowGeometry();
    } else {
        // Other windows cover every place: a window the user just asked for must still be seen. Once it
        // is mapped, so that the window manager takes the change for a window it knows.
        QTimer::singleShot(0, this, [this] { setShownAbove(true); });
    }
}

void DragableWidget::setShownAbove(bool above)
{
    if (above == m_shownAbove)
        return;
    m_shownAbove = above;
    m_wasActive = false;
    // Through the window, which tells the window manager at once; new flags on the widget would make a new
    // native window, off the screen until shown again.
    if (QWindow *window = windowHandle()) {
        Qt::WindowFlags flags = window->flags();
        flags.setFlag(Qt::WindowStaysOnBottomHint, !above);
        flags.setFlag(Qt::WindowStaysOnTopHint, above);
        window->setFlags(flags);
        nativeFlagsChanged();
    }
    // Raised only: the keyboard stays where it is until the user clicks into the window, which goes back
    // below once the user has turned to something else.
    if (above)
        raise();
}

void DragableWidget::changeEvent(QEvent *event)
{
    Dialog::changeEvent(event);
    // Shown above, the window goes back below once the user has turned to something else.
    if (m_shownAbove && event->type() == QEvent::ActivationChange) {
        if (isActiveWindow())
            m_wasActive = true;
        else if (m_wasActive)
            setShownAbove(false);
    }
}

bool DragableWidget::placeFreely()
{
    const QRect r = geometry();
    const std::optional<QRect> place = GadgetGeometry::findFreePlace(r, width(), height(), screenAreaAt(r.center()),
                                                                     otherGeometries() + foreignWindowRects());
    if (!place)
        return false;
    if (*place != r)
        setGeometry(*place);
    return true;
}
