#pragma once

#include "eventtypes/customtypesstorage.h"
#include "eventtypes/eventtypesstorage.h"
#include "eventtypes/ieventtype.h"
#include "events/eventsfactory.h"

#include <QDir>
#include <QStringList>
#include <QUndoCommand>

#include <memory>

// The tree as text, one line per top-level row: a type's name, or a folder's name, "=" and its
// children's names joined by ",".
inline QStringList treeLines(const IEventTypesStorage &storage)
{
    QStringList lines;
    for (int row = 0; row < storage.count(); ++row) {
        const IEventTypesStorage::Index index(row, -1);
        if (!storage.isFolder(index)) {
            lines << storage.typeAt(index)->name();
            continue;
        }
        QStringList children;
        for (int child = 0; child < storage.count(index); ++child)
            children << storage.typeAt(IEventTypesStorage::Index(row, child))->name();
        lines << storage.folderName(index) + '=' + children.join(',');
    }
    return lines;
}

inline QStringList builtInLines()
{
    return {EventsFactory::eventName(1), EventsFactory::eventName(3), EventsFactory::eventName(2),
            EventsFactory::eventName(4), EventsFactory::eventName(0)};
}

inline CustomTypeInfo makeCustomType(const QByteArray &id, const QString &name, int baseType = 3)
{
    CustomTypeInfo info;
    info.id = id;
    info.name = name;
    info.baseType = baseType;
    return info;
}

// The two storages over files in one folder, made anew on demand.
struct TypesFiles
{
    explicit TypesFiles(const QString &folder)
        : customPath(QDir(folder).filePath("customtypes.dat")), orderPath(QDir(folder).filePath("typesorder.dat"))
    {
        open();
    }
    void open()
    {
        storage.reset();
        custom = std::make_unique<CustomTypesStorage>(customPath);
        storage = std::make_unique<EventTypesStorage>(custom.get(), orderPath);
    }

    QString customPath;
    QString orderPath;
    std::unique_ptr<CustomTypesStorage> custom;
    std::unique_ptr<EventTypesStorage> storage;
};

// The editor's undo step for the tree: the first redo records the state, later ones swap it back.
class SwapStateCommand : public QUndoCommand
{
public:
    explicit SwapStateCommand(IEventTypesStorage *storage) : m_storage(storage) {}
    void redo() override
    {
        if (m_first) {
            m_state = m_storage->state();
            m_first = false;
            return;
        }
        swap();
    }
    void undo() override { swap(); }

private:
    void swap()
    {
        const QVariantMap current = m_storage->state();
        m_storage->setState(m_state);
        m_state = current;
    }

    IEventTypesStorage *m_storage;
    QVariantMap m_state;
    bool m_first = true;
};
