#include "events/ievent.h"
#include "shots.h"
#include "testhelpers.h"
#include "widgets/choosephotodialog.h"
#include "widgets/choosephotowidget.h"
#include "widgets/photobox.h"

#include <QLayout>
#include <QPainter>
#include <QSignalSpy>
#include <QSlider>
#include <QTemporaryDir>
#include <QtTest>

class FakeProvider : public IDefaultPhotoProvider
{
public:
    QColor m_colour = Qt::blue;
    QIcon defaultPhoto() const override
    {
        QPixmap p(64, 64);
        p.fill(m_colour);
        return QIcon(p);
    }
};

// The photo box with its caption, and the crop dialog that makes the photo.
class TestPhotoBox : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase() { TestHelpers::isolateEnvironment(); }

    void preparedPicture_data();
    void preparedPicture();
    void zoomLimits_data();
    void zoomLimits();
    void wheelAndKeysZoom();
    void clickAcceptsDragDoesNot();
    void keysAnswer();
    void resultIsCropSizeFromThePicture_data();
    void resultIsCropSizeFromThePicture();
    void dialogShot();

    void defaultAndOwnStates();
    void providerArrivingLateShowsDefault();
    void choosePhotoPaths_data();
    void choosePhotoPaths();
    void captionClickActsLikePicture();
    void defaultPictureChangeMarksDirty();

private:
    static QPixmap picture(const QSize &size)
    {
        QImage img(size, QImage::Format_ARGB32);
        QPainter p(&img);
        QLinearGradient g(0, 0, size.width(), size.height());
        g.setColorAt(0, QColor(200, 40, 40));
        g.setColorAt(1, QColor(40, 40, 200));
        p.fillRect(img.rect(), g);
        p.end();
        return QPixmap::fromImage(img);
    }
    static bool fullyOpaque(const QPixmap &pixmap)
    {
        const QImage img = pixmap.toImage().convertToFormat(QImage::Format_ARGB32);
        for (int y = 0; y < img.height(); ++y)
            for (int x = 0; x < img.width(); ++x)
                if (qAlpha(img.pixel(x, y)) != 255)
                    return false;
        return true;
    }
    QTemporaryDir m_dir;
};

void TestPhotoBox::preparedPicture_data()
{
    QTest::addColumn<QSize>("picture");
    QTest::addColumn<QSize>("prepared");
    QTest::newRow("exactly the crop size") << QSize(128, 128) << QSize(128, 128);
    QTest::newRow("smaller") << QSize(64, 32) << QSize(257, 129);
    QTest::newRow("narrow") << QSize(100, 400) << QSize(129, 513);
    QTest::newRow("larger") << QSize(640, 480) << QSize(640, 480);
}

void TestPhotoBox::preparedPicture()
{
    QFETCH(QSize, picture);
    QFETCH(QSize, prepared);
    QCOMPARE(ChoosePhotoDialog::preparedPicture(TestPhotoBox::picture(picture), QSize(128, 128)).size(), prepared);
}

void TestPhotoBox::zoomLimits_data()
{
    QTest::addColumn<QSize>("picture");
    QTest::addColumn<int>("minZoom");
    QTest::addColumn<int>("firstZoom");
    QTest::addColumn<bool>("slider");
    QTest::newRow("crop size: no zoom") << QSize(128, 128) << 100 << 100 << false;
    QTest::newRow("twice the frame") << QSize(256, 256) << 51 << 100 << true;
    QTest::newRow("wider than the screen") << QSize(2000, 1000) << 13 << 35 << true;
    // Very wide and low: the width alone would give 23 % and a picture 32 pixels high.
    QTest::newRow("wide and low is raised") << QSize(3000, 140) << 92 << 92 << true;
}

void TestPhotoBox::zoomLimits()
{
    QFETCH(QSize, picture);
    QFETCH(int, minZoom);
    QFETCH(int, firstZoom);
    QFETCH(bool, slider);
    ChoosePhotoDialog dialog(TestPhotoBox::picture(picture), QSize(128, 128));
    ChoosePhotoWidget *w = dialog.photoWidget();
    QCOMPARE(w->minZoom(), minZoom);
    QCOMPARE(w->zoom(), firstZoom);
    QVERIFY(w->scaledSize().height() >= 128 && w->scaledSize().width() >= 128);
    QCOMPARE(dialog.zoomSlider() != nullptr, slider);
    if (slider) {
        QCOMPARE(dialog.zoomSlider()->minimum(), minZoom);
        QCOMPARE(dialog.zoomSlider()->value(), firstZoom);
    }
    QVERIFY(w->width() <= 800 - 100);
    QCOMPARE(dialog.photo().size(), QSize(128, 128));
    QVERIFY(fullyOpaque(dialog.photo()));
}

void TestPhotoBox::wheelAndKeysZoom()
{
    ChoosePhotoDialog dialog(picture(QSize(600, 400)), QSize(128, 128));
    ChoosePhotoWidget *w = dialog.photoWidget();
    QCOMPARE(w->zoom(), 100);
    auto wheel = [&](int delta) {
        QWheelEvent e(QPointF(5, 5), QPointF(5, 5), QPoint(), QPoint(0, delta), Qt::NoButton, Qt::NoModifier,
                      Qt::NoScrollPhase, false);
        QApplication::sendEvent(&dialog, &e);
    };
    wheel(-120);
    QCOMPARE(w->zoom(), 95);
    QCOMPARE(dialog.zoomSlider()->value(), 95);
    wheel(-60); // less than a notch
    QCOMPARE(w->zoom(), 95);
    wheel(-240);
    QCOMPARE(w->zoom(), 85);
    QTest::keyClick(&dialog, Qt::Key_Plus);
    QCOMPARE(w->zoom(), 90);
    QTest::keyClick(&dialog, Qt::Key_Minus);
    QCOMPARE(w->zoom(), 85);
    for (int i = 0; i < 30; ++i)
        QTest::keyClick(&dialog, Qt::Key_Minus);
    QCOMPARE(w->zoom(), w->minZoom());
    const QRect frame = w->frame();
    QTest::keyClick(&dialog, Qt::Key_Minus); // at the limit nothing moves
    QCOMPARE(w->frame(), frame);
    dialog.zoomSlider()->setValue(100);
    QCOMPARE(w->zoom(), 100);
    QCOMPARE(dialog.size(), w->size() + QSize(dialog.layout()->contentsMargins().left() * 2,
                                              dialog.layout()->contentsMargins().top() * 2));
}

void TestPhotoBox::clickAcceptsDragDoesNot()
{
    ChoosePhotoDialog dialog(picture(QSize(1600, 1200)), QSize(128, 128));
    dialog.show();
    QVERIFY(QTest::qWaitForWindowExposed(&dialog));
    ChoosePhotoWidget *w = dialog.photoWidget();
    dialog.zoomSlider()->setValue(100); // larger than the window: draggable
    QSignalSpy accepted(&dialog, &QDialog::accepted);

    QTest::mousePress(w, Qt::LeftButton, {}, QPoint(300, 200));
    QTest::mouseMove(w, QPoint(250, 170));
    QVERIFY(w->isDragging());
    QCOMPARE(w->offset(), QPoint(50, 30));
    QTest::mouseMove(w, QPoint(-500, -500)); // far beyond: the picture stops at its edge
    QVERIFY(w->offset().x() <= w->scaledSize().width() - w->width());
    QVERIFY(w->offset().y() <= w->scaledSize().height() - w->height());
    QTest::mouseRelease(w, Qt::LeftButton, {}, QPoint(10, 10));
    QVERIFY(!w->isDragging());
    QCOMPARE(accepted.size(), 0);

    // Zooming out after the drag keeps the view and the photo on the picture.
    dialog.zoomSlider()->setValue(w->minZoom());
    QVERIFY(w->offset().x() + w->width() <= w->scaledSize().width());
    QVERIFY(fullyOpaque(dialog.photo()));

    QTest::mousePress(w, Qt::LeftButton, {}, QPoint(100, 100));
    QTest::mouseRelease(w, Qt::LeftButton, {}, QPoint(100, 100));
    QCOMPARE(accepted.size(), 1);
}

void TestPhotoBox::keysAnswer()
{
    for (const auto &[key, result] :
         {std::pair(Qt::Key_Return, QDialog::Accepted), std::pair(Qt::Key_Enter, QDialog::Accepted),
          std::pair(Qt::Key_Escape, QDialog::Rejected)}) {
        ChoosePhotoDialog dialog(picture(QSize(128, 128)), QSize(128, 128));
        QVERIFY(dialog.width() > dialog.fontMetrics().horizontalAdvance(dialog.windowTitle()));
        dialog.setResult(-1);
        QTest::keyClick(&dialog, key);
        QCOMPARE(dialog.result(), int(result));
    }
}

void TestPhotoBox::resultIsCropSizeFromThePicture_data()
{
    QTest::addColumn<QSize>("picture");
    QTest::addColumn<QSize>("crop");
    QTest::newRow("square") << QSize(900, 700) << QSize(128, 128);
    QTest::newRow("odd frame") << QSize(333, 517) << QSize(75, 101);
    QTest::newRow("tiny picture") << QSize(12, 9) << QSize(128, 128);
}

void TestPhotoBox::resultIsCropSizeFromThePicture()
{
    QFETCH(QSize, picture);
    QFETCH(QSize, crop);
    ChoosePhotoDialog dialog(TestPhotoBox::picture(picture), crop);
    ChoosePhotoWidget *w = dialog.photoWidget();
    for (const QPoint &centre : {QPoint(0, 0), QPoint(10000, 10000), QPoint(w->width() / 2, w->height() / 3)}) {
        w->moveFrameTo(centre);
        QCOMPARE(w->frame().size(), crop);
        QVERIFY(QRect(QPoint(0, 0), w->size()).contains(w->frame()));
        QCOMPARE(dialog.photo().size(), crop);
        QVERIFY(fullyOpaque(dialog.photo()));
    }
}

void TestPhotoBox::dialogShot()
{
    QImage img(1400, 900, QImage::Format_ARGB32);
    QPainter p(&img);
    QLinearGradient g(0, 0, 1400, 900);
    g.setColorAt(0, QColor(250, 200, 120));
    g.setColorAt(1, QColor(60, 110, 170));
    p.fillRect(img.rect(), g);
    p.setBrush(QColor(240, 240, 230));
    p.drawEllipse(QRect(500, 250, 320, 400));
    p.end();
    ChoosePhotoDialog dialog(QPixmap::fromImage(img), QSize(128, 128));
    dialog.show();
    QVERIFY(QTest::qWaitForWindowExposed(&dialog));
    dialog.photoWidget()->moveFrameTo(QPoint(300, 220));
    TestHelpers::saveShot(&dialog, QStringLiteral("choosephotodialog"));
}

void TestPhotoBox::defaultAndOwnStates()
{
    PhotoBoxWidget widget;
    widget.setPhotoSize(QSize(128, 128));
    PhotoBox *box = widget.photoBox();
    QCOMPARE(box->size(), QSize(128, 128));
    QCOMPARE(widget.bottomLabel()->text(), QStringLiteral("Click to Restore"));
    FakeProvider provider;
    QSignalSpy changed(box, &PhotoBox::defaultChanged);
    box->setDefault(true);
    box->setDefaultPhotoProvider(&provider);
    QCOMPARE(widget.bottomLabel()->text(), QStringLiteral("Click to Change"));
    QCOMPARE(box->pixmap().toImage().pixelColor(5, 5), QColor(Qt::blue));
    box->setDefault(true); // the same value still tells
    QCOMPARE(changed.size(), 2);

    box->setPhoto(picture(QSize(128, 128)));
    QVERIFY(!box->isDefault());
    QVERIFY(!box->isDirty()); // owners fill the box with stored photos
    QCOMPARE(widget.bottomLabel()->text(), QStringLiteral("Click to Restore"));
    QTest::mouseClick(box, Qt::RightButton);
    QTest::mouseClick(box, Qt::MiddleButton);
    QVERIFY(!box->isDefault());
    QTest::mouseClick(box, Qt::LeftButton); // restores the default
    QVERIFY(box->isDefault());
    QVERIFY(box->isDirty());
    QCOMPARE(widget.bottomLabel()->text(), QStringLiteral("Click to Change"));
}

void TestPhotoBox::providerArrivingLateShowsDefault()
{
    TestHelpers::expectFailedChecks();
    PhotoBox box;
    const QPixmap own = picture(QSize(20, 20));
    box.setPhoto(own);
    box.setDefault(true);
    QCOMPARE(box.pixmap().size(), own.size()); // no provider yet: the picture stays
    box.restoreDefault();                      // nothing to restore to: logged, nothing changes
    QVERIFY(!box.isDirty());
    FakeProvider provider;
    box.setDefaultPhotoProvider(&provider);
    QCOMPARE(box.pixmap().size(), QSize(64, 64));
}

void TestPhotoBox::choosePhotoPaths_data()
{
    QTest::addColumn<QString>("file");
    QTest::addColumn<bool>("cropAccepted");
    QTest::addColumn<bool>("pathMoves");
    QTest::addColumn<bool>("taken");
    QTest::newRow("cancelled file dialog") << "" << true << false << false;
    QTest::newRow("missing file") << "missing.png" << true << false << false;
    QTest::newRow("not a picture") << "notes.png" << true << true << false;
    QTest::newRow("crop dialog cancelled") << "fotó.png" << false << true << false;
    QTest::newRow("taken") << "fotó.png" << true << true << true;
}

void TestPhotoBox::choosePhotoPaths()
{
    QFETCH(QString, file);
    QFETCH(bool, cropAccepted);
    QFETCH(bool, pathMoves);
    QFETCH(bool, taken);
    picture(QSize(300, 200)).save(m_dir.filePath("fotó.png"), "PNG");
    TestHelpers::writeFile(m_dir.filePath("notes.png"), "just text, no picture");

    PhotoBoxWidget widget;
    widget.setPhotoSize(QSize(128, 128));
    PhotoBox *box = widget.photoBox();
    FakeProvider provider;
    box->setDefault(true);
    box->setDefaultPhotoProvider(&provider);
    const QString startPath = box->lastPath();
    QStringList askedDirs;
    box->setAskFileName([&](QWidget *, const QString &caption, const QString &dir, const QString &filter) {
        askedDirs << dir;
        if (caption != QLatin1String("Open Image") || !filter.contains("*.jpeg"))
            return QString();
        return file.isEmpty() ? QString() : m_dir.filePath(file);
    });
    int cropRuns = 0;
    box->setRunCropDialog([&](ChoosePhotoDialog &) {
        ++cropRuns;
        return cropAccepted;
    });
    box->doClick();
    QCOMPARE(box->lastPath(), pathMoves ? m_dir.filePath(file) : startPath);
    QCOMPARE(cropRuns, file == QStringLiteral("fotó.png") ? 1 : 0);
    QCOMPARE(!box->isDefault(), taken);
    QCOMPARE(box->isDirty(), taken);
    if (taken) {
        QCOMPARE(box->pixmap().size(), QSize(128, 128));
        QCOMPARE(widget.bottomLabel()->text(), QStringLiteral("Click to Restore"));
    } else {
        QCOMPARE(box->pixmap().toImage().pixelColor(5, 5), QColor(Qt::blue));
        box->doClick(); // the next dialog opens where this one ended
        QCOMPARE(askedDirs.last(), pathMoves ? m_dir.filePath(file) : startPath);
    }
}

void TestPhotoBox::captionClickActsLikePicture()
{
    PhotoBoxWidget widget;
    FakeProvider provider;
    widget.photoBox()->setDefaultPhotoProvider(&provider);
    widget.photoBox()->setPhoto(picture(QSize(10, 10)));
    QTest::mouseClick(widget.bottomLabel(), Qt::RightButton);
    QVERIFY(!widget.photoBox()->isDefault());
    QTest::mouseClick(widget.bottomLabel(), Qt::LeftButton);
    QVERIFY(widget.photoBox()->isDefault());
    QVERIFY(widget.photoBox()->isDirty());
}

void TestPhotoBox::defaultPictureChangeMarksDirty()
{
    PhotoBox box;
    FakeProvider provider;
    box.setDefault(true);
    box.setDefaultPhotoProvider(&provider);
    provider.m_colour = Qt::magenta; // the birthday's gender switched
    box.defaultPhotoChanged();
    QVERIFY(box.isDirty());
    QCOMPARE(box.pixmap().toImage().pixelColor(5, 5), QColor(Qt::magenta));

    PhotoBox own;
    own.setDefaultPhotoProvider(&provider);
    own.setPhoto(picture(QSize(10, 10)));
    own.defaultPhotoChanged();
    QVERIFY(!own.isDirty());
    QCOMPARE(own.pixmap().size(), QSize(10, 10));
}

QTEST_MAIN(TestPhotoBox)
#include "tst_photobox.moc"
