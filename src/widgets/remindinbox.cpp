#include "widgets/remindinbox.h"

#include "core/log.h"
#include "widgets/setasdefaultwidget.h"

#include <QHBoxLayout>
#include <QSpinBox>

RemindInBox::RemindInBox(QWidget *parent) : QWidget(parent), m_spinBox(new QSpinBox(this))
{
    auto *layout = new QHBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->setSpacing(1);
    layout->addWidget(m_spinBox);
    m_spinBox->setSuffix(tr(" day(s)"));
    m_spinBox->setRange(0, 99);
    m_spinBox->setSingleStep(1);
    QMetaObject::invokeMethod(this, &RemindInBox::init, Qt::QueuedConnection);
}

int RemindInBox::value() const
{
    return m_spinBox->value();
}

void RemindInBox::setValue(int value)
{
    m_spinBox->setValue(value);
}

void RemindInBox::init()
{
    const QByteArray propertyName = property("defaultPropertyKey").toString().toUtf8();
    QR_ASSERT(!propertyName.isEmpty());
    // A button for an empty name would store the value under an empty key.
    if (!propertyName.isEmpty())
        SetAsDefaultWidget::attach(window(), m_spinBox, propertyName, 0);
}
