// Runs on a real X server with a window manager (CTest starts it under xvfb-run, the test starts
// openbox): the bar beside another dock, its tooltip, its context menu, a fixed-size window, and a
// gadget's controls on the first hover.
#include "gadgettestenv.h"
#include "core/undoobject.h"
#include "gadgets/gadgetthememanager.h"
#include "gadgets/todogadget.h"
#include "platform/iwindowprobe.h"
#include "runninglinetestenv.h"
#include "runningline/movingview.h"
#include "runningline/ostrevalder.h"
#include "runningline/tooltiphandler.h"
#include "shots.h"
#include "testhelpers.h"
#include "widgets/aboutdialog.h"
#include "widgets/occurrenceeditor.h"
#include "x11desktop.h"

#include <QApplication>
#include <QLineEdit>
#include <QMenu>
#include <QScreen>
#include <QToolButton>
#include <QtTest>

using namespace X11Desktop;

namespace {

// What the screen shows over a widget of a window now, placed where the server has the window: the
// window manager may have put it elsewhere than asked.
QImage onScreen(xcb_connection_t *c, QWidget *widget)
{
    const QPoint window = serverGeometry(c, xcb_window_t(widget->window()->winId())).topLeft();
    const QRect rect(window + widget->mapTo(widget->window(), QPoint(0, 0)), widget->size());
    return QGuiApplication::primaryScreen()->grabWindow(0, rect.x(), rect.y(), rect.width(), rect.height()).toImage();
}

// How many pixels differ between two pictures of the same place.
int changedPixels(const QImage &a, const QImage &b)
{
    int changed = 0;
    for (int y = 0; y < qMin(a.height(), b.height()); ++y)
        for (int x = 0; x < qMin(a.width(), b.width()); ++x)
            changed += a.pixel(x, y) != b.pixel(x, y);
    return changed;
}

} // namespace

class TestDesktopBar : public QObject
{
    Q_OBJECT

private:
    xcb_connection_t *m_c = nullptr;
    std::unique_ptr<QProcess> m_windowManager;
    std::unique_ptr<RunningLineTestEnv> m_env;
    UndoObject m_undo;
    QList<QPointer<Ostrevalder>> m_bars;

    Ostrevalder *makeBar(int position)
    {
        Ostrevalder::registerPanelProperties();
        Ostrevalder::registerTextProperties();
        Ostrevalder::registerMovingProperties();
        m_env->properties->setValue("panelPosition", position);
        m_env->properties->setValue("adjustBackgroundToWallpaper", false);
        auto *bar = new Ostrevalder;
        m_bars << bar;
        bar->show();
        return bar;
    }

private slots:
    void initTestCase()
    {
        TestHelpers::isolateEnvironment();
        QCoreApplication::setApplicationVersion("3.3.0");
        if (QGuiApplication::platformName() != "xcb")
            QSKIP("needs an X server");
        m_c = qGuiApp->nativeInterface<QNativeInterface::QX11Application>()->connection();
        m_windowManager = startWindowManager(m_c);
        if (!m_windowManager)
            QSKIP("needs openbox");
    }

    void cleanupTestCase() { stopWindowManager(m_windowManager); }

    void init()
    {
        m_env = std::make_unique<RunningLineTestEnv>();
        m_env->app.m_undoObject = &m_undo;
        for (int i = 0; i < 12; ++i)
            m_env->add(0, QString("Rather long entry number %1 of the running line").arg(i),
                       Period(QDate(2026, 3, 11 + i % 5)));
    }

    void cleanup()
    {
        qDeleteAll(m_bars);
        m_bars.clear();
        m_env.reset();
        if (m_c)
            QVERIFY2(waitDesktopClear(m_c), "a window of the case is still on the desktop");
    }

    void docksBesideAnotherDock()
    {
        std::unique_ptr<ScopedWindow> panel = makeTopDock(m_c, 1280, 28);
        QVERIFY(panel);
        QTRY_COMPARE_WITH_TIMEOUT(workArea(m_c).top(), 28, 20000);
        Ostrevalder *bar = makeBar(0);
        QVERIFY(QTest::qWaitForWindowExposed(bar));
        QTRY_COMPARE(serverGeometry(m_c, xcb_window_t(bar->winId())).top(), 28);
        // The work area now leaves out both strips.
        QTRY_COMPARE(workArea(m_c).top(), 28 + bar->height());
        delete bar;
        panel.reset();
        QTRY_COMPARE(workArea(m_c).top(), 0);
    }

    void logStaysQuietWhileWindowsComeAndGo()
    {
        // Into the log as the program's own handler puts every message there.
        const QtMessageHandler previous =
            qInstallMessageHandler([](QtMsgType type, const QMessageLogContext &, const QString &text) {
                QR_LOG(Common::qtMessageLine(type, text));
            });
        QVERIFY(QTest::qWaitForWindowExposed(makeBar(0)));
        Common::clearLogBuffer();
        for (int i = 0; i < 20; ++i) {
            ScopedWindow window(m_c, makeWindow(m_c, QRect(100 + 10 * i, 100, 300, 200)));
            xcb_map_window(m_c, window.id());
            QVERIFY(waitManaged(m_c, window.id()));
        }
        // A panel last: once the bar has heard of it, it has heard of every window before.
        std::unique_ptr<ScopedWindow> panel = makeTopDock(m_c, 1280, 28);
        QTRY_VERIFY(logBuffer().contains("0x" + QByteArray::number(panel->id(), 16)));
        qInstallMessageHandler(previous);
        QVERIFY(logBuffer().count('\n') <= 4);
    }

    void toolTipLeavesTheKeyboardAlone()
    {
        QLineEdit edit;
        edit.setWindowTitle("Typing here");
        edit.show();
        edit.activateWindow();
        QVERIFY(QTest::qWaitForWindowActive(&edit));
        QTRY_COMPARE(activeWindow(m_c), xcb_window_t(edit.winId()));

        Ostrevalder *bar = makeBar(1);
        QVERIFY(QTest::qWaitForWindowExposed(bar));
        const QRect row = bar->view()->rowRect(0).translated(bar->view()->mapToGlobal(QPoint(0, 0)));
        bar->toolTipHandler()->onRowHovered(0, row, row.center());
        bar->toolTipHandler()->showNow();
        ToolTip *tip = bar->toolTipHandler()->toolTip();
        QVERIFY(tip);
        QVERIFY(QTest::qWaitForWindowExposed(tip));
        const QList<quint32> type = windowProperty(m_c, xcb_window_t(tip->winId()), "_NET_WM_WINDOW_TYPE");
        QVERIFY(type.contains(atom(m_c, "_NET_WM_WINDOW_TYPE_TOOLTIP")));
        // Keystrokes still reach the window the user types into.
        QVERIFY(xdotool({"type", "--delay", "20", "abc"}));
        QTRY_COMPARE(edit.text(), QString("abc"));
        QCOMPARE(activeWindow(m_c), xcb_window_t(edit.winId()));
        QVERIFY(tip->isVisible());
        TestHelpers::saveShot(tip, "bar-tooltip-x11");
    }

    void lineMovesAfterTheMenuClosesAway()
    {
        Ostrevalder *bar = makeBar(1);
        QVERIFY(QTest::qWaitForWindowExposed(bar));
        QVERIFY(bar->view()->needsScrolling());
        const QPoint onBar = bar->mapToGlobal(bar->rect().center());
        QVERIFY(xdotool({"mousemove", QString::number(onBar.x()), QString::number(onBar.y())}));
        QTRY_VERIFY(!bar->view()->isScrolling());
        QVERIFY(xdotool({"click", "3"}));
        QMenu *menu = nullptr;
        QTRY_VERIFY((menu = qobject_cast<QMenu *>(QApplication::activePopupWidget())));
        QVERIFY(QTest::qWaitForWindowExposed(menu));
        // Onto the menu's first entry, well away from the bar, then close the menu there.
        const QPoint onMenu = menu->mapToGlobal(menu->actionGeometry(menu->actions().first()).center());
        QVERIFY(!bar->frameGeometry().contains(onMenu));
        QVERIFY(xdotool({"mousemove", QString::number(onMenu.x()), QString::number(onMenu.y())}));
        QVERIFY(xdotool({"key", "Escape"}));
        QTRY_VERIFY(!QApplication::activePopupWidget());
        const qreal before = bar->view()->offset();
        QTRY_VERIFY(bar->view()->offset() != before);
    }

    // The strip gets its text far ahead; frames still show what a paint would, but for blends rounded apart.
    void stripShowsWhatAPaintShows_data()
    {
        QTest::addColumn<int>("speed");
        QTest::newRow("slow") << 1;
        QTest::newRow("fast") << 3;
    }

    void stripShowsWhatAPaintShows()
    {
        QFETCH(int, speed);
        m_env->properties->setValue("movingLineSpeed", speed);
        Ostrevalder *bar = makeBar(1);
        QVERIFY(QTest::qWaitForWindowExposed(bar));
        // Stopped as under the mouse: the frames below are the case's own.
        QEnterEvent enter(QPointF(1, 1), QPointF(1, 1), QPointF(1, 1));
        QCoreApplication::sendEvent(bar->view(), &enter);
        for (int frame = 0; frame < 2 * MovingView::s_stripAhead / speed + 7; ++frame)
            bar->view()->step();
        QVERIFY(bar->view()->shownByServer());
        const QRect area = bar->view()->textArea();
        const QImage painted = bar->grab(QRect(bar->view()->mapTo(bar, area.topLeft()), area.size())).toImage();
        QVERIFY(changedPixels(onScreen(m_c, bar->view()).copy(area), painted) < area.width() / 10);
    }

    void fixedWindowOffersNoMaximise()
    {
        AboutDialog about;
        about.show();
        QVERIFY(QTest::qWaitForWindowExposed(&about));
        const xcb_window_t window = xcb_window_t(about.winId());
        // The window manager says what it allows once it manages the window.
        QTRY_VERIFY(windowProperty(m_c, window, "_NET_WM_ALLOWED_ACTIONS").contains(atom(m_c, "_NET_WM_ACTION_CLOSE")));
        const QList<quint32> allowed = windowProperty(m_c, window, "_NET_WM_ALLOWED_ACTIONS");
        QVERIFY(!allowed.contains(atom(m_c, "_NET_WM_ACTION_MAXIMIZE_HORZ")));
        QVERIFY(!allowed.contains(atom(m_c, "_NET_WM_ACTION_MAXIMIZE_VERT")));
    }

    // Daily chosen with the mouse in an editor shown over a form again and again: no jump of the list or the editor.
    void recurrenceEditorGrowsInPlace()
    {
        QDialog form;
        form.show();
        std::unique_ptr<OccurrenceEditor> kept;
        const auto place = [this](QWidget *w) { return serverGeometry(m_c, xcb_window_t(w->winId())); };
        const auto click = [](auto p) {
            return xdotool(QString("mousemove %1 %2 click 1").arg(p.x()).arg(p.y()).split(' '));
        };
        for (int round = 0; round < 12; ++round, kept->reject()) {
            // Shown again, and new as each form makes its own.
            if (round % 2 == 0)
                kept = std::make_unique<OccurrenceEditor>(Occurrence(QDate(2027, 3, 15), IOccurrence::Once), &form);
            OccurrenceEditor &editor = *kept;
            editor.setOccurrence(Occurrence(QDate(2027, 3, 15), IOccurrence::Once));
            editor.show();
            QTRY_COMPARE(activeWindow(m_c), xcb_window_t(editor.winId()));
            const QRect before = place(&editor),
                        field = editor.findChild<QWidget *>("repeatComboBox")->geometry().translated(before.topLeft());
            QWidget *list = nullptr;
            QVERIFY(click(field.center()));
            QTRY_VERIFY((list = QApplication::activePopupWidget()) && place(list).intersects(field));
            QVERIFY(click(place(list).topLeft() + QPoint(place(list).width() / 2, place(list).height() * 3 / 10)));
            QTRY_VERIFY(place(&editor).size() == editor.size() && editor.height() > before.height());
            QCOMPARE(place(&editor).topLeft(), before.topLeft());
        }
    }

    void gadgetControlsShowOnTheFirstHover()
    {
        m_env.reset();
        GadgetTestEnv env(TestSeams::RealDesktop);
        GadgetThemeManager themes;
        themes.loadTheme(QStringLiteral("darkblue.theme"));
        themes.loadTheme(QStringLiteral("greengrass.theme"));
        QVERIFY(xdotool({"mousemove", "1200", "700"}));
        ToDoGadget gadget("{0a0b0c0d-0000-4000-8000-000000000002}", &themes, nullptr);
        gadget.setThemeUid(QStringLiteral("green"));
        gadget.addToDo(QStringLiteral("Water the plants"));
        gadget.move(200, 150);
        gadget.show();
        QVERIFY(QTest::qWaitForWindowExposed(&gadget));
        auto *close = gadget.findChild<QToolButton *>(QStringLiteral("closeButton"));
        auto *entry = gadget.findChild<QWidget *>(QStringLiteral("editContainerWidget"));
        QVERIFY(close && entry);
        QTRY_VERIFY(gadget.isMouseOut());
        QTest::qWait(Gadget::s_fadeMs);
        const QImage closeAway = onScreen(m_c, close);
        const QImage entryAway = onScreen(m_c, entry);
        const QPoint centre = serverGeometry(m_c, xcb_window_t(gadget.winId())).center();
        QVERIFY(xdotool({"mousemove", QString::number(centre.x()), QString::number(centre.y())}));
        QTRY_VERIFY_WITH_TIMEOUT(!gadget.isMouseOut(), 15000);
        // The close button and the entry line are drawn over what was plain background.
        QTRY_VERIFY(changedPixels(onScreen(m_c, close), closeAway) > close->width() * close->height() / 10);
        QTRY_VERIFY(changedPixels(onScreen(m_c, entry), entryAway) > entry->width() * entry->height() / 20);
        if (!qEnvironmentVariableIsEmpty("QR_SHOTS_DIR"))
            onScreen(m_c, &gadget).save(QDir(qEnvironmentVariable("QR_SHOTS_DIR")).filePath("gadget-hovered-x11.png"));
    }

    void newGadgetIsNotHiddenByAWindow_data()
    {
        QTest::addColumn<QRect>("window");
        QTest::addColumn<bool>("above");
        QTest::newRow("room beside the window") << QRect(0, 0, 1000, 760) << false;
        QTest::newRow("no room left") << QRect(0, 0, 1280, 800) << true;
    }

    void newGadgetIsNotHiddenByAWindow()
    {
        QFETCH(QRect, window);
        QFETCH(bool, above);
        m_env.reset();
        GadgetTestEnv env(TestSeams::RealDesktop);
        GadgetThemeManager themes;
        themes.loadTheme(QStringLiteral("darkblue.theme"));
        QWidget editor;
        editor.setWindowTitle("Events editor");
        editor.setGeometry(window);
        editor.show();
        QVERIFY(QTest::qWaitForWindowExposed(&editor));
        QTRY_VERIFY(serverGeometry(m_c, xcb_window_t(editor.winId())).intersects(QRect(100, 100, 10, 10)));
        // Asked for where the editor lies, as the tray's menu would.
        ToDoGadget gadget("{0a0b0c0d-0000-4000-8000-000000000003}", &themes, nullptr);
        gadget.move(200, 150);
        gadget.requestFreePlace();
        gadget.show();
        QVERIFY(QTest::qWaitForWindowExposed(&gadget));
        QTRY_COMPARE(gadget.isShownAbove(), above);
        // What the user sees at the middle of the gadget, where the server has it, is the gadget.
        const auto id = [&gadget] { return xcb_window_t(gadget.winId()); };
        if (above)
            QTRY_VERIFY(windowProperty(m_c, id(), "_NET_WM_STATE").contains(atom(m_c, "_NET_WM_STATE_ABOVE")));
        QTRY_VERIFY_WITH_TIMEOUT(
            IWindowProbe::platformProbe()->isWindowAt(gadget.windowHandle(), serverGeometry(m_c, id()).center()),
            15000);
        if (!above)
            QVERIFY(!serverGeometry(m_c, id()).intersects(serverGeometry(m_c, xcb_window_t(editor.winId()))));
    }
};

QTEST_MAIN(TestDesktopBar)
#include "tst_desktopbar.moc"
