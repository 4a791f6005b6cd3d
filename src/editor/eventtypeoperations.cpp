#include "editor/eventtypeoperations.h"

#include "core/log.h"
#include "events/ievent.h"
#include "core/storage.h"
#include "core/undoobject.h"
#include "editor/savestatecommand.h"
#include "eventtypes/eventtypestreemodel.h"
#include "eventtypes/ieventtypesstorage.h"
#include "store/editorcommands.h"

#include <QBuffer>

EventTypeOperations::EventTypeOperations(EventTypesTreeModel *model, Storage *pictures, UndoProxy *undo)
    : m_model(model), m_pictures(pictures), m_undo(undo)
{
}

int EventTypeOperations::newFolderRow(const QModelIndex &current, int topLevelRows)
{
    if (!current.isValid())
        return 0;
    return qMin(current.row() + 1, topLevelRows);
}

EventTypeOperations::Place EventTypeOperations::newTypePlace(const EventTypesTreeModel &model,
                                                             const QModelIndex &current)
{
    if (!current.isValid())
        return {QModelIndex(), 0};
    if (model.isFolder(current))
        return {current, 0};
    return {current.parent(), current.row() + 1};
}

void EventTypeOperations::pushState(const QString &text)
{
    m_undo->COMMAND(new SaveStateCommand<IEventTypesStorage>(m_model->storage(), text));
}

QModelIndex EventTypeOperations::createFolder(const QModelIndex &current)
{
    const int row = newFolderRow(current, m_model->rowCount());
    pushState(tr("Create Folder"));
    const bool done = m_model->createFolder(row);
    QR_ASSERT(done);
    return done ? m_model->index(row, 0) : QModelIndex();
}

QModelIndex EventTypeOperations::createCustomType(const QModelIndex &current, const CustomTypeInfo &info,
                                                  const QPixmap &picture)
{
    QR_ASSERT(info.isValid());
    IEventTypesStorage *storage = m_model->storage();
    // The model refuses these; checked first so no empty step is left on the stack.
    if (!info.isValid() || IEventTypesStorage::isReservedId(info.id) || storage->typeById(info.id) ||
        info.baseType < EventTypeNotSpecified || info.baseType > EventTypeTask)
        return QModelIndex();
    const Place place = newTypePlace(*m_model, current);

    m_undo->beginUndoMacro(tr("Create Event Type"));
    if (!picture.isNull())
        storePicture(info.photoId(), picture);
    m_undo->COMMAND(new SaveStateCommand<IEventTypesStorage>(storage, QString()));
    m_undo->endUndoMacro();

    const bool done = m_model->insertCustomType(place.parent, place.row, info);
    QR_ASSERT(done);
    return done ? m_model->index(place.row, 0, place.parent) : QModelIndex();
}

bool EventTypeOperations::editCustomType(const QModelIndex &index, CustomTypeInfo info, const QPixmap &picture,
                                         bool dropPicture)
{
    QR_ASSERT(index.isValid());
    const CustomTypeInfo old = index.isValid() ? m_model->customTypeInfoAt(index) : CustomTypeInfo();
    if (!QR_CHECK(old.isValid()) || info.baseType < EventTypeNotSpecified || info.baseType > EventTypeTask)
        return false;
    info.id = old.id;

    m_undo->beginUndoMacro(tr("Edit Event Type"));
    if (!picture.isNull())
        storePicture(info.photoId(), picture);
    else if (dropPicture)
        erasePicture(info.photoId());
    m_undo->COMMAND(new SaveStateCommand<IEventTypesStorage>(m_model->storage(), QString()));
    m_undo->endUndoMacro();

    const bool done = m_model->modifyCustomType(index, info);
    QR_ASSERT(done);
    return done;
}

void EventTypeOperations::storePicture(const QByteArray &key, const QPixmap &picture)
{
    if (!m_pictures) {
        QR_LOG("No picture storage: the type keeps its kind's picture");
        return;
    }
    QBuffer buffer;
    buffer.open(QIODevice::WriteOnly);
    if (!picture.save(&buffer, "png", 100)) {
        QR_LOG("Cannot encode the type's picture");
        return;
    }
    m_undo->COMMAND(new SaveStorageItemStateCommand(m_pictures, key, QString()));
    if (!m_pictures->write(key, &buffer))
        QR_LOG("Cannot store the type's picture " + key);
}

void EventTypeOperations::erasePicture(const QByteArray &key)
{
    if (!m_pictures || !m_pictures->contains(key))
        return;
    m_undo->COMMAND(new SaveStorageItemStateCommand(m_pictures, key, QString()));
    m_pictures->erase(key);
}

bool EventTypeOperations::remove(const QModelIndex &index)
{
    if (!QR_CHECK(index.isValid()) || !(m_model->flags(index) & IEventTypesStorage::ItemIsRemovable))
        return false;
    pushState(tr("Remove Event Type"));
    const bool done = m_model->removeRow(index.row(), index.parent());
    QR_ASSERT(done);
    return done;
}

bool EventTypeOperations::canStep(const QModelIndex &index, bool down) const
{
    const int needed = down ? IEventTypesStorage::ItemCanBeMovedDown : IEventTypesStorage::ItemCanBeMovedUp;
    IEventTypesStorage::Index parent;
    int row = 0;
    return index.isValid() && (m_model->flags(index) & needed) &&
           m_model->storage()->stepTarget(m_model->toStorageIndex(index), down, &parent, &row);
}

bool EventTypeOperations::moveUp(const QModelIndex &index)
{
    QR_ASSERT(index.isValid());
    if (!canStep(index, false))
        return false;
    pushState(tr("Move Up"));
    const bool done = m_model->moveUp(index);
    QR_ASSERT(done);
    return done;
}

bool EventTypeOperations::moveDown(const QModelIndex &index)
{
    QR_ASSERT(index.isValid());
    if (!canStep(index, true))
        return false;
    pushState(tr("Move Down"));
    const bool done = m_model->moveDown(index);
    QR_ASSERT(done);
    return done;
}

bool EventTypeOperations::canMove(const QModelIndex &index, const QModelIndex &parent, int row) const
{
    if (!index.isValid())
        return false;
    if (parent.isValid() && (!m_model->isFolder(parent) || m_model->isFolder(index)))
        return false;
    return row <= m_model->rowCount(parent);
}

bool EventTypeOperations::move(const QModelIndex &index, const QModelIndex &parent, int row)
{
    if (!canMove(index, parent, row))
        return false;
    pushState(tr("Move Item"));
    const bool done = m_model->move(index, parent, row);
    QR_ASSERT(done);
    return done;
}

bool EventTypeOperations::rename(const QModelIndex &index, const QString &name)
{
    if (!index.isValid() || !(m_model->flags(index) & Qt::ItemIsEditable) || name.trimmed().isEmpty())
        return false;
    pushState(tr("Rename Item"));
    const bool done = m_model->rename(index, name);
    QR_ASSERT(done);
    return done;
}
