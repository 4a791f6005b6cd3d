#include "core/undoobject.h"

#include "core/log.h"

#include <QAction>
#include <QKeySequence>
#include <QObject>
#include <QUndoCommand>
#include <QUndoStack>

#include <memory>

namespace UndoObjectPrivate {

std::unique_ptr<QUndoStack> &stackHolder()
{
    // Lives until process exit, like the history it holds.
    static std::unique_ptr<QUndoStack> s_stack;
    return s_stack;
}

QUndoStack *stack()
{
    std::unique_ptr<QUndoStack> &holder = stackHolder();
    if (!holder)
        holder = std::make_unique<QUndoStack>();
    return holder.get();
}

} // namespace UndoObjectPrivate

UndoObject::UndoObject()
{
    UndoObjectPrivate::stack();
}

QUndoStack *UndoObject::undoStack()
{
    return UndoObjectPrivate::stack();
}

void UndoObject::COMMAND(QUndoCommand *command)
{
    if (!QR_CHECK(command))
        return;
    QR_LOG("Command: " + command->text().toUtf8());
    undoStack()->push(command);
}

void UndoObject::beginUndoMacro(const QString &text)
{
    QR_LOG("Begin Undo Macro: " + text.toUtf8());
    undoStack()->beginMacro(text);
}

void UndoObject::endUndoMacro()
{
    QR_LOG("End Undo Macro");
    undoStack()->endMacro();
}

QAction *UndoObject::createUndoAction(QObject *parent, const QIcon &icon)
{
    QAction *action = undoStack()->createUndoAction(parent, QObject::tr("&Undo"));
    action->setShortcut(QKeySequence(Qt::CTRL | Qt::Key_Z));
    action->setIcon(icon);
    return action;
}

QAction *UndoObject::createRedoAction(QObject *parent, const QIcon &icon)
{
    QAction *action = undoStack()->createRedoAction(parent, QObject::tr("&Redo"));
    // The first shortcut is the one menus show.
    action->setShortcuts({QKeySequence(Qt::CTRL | Qt::Key_Y), QKeySequence(Qt::CTRL | Qt::SHIFT | Qt::Key_Z)});
    action->setIcon(icon);
    return action;
}

void UndoObject::clearUndoStack()
{
    undoStack()->clear();
}

void UndoObject::undo()
{
    undoStack()->undo();
}

void UndoObject::redo()
{
    undoStack()->redo();
}

UndoProxy::UndoProxy(UndoObject *undoObject) : m_undoObject(undoObject)
{
    QR_ASSERT(m_undoObject);
    // Every UndoObject works on the same stack, so a stand-in keeps a window without one working.
    if (!m_undoObject) {
        static UndoObject s_fallback;
        m_undoObject = &s_fallback;
    }
}

void UndoProxy::COMMAND(QUndoCommand *command)
{
    m_undoObject->COMMAND(command);
}

void UndoProxy::beginUndoMacro(const QString &text)
{
    m_undoObject->beginUndoMacro(text);
}

void UndoProxy::endUndoMacro()
{
    m_undoObject->endUndoMacro();
}

QAction *UndoProxy::createUndoAction(QObject *parent, const QIcon &icon)
{
    return m_undoObject->createUndoAction(parent, icon);
}

QAction *UndoProxy::createRedoAction(QObject *parent, const QIcon &icon)
{
    return m_undoObject->createRedoAction(parent, icon);
}

void UndoProxy::clearUndoStack()
{
    m_undoObject->clearUndoStack();
}

void UndoProxy::undo()
{
    m_undoObject->undo();
}

void UndoProxy::redo()
{
    m_undoObject->redo();
}
