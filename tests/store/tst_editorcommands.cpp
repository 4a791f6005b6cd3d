#include "core/filebackupobject.h"
#include "core/jsonparser.h"
#include "core/storage.h"
#include "core/undoobject.h"
#include "core/usermessages.h"
#include "events/birthdayevent.h"
#include "events/eventsfactory.h"
#include "fakeapplication.h"
#include "memorybackupobject.h"
#include "store/backupmanager.h"
#include "store/editorcommands.h"
#include "store/eventsmanager.h"
#include "store/folderbackupobject.h"
#include "testhelpers.h"

#include <QBuffer>
#include <QDir>
#include <QTemporaryDir>
#include <QUndoStack>
#include <QtTest>

namespace {

// Captions of the events as the events file holds them.
// What the folder holds beside the log, which any logged line creates.
QStringList dataFiles(const QString &folder)
{
    QStringList files = QDir(folder).entryList(QDir::AllEntries | QDir::Hidden | QDir::NoDotAndDotDot);
    files.removeAll(QStringLiteral("log.dat"));
    return files;
}

QStringList captionsInFile(const QString &file)
{
    QStringList captions;
    const QVariant events = Common::readJsonOrNull(TestHelpers::readFile(file)).toMap().value("Events");
    for (const QVariant &event : events.toMap().value("eventsList").toList())
        captions << event.toMap().value("data").toMap().value("abstract").toMap().value("caption").toString();
    return captions;
}

QPixmap redSquare()
{
    QPixmap pixmap(16, 16);
    pixmap.fill(Qt::red);
    return pixmap;
}

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
    }

    void init()
    {
        m_dir = std::make_unique<QTemporaryDir>();
        m_archive = m_dir->filePath("b.qbf");
        Common::UserMessages::reset();
        m_undo.clearUndoStack();
    }

    void restoreSwapsDataOnUndoAndRedo()
    {
        MemoryBackupObject a("a", "archived a");
        MemoryBackupObject b("b", "archived b");
        BackupManager manager("qbf");
        manager.addBackupObjects({&a, &b});
        QVERIFY(manager.backup(m_archive));
        a.m_data = "current a";
        b.m_data = "current b";

        m_undo.COMMAND(new RestoreCommand(&manager, m_archive));
        QCOMPARE(messages(), QStringList{"Data successfully restored"});
        QCOMPARE(a.m_data, QByteArray("archived a"));
        QCOMPARE(UndoObject::undoStack()->undoText(), QString("Restore"));

        QFile::remove(m_archive); // later steps swap snapshots and never read the archive again
        m_undo.undo();
        QCOMPARE(a.m_data, QByteArray("current a"));
        QCOMPARE(b.m_data, QByteArray("current b"));
        m_undo.redo();
        QCOMPARE(a.m_data, QByteArray("archived a"));
        QCOMPARE(b.m_data, QByteArray("archived b"));
        QCOMPARE(messages().size(), 1);
    }

    void failedRestoreRollsBack_data()
    {
        QTest::addColumn<QByteArray>("version");
        QTest::addColumn<bool>("failSecond");
        QTest::addColumn<QString>("message");
        QTest::newRow("an object fails") << QByteArray("3.3.0") << true << "Cannot restore data from this file";
        QTest::newRow("newer archive") << QByteArray("4.0") << false
                                       << "Cannot restore data from this file\nThe backup was made by a newer "
                                          "version of the program (4.0).";
    }

    void failedRestoreRollsBack()
    {
        QFETCH(QByteArray, version);
        QFETCH(bool, failSecond);
        QFETCH(QString, message);
        MemoryBackupObject a("a", "archived a");
        MemoryBackupObject b("b", "archived b");
        BackupManager manager("qbf");
        manager.addBackupObjects({&a, &b});
        QCoreApplication::setApplicationVersion(QString::fromUtf8(version));
        QVERIFY(manager.backup(m_archive));
        QCoreApplication::setApplicationVersion("3.3.0");
        a.m_data = "current a";
        b.m_data = "current b";
        b.m_failRestore = failSecond;

        m_undo.COMMAND(new RestoreCommand(&manager, m_archive));
        QCOMPARE(messages(), QStringList{message});
        QCOMPARE(a.m_data, QByteArray("current a"));
        QCOMPARE(b.m_data, QByteArray("current b"));
        b.m_failRestore = false;
        m_undo.undo();
        QCOMPARE(a.m_data, QByteArray("current a"));
        QCOMPARE(b.m_data, QByteArray("current b"));
    }

    void noRestoreWithoutSafetyCopy()
    {
        MemoryBackupObject a("a", "archived a");
        MemoryBackupObject b("b", "archived b");
        BackupManager manager("qbf");
        manager.addBackupObjects({&a, &b});
        QVERIFY(manager.backup(m_archive));
        a.m_data = "current a";
        b.m_failBackup = true;

        m_undo.COMMAND(new RestoreCommand(&manager, m_archive));
        QCOMPARE(messages(), QStringList{"Cannot restore data from this file"});
        QCOMPARE(a.m_restores + b.m_restores, 0);
        QCOMPARE(a.m_data, QByteArray("current a"));
        m_undo.undo();
        QCOMPARE(a.m_restores + b.m_restores, 0);
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

    void addUndoAndRedo()
    {
        EventsWorld w;
        AbstractCommonEventPtr event = EventsFactory::createEvent(EventTypeBirthday);
        static_cast<BirthdayEvent *>(event.get())->setPersonName("Ada");
        event->setPeriod(Period(QDate(1990, 5, 1)));
        const QByteArray id = event->id();
        m_undo.COMMAND(new AddEventCommand(w.manager.get(), event));
        QCOMPARE(UndoObject::undoStack()->undoText(), QString("New Birthday Event"));
        QCOMPARE(w.manager->count(), 1);
        event.reset();

        m_undo.undo();
        QCOMPARE(w.manager->count(), 0);
        QCOMPARE(captionsInFile(w.file()), QStringList());
        m_undo.redo();
        QCOMPARE(w.manager->count(), 1);
        const AbstractCommonEventPtr back = w.manager->eventById(id);
        QVERIFY(back);
        QCOMPARE(back->period().beginDate(), QDate(1990, 5, 1));
        QCOMPARE(captionsInFile(w.file()).size(), 1);
    }

    void addKeepsPhotoThroughUndoAndRedo_data()
    {
        QTest::addColumn<bool>("keepObject");
        QTest::newRow("object released") << false;
        QTest::newRow("object still held") << true;
    }

    void addKeepsPhotoThroughUndoAndRedo()
    {
        QFETCH(bool, keepObject);
        EventsWorld w;
        AbstractCommonEventPtr event = EventsFactory::createEvent(EventTypeNotSpecified);
        event->setCaption("with photo");
        event->setPhoto(redSquare());
        const QByteArray key = event->photoKey();
        m_undo.COMMAND(new AddEventCommand(w.manager.get(), event));
        if (!keepObject)
            event.reset();
        m_undo.undo();
        QVERIFY(!w.storage->contains(key));
        m_undo.redo();
        QVERIFY(w.storage->contains(key));
        QVERIFY(w.manager->eventByIndex(0)->hasPhotoFlag());
    }

    void editSwapsFieldsAndRewritesFile()
    {
        EventsWorld w;
        AbstractCommonEventPtr event = w.add("before");
        auto *command = new SaveEventStateCommand(w.manager.get(), event);
        event->setCaption("after");
        m_undo.COMMAND(command);
        QCOMPARE(event->caption(), QString("after"));
        QCOMPARE(UndoObject::undoStack()->undoText(), QString("Edit Event"));

        m_undo.undo();
        QCOMPARE(event->caption(), QString("before"));
        QCOMPARE(captionsInFile(w.file()), QStringList{"before"});
        m_undo.redo();
        QCOMPARE(event->caption(), QString("after"));
        QCOMPARE(captionsInFile(w.file()), QStringList{"after"});
    }

    void editFindsEventAgainAfterReload()
    {
        EventsWorld w;
        AbstractCommonEventPtr event = w.add("before");
        auto *command = new SaveEventStateCommand(w.manager.get(), event);
        event->setCaption("after");
        m_undo.COMMAND(command);
        event.reset();
        w.manager->load(w.file()); // every event object is made anew
        m_undo.undo();
        QCOMPARE(w.manager->eventByIndex(0)->caption(), QString("before"));
    }

    void removeBringsEventAndPhotoBack()
    {
        EventsWorld w;
        AbstractCommonEventPtr event = w.add("first");
        w.add("second");
        event->setPhoto(redSquare());
        const QByteArray id = event->id();
        const QByteArray key = event->photoKey();
        m_undo.COMMAND(new RemoveEventCommand(w.manager.get(), event));
        QCOMPARE(UndoObject::undoStack()->undoText(), QString("Delete Event"));
        event.reset();
        QCOMPARE(w.manager->count(), 1);
        QVERIFY(!w.storage->contains(key));

        QCoreApplication::sendPostedEvents(); // as between two key presses: the list lets go of the event
        m_undo.undo();
        QCOMPARE(w.manager->count(), 2);
        QCOMPARE(w.manager->eventByIndex(1)->id(), id); // back at the end of the list
        QVERIFY(w.storage->contains(key));
        QVERIFY(w.manager->eventByIndex(1)->hasPhotoFlag());
        QCOMPARE(captionsInFile(w.file()), (QStringList{"second", "first"}));

        m_undo.redo();
        QCOMPARE(w.manager->count(), 1);
        QVERIFY(!w.manager->eventById(id));
    }

    // Two events of one id, as a file made elsewhere may hold: each step acts on its own event.
    void commandsActOnTheirOwnEventWhereIdsRepeat()
    {
        EventsWorld w;
        w.add("A", "same id");
        AbstractCommonEventPtr b = w.add("B", "same id");
        auto *edit = new SaveEventStateCommand(w.manager.get(), b);
        b->setCaption("C");
        m_undo.COMMAND(edit);
        m_undo.COMMAND(new RemoveEventCommand(w.manager.get(), b));
        b.reset();
        QCoreApplication::sendPostedEvents(); // as between two key presses: the list lets go of the event
        m_undo.undo();
        QCOMPARE(captionsInFile(w.file()), (QStringList{"A", "C"}));
        m_undo.redo();
        QCOMPARE(captionsInFile(w.file()), QStringList{"A"});
        m_undo.COMMAND(
            new AddEventCommand(w.manager.get(), EventsFactory::createEvent(EventTypeNotSpecified, "same id")));
        w.manager->setState(w.manager->state()); // every object made anew, as an import's undo does
        QCoreApplication::sendPostedEvents();
        UndoObject::undoStack()->setIndex(0);
        QCOMPARE(captionsInFile(w.file()), (QStringList{"A", "B"}));
    }

    void failedEventsWriteRollsRestoreBack()
    {
        EventsWorld w;
        for (int i = 0; i < 40; ++i)
            w.add(QStringLiteral("archived %1").arg(i));
        BackupManager manager("qbf");
        manager.addBackupObject(w.manager.get());
        QVERIFY(manager.backup(m_archive));
        w.manager->removeEvents(w.manager->events().mid(1));
        QCOMPARE(w.manager->count(), 1);
        const QByteArray small = TestHelpers::readFile(w.file());

        {
            TestHelpers::ScopedFileSizeLimit limit(small.size() + 1024);
            // The events file itself tells a failed write.
            QVERIFY(!w.manager->restore(QByteArray(small.size() + 8192, ' ')));
            QCOMPARE(w.manager->count(), 1);
            m_undo.COMMAND(new RestoreCommand(&manager, m_archive));
        }
        QCOMPARE(messages(), QStringList{"Cannot restore data from this file"});
        QCOMPARE(w.manager->count(), 1);
        QCOMPARE(TestHelpers::readFile(w.file()), small);
    }

    void unreadableEventsEntryRefusedBeforeAnyChange_data()
    {
        QTest::addColumn<QByteArray>("entry");
        QTest::newRow("garbage bytes") << QByteArray("\x89PNG\r\n\x1a\n\0\0\xff garbage", 20);
        QTest::newRow("blanks only") << QByteArray(" \n\t\r\n ");
        QTest::newRow("list instead of object") << QByteArray("[1, 2, 3]");
        QTest::newRow("object of another shape") << QByteArray("{\"ToDos\": [], \"Caption\": \"x\"}");
        QTest::newRow("events not an object") << QByteArray("{\"Events\": [1]}");
        QTest::newRow("cut short") << QByteArray("{\"Events\": {\"eventsList\": [");
        QTest::newRow("event of unknown kind")
            << QByteArray("{\"Events\": {\"version\": \"3.3.0\", \"eventsList\": [{\"type\": 99, \"data\": {}}]}}");
        QTest::newRow("newer program") << QByteArray("{\"Events\": {\"version\": \"9.0\", \"eventsList\": []}}");
    }

    void unreadableEventsEntryRefusedBeforeAnyChange()
    {
        QFETCH(QByteArray, entry);
        EventsWorld w;
        w.add("first");
        w.add("second");
        MemoryBackupObject settings("settings", "current settings");
        BackupManager manager("qbf");
        manager.addBackupObjects({&settings, w.manager.get()});
        manager.setWorkFolder(w.app.dataLocation());
        writeArchive({{"settings", "archived settings"}, {"events.dat", entry}});
        const QByteArray before = TestHelpers::readFile(w.file());
        const QStringList filesBefore = dataFiles(w.app.dataLocation());

        m_undo.COMMAND(new RestoreCommand(&manager, m_archive));
        QCOMPARE(messages(), QStringList{"Cannot restore data from this file"});
        QCOMPARE(settings.m_data, QByteArray("current settings"));
        QCOMPARE(TestHelpers::readFile(w.file()), before);
        QCOMPARE(w.manager->count(), 2);
        QVERIFY(!w.manager->hasError());
        QCOMPARE(dataFiles(w.app.dataLocation()), filesBefore);
    }

    void readableEventsEntryRestored()
    {
        EventsWorld w;
        w.add("archived");
        BackupManager manager("qbf");
        manager.addBackupObject(w.manager.get());
        QVERIFY(manager.backup(m_archive));
        w.add("added later");
        m_undo.COMMAND(new RestoreCommand(&manager, m_archive));
        QCOMPARE(messages(), QStringList{"Data successfully restored"});
        QCOMPARE(captionsInFile(w.file()), QStringList{"archived"});
        QCOMPARE(w.manager->count(), 1);
        m_undo.undo();
        QCOMPARE(captionsInFile(w.file()), (QStringList{"archived", "added later"}));
        QCOMPARE(w.manager->count(), 2);
    }

    void takingRestoreBackRemovesAddedFiles_data()
    {
        QTest::addColumn<bool>("laterObjectFails");
        QTest::newRow("a later object fails") << true;
        QTest::newRow("undone") << false;
    }

    void takingRestoreBackRemovesAddedFiles()
    {
        QFETCH(bool, laterObjectFails);
        const QString data = m_dir->filePath("data");
        QVERIFY(QDir().mkpath(data));
        QVERIFY(TestHelpers::writeFile(data + "/todo.a.dat", "current a"));
        QVERIFY(TestHelpers::writeFile(data + "/other.txt", "not ours"));
        FolderBackupObject gadgets("AppDataGadgets", data, {"todo.*.dat"});
        FileBackupObject types(data + "/customtypes.dat");
        MemoryBackupObject last("settings", "current settings");
        BackupManager manager("qbf");
        manager.addBackupObjects({&gadgets, &types, &last});
        manager.setWorkFolder(data);
        {
            QTemporaryDir source;
            QVERIFY(TestHelpers::writeFile(source.filePath("todo.a.dat"), "archived a"));
            QVERIFY(TestHelpers::writeFile(source.filePath("todo.b.dat"), "archived b"));
            bool ok = false;
            const QByteArray packed = FolderBackupObject("AppDataGadgets", source.path(), {"todo.*.dat"}).backup(&ok);
            QVERIFY(ok);
            writeArchive({{"AppDataGadgets", packed}, {"customtypes.dat", "archived types"}, {"settings", "archived"}});
        }
        last.m_failRestore = laterObjectFails;
        const QStringList before{"other.txt", "todo.a.dat"};
        const auto files = [&] {
            return QDir(data).entryList(QDir::Files | QDir::Hidden | QDir::Dirs | QDir::NoDotAndDotDot);
        };
        QCOMPARE(files(), before);

        m_undo.COMMAND(new RestoreCommand(&manager, m_archive));
        if (!laterObjectFails) {
            QCOMPARE(messages(), QStringList{"Data successfully restored"});
            QCOMPARE(files(), (QStringList{"customtypes.dat", "other.txt", "todo.a.dat", "todo.b.dat"}));
            QCOMPARE(TestHelpers::readFile(data + "/todo.b.dat"), QByteArray("archived b"));
            m_undo.undo();
        } else {
            QCOMPARE(messages(), QStringList{"Cannot restore data from this file"});
        }
        QCOMPARE(files(), before);
        QCOMPARE(TestHelpers::readFile(data + "/todo.a.dat"), QByteArray("current a"));
        QCOMPARE(TestHelpers::readFile(data + "/other.txt"), QByteArray("not ours"));
        QCOMPARE(last.m_data, QByteArray("current settings"));

        if (!laterObjectFails) {
            m_undo.redo();
            QCOMPARE(files(), (QStringList{"customtypes.dat", "other.txt", "todo.a.dat", "todo.b.dat"}));
            QCOMPARE(TestHelpers::readFile(data + "/customtypes.dat"), QByteArray("archived types"));
        }
    }

    // The pictures and their index are one set: an undo must not read one beside the other set's partner.
    void restoreUndoRedoKeepsPictureSetWhole()
    {
        EventsWorld w;
        BackupManager manager("qbf");
        manager.addBackupObjects(w.storage->backupObjects());
        QByteArray bytes(4000, 'A');
        QBuffer in(&bytes);
        const QString path = w.app.dataLocation() + "/pixmaps.";
        const auto files = [&] { return TestHelpers::readFile(path + "dat") + TestHelpers::readFile(path + "tab"); };
        QVERIFY(w.storage->write("a", &in) && manager.backup(m_archive));
        const QByteArray archived = files();
        bytes = "small";
        QVERIFY(w.storage->write("a", &in));
        const QByteArray current = files();
        m_undo.COMMAND(new RestoreCommand(&manager, m_archive));
        for (const QByteArray &expected : {archived, current, archived, current, archived}) {
            QCOMPARE(files(), expected);
            QCOMPARE(item(*w.storage, "a").size(), expected == archived ? 4000 : 5);
            expected == archived ? m_undo.undo() : m_undo.redo();
        }
        QCoreApplication::processEvents(); // tells what waits
        QCOMPARE(messages(), QStringList{"Data successfully restored"});
        QCOMPARE(QDir(w.app.dataLocation()).entryList({"*.bak*"}, QDir::Files), QStringList());
    }

    void takingRestoreBackIntoFreshFolderLeavesItEmpty_data()
    {
        QTest::addColumn<bool>("laterObjectFails");
        QTest::newRow("a later object fails") << true;
        QTest::newRow("undone") << false;
    }

    void takingRestoreBackIntoFreshFolderLeavesItEmpty()
    {
        // A first start: no events file yet, and the archive brings one.
        QFETCH(bool, laterObjectFails);
        EventsWorld w;
        QVERIFY(!QFile::exists(w.file()));
        MemoryBackupObject last("settings", "current settings");
        BackupManager manager("qbf");
        manager.addBackupObjects({w.manager.get(), &last});
        manager.setWorkFolder(w.app.dataLocation());
        writeArchive({{"events.dat", "{\"Events\": {\"version\": \"3.3.0\", \"eventsList\": []}}"},
                      {"settings", "archived settings"}});
        last.m_failRestore = laterObjectFails;
        const auto files = [&] { return dataFiles(w.app.dataLocation()); };
        const QStringList before = files();

        m_undo.COMMAND(new RestoreCommand(&manager, m_archive));
        if (!laterObjectFails) {
            QCOMPARE(messages(), QStringList{"Data successfully restored"});
            QVERIFY(QFile::exists(w.file()));
            m_undo.undo();
        }
        QCOMPARE(files(), before);
        QCOMPARE(w.manager->count(), 0);
        QVERIFY2(!w.manager->hasError(), qPrintable(w.manager->errorString()));
        QCOMPARE(last.m_data, QByteArray("current settings"));
    }

private:
    void writeArchive(const QList<QPair<QString, QByteArray>> &entries)
    {
        BackupArchiveWriter writer(m_archive);
        QVERIFY(writer.open());
        for (const auto &entry : entries)
            QVERIFY(writer.addEntry(entry.first, entry.second));
        QVERIFY(writer.addEntry("appversion", "3.3.0"));
        QVERIFY(writer.commit());
    }

    // A fake application with blob storage and an events manager on a temporary file.
    struct EventsWorld
    {
        EventsWorld()
        {
            storage = std::make_unique<Storage>(QDir(app.dataLocation()).filePath("pixmaps.dat"));
            app.m_storage = storage.get();
            manager = std::make_unique<EventsManager>(file());
            app.m_eventsManager = manager.get();
        }
        ~EventsWorld() { UndoObject::undoStack()->clear(); }
        QString file() const { return QDir(app.dataLocation()).filePath("events.dat"); }
        AbstractCommonEventPtr add(const QString &caption, const QByteArray &id = QByteArray())
        {
            AbstractCommonEventPtr event = EventsFactory::createEvent(EventTypeNotSpecified, id);
            event->setCaption(caption);
            event->setPeriod(Period(QDate(2026, 5, 1)));
            manager->addEvent(event);
            return event;
        }

        FakeApplication app;
        std::unique_ptr<Storage> storage;
        std::unique_ptr<EventsManager> manager;
    };

    // What restores told, each under the title "Restore".
    static QStringList messages()
    {
        QStringList texts;
        for (const Common::UserMessages::Message &m : Common::UserMessages::told())
            texts << (m.title == QLatin1String("Restore") ? m.text : m.title + QStringLiteral(": ") + m.text);
        return texts;
    }

    UndoObject m_undo;
    std::unique_ptr<QTemporaryDir> m_dir;
    QString m_archive;
};

QTEST_MAIN(TestEditorCommands)
#include "tst_editorcommands.moc"
