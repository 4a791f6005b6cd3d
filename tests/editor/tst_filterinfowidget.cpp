#include "editor/filterinfoitemwidget.h"
#include "editor/filterinfowidget.h"
#include "testhelpers.h"

#include <QHBoxLayout>
#include <QLabel>
#include <QSignalSpy>
#include <QToolButton>
#include <QtTest>

namespace {

int stretches(QWidget &strip)
{
    int count = 0;
    QLayout *layout = strip.layout();
    for (int i = 0; i < layout->count(); ++i) {
        if (layout->itemAt(i)->spacerItem())
            ++count;
    }
    return count;
}

QStringList rowTexts(QWidget &strip)
{
    QStringList texts;
    QLayout *layout = strip.layout();
    for (int i = 0; i < layout->count(); ++i) {
        QWidget *widget = layout->itemAt(i)->widget();
        if (auto *label = qobject_cast<QLabel *>(widget))
            texts << label->text();
        else if (auto *item = qobject_cast<FilterInfoItemWidget *>(widget))
            texts << item->filterInfo().text;
    }
    return texts;
}

} // namespace

class TestFilterInfoWidget : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase() { TestHelpers::isolateEnvironment(); }

    void emptyListLeavesTheLabel()
    {
        FilterInfoWidget strip;
        strip.setFilters({});
        QCOMPARE(rowTexts(strip), QStringList{"Filter:"});
    }

    void equalListKeepsItemsOtherOrderRebuilds()
    {
        FilterInfoWidget strip;
        const FilterInfo calendar{"Família", FilterInfo::Calendar, "{cal}"};
        const FilterInfo birthday{"Birthday", FilterInfo::EventType, "birthday"};
        strip.setFilters({calendar, birthday});
        QCOMPARE(rowTexts(strip), (QStringList{"Filter:", "Família", "Birthday"}));
        const QList<FilterInfoItemWidget *> items = strip.items();
        strip.setFilters({calendar, birthday});
        QCOMPARE(strip.items(), items);
        strip.setFilters({birthday, calendar});
        QVERIFY(strip.items() != items);
        QCOMPARE(rowTexts(strip), (QStringList{"Filter:", "Birthday", "Família"}));
    }

    void manyRebuildsKeepOneStretch()
    {
        FilterInfoWidget strip;
        for (int i = 0; i < 5; ++i)
            strip.setFilters({{QString("t%1").arg(i), FilterInfo::EventType, "task"}});
        QCOMPARE(stretches(strip), 1);
        QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
        QCOMPARE(strip.findChildren<FilterInfoItemWidget *>().count(), 1);
        QCOMPARE(rowTexts(strip), (QStringList{"Filter:", "t4"}));
    }

    void clearButtonReportsItsItem()
    {
        FilterInfoWidget strip;
        strip.setFilters({{"Work", FilterInfo::Calendar, "{w}"}, {"Task", FilterInfo::EventType, "task"}});
        QSignalSpy clicks(&strip, &FilterInfoWidget::clicked);
        FilterInfoItemWidget *second = strip.items().at(1);
        QCOMPARE(second->removeButton()->toolTip(), QString("Clear Filter"));
        second->removeButton()->click();
        QCOMPARE(clicks.count(), 1);
        QCOMPARE(clicks.first().first().value<FilterInfoItemWidget *>(), second);
    }
};

QTEST_MAIN(TestFilterInfoWidget)
#include "tst_filterinfowidget.moc"
