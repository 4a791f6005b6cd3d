#include "core/log.h"
#include "events/system/openurlevent.h"
#include "runningline/systemmodel.h"
#include "modelseams.h"
#include "testhelpers.h"

#include <QAbstractItemModelTester>
#include <QSignalSpy>
#include <QtTest>

class TestSystemModel : public QObject
{
    Q_OBJECT

private:
    QStringList m_log;

    void watch(QAbstractItemModel *model)
    {
        connect(model, &QAbstractItemModel::rowsInserted, this,
                [this](const QModelIndex &, int f, int l) { m_log << QString("inserted(%1,%2)").arg(f).arg(l); });
        connect(model, &QAbstractItemModel::rowsRemoved, this,
                [this](const QModelIndex &, int f, int l) { m_log << QString("removed(%1,%2)").arg(f).arg(l); });
        connect(model, &QAbstractItemModel::modelReset, this, [this] { m_log << "reset"; });
    }

    static SystemEventPtr text(const QString &text, int key = -1)
    {
        return std::make_shared<TextEvent>(nullptr, text, key);
    }

    static QStringList texts(const QAbstractItemModel &model)
    {
        QStringList result;
        for (int row = 0; row < model.rowCount(); ++row)
            result << model.index(row, 0).data().toString();
        return result;
    }

private slots:
    void initTestCase() { TestHelpers::isolateEnvironment(); }
    void init() { m_log.clear(); }

    void followsAddReplaceAndRemove()
    {
        SystemEvents list;
        list.addEvent(text("Welcome"));
        SystemModel model(&list);
        QAbstractItemModelTester tester(&model, QAbstractItemModelTester::FailureReportingMode::QtTest);
        watch(&model);

        list.addEvent(text("Backup done", 7));
        list.addEvent(text("Три события сегодня", -1));
        list.addEvent(text("Backup failed", 7)); // replaces "Backup done" by key
        QCOMPARE(texts(model), (QStringList{"Welcome", "Три события сегодня", "Backup failed"}));
        list.removeEvent(list.eventByIndex(0));
        QCOMPARE(texts(model), (QStringList{"Три события сегодня", "Backup failed"}));
        QCOMPARE(m_log,
                 (QStringList{"inserted(1,1)", "inserted(2,2)", "removed(1,1)", "inserted(2,2)", "removed(0,0)"}));
    }

    void ignoresTheRemovalOfAnUnlistedEntry()
    {
        TestHelpers::expectFailedChecks();
        SystemEvents list;
        list.addEvent(text("a"));
        list.addEvent(text("b"));
        SystemModel model(&list);
        QAbstractItemModelTester tester(&model, QAbstractItemModelTester::FailureReportingMode::QtTest);
        watch(&model);
        const qsizetype asserts = logBuffer().count("ASSERT");
        // The list announces -1 and then eventRemoved(); neither may touch the rows.
        list.removeEvent(text("never listed"));
        QVERIFY(logBuffer().count("ASSERT") > asserts); // the list still reports the caller's error
        QCOMPARE(texts(model), (QStringList{"a", "b"}));
        QVERIFY(m_log.isEmpty());
        // A following real removal still works.
        list.removeEvent(list.eventByIndex(1));
        QCOMPARE(texts(model), QStringList{"a"});
        QCOMPARE(m_log, QStringList{"removed(1,1)"});
    }

    void rowsWithAnActionLookLikeLinks()
    {
        ModelSeams seams;
        SystemEvents list;
        auto plain = text("Plain line");
        auto link = std::make_shared<OpenUrlEvent>(nullptr, "News: version 4 is out", "https://example.org/news", 2);
        list.addEvent(plain);
        list.addEvent(link);
        SystemModel model(&list);
        QCOMPARE(model.index(0, 0).data(CursorRole).toInt(), int(Qt::ArrowCursor));
        QCOMPARE(model.index(1, 0).data(CursorRole).toInt(), int(Qt::PointingHandCursor));
        QVERIFY(!model.index(0, 0).data(Qt::FontRole).isValid());
        QVERIFY(model.index(1, 0).data(Qt::FontRole).value<QFont>().underline());
        QCOMPARE(model.index(1, 0).data(EventIdRole).toByteArray(), link->id());
        QCOMPARE(model.index(1, 0).data(IsSystemRole).toBool(), true);
        QCOMPARE(model.index(1, 0).data(MovingLineEnabledRole).toBool(), true);
    }

    void listGoneLeavesAnEmptyModel()
    {
        auto list = std::make_unique<SystemEvents>();
        list->addEvent(text("a"));
        SystemModel model(list.get());
        QAbstractItemModelTester tester(&model, QAbstractItemModelTester::FailureReportingMode::QtTest);
        list.reset();
        QCOMPARE(model.rowCount(), 0);
        QVERIFY(!model.eventAt(0));
    }
};

QTEST_MAIN(TestSystemModel)
#include "tst_systemmodel.moc"
