#include "core/log.h"
#include "testhelpers.h"
#include "widgets/disappearer.h"

#include <QSignalSpy>
#include <QtTest>

// Records the widget's opacity as each fade step begins.
class TickRecorder : public QObject
{
public:
    explicit TickRecorder(QWidget *widget) : m_widget(widget) {}

    bool eventFilter(QObject *, QEvent *event) override
    {
        if (event->type() != QEvent::Timer || !m_widget)
            return false;
        m_opacities << m_widget->windowOpacity();
        if (m_opacities.size() == m_deleteWidgetAtTick) {
            // Deleting the watched object from its filter is allowed when the event is eaten.
            delete m_widget;
            return true;
        }
        return false;
    }

    QPointer<QWidget> m_widget;
    int m_deleteWidgetAtTick = 0;
    QList<double> m_opacities;
};

class TestDisappearer : public QObject
{
    Q_OBJECT

private slots:
    void fadesInSteps_data()
    {
        QTest::addColumn<double>("startOpacity");
        QTest::addColumn<double>("decrement");
        QTest::addColumn<int>("ticks");
        QTest::newRow("opaque, bar's step") << 1.0 << 0.15 << 7;
        QTest::newRow("nearly transparent") << 0.1 << 0.15 << 1;
        QTest::newRow("exact steps") << 1.0 << 0.25 << 4;
        QTest::newRow("one big step") << 1.0 << 2.0 << 1;
    }

    void fadesInSteps()
    {
        QFETCH(double, startOpacity);
        QFETCH(double, decrement);
        QFETCH(int, ticks);

        QWidget widget;
        widget.setWindowOpacity(startOpacity);
        widget.show();
        auto *disappearer = new Disappearer(&widget, 0, decrement);
        TickRecorder recorder(&widget);
        disappearer->installEventFilter(&recorder);
        QSignalSpy finished(disappearer, &Disappearer::finished);
        disappearer->start();
        QVERIFY(finished.wait(5000));

        QCOMPARE(recorder.m_opacities.size(), ticks);
        // The widget keeps its opacity in 1/255 steps.
        for (int i = 0; i < recorder.m_opacities.size(); ++i)
            QVERIFY(qAbs(recorder.m_opacities.at(i) - (startOpacity - i * decrement)) < 0.01);
        QCOMPARE(widget.windowOpacity(), 0.0);

        // The timer is gone: no more steps and no second finished().
        for (int i = 0; i < 10; ++i)
            QCoreApplication::processEvents();
        QCOMPARE(recorder.m_opacities.size(), ticks);
        QCOMPARE(finished.size(), 1);
    }

    void finishesWhereOpacityIsIgnored()
    {
        // A child widget always answers 1.0, as a window system without opacity would.
        QWidget window;
        auto *child = new QWidget(&window);
        auto *disappearer = new Disappearer(child, 0, 0.15);
        QSignalSpy finished(disappearer, &Disappearer::finished);
        disappearer->start();
        QVERIFY(finished.wait(5000));
        QCOMPARE(finished.size(), 1);
    }

    void goesWithItsWidget()
    {
        auto *widget = new QWidget;
        widget->show();
        QPointer<Disappearer> disappearer = new Disappearer(widget, 0, 0.15);
        TickRecorder recorder(widget);
        recorder.m_deleteWidgetAtTick = 3;
        disappearer->installEventFilter(&recorder);
        QSignalSpy finished(disappearer.data(), &Disappearer::finished);
        disappearer->start();
        QTRY_VERIFY(disappearer.isNull());
        for (int i = 0; i < 10; ++i)
            QCoreApplication::processEvents();
        QCOMPARE(finished.size(), 0);
    }

    void badArgumentsAreReportedAndStillFinish()
    {
        TestHelpers::expectFailedChecks();
        Common::clearLogBuffer();
        QWidget widget;
        auto *disappearer = new Disappearer(&widget, -5, 0);
        QVERIFY(logBuffer().contains("ASSERT: m_opacityDecrement > 0"));
        QVERIFY(logBuffer().contains("ASSERT: interval >= 0"));
        QSignalSpy finished(disappearer, &Disappearer::finished);
        disappearer->start();
        QVERIFY(finished.wait(5000));
    }
};

QTEST_MAIN(TestDisappearer)
#include "tst_disappearer.moc"
