#include "eventtestenv.h"
#include "app/remindercontroller.h"
#include "platform/iwallclocktimer.h"
#include "app/reminderplacement.h"
#include "app/reminderwidget.h"
#include "core/log.h"
#include "events/notspecifiedevent.h"
#include "platform/freememory.h"
#include "store/editorcommands.h"
#include "store/eventsmanager.h"
#include "widgets/setasdefaultwidget.h"
#include "shots.h"
#include "testhelpers.h"

#include <QDialogButtonBox>
#include <QLabel>
#include <QPainter>
#include <QPushButton>
#include <QSpinBox>
#include <QTemporaryDir>
#include <QUndoStack>
#include <QtTest>

#include <memory>

// Counts the look-ups of its id: a change must cost the open windows no search through the events.
struct CountedEvent : NotSpecifiedEvent
{
    static inline int s_idCalls = 0;
    QByteArray id() const override { return ++s_idCalls, NotSpecifiedEvent::id(); }
};

class TestReminderWidget : public QObject
{
    Q_OBJECT

private:
    std::unique_ptr<QTemporaryDir> m_dir;
    std::unique_ptr<EventTestEnv> m_env;
    std::unique_ptr<EventsManager> m_manager;
    std::unique_ptr<ReminderController> m_controller;

    std::shared_ptr<NotSpecifiedEvent> addAppointment(const QString &caption, const QString &sound = QString())
    {
        auto event = std::make_shared<NotSpecifiedEvent>();
        event->setCaption(caption);
        event->setPeriod(Period(QDateTime(QDate(2026, 3, 10), QTime(10, 0))));
        event->setNotifyMinutes(0);
        event->setSoundPath(sound);
        m_manager->addEvent(event);
        return event;
    }

    static int logCount(const QByteArray &line) { return int(logBuffer().count(line)); }

    static void closeAll()
    {
        for (ReminderWidget *widget : ReminderWidget::widgets())
            delete widget;
    }

private slots:
    void initTestCase() { TestHelpers::isolateEnvironment(); }

    void init()
    {
        m_dir = std::make_unique<QTemporaryDir>();
        m_env = std::make_unique<EventTestEnv>(QDateTime(QDate(2026, 3, 10), QTime(9, 30)));
        m_env->properties->addProperty("reminderWidgetDefaultMinutes", 15);
        m_manager = std::make_unique<EventsManager>(m_dir->filePath("events.dat"));
        m_env->app.m_eventsManager = m_manager.get();
        m_controller = std::make_unique<ReminderController>();
        m_env->app.m_reminderController = m_controller.get();
    }

    void cleanup()
    {
        closeAll();
        m_env->app.m_reminderController = nullptr;
        m_controller.reset();
        m_manager.reset();
        m_env.reset();
    }

    void placesWindows_data()
    {
        QTest::addColumn<QRect>("area");
        QTest::addColumn<QSize>("size");
        QTest::addColumn<QRect>("lastOpen"); // null: no other window
        QTest::addColumn<QPoint>("expected");
        const QRect screen(0, 0, 1280, 800);
        const QSize window(400, 200);
        QTest::newRow("first is centred") << screen << window << QRect() << QPoint(439, 299);
        QTest::newRow("cascade from the last") << screen << window << QRect(439, 299, 400, 200) << QPoint(459, 319);
        QTest::newRow("past the right edge") << screen << window << QRect(870, 100, 400, 200) << QPoint(1, 1);
        QTest::newRow("past the bottom edge") << screen << window << QRect(100, 590, 400, 200) << QPoint(1, 1);
        QTest::newRow("right at the edge fits") << screen << window << QRect(860, 580, 400, 200) << QPoint(880, 600);
        QTest::newRow("last one off the area") << screen << window << QRect(-500, 10, 400, 200) << QPoint(1, 1);
        QTest::newRow("second screen") << QRect(1280, 24, 1024, 744) << window << QRect()
                                       << QPoint(1280 + 311, 24 + 271);
        QTest::newRow("cascade on the second screen")
            << QRect(1280, 24, 1024, 744) << window << QRect(1890, 200, 400, 200) << QPoint(1281, 25);
        QTest::newRow("taller than the area") << QRect(0, 0, 800, 150) << window << QRect() << QPoint(199, 0);
        QTest::newRow("wider than the area")
            << QRect(0, 0, 300, 600) << window << QRect(10, 10, 400, 200) << QPoint(0, 1);
    }

    void placesWindows()
    {
        QFETCH(QRect, area);
        QFETCH(QSize, size);
        QFETCH(QRect, lastOpen);
        QFETCH(QPoint, expected);
        const std::optional<QRect> last = lastOpen.isNull() ? std::nullopt : std::optional<QRect>(lastOpen);
        const QPoint point = reminderWindowPosition(area, size, last);
        QCOMPARE(point, expected);
        if (size.width() <= area.width() && size.height() <= area.height())
            QVERIFY(area.contains(QRect(point, size)));
    }

    void opensOneWindowPerEventWithItsSound()
    {
        auto event = addAppointment("Dentist", "/usr/share/quillane/sounds/bell.wav");
        const int shownBefore = logCount("Show Reminder");
        ReminderWidget::showReminder(event);
        ReminderWidget::showReminder(event);
        QCOMPARE(ReminderWidget::widgets().count(), 1);
        QCOMPARE(ReminderWidget::widgets().first()->event(), AbstractCommonEventPtr(event));
        QVERIFY(ReminderWidget::widgets().first()->isVisible());
        QCOMPARE(m_env->app.m_playedSounds, QStringList{"/usr/share/quillane/sounds/bell.wav"});
        QCOMPARE(logCount("Show Reminder"), shownBefore + 2);

        // A silent event gets its own window and plays nothing.
        ReminderWidget::showReminder(addAppointment("Call"));
        QCOMPARE(ReminderWidget::widgets().count(), 2);
        QCOMPARE(m_env->app.m_playedSounds.count(), 1);
    }

    void cascadesFromTheLastOpenWindow()
    {
        ReminderWidget::showReminder(addAppointment("one"));
        ReminderWidget::showReminder(addAppointment("two"));
        ReminderWidget::showReminder(addAppointment("three"));
        const QList<ReminderWidget *> open = ReminderWidget::widgets();
        QCOMPARE(open.at(1)->pos(), open.at(0)->geometry().topLeft() + QPoint(20, 20));
        delete open.at(2);
        ReminderWidget::showReminder(addAppointment("four"));
        QCOMPARE(ReminderWidget::widgets().last()->pos(), open.at(1)->geometry().topLeft() + QPoint(20, 20));
    }

    void showsTheEventsRows()
    {
        auto event = addAppointment("Meeting <b>not bold</b>");
        event->setLocation("Room 4");
        event->setComment("See https://example.org/agenda");
        ReminderWidget::showReminder(event);
        ReminderWidget *window = ReminderWidget::widgets().first();
        QCOMPARE(window->findChild<QLabel *>("title")->textFormat(), Qt::PlainText);
        QStringList titles;
        for (QLabel *label : window->findChildren<QLabel *>("infoTitle"))
            titles << label->text();
        QCOMPARE(titles, (QStringList{"Location", "Comment"}));
        const QList<QLabel *> texts = window->findChildren<QLabel *>("infoText");
        QVERIFY(texts.last()->text().contains("<a href=\"https://example.org/agenda\""));
        QVERIFY(texts.last()->openExternalLinks());
        QVERIFY(!window->findChild<QWidget *>("spacerWidget1")->isVisible());
        QVERIFY(!window->findChild<QWidget *>("spacerWidget2")->isVisible());
    }

    void startsWithTheDefaultMinutes_data()
    {
        QTest::addColumn<int>("stored");
        QTest::addColumn<int>("shown");
        QTest::newRow("30") << 30 << 30;
        QTest::newRow("0 is clamped") << 0 << 1;
        QTest::newRow("too many") << 1000 << 360;
    }

    void startsWithTheDefaultMinutes()
    {
        QFETCH(int, stored);
        QFETCH(int, shown);
        m_env->properties->setValue("reminderWidgetDefaultMinutes", stored);
        ReminderWidget::showReminder(addAppointment("a"));
        QCOMPARE(ReminderWidget::widgets().first()->findChild<QSpinBox *>("spinBox")->value(), shown);
    }

    void storesTheShownMinutesAsTheDefault()
    {
        ReminderWidget::showReminder(addAppointment("a"));
        ReminderWidget *window = ReminderWidget::widgets().first();
        auto *button = window->findChild<SetAsDefaultWidget *>();
        QVERIFY(button);
        window->findChild<QSpinBox *>("spinBox")->setValue(45);
        QTRY_VERIFY(button->isVisible());
        button->click();
        QCOMPARE(m_env->properties->value("reminderWidgetDefaultMinutes").toInt(), 45);
        QTRY_VERIFY(!button->isVisible());
    }

    void snoozesAndCloses_data()
    {
        QTest::addColumn<QTime>("clickedAt");
        QTest::addColumn<QTime>("key");
        // A minute on the second: a snooze is never shorter than chosen.
        QTest::newRow("10:00:40") << QTime(10, 0, 40) << QTime(10, 1, 40);
        QTest::newRow("10:00:20") << QTime(10, 0, 20) << QTime(10, 1, 20);
    }

    void snoozesAndCloses()
    {
        QFETCH(QTime, clickedAt);
        QFETCH(QTime, key);
        auto event = addAppointment("a");
        ReminderWidget::showReminder(event);
        QPointer<ReminderWidget> window = ReminderWidget::widgets().first();
        window->findChild<QSpinBox *>("spinBox")->setValue(1);
        Common::Clock::pin(QDateTime(QDate(2026, 3, 10), clickedAt));
        window->findChild<QPushButton *>("snoozeButton")->click();
        QTRY_VERIFY(window.isNull());
        const QList<ReminderEntry> entries = m_controller->reminders().value(QDateTime(QDate(2026, 3, 10), key));
        QCOMPARE(entries, (QList<ReminderEntry>{ReminderEntry{event->id(), true}}));
    }

    void closingOnlyCloses()
    {
        ReminderWidget::showReminder(addAppointment("a"));
        QPointer<ReminderWidget> window = ReminderWidget::widgets().first();
        const ReminderTable before = m_controller->reminders();
        window->findChild<QDialogButtonBox *>("buttonBox")->button(QDialogButtonBox::Close)->click();
        QTRY_VERIFY(window.isNull());
        QVERIFY(ReminderWidget::widgets().isEmpty());
        QCOMPARE(m_controller->reminders(), before);
    }

    void givesMemoryBackWhenTheLastWindowHasGone_data()
    {
        QTest::addColumn<int>("closed");    // of three
        QTest::addColumn<bool>("reopened"); // before the closed ones have gone
        QTest::newRow("one closed") << 1 << false;
        QTest::newRow("all closed") << 3 << false;
        QTest::newRow("all closed, another opened") << 3 << true;
    }

    void givesMemoryBackWhenTheLastWindowHasGone()
    {
        QFETCH(int, closed);
        QFETCH(bool, reopened);
        for (int i = 0; i < 3; ++i)
            ReminderWidget::showReminder(addAppointment(QString::number(i)));
        QCoreApplication::sendPostedEvents(); // what earlier windows left
        const int before = Common::freeMemoryReleases();
        for (int i = 0; i < closed; ++i)
            ReminderWidget::widgets().at(i)->close();
        QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
        if (reopened)
            ReminderWidget::showReminder(addAppointment("next"));
        QCoreApplication::sendPostedEvents();
        const int expected = closed == 3 && !reopened ? 1 : 0;
        if (expected)
            QTRY_COMPARE(Common::freeMemoryReleases() - before, expected);
        else
            QTest::qWait(3 * ReminderWidget::kReleaseDelayMs); // a wrong release would have come by now
        QCOMPARE(Common::freeMemoryReleases() - before, expected);
    }

    // Deleted, the event takes its window along and is no longer held: undoing the removal makes it anew.
    void closesWhenItsEventIsDeleted()
    {
        ReminderWidget::showReminder(addAppointment("a"));
        QPointer<ReminderWidget> window = ReminderWidget::widgets().first();
        QUndoStack stack;
        stack.push(new RemoveEventCommand(m_manager.get(), m_manager->eventByIndex(0)));
        QTRY_VERIFY(window.isNull());
        const qsizetype asserts = logBuffer().count("ASSERT");
        stack.undo();
        QCOMPARE(logBuffer().count("ASSERT"), asserts);
    }

    // A step that takes an event away closes its window; the step that brings it back opens it again.
    void windowComesBackWithItsEvent_data()
    {
        QTest::addColumn<bool>("imported");
        QTest::newRow("an import undone, then redone") << true;
        QTest::newRow("a delete undone") << false;
    }

    void windowComesBackWithItsEvent()
    {
        QFETCH(bool, imported);
        QUndoStack stack;
        auto event = imported ? std::make_shared<NotSpecifiedEvent>() : addAppointment("a");
        if (imported)
            stack.push(new ImportEventsCommand(m_manager.get(), {event}, CalendarInfo(), "Import"));
        ReminderWidget::showReminder(event);
        imported ? stack.undo() : stack.push(new RemoveEventCommand(m_manager.get(), event));
        event.reset();
        QTRY_VERIFY(ReminderWidget::widgets().isEmpty());
        imported ? stack.redo() : stack.undo();
        QCoreApplication::processEvents();
        QCOMPARE(ReminderWidget::widgets().count(), 1);
        QCOMPARE(ReminderWidget::widgets().first()->event(), m_manager->eventByIndex(0));
    }

    // A whole state put back (an import undone) makes every event anew: its open window follows it.
    void staysOneWindowWhenTheStateIsPutBack()
    {
        QCoreApplication::setApplicationVersion("3.3.0");
        ReminderWidget::showReminder(addAppointment("a"));
        m_manager->setState(m_manager->state());
        QCoreApplication::processEvents();
        ReminderWidget::showReminder(m_manager->eventByIndex(0));
        QCOMPARE(ReminderWidget::widgets().count(), 1);
    }

    void windowsSearchNoEventsOnAChange()
    {
        QList<AbstractCommonEventPtr> events;
        for (int i = 0; i < 100; ++i)
            events << std::make_shared<CountedEvent>();
        m_manager->addEvents(events);
        for (int i = 1; i <= 4; ++i)
            ReminderWidget::showReminder(events.at(100 - i));
        CountedEvent::s_idCalls = 0;
        m_manager->removeEvent(events.first());
        QCoreApplication::processEvents();
        QVERIFY(CountedEvent::s_idCalls < 20);
    }

    void dueEventOpensItsWindowWithSound()
    {
        auto event = addAppointment("Dentist", "/nowhere/bell.wav");
        event->setReminderEnabled(true);
        Common::Clock::pin(QDateTime(QDate(2026, 3, 10), QTime(10, 0, 15)));
        QSignalSpy fired(ReminderController::updateTimer(), &IWallClockTimer::timeout);
        ReminderController::updateTimer()->start(Common::Clock::now());
        QVERIFY(fired.wait(2000));
        QCOMPARE(ReminderWidget::widgets().count(), 1);
        QCOMPARE(m_env->app.m_playedSounds, QStringList{"/nowhere/bell.wav"});
        // A snooze landing on a minute the event is also due opens no second window.
        m_controller->snooze(event, QDateTime(QDate(2026, 3, 10), QTime(10, 0)));
        QVERIFY(fired.wait(2000));
        QCOMPARE(ReminderWidget::widgets().count(), 1);
        QCOMPARE(m_env->app.m_playedSounds.count(), 1);
    }

    void shootsAWindowWithAPhotoAndALongText()
    {
        auto event = addAppointment(QString::fromUtf8("Überprüfung der Heizungsanlage im Erdgeschoss — "
                                                      "Встреча с мастером, bitte den Keller aufschließen"));
        event->setLocation(QString::fromUtf8("Hauptstraße 12, 3. OG, Zimmer 305 (Frau Müller-Lüdenscheidt)"));
        event->setComment(
            QString::fromUtf8("Unterlagen: https://example.org/wartung/heizung-erdgeschoss/protokoll-2026-03.pdf\n"
                              "Zweite Zeile: Schlüssel beim Hausmeister\n会議の資料も持参 <b>kein Fett</b>"));
        QPixmap photo(128, 128);
        photo.fill(QColor(70, 130, 180));
        QPainter painter(&photo);
        painter.setBrush(QColor(250, 220, 90));
        painter.drawEllipse(24, 24, 80, 80);
        painter.end();
        event->setPhoto(photo);
        ReminderWidget::showReminder(event);
        ReminderWidget *window = ReminderWidget::widgets().first();
        QVERIFY(QTest::qWaitForWindowExposed(window));
        QVERIFY(window->width() >= 400);
        QVERIFY(!(window->windowFlags() & Qt::WindowMaximizeButtonHint));
        QVERIFY(window->windowFlags() & Qt::WindowCloseButtonHint);
        // The information column starts beside the picture, with no empty band between them.
        const QWidget *image = window->findChild<QLabel *>("image");
        const QList<QLabel *> texts = window->findChildren<QLabel *>("infoText");
        QVERIFY(image && !texts.isEmpty());
        for (const QLabel *text : texts)
            QVERIFY(text->mapTo(window, QPoint(0, 0)).x() - image->geometry().right() < 30);
        // The address stays on one line: the comment takes its three lines and no more.
        const QLabel *comment = texts.last();
        QVERIFY(comment->height() < comment->fontMetrics().lineSpacing() * 5);
        TestHelpers::saveShot(window, "reminderwidget");
    }

    void infoHtmlKeepsBreaksAndAddresses_data()
    {
        QTest::addColumn<QString>("value");
        QTest::addColumn<QString>("expected");
        QTest::newRow("line breaks") << "first\nsecond"
                                     << "first<br>second";
        QTest::newRow("markup stays text") << "<b>x</b> & y"
                                           << "&lt;b&gt;x&lt;/b&gt; &amp; y";
        const QString joiner(QChar(0x2060));
        QTest::newRow("address")
            << "see https://ex.org/a-b"
            << QString("see <a href=\"https://ex.org/a-b\">https:/%1/%1ex.%1org/%1a-%1b</a>").arg(joiner);
    }

    void infoHtmlKeepsBreaksAndAddresses()
    {
        QFETCH(QString, value);
        QFETCH(QString, expected);
        QCOMPARE(ReminderWidget::infoHtml(value), expected);
    }
};

QTEST_MAIN(TestReminderWidget)
#include "tst_reminderwidget.moc"
