#include "core/jsonparser.h"
#include "testhelpers.h"
#include "gadgets/todomodel.h"

#include <QAbstractItemModelTester>
#include <QMimeData>
#include <QSignalSpy>
#include <QWidget>
#include <QtTest>

namespace {
IToDoRecordPtr record(const QString &text, bool done = false)
{
    IToDoRecordPtr r = ToDoRecord::create();
    r->setText(text);
    r->setDone(done);
    return r;
}

QStringList texts(const ToDoStorage &storage)
{
    QStringList list;
    for (int i = 0; i < storage.count(); ++i)
        list << storage.eventByIndex(i)->text();
    return list;
}

QMimeData *payload(const QByteArray &bytes)
{
    auto *mime = new QMimeData;
    mime->setData(ToDoModel::s_mimeType, bytes);
    return mime;
}
} // namespace

class TestToDoModel : public QObject
{
    Q_OBJECT

private slots:
    void followsStorageUnderTester()
    {
        ToDoStorage storage;
        ToDoModel model(&storage);
        QAbstractItemModelTester tester(&model, QAbstractItemModelTester::FailureReportingMode::QtTest);
        storage.addEvent(record(QStringLiteral("a")));
        storage.addEvent(record(QStringLiteral("b")));
        storage.insertEvent(1, record(QStringLiteral("c")));
        storage.addEvent(record(QStringLiteral("d")));
        QCOMPARE(model.rowCount(), 4);
        QCOMPARE(model.index(1, 0).data().toString(), QStringLiteral("c"));
        storage.move(0, 2);
        QCOMPARE(texts(storage), QStringList({"c", "b", "a", "d"}));
        QCOMPARE(model.index(2, 0).data().toString(), QStringLiteral("a"));
        storage.move(3, -1);
        QCOMPARE(model.index(2, 0).data().toString(), QStringLiteral("d"));
        QVERIFY(model.removeRows(1, 2));
        QCOMPARE(texts(storage), QStringList({"c", "a"}));
        QVERIFY(model.setData(model.index(0, 0), QStringLiteral("changed")));
        QCOMPARE(storage.eventByIndex(0)->text(), QStringLiteral("changed"));
        storage.clear();
        QCOMPARE(model.rowCount(), 0);
    }

    void announcesMoves_data()
    {
        QTest::addColumn<int>("delta");
        QTest::addColumn<int>("destination");
        QTest::newRow("down") << 1 << 4;
        QTest::newRow("up") << -1 << 1;
    }

    void announcesMoves()
    {
        QFETCH(int, delta);
        QFETCH(int, destination);
        ToDoStorage storage;
        for (int i = 0; i < 5; ++i)
            storage.addEvent(record(QString::number(i)));
        ToDoModel model(&storage);
        QSignalSpy spy(&model, &QAbstractItemModel::rowsAboutToBeMoved);
        storage.move(2, delta);
        QCOMPARE(spy.size(), 1);
        QCOMPARE(spy.at(0).at(1).toInt(), 2);
        QCOMPARE(spy.at(0).at(4).toInt(), destination);
    }

    void answersRoles()
    {
        ToDoStorage storage;
        storage.addEvent(record(QStringLiteral("open")));
        storage.addEvent(record(QStringLiteral("done"), true));
        ToDoModel model(&storage);
        QCOMPARE(model.index(1, 0).data(Qt::CheckStateRole).toInt(), int(Qt::Checked));
        QCOMPARE(model.index(0, 0).data(Qt::CheckStateRole).toInt(), int(Qt::Unchecked));
        // Without a font widget both use the view's own font.
        QVERIFY(!model.index(1, 0).data(Qt::FontRole).isValid());
        QWidget fontWidget;
        model.setFontWidget(&fontWidget);
        QVERIFY(model.index(1, 0).data(Qt::FontRole).value<QFont>().strikeOut());
        QVERIFY(!model.index(0, 0).data(Qt::FontRole).isValid());
        // Partly checked reads as done.
        QVERIFY(model.setData(model.index(0, 0), int(Qt::PartiallyChecked), Qt::CheckStateRole));
        QVERIFY(storage.eventByIndex(0)->isDone());
        QVERIFY(!model.setData(model.index(0, 0), QStringLiteral("x"), Qt::ToolTipRole));
        // The root takes drops, so an empty list does too.
        QVERIFY(model.flags(QModelIndex()) & Qt::ItemIsDropEnabled);
        QCOMPARE(model.supportedDropActions(), Qt::MoveAction);
    }

    void carriesToDoThroughMime()
    {
        ToDoStorage source;
        source.addEvent(record(QString::fromUtf8("Zahnarzt anrufen — Łódź \"quoted\""), true));
        ToDoModel sourceModel(&source);
        std::unique_ptr<QMimeData> mime(sourceModel.mimeData({sourceModel.index(0, 0)}));
        QVERIFY(mime->hasFormat(QStringLiteral("quillane:todo")));
        QVERIFY(!mime->data(ToDoModel::s_mimeType).contains('\n'));

        ToDoStorage target;
        target.addEvent(record(QStringLiteral("first")));
        ToDoModel targetModel(&target);
        QAbstractItemModelTester tester(&targetModel, QAbstractItemModelTester::FailureReportingMode::QtTest);
        QVERIFY(targetModel.dropMimeData(mime.get(), Qt::MoveAction, 0, 0, QModelIndex()));
        QCOMPARE(target.count(), 2);
        const IToDoRecordPtr dropped = target.eventByIndex(0);
        QCOMPARE(dropped->text(), source.eventByIndex(0)->text());
        QVERIFY(dropped->isDone());
        // The stored form keeps whole seconds.
        QCOMPARE(dropped->modified().toSecsSinceEpoch(), source.eventByIndex(0)->modified().toSecsSinceEpoch());
        QVERIFY(dropped != source.eventByIndex(0));
    }

    void refusesBadDrops_data()
    {
        QTest::addColumn<QByteArray>("bytes");
        QTest::addColumn<int>("row");
        QTest::newRow("not JSON") << QByteArray("{\"text\": ") << 0;
        QTest::newRow("a list") << QByteArray("[1, 2]") << 0;
        QTest::newRow("no text") << QByteArray("{\"version\": 1, \"done\": true}") << 0;
        QTest::newRow("text not a string") << QByteArray("{\"text\": 5}") << 0;
        QTest::newRow("empty") << QByteArray() << 0;
        QTest::newRow("row past the end") << QByteArray("{\"text\": \"x\"}") << 2;
        QTest::newRow("negative row") << QByteArray("{\"text\": \"x\"}") << -1;
    }

    void refusesBadDrops()
    {
        TestHelpers::expectFailedChecks();
        QFETCH(QByteArray, bytes);
        QFETCH(int, row);
        ToDoStorage storage;
        storage.addEvent(record(QStringLiteral("kept")));
        ToDoModel model(&storage);
        std::unique_ptr<QMimeData> mime(payload(bytes));
        QVERIFY(!model.dropMimeData(mime.get(), Qt::MoveAction, row, 0, QModelIndex()));
        QCOMPARE(texts(storage), QStringList{"kept"});
    }

    void refusesOtherFormats()
    {
        ToDoStorage storage;
        ToDoModel model(&storage);
        QMimeData mime;
        mime.setText(QStringLiteral("{\"text\": \"x\"}"));
        QVERIFY(!model.dropMimeData(&mime, Qt::MoveAction, 0, 0, QModelIndex()));
        QCOMPARE(storage.count(), 0);
    }

    void emptyTextRemovesAllButLast()
    {
        ToDoStorage storage;
        storage.addEvent(record(QStringLiteral("a")));
        storage.addEvent(record(QStringLiteral("b")));
        ToDoModel model(&storage);
        QSignalSpy removed(&model, &QAbstractItemModel::rowsRemoved);
        QVERIFY(model.setData(model.index(0, 0), QString()));
        QCOMPARE(removed.size(), 1);
        QCOMPARE(texts(storage), QStringList{"b"});
    }
};

QTEST_MAIN(TestToDoModel)
#include "tst_todomodel.moc"
