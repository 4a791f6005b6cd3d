#include "gadgets/gadgetgeometry.h"

#include <QtTest>

using namespace GadgetGeometry;

class TestGadgetGeometry : public QObject
{
    Q_OBJECT

private:
    const QRect m_area = QRect(0, 0, 1000, 800);

private slots:
    void snapsToScreenEdges_data()
    {
        QTest::addColumn<QRect>("window");
        QTest::addColumn<QPoint>("direction");
        QTest::addColumn<QPoint>("offset");
        // 10 px short snaps, 11 does not; 1 or 2 px past is pulled back, 3 is not.
        QTest::newRow("left 10") << QRect(10, 100, 100, 100) << QPoint(-1, 0) << QPoint(-10, 0);
        QTest::newRow("left 11") << QRect(11, 100, 100, 100) << QPoint(-1, 0) << QPoint(0, 0);
        QTest::newRow("left past 1") << QRect(-1, 100, 100, 100) << QPoint(-1, 0) << QPoint(1, 0);
        QTest::newRow("left past 2") << QRect(-2, 100, 100, 100) << QPoint(-1, 0) << QPoint(2, 0);
        QTest::newRow("left past 3") << QRect(-3, 100, 100, 100) << QPoint(-1, 0) << QPoint(0, 0);
        QTest::newRow("right 10") << QRect(890, 100, 100, 100) << QPoint(1, 0) << QPoint(10, 0);
        QTest::newRow("right 11") << QRect(889, 100, 100, 100) << QPoint(1, 0) << QPoint(0, 0);
        QTest::newRow("right past 2") << QRect(902, 100, 100, 100) << QPoint(1, 0) << QPoint(-2, 0);
        QTest::newRow("top 10") << QRect(100, 10, 100, 100) << QPoint(0, -1) << QPoint(0, -10);
        QTest::newRow("top past 2") << QRect(100, -2, 100, 100) << QPoint(0, -1) << QPoint(0, 2);
        QTest::newRow("bottom 10") << QRect(100, 690, 100, 100) << QPoint(0, 1) << QPoint(0, 10);
        QTest::newRow("bottom past 3") << QRect(100, 703, 100, 100) << QPoint(0, 1) << QPoint(0, 0);
        // Only toward the movement.
        QTest::newRow("inside left, moving right") << QRect(5, 100, 100, 100) << QPoint(1, 0) << QPoint(0, 0);
        // One offset per source and step: left wins over top.
        QTest::newRow("left and top") << QRect(5, 5, 100, 100) << QPoint(-1, -1) << QPoint(-5, 0);
    }

    void snapsToScreenEdges()
    {
        QFETCH(QRect, window);
        QFETCH(QPoint, direction);
        QFETCH(QPoint, offset);
        QCOMPARE(snapOffset(window, direction, m_area, {}), offset);
    }

    void snapsToOtherWindows_data()
    {
        QTest::addColumn<QRect>("window");
        QTest::addColumn<QPoint>("direction");
        QTest::addColumn<QList<QRect>>("others");
        QTest::addColumn<QPoint>("offset");
        const QRect other(500, 300, 100, 100); // right 599, bottom 399
        // Adjacent windows share their outermost column.
        QTest::newRow("right onto left edge")
            << QRect(391, 320, 100, 50) << QPoint(1, 0) << QList<QRect>{other} << QPoint(10, 0);
        QTest::newRow("no vertical overlap")
            << QRect(391, 450, 100, 50) << QPoint(1, 0) << QList<QRect>{other} << QPoint(0, 0);
        QTest::newRow("left onto right edge")
            << QRect(605, 320, 100, 50) << QPoint(-1, 0) << QList<QRect>{other} << QPoint(-6, 0);
        QTest::newRow("down onto top edge")
            << QRect(520, 195, 50, 100) << QPoint(0, 1) << QList<QRect>{other} << QPoint(0, 6);
        QTest::newRow("up onto bottom edge")
            << QRect(520, 405, 50, 100) << QPoint(0, -1) << QList<QRect>{other} << QPoint(0, -6);
        // Alignment: the left edges line up even far apart vertically.
        QTest::newRow("align left edges")
            << QRect(504, 600, 50, 50) << QPoint(-1, 0) << QList<QRect>{other} << QPoint(-4, 0);
        // Priorities on one axis: the screen before windows, earlier before later, adjacency before alignment.
        QTest::newRow("screen wins") << QRect(5, 100, 50, 50) << QPoint(-1, 0)
                                     << QList<QRect>{QRect(-100, 100, 103, 50)} << QPoint(-5, 0);
        QTest::newRow("earlier window wins")
            << QRect(300, 100, 50, 50) << QPoint(1, 0) << QList<QRect>{QRect(355, 100, 50, 50), QRect(352, 100, 50, 50)}
            << QPoint(6, 0);
        QTest::newRow("adjacency before alignment")
            << QRect(300, 100, 50, 50) << QPoint(1, 0) << QList<QRect>{QRect(352, 110, 5, 10)} << QPoint(3, 0);
    }

    void snapsToOtherWindows()
    {
        QFETCH(QRect, window);
        QFETCH(QPoint, direction);
        QFETCH(QList<QRect>, others);
        QFETCH(QPoint, offset);
        QCOMPARE(snapOffset(window, direction, m_area, others), offset);
    }

    void snapsBothAxesFromDifferentSources()
    {
        // The left edge of the screen on x, another window's top edge on y.
        const QPoint offset = snapOffset(QRect(4, 195, 50, 100), QPoint(-1, 1), m_area, {QRect(0, 300, 200, 100)});
        QCOMPARE(offset, QPoint(-4, 6));
    }

    void spiralVisitsTheRingsInOrder()
    {
        const QList<QPoint> expected = {QPoint(1, 0),  QPoint(1, 1),   QPoint(0, 1),  QPoint(-1, 1),
                                        QPoint(-1, 0), QPoint(-1, -1), QPoint(0, -1), QPoint(1, -1),
                                        QPoint(2, -1), QPoint(2, 0),   QPoint(2, 1),  QPoint(2, 2)};
        QCOMPARE(spiralSteps(12), expected);
        // Every step of the first 100 is a new place.
        const QList<QPoint> hundred = spiralSteps(100);
        QCOMPARE(QSet<QPoint>(hundred.cbegin(), hundred.cend()).size(), 100);
    }

    void findsFreePlace_data()
    {
        QTest::addColumn<QRect>("window");
        QTest::addColumn<QList<QRect>>("others");
        QTest::addColumn<QRect>("expected");
        const QRect w(100, 100, 100, 80);
        QTest::newRow("already free") << w << QList<QRect>{QRect(300, 300, 10, 10)} << w;
        QTest::newRow("covered, right is free") << w << QList<QRect>{w} << w.translated(100, 0);
        QTest::newRow("right taken, next below right")
            << w << QList<QRect>{w, w.translated(100, 0)} << w.translated(100, 80);
        // At the screen's right edge the spiral goes on until a candidate fits wholly.
        QTest::newRow("edge of screen") << QRect(900, 0, 100, 80) << QList<QRect>{QRect(900, 0, 100, 80)}
                                        << QRect(900, 80, 100, 80);
    }

    void findsFreePlace()
    {
        QFETCH(QRect, window);
        QFETCH(QList<QRect>, others);
        QFETCH(QRect, expected);
        const auto place = findFreePlace(window, window.width(), window.height(), m_area, others);
        QVERIFY(place.has_value());
        QCOMPARE(*place, expected);
    }

    void givesUpAfterHundredCandidates()
    {
        // The whole screen is taken: no candidate is free.
        QVERIFY(!findFreePlace(QRect(100, 100, 100, 80), 100, 80, m_area, {m_area}).has_value());
        // A free place only at the 101st step is not found.
        const QList<QPoint> steps = spiralSteps(101);
        const QRect w(0, 0, 10, 10);
        const QRect area(-1000, -1000, 2000, 2000);
        QList<QRect> others{w};
        for (int i = 0; i < 100; ++i)
            others << w.translated(steps.at(i).x() * 10, steps.at(i).y() * 10);
        QVERIFY(!findFreePlace(w, 10, 10, area, others).has_value());
        others.removeLast();
        QCOMPARE(*findFreePlace(w, 10, 10, area, others), w.translated(steps.at(99).x() * 10, steps.at(99).y() * 10));
    }
};

QTEST_APPLESS_MAIN(TestGadgetGeometry)
#include "tst_gadgetgeometry.moc"
