#include "core/colorcontrast.h"

#include <QtTest>

using namespace ColorContrast;

class TestColorContrast : public QObject
{
    Q_OBJECT

private slots:
    void ratioMatchesKnownPairs_data()
    {
        QTest::addColumn<QColor>("a");
        QTest::addColumn<QColor>("b");
        QTest::addColumn<double>("ratio");
        QTest::newRow("black on white") << QColor(Qt::black) << QColor(Qt::white) << 21.0;
        QTest::newRow("same colour") << QColor(120, 30, 200) << QColor(120, 30, 200) << 1.0;
        // The lightest grey that still reads on white, and the one just past it.
        QTest::newRow("#767676 on white") << QColor(0x76, 0x76, 0x76) << QColor(Qt::white) << 4.54;
        QTest::newRow("#777777 on white") << QColor(0x77, 0x77, 0x77) << QColor(Qt::white) << 4.48;
        QTest::newRow("pure red on black") << QColor(Qt::red) << QColor(Qt::black) << 5.25;
    }

    void ratioMatchesKnownPairs()
    {
        QFETCH(QColor, a);
        QFETCH(QColor, b);
        QFETCH(double, ratio);
        QVERIFY2(qAbs(contrastRatio(a, b) - ratio) < 0.01, qPrintable(QString::number(contrastRatio(a, b))));
        QCOMPARE(contrastRatio(a, b), contrastRatio(b, a));
    }

    void readableColourKeepsOrMovesTheWish_data()
    {
        QTest::addColumn<QColor>("wanted");
        QTest::addColumn<QList<QColor>>("backgrounds");
        QTest::addColumn<bool>("kept");
        QTest::addColumn<bool>("lighter");
        const QList<QColor> black{Qt::black, QColor(10, 10, 12)};
        const QList<QColor> white{Qt::white, QColor(246, 246, 240)};
        const QList<QColor> grey{QColor(128, 128, 128)};
        QTest::newRow("black text, black desktop") << QColor(Qt::black) << black << false << true;
        QTest::newRow("dark grey text, black desktop") << QColor(40, 40, 40) << black << false << true;
        QTest::newRow("black text, white desktop") << QColor(Qt::black) << white << true << false;
        QTest::newRow("white text, white desktop") << QColor(Qt::white) << white << false << false;
        QTest::newRow("black text, mid-grey") << QColor(Qt::black) << grey << true << false;
        QTest::newRow("white text, mid-grey") << QColor(Qt::white) << grey << false << false;
        QTest::newRow("yellow text, saturated blue")
            << QColor(Qt::yellow) << QList<QColor>{QColor(0, 0, 200)} << true << false;
        QTest::newRow("blue text, saturated blue")
            << QColor(0, 0, 255) << QList<QColor>{QColor(0, 0, 200)} << false << true;
        QTest::newRow("red text, saturated red")
            << QColor(Qt::red) << QList<QColor>{QColor(220, 0, 0)} << false << true;
        QTest::newRow("black text, green to dark blue")
            << QColor(Qt::black) << QList<QColor>{QColor(0, 120, 0), QColor(0, 0, 90)} << false << true;
    }

    void readableColourKeepsOrMovesTheWish()
    {
        QFETCH(QColor, wanted);
        QFETCH(QList<QColor>, backgrounds);
        QFETCH(bool, kept);
        QFETCH(bool, lighter);
        const QColor result = readableColour(wanted, backgrounds);
        QVERIFY2(worstContrast(result, backgrounds) >= s_textRatio, qPrintable(result.name()));
        if (kept) {
            QCOMPARE(result, wanted);
        } else {
            QVERIFY(result != wanted);
            QCOMPARE(relativeLuminance(result) > relativeLuminance(wanted), lighter);
        }
    }

    void readableColourStaysNearTheWish()
    {
        // Dark red on a black desktop becomes a lighter red, not white.
        const QColor result = readableColour(QColor(140, 0, 0), {Qt::black});
        QVERIFY(result.red() > result.green() + 60);
        QVERIFY(worstContrast(result, {Qt::black}) < s_textRatio + 1.0);
    }

    void readableColourWhereNoneReaches()
    {
        // Black and mid-grey at once: nothing reaches 4.5 against both; white reads better than black.
        const QColor result = readableColour(QColor(200, 0, 0), {QColor(Qt::black), QColor(128, 128, 128)});
        QCOMPARE(result, QColor(Qt::white));
    }

    void readableLookHalosOnlyWhereNoColourReads()
    {
        QVERIFY(!readableLook(Qt::black, {QColor(230, 230, 230)}).halo.isValid());
        // Light to dark, where black reads only at one end and white only at the other.
        for (const QColor &wanted : {QColor(Qt::black), QColor(Qt::yellow), QColor(128, 128, 128)}) {
            const TextLook look = readableLook(wanted, {QColor(235, 235, 235), QColor(70, 70, 70)});
            QVERIFY(look.halo.isValid() && contrastRatio(look.text, look.halo) >= s_textRatio);
        }
    }
};

QTEST_GUILESS_MAIN(TestColorContrast)
#include "tst_colorcontrast.moc"
