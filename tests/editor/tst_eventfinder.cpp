#include "core/applocale.h"
#include "core/deferredcall.h"
#include "core/statcollector.h"
#include "editor/editor.h"
#include "editor/editorfilterpanel.h"
#include "editor/eventfinder.h"
#include "editorwindowenv.h"
#include "fakeeditorask.h"
#include "store/eventitemrole.h"
#include "testhelpers.h"
#include "widgets/calendar/calendarview.h"
#include "widgets/dateshowinglistview.h"
#include "widgets/tableview.h"

#include <QAction>
#include <QIcon>
#include <QStandardItemModel>
#include <QTreeView>
#include <QtTest>

namespace {

const QLocale kUs(QLocale::English, QLocale::UnitedStates);

// Three rows, six columns; cell texts "r<row>c<column>".
std::unique_ptr<QStandardItemModel> grid()
{
    auto model = std::make_unique<QStandardItemModel>(3, 6);
    for (int row = 0; row < 3; ++row)
        for (int column = 0; column < 6; ++column)
            model->setItem(row, column, new QStandardItem(QString("r%1c%2").arg(row).arg(column)));
    return model;
}

int counter(const char *key)
{
    return StatCollector::collect().value(key).toInt();
}

void showAndWait(Editor &editor)
{
    editor.show();
    QVERIFY(QTest::qWaitForWindowExposed(&editor));
    QTRY_VERIFY(editor.calendarView()->viewportYear() != 0);
}

QString currentId(QAbstractItemView *view)
{
    const QModelIndex current = view->currentIndex();
    return current.isValid() ? current.siblingAtColumn(0).data(EventIdRole).toString() : QString();
}

} // namespace

class TestEventFinder : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase()
    {
        TestHelpers::isolateEnvironment();
        QCoreApplication::setApplicationVersion("3.3.0");
        Common::DeferredCallProcessor::init();
        Common::setAppLocale(kUs);
    }
    void cleanupTestCase() { Common::DeferredCallProcessor::term(); }
    void init() { StatCollector::reset(); }

    void stepsDownTheColumnFirst_data()
    {
        QTest::addColumn<int>("row");
        QTest::addColumn<int>("column");
        QTest::addColumn<int>("nextRow");
        QTest::addColumn<int>("nextColumn");
        QTest::newRow("down") << 1 << 0 << 2 << 0;
        QTest::newRow("last row to next column") << 2 << 4 << 0 << 5;
        QTest::newRow("last cell to first") << 2 << 5 << 0 << 0;
    }

    void stepsDownTheColumnFirst()
    {
        QFETCH(int, row);
        QFETCH(int, column);
        QFETCH(int, nextRow);
        QFETCH(int, nextColumn);
        auto model = grid();
        const QModelIndex next = EventFinder::nextCell(model->index(row, column));
        QCOMPARE(next.row(), nextRow);
        QCOMPARE(next.column(), nextColumn);
    }

    void findsInColumnOrderAndWraps_data()
    {
        QTest::addColumn<QString>("text");
        QTest::addColumn<int>("startRow");
        QTest::addColumn<int>("startColumn");
        QTest::addColumn<QString>("found");
        QTest::newRow("next in column") << "R2C0" << 1 << 0 << "r2c0";
        QTest::newRow("row 0 of next column") << "r0c5" << 2 << 4 << "r0c5";
        QTest::newRow("wraps to earlier cell") << "r0c1" << 2 << 3 << "r0c1";
        // Found only in the cell it started from, after going once around.
        QTest::newRow("itself again") << "r1c2" << 1 << 2 << "r1c2";
        QTest::newRow("nothing") << "r9" << 0 << 0 << "";
    }

    void findsInColumnOrderAndWraps()
    {
        QFETCH(QString, text);
        QFETCH(int, startRow);
        QFETCH(int, startColumn);
        QFETCH(QString, found);
        auto model = grid();
        QModelIndex current = model->index(startRow, startColumn);
        const QModelIndex result =
            EventFinder::wrapAroundFind(current, [&](const QModelIndex &from, const QModelIndex &to) {
                return EventFinder::findInTable(from, to, text, kUs);
            });
        QCOMPARE(result.data().toString(), found);
    }

    void matchesShownTextOnly_data()
    {
        QTest::addColumn<QVariant>("value");
        QTest::addColumn<QString>("text");
        QTest::addColumn<bool>("matches");
        QTest::newRow("date as short date") << QVariant(QDate(2026, 4, 12)) << "4/12/26" << true;
        QTest::newRow("text ignores case") << QVariant(QString("Zahnarzt")) << "ZAHN" << true;
        QTest::newRow("day count never") << QVariant(12) << "12" << false;
        QTest::newRow("icon never") << QVariant(QIcon()) << "" << false;
    }

    void matchesShownTextOnly()
    {
        QFETCH(QVariant, value);
        QFETCH(QString, text);
        QFETCH(bool, matches);
        QStandardItemModel model(1, 1);
        model.setData(model.index(0, 0), value);
        QCOMPARE(EventFinder::findInTable(model.index(0, 0), model.index(0, 0), text, kUs).isValid(), matches);
    }

    void emptyModelFindsNothing()
    {
        QStandardItemModel model(0, 3);
        QModelIndex current = model.index(0, 0);
        int calls = 0;
        const auto finder = [&calls](const QModelIndex &, const QModelIndex &) {
            ++calls;
            return QModelIndex();
        };
        QVERIFY(!EventFinder::wrapAroundFind(current, finder).isValid());
        QCOMPARE(calls, 0);
    }

    void parsesTypedDates_data()
    {
        QTest::addColumn<QLocale>("locale");
        QTest::addColumn<QString>("text");
        QTest::addColumn<QDate>("date");
        const QLocale de(QLocale::German, QLocale::Germany);
        QTest::newRow("four-digit year") << kUs << "4/20/2026" << QDate(2026, 4, 20);
        QTest::newRow("two-digit year is this century") << kUs << "4/20/26" << QDate(2026, 4, 20);
        QTest::newRow("near future") << kUs << "1/2/75" << QDate(2075, 1, 2);
        QTest::newRow("50 years ahead is last century, as in date fields") << kUs << "1/2/76" << QDate(1976, 1, 2);
        QTest::newRow("german short") << de << "20.04.26" << QDate(2026, 4, 20);
        QTest::newRow("german long year") << de << "20.04.2026" << QDate(2026, 4, 20);
        QTest::newRow("not a date") << kUs << "Zahnarzt" << QDate();
        QTest::newRow("impossible day") << kUs << "2/30/26" << QDate();
    }

    void parsesTypedDates()
    {
        QFETCH(QLocale, locale);
        QFETCH(QString, text);
        QFETCH(QDate, date);
        QCOMPARE(EventFinder::parseDate(text, locale, QDate(2026, 3, 10)), date);
    }

    // The editor: the prompt, the pages and the counter.

    void quickFindWithoutTextAsksAndCancelChangesNothing()
    {
        EditorEnv env;
        env.add(0, "Alpha", Period(QDate(2026, 4, 1)));
        Editor editor(env.manager.get());
        auto *ask = new FakeEditorAsk;
        editor.setAsk(std::unique_ptr<IEditorAsk>(ask));
        const QDate selected = editor.calendarView()->selectedDate();
        editor.onQuickFindButton();
        QCOMPARE(ask->asked.count(), 1);
        QCOMPARE(ask->asked.at(0).title, QString("Find"));
        QCOMPARE(ask->asked.at(0).text, QString("Text (or Date) to find:"));
        QVERIFY(editor.lastFindText().isEmpty());
        QCOMPARE(editor.calendarView()->selectedDate(), selected);
        QCOMPARE(counter("f_find_event"), 0);
    }

    void findsInTableInShownOrderAndWraps()
    {
        EditorEnv env;
        const QByteArray first = env.add(0, "alpha review", Period(QDate(2026, 3, 20)))->id();
        env.add(0, "Beta", Period(QDate(2026, 3, 15)));
        const QByteArray second = env.add(0, "Alpha meeting", Period(QDate(2026, 5, 1)))->id();
        env.add(0, "Gamma 45", Period(QDate(2026, 4, 24)));
        Editor editor(env.manager.get());
        auto *ask = new FakeEditorAsk;
        editor.setAsk(std::unique_ptr<IEditorAsk>(ask));
        editor.changeViewActions()->actions().at(1)->trigger();
        ask->texts << "ALPHA";
        editor.findAction()->trigger();
        QCOMPARE(editor.lastFindText(), QString("ALPHA"));
        QCOMPARE(currentId(editor.tableView()), QString(first));
        editor.onQuickFindButton();
        QCOMPARE(currentId(editor.tableView()), QString(second));
        editor.onQuickFindButton();
        QCOMPARE(currentId(editor.tableView()), QString(first));
        QCOMPARE(counter("f_find_event"), 3);
        // The prompt offers the last text again.
        editor.findAction()->trigger();
        QCOMPARE(ask->asked.last().filter, QString("ALPHA"));
    }

    void daysColumnIsNeverFound()
    {
        EditorEnv env;
        env.add(0, "Beta", Period(QDate(2026, 4, 24))); // 45 days ahead
        Editor editor(env.manager.get());
        auto *ask = new FakeEditorAsk;
        editor.setAsk(std::unique_ptr<IEditorAsk>(ask));
        editor.changeViewActions()->actions().at(1)->trigger();
        ask->texts << "45";
        editor.findAction()->trigger();
        QVERIFY(!editor.tableView()->currentIndex().isValid());
        QCOMPARE(counter("f_find_event"), 1);
    }

    void emptyTableStillCounts()
    {
        EditorEnv env;
        Editor editor(env.manager.get());
        auto *ask = new FakeEditorAsk;
        editor.setAsk(std::unique_ptr<IEditorAsk>(ask));
        editor.changeViewActions()->actions().at(1)->trigger();
        ask->texts << "anything";
        editor.findAction()->trigger();
        QCOMPARE(counter("f_find_event"), 1);
    }

    void calendarFindsEventsThePanelHides()
    {
        EditorEnv env;
        const QByteArray work = env.addCalendar("Work");
        env.add(0, "Dentist", Period(QDate(2026, 3, 12)));
        const QByteArray hidden = env.addIn(work, 0, "Board meeting", Period(QDate(2026, 6, 3)))->id();
        Editor editor(env.manager.get());
        auto *ask = new FakeEditorAsk;
        editor.setAsk(std::unique_ptr<IEditorAsk>(ask));
        showAndWait(editor);
        // Show only the default calendar.
        QTreeView *calendars = editor.filterPanel()->calendarsTreeView();
        calendars->setCurrentIndex(calendars->model()->index(0, 0));
        ask->texts << "board";
        editor.findAction()->trigger();
        QCOMPARE(editor.calendarView()->selectedDate(), QDate(2026, 6, 3));
        QVERIFY(!editor.calendarItemsView()->currentIndex().isValid());
        // With the filter cleared the day list shows it as current.
        calendars->setCurrentIndex(QModelIndex());
        editor.onQuickFindButton();
        QCOMPARE(editor.calendarView()->selectedDate(), QDate(2026, 6, 3));
        QCOMPARE(currentId(editor.calendarItemsView()), QString(hidden));
    }

    void calendarFindsByNextDate()
    {
        EditorEnv env;
        env.add(0, "Dentist", Period(QDate(2026, 3, 12)));
        const QByteArray yearly = env.add(0, "Anniversary", Period(QDate(2020, 7, 14)), IOccurrence::Yearly)->id();
        Editor editor(env.manager.get());
        auto *ask = new FakeEditorAsk;
        editor.setAsk(std::unique_ptr<IEditorAsk>(ask));
        showAndWait(editor);
        ask->texts << "7/14/26";
        editor.findAction()->trigger();
        QCOMPARE(editor.calendarView()->selectedDate(), QDate(2026, 7, 14));
        QCOMPARE(currentId(editor.calendarItemsView()), QString(yearly));
    }

    // A date nothing begins on moves the calendar there; a two-digit year stays in this century.
    void calendarFallsBackToTypedDate_data()
    {
        QTest::addColumn<QString>("text");
        QTest::addColumn<QDate>("date");
        QTest::newRow("two-digit year") << "4/20/26" << QDate(2026, 4, 20);
        QTest::newRow("four-digit year") << "11/2/2027" << QDate(2027, 11, 2);
        QTest::newRow("not a date") << "nothing" << QDate(2026, 3, 10);
    }

    void calendarFallsBackToTypedDate()
    {
        QFETCH(QString, text);
        QFETCH(QDate, date);
        EditorEnv env;
        env.add(0, "Dentist", Period(QDate(2026, 3, 12)));
        Editor editor(env.manager.get());
        auto *ask = new FakeEditorAsk;
        editor.setAsk(std::unique_ptr<IEditorAsk>(ask));
        showAndWait(editor);
        ask->texts << text;
        editor.findAction()->trigger();
        QCOMPARE(editor.calendarView()->selectedDate(), date);
    }
};

QTEST_MAIN(TestEventFinder)
#include "tst_eventfinder.moc"
