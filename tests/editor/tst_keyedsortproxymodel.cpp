#include "editor/keyedsortproxymodel.h"

#include <QAbstractItemModelTester>
#include <QSortFilterProxyModel>
#include <QStandardItemModel>
#include <QtTest>

namespace {

const int s_sortRole = Qt::UserRole + 7;

// The bottom rows a proxy shows, in its order.
QList<int> bottomRows(const QSortFilterProxyModel &top)
{
    QList<int> rows;
    const auto *middle = qobject_cast<const QSortFilterProxyModel *>(top.sourceModel());
    for (int row = 0; row < top.rowCount(); ++row)
        rows << middle->mapToSource(top.mapToSource(top.index(row, 0))).row();
    return rows;
}

// The table, a filter above it keeping the rows of one parity, and a sorting proxy above that.
struct Chain
{
    explicit Chain(QSortFilterProxyModel *sorter) : top(sorter)
    {
        middle.setSourceModel(&table);
        top->setSourceModel(&middle);
        top->setSortRole(s_sortRole);
        middle.setFilterRole(Qt::UserRole);
    }
    QStandardItemModel table;
    QSortFilterProxyModel middle;
    QSortFilterProxyModel *top;
};

} // namespace

class TestKeyedSortProxyModel : public QObject
{
    Q_OBJECT

private slots:
    // The same order as Qt's own proxy, for every kind of value the editor sorts by.
    void sortsAsTheBaseClass_data()
    {
        QTest::addColumn<QVariantList>("values");
        QTest::newRow("numbers") << QVariantList{5, -3, 12, 0, 5, 7, -3, 100};
        QTest::newRow("texts") << QVariantList{"b", "B", "a", "", "Ärger", "z", "a", "10", "9"};
        const QDateTime base(QDate(2026, 3, 29), QTime(1, 30));
        QTest::newRow("date-times") << QVariantList{
            base.addSecs(3600), base, QDateTime(), base.addDays(-1), base.addSecs(3600), base.addSecs(-60)};
        QTest::newRow("dates and empty") << QVariantList{QDate(2026, 1, 2), QVariant(), QDate(2025, 12, 31),
                                                         QDate(2026, 1, 2), QVariant(), QDate(2026, 6, 1)};
        QTest::newRow("fractions and empty") << QVariantList{2.5, QVariant(), -0.25, 2.5, 1e9, QVariant(), -7.0, 0.0};
        // Kinds that differ: the left value's type decides how the pair is compared.
        QTest::newRow("mixed kinds") << QVariantList{3,
                                                     2.9,
                                                     "10",
                                                     QDate(2026, 1, 2),
                                                     qint64(1) << 40,
                                                     3.1,
                                                     QVariant(),
                                                     QDateTime(QDate(2026, 1, 1), QTime(23, 0), Qt::UTC),
                                                     "2"};
    }

    void sortsAsTheBaseClass()
    {
        QFETCH(QVariantList, values);
        Chain keyed(new KeyedSortProxyModel);
        Chain plain(new QSortFilterProxyModel);
        for (Chain *chain : {&keyed, &plain}) {
            for (int i = 0; i < values.size(); ++i) {
                auto *item = new QStandardItem(QString::number(i));
                item->setData(values.at(i), s_sortRole);
                item->setData(i % 2 ? "odd" : "even", Qt::UserRole);
                chain->table.appendRow(item);
            }
        }
        QAbstractItemModelTester tester(keyed.top, QAbstractItemModelTester::FailureReportingMode::QtTest);
        for (Qt::SortOrder order : {Qt::AscendingOrder, Qt::DescendingOrder}) {
            keyed.top->sort(0, order);
            plain.top->sort(0, order);
            QCOMPARE(bottomRows(*keyed.top), bottomRows(*plain.top));
            // Through a change of the filter below, and back.
            for (const QString &parity : QStringList{"odd", "", "even"}) {
                keyed.middle.setFilterFixedString(parity);
                plain.middle.setFilterFixedString(parity);
                QCOMPARE(bottomRows(*keyed.top), bottomRows(*plain.top));
            }
        }
        delete keyed.top;
        delete plain.top;
    }

    // Values are read once while the rows stay the same, and again for rows that change.
    void readsEachValueOnceUntilItChanges()
    {
        auto *sorter = new KeyedSortProxyModel;
        Chain chain(sorter);
        for (int i = 0; i < 40; ++i) {
            auto *item = new QStandardItem;
            item->setData((i * 17) % 40, s_sortRole);
            item->setData(i % 2 ? "odd" : "even", Qt::UserRole);
            chain.table.appendRow(item);
        }
        chain.top->setDynamicSortFilter(true);
        chain.top->sort(0);
        QCOMPARE(sorter->keyReads(), 40);
        chain.middle.setFilterFixedString("odd");
        chain.middle.setFilterFixedString("");
        QCOMPARE(sorter->keyReads(), 40);

        // A changed value moves its row.
        chain.table.item(3)->setData(-1, s_sortRole);
        QCOMPARE(bottomRows(*chain.top).first(), 3);
        // A row hidden by the filter when it changes takes its new place when shown again.
        chain.middle.setFilterFixedString("even");
        chain.table.item(5)->setData(-2, s_sortRole);
        chain.middle.setFilterFixedString("");
        QCOMPARE(bottomRows(*chain.top).mid(0, 2), (QList<int>{5, 3}));
        // New rows and removed rows.
        auto *item = new QStandardItem;
        item->setData(-3, s_sortRole);
        chain.table.insertRow(0, item);
        QCOMPARE(bottomRows(*chain.top).mid(0, 3), (QList<int>{0, 6, 4}));
        chain.table.removeRow(0);
        QCOMPARE(bottomRows(*chain.top).mid(0, 2), (QList<int>{5, 3}));
        delete sorter;
    }
};

QTEST_MAIN(TestKeyedSortProxyModel)
#include "tst_keyedsortproxymodel.moc"
