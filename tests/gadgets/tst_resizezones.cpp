#include "gadgets/resizezones.h"

#include <QtTest>

using namespace ResizeZones;

Q_DECLARE_METATYPE(ResizeZones::Zone)

class TestResizeZones : public QObject
{
    Q_OBJECT

private slots:
    void findsZones_data()
    {
        QTest::addColumn<int>("flags");
        QTest::addColumn<QPoint>("pos");
        QTest::addColumn<Zone>("zone");
        // A 100 x 80 window.
        QTest::newRow("left strip") << s_defaultFlags << QPoint(2, 40) << Left;
        QTest::newRow("one further in") << s_defaultFlags << QPoint(3, 40) << NoZone;
        QTest::newRow("right strip") << s_defaultFlags << QPoint(97, 40) << Right;
        QTest::newRow("right strip inner") << s_defaultFlags << QPoint(96, 40) << NoZone;
        QTest::newRow("top") << s_defaultFlags << QPoint(50, 0) << Top;
        QTest::newRow("bottom") << s_defaultFlags << QPoint(50, 79) << Bottom;
        QTest::newRow("bottom inner") << s_defaultFlags << QPoint(50, 76) << NoZone;
        QTest::newRow("top-left square") << s_defaultFlags << QPoint(2, 2) << TopLeft;
        QTest::newRow("top-left square edge") << s_defaultFlags << QPoint(3, 2) << Top;
        QTest::newRow("top-right") << s_defaultFlags << QPoint(98, 1) << TopRight;
        QTest::newRow("bottom-left") << s_defaultFlags << QPoint(0, 78) << BottomLeft;
        QTest::newRow("bottom-right") << s_defaultFlags << QPoint(99, 79) << BottomRight;
        QTest::newRow("only vertical edges: top corner") << int(VerticalEdges) << QPoint(1, 1) << Top;
        QTest::newRow("only vertical edges: left") << int(VerticalEdges) << QPoint(1, 40) << NoZone;
        QTest::newRow("only horizontal edges: left") << int(HorizontalEdges) << QPoint(1, 1) << Left;
        // Corner boxes are 8 wide and 12 high, and count only with both edge pairs.
        QTest::newRow("corner box") << (s_defaultFlags | BottomRightCorner) << QPoint(93, 70) << BottomRight;
        QTest::newRow("corner box without edges")
            << int(HorizontalEdges | BottomRightCorner) << QPoint(93, 70) << NoZone;
        QTest::newRow("top-left box") << (s_defaultFlags | TopLeftCorner) << QPoint(7, 11) << TopLeft;
    }

    void findsZones()
    {
        QFETCH(int, flags);
        QFETCH(QPoint, pos);
        QFETCH(Zone, zone);
        QCOMPARE(hitZone(areasFor(QSize(100, 80), flags), flags, pos), zone);
    }

    void mapsZonesToCursorsAndDirections()
    {
        QCOMPARE(cursorFor(Left), Qt::SizeHorCursor);
        QCOMPARE(cursorFor(Bottom), Qt::SizeVerCursor);
        QCOMPARE(cursorFor(TopLeft), Qt::SizeFDiagCursor);
        QCOMPARE(cursorFor(BottomLeft), Qt::SizeBDiagCursor);
        QCOMPARE(cursorFor(NoZone), Qt::ArrowCursor);
        QCOMPARE(directionOf(TopRight), QPoint(1, -1));
        QCOMPARE(directionOf(BottomLeft), QPoint(-1, 1));
        QCOMPARE(directionOf(NoZone), QPoint(0, 0));
    }

    void resizesByDraggedBorder_data()
    {
        QTest::addColumn<Zone>("zone");
        QTest::addColumn<QPoint>("press");
        QTest::addColumn<QPoint>("to");
        QTest::addColumn<QRect>("expected");
        // Window at (100, 100), 200 x 150: right 299, bottom 249. Minimum 100 x 50.
        // The right edge jumps to the cursor.
        QTest::newRow("right") << Right << QPoint(198, 50) << QPoint(350, 120) << QRect(100, 100, 251, 150);
        QTest::newRow("right below minimum")
            << Right << QPoint(198, 50) << QPoint(120, 120) << QRect(100, 100, 101, 150);
        QTest::newRow("left") << Left << QPoint(1, 50) << QPoint(80, 120) << QRect(80, 100, 220, 150);
        QTest::newRow("top") << Top << QPoint(50, 1) << QPoint(150, 60) << QRect(100, 60, 200, 190);
        QTest::newRow("bottom below minimum")
            << Bottom << QPoint(50, 148) << QPoint(150, 110) << QRect(100, 100, 200, 51);
        // A corner keeps its distance from the cursor: pressed 2 px inside, moved by (+30, +20).
        QTest::newRow("bottom-right") << BottomRight << QPoint(198, 148) << QPoint(100 + 198 + 30, 100 + 148 + 20)
                                      << QRect(100, 100, 231, 171);
    }

    void resizesByDraggedBorder()
    {
        QFETCH(Zone, zone);
        QFETCH(QPoint, press);
        QFETCH(QPoint, to);
        QFETCH(QRect, expected);
        const QRect geometry(100, 100, 200, 150);
        const QPoint offset = grabOffset(zone, geometry.size(), press);
        QCOMPARE(resized(geometry, zone, to + offset, QSize(100, 50), QSize(1000, 1000), std::nullopt), expected);
    }

    void keepsFixedHeightAndBounds()
    {
        const QRect geometry(10, 10, 50, 40);
        // Equal minimum and maximum heights: no vertical resize.
        QCOMPARE(resized(geometry, BottomRight, QPoint(100, 100), QSize(20, 40), QSize(200, 40), std::nullopt),
                 QRect(10, 10, 91, 40));
        // A child widget stays inside its parent.
        QCOMPARE(resized(geometry, TopLeft, QPoint(-20, -30), QSize(20, 20), QSize(200, 200), QRect(0, 0, 300, 300)),
                 QRect(0, 0, 60, 50));
    }
};

QTEST_APPLESS_MAIN(TestResizeZones)
#include "tst_resizezones.moc"
