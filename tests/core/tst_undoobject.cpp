#include "core/clock.h"
#include "core/log.h"
#include "core/undoobject.h"
#include "testhelpers.h"

#include <QAction>
#include <QUndoCommand>
#include <QUndoStack>
#include <QtTest>

namespace {

// Appends its name to a shared list on redo and takes it off on undo.
class AppendCommand : public QUndoCommand
{
public:
    AppendCommand(QStringList *list, const QString &name) : m_list(list), m_name(name) { setText(name); }
    void redo() override { m_list->append(m_name); }
    void undo() override { m_list->removeLast(); }

private:
    QStringList *m_list;
    QString m_name;
};

} // namespace

class TestUndoObject : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase() { TestHelpers::isolateEnvironment(); }
    void init()
    {
        UndoObject().clearUndoStack();
        Common::clearLogBuffer();
        Common::Clock::pin(QDateTime(QDate(2026, 12, 6), QTime(9, 0, 1, 2)));
    }
    void cleanup() { Common::Clock::unpin(); }

    void logsCommandsAndMacros()
    {
        UndoObject undo;
        QStringList list;
        undo.COMMAND(new AppendCommand(&list, QStringLiteral("Add event")));
        undo.beginUndoMacro(QStringLiteral("Remove 2 events"));
        undo.COMMAND(new AppendCommand(&list, QStringLiteral("Remove \u00e9t\u00e9")));
        undo.endUndoMacro();
        QCOMPARE(logBuffer(), QByteArray("06.12.26T09:00:01:002Command: Add event\n"
                                         "06.12.26T09:00:01:002Begin Undo Macro: Remove 2 events\n"
                                         "06.12.26T09:00:01:002Command: Remove \xc3\xa9t\xc3\xa9\n"
                                         "06.12.26T09:00:01:002End Undo Macro\n"));
    }

    void macroIsUndoneAndRedoneAsOne()
    {
        UndoObject undo;
        QStringList list;
        undo.COMMAND(new AppendCommand(&list, QStringLiteral("a")));
        undo.beginUndoMacro(QStringLiteral("two"));
        undo.COMMAND(new AppendCommand(&list, QStringLiteral("b")));
        undo.COMMAND(new AppendCommand(&list, QStringLiteral("c")));
        undo.endUndoMacro();
        QCOMPARE(list, QStringList({"a", "b", "c"}));
        QCOMPARE(UndoObject::undoStack()->count(), 2);

        undo.undo();
        QCOMPARE(list, QStringList({"a"}));
        undo.redo();
        QCOMPARE(list, QStringList({"a", "b", "c"}));
    }

    void windowsShareOneHistory()
    {
        UndoObject appBase;
        UndoObject second; // a later UndoObject must not replace the stack
        UndoProxy bar(&appBase);
        UndoProxy editor(&second);
        QStringList list;
        bar.COMMAND(new AppendCommand(&list, QStringLiteral("from bar")));
        editor.COMMAND(new AppendCommand(&list, QStringLiteral("from editor")));
        bar.undo();
        QCOMPARE(list, QStringList({"from bar"}));
        bar.undo();
        QVERIFY(list.isEmpty());
        editor.redo();
        QCOMPARE(list, QStringList({"from bar"}));
        editor.clearUndoStack();
        QCOMPARE(UndoObject::undoStack()->count(), 0);
    }

    void actionsCarryPrefixShortcutsAndState()
    {
        UndoObject base;
        UndoProxy proxy(&base);
        QObject owner;
        QAction *undoAction = proxy.createUndoAction(&owner);
        QAction *redoAction = proxy.createRedoAction(&owner);
        QCOMPARE(undoAction->parent(), &owner);
        QCOMPARE(undoAction->shortcut(), QKeySequence(QStringLiteral("Ctrl+Z")));
        QCOMPARE(redoAction->shortcuts(), QList<QKeySequence>({QKeySequence(QStringLiteral("Ctrl+Y")),
                                                               QKeySequence(QStringLiteral("Ctrl+Shift+Z"))}));
        QVERIFY(!undoAction->isEnabled());

        QStringList list;
        proxy.COMMAND(new AppendCommand(&list, QStringLiteral("Add event")));
        QVERIFY(undoAction->isEnabled());
        QCOMPARE(undoAction->text(), QStringLiteral("&Undo Add event"));
        undoAction->trigger();
        QVERIFY(list.isEmpty());
        QCOMPARE(redoAction->text(), QStringLiteral("&Redo Add event"));
    }
};

QTEST_MAIN(TestUndoObject)
#include "tst_undoobject.moc"
