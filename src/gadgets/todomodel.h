#pragma once

#include "store/todos/todostorage.h"

#include <QAbstractTableModel>
#include <QPointer>

class QMimeData;
class QWidget;

// One gadget's to-do list as a one-column table: text, done check box, struck-out font for done items,
// and moves by drag and drop. It keeps no data: every change goes to the storage, and the rows follow the
// storage's signals.
class ToDoModel : public QAbstractTableModel
{
    Q_OBJECT

public:
    static const QString s_mimeType;

    explicit ToDoModel(ToDoStorage *storage);
    ~ToDoModel() override;

    // The widget whose font, struck out, shows done items.
    void setFontWidget(QWidget *widget);

    int rowCount(const QModelIndex &parent = QModelIndex()) const override;
    int columnCount(const QModelIndex &parent = QModelIndex()) const override;
    QVariant data(const QModelIndex &index, int role = Qt::DisplayRole) const override;
    bool setData(const QModelIndex &index, const QVariant &value, int role = Qt::EditRole) override;
    QStringList mimeTypes() const override;
    QMimeData *mimeData(const QModelIndexList &indexes) const override;
    // Takes only a JSON map with a string "text" at a row from 0 to rowCount(); anything else changes
    // nothing and gives false, so a drag from a stranger cannot cost the source its to-do.
    bool dropMimeData(const QMimeData *data, Qt::DropAction action, int row, int column,
                      const QModelIndex &parent) override;
    Qt::DropActions supportedDropActions() const override;
    bool removeRows(int row, int count, const QModelIndex &parent = QModelIndex()) override;
    Qt::ItemFlags flags(const QModelIndex &index) const override;

    // The record a payload carries, or null when the payload is not one of ours.
    static IToDoRecordPtr recordFromPayload(const QByteArray &payload);

private slots:
    void onToDoChanged(int index);
    void onToDoAboutToBeAdded(int index);
    void onToDoAdded();
    void onToDoAboutToBeRemoved(int index);
    void onTodoRemoved();
    void onToDoAboutToBeMoved(int index, int delta);
    void onToDoMoved();
    void onAllDataChanged();

private:
    ToDoStorage *m_storage;
    QPointer<QWidget> m_fontWidget;
};
