#include "eventtypes/baseeventtype.h"
#include "eventtypes/customeventtype.h"
#include "eventtypes/eventtypestreemodel.h"
#include "eventtypestestutils.h"
#include "core/datafileguard.h"
#include "core/jsonparser.h"
#include "store/backupmanager.h"
#include "testhelpers.h"

#include <QtTest>

using Index = IEventTypesStorage::Index;

// The two event-types files: defaults, reading back, repairs, unreadable files and restores.
class TestEventTypesStorage : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase() { TestHelpers::isolateEnvironment(); }

    void init()
    {
        m_dir = std::make_unique<QTemporaryDir>();
        QVERIFY(m_dir->isValid());
    }

    void noFilesGiveBuiltInsInDefaultOrder()
    {
        TypesFiles files(m_dir->path());
        QCOMPARE(treeLines(*files.storage), (QStringList{"Birthday", "Holiday", "Wedding Day", "Task", "Appointment"}));
        QVERIFY(!QFile::exists(files.customPath));
        QVERIFY(!QFile::exists(files.orderPath));
    }

    void oneChangeWritesBothFilesThatReadBack()
    {
        TypesFiles files(m_dir->path());
        QVERIFY(files.storage->insertCustomType(Index(), 1, makeCustomType("{a}", "Jubiläum", 2)));
        QVERIFY(QFile::exists(files.customPath));
        QVERIFY(QFile::exists(files.orderPath));
        QVERIFY(files.storage->insertFolder(1, "Família"));
        QVERIFY(files.storage->move(Index(2, -1), Index(1, -1), 0));
        const QStringList lines = treeLines(*files.storage);
        const QVariantMap state = files.storage->state();
        files.open();
        QCOMPARE(treeLines(*files.storage), lines);
        QCOMPARE(files.storage->state(), state);
        QCOMPARE(files.custom->type("{a}"), makeCustomType("{a}", "Jubiläum", 2));
        const QVariantMap order = Common::readJson(TestHelpers::readFile(files.orderPath)).toMap();
        QCOMPARE(order.value("tree").toList().at(1).toMap().value("folder").toString(), "Família");
    }

    void typeByIdFindsBuiltInsAndCustomTypes_data()
    {
        QTest::addColumn<QByteArray>("id");
        QTest::addColumn<QString>("name");
        QTest::addColumn<QByteArray>("textId");
        QTest::newRow("birthday") << QByteArray("1") << "Birthday" << QByteArray("birthday");
        QTest::newRow("appointment") << QByteArray("0") << "Appointment" << QByteArray("notSpecified");
        QTest::newRow("task") << QByteArray("4") << "Task" << QByteArray("task");
        QTest::newRow("custom") << QByteArray("{c}") << "Sprechstunde" << QByteArray("{c}");
        QTest::newRow("unknown") << QByteArray("{x}") << QString() << QByteArray();
        QTest::newRow("kind key") << QByteArray("birthday") << QString() << QByteArray();
        QTest::newRow("empty") << QByteArray() << QString() << QByteArray();
    }

    void typeByIdFindsBuiltInsAndCustomTypes()
    {
        QFETCH(QByteArray, id);
        QFETCH(QString, name);
        QFETCH(QByteArray, textId);
        TypesFiles files(m_dir->path());
        QVERIFY(files.storage->insertCustomType(Index(), 0, makeCustomType("{c}", "Sprechstunde", 0)));
        const IEventType *type = files.storage->typeById(id);
        QCOMPARE(type != nullptr, !name.isEmpty());
        if (type) {
            QCOMPARE(type->name(), name);
            QCOMPARE(type->textId(), textId);
            QCOMPARE(type->id(), id);
        }
    }

    void customTypeMakesEventsWithItsRecord()
    {
        CustomTypeInfo info = makeCustomType("{t}", "Lieferung", EventTypeTask);
        info.parameters.insert("markAsCompletedRequiredField", false);
        info.fieldsVisibility.insert("commentField", true);
        const CustomEventType type(info);
        const AbstractCommonEventPtr event = type.createEvent();
        QVERIFY(event);
        QCOMPARE(event->type(), EventTypeTask);
        QCOMPARE(event->customTypeMetaInfo(), info);
        QVERIFY(event->contextMenuActions().isEmpty());
        QCOMPARE(event->typeName(), "Lieferung");

        const AbstractCommonEventPtr plain = BaseEventType(EventTypeTask).createEvent();
        QVERIFY(!plain->customTypeMetaInfo().isValid());
        QVERIFY(!plain->contextMenuActions().isEmpty());
    }

    void orderIsRepairedOnLoad_data()
    {
        QTest::addColumn<QByteArray>("tree");
        QTest::addColumn<QStringList>("expected");
        QTest::newRow("unknown ids dropped")
            << QByteArray(R"(["0","{gone}","4","3","2","1"])")
            << QStringList{"Appointment", "Task", "Holiday", "Wedding Day", "Birthday", "Custom"};
        QTest::newRow("first of a repeated id kept")
            << QByteArray(R"(["3","1","3",{"folder":"F","types":["1","2","{c}","2"]},"{c}"])")
            << QStringList{"Holiday", "Birthday", "F=Wedding Day,Custom", "Task", "Appointment"};
        QTest::newRow("missing built-ins appended in default order")
            << QByteArray(R"(["{c}","0"])")
            << QStringList{"Custom", "Appointment", "Birthday", "Holiday", "Wedding Day", "Task"};
        QTest::newRow("entries of other types dropped")
            << QByteArray(R"([1,null,["2"],{"folder":"E"},"2"])")
            << QStringList{"E=", "Wedding Day", "Birthday", "Holiday", "Task", "Appointment", "Custom"};
        QTest::newRow("no tree") << QByteArray("null")
                                 << QStringList{"Birthday", "Holiday", "Wedding Day", "Task", "Appointment", "Custom"};
    }

    void orderIsRepairedOnLoad()
    {
        QFETCH(QByteArray, tree);
        QFETCH(QStringList, expected);
        TypesFiles files(m_dir->path());
        QVERIFY(files.custom->add(makeCustomType("{c}", "Custom")));
        QVERIFY(TestHelpers::writeFile(files.orderPath, R"({"version":"1","tree":)" + tree + "}"));
        files.open();
        QCOMPARE(treeLines(*files.storage), expected);
    }

    void unreadableFileIsKeptAsideBeforeFirstSave_data()
    {
        QTest::addColumn<bool>("customFile");
        QTest::addColumn<QByteArray>("content");
        QTest::addColumn<int>("customTypes");
        QTest::newRow("order, not JSON") << false << QByteArray("{\"tree\": [\"1\",") << 0;
        QTest::newRow("order, not an object") << false << QByteArray("[\"1\"]") << 0;
        QTest::newRow("custom types, not JSON") << true << QByteArray("{\"customTypes\": [{") << 0;
        QTest::newRow("custom types, one bad record")
            << true
            << QByteArray(R"({"customTypes":[{"id":"{ok}","name":"Gut","baseType":1},{"id":"","name":"Lost"}]})") << 1;
        QTest::newRow("custom types, a record of an unknown kind")
            << true << QByteArray(R"({"customTypes":[{"id":"{k}","name":"K","baseType":9}]})") << 0;
    }

    void unreadableFileIsKeptAsideBeforeFirstSave()
    {
        QFETCH(bool, customFile);
        QFETCH(QByteArray, content);
        QFETCH(int, customTypes);
        const QString path = QDir(m_dir->path()).filePath(customFile ? "customtypes.dat" : "typesorder.dat");
        QVERIFY(TestHelpers::writeFile(path, content));
        TypesFiles files(m_dir->path());
        QCOMPARE(files.custom->types().size(), customTypes);
        QCOMPARE(TestHelpers::readFile(path), content);
        QVERIFY(files.storage->insertCustomType(Index(), 0, makeCustomType("{n}", "Neu")));
        QVERIFY(files.storage->move(Index(0, -1), Index(), 3));
        QCOMPARE(TestHelpers::readFile(path + ".bak"), content);
        QVERIFY(!QFile::exists(path + ".bak1"));
        files.open();
        QCOMPARE(files.custom->types().size(), customTypes + 1);
        QCOMPARE(treeLines(*files.storage).at(2), "Neu");
    }

    void restoreReloadsTheTreeTheModelShows_data()
    {
        QTest::addColumn<bool>("fromFile");
        QTest::newRow("from data") << false;
        // A backup archive restores through unpacked files.
        QTest::newRow("from an unpacked file") << true;
    }

    void restoreReloadsTheTreeTheModelShows()
    {
        QFETCH(bool, fromFile);
        const auto restore = [&](FileBackupObject *object, const QByteArray &data) {
            if (!fromFile)
                return object->restore(data);
            const QString unpacked = m_dir->filePath(QStringLiteral("unpacked.") + object->name());
            QFile file(unpacked);
            return file.open(QIODevice::WriteOnly) && file.write(data) == data.size() && (file.close(), true) &&
                   object->restoreFromFile(unpacked);
        };
        TypesFiles files(m_dir->path());
        EventTypesTreeModel model(files.storage.get());
        QVERIFY(model.createFolder(0));
        QVERIFY(model.insertCustomType(model.index(0, 0), 0, makeCustomType("{r}", "Reise")));
        const QStringList saved = treeLines(*files.storage);
        bool ok = false;
        const QByteArray custom = files.custom->backup(&ok);
        QVERIFY(ok);
        const QByteArray order = files.storage->backup(&ok);
        QVERIFY(ok);

        QVERIFY(model.removeRow(0));
        QVERIFY(model.insertCustomType(QModelIndex(), 1, makeCustomType("{s}", "Später")));
        QSignalSpy reset(&model, &QAbstractItemModel::modelReset);
        QVERIFY(restore(files.custom.get(), custom));
        QVERIFY(restore(files.storage.get(), order));
        QCOMPARE(reset.count(), 2);
        QCOMPARE(treeLines(*files.storage), saved);
        QCOMPARE(model.index(0, 0, model.index(0, 0)).data().toString(), "Reise");
        QVERIFY(!files.storage->typeById("{s}"));

        // A backup taken while the files did not exist restores the defaults.
        QVERIFY(files.custom->restore(QByteArray()));
        QVERIFY(files.storage->restore(QByteArray()));
        QCOMPARE(treeLines(*files.storage), builtInLines());
        QCOMPARE(files.custom->name(), QByteArray("customtypes.dat"));
        QCOMPARE(files.storage->name(), QByteArray("typesorder.dat"));
    }

    // Undo and redo of a restore swap both type files: neither is read beside the other's old state (the
    // order naming types just removed, or types not yet read).
    void snapshotSwapReadsBothFilesAsOneSet()
    {
        TypesFiles files(m_dir->path());
        BackupManager manager("qbf");
        manager.addBackupObjects({files.custom.get(), files.storage.get()});
        const BackupMap before = manager.backupToMap();
        QVERIFY(EventTypesTreeModel(files.storage.get())
                    .insertCustomType(QModelIndex(), 0, makeCustomType("{r}", "Reise")));
        const BackupMap after = manager.backupToMap();
        for (const BackupMap *map : {&before, &after}) {
            QVERIFY(manager.restoreFromMap(*map));
            QCOMPARE(treeLines(*files.storage).contains("Reise"), map == &after);
        }
        QVERIFY(!Common::DataFileGuard::isNoticed(files.orderPath));
        QCOMPARE(QDir(m_dir->path()).entryList({"*.bak*"}), QStringList());
    }

    void setStateRoundTripAndUndoOfCreation()
    {
        TypesFiles files(m_dir->path());
        const QVariantMap empty = files.storage->state();
        QVERIFY(files.storage->insertCustomType(Index(), 2, makeCustomType("{u}", "Urlaub", 3)));
        const QVariantMap full = files.storage->state();
        files.storage->setState(full);
        QCOMPARE(files.storage->state(), full);
        files.storage->setState(empty);
        QCOMPARE(treeLines(*files.storage), builtInLines());
        files.open();
        QVERIFY(files.custom->types().isEmpty());
        QCOMPARE(treeLines(*files.storage), builtInLines());
    }

private:
    std::unique_ptr<QTemporaryDir> m_dir;
};

QTEST_MAIN(TestEventTypesStorage)
#include "tst_eventtypesstorage.moc"
