#pragma once

#include "events/customtypeinfo.h"

#include <QObject>
#include <QVariantMap>

class IEventType;

// The user-ordered tree of event types: top-level rows are folders and types, a folder's rows are
// types (two levels). Changes made here are saved at once; state()/setState() serve undo.
class IEventTypesStorage : public QObject
{
    Q_OBJECT

public:
    // Item flags beside Qt's own. Qt gives 0x80 the meaning "never has children", with which a tree
    // view never opens a folder, so removability takes a bit Qt leaves unused.
    enum ItemFlag {
        ItemCanBeMovedUp = 0x100,
        ItemCanBeMovedDown = 0x200,
        ItemIsRemovable = 0x400,
    };

    // A place in the tree: the top-level row and the row inside that folder (-1 for a top-level row).
    // The default value is invalid and stands for the top level.
    struct Index
    {
        Index() : row(-1), childRow(-1) {}
        Index(int row, int childRow) : row(qint16(row)), childRow(qint16(childRow)) {}

        bool isValid() const { return row >= 0; }
        bool isTopLevel() const { return childRow < 0; }
        // The folder holding a child; the top level for a top-level row.
        Index parent() const { return isTopLevel() ? Index() : Index(row, -1); }
        bool operator==(const Index &other) const { return row == other.row && childRow == other.childRow; }
        bool operator!=(const Index &other) const { return !(*this == other); }

        qint16 row;
        qint16 childRow;
    };

    using QObject::QObject;

    // Children of `parent` (the top level's for an invalid index).
    virtual int count(const Index &parent = Index()) const = 0;
    Index index(int row, const Index &parent = Index()) const;
    virtual bool isFolder(const Index &index) const = 0;
    virtual QString folderName(const Index &index) const = 0;
    virtual IEventType *typeAt(const Index &index) const = 0;
    // The type with that id ("1" for birthday, a custom type's record id), or null.
    virtual IEventType *typeById(const QByteArray &id) const = 0;
    // Qt::ItemIsEditable and the ItemFlag values that apply to the item.
    virtual int flags(const Index &index) const = 0;

    // {"myState": the tree, "customState": the custom types}.
    virtual QVariantMap state() const = 0;
    // Replaces the custom types and then the tree between the layout signals, and saves.
    virtual void setState(const QVariantMap &state) = 0;

    // Changes; each refuses bad arguments with false and leaves the tree as it was.
    virtual bool insertFolder(int row, const QString &name) = 0;
    // Renames a folder or a custom type.
    virtual bool rename(const Index &index, const QString &name) = 0;
    virtual bool insertCustomType(const Index &parent, int row, const CustomTypeInfo &info) = 0;
    // Replaces the record of the custom type at `index`; the type keeps its id.
    virtual bool replaceCustomType(const Index &index, const CustomTypeInfo &info) = 0;
    // `row` counts in `parent` before the item is taken out (-1: the end), as item models do.
    virtual bool move(const Index &index, const Index &parent, int row) = 0;
    // A custom type leaves the custom types too. A folder takes its custom types with it; its
    // built-in kinds go to the end of the top level.
    virtual bool remove(const Index &index) = 0;

    // A number that names a folder as long as it exists, wherever it moves; 0 for no folder.
    virtual quint32 folderKey(const Index &index) const = 0;
    // The top-level row of the folder with that key, or -1.
    virtual int folderRow(quint32 key) const = 0;

    // Where moving one step up or down takes the item (parent, and row as for move()):
    // a type enters a folder directly above or below it and leaves a folder from its first or last row.
    bool stepTarget(const Index &index, bool down, Index *parent, int *row) const;

    // Ids no custom type may take: the kind numbers and the kind keys.
    static bool isReservedId(const QByteArray &id);

signals:
    // Around a replacement of the whole tree (setState, a restored backup).
    void layoutAboutToBeChanged();
    void layoutChanged();
};
