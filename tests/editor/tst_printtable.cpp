#include "core/applocale.h"
#include "editor/printrow.h"
#include "editor/printtablebuilder.h"
#include "editortestenv.h"
#include "testhelpers.h"

#include <QTextDocument>
#include <QtTest>

#include <algorithm>
#include <random>

namespace {

PrintRow row(const QDate &date, const QTime &time, const QString &caption, const QString &typeName = QString(),
             const QString &calendarName = QString())
{
    PrintRow r;
    r.date = date;
    r.time = time;
    r.caption = caption;
    r.typeName = typeName;
    r.calendarName = calendarName;
    return r;
}

QStringList captions(const QList<PrintRow> &rows)
{
    QStringList result;
    for (const PrintRow &r : rows)
        result << r.caption;
    return result;
}

PrintSettings settingsFor(const Period &period, int recurrent = PrintSettings::ShowRecurrentOnce)
{
    PrintSettings settings;
    settings.period = period;
    settings.recurrent = recurrent;
    settings.columns = {0, 1, 2, 3};
    return settings;
}

PrintTableBuilder::HtmlOptions htmlOptions()
{
    PrintTableBuilder::HtmlOptions options;
    options.columnTitles = {"Date", "Time", "Caption", "Comment", "Recurrence"};
    options.timeFormat = "h:mm";
    options.locale = QLocale(QLocale::English, QLocale::UnitedStates);
    return options;
}

const QDate kDay(2026, 5, 4);

} // namespace

class TestPrintTable : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase() { TestHelpers::isolateEnvironment(); }

    void comparesByColumn_data()
    {
        QTest::addColumn<PrintRow>("a");
        QTest::addColumn<PrintRow>("b");
        QTest::addColumn<int>("column");
        QTest::addColumn<int>("expected");
        const QTime nine(9, 0);
        QTest::newRow("earlier day first") << row(kDay, QTime(), "x") << row(kDay.addDays(1), QTime(), "x") << 0 << -1;
        QTest::newRow("later time after") << row(kDay, QTime(10, 0), "x") << row(kDay, nine, "x") << 0 << 1;
        // A row without a time counts as midnight on either side.
        QTest::newRow("timeless before timed") << row(kDay, QTime(), "x") << row(kDay, nine, "x") << 0 << -1;
        QTest::newRow("timed after timeless") << row(kDay, nine, "x") << row(kDay, QTime(), "x") << 0 << 1;
        QTest::newRow("timeless ties midnight") << row(kDay, QTime(), "x") << row(kDay, QTime(0, 0), "x") << 0 << 0;
        QTest::newRow("caption ignores case") << row(kDay, QTime(), "Anna") << row(kDay, QTime(), "anna") << 2 << 0;
        QTest::newRow("caption order") << row(kDay, QTime(), "Bob") << row(kDay, QTime(), "anna") << 2 << 1;
        QTest::newRow("type name ignores case")
            << row(kDay, QTime(), "", "Task") << row(kDay, QTime(), "", "task") << 5 << 0;
        QTest::newRow("calendar name") << row(kDay, QTime(), "", "", "Home") << row(kDay, QTime(), "", "", "Work") << 6
                                       << -1;
        QTest::newRow("time is never a key") << row(kDay, nine, "") << row(kDay, QTime(10, 0), "") << 1 << 0;
    }

    void comparesByColumn()
    {
        QFETCH(PrintRow, a);
        QFETCH(PrintRow, b);
        QFETCH(int, column);
        QFETCH(int, expected);
        QCOMPARE(RowLessThan::compare(a, b, column), expected);
    }

    // Mixed timed and timeless rows of one day: any input order sorts to one result.
    void sortsMixedTimesToOneOrder()
    {
        QList<PrintRow> rows = {row(kDay, QTime(10, 0), "c"),
                                row(kDay, QTime(), "b"),
                                row(kDay, QTime(9, 0), "a"),
                                row(kDay, QTime(), "a"),
                                row(kDay.addDays(-1), QTime(23, 0), "z"),
                                row(kDay, QTime(0, 0), "d")};
        const QStringList expected = {"z", "a", "b", "d", "a", "c"};
        std::mt19937 random(7);
        for (int round = 0; round < 50; ++round) {
            std::shuffle(rows.begin(), rows.end(), random);
            QList<PrintRow> sorted = rows;
            PrintTableBuilder::sortRows(sorted, PrintRow::DateColumn, -1);
            QCOMPARE(captions(sorted), expected);
            QCOMPARE(sorted.at(4).time, QTime(9, 0));
        }
    }

    void keepsEventOrderOfFullTies()
    {
        QList<PrintRow> rows = {row(kDay, QTime(), "Same"), row(kDay, QTime(), "same"), row(kDay, QTime(), "SAME")};
        PrintTableBuilder::sortRows(rows, PrintRow::DateColumn, -1);
        QCOMPARE(captions(rows), QStringList({"Same", "same", "SAME"}));
    }

    void choosesSortKeys_data()
    {
        QTest::addColumn<int>("groupBy");
        QTest::addColumn<int>("sortBy");
        QTest::addColumn<int>("sort1");
        QTest::addColumn<int>("sort2");
        QTest::newRow("no group, date") << 0 << 0 << 0 << -1;
        QTest::newRow("no group, caption") << 0 << 1 << 2 << -1;
        QTest::newRow("date group") << 1 << 0 << 0 << -1;
        QTest::newRow("type group, date") << 2 << 0 << 5 << 0;
        QTest::newRow("type group, caption") << 2 << 1 << 5 << 2;
        QTest::newRow("calendar group, caption") << 3 << 1 << 6 << 2;
    }

    void choosesSortKeys()
    {
        QFETCH(int, groupBy);
        QFETCH(int, sortBy);
        QFETCH(int, sort1);
        QFETCH(int, sort2);
        PrintSettings settings;
        settings.groupBy = groupBy;
        settings.sortBy = sortBy;
        const QPair<int, int> keys = PrintTableBuilder::sortKeys(settings);
        QCOMPARE(keys.first, sort1);
        QCOMPARE(keys.second, sort2);
    }

    void collectsRowsOfRecurringEvents_data()
    {
        QTest::addColumn<int>("recurrent");
        QTest::addColumn<int>("rows");
        QTest::addColumn<QDate>("firstDate");
        QTest::newRow("hide") << int(PrintSettings::HideRecurrent) << 1 << QDate(2026, 4, 2);
        QTest::newRow("once") << int(PrintSettings::ShowRecurrentOnce) << 2 << QDate(2026, 4, 1);
        QTest::newRow("all") << int(PrintSettings::ShowAllRecurrent) << 11 << QDate(2026, 4, 1);
    }

    void collectsRowsOfRecurringEvents()
    {
        QFETCH(int, recurrent);
        QFETCH(int, rows);
        QFETCH(QDate, firstDate);
        EditorTestEnv env;
        env.add(EventTypeNotSpecified, "Daily stand-up", Period(QDate(2026, 1, 1), QTime(9, 15)), IOccurrence::Daily);
        env.add(EventTypeNotSpecified, "Dentist", Period(QDate(2026, 4, 2)));
        env.add(EventTypeNotSpecified, "Outside", Period(QDate(2026, 5, 2)));
        const QList<PrintRow> result = PrintTableBuilder::collectRows(
            *env.manager, settingsFor(Period(QDate(2026, 4, 1), QDate(2026, 4, 10)), recurrent), {});
        QCOMPARE(result.count(), rows);
        QCOMPARE(result.constFirst().date, firstDate);
    }

    void filtersRows_data()
    {
        QTest::addColumn<bool>("selectedOnly");
        QTest::addColumn<QString>("typeName");
        QTest::addColumn<bool>("secondCalendar");
        QTest::addColumn<QStringList>("expected");
        QTest::newRow("everything") << false << QString() << false << QStringList({"One", "Two", "Three"});
        QTest::newRow("selected") << true << QString() << false << QStringList({"One", "Three"});
        QTest::newRow("calendar") << false << QString() << true << QStringList({"Two"});
        QTest::newRow("type") << false << QString("Task") << false << QStringList({"Three"});
    }

    void filtersRows()
    {
        QFETCH(bool, selectedOnly);
        QFETCH(QString, typeName);
        QFETCH(bool, secondCalendar);
        QFETCH(QStringList, expected);
        EditorTestEnv env;
        const QByteArray work = env.addCalendar("Work");
        env.add(EventTypeNotSpecified, "One", Period(QDate(2026, 6, 1)));
        env.addIn(work, EventTypeNotSpecified, "Two", Period(QDate(2026, 6, 2)));
        AbstractCommonEventPtr task = env.add(EventTypeTask, "Three", Period(QDate(2026, 6, 3)));
        PrintSettings settings = settingsFor(Period(QDate(2026, 1, 1), QDate(2026, 12, 31)));
        settings.selectedOnly = selectedOnly;
        settings.eventTypeName = typeName.isEmpty() ? QString() : task->typeName();
        settings.calendarId = secondCalendar ? work : QByteArray();
        QCOMPARE(captions(PrintTableBuilder::collectRows(*env.manager, settings, {0, 2})), expected);
    }

    void printsOneDayPeriod()
    {
        EditorTestEnv env;
        env.add(EventTypeNotSpecified, "Weekly", Period(QDate(2026, 6, 1)), IOccurrence::Weekly);
        const QList<PrintRow> rows = PrintTableBuilder::collectRows(
            *env.manager, settingsFor(Period(QDate(2026, 6, 8)), PrintSettings::ShowAllRecurrent), {});
        QCOMPARE(rows.count(), 1);
        QCOMPARE(rows.constFirst().date, QDate(2026, 6, 8));
    }

    void fillsRowFields()
    {
        EditorTestEnv env;
        const QByteArray work = env.addCalendar("Work");
        AbstractCommonEventPtr event =
            env.addIn(work, EventTypeTask, "Report", Period(QDate(2026, 6, 1), QTime(14, 5)));
        event->setComment("quarterly");
        const QList<PrintRow> rows = PrintTableBuilder::collectRows(
            *env.manager, settingsFor(Period(QDate(2026, 1, 1), QDate(2026, 12, 31))), {});
        QCOMPARE(rows.count(), 1);
        const PrintRow &r = rows.constFirst();
        QCOMPARE(r.time, QTime(14, 5));
        QCOMPARE(r.comment, QString("quarterly"));
        QCOMPARE(r.calendarName, QString("Work"));
        QCOMPARE(r.typeName, event->typeName());
        QCOMPARE(r.recurrence, event->occurrence().description());
    }

    void writesHtml_data()
    {
        QTest::addColumn<int>("groupBy");
        QTest::addColumn<bool>("header");
        QTest::addColumn<bool>("border");
        QTest::addColumn<QString>("table");
        const QString open = "<table width='100%' >";
        QTest::newRow("plain with header") << 0 << true << false
                                           << open + "<tr><th>Date</th><th>Time</th><th>Caption</th></tr>"
                                                     "<tr><td >5/4/26</td><td >9:00</td><td >Anna</td></tr>"
                                                     "<tr><td >5/5/26</td><td ></td><td >Bob</td></tr></table>";
        QTest::newRow("border, no header") << 0 << false << true
                                           << "<table width='100%' border='1' cellpadding='0' cellspacing='0'>"
                                              "<tr><td >5/4/26</td><td >9:00</td><td >Anna</td></tr>"
                                              "<tr><td >5/5/26</td><td ></td><td >Bob</td></tr></table>";
        // The date leaves the cells and heads each group; the group cell spans what is left.
        QTest::newRow("date groups") << 1 << true << false
                                     << open + "<tr><th>Time</th><th>Caption</th></tr>"
                                               "<tr><td class='group' colspan='2'>5/4/26</td></tr>"
                                               "<tr><td class='groupitem'>9:00</td><td >Anna</td></tr>"
                                               "<tr><td class='group' colspan='2'>5/5/26</td></tr>"
                                               "<tr><td class='groupitem'></td><td >Bob</td></tr></table>";
        QTest::newRow("calendar groups")
            << 3 << false << false
            << open + "<tr><td class='group' colspan='3'>Home</td></tr>"
                      "<tr><td class='groupitem'>5/4/26</td><td >9:00</td><td >Anna</td></tr>"
                      "<tr><td class='groupitem'>5/5/26</td><td ></td><td >Bob</td></tr></table>";
    }

    void writesHtml()
    {
        QFETCH(int, groupBy);
        QFETCH(bool, header);
        QFETCH(bool, border);
        QFETCH(QString, table);
        PrintSettings settings;
        settings.columns = {0, 1, 2};
        settings.groupBy = groupBy;
        settings.header = header;
        settings.borderLines = border;
        const QList<PrintRow> rows = {row(kDay, QTime(9, 0), "Anna", "", "Home"),
                                      row(kDay.addDays(1), QTime(), "Bob", "", "Home")};
        const QString html = PrintTableBuilder::html(rows, settings, htmlOptions());
        QVERIFY(
            html.startsWith("\t\t<html>\t\t\t<head>\t\t\t\t<link rel='stylesheet' type='text/css' href='format.css'>"));
        QVERIFY(html.endsWith("\t\t\t</body>\t\t</html>"));
        const qsizetype at = html.indexOf("<table");
        QCOMPARE(html.mid(at, html.indexOf("</table>") + 8 - at), table);
    }

    void groupsNamesIgnoringCase_data()
    {
        QTest::addColumn<int>("groupBy");
        QTest::newRow("types") << 2;
        QTest::newRow("calendars") << 3;
    }

    // The rows are sorted ignoring case; their groups must agree.
    void groupsNamesIgnoringCase()
    {
        QFETCH(int, groupBy);
        PrintSettings settings;
        settings.columns = {0, 1, 2};
        settings.groupBy = groupBy;
        const QList<PrintRow> rows = {row(kDay, QTime(9, 0), "Anna", "Home", "Home"),
                                      row(kDay, QTime(10, 0), "Bob", "home", "home"),
                                      row(kDay, QTime(11, 0), "Cleo", "Work", "Work")};
        const QString html = PrintTableBuilder::html(rows, settings, htmlOptions());
        QCOMPARE(html.count("class='group'"), 2);
    }

    // Captions, comments and group names come from users and imported files.
    void escapesEveryText_data()
    {
        QTest::addColumn<int>("groupBy");
        QTest::newRow("cells") << 0;
        QTest::newRow("type groups") << 2;
        QTest::newRow("calendar groups") << 3;
    }

    void escapesEveryText()
    {
        QFETCH(int, groupBy);
        const QString hostile = "<b>bold</b> & <img src='x'> \"quoted\" %1";
        PrintRow r = row(kDay, QTime(), hostile, hostile, hostile);
        r.comment = hostile;
        PrintSettings settings;
        settings.columns = {0, 1, 2, 3};
        settings.groupBy = groupBy;
        const QString html = PrintTableBuilder::html({r}, settings, htmlOptions());
        QVERIFY(!html.contains("<b>"));
        QVERIFY(!html.contains("<img"));
        QVERIFY(html.contains("&lt;b&gt;bold&lt;/b&gt; &amp; &lt;img src='x'&gt; &quot;quoted&quot; %1"));
        std::unique_ptr<QTextDocument> document(PrintTableBuilder::document(html));
        QVERIFY(document->toPlainText().contains(hostile));
    }

    void documentCarriesStyleSheet()
    {
        std::unique_ptr<QTextDocument> document(PrintTableBuilder::document("<html></html>"));
        QCOMPARE(document->resource(QTextDocument::StyleSheetResource, QUrl("format.css")).toString(),
                 PrintTableBuilder::styleSheet());
    }

    void keepsTheLineBreaksOfAComment()
    {
        PrintRow r = row(kDay, QTime(), "Dentist", "Health", "Health");
        r.comment = "Bring the card\nand <the> form";
        PrintSettings settings;
        settings.columns = {0, 2, 3};
        std::unique_ptr<QTextDocument> document(
            PrintTableBuilder::document(PrintTableBuilder::html({r}, settings, htmlOptions())));
        QVERIFY2(document->toPlainText().contains("Bring the card\nand <the> form"),
                 qPrintable(document->toPlainText()));
    }
};

QTEST_MAIN(TestPrintTable)
#include "tst_printtable.moc"
