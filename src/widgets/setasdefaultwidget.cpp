#include "widgets/setasdefaultwidget.h"

#include "core/iapplication.h"
#include "core/log.h"
#include "core/properties.h"
#include "widgets/widgetresources.h"

#include <QCheckBox>
#include <QComboBox>
#include <QEvent>
#include <QSpinBox>

SetAsDefaultWidget::SetAsDefaultWidget(QWidget *parent, QWidget *control, const QByteArray &propertySid, int xOffset)
    : QToolButton(parent), m_control(control), m_propertySid(propertySid), m_xOffset(xOffset)
{
    initWidgetResources();
    setObjectName(QStringLiteral("setAsDefaultAutoButton"));
    setToolTip(tr("Set As Default"));
    setFixedSize(16, 16);
    connect(this, &QToolButton::clicked, this, &SetAsDefaultWidget::onClicked);
    subscribeToValueChange();
    hide();
    if (control)
        control->installEventFilter(this);
}

SetAsDefaultWidget *SetAsDefaultWidget::attach(QWidget *parent, QWidget *control, const QByteArray &propertySid,
                                               int xOffset)
{
    QR_ASSERT(!propertySid.isEmpty());
    QR_ASSERT(control);
    if (propertySid.isEmpty() || !control)
        return nullptr;
    return new SetAsDefaultWidget(parent, control, propertySid, xOffset);
}

QVariant SetAsDefaultWidget::currentValue(const QWidget *control)
{
    if (auto *spin = qobject_cast<const QSpinBox *>(control))
        return spin->value();
    if (auto *check = qobject_cast<const QCheckBox *>(control))
        return check->isChecked();
    if (auto *combo = qobject_cast<const QComboBox *>(control))
        return combo->currentData(Qt::UserRole);
    return QVariant();
}

void SetAsDefaultWidget::subscribeToValueChange()
{
    if (auto *spin = qobject_cast<QSpinBox *>(m_control.data()))
        connect(spin, &QSpinBox::valueChanged, this, &SetAsDefaultWidget::updateVisibility);
    else if (auto *check = qobject_cast<QCheckBox *>(m_control.data()))
        connect(check, &QCheckBox::toggled, this, &SetAsDefaultWidget::updateVisibility);
    else if (auto *combo = qobject_cast<QComboBox *>(m_control.data()))
        // Only the user's choices: the form's own filling must not offer the button.
        connect(combo, &QComboBox::activated, this, &SetAsDefaultWidget::updateVisibility);
}

void SetAsDefaultWidget::onClicked()
{
    if (!m_control)
        return;
    if (IApplication *app = IApplication::instance(); app && app->properties())
        app->properties()->setValue(m_propertySid, currentValue(m_control));
    updateVisibility();
}

void SetAsDefaultWidget::updateVisibility()
{
    if (!m_control || !m_control->isVisible())
        return;
    IApplication *app = IApplication::instance();
    const QVariant stored = app && app->properties() ? app->properties()->value(m_propertySid) : QVariant();
    const bool differs = stored != currentValue(m_control);
    if (differs) {
        const QPoint corner = m_control->mapToGlobal(QPoint(m_control->width(), 0));
        QPoint pos = parentWidget() ? parentWidget()->mapFromGlobal(corner) : corner;
        pos += QPoint(m_xOffset + 1, -(height() / 2));
        if (pos.y() < 0)
            pos.setY(0);
        move(pos);
        raise();
    }
    setVisible(differs);
}

bool SetAsDefaultWidget::eventFilter(QObject *watched, QEvent *event)
{
    if (watched == m_control && event->type() == QEvent::Hide)
        hide();
    return QToolButton::eventFilter(watched, event);
}
