#include "core/storage.h"
#include "core/undoobject.h"
#include "store/backupmanager.h"
#include "store/editorcommands.h"
#include "testhelpers.h"

#include <QBuffer>
#include <QTemporaryDir>
#include <QUndoStack>
#include <QtTest>

namespace {

class MemoryObject : public IBackupObject
{
public:
    MemoryObject(const QByteArray &name, const QByteArray &data) : m_name(name), m_data(data) {}

    QDateTime lastModified() const override { return QDateTime(); }
    QByteArray backup(bool *ok) override
    {
        *ok = !m_failBackup;
        return m_failBackup ? QByteArray() : m_data;
    }
    bool restore(const QByteArray &data) override
    {
        ++m_restores;
        if (m_failRestore)
            return false;
        m_data = data;
        return true;
    }
    QByteArray name() const override { return m_name; }

    QByteArray m_name;
    QByteArray m_data;
    bool m_failBackup = false;
    bool m_failRestore = false;
    int m_restores = 0;
};

QByteArray item(Storage &storage, const QByteArray &key)
{
    QBuffer buffer;
    return storage.read(key, &buffer) ? buffer.data() : QByteArray();
}

} // namespace

class TestEditorCommands : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase()
    {
        TestHelpers::isolateEnvironment();
        QCoreApplication::setApplicationVersion("3.3.0");
        RestoreCommand::setNotifier([this](const QString &title, const QString &text) {
            QCOMPARE(title, QString("Restore"));
            m_messages << text;
        });
    }

    void init()
    {
        m_dir = std::make_unique<QTemporaryDir>();
        m_archive = m_dir->filePath("b.qbf");
        m_messages.clear();
        m_undo.clearUndoStack();
    }

    void cleanupTestCase() { RestoreCommand::setNotifier({}); }

    void restoreSwapsDataOnUndoAndRedo()
    {
        MemoryObject a("a", "archived a");
        MemoryObject b("b", "archived b");
        BackupManager manager("qbf");
        manager.addBackupObjects({&a, &b});
        QVERIFY(manager.backup(m_archive));
        a.m_data = "current a";
        b.m_data = "current b";

        m_undo.COMMAND(new RestoreCommand(&manager, m_archive));
        QCOMPARE(m_messages, QStringList{"Data successfully restored"});
        QCOMPARE(a.m_data, QByteArray("archived a"));
        QCOMPARE(UndoObject::undoStack()->undoText(), QString("Restore"));

        QFile::remove(m_archive); // later steps swap snapshots and never read the archive again
        m_undo.undo();
        QCOMPARE(a.m_data, QByteArray("current a"));
        QCOMPARE(b.m_data, QByteArray("current b"));
        m_undo.redo();
        QCOMPARE(a.m_data, QByteArray("archived a"));
        QCOMPARE(b.m_data, QByteArray("archived b"));
        QCOMPARE(m_messages.size(), 1);
    }

    void failedRestoreRollsBack_data()
    {
        QTest::addColumn<QByteArray>("version");
        QTest::addColumn<bool>("failSecond");
        QTest::newRow("an object fails") << QByteArray("3.3.0") << true;
        QTest::newRow("newer archive") << QByteArray("4.0") << false;
    }

    void failedRestoreRollsBack()
    {
        QFETCH(QByteArray, version);
        QFETCH(bool, failSecond);
        MemoryObject a("a", "archived a");
        MemoryObject b("b", "archived b");
        BackupManager manager("qbf");
        manager.addBackupObjects({&a, &b});
        QCoreApplication::setApplicationVersion(QString::fromUtf8(version));
        QVERIFY(manager.backup(m_archive));
        QCoreApplication::setApplicationVersion("3.3.0");
        a.m_data = "current a";
        b.m_data = "current b";
        b.m_failRestore = failSecond;

        m_undo.COMMAND(new RestoreCommand(&manager, m_archive));
        QCOMPARE(m_messages, QStringList{"Cannot restore data from this file"});
        QCOMPARE(a.m_data, QByteArray("current a"));
        QCOMPARE(b.m_data, QByteArray("current b"));
        b.m_failRestore = false;
        m_undo.undo();
        QCOMPARE(a.m_data, QByteArray("current a"));
        QCOMPARE(b.m_data, QByteArray("current b"));
    }

    void noRestoreWithoutSafetyCopy()
    {
        MemoryObject a("a", "archived a");
        MemoryObject b("b", "archived b");
        BackupManager manager("qbf");
        manager.addBackupObjects({&a, &b});
        QVERIFY(manager.backup(m_archive));
        a.m_data = "current a";
        b.m_failBackup = true;

        m_undo.COMMAND(new RestoreCommand(&manager, m_archive));
        QCOMPARE(m_messages, QStringList{"Cannot restore data from this file"});
        QCOMPARE(a.m_restores + b.m_restores, 0);
        QCOMPARE(a.m_data, QByteArray("current a"));
        m_undo.undo();
        QCOMPARE(a.m_restores + b.m_restores, 0);
    }

    void withoutObjectsEveryRedoRestoresAgain()
    {
        BackupManager manager("qbf");
        QVERIFY(manager.backup(m_archive));
        m_undo.COMMAND(new RestoreCommand(&manager, m_archive));
        m_undo.undo();
        m_undo.redo();
        QCOMPARE(m_messages, (QStringList{"Data successfully restored", "Data successfully restored"}));
    }

    void storageItemUndoErasesNewItem()
    {
        Storage storage(m_dir->filePath("pixmaps.dat"));
        m_undo.beginUndoMacro("Create Event Type");
        m_undo.COMMAND(new SaveStorageItemStateCommand(&storage, "type1", QString()));
        QByteArray png("new picture");
        QBuffer in(&png);
        in.open(QIODevice::ReadOnly);
        QVERIFY(storage.write("type1", &in));
        m_undo.endUndoMacro();

        m_undo.undo();
        QVERIFY(!storage.contains("type1"));
        m_undo.redo();
        QCOMPARE(item(storage, "type1"), QByteArray("new picture"));
    }

    void storageItemUndoPutsOldBytesBack()
    {
        Storage storage(m_dir->filePath("pixmaps.dat"));
        QByteArray oldBytes("old picture");
        QBuffer oldIn(&oldBytes);
        oldIn.open(QIODevice::ReadOnly);
        QVERIFY(storage.write("type1", &oldIn));

        m_undo.COMMAND(new SaveStorageItemStateCommand(&storage, "type1", "Edit Event Type"));
        QCOMPARE(item(storage, "type1"), QByteArray("old picture")); // first redo only records
        QByteArray newBytes("a new and longer picture");
        QBuffer newIn(&newBytes);
        newIn.open(QIODevice::ReadOnly);
        QVERIFY(storage.write("type1", &newIn));

        m_undo.undo();
        QCOMPARE(item(storage, "type1"), QByteArray("old picture"));
        m_undo.redo();
        QCOMPARE(item(storage, "type1"), QByteArray("a new and longer picture"));
        m_undo.undo();
        QCOMPARE(item(storage, "type1"), QByteArray("old picture"));
    }

private:
    UndoObject m_undo;
    std::unique_ptr<QTemporaryDir> m_dir;
    QString m_archive;
    QStringList m_messages;
};

QTEST_GUILESS_MAIN(TestEditorCommands)
#include "tst_editorcommands.moc"
