#pragma once

#include <QTreeView>

#include <functional>

class QDrag;
class QMimeData;

// The list of a to-do gadget. Takes drags of to-dos, from itself or from another gadget, and turns a drop
// into an insertion at the row the drop point picks; a finished move removes the dragged to-do here.
class ToDoView : public QTreeView
{
    Q_OBJECT

public:
    // Runs a drag to its end and says how it ended; the default is QDrag::exec. Tests hand in one that
    // delivers the drop themselves.
    using DragRunner = std::function<Qt::DropAction(QDrag *)>;

    explicit ToDoView(QWidget *parent = nullptr);
    ~ToDoView() override;

    static bool canDecode(const QMimeData *data);
    bool isDragging() const;
    int dragSourceRow() const { return m_dragSourceRow; }
    void setDragRunner(const DragRunner &runner) { m_dragRunner = runner; }

signals:
    void dragCanceled();

protected:
    void dragEnterEvent(QDragEnterEvent *event) override;
    void dragMoveEvent(QDragMoveEvent *event) override;
    void dragLeaveEvent(QDragLeaveEvent *event) override;
    void dropEvent(QDropEvent *event) override;
    // Removes the dragged row itself once the drag ends as a move, whichever view took the drop, and
    // only then: a drop that was refused leaves the to-do where it was.
    void startDrag(Qt::DropActions supportedActions) override;

private:
    int m_dragSourceRow = -1;
    DragRunner m_dragRunner;
    // While this view runs a drag of its own, a drag that enters it is that drag.
    bool m_ownDragActive = false;
};
