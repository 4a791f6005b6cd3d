#include "diagnostics/widgetinfotexts.h"

#include <QtTest>

class TestWidgetInfoTexts : public QObject
{
    Q_OBJECT

private slots:
    void pointsAndPixels_data()
    {
        QTest::addColumn<double>("dpi");
        QTest::addColumn<int>("pixels");
        QTest::addColumn<double>("points");
        QTest::addColumn<int>("backToPixels");
        QTest::newRow("96 px is 72 pt") << 96.0 << 96 << 72.0 << 96;
        QTest::newRow("zero") << 96.0 << 0 << 0.0 << 0;
        QTest::newRow("one pixel") << 96.0 << 1 << 0.75 << 1;
        QTest::newRow("at 120 dpi") << 120.0 << 10 << 6.0 << 10;
        QTest::newRow("at 72 dpi they agree") << 72.0 << 13 << 13.0 << 13;
    }

    void pointsAndPixels()
    {
        QFETCH(double, dpi);
        QFETCH(int, pixels);
        QFETCH(double, points);
        QFETCH(int, backToPixels);
        QCOMPARE(Debug::pointsFromPixels(pixels, dpi), points);
        QCOMPARE(Debug::pixelsFromPoints(points, dpi), backToPixels);
    }

    void pixelsRoundHalvesUpward_data()
    {
        QTest::addColumn<double>("points");
        QTest::addColumn<int>("pixels");
        // At 72 dpi a point is a pixel, so the halves show the rounding itself.
        QTest::newRow("2.5") << 2.5 << 3;
        QTest::newRow("-2.5") << -2.5 << -2;
        QTest::newRow("2.49") << 2.49 << 2;
        QTest::newRow("-2.51") << -2.51 << -3;
    }

    void pixelsRoundHalvesUpward()
    {
        QFETCH(double, points);
        QFETCH(int, pixels);
        QCOMPARE(Debug::pixelsFromPoints(points, 72.0), pixels);
    }

    void tenPointsAt96DpiAreThirteenPixels() { QCOMPARE(Debug::pixelsFromPoints(10.0, 96.0), 13); }

    void typedPropertyValue_data()
    {
        QTest::addColumn<QString>("text");
        QTest::addColumn<QVariant>("value");
        QTest::newRow("real") << "1.5" << QVariant(1.5);
        QTest::newRow("dotted text") << "a.b" << QVariant(QStringLiteral("a.b"));
        QTest::newRow("hex") << "0x1F" << QVariant(31);
        QTest::newRow("upper-case X is no hex") << "0X1F" << QVariant(QStringLiteral("0X1F"));
        QTest::newRow("bad hex") << "0xZZ" << QVariant(QStringLiteral("0xZZ"));
        QTest::newRow("true with blanks") << " true " << QVariant(1);
        QTest::newRow("False") << "False" << QVariant(0);
        QTest::newRow("decimal") << "12" << QVariant(12);
        QTest::newRow("negative") << "-7" << QVariant(-7);
        QTest::newRow("text") << "abc" << QVariant(QStringLiteral("abc"));
        QTest::newRow("empty") << "" << QVariant(QString());
    }

    void typedPropertyValue()
    {
        QFETCH(QString, text);
        QFETCH(QVariant, value);
        const QVariant typed = Debug::typedPropertyValue(text);
        QCOMPARE(typed.userType(), value.userType());
        QCOMPARE(typed, value);
    }

    void colorTexts_data()
    {
        QTest::addColumn<int>("red");
        QTest::addColumn<int>("green");
        QTest::addColumn<int>("blue");
        QTest::addColumn<QString>("dec");
        QTest::addColumn<QString>("hex");
        QTest::addColumn<QString>("html");
        QTest::newRow("blue") << 10 << 0 << 255 << "(10, 0, 255)"
                              << "(0xa, 0x0, 0xff)"
                              << "#0a00ff";
        QTest::newRow("leading zeros") << 5 << 12 << 200 << "(5, 12, 200)"
                                       << "(0x5, 0xc, 0xc8)"
                                       << "#050cc8";
        QTest::newRow("white") << 255 << 255 << 255 << "(255, 255, 255)"
                               << "(0xff, 0xff, 0xff)"
                               << "#ffffff";
    }

    void colorTexts()
    {
        QFETCH(int, red);
        QFETCH(int, green);
        QFETCH(int, blue);
        QFETCH(QString, dec);
        QFETCH(QString, hex);
        QFETCH(QString, html);
        const Debug::ColorTexts texts = Debug::colorTexts(red, green, blue);
        QCOMPARE(texts.dec, dec);
        QCOMPARE(texts.hex, hex);
        QCOMPARE(texts.html, html);
    }

    void linksAreNumberedAndChildrenSortedAsText()
    {
        QCOMPARE(Debug::linkText(3, "QPushButton", "okButton"),
                 QStringLiteral("<a href='3'>QPushButton(okButton)</a>"));
        const QString head = "<html><head><style type=text/css>a:link {color:rgb(210,210,255);}</style></head><body>";
        QCOMPARE(Debug::ownersText({}), head + "</body>");
        QCOMPARE(Debug::ownersText({Debug::linkText(1, "QFrame", "inner"), Debug::linkText(2, "QDialog", "")}),
                 head + "<a href='1'>QFrame(inner)</a> - <a href='2'>QDialog()</a></body>");
        QStringList children;
        for (int i = 4; i <= 15; ++i)
            children << Debug::linkText(i, "QLabel", QString::number(i));
        const QString text = Debug::childrenText(children);
        QVERIFY(text.startsWith(head + "<a href='10'>"));
        QVERIFY(text.indexOf("<a href='15'>") < text.indexOf("<a href='4'>"));
        QVERIFY(text.endsWith("<a href='9'>QLabel(9)</a></body>"));
        QCOMPARE(text.count(", "), 11);
    }
};

QTEST_APPLESS_MAIN(TestWidgetInfoTexts)
#include "tst_widgetinfotexts.moc"
