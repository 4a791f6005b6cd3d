#include "platform/iwindowsystem.h"
#include "runningline/barplacement.h"

#include <QtTest>

Q_DECLARE_METATYPE(DockStrip)
Q_DECLARE_METATYPE(BarPlacement::OtherDock)

namespace QTest {
template <> inline char *toString(const DockStrip &strip)
{
    return qstrdup(QString("edge %1 %2,%3 %4x%5")
                       .arg(int(strip.edge))
                       .arg(strip.rect.x())
                       .arg(strip.rect.y())
                       .arg(strip.rect.width())
                       .arg(strip.rect.height())
                       .toUtf8()
                       .constData());
}
} // namespace QTest

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

    void dockStripsFromStruts_data()
    {
        QTest::addColumn<QList<quint32>>("values");
        QTest::addColumn<QList<DockStrip>>("expected");
        QTest::newRow("top panel, partial") << QList<quint32>{0, 0, 28, 0, 0, 0, 0, 0, 0, 1279, 0, 0}
                                            << QList<DockStrip>{{Qt::TopEdge, QRect(0, 0, 1280, 28)}};
        QTest::newRow("bottom, plain strut") << QList<quint32>{0, 0, 0, 30, 0, 0, 0, 0, 0, 0, 0, 0}
                                             << QList<DockStrip>{{Qt::BottomEdge, QRect(0, 770, 1280, 30)}};
        QTest::newRow("left half height") << QList<quint32>{48, 0, 0, 0, 0, 399, 0, 0, 0, 0, 0, 0}
                                          << QList<DockStrip>{{Qt::LeftEdge, QRect(0, 0, 48, 400)}};
        QTest::newRow("right") << QList<quint32>{0, 20, 0, 0, 0, 0, 100, 799, 0, 0, 0, 0}
                               << QList<DockStrip>{{Qt::RightEdge, QRect(1260, 100, 20, 700)}};
        QTest::newRow("empty") << QList<quint32>(12, 0) << QList<DockStrip>{};
    }

    void dockStripsFromStruts()
    {
        QFETCH(QList<quint32>, values);
        QFETCH(QList<DockStrip>, expected);
        StrutPartial strut{};
        std::copy(values.cbegin(), values.cend(), strut.begin());
        QCOMPARE(dockStrips(strut, QSize(1280, 800)), expected);
    }

    void areaLeftByDocks_data()
    {
        QTest::addColumn<QRect>("screen");
        QTest::addColumn<QList<DockStrip>>("strips");
        QTest::addColumn<QRect>("expected");
        const QRect screen(0, 0, 1280, 800);
        QTest::newRow("none") << screen << QList<DockStrip>{} << screen;
        QTest::newRow("top tray panel") << screen << QList<DockStrip>{{Qt::TopEdge, QRect(0, 0, 1280, 28)}}
                                        << QRect(0, 28, 1280, 772);
        QTest::newRow("top and bottom") << screen
                                        << QList<DockStrip>{{Qt::TopEdge, QRect(0, 0, 1280, 28)},
                                                            {Qt::BottomEdge, QRect(0, 760, 1280, 40)}}
                                        << QRect(0, 28, 1280, 732);
        QTest::newRow("side panel") << screen << QList<DockStrip>{{Qt::LeftEdge, QRect(0, 0, 64, 800)}}
                                    << QRect(64, 0, 1216, 800);
        QTest::newRow("panel on the other monitor")
            << QRect(1280, 0, 1024, 768) << QList<DockStrip>{{Qt::TopEdge, QRect(0, 0, 1280, 28)}}
            << QRect(1280, 0, 1024, 768);
        QTest::newRow("nothing left") << screen << QList<DockStrip>{{Qt::TopEdge, QRect(0, 0, 1280, 900)}} << screen;
    }

    void areaLeftByDocks()
    {
        QFETCH(QRect, screen);
        QFETCH(QList<DockStrip>, strips);
        QFETCH(QRect, expected);
        QCOMPARE(BarPlacement::areaLeftByDocks(screen, strips), expected);
    }

    void marginsKeptByWindowManager_data()
    {
        QTest::addColumn<int>("areaBottom");
        QTest::addColumn<QList<DockStrip>>("strips");
        QTest::addColumn<QList<int>>("own");
        QTest::addColumn<QList<QRect>>("panels");
        QTest::addColumn<int>("kept");
        QTest::addColumn<int>("bottom");
        const QList<DockStrip> none;
        const QList<QRect> no;
        QTest::newRow("panel without a strut") << 780 << none << QList<int>{} << no << 0 << 20;
        QTest::newRow("own strut in front of it") << 756 << none << QList<int>{44} << no << 20 << 20;
        QTest::newRow("another dock's strut")
            << 772 << QList<DockStrip>{{Qt::BottomEdge, QRect(1000, 772, 280, 28)}} << QList<int>{} << no << 0 << 0;
        QTest::newRow("screen grown, strut written before the bar moved")
            << 572 << none << QList<int>{228, 28} << no << 0 << 0;
        QTest::newRow("panel left out for a moment") << 800 << none << QList<int>{54} << no << 26 << 26;
        QTest::newRow("panel grown past the bar") << 700 << none << QList<int>{54} << no << 26 << 100;
        QTest::newRow("panel window moved down behind the own strut")
            << 587 << none << QList<int>{213} << QList<QRect>{QRect(0, 775, 1024, 25)} << 185 << 25;
        QTest::newRow("panel window on another edge")
            << 587 << none << QList<int>{213} << QList<QRect>{QRect(0, 0, 1280, 25)} << 185 << 185;
    }

    void marginsKeptByWindowManager()
    {
        QFETCH(int, areaBottom);
        QFETCH(QList<DockStrip>, strips);
        QFETCH(QList<int>, own);
        QFETCH(QList<QRect>, panels);
        QFETCH(int, kept);
        QFETCH(int, bottom);
        QList<DockStrip> ownStrips;
        for (int depth : own)
            ownStrips << DockStrip{Qt::BottomEdge, QRect(0, 800 - depth, 1280, depth)};
        QCOMPARE(BarPlacement::marginsKeptByWindowManager(QRect(0, 0, 1280, 800), QRect(0, 0, 1280, areaBottom), strips,
                                                          ownStrips, panels, QMargins(0, 0, 0, kept)),
                 QMargins(0, 0, 0, bottom));
    }

    void workAreaAfterAChangeOfSize_data()
    {
        QTest::addColumn<QList<int>>("areas");
        // The desktop's height, then the screen's.
        QTest::addColumn<QList<QPoint>>("sizes");
        QTest::addColumn<int>("last");
        QTest::newRow("the old size's still") << QList<int>{772, 772} << QList<QPoint>{{800, 800}, {640, 640}} << -1;
        QTest::newRow("the new size's come")
            << QList<int>{772, 772, 612} << QList<QPoint>{{800, 800}, {640, 640}, {640, 640}} << 612;
        QTest::newRow("the old mode's still") << QList<int>{426, 426} << QList<QPoint>{{800, 640}, {800, 800}} << -1;
    }

    void workAreaAfterAChangeOfSize()
    {
        QFETCH(QList<int>, areas);
        QFETCH(QList<QPoint>, sizes);
        QFETCH(int, last);
        BarPlacement::WorkAreaReader reader;
        QRect read;
        for (qsizetype i = 0; i < areas.size(); ++i)
            read = reader.read(QRect(0, 0, 1280, areas[i]), QSize(1280, sizes[i].x()), QRect(0, 0, 1280, sizes[i].y()));
        QCOMPARE(read, last < 0 ? QRect() : QRect(0, 0, 1280, last));
    }

    void barBesideDocks_data()
    {
        using Docks = QList<BarPlacement::OtherDock>;
        QTest::addColumn<int>("position");
        QTest::addColumn<Docks>("docks");
        QTest::addColumn<int>("top");
        const auto dock = [](QRect window, bool earlier, bool settled = true, QList<DockStrip> strips = {}) {
            return BarPlacement::OtherDock{window, strips, earlier, settled};
        };
        const QRect topPanel(0, 0, 1280, 28);
        QTest::newRow("alone") << 1 << Docks{} << 770;
        QTest::newRow("panel there first") << 0 << Docks{dock(topPanel, true)} << 28;
        QTest::newRow("late panel on the edge") << 0 << Docks{dock(topPanel, false)} << 28;
        QTest::newRow("late dock not settled yet") << 0 << Docks{dock(topPanel, false, false)} << 0;
        QTest::newRow("strut beyond the window")
            << 0 << Docks{dock({0, 386, 1280, 28}, true, true, {{Qt::TopEdge, topPanel}})} << 28;
        QTest::newRow("late bar beside, strut to the edge")
            << 1 << Docks{dock({0, 740, 1280, 30}, false, true, {{Qt::BottomEdge, {0, 740, 1280, 60}}})} << 770;
        QTest::newRow("earlier bar beside a panel")
            << 1 << Docks{dock({0, 772, 1280, 28}, true), dock({0, 742, 1280, 30}, true)} << 712;
        QTest::newRow("small tray in a corner") << 1 << Docks{dock({1180, 776, 100, 24}, false)} << 746;
        QTest::newRow("fills the screen") << 0 << Docks{dock({0, 0, 1280, 790}, true)} << 0;
    }

    void barBesideDocks()
    {
        QFETCH(int, position);
        QFETCH(QList<BarPlacement::OtherDock>, docks);
        QFETCH(int, top);
        QCOMPARE(BarPlacement::barBesideDocks(QRect(0, 0, 1280, 800), position, 30, docks), QRect(0, top, 1280, 30));
        // A side panel narrows the bar.
        docks << BarPlacement::OtherDock{{0, 0, 48, 800}, {{Qt::LeftEdge, {0, 0, 48, 800}}}, false, true};
        QCOMPARE(BarPlacement::barBesideDocks(QRect(0, 0, 1280, 800), position, 30, docks).left(), 48);
    }

    void widthWithinScreen()
    {
        // 1600 device pixels at 1.5 are 1067 logical ones, which would round back to 1601.
        QCOMPARE(BarPlacement::widthWithinScreen(1067, 1.5), 1066);
        QCOMPARE(BarPlacement::widthWithinScreen(1280, 1.25), 1280);
        QCOMPARE(BarPlacement::widthWithinScreen(960, 2.0), 960);
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
