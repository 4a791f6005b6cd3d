#include "gadgets/phantom.h"

#include "core/log.h"
#include "gadgets/gadget.h"

#include <QLabel>
#include <QPropertyAnimation>

Phantom::Phantom(Gadget *gadget) : QWidget(nullptr, Qt::Tool | Qt::FramelessWindowHint | Qt::WindowStaysOnTopHint)
{
    setWindowOpacity(0.0);
    m_label = new QLabel(this);
    const QPixmap picture = gadget->grabAreaPixmap();
    m_label->setPixmap(picture);
    m_label->setFixedSize(picture.size());
    resize(picture.size());
    m_label->move(0, 0);
    move(gadget->geometry().topLeft());
    // A fade cut short by the end of the program must not leave the picture behind.
    connect(gadget, &QObject::destroyed, this, [this] { delete this; });
}

void Phantom::showEvent(QShowEvent *event)
{
    QWidget::showEvent(event);
    m_animation = new QPropertyAnimation(this, "windowOpacity", this);
    m_animation->setDuration(s_fadeMs);
    m_animation->setStartValue(1.0);
    m_animation->setEndValue(0.0);
    connect(m_animation, &QPropertyAnimation::finished, this, &QObject::deleteLater);
    m_animation->start();
}
