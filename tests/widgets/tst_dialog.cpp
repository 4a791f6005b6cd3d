#include "core/properties.h"
#include "fakeapplication.h"
#include "testhelpers.h"
#include "widgets/dialog.h"
#include "widgets/screenfit.h"
#include "widgets/windowplacement.h"

#include <QGuiApplication>
#include <QScreen>
#include <QtTest>

// Window placement arithmetic, and the base window keeping its geometry under its id.
class TestDialog : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase() { TestHelpers::isolateEnvironment(); }
    void init();
    void cleanup();

    void fitIntoArea_data();
    void fitIntoArea();
    void bestAreaPrefersLargestOverlap();
    void openFramedWindowsAreKeptOnTheScreen();

    void firstShowCentresAndShrinks_data();
    void firstShowCentresAndShrinks();
    void firstShowCentresOnParent();
    void storedGeometryIsRestored_data();
    void storedGeometryIsRestored();
    void sharedIdFollowsTheOtherWindow();
    void removedIdStoresNothingAndCentres();
    void noContextHelpButton();

private:
    QByteArray geometryAt(const QRect &rect);
    QRect area() const { return QGuiApplication::primaryScreen()->availableGeometry(); }

    std::unique_ptr<FakeApplication> m_app;
    std::unique_ptr<Properties> m_props;
};

void TestDialog::init()
{
    m_app = std::make_unique<FakeApplication>();
    m_props = std::make_unique<Properties>(nullptr, QString());
    m_app->m_properties = m_props.get();
}

void TestDialog::cleanup()
{
    m_props.reset();
    m_app.reset();
}

// The bytes a window of that geometry would have stored.
QByteArray TestDialog::geometryAt(const QRect &rect)
{
    Dialog d(nullptr, QByteArray());
    d.setGeometry(rect);
    return d.saveGeometry();
}

void TestDialog::fitIntoArea_data()
{
    QTest::addColumn<QRect>("window");
    QTest::addColumn<QRect>("fitted");
    const QRect area(100, 50, 800, 600); // the area used below
    Q_UNUSED(area);
    QTest::newRow("inside stays") << QRect(200, 100, 300, 200) << QRect(200, 100, 300, 200);
    QTest::newRow("too wide shrinks") << QRect(100, 60, 1000, 200) << QRect(100, 60, 800, 200);
    QTest::newRow("too large shrinks and moves in") << QRect(300, 300, 2000, 1000) << QRect(100, 50, 800, 600);
    QTest::newRow("off to the right") << QRect(5000, 100, 300, 200) << QRect(600, 100, 300, 200);
    QTest::newRow("off above left") << QRect(-900, -700, 300, 200) << QRect(100, 50, 300, 200);
    QTest::newRow("hanging over the bottom") << QRect(200, 500, 300, 200) << QRect(200, 450, 300, 200);
}

void TestDialog::fitIntoArea()
{
    QFETCH(QRect, window);
    QFETCH(QRect, fitted);
    QCOMPARE(WindowPlacement::fitIntoArea(window, QRect(100, 50, 800, 600)), fitted);
}

void TestDialog::bestAreaPrefersLargestOverlap()
{
    const QList<QRect> areas{QRect(0, 0, 1920, 1050), QRect(1920, 0, 1280, 1000)};
    QCOMPARE(WindowPlacement::bestArea(QRect(1800, 10, 400, 300), areas, 0), 1); // mostly on the second
    QCOMPARE(WindowPlacement::bestArea(QRect(1700, 10, 400, 300), areas, 1), 0);
    // A screen that is gone: the window overlaps nothing and takes the fallback.
    QCOMPARE(WindowPlacement::bestArea(QRect(4000, 10, 400, 300), areas, 1), 1);
    QCOMPARE(WindowPlacement::centredOn(QRect(0, 0, 100, 50), QPoint(400, 300)), QRect(351, 276, 100, 50));
    // Left with 66 px on the first screen when the second went, or mostly on the second.
    QCOMPARE(WindowPlacement::ontoAreas(QRect(1854, 10, 677, 300), areas.mid(0, 1), 0), QRect(1243, 10, 677, 300));
    QCOMPARE(WindowPlacement::ontoAreas(QRect(1854, 10, 677, 300), areas, 0), QRect(1920, 10, 677, 300));
}

// After a change of the screens; the bar and the gadgets, frameless, place themselves.
void TestDialog::openFramedWindowsAreKeptOnTheScreen()
{
    QWidget framed;
    QWidget frameless(nullptr, Qt::FramelessWindowHint);
    for (QWidget *window : {&framed, &frameless}) {
        window->setGeometry(area().right() - 20, area().top() + 10, 200, 100);
        window->show();
    }
    ScreenFit::keepWindowsOnScreens();
    QVERIFY(area().contains(framed.frameGeometry()));
    QCOMPARE(frameless.x(), area().right() - 20);
}

void TestDialog::firstShowCentresAndShrinks_data()
{
    QTest::addColumn<QSize>("size");
    QTest::newRow("small") << QSize(300, 200);
    QTest::newRow("larger than the screen") << QSize(5000, 4000);
}

void TestDialog::firstShowCentresAndShrinks()
{
    QFETCH(QSize, size);
    Dialog d(nullptr, "testWindow");
    d.resize(size);
    d.show();
    if (size.width() < area().width())
        QCOMPARE(d.geometry().size(), size);
    else
        QCOMPARE(d.frameGeometry().size(), area().size());
    QVERIFY(area().contains(d.frameGeometry()));
    QVERIFY(qAbs(d.frameGeometry().center().x() - area().center().x()) <= 1);
    QVERIFY(qAbs(d.frameGeometry().center().y() - area().center().y()) <= 1);
}

void TestDialog::firstShowCentresOnParent()
{
    QWidget parent;
    parent.setGeometry(50, 40, 400, 300);
    parent.show();
    Dialog d(&parent, "childWindow");
    d.resize(100, 80);
    d.show();
    const QPoint parentCentre = parent.mapToGlobal(parent.rect().center());
    QVERIFY(qAbs(d.frameGeometry().center().x() - parentCentre.x()) <= 1);
    QVERIFY(qAbs(d.frameGeometry().center().y() - parentCentre.y()) <= 1);

    // A parent near the screen's corner: centring would push the window off, so it stays inside.
    parent.move(area().topLeft());
    d.hide();
    m_props->setValue("childWindow", QByteArray());
    d.resize(600, 500);
    d.show();
    QVERIFY(area().contains(d.frameGeometry()));
}

void TestDialog::storedGeometryIsRestored_data()
{
    QTest::addColumn<QRect>("stored");
    QTest::addColumn<QString>("expect");
    const QRect a = QGuiApplication::primaryScreen()->availableGeometry();
    QTest::newRow("kept as stored") << QRect(a.x() + 30, a.y() + 20, 300, 200) << "same";
    QTest::newRow("larger than the screen shrinks in place")
        << QRect(a.topLeft() + QPoint(10, 10), a.size() + QSize(400, 300)) << "whole area";
    // Stored on a second screen that is unplugged now: pulled onto the remaining one.
    QTest::newRow("screen gone") << QRect(a.right() + 2000, a.y() + 20, 300, 200) << "right edge";
}

void TestDialog::storedGeometryIsRestored()
{
    QFETCH(QRect, stored);
    QFETCH(QString, expect);
    const QByteArray bytes = geometryAt(stored);
    m_props->addProperty("storedWindow", QByteArray());
    m_props->setValue("storedWindow", bytes);

    Dialog d(nullptr, "storedWindow");
    d.resize(120, 90);
    d.show();
    QVERIFY(area().contains(d.frameGeometry()));
    if (expect == QLatin1String("same")) {
        QCOMPARE(d.geometry(), stored);
    } else if (expect == QLatin1String("whole area")) {
        QCOMPARE(d.frameGeometry(), area());
    } else {
        QCOMPARE(d.geometry().size(), stored.size());
        QCOMPARE(d.frameGeometry().right(), area().right());
    }
}

void TestDialog::sharedIdFollowsTheOtherWindow()
{
    Dialog first(nullptr, "shared");
    Dialog second(nullptr, "shared");
    first.resize(200, 150);
    second.resize(200, 150);
    first.show();
    second.show();
    first.setGeometry(area().x() + 40, area().y() + 30, 250, 160);
    first.hide();
    QCOMPARE(second.geometry(), QRect(area().x() + 40, area().y() + 30, 250, 160));
    QVERIFY(!m_props->value("shared").toByteArray().isEmpty());
}

class RemovableDialog : public Dialog
{
public:
    using Dialog::Dialog;
    using Dialog::removeGeometryProperty;
};

void TestDialog::removedIdStoresNothingAndCentres()
{
    RemovableDialog d(nullptr, "gadget1");
    d.resize(200, 100);
    d.show();
    d.move(area().topLeft());
    d.hide();
    QVERIFY(!m_props->value("gadget1").toByteArray().isEmpty());

    d.removeGeometryProperty();
    QVERIFY(d.geometrySid().isEmpty());
    QVERIFY(!m_props->value("gadget1").isValid());
    d.show();
    QVERIFY(qAbs(d.frameGeometry().center().x() - area().center().x()) <= 1);
    d.hide();
    QVERIFY(!m_props->value("gadget1").isValid());
}

void TestDialog::noContextHelpButton()
{
    Dialog d(nullptr, QByteArray(), Qt::Dialog | Qt::WindowContextHelpButtonHint);
    QVERIFY(!d.windowFlags().testFlag(Qt::WindowContextHelpButtonHint));
    QVERIFY(d.windowFlags().testFlag(Qt::Dialog));
}

QTEST_MAIN(TestDialog)
#include "tst_dialog.moc"
