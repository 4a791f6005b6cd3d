#include "platform/iwindowsystem.h"
#include "runningline/movingview.h"
#include "store/eventitemrole.h"

#include <QSignalSpy>
#include <QStandardItemModel>
#include <QtTest>

namespace {

// Counts the timer events a widget receives.
class TimerCounter : public QObject
{
public:
    bool eventFilter(QObject *, QEvent *event) override
    {
        if (event->type() == QEvent::Timer)
            ++count;
        return false;
    }
    int count = 0;
};

QStandardItem *row(const QString &text, const QByteArray &id, const QString &when = QString(),
                   const QString &shortText = QString())
{
    auto *item = new QStandardItem(text);
    item->setData(id, EventIdRole);
    item->setData(when, WhenTextRole);
    item->setData(shortText, ShortTextRole);
    item->setData(int(Qt::ArrowCursor), CursorRole);
    return item;
}

// Records what the view sends to the window server's strip.
class FakeStripWindowSystem : public NullWindowSystem
{
    struct Strip : IScrollStrip
    {
        explicit Strip(QStringList *log) : log(log) {}
        bool reset(const QRect &area, const QImage &, const QImage &text) override
        {
            *log << QString("reset %1x%2 %3").arg(area.width()).arg(area.height()).arg(text.width());
            return true;
        }
        bool append(const QImage &) override { return true; }
        void scroll(int distance) override { *log << QString("scroll %1").arg(distance); }
        QStringList *log;
    };

public:
    std::unique_ptr<IScrollStrip> createScrollStrip(QWindow *) override { return std::make_unique<Strip>(&log); }
    QStringList log;
};

} // namespace

class TestMovingView : public QObject
{
    Q_OBJECT

private:
    QStandardItemModel m_model;
    std::unique_ptr<MovingView> m_view;

    void fill(int rows, const QString &text)
    {
        m_model.clear();
        for (int i = 0; i < rows; ++i)
            m_model.appendRow(row(QString("%1 %2").arg(text).arg(i), QByteArray::number(i)));
        // The view rebuilds once after a burst of changes.
        QCoreApplication::processEvents();
    }

    void moveMouse(const QPoint &pos)
    {
        QMouseEvent move(QEvent::MouseMove, pos, m_view->mapToGlobal(pos), Qt::NoButton, Qt::NoButton, Qt::NoModifier);
        QCoreApplication::sendEvent(m_view.get(), &move);
    }

    void showAwayFromTheMouse()
    {
        // The line rests under the mouse; keep the window clear of it.
        m_view->move(200, 300);
        QCursor::setPos(0, 0);
        m_view->show();
        QVERIFY(QTest::qWaitForWindowExposed(m_view.get()));
    }

private slots:
    void init()
    {
        m_view = std::make_unique<MovingView>();
        m_view->resize(600, 30);
        m_view->setModel(&m_model);
    }

    void cleanup()
    {
        m_view.reset();
        m_model.clear();
    }

    void standsStillWhenTheTextFits()
    {
        fill(2, "Short");
        showAwayFromTheMouse();
        QVERIFY(!m_view->needsScrolling());
        QVERIFY(!m_view->isScrolling());
        TimerCounter timers;
        m_view->installEventFilter(&timers);
        QTest::qWait(200);
        QCOMPARE(timers.count, 0);
    }

    void scrollsLongTextAndWrapsAround()
    {
        fill(30, "A rather long running-line entry with Ünïcödé");
        showAwayFromTheMouse();
        QVERIFY(m_view->isScrolling());
        m_view->setSpeed(3);
        m_view->step();
        QCOMPARE(m_view->offset(), 3.0);
        // After a whole line the offset is back near the start.
        qreal last = m_view->offset();
        int steps = 0;
        while (m_view->offset() >= last && steps < 100000) {
            last = m_view->offset();
            m_view->step();
            ++steps;
        }
        QVERIFY(steps < 100000);
        QVERIFY(m_view->offset() < 3.0);
    }

    // The strip gets its text far ahead and frames only move it; a paint in between has it laid out again.
    void framesShownByAStrip_data()
    {
        QTest::addColumn<int>("speed");
        QTest::addColumn<bool>("paintBetween");
        QTest::addColumn<QStringList>("sent");
        QTest::newRow("slow") << 1 << false << QStringList{"reset 592x30 848", "scroll 1", "scroll 1", "scroll 1"};
        QTest::newRow("fast") << 3 << false << QStringList{"reset 592x30 848", "scroll 3", "scroll 3", "scroll 3"};
        QTest::newRow("painted between") << 2 << true
                                         << QStringList{"reset 592x30 848", "scroll 2", "reset 592x30 848", "scroll 2"};
    }

    void framesShownByAStrip()
    {
        QFETCH(int, speed);
        QFETCH(bool, paintBetween);
        QFETCH(QStringList, sent);
        fill(30, "A rather long running-line entry with Ünïcödé");
        showAwayFromTheMouse();
        m_view->setSpeed(speed);
        // Set while no event is handled, so that the view's own timer sends nothing before the frames.
        FakeStripWindowSystem windowSystem;
        m_view->setWindowSystem(&windowSystem);
        for (int i = 0; i < 4; ++i) {
            if (paintBetween && i == 2)
                m_view->repaint();
            m_view->step();
        }
        QCOMPARE(windowSystem.log, sent);
        QVERIFY(m_view->shownByServer());
        m_view->setWindowSystem(nullptr);
    }

    // Where a step is not a whole number of device pixels, the strip moves by whole columns and keeps up.
    void stripStepsKeepUpWithTheLine_data()
    {
        QTest::addColumn<qreal>("deviceDistance");
        QTest::addColumn<QList<int>>("columns");
        QTest::newRow("a quarter more") << qreal(1.25) << QList<int>{1, 1, 1, 2, 1};
        QTest::newRow("a tenth more") << qreal(1.1) << QList<int>{1, 1, 1, 1, 1, 1, 1, 1, 1, 2, 1};
    }

    void stripStepsKeepUpWithTheLine()
    {
        QFETCH(qreal, deviceDistance);
        QFETCH(QList<int>, columns);
        MovingView::StripStep step;
        for (const int expected : columns) {
            step = MovingView::stripStep(step.lag, deviceDistance);
            QCOMPARE(step.columns, expected);
            QVERIFY(step.lag >= 0 && step.lag < 1);
        }
    }

    void permanentScrollMovesShortText()
    {
        fill(1, "Short");
        showAwayFromTheMouse();
        QVERIFY(!m_view->isScrolling());
        m_view->setPermanentScroll(true);
        QVERIFY(m_view->isScrolling());
        m_view->setPermanentScroll(false);
        QVERIFY(!m_view->isScrolling());
        QCOMPARE(m_view->offset(), 0.0);
    }

    void stopsWhenHiddenOrHovered()
    {
        fill(30, "A rather long running-line entry");
        showAwayFromTheMouse();
        QVERIFY(m_view->isScrolling());
        QEnterEvent enter(QPointF(100, 5), QPointF(100, 5), QPointF(100, 5));
        QCoreApplication::sendEvent(m_view.get(), &enter);
        QVERIFY(!m_view->isScrolling());
        QEvent leave(QEvent::Leave);
        QCoreApplication::sendEvent(m_view.get(), &leave);
        QVERIFY(m_view->isScrolling());
        m_view->hide();
        QVERIFY(!m_view->isScrolling());
    }

    void resumesWhenAPopupLetThePointerGo()
    {
        fill(30, "A rather long running-line entry");
        showAwayFromTheMouse();
        QEnterEvent enter(QPointF(100, 5), QPointF(100, 5), QPointF(100, 5));
        QCoreApplication::sendEvent(m_view.get(), &enter);
        QVERIFY(!m_view->isScrolling());
        // A context menu took the pointer away: no leave event comes, the view asks for itself.
        QCursor::setPos(m_view->mapToGlobal(QPoint(m_view->width() / 2, m_view->height() + 300)));
        m_view->recheckPointer();
        QVERIFY(m_view->isScrolling());
        // Back over the view, asking keeps it still.
        QCoreApplication::sendEvent(m_view.get(), &enter);
        QCursor::setPos(m_view->mapToGlobal(QPoint(100, 5)));
        m_view->recheckPointer();
        QVERIFY(!m_view->isScrolling());
    }

    void verticalShowsOneRowWithAPause_data()
    {
        QTest::addColumn<int>("direction");
        QTest::newRow("downward") << int(MovingView::Downward);
        QTest::newRow("upward") << int(MovingView::Upward);
    }

    void verticalShowsOneRowWithAPause()
    {
        QFETCH(int, direction);
        fill(2, "Row");
        m_view->setDirection(direction);
        m_view->setSpeed(2);
        const qreal sign = direction == MovingView::Downward ? 1 : -1;
        QCOMPARE(m_view->currentRow(), 0);
        m_view->step(); // at rest: the pause begins
        QCOMPARE(m_view->offset(), 0.0);
        m_view->step(); // the row leaves
        QCOMPARE(m_view->offset(), 2 * sign);
        int steps = 0;
        while (m_view->currentRow() == 0 && steps++ < 100)
            m_view->step();
        QCOMPARE(m_view->currentRow(), 1);
        // The next row comes in from the other side and stops at rest.
        QCOMPARE(m_view->offset(), -sign * m_view->height());
        steps = 0;
        while (m_view->offset() != 0 && steps++ < 100)
            m_view->step();
        QCOMPARE(m_view->offset(), 0.0);
        QCOMPARE(m_view->currentRow(), 1);
        QVERIFY(!m_view->rowRect(1).isEmpty());
        QVERIFY(m_view->rowRect(0).isEmpty());
    }

    void oneVerticalRowStandsStill()
    {
        fill(1, "Only row");
        m_view->setDirection(MovingView::Upward);
        m_view->show();
        QVERIFY(!m_view->isScrolling());
    }

    void duplicateWhenShownOnce()
    {
        m_model.appendRow(row("Tomorrow is Anna's birthday", "a", "Tomorrow", "Anna's birthday"));
        m_model.appendRow(row("Tomorrow is Ben's birthday", "b", "Tomorrow", "Ben's birthday"));
        m_model.appendRow(row("In 3 days is Carl's birthday", "c", "In 3 days", "Carl's birthday"));
        QCoreApplication::processEvents();
        m_view->setRemoveDuplicatingWhen(true);
        const QList<RunningLineItem> &items = m_view->items();
        QCOMPARE(items.size(), 3);
        QCOMPARE(items.at(0).line.text(), QString("Tomorrow is Anna's birthday"));
        QCOMPARE(items.at(1).line.text(), QString("Ben's birthday"));
        QCOMPARE(items.at(2).line.text(), QString("In 3 days is Carl's birthday"));
        m_view->setRemoveDuplicatingWhen(false);
        QCOMPARE(m_view->items().at(1).line.text(), QString("Tomorrow is Ben's birthday"));
    }

    void preparesRowsAsTheyScrollIntoView_data()
    {
        QTest::addColumn<int>("direction");
        QTest::newRow("horizontal") << int(MovingView::Horizontal);
        QTest::newRow("upward") << int(MovingView::Upward);
    }

    void preparesRowsAsTheyScrollIntoView()
    {
        QFETCH(int, direction);
        fill(300, "Row");
        m_view->setDirection(direction);
        m_view->setSpeed(3);
        QVERIFY(m_view->needsScrolling());
        QVERIFY(m_view->preparedRowCount() < 30);
        // A view with every row prepared at once is what the lazy one must look like at each step.
        MovingView eager;
        eager.resize(m_view->size());
        eager.setModel(&m_model);
        eager.setDirection(direction);
        eager.setSpeed(3);
        QCOMPARE(eager.items().size(), 300);
        QImage lazyFrame(m_view->size(), QImage::Format_ARGB32_Premultiplied);
        QImage eagerFrame(lazyFrame.size(), lazyFrame.format());
        const qreal lineWidth = [&eager] {
            qreal width = 0;
            for (const RunningLineItem &item : eager.items())
                width += item.width;
            return width;
        }();
        // Past the end of the line, so that it starts again.
        const int steps = direction == MovingView::Horizontal ? int(lineWidth / 3) + 400 : 3000;
        for (int step = 0; step <= steps; ++step) {
            if (step % 97 == 0 || step == steps) {
                QCOMPARE(m_view->offset(), eager.offset());
                QCOMPARE(m_view->currentRow(), eager.currentRow());
                for (int x = 0; x < m_view->width(); x += 37)
                    QCOMPARE(m_view->rowAt(QPoint(x, 15)), eager.rowAt(QPoint(x, 15)));
                lazyFrame.fill(Qt::white);
                eagerFrame.fill(Qt::white);
                m_view->render(&lazyFrame);
                eager.render(&eagerFrame);
                QCOMPARE(lazyFrame, eagerFrame);
            }
            m_view->step();
            eager.step();
        }
        QVERIFY(m_view->preparedRowCount() > 30);
        // A change of the rows starts over with few prepared.
        m_model.appendRow(row("One more", "x"));
        QCoreApplication::processEvents();
        QVERIFY(m_view->preparedRowCount() < 30);
    }

    void clicksReportTheRowsId()
    {
        fill(3, "Row");
        showAwayFromTheMouse();
        QSignalSpy left(m_view.get(), &MovingView::eventLeftClicked);
        QSignalSpy twice(m_view.get(), &MovingView::eventDoubleClicked);
        const QRect second = m_view->rowRect(1);
        QVERIFY(!second.isEmpty());
        QCOMPARE(m_view->rowAt(second.center()), 1);
        QTest::mouseClick(m_view.get(), Qt::LeftButton, Qt::NoModifier, second.center());
        QCOMPARE(left.last().first().toByteArray(), QByteArray("1"));
        QTest::mouseDClick(m_view.get(), Qt::LeftButton, Qt::NoModifier, second.center());
        QCOMPARE(twice.last().first().toByteArray(), QByteArray("1"));
    }

    void hotExitAreaAfterAMoment_data()
    {
        QTest::addColumn<bool>("on");
        QTest::newRow("on") << true;
        QTest::newRow("off") << false;
    }

    void hotExitAreaAfterAMoment()
    {
        QFETCH(bool, on);
        fill(1, "Row");
        QPixmap logo(16, 16);
        logo.fill(Qt::blue);
        m_view->setLogo(QIcon(logo));
        m_view->setHotExitArea(on);
        showAwayFromTheMouse();
        QSignalSpy exit(m_view.get(), &MovingView::exitAreaActivated);
        moveMouse(m_view->logoRect().center());
        QCOMPARE(exit.wait(MovingView::s_exitAreaDelay + 500), on);
        // Leaving early cancels.
        exit.clear();
        moveMouse(m_view->logoRect().center() + QPoint(1, 0));
        moveMouse(QPoint(m_view->width() - 5, 5));
        QVERIFY(!exit.wait(MovingView::s_exitAreaDelay + 300));
    }
};

QTEST_MAIN(TestMovingView)
#include "tst_movingview.moc"
