#include "gadgets/buttonlabel.h"

#include <QMouseEvent>
#include <QPainter>

ButtonLabel::ButtonLabel(QWidget *parent) : QWidget(parent) {}

ButtonLabel::~ButtonLabel() = default;

void ButtonLabel::setPixmap(const QPixmap &pixmap)
{
    m_pixmap = pixmap;
    update();
}

void ButtonLabel::setHoverPixmap(const QPixmap &pixmap)
{
    m_hoverPixmap = pixmap;
    update();
}

void ButtonLabel::mouseReleaseEvent(QMouseEvent *event)
{
    QWidget::mouseReleaseEvent(event);
    if (event->button() == Qt::LeftButton)
        emit clicked();
}

void ButtonLabel::enterEvent(QEnterEvent *event)
{
    QWidget::enterEvent(event);
    m_hovered = true;
    update();
}

void ButtonLabel::leaveEvent(QEvent *event)
{
    QWidget::leaveEvent(event);
    m_hovered = false;
    update();
}

void ButtonLabel::paintEvent(QPaintEvent *)
{
    const QPixmap &pixmap = m_hovered ? m_hoverPixmap : m_pixmap;
    if (pixmap.isNull())
        return;
    const QSize size = pixmap.deviceIndependentSize().toSize();
    QPainter painter(this);
    painter.drawPixmap((width() - size.width()) / 2, (height() - size.height()) / 2, pixmap);
}
