#include "gadgets/todoview.h"

#include "gadgets/todolayout.h"
#include "gadgets/todomodel.h"

#include <QDrag>
#include <QDragEnterEvent>
#include <QMimeData>

ToDoView::ToDoView(QWidget *parent) : QTreeView(parent) {}

ToDoView::~ToDoView() = default;

bool ToDoView::canDecode(const QMimeData *data)
{
    return data && data->hasFormat(ToDoModel::s_mimeType);
}

bool ToDoView::isDragging() const
{
    return state() == DraggingState;
}

void ToDoView::dragEnterEvent(QDragEnterEvent *event)
{
    if (!canDecode(event->mimeData()))
        return;
    event->accept();
    setState(DraggingState);
    const bool own = event->source() == this || m_ownDragActive;
    m_dragSourceRow = own ? indexAt(event->position().toPoint()).row() : -2;
}

void ToDoView::dragMoveEvent(QDragMoveEvent *event)
{
    if (indexAt(event->position().toPoint()).row() != m_dragSourceRow)
        event->accept();
    else
        event->ignore();
}

void ToDoView::dragLeaveEvent(QDragLeaveEvent *)
{
    if (state() != DraggingState)
        return;
    setState(NoState);
    m_dragSourceRow = -1;
    emit dragCanceled();
}

void ToDoView::dropEvent(QDropEvent *event)
{
    const QPoint pos = event->position().toPoint();
    const QModelIndex index = indexAt(pos);
    if (index.row() == m_dragSourceRow) {
        event->ignore();
        return;
    }
    bool inserted = false;
    if (model() && viewport()->rect().contains(pos)) {
        const QRect rect = visualRect(index);
        const int target = ToDoLayout::dropRow(index.isValid() ? index.row() : -1, m_dragSourceRow,
                                               pos.y() <= rect.center().y(), model()->rowCount());
        inserted = model()->dropMimeData(event->mimeData(), Qt::MoveAction, target, 0, QModelIndex());
    }
    // The source removes its to-do once the drop reports a move, so a refused drop must not report one.
    if (inserted) {
        event->setDropAction(Qt::MoveAction);
        event->accept();
    } else {
        event->setDropAction(Qt::IgnoreAction);
        event->ignore();
    }
    stopAutoScroll();
    setState(NoState);
    viewport()->update();
    m_dragSourceRow = -1;
}

void ToDoView::startDrag(Qt::DropActions)
{
    if (!model())
        return;
    const QModelIndex current = currentIndex();
    if (!current.isValid())
        return;
    QMimeData *data = model()->mimeData({current});
    if (!data)
        return;
    const QPersistentModelIndex source(current);
    auto *drag = new QDrag(this);
    drag->setMimeData(data);
    const QRect rect = visualRect(current);
    drag->setPixmap(viewport()->grab(rect));
    drag->setHotSpot(viewport()->mapFromGlobal(QCursor::pos()) - rect.topLeft());
    m_ownDragActive = true;
    const Qt::DropAction action = m_dragRunner ? m_dragRunner(drag) : drag->exec(Qt::MoveAction, Qt::MoveAction);
    m_ownDragActive = false;
    // A drop this view refused (onto the dragged row itself) leaves the drag state behind.
    setState(NoState);
    m_dragSourceRow = -1;
    if (action == Qt::MoveAction && source.isValid())
        model()->removeRow(source.row());
    if (m_dragRunner)
        drag->deleteLater();
}
