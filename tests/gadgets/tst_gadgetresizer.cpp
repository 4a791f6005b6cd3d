#include "gadgets/gadgetresizer.h"

#include <QApplication>
#include <QMouseEvent>
#include <QtTest>

namespace {
// Sends a mouse event to the widget at a point of the screen, through the application's filters.
bool send(QWidget *widget, QEvent::Type type, const QPoint &global, Qt::MouseButton button, Qt::MouseButtons buttons)
{
    QMouseEvent event(type, widget->mapFromGlobal(global), global, button, buttons, Qt::NoModifier);
    event.setAccepted(false);
    QCursor::setPos(global);
    QApplication::sendEvent(widget, &event);
    return event.isAccepted();
}

Qt::CursorShape overrideShape()
{
    const QCursor *cursor = QGuiApplication::overrideCursor();
    return cursor ? cursor->shape() : Qt::BitmapCursor;
}

// Counts the mouse events that reach it.
class Window : public QWidget
{
public:
    Window() : QWidget(nullptr, Qt::FramelessWindowHint)
    {
        setMinimumSize(100, 50);
        setMouseTracking(true);
        setGeometry(100, 100, 200, 150);
    }
    int m_seen = 0;

protected:
    void mouseMoveEvent(QMouseEvent *) override { ++m_seen; }
    void mousePressEvent(QMouseEvent *) override { ++m_seen; }
};
} // namespace

class TestGadgetResizer : public QObject
{
    Q_OBJECT

private slots:
    void showsCursorOnBorder_data()
    {
        QTest::addColumn<QPoint>("pos");
        QTest::addColumn<int>("shape");
        QTest::addColumn<bool>("reachesWindow");
        QTest::newRow("left strip") << QPoint(2, 70) << int(Qt::SizeHorCursor) << false;
        QTest::newRow("corner square") << QPoint(2, 2) << int(Qt::SizeFDiagCursor) << false;
        QTest::newRow("bottom-left") << QPoint(1, 148) << int(Qt::SizeBDiagCursor) << false;
        QTest::newRow("one further in") << QPoint(3, 70) << int(Qt::BitmapCursor) << true;
    }

    void showsCursorOnBorder()
    {
        QFETCH(QPoint, pos);
        QFETCH(int, shape);
        QFETCH(bool, reachesWindow);
        GadgetResizer resizer(qApp);
        Window window;
        resizer.addWidget(&window, 0);
        window.show();
        QVERIFY(QTest::qWaitForWindowExposed(&window));
        send(&window, QEvent::MouseMove, window.mapToGlobal(pos), Qt::NoButton, Qt::NoButton);
        QCOMPARE(int(overrideShape()), shape);
        QCOMPARE(window.m_seen > 0, reachesWindow);
    }

    void dragsBorders_data()
    {
        QTest::addColumn<QPoint>("press");
        QTest::addColumn<QPoint>("delta");
        QTest::addColumn<QRect>("expected");
        // The right edge jumps to the cursor.
        QTest::newRow("right") << QPoint(198, 70) << QPoint(40, 0) << QRect(100, 100, 239, 150);
        QTest::newRow("right, not below the minimum")
            << QPoint(198, 70) << QPoint(-150, 0) << QRect(100, 100, 101, 150);
        // The corner keeps its distance from the cursor.
        QTest::newRow("bottom-right") << QPoint(198, 148) << QPoint(30, 20) << QRect(100, 100, 231, 171);
        QTest::newRow("top") << QPoint(70, 1) << QPoint(0, -20) << QRect(100, 81, 200, 169);
    }

    void dragsBorders()
    {
        QFETCH(QPoint, press);
        QFETCH(QPoint, delta);
        QFETCH(QRect, expected);
        GadgetResizer resizer(qApp);
        Window window;
        resizer.addWidget(&window, 0);
        window.show();
        QVERIFY(QTest::qWaitForWindowExposed(&window));
        const QPoint start = window.mapToGlobal(press);
        send(&window, QEvent::MouseButtonPress, start, Qt::LeftButton, Qt::LeftButton);
        QCOMPARE(resizer.currentWidget(), &window);
        send(&window, QEvent::MouseMove, start + delta, Qt::NoButton, Qt::LeftButton);
        QCOMPARE(window.geometry(), expected);
        QCOMPARE(window.m_seen, 0);
        // After the release the cursor follows where the pointer now is.
        send(&window, QEvent::MouseButtonRelease, window.geometry().center(), Qt::LeftButton, Qt::NoButton);
        QVERIFY(!resizer.currentWidget());
        QVERIFY(!QGuiApplication::overrideCursor());
        QVERIFY(!resizer.resizeDirection(&window).isNull());
    }

    void fixedHeightAndUnregisteredWindowsStay()
    {
        GadgetResizer resizer(qApp);
        Window window;
        window.setFixedHeight(150);
        resizer.addWidget(&window, 0);
        window.show();
        QVERIFY(QTest::qWaitForWindowExposed(&window));
        const QPoint start = window.mapToGlobal(QPoint(70, 148));
        send(&window, QEvent::MouseButtonPress, start, Qt::LeftButton, Qt::LeftButton);
        send(&window, QEvent::MouseMove, start + QPoint(0, 50), Qt::NoButton, Qt::LeftButton);
        QCOMPARE(window.height(), 150);
        send(&window, QEvent::MouseButtonRelease, start, Qt::LeftButton, Qt::NoButton);
        QCOMPARE(resizer.resizeDirection(&window), QPoint(0, 1));

        resizer.removeWidget(&window);
        QVERIFY(!resizer.isRegistered(&window));
        QCOMPARE(resizer.resizeDirection(&window), QPoint());
        window.m_seen = 0;
        send(&window, QEvent::MouseMove, window.mapToGlobal(QPoint(1, 70)), Qt::NoButton, Qt::NoButton);
        QCOMPARE(window.m_seen, 1);
    }
};

QTEST_MAIN(TestGadgetResizer)
#include "tst_gadgetresizer.moc"
