#pragma once

#include <QIcon>
#include <QString>

class QAction;
class QObject;
class QUndoCommand;
class QUndoStack;

// Owner of the one undo history every window shares; a base of the application object.
// All instances work on the same process-wide stack.
class UndoObject
{
public:
    UndoObject();

    // Logs the command and pushes it; the stack takes ownership and runs its redo at once.
    void COMMAND(QUndoCommand *command);
    void beginUndoMacro(const QString &text);
    void endUndoMacro();

    QAction *createUndoAction(QObject *parent, const QIcon &icon = QIcon());
    QAction *createRedoAction(QObject *parent, const QIcon &icon = QIcon());

    void clearUndoStack();
    void undo();
    void redo();

    static QUndoStack *undoStack();
};

// Windows' access to the shared undo history: forwards every call to the application's UndoObject.
class UndoProxy
{
public:
    explicit UndoProxy(UndoObject *undoObject);

    void COMMAND(QUndoCommand *command);
    void beginUndoMacro(const QString &text);
    void endUndoMacro();

    QAction *createUndoAction(QObject *parent, const QIcon &icon = QIcon());
    QAction *createRedoAction(QObject *parent, const QIcon &icon = QIcon());

    void clearUndoStack();
    void undo();
    void redo();

private:
    UndoObject *m_undoObject;
};
