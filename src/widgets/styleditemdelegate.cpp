#include "widgets/styleditemdelegate.h"

StyledItemDelegate::StyledItemDelegate(QObject *parent) : SizeCachingItemDelegate(parent) {}

void StyledItemDelegate::paint(QPainter *painter, const QStyleOptionViewItem &option, const QModelIndex &index) const
{
    QStyleOptionViewItem copy(option);
    copy.state &= ~QStyle::State_HasFocus;
    QStyledItemDelegate::paint(painter, copy, index);
}
