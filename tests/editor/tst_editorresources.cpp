#include "editor/editorresources.h"
#include "widgets/widgetresources.h"

#include <QDirIterator>
#include <QHash>
#include <QImage>
#include <QtTest>

namespace {

// Pixels that stand out from the icon's most common colour: the symbol on a tile, or the
// shape on a transparent ground. Half-transparent edge pixels do not count.
int inkedPixels(const QImage &picture)
{
    const QImage image = picture.convertToFormat(QImage::Format_ARGB32);
    QHash<QRgb, int> counts;
    for (int y = 0; y < image.height(); ++y)
        for (int x = 0; x < image.width(); ++x)
            ++counts[image.pixel(x, y)];
    QRgb background = 0;
    int most = 0;
    for (auto it = counts.cbegin(); it != counts.cend(); ++it) {
        if (it.value() > most) {
            most = it.value();
            background = it.key();
        }
    }
    int inked = 0;
    for (int y = 0; y < image.height(); ++y) {
        for (int x = 0; x < image.width(); ++x) {
            const QRgb c = image.pixel(x, y);
            if (qAlpha(c) < 128)
                continue;
            const int difference = qAbs(qRed(c) - qRed(background)) + qAbs(qGreen(c) - qGreen(background)) +
                                   qAbs(qBlue(c) - qBlue(background));
            if (qAlpha(background) < 128 || difference > 60)
                ++inked;
        }
    }
    return inked;
}

} // namespace

class TestEditorResources : public QObject
{
    Q_OBJECT

private slots:
    void iconsAreNotBlank_data()
    {
        initEditorResources();
        QTest::addColumn<QString>("path");
        QDirIterator it(QStringLiteral(":/Ostrevalder/icons"), {QStringLiteral("*.png")}, QDir::Files,
                        QDirIterator::Subdirectories);
        while (it.hasNext()) {
            const QString path = it.next();
            // A spacer is blank on purpose; the gadgets' theme pictures (faint grips and bullets) are
            // checked against their themes' colours with the gadgets.
            if (!path.endsWith(QLatin1String("/empty10.png")) && !path.contains(QLatin1String("/icons/gadget/")))
                QTest::newRow(qPrintable(path)) << path;
        }
    }

    void iconsAreNotBlank()
    {
        QFETCH(QString, path);
        const QImage image(path);
        QVERIFY(!image.isNull());
        QVERIFY2(inkedPixels(image) >= 3, qPrintable(path));
        // A twin serves a 2x screen at twice the size, not the small picture blown up.
        if (path.contains(QLatin1String("@2x")))
            QCOMPARE(sharpIcon(QString(path).remove("@2x")).pixmap(image.size() / 2, 2.0).size(), image.size());
    }

    void blankTileIsCaught()
    {
        QImage tile(28, 28, QImage::Format_ARGB32);
        tile.fill(Qt::transparent);
        for (int y = 1; y < 27; ++y)
            for (int x = 2; x < 26; ++x)
                tile.setPixel(x, y, qRgb(120, 120, 120));
        QCOMPARE(inkedPixels(tile), 0);
        tile.setPixel(13, 13, qRgb(255, 255, 255));
        QCOMPARE(inkedPixels(tile), 1);
    }

    // A symbol in white reads as a working button, not a greyed-out one.
    void toolBarIconsAreInColour_data()
    {
        QTest::addColumn<QString>("name");
        for (const char *name : {"print.png", "undo.png", "redo.png", "backup.png"})
            QTest::newRow(name) << QString::fromLatin1(name);
    }

    void toolBarIconsAreInColour()
    {
        QFETCH(QString, name);
        initEditorResources();
        const QImage image =
            QImage(QStringLiteral(":/Ostrevalder/icons/") + name).convertToFormat(QImage::Format_ARGB32);
        const QColor middle = image.pixelColor(2, image.height() / 2);
        QVERIFY2(middle.hsvSaturation() > 80, qPrintable(middle.name()));
    }
};

QTEST_MAIN(TestEditorResources)
#include "tst_editorresources.moc"
