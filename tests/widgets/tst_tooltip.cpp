#include "widgets/tooltip.h"

#include "shots.h"

#include <QFormLayout>
#include <QLabel>
#include <QPointer>
#include <QtTest>

class TestToolTip : public QObject
{
    Q_OBJECT

private slots:
    void isATintedTooltipWindow()
    {
        ToolTip tip;
        QVERIFY(tip.isWindow());
        // A tooltip to the window system: no frame, never given the keyboard.
        QCOMPARE(tip.windowType(), Qt::ToolTip);
        QVERIFY(tip.windowFlags() & Qt::FramelessWindowHint);
        QVERIFY(tip.testAttribute(Qt::WA_ShowWithoutActivating));
        QCOMPARE(tip.palette().color(QPalette::Inactive, QPalette::Window), QColor(255, 220, 255, 240));
        QVERIFY(!tip.contentWidget());
    }

    void secondContentReplacesTheFirst()
    {
        ToolTip tip;
        QPointer<QLabel> first = new QLabel("First: Zoë's birthday");
        tip.setContentWidget(first);
        tip.show();
        QCOMPARE(tip.size(), first->sizeHint() + QSize(4, 4));

        QPointer<QLabel> second = new QLabel("Second, a much longer line: Встреча с Jürgen в 10:00 у стоматолога");
        tip.setContentWidget(second);
        QCOMPARE(tip.contentWidget(), second.data());
        QCOMPARE(second->parentWidget(), &tip);
        // The first goes on the next pass of the event loop, not under its caller.
        QVERIFY(first);
        QTRY_VERIFY(!first);
        QCOMPARE(tip.size(), second->sizeHint() + QSize(4, 4));
        QCOMPARE(tip.findChildren<QLabel *>().size(), 1);

        // Handing the same widget again keeps it.
        tip.setContentWidget(second);
        QCoreApplication::processEvents();
        QVERIFY(second);
    }

    void showsTheWholeWrappedText()
    {
        // As the bar's event tooltip: a narrow column of names and word-wrapped values.
        ToolTip tip;
        auto *frame = new QWidget;
        frame->setMaximumWidth(250);
        auto *form = new QFormLayout(frame);
        QList<QLabel *> values;
        for (const QString &text :
             {QString("Flight to Reykjavík (Keflavík), gate closes 40 minutes before departure, "
                      "bring the printed boarding pass and the passport"),
              QString("Встреча с Jürgen в 10:00 у стоматолога, потом обед и долгая дорога домой")}) {
            auto *value = new QLabel(text);
            value->setWordWrap(true);
            form->addRow("Description:", value);
            values << value;
        }
        tip.setContentWidget(frame);
        tip.show();
        QVERIFY(QTest::qWaitForWindowExposed(&tip));
        QVERIFY(tip.width() <= 250 + 4);
        for (QLabel *value : values)
            QVERIFY2(value->height() >= value->heightForWidth(value->width()),
                     qPrintable(QString("%1 < %2").arg(value->height()).arg(value->heightForWidth(value->width()))));
        QVERIFY(values.last()->geometry().bottom() < frame->height());
        TestHelpers::saveShot(&tip, "tooltip");
    }
};

QTEST_MAIN(TestToolTip)
#include "tst_tooltip.moc"
