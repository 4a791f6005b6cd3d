#include "editor/filterinfowidget.h"

#include "core/log.h"
#include "editor/filterinfoitemwidget.h"

#include <QHBoxLayout>
#include <QLabel>

FilterInfoWidget::FilterInfoWidget(QWidget *parent) : QWidget(parent), m_layout(new QHBoxLayout(this))
{
    m_layout->setContentsMargins(3, 3, 3, 3);
    m_layout->addWidget(new QLabel(tr("Filter:"), this));
}

void FilterInfoWidget::setFilters(const FilterInfoList &filters)
{
    if (filters == m_filters)
        return;
    m_filters = filters;
    rebuild();
}

void FilterInfoWidget::rebuild()
{
    for (FilterInfoItemWidget *item : findChildren<FilterInfoItemWidget *>()) {
        // Out of the row at once, so a quick second rebuild does not count it; deleted later
        // because its own click may be what led here.
        m_layout->removeWidget(item);
        item->hide();
        item->deleteLater();
    }
    m_items.clear();
    int position = 0;
    for (const FilterInfo &info : std::as_const(m_filters)) {
        auto *item = new FilterInfoItemWidget(this, info);
        connect(item, &FilterInfoItemWidget::clicked, this, &FilterInfoWidget::onClicked);
        ++position;
        m_layout->insertWidget(position, item);
        m_items << item;
    }
    if (!m_hasStretch) {
        m_layout->addStretch();
        m_hasStretch = true;
    }
}

void FilterInfoWidget::onClicked()
{
    if (auto *item = qobject_cast<FilterInfoItemWidget *>(sender()))
        emit clicked(item);
}
