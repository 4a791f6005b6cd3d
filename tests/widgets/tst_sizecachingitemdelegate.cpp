#include "widgets/sizecachingitemdelegate.h"

#include <QPixmap>
#include <QStandardItemModel>
#include <QtTest>

class TestSizeCachingItemDelegate : public QObject
{
    Q_OBJECT

private slots:
    // The stock delegate's sizes, measured again only when something the size depends on changes.
    void measuresEachLookOnce_data()
    {
        QTest::addColumn<QString>("change");
        QTest::addColumn<int>("measured");
        QTest::newRow("same look again") << "" << 1;
        QTest::newRow("another text") << "text" << 2;
        QTest::newRow("another picture of the same size") << "picture" << 2;
        QTest::newRow("narrower cell") << "width" << 2;
        QTest::newRow("bold font") << "font" << 2;
    }

    void measuresEachLookOnce()
    {
        QFETCH(QString, change);
        QFETCH(int, measured);
        QStandardItemModel model;
        QPixmap picture(48, 48);
        picture.fill(Qt::red);
        for (int row = 0; row < 2; ++row) {
            auto *item = new QStandardItem(QStringLiteral("A caption that wraps onto a second line, Ärger"));
            item->setData(picture, Qt::DecorationRole);
            model.appendRow(item);
        }
        QStyleOptionViewItem option;
        option.rect = QRect(0, 0, 120, 160);
        option.decorationPosition = QStyleOptionViewItem::Top;
        option.features = QStyleOptionViewItem::WrapText;
        QStyleOptionViewItem second = option;
        if (change == "text") {
            model.item(1)->setText(QStringLiteral("Short"));
        } else if (change == "picture") {
            QPixmap other(48, 48);
            other.fill(Qt::blue);
            model.item(1)->setData(other, Qt::DecorationRole);
        } else if (change == "width") {
            second.rect.setWidth(60);
        } else if (change == "font") {
            second.font.setBold(true);
        }

        SizeCachingItemDelegate cached;
        QStyledItemDelegate stock;
        QCOMPARE(cached.sizeHint(option, model.index(0, 0)), stock.sizeHint(option, model.index(0, 0)));
        QCOMPARE(cached.sizeHint(second, model.index(1, 0)), stock.sizeHint(second, model.index(1, 0)));
        QCOMPARE(cached.measured(), measured);
        // A size the model gives wins, as with the stock delegate.
        model.item(1)->setData(QSize(7, 9), Qt::SizeHintRole);
        QCOMPARE(cached.sizeHint(second, model.index(1, 0)), QSize(7, 9));
    }
};

QTEST_MAIN(TestSizeCachingItemDelegate)
#include "tst_sizecachingitemdelegate.moc"
