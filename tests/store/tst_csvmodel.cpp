#include "store/csvmodel.h"
#include "testhelpers.h"

#include <QAbstractItemModelTester>
#include <QBuffer>
#include <QTemporaryDir>
#include <QTextStream>
#include <QtTest>

namespace {

using Table = QList<QStringList>;

Table cells(const CsvModel &model)
{
    Table table;
    for (int r = 0; r < model.rowCount(); ++r) {
        QStringList row;
        for (int c = 0; c < model.columnCount(); ++c)
            row << model.data(model.index(r, c)).toString();
        table << row;
    }
    return table;
}

QString toText(const CsvModel &model, bool withHeader)
{
    QBuffer buffer;
    model.toCSV(&buffer, withHeader, QLatin1Char(';'));
    return QString::fromLatin1(buffer.data());
}

} // namespace

class TestCsvModel : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase() { TestHelpers::isolateEnvironment(); }

    void readsCells_data()
    {
        QTest::addColumn<QString>("text");
        QTest::addColumn<Table>("expected");
        QTest::newRow("quoted comma") << "a,\"b,c\",d\n" << Table{{"a", "b,c", "d"}};
        QTest::newRow("line break in quotes cuts the field") << "a,\"b\nc\",d\n" << Table{{"a", "\"b"}, {"c\",d", ""}};
        QTest::newRow("doubled quotes kept") << "\"say \"\"hi\"\"\",x" << Table{{"say \"\"hi\"\"", "x"}};
        QTest::newRow("escaped quote does not close") << "\"a\\\"b,c\",d" << Table{{"a\\\"b,c", "d"}};
        QTest::newRow("empty line is a row") << "a,b\n\nc\n" << Table{{"a", "b"}, {"", ""}, {"c", ""}};
        QTest::newRow("ragged rows") << "a\nb,c,d\r\ne,f" << Table{{"a", "", ""}, {"b", "c", "d"}, {"e", "f", ""}};
        QTest::newRow("lone quote cell") << "\",x" << Table{{"\",x"}};
        QTest::newRow("field mark in input splits") << QString("a") + QChar(1) + "b" << Table{{"a", "b"}};
        QTest::newRow("cell of one quote") << "x,\"\n" << Table{{"x", ""}};
        // Every cell of a wide row, some hiding a separator, is found through the row's index.
        QString wide;
        QStringList wideCells;
        for (int c = 0; c < 500; ++c) {
            const QString cell = c % 7 == 0 ? QStringLiteral("\"%1,%1\"").arg(c) : QString::number(c);
            wide += (c ? QStringLiteral(",") : QString()) + cell;
            wideCells << (c % 7 == 0 ? QStringLiteral("%1,%1").arg(c) : cell);
        }
        QTest::newRow("wide row") << wide + QStringLiteral("\nx")
                                  << Table{wideCells, QStringList{"x"} + QStringList(499, QString())};
    }

    void readsCells()
    {
        QFETCH(QString, text);
        QFETCH(Table, expected);
        QTextStream stream(&text);
        CsvModel model(stream, nullptr, false, QLatin1Char(','));
        QAbstractItemModelTester tester(&model);
        QCOMPARE(cells(model), expected);
    }

    void takesHeaderLine()
    {
        QString text = QStringLiteral("Date,Caption,Note\n1.1.2020,x\n");
        QTextStream stream(&text);
        CsvModel model(stream, nullptr, true, QLatin1Char(','));
        QCOMPARE(model.rowCount(), 1);
        QCOMPARE(model.columnCount(), 3);
        QCOMPARE(model.headerData(1, Qt::Horizontal).toString(), QStringLiteral("Caption"));
        QCOMPARE(model.headerData(3, Qt::Horizontal), QVariant(4)); // the base class's section number

        QString empty = QStringLiteral("\nx\n");
        QTextStream emptyStream(&empty);
        model.setSource(emptyStream, true, QLatin1Char(','));
        QCOMPARE(model.headerData(0, Qt::Horizontal).toString(), QString());
        QCOMPARE(model.headerData(1, Qt::Horizontal), QVariant(2));
        QCOMPARE(model.rowCount(), 1);

        // Without a header line the existing header sets the least column count.
        model.setHeaderData(QStringList{"a", "b", "c", "d"});
        QString one = QStringLiteral("x\n");
        QTextStream oneStream(&one);
        model.setSource(oneStream, false, QLatin1Char(','));
        QCOMPARE(model.columnCount(), 4);
        QCOMPARE(model.headerData(3, Qt::Horizontal).toString(), QStringLiteral("d"));
    }

    void readsDevicesAndFiles()
    {
        QTemporaryDir dir;
        const QString path = dir.filePath(QStringLiteral("a.csv"));
        QVERIFY(TestHelpers::writeFile(path, "x;y\n"));
        CsvModel model(path, nullptr, false, QLatin1Char(';'));
        QCOMPARE(cells(model), (Table{{"x", "y"}}));
        CsvModel missing(dir.filePath(QStringLiteral("none.csv")), nullptr, false, QLatin1Char(';'));
        QCOMPARE(missing.rowCount(), 0);
        QBuffer buffer;
        buffer.setData("1,2\n");
        model.setSource(&buffer, false, QLatin1Char(','));
        QVERIFY(!buffer.isOpen());
        QCOMPARE(cells(model), (Table{{"1", "2"}}));
    }

    void editsCells()
    {
        QString text = QStringLiteral("a,\"b\",c\nd\n");
        QTextStream stream(&text);
        CsvModel model(stream, nullptr, false, QLatin1Char(','));
        QAbstractItemModelTester tester(&model);
        QSignalSpy changed(&model, &QAbstractItemModel::dataChanged);
        QVERIFY(model.setData(model.index(1, 2), QStringLiteral("z")));
        QCOMPARE(changed.size(), 1);
        QVERIFY(model.setData(model.index(0, 0), QStringLiteral("\"q\"")));
        QCOMPARE(cells(model), (Table{{"q", "b", "c"}, {"d", "", "z"}}));
        QVERIFY(!model.setData(model.index(0, 0), QStringLiteral("x"), Qt::ToolTipRole));
        QVERIFY(!model.setData(QModelIndex(), QStringLiteral("x")));
        QVERIFY(model.flags(model.index(0, 0)).testFlag(Qt::ItemIsEditable));
        QCOMPARE(toText(model, false), QStringLiteral("\"\"q\"\";\"\"b\"\";\"c\"\n\"d\";\"\";\"z\"\n"));
    }

    void insertsAndRemovesRows()
    {
        QString text = QStringLiteral("a\nb\nc\n");
        QTextStream stream(&text);
        CsvModel model(stream, nullptr, false, QLatin1Char(','));
        QAbstractItemModelTester tester(&model);
        QVERIFY(model.insertRows(1, 2));
        QVERIFY(model.insertRows(99, 1)); // appended
        QVERIFY(!model.insertRows(-1, 1));
        QCOMPARE(cells(model), (Table{{"a"}, {""}, {""}, {"b"}, {"c"}, {""}}));
        QVERIFY(model.removeRows(3, 10)); // cut to the rows present
        QVERIFY(!model.removeRows(3, 1));
        QVERIFY(!model.removeRows(-1, 1));
        QCOMPARE(cells(model), (Table{{"a"}, {""}, {""}}));
    }

    void insertsAndRemovesColumns()
    {
        QString text = QStringLiteral("a,b,c\nd\n");
        QTextStream stream(&text);
        CsvModel model(stream, nullptr, false, QLatin1Char(','));
        QAbstractItemModelTester tester(&model);
        model.setHeaderData(QStringList{"A"});
        // The header names fewer columns than the insertion point: it is padded first.
        QVERIFY(model.insertColumns(2, 2));
        QCOMPARE(model.columnCount(), 5);
        QCOMPARE(cells(model), (Table{{"a", "b", "", "", "c"}, {"d", "", "", "", ""}}));
        QCOMPARE(model.headerData(0, Qt::Horizontal).toString(), QStringLiteral("A"));
        QCOMPARE(model.headerData(3, Qt::Horizontal).toString(), QString());
        QVERIFY(model.insertColumns(0, 1));
        QCOMPARE(model.headerData(1, Qt::Horizontal).toString(), QStringLiteral("A"));
        QVERIFY(model.insertColumns(42, 1)); // at the end
        QCOMPARE(model.columnCount(), 7);

        QVERIFY(model.removeColumns(1, 2));
        QCOMPARE(cells(model), (Table{{"", "", "", "c", ""}, {"", "", "", "", ""}}));
        QVERIFY(model.removeColumns(3, 100));
        QCOMPARE(model.columnCount(), 3);
        QVERIFY(!model.removeColumns(3, 1));
        QVERIFY(!model.insertColumns(-1, 1));
        QCOMPARE(cells(model), (Table{{"", "", ""}, {"", "", ""}}));
    }

    void writesCsv()
    {
        QString text = QStringLiteral("Date,Caption\n24.12,\"Christmas, Eve\",€\n1.1\n");
        QTextStream stream(&text);
        CsvModel model(stream, nullptr, true, QLatin1Char(','));
        // Quoted input keeps its quotes inside the new ones; outside Latin-1 does not survive.
        QCOMPARE(toText(model, true), QStringLiteral("\"Date\";\"Caption\";\"\"\n"
                                                     "\"24.12\";\"\"Christmas, Eve\"\";\"?\"\n"
                                                     "\"1.1\";\"\";\"\"\n"));
        QTemporaryDir dir;
        const QString path = dir.filePath(QStringLiteral("out.csv"));
        QVERIFY(TestHelpers::writeFile(path, QByteArray(100, 'x')));
        QVERIFY(model.toCSV(path, false, QLatin1Char(',')));
        QCOMPARE(TestHelpers::readFile(path),
                 QByteArray("\"24.12\",\"\"Christmas, Eve\"\",\"?\"\n\"1.1\",\"\",\"\"\n"));
    }

    void writeFailuresAreReported()
    {
        QString text = QStringLiteral("24.12,Christmas\n");
        QTextStream stream(&text);
        const CsvModel model(stream, nullptr, false, QLatin1Char(','));

        // A device that takes only part of the only line.
        TestHelpers::FailingDevice device(5);
        QVERIFY(!model.toCSV(&device, false, QLatin1Char(',')));

        // A full disk: the old file stays whole.
        QTemporaryDir dir;
        const QString path = dir.filePath(QStringLiteral("out.csv"));
        const QByteArray before(100, 'x');
        QVERIFY(TestHelpers::writeFile(path, before));
        {
            TestHelpers::ScopedFileSizeLimit limit(5);
            QVERIFY(!model.toCSV(path, false, QLatin1Char(',')));
        }
        QCOMPARE(TestHelpers::readFile(path), before);
    }
};

QTEST_GUILESS_MAIN(TestCsvModel)
#include "tst_csvmodel.moc"
