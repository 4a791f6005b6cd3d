#include "widgets/tooltip.h"

#include "core/colorcontrast.h"

#include <QVBoxLayout>

ToolTip::ToolTip(QWidget *parent) : QFrame(parent, Qt::ToolTip | Qt::FramelessWindowHint | Qt::WindowStaysOnTopHint)
{
    setWindowTitle(tr("Info"));
    setAttribute(Qt::WA_ShowWithoutActivating);
    setFocusPolicy(Qt::NoFocus);
    setFrameShape(QFrame::Box);
    setLineWidth(1);
    // Where no compositor runs the window system ignores this and the window stays opaque.
    setWindowOpacity(0.9);
    QPalette pal = palette();
    pal.setColor(QPalette::All, QPalette::Window, QColor(255, 220, 255, 240));
    pal.setColor(QPalette::All, QPalette::WindowText, QColor(40, 20, 40));
    setPalette(pal);
    setAutoFillBackground(true);
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
        // The content was made, and styled, before it came here, with the application's colours: a dark
        // palette's light text would not read on the tint.
        QList<QWidget *> parts = widget->findChildren<QWidget *>();
        parts << widget;
        for (QWidget *part : std::as_const(parts)) {
            QPalette tinted = part->palette();
            for (QPalette::ColorRole role : {QPalette::WindowText, QPalette::Text, QPalette::ButtonText})
                tinted.setColor(role, palette().color(QPalette::WindowText));
            tinted.setColor(QPalette::Link, ColorContrast::readableColour(tinted.color(QPalette::Link),
                                                                          {palette().color(QPalette::Window)}));
            part->setPalette(tinted);
        }
        layout()->addWidget(widget);
        widget->show();
    }
    layout()->activate();
    resize(wholeContentSize());
}

QSize ToolTip::wholeContentSize() const
{
    QSize size = layout()->totalSizeHint().expandedTo(layout()->totalMinimumSize());
    // Word-wrapped text reports its hint for some width of its own choosing; ask for the height at ours.
    if (layout()->hasHeightForWidth())
        size.setHeight(qMax(size.height(), layout()->totalHeightForWidth(size.width())));
    return size.boundedTo(layout()->totalMaximumSize());
}
