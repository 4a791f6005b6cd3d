#include "runningline/movingview.h"

#include "platform/iwindowsystem.h"
#include "store/eventitemrole.h"

#include <QAbstractItemModel>
#include <QContextMenuEvent>
#include <QCursor>
#include <QMouseEvent>
#include <QPainter>
#include <QTimer>
#include <QWindow>

#include <algorithm>

MovingView::MovingView(QWidget *parent) : QWidget(parent), m_delegate(new RunningLineDelegate(this))
{
    setMouseTracking(true);
    setAttribute(Qt::WA_OpaquePaintEvent, false);
    m_delegate->setFont(font());
}

MovingView::~MovingView()
{
    releaseStrip();
}

void MovingView::setModel(QAbstractItemModel *model)
{
    if (m_model)
        disconnect(m_model, nullptr, this, nullptr);
    m_model = model;
    if (model) {
        connect(model, &QAbstractItemModel::modelReset, this, &MovingView::scheduleRebuild);
        connect(model, &QAbstractItemModel::layoutChanged, this, &MovingView::scheduleRebuild);
        connect(model, &QAbstractItemModel::rowsInserted, this, &MovingView::scheduleRebuild);
        connect(model, &QAbstractItemModel::rowsRemoved, this, &MovingView::scheduleRebuild);
        connect(model, &QAbstractItemModel::rowsMoved, this, &MovingView::scheduleRebuild);
        connect(model, &QAbstractItemModel::dataChanged, this, &MovingView::scheduleRebuild);
    }
    rebuild();
}

void MovingView::scheduleRebuild()
{
    // Models report changes in bursts (a reset per event while a file loads): rebuild once after them.
    if (m_rebuildPending)
        return;
    m_rebuildPending = true;
    QTimer::singleShot(0, this, &MovingView::rebuild);
}

void MovingView::rebuild()
{
    m_rebuildPending = false;
    // Shaped texts of rows that are gone would pile up over a long run.
    if (m_delegate && m_items.size() > 0)
        m_delegate->clearCache();
    m_items.clear();
    m_rowPictures.clear();
    m_starts.assign(1, 0);
    m_lastWhen.clear();
    m_rowCount = m_model ? m_model->rowCount() : 0;
    if (m_currentRow >= m_rowCount)
        m_currentRow = 0;
    if (!needsScrolling()) {
        m_offset = 0;
        m_pausing = false;
        m_leaving = false;
    }
    updateTimer();
    update();
}

bool MovingView::prepareRow() const
{
    const int row = int(m_items.size());
    if (row >= m_rowCount || !m_model)
        return false;
    const QModelIndex index = m_model->index(row, 0);
    m_items << m_delegate->item(index, m_lastWhen);
    m_starts.push_back(m_starts.back() + m_items.last().width);
    m_lastWhen = index.data(WhenTextRole).toString();
    return true;
}

void MovingView::prepareUpTo(qreal width) const
{
    while (m_starts.back() <= width && prepareRow()) {
    }
}

void MovingView::prepareRows(int count) const
{
    while (m_items.size() < count && prepareRow()) {
    }
}

const QList<RunningLineItem> &MovingView::items() const
{
    prepareRows(m_rowCount);
    return m_items;
}

void MovingView::setTextFont(const QFont &font)
{
    // Rows already shaped with this very font need no second shaping.
    const bool changed = font != m_delegate->font();
    setFont(font);
    m_delegate->setFont(font);
    if (changed)
        rebuild();
}

void MovingView::setTextColor(const QColor &color)
{
    if (color != m_textColor)
        m_rowPictures.clear();
    m_textColor = color;
    update();
}

void MovingView::setTextHalo(const QColor &color)
{
    if (color == m_delegate->halo())
        return;
    m_delegate->setHalo(color);
    m_rowPictures.clear();
    update();
}

void MovingView::setSpeed(int speed)
{
    m_speed = qBound(1, speed, 3);
}

void MovingView::setDirection(int direction)
{
    direction = qBound(0, direction, 2);
    if (direction == m_direction)
        return;
    m_direction = direction;
    m_offset = 0;
    m_currentRow = 0;
    m_pausing = false;
    m_leaving = false;
    updateTimer();
    update();
}

void MovingView::setVerticalPause(int msecs)
{
    m_verticalPause = qMax(0, msecs);
}

void MovingView::setPermanentScroll(bool on)
{
    if (on == m_permanentScroll)
        return;
    m_permanentScroll = on;
    if (!needsScrolling())
        m_offset = 0;
    updateTimer();
    update();
}

void MovingView::setRemoveDuplicatingWhen(bool on)
{
    if (on == m_delegate->removeDuplicatingWhen())
        return;
    m_delegate->setRemoveDuplicatingWhen(on);
    rebuild();
}

void MovingView::setHotExitArea(bool on)
{
    m_hotExitArea = on;
    if (!on)
        stopExitArea();
}

void MovingView::setLogo(const QIcon &logo)
{
    m_logo = logo;
    update();
}

QRect MovingView::logoRect() const
{
    if (m_logo.isNull())
        return QRect();
    return QRect(2, 0, height(), height());
}

QRect MovingView::textArea() const
{
    const QRect logo = logoRect();
    const int left = logo.isNull() ? 4 : logo.right() + 6;
    return QRect(left, 0, qMax(0, width() - left - 4), height());
}

bool MovingView::needsScrolling() const
{
    if (m_rowCount == 0)
        return false;
    if (m_permanentScroll)
        return true;
    if (m_direction == Horizontal) {
        // Enough rows to fill the area tell as much as all of them.
        const qreal areaWidth = textArea().width();
        const qreal gap = m_delegate->gap();
        prepareUpTo(areaWidth + gap);
        return m_starts.back() - gap > areaWidth;
    }
    return m_rowCount > 1;
}

void MovingView::updateTimer()
{
    const bool run = needsScrolling() && isVisible() && !m_hovered;
    if (!run) {
        m_timer.stop();
        return;
    }
    if (!m_timer.isActive())
        m_timer.start(m_pausing ? m_verticalPause : s_tickInterval, Qt::PreciseTimer, this);
}

void MovingView::step()
{
    const qreal areaWidth = textArea().width();
    const qreal rowHeight = height();
    if (m_direction == Horizontal) {
        // The rows about to scroll into view; the line wraps only once all are known.
        prepareUpTo(m_offset + m_speed + areaWidth + s_lookAhead);
        const qreal period = allPrepared() ? qMax(m_starts.back(), areaWidth) : m_starts.back();
        if (period <= 0)
            return;
        m_offset += m_speed;
        if (allPrepared() && m_offset >= period)
            m_offset -= period;
        if (!showByStrip(m_speed))
            update(textArea());
        return;
    }
    if (m_rowCount == 0)
        return;
    const qreal sign = m_direction == Downward ? 1 : -1;
    if (m_pausing) {
        // The pause is over: the row starts to leave.
        m_pausing = false;
        m_leaving = true;
        if (m_timer.isActive())
            m_timer.start(s_tickInterval, Qt::PreciseTimer, this);
    }
    if (m_leaving) {
        m_offset += sign * m_speed;
        if (qAbs(m_offset) >= rowHeight) {
            m_leaving = false;
            m_currentRow = (m_currentRow + 1) % m_rowCount;
            m_offset = -sign * rowHeight; // the next row comes in from the other side
        }
    } else {
        const qreal next = m_offset + sign * m_speed;
        if (m_offset == 0 || (m_offset < 0) != (next < 0) || next == 0) {
            m_offset = 0;
            m_pausing = true;
            if (m_timer.isActive())
                m_timer.start(qMax(1, m_verticalPause), Qt::PreciseTimer, this);
        } else {
            m_offset = next;
        }
    }
    update(textArea());
}

void MovingView::timerEvent(QTimerEvent *event)
{
    if (event->timerId() == m_timer.timerId()) {
        step();
    } else if (event->timerId() == m_exitTimer.timerId()) {
        stopExitArea();
        emit exitAreaActivated();
    } else if (event->timerId() == m_blinkTimer.timerId()) {
        m_blinkOff = !m_blinkOff;
        update(logoRect());
    } else {
        QWidget::timerEvent(event);
    }
}

void MovingView::paintEvent(QPaintEvent *event)
{
    if (m_paintingBackground)
        return;
    const QRect area = textArea();
    if (event->rect().intersects(area))
        m_stripCurrent = false;
    QPainter painter(this);
    const QRect logo = logoRect();
    if (!logo.isNull() && !m_blinkOff)
        m_logo.paint(&painter, logo.adjusted(3, 3, -3, -3));
    painter.setClipRect(area);
    painter.setPen(m_textColor);
    if (m_direction == Horizontal)
        drawHorizontal(painter, area, area);
    else
        drawVertical(painter, area);
}

void MovingView::drawHorizontal(QPainter &painter, const QRect &area, const QRectF &span)
{
    ++m_frame;
    // Columns beyond the area are drawn for the strip, ahead of the frames that bring them in.
    const qreal right = span.right() > area.right() + 1 ? span.right() : qreal(area.right());
    prepareUpTo(m_offset + right - area.left());
    const int margin = pictureMargin();
    for (qreal start = area.left() - m_offset; start < right;) {
        // The first row that reaches into the area.
        const auto first = std::upper_bound(m_starts.cbegin() + 1, m_starts.cend(), area.left() - start);
        for (int row = int(first - m_starts.cbegin()) - 1;; ++row) {
            if (row >= m_items.size() && !prepareRow())
                break;
            const qreal x = start + m_starts[size_t(row)];
            if (x >= right)
                break;
            const qreal left = qFloor(x) - margin;
            if (left >= span.right() || left + pictureWidth(row) <= span.left())
                continue;
            int originX = 0;
            const QPixmap &picture = rowPicture(row, x - qFloor(x), originX);
            painter.drawPixmap(qFloor(x) + originX, 0, picture);
        }
        // The line starts again after its end; unprepared rows lie beyond the right edge.
        if (!allPrepared())
            break;
        const qreal period = qMax(m_starts.back(), qreal(area.width()));
        if (period <= 0)
            break;
        start += period;
    }
    // Rows that scrolled out.
    for (auto it = m_rowPictures.begin(); it != m_rowPictures.end();) {
        if (it->frame != m_frame)
            it = m_rowPictures.erase(it);
        else
            ++it;
    }
}

int MovingView::pictureMargin() const
{
    return height() / 2 + 2;
}

int MovingView::pictureWidth(int row) const
{
    return qCeil(m_items.at(row).width) + 2 * pictureMargin() + 1;
}

const QPixmap &MovingView::rowPicture(int row, qreal phase, int &originX)
{
    const RunningLineItem &item = m_items.at(row);
    const int margin = pictureMargin();
    originX = -margin;
    RowPicture &picture = m_rowPictures[row];
    picture.frame = m_frame;
    // Moved to a screen of another pixel ratio, the picture is drawn anew.
    const qreal ratio = devicePixelRatioF();
    if (!picture.pixmap.isNull() && qFuzzyCompare(1 + picture.phase, 1 + phase) &&
        picture.pixmap.devicePixelRatio() == ratio)
        return picture.pixmap;
    const QSize size(pictureWidth(row), height());
    picture.pixmap = QPixmap((QSizeF(size) * ratio).toSize());
    picture.pixmap.setDevicePixelRatio(ratio);
    picture.pixmap.fill(Qt::transparent);
    picture.phase = phase;
    QPainter painter(&picture.pixmap);
    painter.setPen(m_textColor);
    m_delegate->drawItem(&painter, item, margin + phase, textArea().center().y() + 0.5);
    return picture.pixmap;
}

void MovingView::drawVertical(QPainter &painter, const QRect &area)
{
    if (m_rowCount == 0)
        return;
    prepareRows(m_currentRow + 1);
    if (m_currentRow >= m_items.size())
        return;
    const RunningLineItem &item = m_items.at(m_currentRow);
    m_delegate->drawItem(&painter, item, area.left(), area.center().y() + 0.5 + m_offset);
}

int MovingView::rowAt(const QPoint &pos) const
{
    if (m_direction != Horizontal)
        return rowRect(m_currentRow).contains(pos) ? m_currentRow : -1;
    // Rows not prepared yet are beyond the right edge.
    prepareUpTo(m_offset + textArea().width());
    for (int row = 0; row < m_items.size(); ++row)
        if (rowRect(row).contains(pos))
            return row;
    return -1;
}

QRect MovingView::rowRect(int row) const
{
    if (row < 0 || row >= m_rowCount)
        return QRect();
    const QRect area = textArea();
    if (m_direction != Horizontal) {
        if (row != m_currentRow)
            return QRect();
        prepareRows(row + 1);
        if (row >= m_items.size())
            return QRect();
        const int width = qCeil(m_items.at(row).width - m_delegate->gap());
        return QRect(area.left(), qRound(m_offset), width, height()).intersected(area);
    }
    prepareUpTo(m_offset + area.width());
    if (row >= m_items.size())
        return QRect(); // beyond the right edge
    const qreal x = area.left() - m_offset + m_starts[size_t(row)];
    const qreal width = m_items.at(row).width - m_delegate->gap();
    // The copy of the line that follows may be the one on screen.
    QRect rect(qFloor(x), 0, qCeil(width), height());
    if (rect.right() < area.left()) {
        if (!allPrepared())
            return QRect();
        rect.translate(qRound(qMax(m_starts.back(), qreal(area.width()))), 0);
    }
    return rect.intersected(area);
}

void MovingView::resizeEvent(QResizeEvent *event)
{
    QWidget::resizeEvent(event);
    m_rowPictures.clear();
    if (!needsScrolling())
        m_offset = 0;
    updateTimer();
}

void MovingView::showEvent(QShowEvent *event)
{
    QWidget::showEvent(event);
    updateTimer();
}

void MovingView::hideEvent(QHideEvent *event)
{
    QWidget::hideEvent(event);
    m_timer.stop();
    stopExitArea();
    releaseStrip();
    m_stripRefused = false;
}

void MovingView::setHovered(bool hovered)
{
    if (hovered == m_hovered)
        return;
    m_hovered = hovered;
    updateTimer();
}

void MovingView::enterEvent(QEnterEvent *event)
{
    QWidget::enterEvent(event);
    // The line stops under the mouse, so that a row can be read and clicked.
    setHovered(true);
}

void MovingView::leaveEvent(QEvent *event)
{
    QWidget::leaveEvent(event);
    setHovered(false);
    stopExitArea();
    if (m_hoveredRow != -1) {
        m_hoveredRow = -1;
        emit rowHovered(-1, QRect(), QPoint());
    }
}

void MovingView::stopExitArea()
{
    m_exitTimer.stop();
    m_blinkTimer.stop();
    if (m_blinkOff) {
        m_blinkOff = false;
        update(logoRect());
    }
}

void MovingView::mouseMoveEvent(QMouseEvent *event)
{
    const QPoint pos = event->position().toPoint();
    if (m_hotExitArea && logoRect().contains(pos)) {
        if (!m_exitTimer.isActive()) {
            m_exitTimer.start(s_exitAreaDelay, this);
            m_blinkTimer.start(150, this);
        }
    } else {
        stopExitArea();
    }
    const int row = rowAt(pos);
    setCursor(row >= 0 ? m_items.at(row).cursor : Qt::ArrowCursor);
    if (row != m_hoveredRow) {
        m_hoveredRow = row;
        const QRect rect = row >= 0 ? rowRect(row).translated(mapToGlobal(QPoint(0, 0))) : QRect();
        emit rowHovered(row, rect, event->globalPosition().toPoint());
    }
}

void MovingView::mouseReleaseEvent(QMouseEvent *event)
{
    if (event->button() != Qt::LeftButton)
        return;
    const int row = rowAt(event->position().toPoint());
    emit eventLeftClicked(row >= 0 ? m_items.at(row).id : QByteArray());
}

void MovingView::mouseDoubleClickEvent(QMouseEvent *event)
{
    if (event->button() != Qt::LeftButton)
        return;
    const int row = rowAt(event->position().toPoint());
    if (row >= 0)
        emit eventDoubleClicked(m_items.at(row).id);
}

void MovingView::contextMenuEvent(QContextMenuEvent *event)
{
    const int row = rowAt(event->pos());
    emit contextMenuRequested(row >= 0 ? m_items.at(row).id : QByteArray(), event->globalPos());
}

void MovingView::recheckPointer()
{
    if (isVisible() && rect().contains(mapFromGlobal(QCursor::pos())))
        return;
    setHovered(false);
    stopExitArea();
    if (m_hoveredRow != -1) {
        m_hoveredRow = -1;
        emit rowHovered(-1, QRect(), QPoint());
    }
}

// ---- frames shown by the window server

void MovingView::setWindowSystem(IWindowSystem *windowSystem)
{
    releaseStrip();
    m_windowSystem = windowSystem;
    m_stripRefused = false;
}

bool MovingView::showByStrip(int distance)
{
    // Painting a frame makes Qt's X11 flush wait for the server each time; the strip sends a few requests.
    if (!m_windowSystem || m_stripRefused || !isVisible())
        return false;
    QWindow *window = this->window()->windowHandle();
    const qreal ratio = devicePixelRatioF();
    if (!window || !window->isExposed())
        return false;
    if (m_strip && window != m_stripWindow)
        releaseStrip();
    if (!m_strip) {
        m_strip = m_windowSystem->createScrollStrip(window);
        if (!m_strip) {
            m_stripRefused = true;
            return false;
        }
        m_stripWindow = window;
        // The server shows the frames, Qt's backing store does not: exposed again, the area is painted.
        window->installEventFilter(this);
        m_stripCurrent = false;
    }
    const QRect area = textArea();
    const QRect device(QPointF(QPointF(mapTo(this->window(), area.topLeft())) * ratio).toPoint(),
                       (QSizeF(area.size()) * ratio).toSize());
    if (device.isEmpty())
        return false;
    const StripStep next = stripStep(m_stripLag, distance * ratio);
    const int columns = next.columns;
    if (m_stripCurrent && m_stripAheadColumns < columns) {
        // The strip's columns end `m_stripAheadColumns` beyond the right edge of the frame it shows, which
        // the line has left by `columns` (and the lag): draw on from there, as many as the strip holds.
        const int more = s_stripAhead - m_stripAheadColumns;
        m_stripCurrent =
            m_strip->append(textLayer(area, device.width() + m_stripAheadColumns - columns - next.lag, more));
        m_stripAheadColumns += more;
    }
    if (!m_stripCurrent) {
        // The line has moved already: the strip starts from where it is now.
        if (!m_strip->reset(device, backgroundLayer(area), textLayer(area, 0, device.width() + s_stripAhead))) {
            releaseStrip();
            m_stripRefused = true;
            return false;
        }
        m_stripCurrent = true;
        m_stripAheadColumns = s_stripAhead;
        m_stripLag = 0;
        return true;
    }
    if (columns > 0)
        m_strip->scroll(columns);
    m_stripAheadColumns -= columns;
    m_stripLag = next.lag;
    return true;
}

MovingView::StripStep MovingView::stripStep(qreal lag, qreal deviceDistance)
{
    const qreal behind = lag + deviceDistance;
    // A sum of steps like 1.1 that should come out whole must not fall a hair short of it.
    const int columns = qMax(0, qFloor(behind + 1e-6));
    return {columns, qMax<qreal>(0, behind - columns)};
}

void MovingView::releaseStrip()
{
    if (m_stripWindow)
        m_stripWindow->removeEventFilter(this);
    m_stripWindow = nullptr;
    m_strip.reset();
    m_stripCurrent = false;
    m_stripAheadColumns = 0;
    m_stripLag = 0;
}

QImage MovingView::textLayer(const QRect &area, qreal from, int width)
{
    const qreal ratio = devicePixelRatioF();
    QImage image(QSize(width, qRound(area.height() * ratio)), QImage::Format_ARGB32_Premultiplied);
    image.fill(Qt::transparent);
    image.setDevicePixelRatio(ratio);
    QPainter painter(&image);
    const qreal left = area.left() + from / ratio;
    painter.translate(-left, -area.top());
    const QRectF span(left, area.top(), width / ratio, area.height());
    painter.setClipRect(span);
    painter.setPen(m_textColor);
    drawHorizontal(painter, area, span);
    painter.end();
    return image;
}

QImage MovingView::backgroundLayer(const QRect &area)
{
    const qreal ratio = devicePixelRatioF();
    QImage image((QSizeF(area.size()) * ratio).toSize(), QImage::Format_ARGB32_Premultiplied);
    image.fill(Qt::transparent);
    image.setDevicePixelRatio(ratio);
    // The window and every widget over it, but not the line itself.
    m_paintingBackground = true;
    QWidget *top = window();
    top->render(&image, QPoint(), QRegion(QRect(mapTo(top, area.topLeft()), area.size())),
                QWidget::DrawWindowBackground | QWidget::DrawChildren);
    m_paintingBackground = false;
    return image;
}

bool MovingView::eventFilter(QObject *watched, QEvent *event)
{
    if (watched == m_stripWindow && event->type() == QEvent::Expose)
        update(textArea());
    return QWidget::eventFilter(watched, event);
}
