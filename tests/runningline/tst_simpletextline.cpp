#include "runningline/simpletextline.h"

#include <QImage>
#include <QPainter>
#include <QtTest>

namespace {

// The rows of the image that hold ink, as [first, last]; (-1, -1) for a blank image.
QPair<int, int> inkRows(const QImage &image)
{
    int first = -1, last = -1;
    for (int y = 0; y < image.height(); ++y) {
        for (int x = 0; x < image.width(); ++x) {
            if (qRed(image.pixel(x, y)) < 128) {
                if (first < 0)
                    first = y;
                last = y;
                break;
            }
        }
    }
    return {first, last};
}

int firstInkColumn(const QImage &image)
{
    for (int x = 0; x < image.width(); ++x)
        for (int y = 0; y < image.height(); ++y)
            if (qRed(image.pixel(x, y)) < 128)
                return x;
    return -1;
}

QImage drawn(const SimpleTextLine &line, const QPointF &origin)
{
    QImage image(300, 100, QImage::Format_RGB32);
    image.fill(Qt::white);
    QPainter painter(&image);
    painter.setPen(Qt::black);
    line.draw(&painter, origin);
    return image;
}

QFont testFont()
{
    QFont font;
    font.setPixelSize(20);
    return font;
}

} // namespace

class TestSimpleTextLine : public QObject
{
    Q_OBJECT

private slots:
    void cleanup() { SimpleTextLineController::finish(); }

    void defaultIsEmpty()
    {
        SimpleTextLine line;
        QVERIFY(line.isEmpty());
        QCOMPARE(line.textRect().width(), 0.0);
        QImage image = drawn(line, QPointF(10, 50));
        QCOMPARE(inkRows(image).first, -1);
    }

    void copiesShareDataUntilChanged()
    {
        SimpleTextLine a(QStringLiteral("Dentist"), testFont());
        SimpleTextLine b = a;
        QVERIFY(a.sharesDataWith(b));
        // Measuring one copy shapes it for both; the copy still shares after that.
        a.textRect();
        QVERIFY(a.sharesDataWith(b));

        b.setText(QStringLiteral("Dentist at 10:00"));
        QVERIFY(!a.sharesDataWith(b));
        QCOMPARE(a.text(), QStringLiteral("Dentist"));
        QVERIFY(b.textRect().width() > a.textRect().width());

        // Setting an equal value keeps sharing.
        SimpleTextLine c = a;
        c.setText(QStringLiteral("Dentist"));
        QVERIFY(c.sharesDataWith(a));
    }

    void changingTheFontShapesAgain()
    {
        SimpleTextLine line(QStringLiteral("Ürügüşçö 12:30"), testFont());
        const qreal small = line.textRect().width();
        QFont big = testFont();
        big.setPixelSize(40);
        line.setFont(big);
        QVERIFY(line.textRect().width() > small * 1.5);
        QVERIFY(line.textRect().height() > 30);
    }

    void boundingRectIsTextRectGrownByMargins_data()
    {
        QTest::addColumn<qreal>("left");
        QTest::addColumn<qreal>("top");
        QTest::addColumn<qreal>("right");
        QTest::addColumn<qreal>("bottom");
        QTest::newRow("none") << 0.0 << 0.0 << 0.0 << 0.0;
        QTest::newRow("uneven") << 1.5 << 2.0 << 3.25 << 4.0;
        QTest::newRow("negative") << -1.0 << 0.0 << -2.0 << 0.5;
    }

    void boundingRectIsTextRectGrownByMargins()
    {
        QFETCH(qreal, left);
        QFETCH(qreal, top);
        QFETCH(qreal, right);
        QFETCH(qreal, bottom);
        SimpleTextLine line(QStringLiteral("28"), testFont());
        line.setMargins(left, top, right, bottom);
        const QRectF text = line.textRect();
        QCOMPARE(text.topLeft(), QPointF(0, 0));
        QCOMPARE(line.boundingRect(), QRectF(-left, -top, text.width() + left + right, text.height() + top + bottom));
    }

    void drawsOnTheBaselineAtTheOrigin()
    {
        SimpleTextLine line(QStringLiteral("HHHH"), testFont());
        const QImage image = drawn(line, QPointF(40, 60));
        const auto rows = inkRows(image);
        // Capitals stand on the baseline: the ink ends just above y = 60 and starts below 60 - ascent.
        QVERIFY2(rows.second <= 60 && rows.second >= 57, qPrintable(QString::number(rows.second)));
        QVERIFY(rows.first >= 60 - line.ascent() - 1);
        const int x = firstInkColumn(image);
        QVERIFY2(x >= 40 && x <= 44, qPrintable(QString::number(x)));
    }

    void verticalCentreAlignmentCentresTheText()
    {
        SimpleTextLine line(QStringLiteral("HHHH"), testFont());
        line.setAlignment(Qt::AlignHCenter | Qt::AlignVCenter);
        const QImage image = drawn(line, QPointF(40, 50));
        const auto rows = inkRows(image);
        // The text's box, not its ink, is centred on y = 50: capitals sit a little above, never below.
        const qreal boxTop = 50 - line.textRect().height() / 2;
        const qreal boxBottom = 50 + line.textRect().height() / 2;
        QVERIFY(rows.first >= boxTop - 1);
        QVERIFY(rows.second <= boxBottom);
        QVERIFY(rows.first < 50 && rows.second > 45);
        // Horizontal alignment does not move the text.
        const int x = firstInkColumn(image);
        QVERIFY(x >= 40 && x <= 44);
    }

    void controllerShapesEqualLinesOnce()
    {
        SimpleTextLineController::start();
        QVERIFY(SimpleTextLineController::isStarted());
        for (int i = 0; i < 5; ++i) {
            SimpleTextLine line(QStringLiteral("31"), testFont());
            line.textRect();
        }
        QCOMPARE(SimpleTextLineController::shapedCount(), 1);
        QFont bold = testFont();
        bold.setBold(true);
        SimpleTextLine(QStringLiteral("31"), bold).textRect();
        QCOMPARE(SimpleTextLineController::shapedCount(), 2);
        // Starting twice keeps the same cache.
        SimpleTextLineController::start();
        QCOMPARE(SimpleTextLineController::shapedCount(), 2);
    }

    void linesStayUsableAfterFinish()
    {
        SimpleTextLineController::start();
        SimpleTextLine shaped(QStringLiteral("Anniversary of Jürgen and Zoë"), testFont());
        const QRectF before = shaped.textRect();
        SimpleTextLineController::finish();
        QVERIFY(!SimpleTextLineController::isStarted());
        QCOMPARE(shaped.textRect(), before);
        QVERIFY(inkRows(drawn(shaped, QPointF(0, 50))).first >= 0);

        // A line made after finish shapes by itself.
        SimpleTextLine fresh(QStringLiteral("Anniversary of Jürgen and Zoë"), testFont());
        QCOMPARE(fresh.textRect(), before);
        SimpleTextLineController::finish();
    }
};

QTEST_MAIN(TestSimpleTextLine)
#include "tst_simpletextline.moc"
