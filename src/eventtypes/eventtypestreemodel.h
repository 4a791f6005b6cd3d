#pragma once

#include "eventtypes/ieventtypesstorage.h"

#include <QAbstractItemModel>

class IEventType;
class ITreeViewExpandInfo;

// The event types tree for the editor's view: one column, folders and types two levels deep.
// Every change goes through the storage, which saves it; drops and in-place edits are only
// requested (moveRequested, renameRequested) so the editor can record them for undo first.
class EventTypesTreeModel : public QAbstractItemModel
{
    Q_OBJECT

public:
    EventTypesTreeModel(IEventTypesStorage *storage, ITreeViewExpandInfo *expandInfo = nullptr,
                        QObject *parent = nullptr);

    static QString newFolderName();
    // The payload of a dragged item: the two numbers of its storage index.
    static QString mimeType();

    QModelIndex index(int row, int column, const QModelIndex &parent = QModelIndex()) const override;
    QModelIndex parent(const QModelIndex &child) const override;
    int rowCount(const QModelIndex &parent = QModelIndex()) const override;
    int columnCount(const QModelIndex &parent = QModelIndex()) const override;
    QVariant data(const QModelIndex &index, int role = Qt::DisplayRole) const override;
    // An edit of the name is only requested (renameRequested); rename() makes it.
    bool setData(const QModelIndex &index, const QVariant &value, int role = Qt::EditRole) override;
    Qt::ItemFlags flags(const QModelIndex &index) const override;
    // Refused while a move's removal is pending (see move()).
    bool removeRows(int row, int count, const QModelIndex &parent = QModelIndex()) override;

    Qt::DropActions supportedDragActions() const override;
    Qt::DropActions supportedDropActions() const override;
    QStringList mimeTypes() const override;
    QMimeData *mimeData(const QModelIndexList &indexes) const override;
    bool canDropMimeData(const QMimeData *data, Qt::DropAction action, int row, int column,
                         const QModelIndex &parent) const override;
    // A valid drop emits moveRequested; the item moves only when somebody calls move().
    bool dropMimeData(const QMimeData *data, Qt::DropAction action, int row, int column,
                      const QModelIndex &parent) override;

    IEventTypesStorage *storage() const { return m_storage; }
    bool isFolder(const QModelIndex &index) const;
    // Null for a folder.
    IEventType *typeAt(const QModelIndex &index) const;
    CustomTypeInfo customTypeInfoAt(const QModelIndex &index) const;
    IEventTypesStorage::Index toStorageIndex(const QModelIndex &index) const;
    QModelIndex fromStorageIndex(const IEventTypesStorage::Index &index) const;

    bool createFolder(int row);
    // `parent` is a folder or the root (an invalid index).
    bool insertCustomType(const QModelIndex &parent, int row, const CustomTypeInfo &info);
    bool modifyCustomType(const QModelIndex &index, const CustomTypeInfo &info);
    bool moveUp(const QModelIndex &index);
    bool moveDown(const QModelIndex &index);
    // `row` counts in `parent` before the item leaves its place (-1: the end). A view that dragged
    // the item removes the source rows after the drop; removals stay refused until allowRemove() ran.
    bool move(const QModelIndex &index, const QModelIndex &parent, int row);
    // Renames a folder or a custom type; names are trimmed and an empty one is refused.
    bool rename(const QModelIndex &index, const QString &name);

public slots:
    void allowRemove();

signals:
    // After an item was added, removed, moved or renamed, or the tree was replaced.
    void somethingChanged();
    void moveRequested(const QModelIndex &index, const QModelIndex &parent, int row);
    void renameRequested(const QModelIndex &index, const QString &name);

private:
    bool step(const QModelIndex &index, bool down);
    bool moveItem(const QModelIndex &index, const QModelIndex &parent, int row);
    bool removeItem(const QModelIndex &index);
    void refuseRemovalsForAWhile();
    void onLayoutChanged();

    IEventTypesStorage *const m_storage;
    ITreeViewExpandInfo *const m_expandInfo;
    bool m_removeRefused = false;
};
