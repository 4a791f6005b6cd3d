#include "widgets/choosephotowidget.h"

#include "widgets/widgetresources.h"

#include <QCursor>
#include <QMouseEvent>
#include <QPainter>

#include <algorithm>

ChoosePhotoWidget::ChoosePhotoWidget(QWidget *parent) : QWidget(parent)
{
    initWidgetResources();
    setMouseTracking(true);
    setCursor(Qt::CrossCursor);
    m_upArrow.load(QStringLiteral(":/Ostrevalder/icons/arrows/up_16.png"));
    m_downArrow.load(QStringLiteral(":/Ostrevalder/icons/arrows/down_16.png"));
    m_leftArrow.load(QStringLiteral(":/Ostrevalder/icons/arrows/left_16.png"));
    m_rightArrow.load(QStringLiteral(":/Ostrevalder/icons/arrows/right_16.png"));
}

int ChoosePhotoWidget::minZoomFor(const QSize &picture, const QSize &crop)
{
    if (picture.isEmpty())
        return kMaxZoom;
    const float byWidth = float(crop.width()) / float(picture.width()) * 100.0f;
    const float byHeight = float(crop.height()) / float(picture.height()) * 100.0f;
    return std::min(kMaxZoom, int(std::max(byWidth, byHeight) + 1.0f));
}

int ChoosePhotoWidget::firstZoom(const QSize &picture, const QSize &crop, int maxWidth)
{
    if (picture.isEmpty())
        return kMaxZoom;
    const int byWidth = std::min(kMaxZoom, int(double(maxWidth) / picture.width() * 100.0));
    // From the width alone a wide, low picture could end up lower than the frame, and the photo
    // would take pixels from beyond the picture.
    return std::max(byWidth, minZoomFor(picture, crop));
}

int ChoosePhotoWidget::minZoom() const
{
    return minZoomFor(m_photo.size(), m_frame.size());
}

QSize ChoosePhotoWidget::scaledSize() const
{
    return QSize(qRound(m_photo.width() * m_zoom / 100.0), qRound(m_photo.height() * m_zoom / 100.0));
}

QSize ChoosePhotoWidget::sizeHint() const
{
    return scaledSize();
}

void ChoosePhotoWidget::setPhoto(const QPixmap &picture)
{
    m_photo = picture;
    m_zoom = firstZoom(m_photo.size(), m_cropSize, maximumWidth());
    fitToPicture();
    rescale();
}

void ChoosePhotoWidget::setCropSize(const QSize &size)
{
    m_cropSize = size;
    setMinimumSize(size);
    m_frame = QRect(QPoint(0, 0), size);
    moveFrameTo(QPoint(0, 0));
    const int least = minZoom();
    if (m_zoom < least) {
        m_zoom = least;
        fitToPicture();
        rescale();
    }
}

void ChoosePhotoWidget::zoomBy(int steps)
{
    if (steps == 0)
        return;
    setZoom(m_zoom + steps * kZoomStep);
}

void ChoosePhotoWidget::setZoom(int percent)
{
    if (percent == m_zoom)
        return;
    percent = std::max(std::min(percent, kMaxZoom), minZoom());
    if (percent == m_zoom)
        return;
    m_zoom = percent;
    fitToPicture();
    moveFrameTo(mapFromGlobal(QCursor::pos()));
    rescale();
}

void ChoosePhotoWidget::fitToPicture()
{
    resize(scaledSize().boundedTo(maximumSize()));
    // The size hint follows the zoom; a window wider than the picture lays the widget out by it.
    updateGeometry();
}

void ChoosePhotoWidget::rescale()
{
    const QSize size = scaledSize();
    if (m_scaled.size() != size)
        m_scaled = m_photo.isNull() ? QPixmap() : m_photo.scaled(size, Qt::IgnoreAspectRatio, Qt::FastTransformation);
    clampOffset();
    update();
}

// After zooming out the old offset may reach beyond the smaller picture; the view and the copied
// photo must stay on the picture.
void ChoosePhotoWidget::clampOffset()
{
    const QSize scaled = scaledSize();
    m_offset.setX(std::max(0, std::min(m_offset.x(), scaled.width() - width())));
    m_offset.setY(std::max(0, std::min(m_offset.y(), scaled.height() - height())));
}

void ChoosePhotoWidget::scrollBy(const QPoint &delta)
{
    m_offset -= delta;
    clampOffset();
    update();
}

void ChoosePhotoWidget::moveFrameTo(const QPoint &centre)
{
    const int w = m_cropSize.width();
    const int h = m_cropSize.height();
    QRect r(QPoint(centre.x() - w / 2, centre.y() - h / 2), QSize(w, h));
    if (r.left() < 0)
        r.moveLeft(0);
    else if (r.right() >= width())
        r.moveRight(width() - 1);
    if (r.top() < 0)
        r.moveTop(0);
    else if (r.bottom() >= height())
        r.moveBottom(height() - 1);
    m_frame = r;
}

QPixmap ChoosePhotoWidget::croppedPhoto() const
{
    return m_scaled.copy(m_frame.translated(m_offset));
}

void ChoosePhotoWidget::startDrag()
{
    if (m_dragging)
        return;
    m_dragging = true;
    setCursor(Qt::ClosedHandCursor);
    update();
}

void ChoosePhotoWidget::stopDrag()
{
    if (!m_dragging)
        return;
    m_dragging = false;
    setCursor(Qt::CrossCursor);
    update();
}

void ChoosePhotoWidget::mouseMoveEvent(QMouseEvent *event)
{
    moveFrameTo(event->position().toPoint());
    update();
    // The dialog drags the picture; it must see the move too.
    event->ignore();
}

void ChoosePhotoWidget::leaveEvent(QEvent *event)
{
    moveFrameTo(QPoint(0, 0));
    QWidget::leaveEvent(event);
}

void ChoosePhotoWidget::resizeEvent(QResizeEvent *event)
{
    QWidget::resizeEvent(event);
    rescale();
}

void ChoosePhotoWidget::paintEvent(QPaintEvent *)
{
    QPainter p(this);
    const QRect visible(m_offset, size());
    p.drawPixmap(QPoint(0, 0), m_scaled, visible);
    if (!m_dragging) {
        // The veil is painted over the visible part only, not kept as a second full-size picture,
        // so large photos open at once.
        QRect veil(QPoint(0, 0), visible.intersected(m_scaled.rect()).size());
        p.fillRect(veil, QColor(255, 255, 255, 150));
        p.drawPixmap(m_frame.topLeft(), m_scaled, m_frame.translated(m_offset));
        p.drawRect(m_frame.adjusted(0, 0, -1, -1));
    }

    const int arrow = m_leftArrow.width();
    const int a = arrow / 2;
    const int w = std::min(width(), maximumWidth());
    const int h = std::min(height(), maximumHeight());
    const int cx = w / 2;
    const int cy = h / 2;
    const QSize scaled = scaledSize();
    if (m_offset.y() > 0)
        p.drawImage(QPoint(cx - a, 0), m_upArrow);
    if (scaled.height() - m_offset.y() > height())
        p.drawImage(QPoint(cx - a, h - arrow), m_downArrow);
    if (m_offset.x() > 0)
        p.drawImage(QPoint(0, cy - a), m_leftArrow);
    if (scaled.width() - m_offset.x() > width())
        p.drawImage(QPoint(w - arrow, cy - a), m_rightArrow);
}
