#include "gadgets/buttonlabel.h"

#include <QSignalSpy>
#include <QtTest>

class TestButtonLabel : public QObject
{
    Q_OBJECT

private:
    static QPixmap filled(const QSize &size, const QColor &color)
    {
        QPixmap pixmap(size);
        pixmap.fill(color);
        return pixmap;
    }

private slots:
    void drawsPictureInForce()
    {
        ButtonLabel button;
        button.resize(16, 16);
        button.setPixmap(filled(QSize(12, 12), Qt::red));
        QImage normal = button.grab().toImage();
        QCOMPARE(normal.pixelColor(8, 8), QColor(Qt::red));
        const QColor ground = normal.pixelColor(1, 1);
        QVERIFY(ground != QColor(Qt::red));
        // Without a hover picture, hovering shows nothing.
        QEnterEvent enter(QPointF(8, 8), QPointF(8, 8), QPointF(8, 8));
        QCoreApplication::sendEvent(&button, &enter);
        QVERIFY(button.isHovered());
        QCOMPARE(button.grab().toImage().pixelColor(8, 8), ground);
        // A larger picture is centred and clipped on all sides.
        QPixmap big = filled(QSize(20, 20), Qt::blue);
        button.setHoverPixmap(big);
        QCOMPARE(button.grab().toImage().pixelColor(0, 0), QColor(Qt::blue));
    }

    void leftReleaseClicks()
    {
        ButtonLabel button;
        button.resize(16, 16);
        QSignalSpy clicked(&button, &ButtonLabel::clicked);
        QTest::mouseClick(&button, Qt::RightButton);
        QCOMPARE(clicked.size(), 0);
        QTest::mousePress(&button, Qt::LeftButton, Qt::NoModifier, QPoint(8, 8));
        // Released outside: still a click.
        QTest::mouseRelease(&button, Qt::LeftButton, Qt::NoModifier, QPoint(40, 40));
        QCOMPARE(clicked.size(), 1);
    }
};

QTEST_MAIN(TestButtonLabel)
#include "tst_buttonlabel.moc"
