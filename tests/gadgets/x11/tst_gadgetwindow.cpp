// Runs on a real X server (CTest starts it under xvfb-run): a shown gadget must reach the server as a
// window kept below the others and left out of the taskbar.
#include "gadgettestenv.h"
#include "gadgets/gadgetthememanager.h"
#include "gadgets/todogadget.h"
#include "x11properties.h"

#include <QtTest>

using namespace X11Properties;

class TestGadgetWindow : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase()
    {
        TestHelpers::isolateEnvironment();
        if (QGuiApplication::platformName() != "xcb")
            QSKIP("needs an X server");
    }

    void staysBelowWithoutTaskbarEntry()
    {
        GadgetTestEnv env(TestSeams::RealDesktop); // the real stacking order of the server
        GadgetThemeManager themes;
        themes.loadTheme(QStringLiteral("darkblue.theme"));
        themes.loadTheme(QStringLiteral("greengrass.theme"));
        ToDoGadget gadget("{0a0b0c0d-0000-4000-8000-000000000001}", &themes, nullptr);
        gadget.addToDo(QStringLiteral("Water the plants"));
        gadget.show();
        QVERIFY(QTest::qWaitForWindowExposed(&gadget));

        auto *x11 = qGuiApp->nativeInterface<QNativeInterface::QX11Application>();
        xcb_connection_t *c = x11->connection();
        const xcb_window_t window = xcb_window_t(gadget.winId());
        QTRY_VERIFY(windowProperty(c, window, "_NET_WM_STATE").contains(atom(c, "_NET_WM_STATE_BELOW")));
        QVERIFY(windowProperty(c, window, "_NET_WM_STATE").contains(atom(c, "_NET_WM_STATE_SKIP_TASKBAR")));
        // Nothing covers it on an empty screen: the probe sees the gadget itself.
        QVERIFY(gadget.isPartlyVisible());
        // No compositing manager, no shadow; one comes (the test takes its selection) and goes.
        QVERIFY(!gadget.hasShadow());
        for (xcb_window_t owner : {window, xcb_window_t(XCB_WINDOW_NONE)}) {
            xcb_set_selection_owner(c, owner, atom(c, "_NET_WM_CM_S0"), XCB_CURRENT_TIME);
            xcb_flush(c);
            QTRY_COMPARE(gadget.hasShadow(), owner == window);
        }
    }
};

QTEST_MAIN(TestGadgetWindow)
#include "tst_gadgetwindow.moc"
