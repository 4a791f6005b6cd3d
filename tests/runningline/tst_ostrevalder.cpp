#include "core/accelerators.h"
#include "core/colorcontrast.h"
#include "core/lastversioninfo.h"
#include "core/log.h"
#include "core/undoobject.h"
#include "events/system/openurlevent.h"
#include "events/system/updateevent.h"
#include "runninglinetestenv.h"
#include "runningline/movinglinefilter.h"
#include "runningline/movingview.h"
#include "runningline/ostrevalder.h"
#include "testhelpers.h"
#include "testseams.h"
#include "widgets/disappearer.h"

#include <QUndoStack>
#include <QMenu>
#include <QScreen>
#include <QSignalSpy>
#include <QToolButton>
#include <QtTest>

namespace {

// Counts the fade's steps as they begin.
class TickCounter : public QObject
{
public:
    bool eventFilter(QObject *, QEvent *event) override
    {
        if (event->type() == QEvent::Timer)
            ++ticks;
        return false;
    }
    int ticks = 0;
};

QStringList menuTexts(QMenu *menu)
{
    QStringList texts;
    for (QAction *action : menu->actions())
        texts << (action->isSeparator() ? QString("-") : action->text());
    return texts;
}

} // namespace

class TestOstrevalder : public QObject
{
    Q_OBJECT

private:
    std::unique_ptr<RunningLineTestEnv> m_env;
    std::unique_ptr<UndoObject> m_undo;
    std::unique_ptr<TestSeams> m_seams;

    void registerAll()
    {
        Ostrevalder::registerPanelProperties();
        Ostrevalder::registerTextProperties();
        Ostrevalder::registerMovingProperties();
    }

    // A dozen events of every kind, long and non-ASCII texts among them, and a server message.
    void addSampleEvents()
    {
        m_env->add(0, "Dentist", Period(QDate(2026, 3, 10), QTime(14, 30)));
        m_env->add(1, "Zoë Müller-Lüdenscheidt", Period(QDate(1988, 3, 12)), IOccurrence::Yearly);
        m_env->add(3, "Международный женский день (перенесённый выходной)", Period(QDate(2026, 3, 11)));
        m_env->add(4, "Submit the quarterly report before the board meeting on Friday", Period(QDate(2026, 3, 9)));
        m_env->add(2, "Ana & João", Period(QDate(2001, 3, 17)), IOccurrence::Yearly);
        m_env->add(0, "会議: 東京オフィスと打ち合わせ", Period(QDate(2026, 3, 13), QTime(9, 0)));
        m_env->add(3, "St. Patrick's Day", Period(QDate(2026, 3, 17)));
        m_env->add(0, "Yoga", Period(QDate(2026, 3, 10), QTime(18, 0)), IOccurrence::Weekly);
        m_env->add(4, "Renew passport", Period(QDate(2026, 3, 20)));
        m_env->add(0, "Flight to Reykjavík (Keflavík), gate closes 40 minutes before",
                   Period(QDate(2026, 3, 21), QTime(6, 10)));
        m_env->add(1, "Grandpa Øyvind", Period(QDate(1940, 3, 24)), IOccurrence::Yearly);
        m_env->add(3, "Far away holiday", Period(QDate(2026, 8, 1)));
    }

    void saveShot(QWidget *widget, const QString &name)
    {
        const QString dir = qEnvironmentVariable("QR_SHOTS_DIR");
        if (dir.isEmpty())
            return;
        QDir().mkpath(dir);
        QVERIFY(widget->grab().save(QDir(dir).filePath(name)));
    }

private slots:
    void initTestCase()
    {
        TestHelpers::isolateEnvironment();
        QCoreApplication::setApplicationName("Quillane Reminder");
        QCoreApplication::setApplicationVersion("3.3.0");
    }

    void init()
    {
        m_seams = std::make_unique<TestSeams>();
        m_env = std::make_unique<RunningLineTestEnv>();
        m_undo = std::make_unique<UndoObject>();
        m_env->app.m_undoObject = m_undo.get();
    }

    void cleanup()
    {
        UndoObject::undoStack()->clear();
        m_undo.reset();
        m_env.reset();
        m_seams.reset();
    }

    void registersEveryDefault_data()
    {
        QTest::addColumn<QByteArray>("id");
        QTest::addColumn<QVariant>("value");
        QTest::newRow("panelPosition") << QByteArray("panelPosition") << QVariant(1);
        QTest::newRow("panelOnTop") << QByteArray("panelOnTop") << QVariant(false);
        QTest::newRow("monitorNumber") << QByteArray("monitorNumber") << QVariant(-1);
        QTest::newRow("transparentForMouseEvents") << QByteArray("transparentForMouseEvents") << QVariant(false);
        QTest::newRow("adjustBackgroundToWallpaper") << QByteArray("adjustBackgroundToWallpaper") << QVariant(true);
        QTest::newRow("s_panelBackgroundColor1") << QByteArray("s_panelBackgroundColor1") << QVariant(QColor());
        QTest::newRow("s_panelBackgroundColor2") << QByteArray("s_panelBackgroundColor2") << QVariant(QColor());
        QTest::newRow("panelBackgroundGradient") << QByteArray("panelBackgroundGradient") << QVariant(QByteArray());
        QTest::newRow("appAutorun") << QByteArray("appAutorun") << QVariant(true);
        QTest::newRow("movingTextColor") << QByteArray("movingTextColor") << QVariant(QColor(0, 0, 0));
        QTest::newRow("removeTextDayXfromY") << QByteArray("removeTextDayXfromY") << QVariant(false);
        QTest::newRow("removeTextToday") << QByteArray("removeTextToday") << QVariant(false);
        QTest::newRow("removeDuplicatingWhen") << QByteArray("removeDuplicatingWhen") << QVariant(false);
        QTest::newRow("movingLineSpeed") << QByteArray("movingLineSpeed") << QVariant(1);
        QTest::newRow("hotExitArea") << QByteArray("hotExitArea") << QVariant(false);
        QTest::newRow("exitOnLeftButtonClick") << QByteArray("exitOnLeftButtonClick") << QVariant(false);
        QTest::newRow("movingTextDirection") << QByteArray("movingTextDirection") << QVariant(0);
        QTest::newRow("verticalPause") << QByteArray("verticalPause") << QVariant(1000);
        QTest::newRow("permanentScroll") << QByteArray("permanentScroll") << QVariant(false);
    }

    void registersEveryDefault()
    {
        QFETCH(QByteArray, id);
        QFETCH(QVariant, value);
        QSignalSpy changes(m_env->properties.get(), &Properties::propertyChanged);
        registerAll();
        QCOMPARE(changes.size(), 21);
        QCOMPARE(m_env->properties->value(id), value);
    }

    void registersFontAndFirstDay()
    {
        registerAll();
        QCOMPARE(m_env->properties->value("movingTextFont").value<QFont>().pointSize(), 14);
        const int day = m_env->properties->value("firstDayOfWeek").toInt();
        QVERIFY(day >= 1 && day <= 7);
    }

    void storedTaskbarPositionFallsBack_data()
    {
        QTest::addColumn<int>("stored");
        QTest::addColumn<int>("expected");
        QTest::newRow("over the taskbar") << 2 << 1;
        QTest::newRow("top stays") << 0 << 0;
        QTest::newRow("bottom stays") << 1 << 1;
    }

    void storedTaskbarPositionFallsBack()
    {
        QFETCH(int, stored);
        QFETCH(int, expected);
        m_env->properties->addProperty("panelPosition", 1);
        m_env->properties->setValue("panelPosition", stored);
        // Registration finds the stored value; no taskbar band exists, so 2 cannot stay.
        Ostrevalder::registerPanelProperties();
        QCOMPARE(m_env->properties->value("panelPosition").toInt(), expected);
    }

    void gradientRoundTrip_data()
    {
        QTest::addColumn<QGradientStops>("stops");
        QTest::newRow("one") << QGradientStops{{0.5, QColor(10, 20, 30)}};
        QTest::newRow("two") << QGradientStops{{0.0, Qt::red}, {1.0, Qt::blue}};
        QTest::newRow("three, translucent")
            << QGradientStops{{0.0, QColor(1, 2, 3, 4)}, {0.25, QColor(200, 100, 50)}, {1.0, Qt::white}};
        QTest::newRow("four") << QGradientStops{
            {0.0, Qt::black}, {0.1, Qt::green}, {0.9, QColor::fromHsv(300, 200, 100)}, {1.0, Qt::yellow}};
    }

    void gradientRoundTrip()
    {
        QFETCH(QGradientStops, stops);
        const QByteArray data = Ostrevalder::gradientToByteArray(stops);
        QCOMPARE(Ostrevalder::gradientFromByteArray(data), stops);
        // The layout others read: a big-endian count first.
        QCOMPARE(quint8(data.at(3)), quint8(stops.size()));
    }

    void undecodableGradientGivesTheDefault_data()
    {
        QTest::addColumn<QByteArray>("data");
        const QByteArray good = Ostrevalder::gradientToByteArray({{0.0, Qt::red}, {1.0, Qt::blue}});
        QTest::newRow("empty") << QByteArray();
        QTest::newRow("count zero") << QByteArray(4, '\0');
        QTest::newRow("short") << good.left(good.size() - 3);
        QTest::newRow("huge count") << QByteArray("\xff\xff\xff\xff", 4) + good.mid(4);
        QTest::newRow("text") << QByteArray("red to blue");
        QByteArray badPosition = Ostrevalder::gradientToByteArray({{2.5, Qt::red}});
        QTest::newRow("position out of range") << badPosition;
    }

    void undecodableGradientGivesTheDefault()
    {
        QFETCH(QByteArray, data);
        const QGradientStops stops = Ostrevalder::gradientFromByteArray(data);
        QCOMPARE(stops, Ostrevalder::defaultGradient());
        QCOMPARE(stops.size(), 2);
        QCOMPARE(stops.first().first, 0.0);
        QCOMPARE(stops.last().first, 1.0);
    }

    void averagesTheDesktopHalves()
    {
        QImage image(40, 6, QImage::Format_RGB32);
        image.fill(QColor(200, 10, 10));
        for (int y = 0; y < 6; ++y)
            for (int x = 20; x < 40; ++x)
                image.setPixelColor(x, y, QColor(10, 10, 200));
        const auto colours = Ostrevalder::averageColours(image);
        QCOMPARE(colours.first, QColor(200, 10, 10));
        QCOMPARE(colours.second, QColor(10, 10, 200));
        QVERIFY(!Ostrevalder::averageColours(QImage()).first.isValid());
    }

    void countsOnlyComingUserEvents()
    {
        registerAll();
        QVERIFY(!Ostrevalder::hasEventsToShow());
        Ostrevalder bar;
        QCOMPARE(bar.eventsToShowCount(), 0);
        // The bar says there is nothing, in a line of its own that is not counted.
        QCOMPARE(bar.filter()->rowCount(), 1);
        QVERIFY(bar.filter()->index(0, 0).data().toString().contains("15 day"));

        m_env->add(3, "Coming", Period(QDate(2026, 3, 12)));
        m_env->add(3, "Too far", Period(QDate(2026, 6, 12)));
        QCOMPARE(bar.eventsToShowCount(), 1);
        QCOMPARE(Ostrevalder::hasEventsToShow(), true);
        QTRY_COMPARE(bar.filter()->rowCount(), 1); // the line has gone

        m_env->properties->setValue("daysToWatch", 100);
        QCOMPARE(bar.eventsToShowCount(), 2);
        QCOMPARE(Ostrevalder::hasEventsToShow(), true);
        m_env->properties->setValue("daysToWatch", 0);
        QCOMPARE(bar.eventsToShowCount(), 0);
        QCOMPARE(Ostrevalder::hasEventsToShow(), false);
    }

    void reevaluatesOnTheTimeUpdate()
    {
        registerAll();
        m_env->add(3, "Sixteen days ahead", Period(QDate(2026, 3, 26)));
        Ostrevalder bar;
        QCOMPARE(bar.eventsToShowCount(), 0);
        Common::Clock::advance(24 * 3600 * 1000);
        bar.invalidateTimeFilters();
        QCOMPARE(bar.eventsToShowCount(), 1);
    }

    void leftClickOpensOnlyWebAddresses_data()
    {
        QTest::addColumn<QString>("url");
        QTest::addColumn<bool>("opened");
        QTest::newRow("https") << "https://example.org/news?id=7" << true;
        QTest::newRow("http") << "http://example.org/" << true;
        QTest::newRow("file") << "file:///etc/passwd" << false;
        QTest::newRow("script") << "javascript:alert(1)" << false;
        QTest::newRow("program") << "/usr/bin/xterm" << false;
    }

    void leftClickOpensOnlyWebAddresses()
    {
        QFETCH(QString, url);
        QFETCH(bool, opened);
        registerAll();
        const QList<QUrl> &openedUrls = m_seams->openedUrls;
        SystemEvents appLines;
        m_env->app.m_systemEvents = &appLines;
        auto message = std::make_shared<OpenUrlEvent>(nullptr, "Server news: version 2 is out", url, 2);
        appLines.addEvent(message);
        Ostrevalder bar;
        bar.onEventLeftClick(message->id());
        QCOMPARE(openedUrls.size(), opened ? 1 : 0);
        // A click on a user row or on nothing opens nothing.
        bar.onEventLeftClick(QByteArray());
        QCOMPARE(openedUrls.size(), opened ? 1 : 0);
    }

    void doubleClickOpensTheEditorOnTheEvent()
    {
        registerAll();
        m_env->add(3, "First", Period(QDate(2026, 3, 20)));
        AbstractCommonEventPtr second = m_env->add(3, "Second", Period(QDate(2026, 3, 11)));
        Ostrevalder bar;
        bar.show();
        bar.view()->rebuild();
        // The second event comes first on the line; a real double click on it.
        const QRect rect = bar.view()->rowRect(0);
        QVERIFY(!rect.isEmpty());
        QTest::mouseDClick(bar.view(), Qt::LeftButton, Qt::NoModifier, rect.center());
        QCOMPARE(m_env->app.m_shownEditorEvents, QList<int>{1});
        // A system row asks for no editor.
        bar.onEventDoubleClick(bar.systemEvents()->count() ? bar.systemEvents()->eventByIndex(0)->id() : "x");
        bar.onEventDoubleClick("no such id");
        QCOMPARE(m_env->app.m_shownEditorEvents, QList<int>{1});
        Q_UNUSED(second)
    }

    void myCloseFadesThenCloses()
    {
        registerAll();
        auto *bar = new Ostrevalder;
        bar->show();
        QSignalSpy destroyed(bar, &QObject::destroyed);
        bar->myClose();
        bar->myClose(); // a second request starts no second fade
        const QList<Disappearer *> fades = bar->findChildren<Disappearer *>();
        QCOMPARE(fades.size(), 1);
        TickCounter ticks;
        fades.first()->installEventFilter(&ticks);
        QVERIFY(destroyed.wait(5000));
        QCOMPARE(ticks.ticks, 7);
    }

    void exitOnLeftClickClosesTheBar()
    {
        registerAll();
        m_env->properties->setValue("exitOnLeftButtonClick", true);
        auto *bar = new Ostrevalder;
        bar->show();
        QSignalSpy destroyed(bar, &QObject::destroyed);
        QTest::mouseClick(bar->view(), Qt::LeftButton, Qt::NoModifier, QPoint(bar->view()->width() - 10, 5));
        QVERIFY(destroyed.wait(5000));
    }

    void updateButtonForANewerVersion_data()
    {
        QTest::addColumn<QString>("offered");
        QTest::addColumn<QString>("declined");
        QTest::addColumn<bool>("shown");
        QTest::newRow("none") << ""
                              << "" << false;
        QTest::newRow("newer") << "3.4.0"
                               << "" << true;
        QTest::newRow("newer but declined") << "3.4.0"
                                            << "3.4.0" << false;
        QTest::newRow("newer than declined") << "3.5"
                                             << "3.4.0" << true;
        QTest::newRow("same") << "3.3.0"
                              << "" << false;
        QTest::newRow("older") << "2.9"
                               << "" << false;
    }

    void updateButtonForANewerVersion()
    {
        QFETCH(QString, offered);
        QFETCH(QString, declined);
        QFETCH(bool, shown);
        registerAll();
        LastVersionInfo info;
        info.version = offered;
        m_env->app.setLastVersionInfo(info);
        UpdateEvent::setDontRemindVersion(declined);
        Ostrevalder bar;
        QCOMPARE(bar.updateButton()->isVisibleTo(&bar), shown);
        m_env->app.offerNewVersion();
        QVERIFY(bar.updateButton()->isVisibleTo(&bar));
        UpdateEvent::setDontRemindVersion(QString());
    }

    void docksAtTheChosenEdge()
    {
        registerAll();
        Ostrevalder bar;
        QVERIFY(bar.isDocked());
        bar.show();
        const QRect screen = QGuiApplication::primaryScreen()->geometry();
        QCOMPARE(bar.geometry().bottom(), screen.bottom());
        QCOMPARE(bar.width(), screen.width());
        QVERIFY(m_seams->windowLog.contains("dock"));
        QVERIFY(m_seams->windowLog.contains("below"));
        QCOMPARE(m_seams->windowLog.filter("strut").last(),
                 QString("strut bottom 0,%1 %2x%3").arg(bar.y()).arg(bar.width()).arg(bar.height()));

        m_seams->windowLog.clear();
        m_env->properties->setValue("panelPosition", 0);
        QCOMPARE(bar.y(), screen.top());
        QCOMPARE(m_seams->windowLog.filter("strut").last(),
                 QString("strut top 0,0 %1x%2").arg(bar.width()).arg(bar.height()));
        m_env->properties->setValue("panelOnTop", true);
        QCOMPARE(m_seams->windowLog.last(), QString("above"));

        // A bigger font makes a taller bar at once.
        const int height = bar.height();
        QFont font = m_env->properties->value("movingTextFont").value<QFont>();
        font.setPointSize(28);
        m_env->properties->setValue("movingTextFont", font);
        QVERIFY(bar.height() > height);
    }

    void placesAgainWhenDocksChange()
    {
        registerAll();
        m_env->properties->setValue("panelPosition", 0);
        Ostrevalder bar;
        bar.show();
        QCOMPARE(m_seams->windowLog.count("docks asked"), 1);
        // A late panel is given time to move on by itself; one that stays gets room.
        m_seams->windowSystem->docks = {DockWindow{7, QRect(0, 0, bar.width(), 28), {}, false}};
        m_seams->windowSystem->docksChanged();
        QCOMPARE(m_seams->windowLog.count("docks asked"), 2);
        QCOMPARE(bar.y(), 0);
        QTRY_COMPARE(bar.y(), 28);
        QVERIFY(m_seams->windowLog.filter("strut").last().startsWith("strut top 0,28 "));
        m_seams->windowSystem->docks.clear();
        m_seams->windowSystem->docksChanged();
        QCOMPARE(bar.y(), 0);
    }

    void plainWindowWithoutDocks()
    {
        registerAll();
        m_seams->docks = false;
        Ostrevalder bar;
        QVERIFY(!bar.isDocked());
        QVERIFY(bar.windowFlags() & Qt::WindowStaysOnTopHint);
        bar.show();
        QVERIFY(m_seams->windowLog.isEmpty());
        QVERIFY(logBuffer().contains("offers no docks"));
    }

    void coloursFromTheDesktopOnlyWhenActive_data()
    {
        QTest::addColumn<bool>("adjust");
        QTest::addColumn<bool>("active");
        QTest::addColumn<bool>("sampled");
        QTest::newRow("sampled") << true << true << true;
        QTest::newRow("session not active") << true << false << false;
        QTest::newRow("gradient chosen") << false << true << false;
    }

    void coloursFromTheDesktopOnlyWhenActive()
    {
        QFETCH(bool, adjust);
        QFETCH(bool, active);
        QFETCH(bool, sampled);
        registerAll();
        m_env->properties->setValue("adjustBackgroundToWallpaper", adjust);
        const QGradientStops chosen{{0.0, Qt::darkGreen}, {1.0, Qt::darkCyan}};
        m_env->properties->setValue("panelBackgroundGradient", Ostrevalder::gradientToByteArray(chosen));
        m_seams->sessionActive = active;
        m_seams->desktop = QImage(100, 10, QImage::Format_RGB32);
        m_seams->desktop.fill(QColor(50, 60, 70));
        Ostrevalder bar;
        const QGradientStops stops = bar.backgroundStops();
        if (sampled) {
            QCOMPARE(stops.first().second, QColor(50, 60, 70));
            QCOMPARE(m_env->properties->value("s_panelBackgroundColor1").value<QColor>(), QColor(50, 60, 70));
        } else {
            QCOMPARE(stops, chosen);
        }
    }

    void textReadsOnTheDesktop_data()
    {
        QTest::addColumn<QColor>("desktop");
        QTest::addColumn<QColor>("chosen");
        QTest::addColumn<bool>("kept");
        QTest::newRow("black desktop, default text") << QColor(Qt::black) << QColor(Qt::black) << false;
        QTest::newRow("white desktop, default text") << QColor(Qt::white) << QColor(Qt::black) << true;
        QTest::newRow("white desktop, white text") << QColor(Qt::white) << QColor(Qt::white) << false;
        QTest::newRow("black desktop, yellow text") << QColor(Qt::black) << QColor(Qt::yellow) << true;
    }

    void textReadsOnTheDesktop()
    {
        QFETCH(QColor, desktop);
        QFETCH(QColor, chosen);
        QFETCH(bool, kept);
        registerAll();
        addSampleEvents();
        m_env->properties->setValue("movingTextColor", chosen);
        m_seams->sessionActive = true;
        m_seams->desktop = QImage(200, 20, QImage::Format_RGB32);
        m_seams->desktop.fill(desktop);
        Ostrevalder bar;
        bar.show();
        QVERIFY(QTest::qWaitForWindowExposed(&bar));
        QCOMPARE(bar.textColour() == chosen, kept);
        QVERIFY(ColorContrast::contrastRatio(bar.textColour(), desktop) >= ColorContrast::s_textRatio);
        // The text itself shows: many pixels of the text area stand out from the background.
        const QImage shot = bar.view()->grab(bar.view()->textArea()).toImage().convertToFormat(QImage::Format_RGB32);
        int standing = 0;
        for (int y = 0; y < shot.height(); ++y)
            for (int x = 0; x < shot.width(); ++x)
                standing += ColorContrast::contrastRatio(QColor(shot.pixel(x, y)), desktop) >= 3.0;
        QVERIFY2(standing > shot.width() * shot.height() / 50, qPrintable(QString::number(standing)));
        // The user's own choice stays stored; only what is drawn changes.
        QCOMPARE(m_env->properties->value("movingTextColor").value<QColor>(), chosen);
        if (chosen == QColor(Qt::black))
            saveShot(&bar, desktop == QColor(Qt::black) ? "bar-black-desktop.png" : "bar-white-desktop.png");
    }

    void appliesSettingsLive()
    {
        registerAll();
        Ostrevalder bar;
        bar.show();
        m_env->properties->setValue("movingTextDirection", 2);
        QCOMPARE(bar.view()->direction(), int(MovingView::Upward));
        m_env->properties->setValue("movingLineSpeed", 3);
        QCOMPARE(bar.view()->speed(), 3);
        m_env->properties->setValue("movingTextColor", QColor(Qt::red));
        m_env->properties->setValue("appAutorun", false);
        QCOMPARE(m_env->app.m_autorun, false);
        m_env->properties->setValue("appAutorun", true);
        QCOMPARE(m_env->app.m_autorun, true);
        const QGradientStops chosen{{0.0, Qt::yellow}, {1.0, Qt::magenta}};
        m_env->properties->setValue("adjustBackgroundToWallpaper", false);
        m_env->properties->setValue("panelBackgroundGradient", Ostrevalder::gradientToByteArray(chosen));
        QCOMPARE(bar.backgroundStops(), chosen);
    }

    void clickThroughWhileHovered()
    {
        registerAll();
        m_env->properties->setValue("transparentForMouseEvents", true);
        Ostrevalder bar;
        bar.show();
        QVERIFY(QTest::qWaitForWindowExposed(&bar));
        QEnterEvent enter(QPointF(5, 5), QPointF(5, 5), bar.mapToGlobal(QPointF(5, 5)));
        QCoreApplication::sendEvent(&bar, &enter);
        QVERIFY(bar.isClickThrough());
        QVERIFY(bar.windowHandle()->flags() & Qt::WindowTransparentForInput);
        m_env->properties->setValue("transparentForMouseEvents", false);
        QVERIFY(!bar.isClickThrough());
        QVERIFY(!(bar.windowHandle()->flags() & Qt::WindowTransparentForInput));
    }

    void contextMenuForEachKindOfRow()
    {
        registerAll();
        AbstractCommonEventPtr task = m_env->add(4, "Pay the rent", Period(QDate(2026, 3, 9)));
        SystemEvents appLines;
        m_env->app.m_systemEvents = &appLines;
        auto message = std::make_shared<OpenUrlEvent>(nullptr, "News", "https://example.org", 2);
        appLines.addEvent(message);
        Ostrevalder bar;
        QAction editor("&Events editor"), gadget("&New To-Do Gadget"), settings("&Settings");
        bar.setSharedActions({&gadget, &editor, &settings});

        std::unique_ptr<QMenu> userMenu(bar.createContextMenu(task->id()));
        QStringList texts = menuTexts(userMenu.get());
        QVERIFY(texts.first().startsWith("Mark as Completed"));
        QVERIFY(texts.contains("&Delete"));
        QVERIFY(texts.contains("E&xit"));
        // No two entries on one Alt key.
        const QStringList twice = Accelerators::problems(texts).filter("twice");
        QVERIFY2(twice.isEmpty(), qPrintable(twice.join("; ")));

        std::unique_ptr<QMenu> systemMenu(bar.createContextMenu(message->id()));
        texts = menuTexts(systemMenu.get());
        QVERIFY(!texts.contains("&Delete"));
        QVERIFY(texts.contains("&Hide"));

        std::unique_ptr<QMenu> plainMenu(bar.createContextMenu(QByteArray()));
        texts = menuTexts(plainMenu.get());
        QCOMPARE(texts.first(), QString("&Events editor"));

        // Delete goes through the shared undo stack, so the editor's undo brings the event back.
        for (QAction *action : userMenu->actions())
            if (action->text() == "&Delete")
                action->trigger();
        QCOMPARE(m_env->manager->count(), 0);
        task.reset();
        QCoreApplication::sendPostedEvents(); // as between two key presses: the list lets go of the event
        UndoObject::undoStack()->undo();
        QCOMPARE(m_env->manager->count(), 1);

        for (QAction *action : plainMenu->actions())
            if (action->text() == "E&xit")
                action->trigger();
        QTRY_COMPARE(m_env->app.m_exits, 1);
    }

    void shots_data()
    {
        QTest::addColumn<int>("direction");
        QTest::newRow("horizontal") << 0;
        QTest::newRow("vertical") << 1;
    }

    void shots()
    {
        QFETCH(int, direction);
        registerAll();
        addSampleEvents();
        SystemEvents appLines;
        m_env->app.m_systemEvents = &appLines;
        appLines.addEvent(std::make_shared<OpenUrlEvent>(
            nullptr, "Server message: the spring update brings calendar sharing", "https://example.org/news", 2));
        m_env->properties->setValue("adjustBackgroundToWallpaper", false);
        m_env->properties->setValue("movingTextDirection", direction);
        m_env->properties->setValue("removeDuplicatingWhen", true);
        Ostrevalder bar;
        bar.onNewVersionAvailable();
        bar.show();
        bar.view()->rebuild();
        QVERIFY(bar.eventsToShowCount() >= 10);
        QVERIFY(bar.view()->needsScrolling());
        saveShot(&bar, direction == 0 ? "bar-horizontal.png" : "bar-vertical.png");
    }
};

QTEST_MAIN(TestOstrevalder)
#include "tst_ostrevalder.moc"
