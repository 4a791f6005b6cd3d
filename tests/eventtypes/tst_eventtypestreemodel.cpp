#include "eventtypes/eventtypestreemodel.h"
#include "eventtypestestutils.h"
#include "testhelpers.h"

#include <QAbstractItemModelTester>
#include <QMimeData>
#include <QTreeView>
#include <QUndoStack>
#include <QtTest>

#include <functional>

using Index = IEventTypesStorage::Index;

namespace {

// "1", folder F (c1, "3", c2), c3, "2", "4", "0"
QVariantMap mixedState()
{
    QVariantMap folder{{"folder", "F"}, {"types", QVariantList{"c1", "3", "c2"}}};
    return {{"myState", QVariantList{"1", folder, "c3", "2", "4", "0"}},
            {"customState",
             QVariantList{makeCustomType("c1", "Custom1").toJson(), makeCustomType("c2", "Custom2", 4).toJson(),
                          makeCustomType("c3", "Custom3", 1).toJson()}}};
}

} // namespace

// The editor's view of the event types: the tree rules, flags, removals, drops and undo through state.
class TestEventTypesTreeModel : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase() { TestHelpers::isolateEnvironment(); }

    void init()
    {
        QVERIFY(m_dir.isValid());
        QFile::remove(QDir(m_dir.path()).filePath("customtypes.dat"));
        QFile::remove(QDir(m_dir.path()).filePath("typesorder.dat"));
        m_files = std::make_unique<TypesFiles>(m_dir.path());
        m_model = std::make_unique<EventTypesTreeModel>(m_files->storage.get());
        m_tester = std::make_unique<QAbstractItemModelTester>(m_model.get(),
                                                              QAbstractItemModelTester::FailureReportingMode::QtTest);
    }

    void cleanup()
    {
        m_tester.reset();
        m_model.reset();
        m_files.reset();
    }

    void scenarioStepsUndoAndRedo()
    {
        EventTypesTreeModel &model = *m_model;
        IEventTypesStorage *storage = m_files->storage.get();
        QUndoStack stack;
        const QString B = EventsFactory::eventName(1), A = EventsFactory::eventName(0);
        const QString N = EventTypesTreeModel::newFolderName();
        const QString tail = QStringLiteral("Custom3,Custom5,Custom2,Custom1,Custom4");
        int counter = 5;
        auto custom = [&](const QString &name) { return makeCustomType(QByteArray::number(++counter), name); };

        QStringList lines = builtInLines();
        QCOMPARE(treeLines(*storage), lines);
        QList<QStringList> history{lines};
        auto step = [&](const std::function<void()> &operation, const std::function<void()> &change) {
            stack.push(new SwapStateCommand(storage));
            operation();
            change();
            history << lines;
            QCOMPARE(treeLines(*storage), lines);
        };
#define STEP(operation, change)                                                                                        \
    step([&] { operation; }, [&] { change; });                                                                         \
    if (QTest::currentTestFailed())                                                                                    \
        return;

        STEP(QVERIFY(model.createFolder(0)), lines.prepend(N + '='));
        STEP(QVERIFY(model.rename(model.index(0, 0), "TopFolder")), lines[0] = "TopFolder=");
        STEP(QVERIFY(model.createFolder(storage->count())), lines << N + '=');
        STEP(QVERIFY(model.rename(model.index(model.rowCount() - 1, 0), "BottomFolder")),
             lines.last() = "BottomFolder=");
        QVERIFY(model.flags(model.index(0, 0)) & IEventTypesStorage::ItemIsRemovable);
        QVERIFY(!(model.flags(model.index(1, 0)) & IEventTypesStorage::ItemIsRemovable));
        STEP(QVERIFY(model.insertCustomType(model.index(0, 0), 0, custom("Custom1"))), lines[0] = "TopFolder=Custom1");
        STEP(QVERIFY(model.insertCustomType(model.index(0, 0), 0, custom("Custom2")));
             QVERIFY(model.insertCustomType(model.index(0, 0), 0, custom("Custom3"))),
             lines[0] = "TopFolder=Custom3,Custom2,Custom1");
        STEP(QVERIFY(model.insertCustomType(model.index(0, 0), 3, custom("Custom4"))),
             lines[0] = "TopFolder=Custom3,Custom2,Custom1,Custom4");
        STEP(QVERIFY(model.insertCustomType(model.index(0, 0), 1, custom("Custom5"))), lines[0] = "TopFolder=" + tail);

        QPersistentModelIndex p(model.index(0, 0));
        int r = 0;
        while (model.flags(p) & IEventTypesStorage::ItemCanBeMovedDown) {
            STEP(QVERIFY(model.moveDown(p)), lines.swapItemsAt(r, r + 1); ++r);
        }
        QCOMPARE(r, 6);
        p = model.index(5, 0);
        QCOMPARE(p.data().toString(), "BottomFolder");
        while (model.flags(p) & IEventTypesStorage::ItemCanBeMovedUp) {
            STEP(QVERIFY(model.moveUp(p)), lines.swapItemsAt(r - 1, r - 2); --r);
        }
        QCOMPARE(r, 1);
        QCOMPARE(p.row(), 0);

        p = model.index(5, 0);
        QCOMPARE(p.data().toString(), A);
        const QStringList children = tail.split(',');
        STEP(QVERIFY(model.moveDown(p)), lines.removeAt(5); lines[5] = "TopFolder=" + A + ',' + tail);
        for (int i = 1; i <= children.size(); ++i) {
            QStringList now = children;
            now.insert(i, A);
            STEP(QVERIFY(model.moveDown(p)), lines[5] = "TopFolder=" + now.join(','));
            QCOMPARE(p.data().toString(), A);
            QCOMPARE(p.parent().row(), 5);
        }
        STEP(QVERIFY(model.moveDown(p)), lines[5] = "TopFolder=" + tail; lines << A);
        QCOMPARE(p.row(), 6);
        QVERIFY(!p.parent().isValid());

        p = model.index(1, 0);
        STEP(QVERIFY(model.moveUp(p)), lines.removeAt(1); lines[0] = "BottomFolder=" + B);
        QCOMPARE(p.parent().row(), 0);
        STEP(QVERIFY(model.moveUp(p)), lines[0] = "BottomFolder="; lines.prepend(B));
        QCOMPARE(p.row(), 0);

        STEP(QVERIFY(model.move(model.index(0, 0, model.index(5, 0)), QModelIndex(), 0)),
             lines[5] = "TopFolder=Custom5,Custom2,Custom1,Custom4";
             lines.prepend("Custom3"));
        model.allowRemove();
        STEP(QVERIFY(model.removeRow(0)), lines.removeAt(0));
        STEP(QVERIFY(model.removeRow(0, model.index(5, 0))), lines[5] = "TopFolder=Custom2,Custom1,Custom4");
        STEP(QVERIFY(model.removeRow(1)), lines.removeAt(1));
        STEP(QVERIFY(model.removeRow(4)), lines.removeAt(4));
#undef STEP

        QCOMPARE(treeLines(*storage), builtInLines());
        QVERIFY(m_files->custom->types().isEmpty());
        QCOMPARE(history.size(), 34);
        QCOMPARE(stack.count(), 33);
        for (int i = history.size() - 2; i >= 0; --i) {
            stack.undo();
            QCOMPARE(treeLines(*storage), history.at(i));
        }
        for (int i = 1; i < history.size(); ++i) {
            stack.redo();
            QCOMPARE(treeLines(*storage), history.at(i));
        }
    }

    void flagsFollowPlaceAndKind_data()
    {
        QTest::addColumn<int>("row");
        QTest::addColumn<int>("childRow");
        QTest::addColumn<int>("expected");
        const int edit = Qt::ItemIsEditable, remove = IEventTypesStorage::ItemIsRemovable;
        const int up = IEventTypesStorage::ItemCanBeMovedUp, down = IEventTypesStorage::ItemCanBeMovedDown;
        QTest::newRow("built-in at row 0") << 0 << -1 << down;
        QTest::newRow("folder") << 1 << -1 << (edit | remove | up | down);
        QTest::newRow("first child, custom") << 1 << 0 << (edit | remove | up | down);
        QTest::newRow("middle child, built-in") << 1 << 1 << (up | down);
        QTest::newRow("last child, custom") << 1 << 2 << (edit | remove | up | down);
        QTest::newRow("custom at top level") << 2 << -1 << (edit | remove | up | down);
        QTest::newRow("built-in in the last row") << 5 << -1 << up;
    }

    void flagsFollowPlaceAndKind()
    {
        QFETCH(int, row);
        QFETCH(int, childRow);
        QFETCH(int, expected);
        m_files->storage->setState(mixedState());
        const QModelIndex index = m_model->fromStorageIndex(Index(row, childRow));
        const int mask = Qt::ItemIsEditable | IEventTypesStorage::ItemIsRemovable |
                         IEventTypesStorage::ItemCanBeMovedUp | IEventTypesStorage::ItemCanBeMovedDown;
        QCOMPARE(int(m_model->flags(index)) & mask, expected);
        QVERIFY(m_model->flags(index) & Qt::ItemIsDragEnabled);
        QCOMPARE(bool(m_model->flags(index) & Qt::ItemIsDropEnabled), row == 1 && childRow < 0);
        // Qt's "never has children" would hide a folder's rows in a tree view.
        QVERIFY(!(m_model->flags(index) & Qt::ItemNeverHasChildren));
    }

    void removableFolderOpensInTreeView()
    {
        m_files->storage->setState(mixedState());
        QTreeView view;
        view.setModel(m_model.get());
        view.expandAll();
        const QModelIndex folder = m_model->index(1, 0);
        QVERIFY(view.isExpanded(folder));
        QVERIFY(view.visualRect(m_model->index(2, 0, folder)).isValid());
    }

    void removingFolderKeepsBuiltInsAndDropsCustomTypes()
    {
        m_files->storage->setState(mixedState());
        QPersistentModelIndex holiday(m_model->index(1, 0, m_model->index(1, 0)));
        QSignalSpy changed(m_model.get(), &EventTypesTreeModel::somethingChanged);
        QVERIFY(m_model->removeRow(1));
        QCOMPARE(treeLines(*m_files->storage),
                 (QStringList{EventsFactory::eventName(1), "Custom3", EventsFactory::eventName(2),
                              EventsFactory::eventName(4), EventsFactory::eventName(0), EventsFactory::eventName(3)}));
        QCOMPARE(holiday.row(), 5);
        QVERIFY(!holiday.parent().isValid());
        QVERIFY(!m_files->storage->typeById("c1"));
        QVERIFY(changed.count() >= 1);
        m_files->open();
        QCOMPARE(m_files->custom->types().size(), 1);
        QCOMPARE(m_files->custom->types().first().id, QByteArray("c3"));
    }

    void builtInsAreNotRemovable()
    {
        QVERIFY(!m_model->removeRow(0));
        QCOMPARE(treeLines(*m_files->storage), builtInLines());
    }

    void removalWaitsForQueuedAllowRemoveAfterMove()
    {
        m_files->storage->setState(mixedState());
        QVERIFY(m_model->move(m_model->index(2, 0), QModelIndex(), 0));
        QCOMPARE(m_model->index(0, 0).data().toString(), "Custom3");
        QVERIFY(!m_model->removeRow(0));
        QCoreApplication::processEvents();
        QVERIFY(m_model->removeRow(0));
        QCOMPARE(m_model->index(0, 0).data().toString(), EventsFactory::eventName(1));
    }

    void moveRefusesFolderIntoFolderAndStepsPastEnds()
    {
        m_files->storage->setState(mixedState());
        const QStringList before = treeLines(*m_files->storage);
        QVERIFY(m_files->storage->insertFolder(0, "G"));
        m_files->storage->setState(m_files->storage->state());
        QVERIFY(!m_model->move(m_model->index(0, 0), m_model->index(2, 0), 0));
        QVERIFY(!m_model->moveUp(m_model->index(0, 0)));
        QVERIFY(!m_model->moveDown(m_model->index(m_model->rowCount() - 1, 0)));
        QCOMPARE(treeLines(*m_files->storage), QStringList{"G="} + before);
    }

    void dropRequestsMoveAndKeepsTheItem()
    {
        m_files->storage->setState(mixedState());
        QSignalSpy requested(m_model.get(), &EventTypesTreeModel::moveRequested);
        const QModelIndex folder = m_model->index(1, 0);
        std::unique_ptr<QMimeData> custom(m_model->mimeData({m_model->index(2, 0)}));
        std::unique_ptr<QMimeData> folderData(m_model->mimeData({folder}));
        QVERIFY(custom->hasFormat("quillaneeventtypeindex"));
        QVERIFY(!m_model->canDropMimeData(folderData.get(), Qt::MoveAction, -1, 0, folder));
        QVERIFY(!m_model->canDropMimeData(custom.get(), Qt::MoveAction, -1, 0, m_model->index(0, 0)));
        QVERIFY(!m_model->canDropMimeData(custom.get(), Qt::CopyAction, -1, 0, folder));
        QVERIFY(m_model->canDropMimeData(folderData.get(), Qt::MoveAction, 0, 0, QModelIndex()));
        QVERIFY(m_model->dropMimeData(custom.get(), Qt::MoveAction, -1, 0, folder));
        QCOMPARE(requested.count(), 1);
        QCOMPARE(requested.at(0).at(0).value<QModelIndex>(), m_model->index(2, 0));
        QCOMPARE(requested.at(0).at(1).value<QModelIndex>(), folder);
        QCOMPARE(requested.at(0).at(2).toInt(), -1);
        // The view removes the dragged row after the drop; the item must survive that.
        QVERIFY(!m_model->removeRow(2));
        QVERIFY(m_model->move(m_model->index(2, 0), folder, -1));
        QCOMPARE(treeLines(*m_files->storage).at(1), "F=Custom1," + EventsFactory::eventName(3) + ",Custom2,Custom3");
    }

    void renameTrimsAndRefuses_data()
    {
        QTest::addColumn<int>("row");
        QTest::addColumn<QString>("name");
        QTest::addColumn<QString>("expected");
        QTest::newRow("folder, trimmed") << 1 << "  Familie Müller  "
                                         << "Familie Müller";
        QTest::newRow("custom type") << 2 << "Geburtstag der Großeltern"
                                     << "Geburtstag der Großeltern";
        QTest::newRow("empty name") << 1 << "   "
                                    << "F";
        QTest::newRow("built-in") << 0 << "Mine" << EventsFactory::eventName(1);
    }

    void renameTrimsAndRefuses()
    {
        QFETCH(int, row);
        QFETCH(QString, name);
        QFETCH(QString, expected);
        m_files->storage->setState(mixedState());
        QSignalSpy requested(m_model.get(), &EventTypesTreeModel::renameRequested);
        const QModelIndex index = m_model->index(row, 0);
        const bool editable = m_model->flags(index) & Qt::ItemIsEditable;
        QCOMPARE(m_model->setData(index, name), editable && !name.trimmed().isEmpty());
        QCOMPARE(requested.count(), editable && !name.trimmed().isEmpty() ? 1 : 0);
        QCOMPARE(m_model->rename(index, name), expected != index.data().toString());
        QCOMPARE(index.data().toString(), expected);
        m_files->open();
        m_files->storage->setState(m_files->storage->state());
        QCOMPARE(treeLines(*m_files->storage).at(row).section('=', 0, 0), expected);
    }

    void insertRefusesBadRecordsWithoutRows_data()
    {
        QTest::addColumn<QByteArray>("id");
        QTest::addColumn<int>("baseType");
        QTest::newRow("no id") << QByteArray() << 1;
        QTest::newRow("kind number") << QByteArray("1") << 1;
        QTest::newRow("kind key") << QByteArray("birthday") << 1;
        QTest::newRow("used id") << QByteArray("c1") << 1;
        QTest::newRow("unknown base kind") << QByteArray("c9") << 7;
    }

    void insertRefusesBadRecordsWithoutRows()
    {
        QFETCH(QByteArray, id);
        QFETCH(int, baseType);
        m_files->storage->setState(mixedState());
        QSignalSpy inserted(m_model.get(), &QAbstractItemModel::rowsInserted);
        QVERIFY(!m_model->insertCustomType(QModelIndex(), 0, makeCustomType(id, "X", baseType)));
        QCOMPARE(inserted.count(), 0);
        QCOMPARE(m_files->custom->types().size(), 3);
    }

    void modifyKeepsIdAndUpdatesName()
    {
        m_files->storage->setState(mixedState());
        CustomTypeInfo info = makeCustomType("other", "Jahrestag", 2);
        QVERIFY(m_model->modifyCustomType(m_model->index(2, 0), info));
        const CustomTypeInfo stored = m_model->customTypeInfoAt(m_model->index(2, 0));
        QCOMPARE(stored.id, QByteArray("c3"));
        QCOMPARE(stored.name, "Jahrestag");
        QCOMPARE(stored.baseType, 2);
        QVERIFY(!m_model->modifyCustomType(m_model->index(0, 0), info));
    }

    void setStateResetsTheModel()
    {
        QSignalSpy reset(m_model.get(), &QAbstractItemModel::modelReset);
        QSignalSpy changed(m_model.get(), &EventTypesTreeModel::somethingChanged);
        m_files->storage->setState(mixedState());
        QCOMPARE(reset.count(), 1);
        QCOMPARE(changed.count(), 1);
        QCOMPARE(m_model->rowCount(m_model->index(1, 0)), 3);
    }

private:
    QTemporaryDir m_dir;
    std::unique_ptr<TypesFiles> m_files;
    std::unique_ptr<EventTypesTreeModel> m_model;
    std::unique_ptr<QAbstractItemModelTester> m_tester;
};

QTEST_MAIN(TestEventTypesTreeModel)
#include "tst_eventtypestreemodel.moc"
