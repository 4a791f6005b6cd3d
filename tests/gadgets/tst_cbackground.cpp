#include "gadgets/cbackground.h"
#include "testseams.h"

#include <QPainter>
#include <QtTest>

#include <memory>

namespace {
// A picture whose pixel (x, y) tells its own coordinates.
QImage coordinates(int w, int h)
{
    QImage image(w, h, QImage::Format_RGB32);
    for (int y = 0; y < h; ++y)
        for (int x = 0; x < w; ++x)
            image.setPixel(x, y, qRgb(x % 256, y % 256, 7));
    return image;
}
} // namespace

class TestCBackground : public QObject
{
    Q_OBJECT

private slots:
    void noWallpaperGivesPlainColour()
    {
        const QImage image =
            CBackground::compose(QImage(), WallpaperInfo::Centred, QColor(0, 78, 152), QRect(10, 10, 30, 20),
                                 QRect(0, 0, 1024, 768), QRect(0, 0, 1024, 768), true);
        QCOMPARE(image.size(), QSize(30, 20));
        QCOMPARE(image.pixelColor(29, 19), QColor(0, 78, 152));
    }

    void laysOutWallpaper_data()
    {
        QTest::addColumn<int>("layout");
        QTest::addColumn<QRect>("area");
        QTest::addColumn<QPoint>("probe");
        QTest::addColumn<QColor>("expected");
        // Centred 200 x 100 on 1024 x 768: the area under it starts at the picture's corner.
        QTest::newRow("centred") << int(WallpaperInfo::Centred) << QRect(412, 334, 200, 100) << QPoint(0, 0)
                                 << QColor(0, 0, 7);
        QTest::newRow("centred, outside the picture")
            << int(WallpaperInfo::Centred) << QRect(0, 0, 10, 10) << QPoint(0, 0) << QColor(Qt::black);
        // Tiles start at (-100, -10) and repeat every 64 px.
        QTest::newRow("tiled") << int(WallpaperInfo::Tiled) << QRect(100, 10, 100, 100) << QPoint(0, 0)
                               << QColor(100 % 64, 10, 7);
        QTest::newRow("tiled, next tile")
            << int(WallpaperInfo::Tiled) << QRect(100, 10, 100, 100) << QPoint(28, 54) << QColor(0, 0, 7);
    }

    void laysOutWallpaper()
    {
        QFETCH(int, layout);
        QFETCH(QRect, area);
        QFETCH(QPoint, probe);
        QFETCH(QColor, expected);
        const QImage wallpaper = layout == WallpaperInfo::Tiled ? coordinates(64, 64) : coordinates(200, 100);
        const QImage image = CBackground::compose(wallpaper, WallpaperInfo::Layout(layout), Qt::black, area,
                                                  QRect(0, 0, 1024, 768), QRect(0, 0, 1024, 768), true);
        QCOMPARE(image.pixelColor(probe), expected);
    }

    void stretchesOverScreen()
    {
        // A 2 x 2 picture stretched over 1024 x 768: the area's right half shows the right column.
        QImage wallpaper(2, 2, QImage::Format_RGB32);
        wallpaper.fill(Qt::red);
        wallpaper.setPixelColor(1, 0, Qt::blue);
        wallpaper.setPixelColor(1, 1, Qt::blue);
        const QImage image = CBackground::compose(wallpaper, WallpaperInfo::Stretched, Qt::black, QRect(900, 0, 50, 50),
                                                  QRect(0, 0, 1024, 768), QRect(0, 0, 1024, 768), true);
        QCOMPARE(image.pixelColor(25, 25).blue(), 255);
    }

    void noticesWallpaperChanges()
    {
        auto seams = std::make_unique<TestSeams>();
        FakeWallpaperSource &source = seams->wallpaper;
        source.m_info.path = QStringLiteral("/pictures/one.png");
        source.m_info.created = QDateTime(QDate(2026, 1, 1), QTime(10, 0), Qt::UTC);
        QVERIFY(!CBackground::wallpaperChanged(true));
        QVERIFY(!CBackground::wallpaperChanged(false));
        source.m_info.created = source.m_info.created.addSecs(60);
        QVERIFY(CBackground::wallpaperChanged(false));
        QVERIFY(!CBackground::wallpaperChanged(false));
        source.m_info.path = QStringLiteral("/pictures/two.png");
        QVERIFY(CBackground::wallpaperChanged(false));
        WallpaperInfo::Layout layout = WallpaperInfo::Centred;
        source.m_info.layout = WallpaperInfo::Tiled;
        QCOMPARE(CBackground::wallpaperPath(&layout), source.m_info.path);
        QCOMPARE(layout, WallpaperInfo::Tiled);
        seams.reset();
        QCOMPARE(CBackground::wallpaperPath(), QString());
    }

    void capturesTheDesktopColour()
    {
        CBackground background;
        background.setCaptureSize(QSize(8, 6));
        QVERIFY(!background.update(QPoint(3, 4)));
        QCOMPARE(background.capturedImage().size(), QSize(8, 6));
        QCOMPARE(background.capturedImage().pixelColor(7, 5), QColor(Qt::black));
    }
};

QTEST_MAIN(TestCBackground)
#include "tst_cbackground.moc"
