#include "platform/iwindowsystem.h"
#include "runningline/barplacement.h"

#include <QtTest>

class TestBarPlacement : public QObject
{
    Q_OBJECT

private slots:
    void screenIndex_data()
    {
        QTest::addColumn<int>("monitor");
        QTest::addColumn<int>("count");
        QTest::addColumn<int>("primary");
        QTest::addColumn<int>("expected");
        QTest::newRow("default") << -1 << 2 << 1 << 1;
        QTest::newRow("second") << 1 << 2 << 0 << 1;
        QTest::newRow("gone") << 2 << 2 << 0 << 0;
        QTest::newRow("negative other") << -5 << 3 << 2 << 2;
        QTest::newRow("no primary known") << -1 << 2 << -1 << 0;
    }

    void screenIndex()
    {
        QFETCH(int, monitor);
        QFETCH(int, count);
        QFETCH(int, primary);
        QFETCH(int, expected);
        QCOMPARE(BarPlacement::screenIndex(monitor, count, primary), expected);
    }

    void barRect_data()
    {
        QTest::addColumn<QRect>("area");
        QTest::addColumn<int>("position");
        QTest::addColumn<int>("height");
        QTest::addColumn<QRect>("expected");
        QTest::newRow("top") << QRect(0, 0, 1920, 1080) << 0 << 30 << QRect(0, 0, 1920, 30);
        QTest::newRow("bottom") << QRect(0, 0, 1920, 1080) << 1 << 30 << QRect(0, 1050, 1920, 30);
        QTest::newRow("taskbar falls to bottom") << QRect(0, 0, 1920, 1080) << 2 << 30 << QRect(0, 1050, 1920, 30);
        QTest::newRow("second monitor") << QRect(1920, 200, 1280, 1024) << 1 << 24 << QRect(1920, 1200, 1280, 24);
        QTest::newRow("taller than screen") << QRect(0, 0, 800, 20) << 0 << 30 << QRect(0, 0, 800, 20);
    }

    void barRect()
    {
        QFETCH(QRect, area);
        QFETCH(int, position);
        QFETCH(int, height);
        QFETCH(QRect, expected);
        QCOMPARE(BarPlacement::barRect(area, position, height), expected);
    }

    void toolTipStaysOnScreen_data()
    {
        QTest::addColumn<QRect>("item");
        QTest::addColumn<QPoint>("cursor");
        QTest::addColumn<QPoint>("expected");
        const QRect screenBottomBar(100, 1050, 200, 30);
        QTest::newRow("bar at bottom: above") << screenBottomBar << QPoint(150, 1060) << QPoint(50, 1046 - 100);
        QTest::newRow("bar at top: below") << QRect(100, 0, 200, 30) << QPoint(150, 10) << QPoint(50, 34);
        QTest::newRow("left edge") << QRect(0, 0, 200, 30) << QPoint(5, 10) << QPoint(0, 34);
        QTest::newRow("right edge") << QRect(1800, 0, 120, 30) << QPoint(1915, 10) << QPoint(1720, 34);
    }

    void toolTipStaysOnScreen()
    {
        QFETCH(QRect, item);
        QFETCH(QPoint, cursor);
        QFETCH(QPoint, expected);
        QCOMPARE(BarPlacement::toolTipPos(QSize(200, 100), item, cursor, QRect(0, 0, 1920, 1080)), expected);
    }

    void dockStrut_data()
    {
        QTest::addColumn<QRect>("bar");
        QTest::addColumn<bool>("top");
        QTest::addColumn<QList<quint32>>("expected");
        const QSize desktop(3200, 1224);
        Q_UNUSED(desktop)
        QTest::newRow("top of first monitor")
            << QRect(0, 0, 1920, 30) << true << QList<quint32>{0, 0, 30, 0, 0, 0, 0, 0, 0, 1919, 0, 0};
        QTest::newRow("bottom of first, shorter monitor")
            << QRect(0, 1050, 1920, 30) << false << QList<quint32>{0, 0, 0, 174, 0, 0, 0, 0, 0, 0, 0, 1919};
        QTest::newRow("bottom of second monitor")
            << QRect(1920, 1194, 1280, 30) << false << QList<quint32>{0, 0, 0, 30, 0, 0, 0, 0, 0, 0, 1920, 3199};
        QTest::newRow("top of lower second monitor")
            << QRect(1920, 200, 1280, 24) << true << QList<quint32>{0, 0, 224, 0, 0, 0, 0, 0, 1920, 3199, 0, 0};
    }

    void dockStrut()
    {
        QFETCH(QRect, bar);
        QFETCH(bool, top);
        QFETCH(QList<quint32>, expected);
        const StrutPartial strut = ::dockStrut(bar, QSize(3200, 1224), top);
        QCOMPARE(QList<quint32>(strut.begin(), strut.end()), expected);
    }
};

QTEST_MAIN(TestBarPlacement)
#include "tst_barplacement.moc"
