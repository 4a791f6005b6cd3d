#include "diagnostics/tests.h"

#include "core/log.h"
#include "editor/savestatecommand.h"
#include "events/customtypeinfo.h"
#include "events/eventsfactory.h"
#include "eventtypes/customtypesstorage.h"
#include "eventtypes/eventtypesstorage.h"
#include "eventtypes/eventtypestreemodel.h"
#include "eventtypes/ieventtype.h"

#include <QFile>
#include <QPersistentModelIndex>

#include <functional>

namespace TestsTypesPrivate {

int s_customTypeCounter = 5;

CustomTypeInfo createTestCustomType(const QString &name)
{
    CustomTypeInfo info;
    info.id = QByteArray::number(++s_customTypeCounter);
    info.name = name;
    info.baseType = EventTypeHoliday;
    return info;
}

} // namespace TestsTypesPrivate

using namespace TestsTypesPrivate;

void compareEventTypesStorageValues(IEventTypesStorage *storage, const IEventTypesStorage::Index &index,
                                    const QStringList &master)
{
    checkExpression(!index.isValid() || storage->isFolder(index));
    checkEqual(master.count(), storage->count(index));
    // Lines past the storage's rows have nothing to compare with; the count check has failed already.
    const int common = qMin(int(master.count()), storage->count(index));
    for (int i = 0; i < common; ++i) {
        const IEventTypesStorage::Index child =
            index.isValid() ? IEventTypesStorage::Index(index.row, i) : IEventTypesStorage::Index(i, -1);
        const QString &line = master.at(i);
        const int equals = int(line.indexOf(QLatin1Char('=')));
        const bool folderLine = equals >= 0;
        const bool folder = storage->isFolder(child);
        checkEqual(int(folderLine), int(folder));
        if (folderLine != folder)
            continue;
        if (folderLine) {
            checkEqual(line.left(equals), storage->folderName(child));
            const QString children = line.mid(equals + 1);
            if (!children.isEmpty())
                compareEventTypesStorageValues(storage, child, children.split(QLatin1Char(','), Qt::KeepEmptyParts));
        } else {
            const IEventType *type = storage->typeAt(child);
            checkExpression(type != nullptr);
            if (type)
                checkEqual(line, type->name());
        }
    }
}

void compareEventTypesStorageValues(IEventTypesStorage *storage, const QStringList &master)
{
    compareEventTypesStorageValues(storage, IEventTypesStorage::Index(), master);
}

void Tests::testTypesTree()
{
    const QString customTypesFile = QString::fromUtf8(s_testDataPath + "customtypes.dat");
    const QString orderFile = QString::fromUtf8(s_testDataPath + "typesorder.dat");
    QFile::remove(customTypesFile);
    QFile::remove(orderFile);
    CustomTypesStorage customTypes(nullptr, customTypesFile);
    EventTypesStorage storage(&customTypes, orderFile);
    EventTypesTreeModel model(&storage);

    const QString B = EventsFactory::eventName(EventTypeBirthday);
    const QString H = EventsFactory::eventName(EventTypeHoliday);
    const QString W = EventsFactory::eventName(EventTypeWedding);
    const QString T = EventsFactory::eventName(EventTypeTask);
    const QString A = EventsFactory::eventName(EventTypeNotSpecified);
    const QString N = EventTypesTreeModel::newFolderName();

    const QStringList initial{B, H, W, T, A};
    compareEventTypesStorageValues(&storage, initial);
    QList<QStringList> history{initial};
    QStringList lines = initial;

    // One recorded step: the command keeps the state before the change, then the tree must match.
    const auto step = [&](const std::function<void()> &change) {
        COMMAND(new SaveStateCommand<IEventTypesStorage>(&storage, QString()));
        change();
        history << lines;
        compareEventTypesStorageValues(&storage, lines);
    };
    const auto folderLine = [](const QString &name, const QStringList &children) {
        return name + QLatin1Char('=') + children.join(QLatin1Char(','));
    };

    step([&] {
        model.createFolder(0);
        lines.prepend(N + QLatin1Char('='));
    });
    step([&] {
        model.rename(model.index(0, 0), QStringLiteral("TopFolder"));
        lines[0] = QStringLiteral("TopFolder=");
    });
    step([&] {
        model.createFolder(storage.count());
        lines.append(N + QLatin1Char('='));
    });
    step([&] {
        model.rename(model.index(model.rowCount() - 1, 0), QStringLiteral("BottomFolder"));
        lines.last() = QStringLiteral("BottomFolder=");
    });
    checkExpression(model.flags(model.index(0, 0)) & IEventTypesStorage::ItemIsRemovable);
    checkExpression(!(model.flags(model.index(1, 0)) & IEventTypesStorage::ItemIsRemovable));

    QStringList top;
    step([&] {
        model.insertCustomType(model.index(0, 0), 0, createTestCustomType(QStringLiteral("Custom1")));
        top = QStringList{QStringLiteral("Custom1")};
        lines[0] = folderLine(QStringLiteral("TopFolder"), top);
    });
    step([&] {
        model.insertCustomType(model.index(0, 0), 0, createTestCustomType(QStringLiteral("Custom2")));
        model.insertCustomType(model.index(0, 0), 0, createTestCustomType(QStringLiteral("Custom3")));
        top = QStringList{QStringLiteral("Custom3"), QStringLiteral("Custom2"), QStringLiteral("Custom1")};
        lines[0] = folderLine(QStringLiteral("TopFolder"), top);
    });
    step([&] {
        model.insertCustomType(model.index(0, 0), 3, createTestCustomType(QStringLiteral("Custom4")));
        top.append(QStringLiteral("Custom4"));
        lines[0] = folderLine(QStringLiteral("TopFolder"), top);
    });
    step([&] {
        model.insertCustomType(model.index(0, 0), 1, createTestCustomType(QStringLiteral("Custom5")));
        top.insert(1, QStringLiteral("Custom5"));
        lines[0] = folderLine(QStringLiteral("TopFolder"), top);
    });

    // The top folder walks down to the last row, the bottom folder up to the first; the flags end the loops.
    {
        const QPersistentModelIndex p(model.index(0, 0));
        for (int r = 0; model.flags(p) & IEventTypesStorage::ItemCanBeMovedDown && r + 1 < lines.size(); ++r) {
            step([&] {
                model.moveDown(p);
                lines.swapItemsAt(r, r + 1);
            });
        }
    }
    {
        const QPersistentModelIndex p(model.index(5, 0));
        for (int r = 5; model.flags(p) & IEventTypesStorage::ItemCanBeMovedUp && r > 0; --r) {
            step([&] {
                model.moveUp(p);
                lines.swapItemsAt(r, r - 1);
            });
        }
    }

    // A type walks into the folder below it, down through it and out after it.
    {
        const QPersistentModelIndex p(model.index(5, 0));
        step([&] {
            model.moveDown(p);
            lines.removeAt(5);
            top.prepend(A);
            lines[5] = folderLine(QStringLiteral("TopFolder"), top);
        });
        for (int i = 0; i < 5; ++i) {
            step([&] {
                model.moveDown(p);
                top.swapItemsAt(i, i + 1);
                lines[5] = folderLine(QStringLiteral("TopFolder"), top);
            });
        }
        step([&] {
            model.moveDown(p);
            top.removeLast();
            lines[5] = folderLine(QStringLiteral("TopFolder"), top);
            lines.append(A);
        });
    }
    // A type walks up into the folder above it and out before it.
    {
        const QPersistentModelIndex p(model.index(1, 0));
        step([&] {
            model.moveUp(p);
            lines.removeAt(1);
            lines[0] = folderLine(QStringLiteral("BottomFolder"), {B});
        });
        step([&] {
            model.moveUp(p);
            lines[0] = QStringLiteral("BottomFolder=");
            lines.prepend(B);
        });
    }
    step([&] {
        model.move(model.index(0, 0, model.index(5, 0)), QModelIndex(), 0);
        const QString moved = top.takeFirst();
        lines[5] = folderLine(QStringLiteral("TopFolder"), top);
        lines.prepend(moved);
    });
    model.allowRemove();
    step([&] {
        model.removeRow(0);
        lines.removeAt(0);
    });
    step([&] {
        model.removeRow(0, model.index(5, 0));
        top.removeFirst();
        lines[5] = folderLine(QStringLiteral("TopFolder"), top);
    });
    step([&] {
        model.removeRow(1);
        lines.removeAt(1);
    });
    step([&] {
        model.removeRow(4);
        lines.removeAt(4);
    });

    compareEventTypesStorageValues(&storage, lines);
    compareEventTypesStorageValues(&storage, initial);

    for (int i = int(history.count()) - 2; i >= 0; --i) {
        undo();
        compareEventTypesStorageValues(&storage, history.at(i));
    }
    for (int i = 1; i < history.count(); ++i) {
        redo();
        compareEventTypesStorageValues(&storage, history.at(i));
    }
    clearUndoStack();
}
