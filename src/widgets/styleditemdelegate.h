#pragma once

#include "widgets/sizecachingitemdelegate.h"

// Paints items as the stock delegate does, but never with the focus frame. Measures each look once:
// the editor's table measures a thousand rows a column on every change of its filter.
class StyledItemDelegate : public SizeCachingItemDelegate
{
    Q_OBJECT

public:
    explicit StyledItemDelegate(QObject *parent = nullptr);

    void paint(QPainter *painter, const QStyleOptionViewItem &option, const QModelIndex &index) const override;
};
