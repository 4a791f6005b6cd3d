#include "editor/filterinfoitemwidget.h"

#include "core/log.h"

#include <QHBoxLayout>
#include <QLabel>
#include <QToolButton>

FilterInfoItemWidget::FilterInfoItemWidget(QWidget *parent, const FilterInfo &info) : QWidget(parent), m_info(info)
{
    setObjectName(QStringLiteral("FilterInfoItemWidget"));
    resize(94, 30);
    auto *outer = new QHBoxLayout(this);
    outer->setObjectName(QStringLiteral("horizontalLayout"));
    outer->setSpacing(0);
    outer->setContentsMargins(0, 0, 0, 0);
    auto *frame = new QWidget(this);
    frame->setObjectName(QStringLiteral("filterInfoItem"));
    frame->setMinimumWidth(30);
    // Without this a plain QWidget ignores the style sheet's background and border.
    frame->setAttribute(Qt::WA_StyledBackground);
    outer->addWidget(frame);
    auto *inner = new QHBoxLayout(frame);
    inner->setObjectName(QStringLiteral("horizontalLayout_6"));
    inner->setSpacing(3);
    inner->setContentsMargins(4, 4, 4, 4);
    m_label = new QLabel(info.text, frame);
    m_label->setObjectName(QStringLiteral("filterInfoLabel"));
    inner->addWidget(m_label);
    m_removeButton = new QToolButton(frame);
    m_removeButton->setObjectName(QStringLiteral("removefilterButton"));
    m_removeButton->setToolTip(tr("Clear Filter"));
    inner->addWidget(m_removeButton);
    connect(m_removeButton, &QToolButton::clicked, this, &FilterInfoItemWidget::clicked);
}
