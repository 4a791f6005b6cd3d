#include "core/clock.h"
#include "events/occurrencerules.h"
#include "events/ui/occurrencesettingscontrols.h"
#include "testhelpers.h"

#include <QButtonGroup>
#include <QCheckBox>
#include <QDateEdit>
#include <QRadioButton>
#include <QtTest>

// Each rule kind's settings rows, and reading them back into the rule.
class TestOccurrenceSettingsControls : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase() { TestHelpers::isolateEnvironment(); }

    void rowsPerKind_data();
    void rowsPerKind();
    void weekdaysRoundTrip();
    void endDateRoundTrip_data();
    void endDateRoundTrip();
    void monthlyWeekChoice_data();
    void monthlyWeekChoice();
    void secondCreateControlReplacesFirst();
};

static std::unique_ptr<AbstractOccurrence> makeRule(IOccurrence::Type kind, const QDate &start)
{
    switch (kind) {
    case IOccurrence::Once:
        return std::make_unique<OccurrenceOnce>(start);
    case IOccurrence::Daily:
        return std::make_unique<OccurrenceDaily>(start);
    case IOccurrence::Weekly:
        return std::make_unique<OccurrenceWeekly>(start);
    case IOccurrence::Monthly:
        return std::make_unique<OccurrenceMonthly>(start);
    case IOccurrence::Yearly:
        return std::make_unique<OccurrenceYearly>(start);
    }
    return nullptr;
}

void TestOccurrenceSettingsControls::rowsPerKind_data()
{
    QTest::addColumn<int>("kind");
    QTest::addColumn<QStringList>("labels");
    QTest::newRow("once") << int(IOccurrence::Once) << QStringList();
    QTest::newRow("daily") << int(IOccurrence::Daily) << QStringList{"End Date:"};
    QTest::newRow("weekly") << int(IOccurrence::Weekly) << QStringList{"Repeat on:", "End Date:"};
    QTest::newRow("monthly") << int(IOccurrence::Monthly) << QStringList{"Repeat by:", "End Date:"};
    QTest::newRow("yearly") << int(IOccurrence::Yearly) << QStringList{"Repeat by:", "End Date:"};
}

void TestOccurrenceSettingsControls::rowsPerKind()
{
    QFETCH(int, kind);
    QFETCH(QStringList, labels);
    QWidget parent;
    auto rule = makeRule(IOccurrence::Type(kind), QDate(2026, 4, 15));
    const QVariant before = rule->toJson();
    OccurrenceSettingsControls controls;
    const auto rows = controls.createControl(rule.get(), &parent);
    QStringList got;
    for (const auto &row : rows)
        got << row.first;
    QCOMPARE(got, labels);
    // Reading untouched rows gives the same rule back.
    controls.applySettingsFromControls(rule.get());
    QCOMPARE(rule->toJson(), before);
}

void TestOccurrenceSettingsControls::weekdaysRoundTrip()
{
    QWidget parent;
    OccurrenceWeekly rule(QDate(2026, 4, 15)); // a Wednesday
    OccurrenceSettingsControls controls;
    const auto rows = controls.createControl(&rule, &parent);
    const QList<QCheckBox *> boxes = rows.first().second->findChildren<QCheckBox *>();
    QCOMPARE(boxes.size(), 7);
    QCOMPARE(boxes.at(0)->property("day").toInt(), 1);
    QCOMPARE(boxes.at(6)->property("day").toInt(), 7);
    QVERIFY(boxes.at(2)->isChecked());
    QVERIFY(!boxes.at(2)->isEnabled()); // the start weekday cannot be removed
    QSignalSpy changed(rows.first().second, &ChangableWidget::changed);
    boxes.at(0)->setChecked(true);
    boxes.at(6)->setChecked(true);
    boxes.at(6)->setChecked(false);
    QCOMPARE(changed.size(), 3);
    controls.applySettingsFromControls(&rule);
    QCOMPARE(rule.days(), 5); // Monday and Wednesday
}

void TestOccurrenceSettingsControls::endDateRoundTrip_data()
{
    QTest::addColumn<QDate>("stored");
    QTest::addColumn<bool>("check");
    QTest::addColumn<QDate>("typed");
    QTest::addColumn<QDate>("expected");
    QTest::newRow("kept unchanged") << QDate(2026, 12, 31) << true << QDate() << QDate(2026, 12, 31);
    QTest::newRow("unchecked drops it") << QDate(2026, 12, 31) << false << QDate() << QDate();
    QTest::newRow("new end") << QDate() << true << QDate(2027, 1, 31) << QDate(2027, 1, 31);
    QTest::newRow("before start is no end") << QDate() << true << QDate(2026, 4, 1) << QDate();
}

void TestOccurrenceSettingsControls::endDateRoundTrip()
{
    QFETCH(QDate, stored);
    QFETCH(bool, check);
    QFETCH(QDate, typed);
    QFETCH(QDate, expected);
    Common::Clock::pin(QDateTime(QDate(2026, 5, 1), QTime(12, 0)));
    QWidget parent;
    OccurrenceDaily rule(QDate(2026, 4, 15));
    rule.setEndDate(stored);
    OccurrenceSettingsControls controls;
    const auto rows = controls.createControl(&rule, &parent);
    auto *checkBox = rows.last().second->findChild<QCheckBox *>("endDateCheckBox");
    auto *dateEdit = rows.last().second->findChild<QDateEdit *>("endDateEdit");
    QCOMPARE(checkBox->isChecked(), stored.isValid());
    QCOMPARE(dateEdit->isEnabled(), stored.isValid());
    QCOMPARE(dateEdit->date(), stored.isValid() ? stored : QDate(2026, 5, 1));
    if (checkBox->isChecked() != check)
        checkBox->click();
    QCOMPARE(dateEdit->isEnabled(), check);
    if (typed.isValid())
        dateEdit->setDate(typed);
    controls.applySettingsFromControls(&rule);
    QCOMPARE(rule.endDate(), expected);
    QCOMPARE(rule.description().contains(QLatin1String("till")), expected.isValid());
    Common::Clock::unpin();
}

void TestOccurrenceSettingsControls::monthlyWeekChoice_data()
{
    QTest::addColumn<int>("kind");
    QTest::addColumn<QDate>("start");
    QTest::addColumn<bool>("choiceShown");
    QTest::addColumn<int>("expectedWeek");
    // 24 September 2024 is the fourth and last Tuesday; 10 September the second.
    QTest::newRow("monthly fourth and last") << int(IOccurrence::Monthly) << QDate(2024, 9, 24) << true << 5;
    QTest::newRow("monthly second") << int(IOccurrence::Monthly) << QDate(2024, 9, 10) << false << 2;
    QTest::newRow("yearly fourth and last") << int(IOccurrence::Yearly) << QDate(2024, 9, 24) << true << 5;
    // 23 September 2024 is a fourth Monday but not the last (the 30th is): nothing to choose.
    QTest::newRow("fourth but not last") << int(IOccurrence::Monthly) << QDate(2024, 9, 23) << false << 4;
}

void TestOccurrenceSettingsControls::monthlyWeekChoice()
{
    QFETCH(int, kind);
    QFETCH(QDate, start);
    QFETCH(bool, choiceShown);
    QFETCH(int, expectedWeek);
    QWidget parent;
    auto rule = makeRule(IOccurrence::Type(kind), start);
    auto *monthly = static_cast<OccurrenceMonthly *>(rule.get());
    OccurrenceSettingsControls controls;
    const auto rows = controls.createControl(rule.get(), &parent);
    ChangableWidget *settings = rows.first().second;
    auto *modeGroup = settings->findChild<QButtonGroup *>("settingsGroup");
    auto *weekGroup = settings->findChild<QButtonGroup *>("dayOfWeekNumberInMonth");
    QVERIFY(modeGroup && weekGroup);
    QCOMPARE(modeGroup->checkedButton()->property("data").toInt(), 0);
    QVERIFY(weekGroup->buttons().first()->isHidden()); // by day of the month: nothing to choose

    modeGroup->buttons().at(1)->click();
    QCOMPARE(!weekGroup->buttons().first()->isHidden(), choiceShown);
    if (choiceShown) {
        const QString weekday = QLocale::system().dayName(start.dayOfWeek());
        QCOMPARE(weekGroup->buttons().at(0)->text(), "4th " + weekday);
        QCOMPARE(weekGroup->buttons().at(1)->text(), "Last " + weekday);
        weekGroup->buttons().at(1)->click();
    }
    controls.applySettingsFromControls(rule.get());
    QCOMPARE(monthly->mode(), int(OccurrenceMonthly::WeekdayOfMonth));
    QCOMPARE(monthly->weekNumber(), expectedWeek);
    QVERIFY(monthly->nextDate(start.addDays(1)).isValid());
}

void TestOccurrenceSettingsControls::secondCreateControlReplacesFirst()
{
    QWidget parent;
    OccurrenceWeekly rule(QDate(2026, 4, 15));
    OccurrenceSettingsControls controls;
    QPointer<ChangableWidget> first = controls.createControl(&rule, &parent).first().second;
    const auto second = controls.createControl(&rule, &parent);
    second.first().second->findChildren<QCheckBox *>().at(4)->setChecked(true); // Friday
    QVERIFY(first);
    QTRY_VERIFY(!first);
    controls.applySettingsFromControls(&rule);
    QCOMPARE(rule.days(), OccurrenceWeekly::dayBit(3) | OccurrenceWeekly::dayBit(5));
}

QTEST_MAIN(TestOccurrenceSettingsControls)
#include "tst_occurrencesettingscontrols.moc"
