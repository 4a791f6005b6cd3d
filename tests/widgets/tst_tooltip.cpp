#include "widgets/tooltip.h"

#include <QLabel>
#include <QPointer>
#include <QtTest>

class TestToolTip : public QObject
{
    Q_OBJECT

private slots:
    void isATintedInfoWindow()
    {
        ToolTip tip;
        QCOMPARE(tip.windowTitle(), QString("Info"));
        QVERIFY(tip.isWindow());
        QVERIFY(tip.windowFlags() & Qt::WindowStaysOnTopHint);
        QCOMPARE(tip.palette().color(QPalette::Inactive, QPalette::Window), QColor(255, 220, 255, 240));
        QVERIFY(!tip.contentWidget());
    }

    void secondContentReplacesTheFirst()
    {
        ToolTip tip;
        QPointer<QLabel> first = new QLabel("First: Zoë's birthday");
        tip.setContentWidget(first);
        tip.show();
        QCOMPARE(tip.size(), first->sizeHint() + QSize(2, 2));

        QPointer<QLabel> second = new QLabel("Second, a much longer line: Встреча с Jürgen в 10:00 у стоматолога");
        tip.setContentWidget(second);
        QCOMPARE(tip.contentWidget(), second.data());
        QCOMPARE(second->parentWidget(), &tip);
        // The first goes on the next pass of the event loop, not under its caller.
        QVERIFY(first);
        QTRY_VERIFY(!first);
        QCOMPARE(tip.size(), second->sizeHint() + QSize(2, 2));
        QCOMPARE(tip.findChildren<QLabel *>().size(), 1);

        // Handing the same widget again keeps it.
        tip.setContentWidget(second);
        QCoreApplication::processEvents();
        QVERIFY(second);
    }
};

QTEST_MAIN(TestToolTip)
#include "tst_tooltip.moc"
