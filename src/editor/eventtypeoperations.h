#pragma once

#include "events/customtypeinfo.h"

#include <QCoreApplication>
#include <QModelIndex>
#include <QPixmap>
#include <QString>

class EventTypesTreeModel;
class Storage;
class UndoProxy;

// The editor's changes to the event types tree, each one undo step: a whole-state command over
// the types storage pushed before the change; a custom type's picture joins it in one macro.
// Nothing is pushed for a change the model would refuse.
class EventTypeOperations
{
    Q_DECLARE_TR_FUNCTIONS(Editor)

public:
    // `pictures` may be null: types then keep their kinds' pictures.
    EventTypeOperations(EventTypesTreeModel *model, Storage *pictures, UndoProxy *undo);

    struct Place
    {
        QModelIndex parent; // a folder, or invalid for the top level
        int row = 0;
    };

    // The top-level row of a new folder: after the current item's row in its own parent, at the
    // top without one, and never past the end of the top level.
    static int newFolderRow(const QModelIndex &current, int topLevelRows);
    // A new type: first in the current folder, right after the current type, or at the top.
    static Place newTypePlace(const EventTypesTreeModel &model, const QModelIndex &current);

    // Return the new item's index; invalid when nothing was made.
    QModelIndex createFolder(const QModelIndex &current);
    QModelIndex createCustomType(const QModelIndex &current, const CustomTypeInfo &info, const QPixmap &picture);
    // The type keeps its id. A null picture leaves the stored one unless `dropPicture` says the
    // user went back to the kind's own picture.
    bool editCustomType(const QModelIndex &index, CustomTypeInfo info, const QPixmap &picture, bool dropPicture);
    bool remove(const QModelIndex &index);
    bool moveUp(const QModelIndex &index);
    bool moveDown(const QModelIndex &index);
    // A drop: `row` counts in `parent` before the item leaves its place (-1: the end).
    bool move(const QModelIndex &index, const QModelIndex &parent, int row);
    bool rename(const QModelIndex &index, const QString &name);

private:
    void pushState(const QString &text);
    bool canStep(const QModelIndex &index, bool down) const;
    bool canMove(const QModelIndex &index, const QModelIndex &parent, int row) const;
    // Inside an open macro: keeps the picture's old bytes for undo, then stores or erases it.
    void storePicture(const QByteArray &key, const QPixmap &picture);
    void erasePicture(const QByteArray &key);

    EventTypesTreeModel *m_model;
    Storage *m_pictures;
    UndoProxy *m_undo;
};
