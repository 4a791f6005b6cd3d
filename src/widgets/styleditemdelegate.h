#pragma once

#include <QStyledItemDelegate>

// Paints items as the stock delegate does, but never with the focus frame.
class StyledItemDelegate : public QStyledItemDelegate
{
    Q_OBJECT

public:
    explicit StyledItemDelegate(QObject *parent = nullptr);

    void paint(QPainter *painter, const QStyleOptionViewItem &option, const QModelIndex &index) const override;
};
