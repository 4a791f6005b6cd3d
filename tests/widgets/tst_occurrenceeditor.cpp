#include "core/clock.h"
#include "core/colorcontrast.h"
#include "eventtestenv.h"
#include "events/occurrencerules.h"
#include "shots.h"
#include "testhelpers.h"
#include "widgets/occurrencecontrol.h"
#include "widgets/dateedit.h"
#include "widgets/occurrenceeditor.h"

#include <QCheckBox>
#include <QComboBox>
#include <QDialogButtonBox>
#include <QFormLayout>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QPushButton>
#include <QSpinBox>
#include <QtTest>

// Runs neither the menu nor the editor modally: tests pick the entry and answer the editor.
class ScriptedOccurrenceControl : public OccurrenceControl
{
public:
    using OccurrenceControl::OccurrenceControl;
    int m_menusShown = 0;
    std::function<bool(OccurrenceEditor *)> m_answerEditor;

protected:
    void execMenu(QMenu *) override { ++m_menusShown; }
    bool execEditor(OccurrenceEditor *editor) override { return m_answerEditor && m_answerEditor(editor); }
};

// The full recurrence editor and the compact link control that opens it.
class TestOccurrenceEditor : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase() { TestHelpers::isolateEnvironment(); }

    void kindChangeResetsRuleAndRows_data();
    void kindChangeResetsRuleAndRows();
    void neverDisablesStep();
    void stepAndRowChangesReachRuleQueued();
    void typedEndDate_data();
    void typedEndDate();
    void editorShot();

    void presetsAndSixthEntry_data();
    void presetsAndSixthEntry();
    void queuedChoiceTakesPreset();
    void startDateChangeRedescribes();
    void otherRunsEditorAndCancelKeepsRule();
    void spaceAndEnterOpenTheMenu();
    void tabShowsAFocusMark_data();
    void tabShowsAFocusMark();

private:
    EventTestEnv m_env; // its settings store keeps the editor's size
};

static QLabel *summary(OccurrenceEditor &e)
{
    return e.findChild<QLabel *>("summaryLabel");
}

void TestOccurrenceEditor::kindChangeResetsRuleAndRows_data()
{
    QTest::addColumn<int>("kind");
    QTest::addColumn<int>("formRows");
    QTest::newRow("never") << 0 << 3;
    QTest::newRow("daily") << 1 << 4;
    QTest::newRow("weekly") << 2 << 5;
    QTest::newRow("monthly") << 3 << 5;
    QTest::newRow("yearly") << 4 << 5;
}

void TestOccurrenceEditor::kindChangeResetsRuleAndRows()
{
    QFETCH(int, kind);
    QFETCH(int, formRows);
    Occurrence weekly(QDate(2026, 4, 15), IOccurrence::Weekly);
    weekly.setStep(3);
    static_cast<OccurrenceWeekly *>(weekly.rule())->setDays(OccurrenceWeekly::dayBit(1) | OccurrenceWeekly::dayBit(3));
    OccurrenceEditor editor(weekly);
    auto *combo = editor.findChild<QComboBox *>("repeatComboBox");
    auto *form = editor.findChild<QFormLayout *>("form");
    QCOMPARE(combo->currentIndex(), 2);
    QCOMPARE(form->rowCount(), 5);

    combo->setCurrentIndex(kind == 3 ? 4 : 3);
    combo->setCurrentIndex(kind);
    QCOMPARE(editor.occurrence().type(), IOccurrence::Type(kind));
    QCOMPARE(form->rowCount(), formRows); // no rows left over from the earlier kinds
    const Occurrence fresh(QDate(2026, 4, 15), IOccurrence::Type(kind));
    QCOMPARE(editor.occurrence().toJson(), fresh.toJson());
    QCOMPARE(summary(editor)->text(), "Summary: " + fresh.description());
}

void TestOccurrenceEditor::typedEndDate_data()
{
    QTest::addColumn<QString>("typed");
    QTest::addColumn<QDate>("end"); // the field's date; the rule takes it when the editor is accepted
    QTest::addColumn<bool>("accepted");
    QTest::newRow("after the start") << "3/15/27\r" << QDate(2027, 3, 15) << true;
    QTest::newRow("before the start, said") << "1/2/26\r" << QDate(2026, 1, 2) << false;
    QTest::newRow("mended after the message") << "1/2/26\r3/15/27" << QDate(2027, 3, 15) << true;
}

void TestOccurrenceEditor::typedEndDate()
{
    QFETCH(QString, typed);
    QFETCH(QDate, end);
    QFETCH(bool, accepted);
    QLocale::setDefault(QLocale(QLocale::English, QLocale::UnitedStates));
    Common::Clock::pin(QDateTime(QDate(2026, 12, 6), QTime(9, 30))); // the start is days ahead
    OccurrenceEditor editor(Occurrence(QDate(2026, 12, 9), IOccurrence::Daily));
    Common::Clock::unpin();
    QLocale::setDefault(QLocale::c());
    QCOMPARE(editor.findChild<QLineEdit *>("startDateLineEdit")->text(), "12/9/2026");
    editor.findChild<QCheckBox *>("endDateCheckBox")->click();
    auto *edit = editor.findChild<DateEdit *>("endDateEdit");
    QCOMPARE(edit->date(), QDate(2026, 12, 9)); // the tick alone makes no end before the start
    QVERIFY(edit->problem().isEmpty());
    editor.show();
    QVERIFY(QTest::qWaitForWindowActive(&editor));
    const QRect place = editor.geometry();
    edit->setFocus();
    edit->setSelectedSection(edit->sectionAt(0)); // as Tab leaves it
    QTest::keyClicks(edit, typed);
    // One click on OK: its press reads the field, and OK stays under the pointer for the release.
    QPushButton *ok = editor.findChild<QDialogButtonBox *>()->button(QDialogButtonBox::Ok);
    const QPoint onOk = ok->mapTo(&editor, ok->rect().center());
    QTest::mousePress(editor.windowHandle(), Qt::LeftButton, {}, onOk);
    QTest::mouseRelease(editor.windowHandle(), Qt::LeftButton, {}, onOk);
    QCOMPARE(edit->date(), end); // each key left alone, not put back to the start
    QCOMPARE(editor.result(), accepted ? QDialog::Accepted : QDialog::Rejected);
    QTRY_COMPARE(editor.geometry(), accepted ? place : QRect(place.topLeft(), editor.size())); // never moved
    QCOMPARE(edit->problem().isEmpty(), accepted);
    // Read at once, as the caller reads it when the editor closes.
    QCOMPARE(static_cast<const AbstractMultipleOccurence *>(editor.occurrence().rule())->endDate(),
             accepted ? end : QDate());
}

void TestOccurrenceEditor::neverDisablesStep()
{
    OccurrenceEditor editor(Occurrence(QDate(2026, 4, 15), IOccurrence::Daily));
    auto *step = editor.findChild<QSpinBox *>("stepSpinBox");
    auto *measure = editor.findChild<QLabel *>("stepMeasure");
    QCOMPARE(measure->text(), QStringLiteral("days"));
    step->setValue(4);
    QCOMPARE(editor.occurrence().step(), 4);
    editor.findChild<QComboBox *>("repeatComboBox")->setCurrentIndex(0);
    QVERIFY(!step->isEnabled());
    QCOMPARE(step->value(), 1);
    QVERIFY(measure->text().isEmpty());
    QCOMPARE(editor.occurrence().step(), -1);
    QCOMPARE(summary(editor)->text(), "Summary: " + Occurrence(QDate(2026, 4, 15), IOccurrence::Once).description());
}

void TestOccurrenceEditor::stepAndRowChangesReachRuleQueued()
{
    OccurrenceEditor editor(Occurrence(QDate(2026, 4, 15), IOccurrence::Weekly));
    editor.findChild<QSpinBox *>("stepSpinBox")->setValue(2);
    QCOMPARE(editor.occurrence().step(), 2);
    QList<QCheckBox *> days;
    for (QCheckBox *box : editor.findChildren<QCheckBox *>())
        if (box->property("day").isValid())
            days << box;
    QCOMPARE(days.size(), 7);
    days.at(4)->setChecked(true); // Friday
    const int before = static_cast<const OccurrenceWeekly *>(editor.occurrence().rule())->days();
    QCOMPARE(before, OccurrenceWeekly::dayBit(3)); // not during the box's own signal
    QTRY_COMPARE(static_cast<const OccurrenceWeekly *>(editor.occurrence().rule())->days(),
                 OccurrenceWeekly::dayBit(3) | OccurrenceWeekly::dayBit(5));
    QCOMPARE(summary(editor)->text(), "Summary: " + editor.occurrence().description());
    QVERIFY(summary(editor)->text().contains(QLatin1String("Every 2 weeks")));
}

void TestOccurrenceEditor::editorShot()
{
    Occurrence monthly(QDate(2024, 9, 24), IOccurrence::Monthly);
    monthly.setStep(2);
    static_cast<OccurrenceMonthly *>(monthly.rule())->setMode(OccurrenceMonthly::WeekdayOfMonth);
    static_cast<OccurrenceMonthly *>(monthly.rule())->setWeekNumber(5);
    static_cast<OccurrenceMonthly *>(monthly.rule())->setEndDate(QDate(2025, 12, 31));
    OccurrenceEditor editor(monthly);
    editor.show();
    QVERIFY(QTest::qWaitForWindowExposed(&editor));
    editor.findChild<DateEdit *>("endDateEdit")->setProblem(QStringLiteral("Before the start, 9/24/2024"));
    QTest::qWait(20);
    TestHelpers::saveShot(&editor, QStringLiteral("occurrenceeditor"));
}

void TestOccurrenceEditor::presetsAndSixthEntry_data()
{
    QTest::addColumn<int>("step");
    QTest::addColumn<QDate>("end");
    QTest::addColumn<int>("entries");
    QTest::addColumn<int>("checkedIndex");
    QTest::newRow("plain daily") << 1 << QDate() << 6 << 1;
    QTest::newRow("every 2 days") << 2 << QDate() << 7 << 5;
    QTest::newRow("daily with an end") << 1 << QDate(2026, 6, 1) << 7 << 5;
}

void TestOccurrenceEditor::presetsAndSixthEntry()
{
    QFETCH(int, step);
    QFETCH(QDate, end);
    QFETCH(int, entries);
    QFETCH(int, checkedIndex);
    ScriptedOccurrenceControl control;
    Occurrence daily(QDate(2026, 4, 15), IOccurrence::Daily);
    daily.setStep(step);
    static_cast<OccurrenceDaily *>(daily.rule())->setEndDate(end);
    control.setOccurrence(daily);
    control.showMenu();
    QCOMPARE(control.m_menusShown, 1);
    const QList<QAction *> actions = control.menu()->actions();
    QCOMPARE(actions.size(), entries);
    QCOMPARE(actions.last()->text(), QStringLiteral("Other..."));
    QVERIFY(!actions.last()->isCheckable());
    for (int i = 0; i < actions.size(); ++i)
        QCOMPARE(actions.at(i)->isChecked(), i == checkedIndex);
    QCOMPARE(actions.at(checkedIndex)->text(), daily.description());
    QVERIFY(control.text().contains(daily.description()));
}

void TestOccurrenceEditor::queuedChoiceTakesPreset()
{
    ScriptedOccurrenceControl control;
    control.setOccurrence(Occurrence(QDate(2026, 4, 15), IOccurrence::Once));
    control.showMenu();
    QAction *weekly = control.menu()->actions().at(2);
    weekly->trigger();
    QCOMPARE(control.occurrence().type(), IOccurrence::Once); // taken once the menu has closed
    QTRY_COMPARE(control.occurrence().type(), IOccurrence::Weekly);
    QCOMPARE(control.occurrence().startDate(), QDate(2026, 4, 15));
    control.showMenu();
    QVERIFY(control.menu()->actions().at(2)->isChecked());
    QCOMPARE(control.menu()->actions().size(), 6);
}

void TestOccurrenceEditor::startDateChangeRedescribes()
{
    ScriptedOccurrenceControl control;
    control.setOccurrence(Occurrence(QDate(2026, 4, 15), IOccurrence::Weekly));
    QMenu *before = control.menu();
    control.setStartDate(QDate(2026, 4, 17)); // a Friday
    QCOMPARE(control.occurrence().startDate(), QDate(2026, 4, 17));
    QVERIFY(control.menu() != before);
    QVERIFY(control.text().contains(control.occurrence().description()));
    QVERIFY(static_cast<const OccurrenceWeekly *>(control.occurrence().rule())->days() & OccurrenceWeekly::dayBit(5));
}

void TestOccurrenceEditor::otherRunsEditorAndCancelKeepsRule()
{
    ScriptedOccurrenceControl control;
    const Occurrence daily(QDate(2026, 4, 15), IOccurrence::Daily);
    control.setOccurrence(daily);
    QStringList seen;
    control.m_answerEditor = [&](OccurrenceEditor *editor) {
        seen << editor->occurrence().description();
        editor->findChild<QComboBox *>("repeatComboBox")->setCurrentIndex(4);
        return false;
    };
    control.showMenu();
    control.menu()->actions().last()->trigger();
    QTRY_COMPARE(seen.size(), 1);
    QCOMPARE(control.occurrence().toJson(), daily.toJson());

    control.m_answerEditor = [&](OccurrenceEditor *editor) {
        seen << editor->occurrence().description(); // the control's rule, not the cancelled edit
        editor->findChild<QComboBox *>("repeatComboBox")->setCurrentIndex(4);
        return true;
    };
    control.showMenu();
    control.menu()->actions().last()->trigger();
    QTRY_COMPARE(seen.size(), 2);
    QCOMPARE(seen.at(1), daily.description());
    QCOMPARE(control.occurrence().type(), IOccurrence::Yearly);
    control.showMenu();
    QVERIFY(control.menu()->actions().at(4)->isChecked());
}

void TestOccurrenceEditor::spaceAndEnterOpenTheMenu()
{
    QDialog form;
    ScriptedOccurrenceControl control(&form);
    control.setOccurrence(Occurrence(QDate(2026, 4, 15), IOccurrence::Once));
    for (Qt::Key key : {Qt::Key_A, Qt::Key_Space, Qt::Key_Return, Qt::Key_Enter})
        QTest::keyClick(&control, key);
    QCOMPARE(control.m_menusShown, 3);
    QSignalSpy pressed(new QPushButton(&form), &QPushButton::clicked);
    form.show();
    QMetaObject::invokeMethod(&control, "onOtherClicked"); // the editor cancelled
    QTest::keyClick(&control, Qt::Key_Return);             // after the editor, the form's default button's
    QCOMPARE(pressed.count(), 1);
}

void TestOccurrenceEditor::tabShowsAFocusMark_data()
{
    QTest::addColumn<QColor>("ground");
    QTest::newRow("light") << QColor(239, 239, 239);
    QTest::newRow("dark") << QColor(53, 53, 53);
}

void TestOccurrenceEditor::tabShowsAFocusMark()
{
    QFETCH(QColor, ground);
    QWidget window;
    window.setPalette(QPalette(ground.lightness() > 128 ? Qt::black : Qt::white, ground));
    auto *field = new QSpinBox(&window);
    auto *control = new ScriptedOccurrenceControl(&window);
    control->setOccurrence(Occurrence(QDate(2026, 4, 15), IOccurrence::Once));
    auto *after = new QSpinBox(&window);
    control->setGeometry(0, 30, 300, 40);
    control->setWordWrap(true);
    window.show();
    QVERIFY(QTest::qWaitForWindowActive(&window));
    field->setFocus();
    QTest::keyClick(field, Qt::Key_Tab);
    QTest::keyClick(control, Qt::Key_Space); // a longer rule, picked from the keyboard
    control->menu()->actions().at(IOccurrence::Weekly)->trigger();
    QTRY_COMPARE(control->occurrence().type(), IOccurrence::Weekly);
    const QImage marked = control->grab().toImage();
    QList<QWidget *> seen{QApplication::focusWidget()};
    for (Qt::KeyboardModifier shift : {Qt::NoModifier, Qt::ShiftModifier, Qt::ShiftModifier}) {
        QTest::keyClick(QApplication::focusWidget(), Qt::Key_Tab, shift);
        seen << QApplication::focusWidget();
    }
    QCOMPARE(seen, (QList<QWidget *>{control, after, control, field}));
    const QImage unmarked = control->grab().toImage();
    // The mark is what focus changes: a line at least 3:1 on the window, around all of the text.
    QRect mark, text;
    double strongest = 1;
    for (int y = 0; y < marked.height(); ++y)
        for (int x = 0; x < marked.width(); ++x) {
            const bool changed = marked.pixel(x, y) != unmarked.pixel(x, y), ink = unmarked.pixelColor(x, y) != ground;
            mark |= QRect(x, y, changed, changed);
            text |= QRect(x, y, ink, ink);
            strongest = qMax(strongest, changed ? ColorContrast::contrastRatio(marked.pixelColor(x, y), ground) : 1);
        }
    QVERIFY2(strongest >= 3 && mark.contains(text), qPrintable(QDebug::toString(mark) + QDebug::toString(text)));
}

QTEST_MAIN(TestOccurrenceEditor)
#include "tst_occurrenceeditor.moc"
