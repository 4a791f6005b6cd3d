#include "core/clock.h"
#include "core/log.h"
#include "store/todos/todostorage.h"
#include "testhelpers.h"

#include <QJsonDocument>
#include <QPointer>
#include <QtTest>

// Records every signal of a storage, in order, as text.
class ToDoSignals : public QObject
{
public:
    explicit ToDoSignals(ToDoStorage *s)
    {
        auto one = [this](const char *name) {
            return [this, name](int i) { m_log << QString("%1(%2)").arg(name).arg(i); };
        };
        auto none = [this](const char *name) { return [this, name]() { m_log << QString(name); }; };
        connect(s, &ToDoStorage::todoTextChanged, this, one("text"));
        connect(s, &ToDoStorage::todoDoneChanged, this, one("done"));
        connect(s, &ToDoStorage::todoChanged, this, one("changed"));
        connect(s, &ToDoStorage::todoAboutToBeAdded, this, one("aboutToAdd"));
        connect(s, &ToDoStorage::todoAdded, this, none("added"));
        connect(s, &ToDoStorage::todoAboutToBeRemove, this, one("aboutToRemove"));
        connect(s, &ToDoStorage::todoRemoved, this, none("removed"));
        connect(s, &ToDoStorage::todoAboutToBeMoved, this,
                [this](int i, int step) { m_log << QString("aboutToMove(%1,%2)").arg(i).arg(step); });
        connect(s, &ToDoStorage::todoMoved, this, none("moved"));
        connect(s, &ToDoStorage::allDataChanged, this, none("all"));
        connect(s, &ToDoStorage::somethingChanged, this, none("something"));
    }
    QStringList take() { return std::exchange(m_log, {}); }

private:
    QStringList m_log;
};

class TestToDoStorage : public QObject
{
    Q_OBJECT

private:
    static int assertCount() { return int(logBuffer().count("ASSERT")); }

    static void fill(ToDoStorage &storage, const QStringList &texts)
    {
        for (const QString &text : texts) {
            IToDoRecordPtr record = ToDoRecord::create();
            record->setText(text);
            storage.addEvent(record);
        }
    }

    static QStringList texts(const ToDoStorage &storage)
    {
        QStringList result;
        for (const IToDoRecordPtr &record : storage.events())
            result << record->text();
        return result;
    }

private slots:
    void initTestCase() { TestHelpers::isolateEnvironment(); }
    void init()
    {
        Common::clearLogBuffer();
        Common::Clock::pin(QDateTime(QDate(2026, 3, 5), QTime(7, 8, 9, 500)));
    }
    void cleanup() { Common::Clock::unpin(); }

    void listMapIsExact()
    {
        ToDoStorage storage;
        fill(storage, {QStringLiteral("Milch \u00fc"), QStringLiteral("call \"Bob\"")});
        storage.eventByIndex(1)->setDone(true);
        const QByteArray json = QJsonDocument::fromVariant(storage.objectToMap()).toJson(QJsonDocument::Compact);
        QCOMPARE(json, QByteArray("{\"eventsList\":[{\"done\":false,\"modified\":\"2026-03-05T07:08:09\","
                                  "\"text\":\"Milch \xc3\xbc\",\"version\":1},{\"done\":true,"
                                  "\"modified\":\"2026-03-05T07:08:09\",\"text\":\"call \\\"Bob\\\"\","
                                  "\"version\":1}],\"version\":1}"));
        const QVariantMap record = storage.eventByIndex(0)->objectToMap().toMap();
        QCOMPARE(record.value("version").userType(), int(QMetaType::Int));
        QCOMPARE(record.value("done").userType(), int(QMetaType::Bool));
    }

    void roundTripKeepsOrderAndSeconds()
    {
        ToDoStorage storage;
        fill(storage, {"a", "b", "c"});
        storage.eventByIndex(2)->setDone(true);
        ToDoStorage other;
        ToDoSignals log(&other);
        other.objectFromMap(storage.objectToMap());
        QCOMPARE(log.take(), (QStringList{"all", "something"}));
        QCOMPARE(texts(other), (QStringList{"a", "b", "c"}));
        QVERIFY(other.eventByIndex(2)->isDone());
        QCOMPARE(other.eventByIndex(0)->modified(), QDateTime(QDate(2026, 3, 5), QTime(7, 8, 9)));
        QCOMPARE(other.objectToMap(), storage.objectToMap());
        QCOMPARE(assertCount(), 0);
    }

    void readsOddMaps_data()
    {
        QTest::addColumn<QVariantMap>("map");
        QTest::addColumn<int>("count");
        QTest::addColumn<int>("asserts");
        QTest::addColumn<bool>("whole");
        QTest::addColumn<int>("problem");
        const int none = -1;
        const int shape = Common::DataFileGuard::UnknownShape;
        const int newer = Common::DataFileGuard::NewerVersion;
        const QVariantList one{QVariantMap{{"version", 1}, {"text", "x"}}};
        QTest::newRow("empty map") << QVariantMap() << 0 << 0 << true << none;
        QTest::newRow("empty list") << QVariantMap{{"version", 1}, {"eventsList", QVariantList()}} << 0 << 0 << true
                                    << none;
        QTest::newRow("version 2") << QVariantMap{{"version", 2}, {"eventsList", one}} << 1 << 0 << false << newer;
        QTest::newRow("record version 2")
            << QVariantMap{{"version", 1}, {"eventsList", QVariantList{QVariantMap{{"version", 2}, {"text", "x"}}}}}
            << 1 << 0 << false << newer;
        QTest::newRow("null record") << QVariantMap{{"version", 1}, {"eventsList", QVariantList{QVariant()}}} << 0 << 0
                                     << false << shape;
        QTest::newRow("no list") << QVariantMap{{"version", 1}, {"items", one}} << 0 << 0 << false << shape;
        QTest::newRow("list not a list") << QVariantMap{{"version", 1}, {"eventsList", "x"}} << 0 << 0 << false
                                         << shape;
        QTest::newRow("text not a string")
            << QVariantMap{{"version", 1}, {"eventsList", QVariantList{QVariantMap{{"text", QVariantList{1}}}}}} << 1
            << 0 << false << shape;
        QTest::newRow("done not a flag") << QVariantMap{{"version", 1},
                                                        {"eventsList",
                                                         QVariantList{QVariantMap{{"text", "a"}, {"done", "yes"}}}}}
                                         << 1 << 0 << false << shape;
    }

    void readsOddMaps()
    {
        QFETCH(QVariantMap, map);
        QFETCH(int, count);
        QFETCH(int, asserts);
        QFETCH(bool, whole);
        QFETCH(int, problem);
        ToDoStorage storage;
        fill(storage, {"old"});
        ToDoSignals log(&storage);
        Common::DataFileGuard::Problem found = Common::DataFileGuard::Unreadable;
        QCOMPARE(storage.objectFromMap(map, &found), whole);
        if (!whole)
            QCOMPARE(int(found), problem);
        QCOMPARE(storage.count(), count);
        QCOMPARE(log.take(), (QStringList{"all", "something"}));
        QCOMPARE(assertCount(), asserts);
    }

    // Fields and values of a newer version come back as they were read.
    void keepsWhatItDoesNotKnow()
    {
        const QVariantMap record{{"version", 1},        {"text", "a"},
                                 {"done", true},        {"modified", "2026-03-05T07:08:09"},
                                 {"due", "2031-05-01"}, {"notes", QVariantList{1, 2}}};
        const QVariantMap map{{"version", 1}, {"eventsList", QVariantList{record}}, {"sorting", "due"}};
        ToDoStorage storage;
        QVERIFY(storage.objectFromMap(map));
        QCOMPARE(storage.objectToMap(), map);
        storage.eventByIndex(0)->setText(QStringLiteral("b"));
        const QVariantMap written = storage.objectToMap().value("eventsList").toList().first().toMap();
        QCOMPARE(written.value("notes"), record.value("notes"));
        QCOMPARE(written.value("text").toString(), QStringLiteral("b"));
    }

    void equalTextChangesNothing()
    {
        ToDoStorage storage;
        fill(storage, {"a"});
        Common::Clock::advance(60000);
        ToDoSignals log(&storage);
        storage.eventByIndex(0)->setText("a");
        storage.eventByIndex(0)->setDone(false);
        QCOMPARE(log.take(), QStringList());
        QCOMPARE(storage.eventByIndex(0)->modified(), QDateTime(QDate(2026, 3, 5), QTime(7, 8, 9, 500)));
        storage.eventByIndex(0)->setText("b");
        QCOMPARE(storage.eventByIndex(0)->modified(), QDateTime(QDate(2026, 3, 5), QTime(7, 9, 9, 500)));
    }

    void editSignals_data()
    {
        QTest::addColumn<int>("row");
        QTest::addColumn<QString>("text");
        QTest::addColumn<bool>("tick");
        QTest::addColumn<QStringList>("expected");
        QTest::addColumn<QStringList>("after");
        QTest::newRow("clear middle removes it")
            << 1 << "" << false << QStringList{"aboutToRemove(1)", "removed", "something"} << QStringList{"a", "c"};
        QTest::newRow("clear last keeps it")
            << 2 << "" << false << QStringList{"text(2)", "something", "changed(2)", "something"}
            << QStringList{"a", "b", ""};
        QTest::newRow("tick") << 0 << "a" << true << QStringList{"done(0)", "something", "changed(0)", "something"}
                              << QStringList{"a", "b", "c"};
    }

    void editSignals()
    {
        QFETCH(int, row);
        QFETCH(QString, text);
        QFETCH(bool, tick);
        QFETCH(QStringList, expected);
        QFETCH(QStringList, after);
        ToDoStorage storage;
        fill(storage, {"a", "b", "c"});
        ToDoSignals log(&storage);
        IToDoRecordPtr record = storage.eventByIndex(row);
        record->setText(text);
        if (tick)
            record->setDone(true);
        QCOMPARE(log.take(), expected);
        QCOMPARE(texts(storage), after);
        QCOMPARE(assertCount(), 0);
    }

    void listSignals()
    {
        TestHelpers::expectFailedChecks();
        ToDoStorage storage;
        ToDoSignals log(&storage);
        fill(storage, {"a", "b", "c"});
        QCOMPARE(log.take(), (QStringList{"aboutToAdd(0)", "added", "something", "aboutToAdd(1)", "added", "something",
                                          "aboutToAdd(2)", "added", "something"}));
        storage.move(0, 2);
        QCOMPARE(texts(storage), (QStringList{"b", "c", "a"}));
        QCOMPARE(log.take(), (QStringList{"aboutToMove(0,2)", "moved", "something"}));
        IToDoRecordPtr d = ToDoRecord::create();
        d->setText("d");
        storage.insertEvent(1, d);
        QCOMPARE(texts(storage), (QStringList{"b", "d", "c", "a"}));
        QCOMPARE(log.take(), (QStringList{"aboutToAdd(1)", "added", "something"}));
        storage.move(3, 1);
        QCOMPARE(log.take(), QStringList());
        QCOMPARE(assertCount(), 1);
        storage.clear();
        QCOMPARE(log.take(), (QStringList{"all", "something"}));
        QCOMPARE(storage.count(), 0);
    }

    void droppedRecordsNoLongerSignal()
    {
        // A record held elsewhere (an open editor) after the list was replaced or cleared is not ours any more.
        ToDoStorage storage;
        fill(storage, {"a", "b"});
        const IToDoRecordPtr replaced = storage.eventByIndex(0);
        storage.objectFromMap(storage.objectToMap());
        const IToDoRecordPtr cleared = storage.eventByIndex(1);
        storage.clear();
        ToDoSignals log(&storage);
        replaced->setText("changed");
        cleared->setDone(true);
        QCOMPARE(log.take(), QStringList());
        QCOMPARE(assertCount(), 0);
    }

    void removedRecordOutlivesItsSignal()
    {
        ToDoStorage storage;
        fill(storage, {"a", "b"});
        QPointer<QObject> watch(storage.eventByIndex(0)->qObject());
        // Nobody but the list holds the record while it removes itself through its own signal.
        qobject_cast<ToDoRecord *>(watch.data())->setText(QString());
        QCOMPARE(storage.count(), 1);
        QVERIFY(watch);
        QCoreApplication::processEvents();
        QVERIFY(!watch);
    }
};

QTEST_GUILESS_MAIN(TestToDoStorage)
#include "tst_todostorage.moc"
