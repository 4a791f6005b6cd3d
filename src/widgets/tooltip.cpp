#include "widgets/tooltip.h"

#include <QVBoxLayout>

ToolTip::ToolTip(QWidget *parent) : QDialog(parent, Qt::SubWindow | Qt::WindowStaysOnTopHint)
{
    setWindowTitle(tr("Info"));
    // Where no compositor runs the window system ignores this and the window stays opaque.
    setWindowOpacity(0.9);
    QPalette pal = palette();
    pal.setColor(QPalette::All, QPalette::Window, QColor(255, 220, 255, 240));
    setPalette(pal);
    setSizePolicy(QSizePolicy::Preferred, QSizePolicy::Preferred);
    auto *layout = new QVBoxLayout;
    layout->setContentsMargins(1, 1, 1, 1);
    setLayout(layout);
}

void ToolTip::setContentWidget(QWidget *widget)
{
    if (m_contentWidget && m_contentWidget != widget) {
        layout()->removeWidget(m_contentWidget);
        m_contentWidget->hide();
        m_contentWidget->deleteLater();
    }
    m_contentWidget = widget;
    if (widget) {
        widget->setParent(this);
        layout()->addWidget(widget);
        widget->show();
    }
    adjustSize();
}
