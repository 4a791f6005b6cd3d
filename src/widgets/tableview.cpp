#include "widgets/tableview.h"

#include "widgets/styleditemdelegate.h"

#include <QKeyEvent>

TableView::TableView(QWidget *parent) : QTableView(parent)
{
    setItemDelegate(new StyledItemDelegate(this));
}

void TableView::keyPressEvent(QKeyEvent *event)
{
    if (event->key() == Qt::Key_Delete && currentIndex().isValid() && selectionModel() &&
        !selectionModel()->selectedIndexes().isEmpty())
        emit deletePressed();
    QAbstractItemView::keyPressEvent(event);
}

void TableView::contextMenuEvent(QContextMenuEvent *event)
{
    emit contextMenu(event);
}
