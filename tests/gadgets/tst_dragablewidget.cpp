#include "gadgettestenv.h"
#include "gadgets/dragablewidget.h"
#include "gadgets/gadgetresizer.h"

#include <QApplication>
#include <QMouseEvent>
#include <QScreen>
#include <QSignalSpy>
#include <QtTest>

namespace {
void send(QWidget *w, QEvent::Type type, const QPoint &global, Qt::MouseButton button, Qt::MouseButtons buttons)
{
    QMouseEvent event(type, w->mapFromGlobal(global), global, button, buttons, Qt::NoModifier);
    QCoreApplication::sendEvent(w, &event);
}

QRect area()
{
    return QGuiApplication::primaryScreen()->availableGeometry();
}
} // namespace

class TestDragableWidget : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase() { TestHelpers::isolateEnvironment(); }

    void pressStates_data()
    {
        // Steps: p = left press, r = left release, m = move 20 px, M = move with both buttons,
        // P = right press, R = right release.
        QTest::addColumn<QString>("steps");
        QTest::addColumn<int>("starts");
        QTest::addColumn<QList<bool>>("ends");
        QTest::addColumn<int>("menus");
        QTest::newRow("click") << "pr" << 0 << QList<bool>() << 0;
        QTest::newRow("drag") << "pmmr" << 1 << QList<bool>{false} << 0;
        QTest::newRow("right button joins") << "pmM" << 1 << QList<bool>{true} << 0;
        QTest::newRow("right click") << "PR" << 0 << QList<bool>() << 1;
        QTest::newRow("right release of left press") << "pR" << 0 << QList<bool>() << 0;
    }

    void pressStates()
    {
        QFETCH(QString, steps);
        QFETCH(int, starts);
        QFETCH(QList<bool>, ends);
        QFETCH(int, menus);
        GadgetTestEnv env;
        DragableWidget w("");
        w.setGeometry(300, 200, 150, 150);
        w.show();
        QSignalSpy started(&w, &DragableWidget::startMoving);
        QSignalSpy ended(&w, &DragableWidget::endMoving);
        QSignalSpy menu(&w, &DragableWidget::contextMenuRequest);
        QPoint at(350, 250);
        for (const QChar step : steps) {
            switch (step.toLatin1()) {
            case 'p':
                send(&w, QEvent::MouseButtonPress, at, Qt::LeftButton, Qt::LeftButton);
                break;
            case 'r':
                send(&w, QEvent::MouseButtonRelease, at, Qt::LeftButton, Qt::NoButton);
                break;
            case 'm':
                at += QPoint(20, 0);
                send(&w, QEvent::MouseMove, at, Qt::NoButton, Qt::LeftButton);
                break;
            case 'M':
                at += QPoint(20, 0);
                send(&w, QEvent::MouseMove, at, Qt::NoButton, Qt::LeftButton | Qt::RightButton);
                break;
            case 'P':
                send(&w, QEvent::MouseButtonPress, at, Qt::RightButton, Qt::RightButton);
                break;
            case 'R':
                send(&w, QEvent::MouseButtonRelease, at, Qt::RightButton, Qt::NoButton);
                break;
            }
        }
        QCOMPARE(started.count(), starts);
        QList<bool> canceled;
        for (const QList<QVariant> &args : std::as_const(ended))
            canceled << args.at(1).toBool();
        QCOMPARE(canceled, ends);
        QCOMPARE(menu.count(), menus);
    }

    void dragFollowsAndSnaps_data()
    {
        QTest::addColumn<int>("startX");
        QTest::addColumn<int>("moveBy");
        QTest::addColumn<int>("expectedX");
        // Window 150 wide, grabbed in its middle; the screen's left edge is at x 0.
        QTest::newRow("free move") << 300 << -40 << 260;
        QTest::newRow("10 px short snaps") << 40 << -30 << 0;
        QTest::newRow("11 px short stays") << 41 << -30 << 11;
        QTest::newRow("2 px past is pulled back") << 28 << -30 << 0;
        QTest::newRow("3 px past moves on") << 27 << -30 << -3;
    }

    void dragFollowsAndSnaps()
    {
        QFETCH(int, startX);
        QFETCH(int, moveBy);
        QFETCH(int, expectedX);
        GadgetTestEnv env;
        DragableWidget w("");
        w.setGeometry(area().left() + startX, 200, 150, 150);
        w.show();
        w.move(area().left() + startX, 200);
        const QPoint grab = w.geometry().center();
        send(&w, QEvent::MouseButtonPress, grab, Qt::LeftButton, Qt::LeftButton);
        send(&w, QEvent::MouseMove, grab + QPoint(moveBy, 0), Qt::NoButton, Qt::LeftButton);
        QCOMPARE(w.x(), area().left() + expectedX);
        // After a snap the window keeps its place relative to the cursor.
        send(&w, QEvent::MouseMove, grab + QPoint(moveBy, 5), Qt::NoButton, Qt::LeftButton);
        QCOMPARE(w.x(), area().left() + expectedX);
        send(&w, QEvent::MouseButtonRelease, grab + QPoint(moveBy, 5), Qt::LeftButton, Qt::NoButton);
    }

    void snapsToOtherWindows()
    {
        GadgetTestEnv env;
        DragableWidget first("");
        first.setGeometry(400, 100, 150, 150);
        DragableWidget w("");
        w.setGeometry(200, 150, 150, 150);
        // Placed at x 245 its right edge is 394, 6 px short of the other's left edge; at 230 it is 21 short.
        QCOMPARE(w.snapToEdges(QPoint(245, 150), QPoint(1, 0)), QPoint(6, 0));
        QCOMPARE(w.snapToEdges(QPoint(230, 150), QPoint(1, 0)), QPoint(0, 0));
        w.setSnappingEnabled(false);
        QCOMPARE(w.snapToEdges(QPoint(245, 150), QPoint(1, 0)), QPoint(0, 0));
    }

    void findsAFreePlaceOnShow_data()
    {
        QTest::addColumn<QRect>("other");
        QTest::addColumn<QRect>("expected");
        QTest::newRow("already free") << QRect(500, 400, 100, 100) << QRect(100, 100, 150, 150);
        QTest::newRow("covered: one step right") << QRect(100, 100, 150, 150) << QRect(250, 100, 150, 150);
        QTest::newRow("nothing free: stays") << area() << QRect(100, 100, 150, 150);
    }

    void findsAFreePlaceOnShow()
    {
        QFETCH(QRect, other);
        QFETCH(QRect, expected);
        GadgetTestEnv env;
        DragableWidget blocker("");
        blocker.setGeometry(other);
        // Shown once and hidden, the window comes back where it was before the search starts.
        DragableWidget w("{placed}");
        w.show();
        w.setGeometry(100, 100, 150, 150);
        w.hide();
        w.requestFreePlace();
        w.show();
        QCOMPARE(w.geometry(), expected);
        QVERIFY(!w.isFreePlaceRequested());
    }

    void growingEdgeSnapsShrinkingDoesNot_data()
    {
        QTest::addColumn<int>("rightGap");
        QTest::addColumn<bool>("grow");
        QTest::addColumn<int>("expectedGap");
        QTest::newRow("grown to 8 px short") << 8 << true << 0;
        QTest::newRow("grown to 11 px short") << 11 << true << 11;
        QTest::newRow("shrunk to 8 px short") << 8 << false << 8;
    }

    void growingEdgeSnapsShrinkingDoesNot()
    {
        QFETCH(int, rightGap);
        QFETCH(bool, grow);
        QFETCH(int, expectedGap);
        GadgetTestEnv env;
        DragableWidget w("");
        w.setMinimumSize(50, 50);
        const int right = area().right();
        const int startWidth = grow ? 200 : 350;
        w.show();
        w.setGeometry(right - 299 - rightGap, 200, startWidth, 150);
        GadgetResizer *resizer = GadgetResizer::instance();
        resizer->addWidget(&w);
        // Grab the right border and pull it to 300 px wide.
        const QPoint edge = w.mapToGlobal(QPoint(w.width() - 2, 70));
        QCursor::setPos(edge);
        send(&w, QEvent::MouseMove, edge, Qt::NoButton, Qt::NoButton);
        send(&w, QEvent::MouseButtonPress, edge, Qt::LeftButton, Qt::LeftButton);
        const QPoint to(w.x() + 299, edge.y());
        QCursor::setPos(to);
        send(&w, QEvent::MouseMove, to, Qt::NoButton, Qt::LeftButton);
        QCOMPARE(resizer->resizeDirection(&w), QPoint(1, 0));
        QTRY_COMPARE(right - w.geometry().right(), expectedGap);
        send(&w, QEvent::MouseButtonRelease, QCursor::pos(), Qt::LeftButton, Qt::NoButton);
        resizer->removeWidget(&w);
    }
};

QTEST_MAIN(TestDragableWidget)
#include "tst_dragablewidget.moc"
