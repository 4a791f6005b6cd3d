#pragma once

#include <QTableView>

// The editor's events table: the Delete key and the context menu are passed on to the editor.
class TableView : public QTableView
{
    Q_OBJECT

public:
    explicit TableView(QWidget *parent = nullptr);

signals:
    void contextMenu(QContextMenuEvent *event);
    void deletePressed();

protected:
    void keyPressEvent(QKeyEvent *event) override;
    void contextMenuEvent(QContextMenuEvent *event) override;
};
