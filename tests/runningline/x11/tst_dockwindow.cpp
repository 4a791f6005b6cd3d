// Runs on a real X server (CTest starts it under xvfb-run): the bar must reach the server as a dock
// window with its strip reserved on the chosen edge.
#include "core/undoobject.h"
#include "runningline/movingview.h"
#include "runninglinetestenv.h"
#include "runningline/ostrevalder.h"
#include "testhelpers.h"
#include "x11desktop.h"
#include "x11properties.h"

#include <QLoggingCategory>
#include <QScreen>
#include <QtTest>

#include <algorithm>

using namespace X11Properties;

namespace {

QStringList s_strutLines;

void collectStrutLines(QtMsgType, const QMessageLogContext &context, const QString &text)
{
    if (qstrcmp(context.category, "qr.platform") == 0 && text.startsWith(QLatin1String("strut")))
        s_strutLines << text;
}

// The largest difference of a red, green or blue value; -1 when the sizes differ.
int largestColourDifference(const QImage &a, const QImage &b)
{
    int largest = a.size() == b.size() ? 0 : -1;
    for (int y = 0; largest >= 0 && y < a.height(); ++y)
        for (int x = 0; x < a.width(); ++x) {
            const QRgb p = a.pixel(x, y);
            const QRgb q = b.pixel(x, y);
            largest =
                std::max({largest, qAbs(qRed(p) - qRed(q)), qAbs(qGreen(p) - qGreen(q)), qAbs(qBlue(p) - qBlue(q))});
        }
    return largest;
}

} // namespace

class TestDockWindow : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase()
    {
        TestHelpers::isolateEnvironment();
        QCoreApplication::setApplicationVersion("3.3.0");
        if (QGuiApplication::platformName() != "xcb")
            QSKIP("needs an X server");
    }

    void showsADockWithAStrut_data()
    {
        QTest::addColumn<int>("position");
        QTest::addColumn<int>("monitor");
        QTest::addColumn<bool>("onTop");
        QTest::newRow("bottom, default monitor") << 1 << -1 << false;
        QTest::newRow("top, above others") << 0 << -1 << true;
        QTest::newRow("monitor that is not there") << 1 << 3 << false;
        QTest::newRow("stored taskbar position") << 2 << 0 << false;
    }

    void showsADockWithAStrut()
    {
        QFETCH(int, position);
        QFETCH(int, monitor);
        QFETCH(bool, onTop);
        RunningLineTestEnv env;
        UndoObject undo;
        env.app.m_undoObject = &undo;
        env.add(3, "Öffentlicher Feiertag", Period(QDate(2026, 3, 12)));
        Ostrevalder::registerPanelProperties();
        Ostrevalder::registerTextProperties();
        Ostrevalder::registerMovingProperties();
        env.properties->setValue("panelPosition", position);
        env.properties->setValue("monitorNumber", monitor);
        env.properties->setValue("panelOnTop", onTop);

        auto *bar = new Ostrevalder;
        QVERIFY(bar->isDocked());
        bar->show();
        QVERIFY(QTest::qWaitForWindowExposed(bar));

        auto *x11 = qGuiApp->nativeInterface<QNativeInterface::QX11Application>();
        xcb_connection_t *c = x11->connection();
        const xcb_window_t window = xcb_window_t(bar->winId());
        QCOMPARE(windowProperty(c, window, "_NET_WM_WINDOW_TYPE"), QList<quint32>{atom(c, "_NET_WM_WINDOW_TYPE_DOCK")});
        QVERIFY(windowProperty(c, window, "_NET_WM_STATE")
                    .contains(atom(c, onTop ? "_NET_WM_STATE_ABOVE" : "_NET_WM_STATE_BELOW")));

        const QRect screen = QGuiApplication::primaryScreen()->geometry();
        const QRect bounds = bar->geometry();
        QCOMPARE(bounds.width(), screen.width());
        const QList<quint32> strut = windowProperty(c, window, "_NET_WM_STRUT_PARTIAL");
        QCOMPARE(strut.size(), 12);
        if (position == 0) {
            QCOMPARE(bounds.top(), screen.top());
            QCOMPARE(strut.at(2), quint32(bounds.height()));
            QCOMPARE(strut.at(9), quint32(screen.width() - 1));
        } else {
            QCOMPARE(bounds.bottom(), screen.bottom());
            QCOMPARE(strut.at(3), quint32(bounds.height()));
            QCOMPARE(strut.at(11), quint32(screen.width() - 1));
        }
        QCOMPARE(windowProperty(c, window, "_NET_WM_STRUT"), strut.mid(0, 4));

        // Another client moves and sizes the bar at once (fluxbox keeps windows on a screen that shrank): it goes back.
        const quint32 put[] = {100, 100, quint32(screen.width() / 2)};
        xcb_configure_window(c, window, XCB_CONFIG_WINDOW_X | XCB_CONFIG_WINDOW_Y | XCB_CONFIG_WINDOW_WIDTH, put);
        QTRY_COMPARE(X11Desktop::serverGeometry(c, window), bounds);

        // Moving the bar to the other edge moves its strip with it, while it is shown.
        s_strutLines.clear();
        QLoggingCategory::setFilterRules(QStringLiteral("qr.platform.debug=true"));
        const QtMessageHandler previous = qInstallMessageHandler(collectStrutLines);
        env.properties->setValue("panelPosition", position == 0 ? 1 : 0);
        QTRY_COMPARE(windowProperty(c, window, "_NET_WM_STRUT_PARTIAL").at(position == 0 ? 3 : 2),
                     quint32(bounds.height()));
        QTest::qWait(100);
        qInstallMessageHandler(previous);
        QLoggingCategory::setFilterRules(QString());
        // Each strut is written, and logged, once: the same one again is no change.
        QVERIFY(!s_strutLines.isEmpty());
        for (int i = 1; i < s_strutLines.size(); ++i)
            QVERIFY2(s_strutLines.at(i) != s_strutLines.at(i - 1), qPrintable(s_strutLines.join('\n')));

        // Closing deletes the bar.
        QPointer<Ostrevalder> guard(bar);
        bar->close();
        QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
        QVERIFY(!guard);
    }

    // Frames the server scrolls show what a paint of the same moment shows: text moved, background not.
    void scrolledFramesMatchAPaint_data()
    {
        QTest::addColumn<int>("speed");
        QTest::addColumn<int>("frames");
        QTest::addColumn<bool>("covered");
        QTest::newRow("first frame") << 1 << 1 << false;
        QTest::newRow("slow, a text's length") << 1 << 300 << false;
        QTest::newRow("fast, past the line's end") << 3 << 600 << false;
        QTest::newRow("covered and uncovered while hovered") << 2 << 100 << true;
    }

    void scrolledFramesMatchAPaint()
    {
        QFETCH(int, speed);
        QFETCH(int, frames);
        QFETCH(bool, covered);
        RunningLineTestEnv env;
        UndoObject undo;
        env.app.m_undoObject = &undo;
        env.add(3, "Öffentlicher Feiertag — italic tails, ÄÖÜ", Period(QDate::currentDate().addDays(1)));
        env.add(3, "Zahnarzt", Period(QDate::currentDate().addDays(2)));
        Ostrevalder::registerPanelProperties();
        Ostrevalder::registerTextProperties();
        Ostrevalder::registerMovingProperties();
        env.properties->setValue("adjustBackgroundToWallpaper", false);
        env.properties->setValue("panelBackgroundGradient", Ostrevalder::gradientToByteArray(
                                                                {{0, QColor(20, 60, 200)}, {1, QColor(250, 220, 40)}}));
        env.properties->setValue("permanentScroll", true);
        env.properties->setValue("movingLineSpeed", speed);

        Ostrevalder bar;
        bar.show();
        QVERIFY(QTest::qWaitForWindowExposed(&bar));
        MovingView *view = bar.view();
        QTRY_VERIFY(view->isScrolling());
        for (int i = 0; i < frames; ++i)
            view->step();
        QVERIFY(view->shownByServer());

        const QRect area(view->mapTo(&bar, view->textArea().topLeft()), view->textArea().size());
        const qreal ratio = bar.devicePixelRatioF();
        const QRect device((QPointF(area.topLeft()) * ratio).toPoint(), (QSizeF(area.size()) * ratio).toSize());
        xcb_connection_t *c = qGuiApp->nativeInterface<QNativeInterface::QX11Application>()->connection();
        if (covered) {
            // Hovered, the line stands still: only the exposure can put the area right again.
            QEnterEvent enter{QPointF(), QPointF(), QPointF()};
            QCoreApplication::sendEvent(view, &enter);
            const xcb_window_t cover = xcb_generate_id(c);
            const uint32_t values[] = {0, 1}; // a black background, no window manager
            xcb_create_window(c, XCB_COPY_FROM_PARENT, cover, xcb_setup_roots_iterator(xcb_get_setup(c)).data->root,
                              int16_t(bar.x()), int16_t(bar.y()), uint16_t(bar.width()), uint16_t(bar.height()), 0,
                              XCB_WINDOW_CLASS_INPUT_OUTPUT, XCB_COPY_FROM_PARENT,
                              XCB_CW_BACK_PIXEL | XCB_CW_OVERRIDE_REDIRECT, values);
            xcb_map_window(c, cover);
            xcb_destroy_window(c, cover);
            xcb_flush(c);
        }
        const auto shown = [&] {
            xcb_get_image_reply_t *reply = xcb_get_image_reply(
                c,
                xcb_get_image(c, XCB_IMAGE_FORMAT_Z_PIXMAP, xcb_window_t(bar.winId()), int16_t(device.x()),
                              int16_t(device.y()), uint16_t(device.width()), uint16_t(device.height()), ~0u),
                nullptr);
            QImage image;
            if (reply)
                image = QImage(xcb_get_image_data(reply), device.width(), device.height(), QImage::Format_RGB32).copy();
            free(reply);
            return image;
        };
        // Composing text and background in the server rounds apart by a step or two.
        int worst = -1;
        QTRY_VERIFY2((worst = largestColourDifference(shown(), bar.grab(area).toImage())) >= 0 && worst <= 3,
                     qPrintable(QString("a pixel differs by %1").arg(worst)));
    }
};

QTEST_MAIN(TestDockWindow)
#include "tst_dockwindow.moc"
