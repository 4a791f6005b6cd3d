#include "eventtypestestutils.h"
#include "eventtestenv.h"
#include "core/undoobject.h"
#include "editor/eventtypeoperations.h"
#include "eventtypes/eventtypestreemodel.h"
#include "testhelpers.h"

#include <QAbstractItemModelTester>
#include <QBuffer>
#include <QFile>
#include <QPainter>
#include <QUndoStack>
#include <QtTest>

namespace {

QString kind(int type)
{
    return EventsFactory::eventName(type);
}

// Row by row: "1", folder F (c1, "3", c2), c3, "2", "4", "0".
QStringList startLines()
{
    return {kind(1), "F=Custom1," + kind(3) + ",Custom2", "Custom3", kind(2), kind(4), kind(0)};
}

QPixmap picture(const QColor &color)
{
    QPixmap pixmap(48, 48);
    pixmap.fill(color);
    QPainter painter(&pixmap);
    painter.drawEllipse(8, 8, 30, 30);
    return pixmap;
}

QByteArray fileBytes(const QString &path)
{
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

// The types tree over files, its model, the picture storage with a picture for c1, and the undo stack.
struct TypesEnv : EventTestEnv
{
    TypesEnv() : files(dir.path())
    {
        app.m_undoObject = &undoObject;
        undoObject.clearUndoStack();
        QVariantMap folder{{"folder", "F"}, {"types", QVariantList{"c1", "3", "c2"}}};
        files.storage->setState({{"myState", QVariantList{"1", folder, "c3", "2", "4", "0"}},
                                 {"customState", QVariantList{makeCustomType("c1", "Custom1").toJson(),
                                                              makeCustomType("c2", "Custom2", 4).toJson(),
                                                              makeCustomType("c3", "Custom3", 1).toJson()}}});
        app.m_eventTypesStorage = files.storage.get();
        model = std::make_unique<EventTypesTreeModel>(files.storage.get());
        tester = std::make_unique<QAbstractItemModelTester>(model.get(),
                                                            QAbstractItemModelTester::FailureReportingMode::QtTest);
        QBuffer buffer;
        buffer.open(QIODevice::WriteOnly);
        picture(Qt::red).save(&buffer, "png");
        storage->write("c1photo", &buffer);
    }
    ~TypesEnv()
    {
        undoObject.clearUndoStack();
        tester.reset();
        model.reset();
        app.m_eventTypesStorage = nullptr;
        app.m_undoObject = nullptr;
    }

    // A top-level item, or a folder's child as "F/name".
    QModelIndex find(const QString &path) const
    {
        const QStringList parts = path.split('/');
        QModelIndex parent;
        for (const QString &part : parts) {
            QModelIndex found;
            for (int row = 0; row < model->rowCount(parent); ++row) {
                const QModelIndex index = model->index(row, 0, parent);
                if (index.data().toString() == part)
                    found = index;
            }
            if (!found.isValid())
                return QModelIndex();
            parent = found;
        }
        return parent;
    }

    QByteArray photo(const QByteArray &key)
    {
        if (!storage->contains(key))
            return QByteArray();
        QBuffer buffer;
        storage->read(key, &buffer);
        return buffer.data();
    }

    // What undo must give back: both types files and the pictures of c1 and the new type "fresh".
    QList<QByteArray> snapshot()
    {
        return {fileBytes(files.customPath), fileBytes(files.orderPath), photo("c1photo"), photo("freshphoto")};
    }

    QTemporaryDir dir;
    TypesFiles files;
    UndoObject undoObject;
    UndoProxy undo{&undoObject};
    std::unique_ptr<EventTypesTreeModel> model;
    std::unique_ptr<QAbstractItemModelTester> tester;
};

CustomTypeInfo fresh(const QByteArray &id = "fresh")
{
    return makeCustomType(id, "Fresh", 2);
}

bool runOperation(TypesEnv &env, const QString &operation, const QString &item)
{
    EventTypeOperations ops(env.model.get(), env.storage.get(), &env.undo);
    const QModelIndex index = env.find(item);
    if (operation == "folder")
        return ops.createFolder(index).isValid();
    if (operation == "type")
        return ops.createCustomType(index, fresh(), QPixmap()).isValid();
    if (operation == "type with picture")
        return ops.createCustomType(index, fresh(), picture(Qt::blue)).isValid();
    if (operation == "type with reserved id")
        return ops.createCustomType(index, fresh("1"), QPixmap()).isValid();
    if (operation == "type with used id")
        return ops.createCustomType(index, fresh("c2"), QPixmap()).isValid();
    if (operation == "edit") {
        // The wizard may hand back another id: the type keeps its own.
        CustomTypeInfo info = makeCustomType("other", "Edited", 1);
        return ops.editCustomType(index, info, QPixmap(), false);
    }
    if (operation == "edit with picture")
        return ops.editCustomType(index, makeCustomType("c1", "Edited"), picture(Qt::green), false);
    if (operation == "edit back to the kind's picture")
        return ops.editCustomType(index, makeCustomType("c1", "Edited"), QPixmap(), true);
    if (operation == "remove")
        return ops.remove(index);
    if (operation == "up")
        return ops.moveUp(index);
    if (operation == "down")
        return ops.moveDown(index);
    if (operation == "drop into F")
        return ops.move(index, env.find("F"), 1);
    if (operation == "drop past the end of F")
        return ops.move(index, env.find("F"), 9);
    if (operation == "drop at the top")
        return ops.move(index, QModelIndex(), 0);
    if (operation == "rename")
        return ops.rename(index, "Renamed");
    if (operation == "rename to blanks")
        return ops.rename(index, "   ");
    return false;
}

} // namespace

// Changes to the event types tree from the editor: each one undo step with its text, pictures in
// the same step, undo giving back both files and the pictures; refused changes push nothing.
class TestEventTypeOperations : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase() { TestHelpers::isolateEnvironment(); }

    void newFolderRow_data()
    {
        QTest::addColumn<QString>("current");
        QTest::addColumn<int>("topLevelRows");
        QTest::addColumn<int>("row");
        QTest::newRow("nothing current: the top") << "" << 6 << 0;
        QTest::newRow("after a top-level item") << "Custom3" << 6 << 3;
        QTest::newRow("after a child's row in its folder") << "F/Custom1" << 6 << 1;
        QTest::newRow("never past the end") << "F/Custom2" << 2 << 2;
    }

    void newFolderRow()
    {
        QFETCH(QString, current);
        QFETCH(int, topLevelRows);
        QFETCH(int, row);
        TypesEnv env;
        const QModelIndex index = env.find(current);
        QCOMPARE(index.isValid(), !current.isEmpty());
        QCOMPARE(EventTypeOperations::newFolderRow(index, topLevelRows), row);
    }

    void newTypePlace_data()
    {
        QTest::addColumn<QString>("current");
        QTest::addColumn<QString>("parent");
        QTest::addColumn<int>("row");
        QTest::newRow("nothing current: the top") << ""
                                                  << "" << 0;
        QTest::newRow("a folder: its first child") << "F"
                                                   << "F" << 0;
        QTest::newRow("a top-level type: after it") << "Custom3"
                                                    << "" << 3;
        QTest::newRow("a child: after it in its folder") << "F/Custom1"
                                                         << "F" << 1;
    }

    void newTypePlace()
    {
        QFETCH(QString, current);
        QFETCH(QString, parent);
        QFETCH(int, row);
        TypesEnv env;
        const EventTypeOperations::Place place = EventTypeOperations::newTypePlace(*env.model, env.find(current));
        QCOMPARE(place.parent, env.find(parent));
        QCOMPARE(place.row, row);
    }

    void oneStepThatUndoRestoresFilesAndPictures_data()
    {
        QTest::addColumn<QString>("operation");
        QTest::addColumn<QString>("item");
        QTest::addColumn<QString>("undoText");
        QTest::addColumn<QStringList>("linesAfter");
        QTest::addColumn<QByteArray>("photoKey");
        QTest::addColumn<QString>("photoAfter"); // "same", "new", "none"
        const QStringList start = startLines();
        const QString folder = EventTypesTreeModel::newFolderName() + '=';
        auto with = [&](int row, const QString &line) {
            QStringList lines = start;
            lines.insert(row, line);
            return lines;
        };
        auto replaced = [&](int row, const QString &line) {
            QStringList lines = start;
            lines[row] = line;
            return lines;
        };
        QTest::newRow("folder at the top") << "folder"
                                           << ""
                                           << "Create Folder" << with(0, folder) << QByteArray("c1photo") << "same";
        QTest::newRow("folder after a child's row")
            << "folder"
            << "F/" + kind(3) << "Create Folder" << with(2, folder) << QByteArray("c1photo") << "same";
        QTest::newRow("type at the top") << "type"
                                         << ""
                                         << "Create Event Type" << with(0, "Fresh") << QByteArray("freshphoto")
                                         << "none";
        QTest::newRow("type into a folder")
            << "type"
            << "F"
            << "Create Event Type" << replaced(1, "F=Fresh,Custom1," + kind(3) + ",Custom2") << QByteArray("freshphoto")
            << "none";
        QTest::newRow("type after a type")
            << "type"
            << "Custom3"
            << "Create Event Type" << with(3, "Fresh") << QByteArray("freshphoto") << "none";
        QTest::newRow("type with its picture")
            << "type with picture"
            << ""
            << "Create Event Type" << with(0, "Fresh") << QByteArray("freshphoto") << "new";
        QTest::newRow("edit keeps id and picture")
            << "edit"
            << "F/Custom1"
            << "Edit Event Type" << replaced(1, "F=Edited," + kind(3) + ",Custom2") << QByteArray("c1photo") << "same";
        QTest::newRow("edit with a new picture")
            << "edit with picture"
            << "F/Custom1"
            << "Edit Event Type" << replaced(1, "F=Edited," + kind(3) + ",Custom2") << QByteArray("c1photo") << "new";
        QTest::newRow("edit back to the kind's picture")
            << "edit back to the kind's picture"
            << "F/Custom1"
            << "Edit Event Type" << replaced(1, "F=Edited," + kind(3) + ",Custom2") << QByteArray("c1photo") << "none";
        QStringList removed = start;
        removed.removeAt(2);
        QTest::newRow("remove a type") << "remove"
                                       << "Custom3"
                                       << "Remove Event Type" << removed << QByteArray("c1photo") << "same";
        QStringList noFolder = start;
        noFolder.removeAt(1);
        noFolder << kind(3);
        QTest::newRow("remove a folder") << "remove"
                                         << "F"
                                         << "Remove Event Type" << noFolder << QByteArray("c1photo") << "same";
        QStringList up = start;
        up.swapItemsAt(2, 3);
        QTest::newRow("up") << "up" << kind(2) << "Move Up" << up << QByteArray("c1photo") << "same";
        QStringList down = start;
        down.swapItemsAt(3, 4);
        QTest::newRow("down") << "down" << kind(2) << "Move Down" << down << QByteArray("c1photo") << "same";
        QStringList dropped = start;
        dropped.removeAt(2);
        dropped[1] = "F=Custom1,Custom3," + kind(3) + ",Custom2";
        QTest::newRow("drop into a folder") << "drop into F"
                                            << "Custom3"
                                            << "Move Item" << dropped << QByteArray("c1photo") << "same";
        QStringList top = start;
        top[1] = "F=Custom1," + kind(3);
        top.prepend("Custom2");
        QTest::newRow("drop out to the top") << "drop at the top"
                                             << "F/Custom2"
                                             << "Move Item" << top << QByteArray("c1photo") << "same";
        QTest::newRow("rename a folder") << "rename"
                                         << "F"
                                         << "Rename Item" << replaced(1, "Renamed=Custom1," + kind(3) + ",Custom2")
                                         << QByteArray("c1photo") << "same";
        QTest::newRow("rename a type") << "rename"
                                       << "Custom3"
                                       << "Rename Item" << replaced(2, "Renamed") << QByteArray("c1photo") << "same";
    }

    void oneStepThatUndoRestoresFilesAndPictures()
    {
        QFETCH(QString, operation);
        QFETCH(QString, item);
        QFETCH(QString, undoText);
        QFETCH(QStringList, linesAfter);
        QFETCH(QByteArray, photoKey);
        QFETCH(QString, photoAfter);
        TypesEnv env;
        QCOMPARE(treeLines(*env.files.storage), startLines());
        const QList<QByteArray> before = env.snapshot();
        const QByteArray photoBefore = env.photo(photoKey);

        QVERIFY(runOperation(env, operation, item));
        QUndoStack *stack = UndoObject::undoStack();
        QCOMPARE(stack->count(), 1);
        QCOMPARE(stack->undoText(), undoText);
        QCOMPARE(treeLines(*env.files.storage), linesAfter);
        const QByteArray photo = env.photo(photoKey);
        if (photoAfter == "same")
            QCOMPARE(photo, photoBefore);
        else if (photoAfter == "none")
            QVERIFY(photo.isEmpty());
        else
            QVERIFY(!photo.isEmpty() && photo != photoBefore);
        const QList<QByteArray> after = env.snapshot();

        stack->undo();
        QCOMPARE(treeLines(*env.files.storage), startLines());
        QCOMPARE(env.snapshot(), before);
        stack->redo();
        QCOMPARE(treeLines(*env.files.storage), linesAfter);
        QCOMPARE(env.snapshot(), after);
    }

    void editKeepsTheTypesId()
    {
        TypesEnv env;
        QVERIFY(runOperation(env, "edit", "Custom3"));
        QVERIFY(!env.files.custom->contains("other"));
        QCOMPARE(env.files.custom->type("c3").name, QString("Edited"));
        QCOMPARE(env.files.custom->type("c3").baseType, 1);
    }

    void refusedChangesPushNothing_data()
    {
        QTest::addColumn<QString>("operation");
        QTest::addColumn<QString>("item");
        QTest::newRow("up at the top") << "up" << kind(1);
        QTest::newRow("down at the end") << "down" << kind(0);
        QTest::newRow("remove a built-in kind") << "remove" << kind(2);
        QTest::newRow("remove nothing") << "remove"
                                        << "";
        QTest::newRow("rename a built-in kind") << "rename" << kind(2);
        QTest::newRow("rename to blanks") << "rename to blanks"
                                          << "F";
        QTest::newRow("a reserved id") << "type with reserved id"
                                       << "";
        QTest::newRow("an id in use") << "type with used id"
                                      << "";
        QTest::newRow("edit a built-in kind") << "edit" << kind(2);
        QTest::newRow("a folder into a folder") << "drop into F"
                                                << "F";
        QTest::newRow("past the end of a folder") << "drop past the end of F"
                                                  << "Custom3";
    }

    void refusedChangesPushNothing()
    {
        TestHelpers::expectFailedChecks();
        QFETCH(QString, operation);
        QFETCH(QString, item);
        TypesEnv env;
        const QList<QByteArray> before = env.snapshot();
        QVERIFY(!runOperation(env, operation, item));
        QCOMPARE(UndoObject::undoStack()->count(), 0);
        QCOMPARE(treeLines(*env.files.storage), startLines());
        QCOMPARE(env.snapshot(), before);
    }
};

QTEST_MAIN(TestEventTypeOperations)
#include "tst_eventtypeoperations.moc"
