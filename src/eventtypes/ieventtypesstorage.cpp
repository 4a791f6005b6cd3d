#include "eventtypes/ieventtypesstorage.h"

#include "events/eventsfactory.h"
#include "events/ievent.h"

IEventTypesStorage::Index IEventTypesStorage::index(int row, const Index &parent) const
{
    return parent.isValid() ? Index(parent.row, row) : Index(row, -1);
}

bool IEventTypesStorage::stepTarget(const Index &index, bool down, Index *parent, int *row) const
{
    if (!index.isValid())
        return false;
    if (index.isTopLevel()) {
        const int r = index.row;
        const int last = count() - 1;
        if (r > last || (down && r >= last) || (!down && r <= 0))
            return false;
        const Index neighbour(down ? r + 1 : r - 1, -1);
        if (!isFolder(index) && isFolder(neighbour)) {
            *parent = neighbour;
            *row = down ? 0 : count(neighbour);
            return true;
        }
        *parent = Index();
        *row = down ? r + 2 : r - 1;
        return true;
    }
    const Index folder = index.parent();
    const int i = index.childRow;
    const int last = count(folder) - 1;
    if (i > last)
        return false;
    if ((down && i == last) || (!down && i == 0)) {
        *parent = Index();
        *row = down ? folder.row + 1 : folder.row;
        return true;
    }
    *parent = folder;
    *row = down ? i + 2 : i - 1;
    return true;
}

bool IEventTypesStorage::isReservedId(const QByteArray &id)
{
    for (int kind = EventTypeNotSpecified; kind <= EventTypeTask; ++kind) {
        if (id == QByteArray::number(kind) || id == EventsFactory::textId(kind))
            return true;
    }
    return false;
}
