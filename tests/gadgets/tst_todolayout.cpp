#include "gadgets/todolayout.h"

#include <QtTest>

using namespace ToDoLayout;

namespace {
// One unit per character makes the expected breaks easy to read.
int charCount(const QString &text)
{
    return int(text.size());
}
const QString sep(QChar::LineSeparator);
} // namespace

class TestToDoLayout : public QObject
{
    Q_OBJECT

private slots:
    void wrapsLines_data()
    {
        QTest::addColumn<QString>("text");
        QTest::addColumn<int>("width");
        QTest::addColumn<QString>("expected");
        QTest::newRow("fits") << "buy milk" << 8 << "buy milk";
        QTest::newRow("two lines") << "buy milk and bread" << 10 << "buy milk" + sep + "and bread";
        QTest::newRow("three lines") << "one two three four five" << 9 << "one two" + sep + "three" + sep + "four five";
        QTest::newRow("break on tab") << QString("aaaa\tbbbb") << 5 << "aaaa" + sep + "bbbb";
        QTest::newRow("non-ASCII") << QString::fromUtf8("Grüße an Łódź schicken") << 14
                                   << QString::fromUtf8("Grüße an Łódź") + sep + "schicken";
        // A word wider than the line is split between characters, nothing is lost.
        QTest::newRow("long word") << "abcdefghij xy" << 4 << "abcd" + sep + "efgh" + sep + "ij" + sep + "xy";
        QTest::newRow("long word then space") << "abcd efgh" << 3 << "abc" + sep + "d" + sep + "efg" + sep + "h";
    }

    void wrapsLines()
    {
        QFETCH(QString, text);
        QFETCH(int, width);
        QFETCH(QString, expected);
        QCOMPARE(wrapText(text, width, charCount), expected);
    }

    void keepsSurrogatePairsWhole()
    {
        const QString emoji = QString::fromUtf8("\xF0\x9F\x98\x80\xF0\x9F\x98\x80");
        const QString wrapped = wrapText(emoji, 1, charCount);
        QCOMPARE(wrapped, emoji.left(2) + sep + emoji.mid(2));
    }

    void findsDropRow_data()
    {
        QTest::addColumn<int>("row");
        QTest::addColumn<int>("source");
        QTest::addColumn<bool>("upper");
        QTest::addColumn<int>("expected");
        // Four rows; the dragged one is row 2 unless said otherwise.
        QTest::newRow("neighbour above, lower half") << 1 << 2 << false << 1;
        QTest::newRow("neighbour below, upper half") << 3 << 2 << true << 4;
        QTest::newRow("far, upper half") << 0 << 2 << true << 0;
        QTest::newRow("far, lower half") << 0 << 2 << false << 1;
        QTest::newRow("below the rows") << -1 << 2 << false << 4;
        QTest::newRow("other source, upper") << 1 << -2 << true << 1;
        QTest::newRow("other source, lower of last") << 3 << -2 << false << 4;
        QTest::newRow("empty list") << -1 << -2 << false << 0;
    }

    void findsDropRow()
    {
        QFETCH(int, row);
        QFETCH(int, source);
        QFETCH(bool, upper);
        QFETCH(int, expected);
        const int rowCount = source == -2 && row == -1 ? 0 : 4;
        QCOMPARE(dropRow(row, source, upper, rowCount), expected);
    }
};

QTEST_APPLESS_MAIN(TestToDoLayout)
#include "tst_todolayout.moc"
