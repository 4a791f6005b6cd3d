#pragma once

#include "editor/filterinfo.h"

#include <QWidget>

class FilterInfoItemWidget;
class QHBoxLayout;

// The row under the editor's pages naming the filters in force: "Filter:" and one item per
// filter. It knows nothing of their meaning; the editor hands it the list and clears a filter
// when its item reports a click.
class FilterInfoWidget : public QWidget
{
    Q_OBJECT

public:
    explicit FilterInfoWidget(QWidget *parent = nullptr);

    // An equal list keeps the present items.
    void setFilters(const FilterInfoList &filters);
    FilterInfoList filters() const { return m_filters; }
    // The items of the present list, in row order (items waiting for deletion are left out).
    QList<FilterInfoItemWidget *> items() const { return m_items; }

signals:
    void clicked(FilterInfoItemWidget *item);

private slots:
    void onClicked();

private:
    void rebuild();

    FilterInfoList m_filters;
    QHBoxLayout *m_layout;
    QList<FilterInfoItemWidget *> m_items;
    bool m_hasStretch = false;
};
