#include "editor/calendarmodel.h"
#include "editor/calendarproxymodel.h"
#include "editor/editoreventfiltermodel.h"
#include "editor/editoreventsmodel.h"
#include "editor/eventstablemodel.h"
#include "editortestenv.h"
#include "testhelpers.h"

#include <QAbstractItemModelTester>
#include <QDataStream>
#include <QFont>
#include <QMimeData>
#include <QSignalSpy>
#include <QtTest>

namespace {

QList<QByteArray> ids(const QAbstractItemModel &model)
{
    QList<QByteArray> result;
    for (int row = 0; row < model.rowCount(); ++row)
        result << model.index(row, 0).data(EventIdRole).toByteArray();
    return result;
}

QMimeData *payload(qint32 row, qint32 column = 0, bool cut = false)
{
    QByteArray bytes;
    QDataStream stream(&bytes, QIODevice::WriteOnly);
    stream << row << column << qint64(0);
    if (cut)
        bytes.chop(6);
    auto *data = new QMimeData;
    data->setData(CalendarModel::mimeType(), bytes);
    return data;
}

// Counts the re-filters of a proxy by the layout signals QSortFilterProxyModel sends for them.
struct FilterCounter
{
    explicit FilterCounter(QAbstractItemModel *model) : spy(model, &QAbstractItemModel::layoutChanged) {}
    QSignalSpy spy;
};

} // namespace

class TestEditorModels : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase()
    {
        TestHelpers::isolateEnvironment();
        QCoreApplication::setApplicationVersion("3.3.0");
    }

    void filterKeepsTypeAndCalendar_data()
    {
        QTest::addColumn<QList<QByteArray>>("types");
        QTest::addColumn<bool>("byCalendar");
        QTest::addColumn<QList<int>>("shown"); // rows of the events below
        QTest::newRow("empty lists pass all") << QList<QByteArray>() << false << QList<int>{0, 1, 2, 3};
        QTest::newRow("birthday, any calendar") << QList<QByteArray>{"birthday"} << false << QList<int>{0, 1};
        QTest::newRow("calendar only") << QList<QByteArray>() << true << QList<int>{1, 2};
        QTest::newRow("type and calendar") << QList<QByteArray>{"birthday"} << true << QList<int>{1};
        QTest::newRow("custom type id") << QList<QByteArray>{"{custom-7}"} << false << QList<int>{3};
    }

    void filterKeepsTypeAndCalendar()
    {
        QFETCH(QList<QByteArray>, types);
        QFETCH(bool, byCalendar);
        QFETCH(QList<int>, shown);
        EditorTestEnv env;
        const QByteArray work = env.addCalendar("Work");
        env.add(1, "Anna", Period(QDate(2026, 4, 1)), IOccurrence::Yearly);
        env.addIn(work, 1, "Ben", Period(QDate(2026, 4, 2)), IOccurrence::Yearly);
        env.addIn(work, 0, "Meeting", Period(QDate(2026, 4, 3)));
        AbstractCommonEventPtr cleo = RunningLineTestEnv::makeEvent(1, "Cleo", Period(QDate(2026, 4, 4)));
        CustomTypeInfo info = cleo->customTypeMetaInfo();
        info.id = "{custom-7}";
        cleo->setCustomTypeMetaInfo(info);
        env.manager->addEvent(cleo);

        EventsModel source(env.manager.get());
        EditorEventFilterModel filter;
        QAbstractItemModelTester tester(&filter);
        filter.setSourceModel(&source);
        filter.setTypesFilter(types);
        filter.setCalendarsFilter(byCalendar ? QList<QByteArray>{work} : QList<QByteArray>());
        QList<QByteArray> expected;
        for (int row : shown)
            expected << env.manager->eventByIndex(row)->id();
        QCOMPARE(ids(filter), expected);
    }

    // Each row's type and calendar are kept between filter changes: a change below a sorting proxy
    // must reach them before the row is filtered again.
    void filterFollowsChangesThroughSortProxy_data()
    {
        QTest::addColumn<int>("change");
        QTest::addColumn<bool>("shared"); // rows read with a filter over another model of the events
        QTest::addColumn<QStringList>("shown");
        QTest::newRow("event moved into the calendar") << 0 << false << QStringList{"Anna", "Ben", "Meeting"};
        QTest::newRow("event removed") << 1 << false << QStringList{"Meeting"};
        QTest::newRow("event added") << 2 << false << QStringList{"Ben", "Dora", "Meeting"};
        QTest::newRow("shared, event moved") << 0 << true << QStringList{"Anna", "Ben", "Meeting"};
        QTest::newRow("shared, event removed") << 1 << true << QStringList{"Meeting"};
        QTest::newRow("shared, event added") << 2 << true << QStringList{"Ben", "Dora", "Meeting"};
    }

    void filterFollowsChangesThroughSortProxy()
    {
        QFETCH(int, change);
        QFETCH(bool, shared);
        QFETCH(QStringList, shown);
        EditorTestEnv env;
        const QByteArray work = env.addCalendar("Work");
        AbstractCommonEventPtr anna = env.add(0, "Anna", Period(QDate(2026, 4, 1)));
        AbstractCommonEventPtr ben = env.addIn(work, 0, "Ben", Period(QDate(2026, 4, 2)));
        env.addIn(work, 0, "Meeting", Period(QDate(2026, 4, 3)));
        EventsModel source(env.manager.get());
        source.setChangesByRow(true); // as the editor's models: a change is one row's
        QSortFilterProxyModel sorted;
        sorted.setSourceModel(&source);
        sorted.setSortRole(Qt::DisplayRole);
        sorted.sort(0);
        sorted.setDynamicSortFilter(true);
        EditorEventFilterModel filter;
        QAbstractItemModelTester tester(&filter);
        filter.setSourceModel(&sorted);
        EventsModel otherSource(env.manager.get());
        otherSource.setChangesByRow(true);
        EditorEventFilterModel other;
        other.setSourceModel(&otherSource);
        if (shared) {
            filter.shareRowsWith(&other);
            other.readAhead();
        }
        filter.setCalendarsFilter({work});
        other.setCalendarsFilter({work});
        QCOMPARE(filter.rowCount(), 2);
        if (change == 0)
            anna->setCalendarId(work);
        else if (change == 1)
            env.manager->removeEvent(ben);
        else
            env.addIn(work, 0, "Dora", Period(QDate(2026, 4, 5)));
        QStringList captions;
        for (int row = 0; row < filter.rowCount(); ++row)
            captions << env.manager->eventById(filter.index(row, 0).data(EventIdRole).toByteArray())->caption();
        captions.sort();
        QCOMPARE(captions, shown);
        QCOMPARE(other.rowCount(), shown.size());
    }

    void equalFilterListCausesNoRefilter()
    {
        EditorTestEnv env;
        env.add(1, "Anna", Period(QDate(2026, 4, 1)));
        EventsModel source(env.manager.get());
        EditorEventFilterModel filter;
        filter.setSourceModel(&source);
        filter.setTypesFilter({"birthday", "task"});
        filter.setCalendarsFilter({"x"});
        QSignalSpy layouts(&filter, &QAbstractItemModel::layoutChanged);
        QSignalSpy removals(&filter, &QAbstractItemModel::rowsRemoved);
        QSignalSpy inserts(&filter, &QAbstractItemModel::rowsInserted);
        filter.setTypesFilter({"birthday", "task"});
        filter.setCalendarsFilter({"x"});
        QCOMPARE(layouts.count() + removals.count() + inserts.count(), 0);
        filter.setCalendarsFilter({});
        QCOMPARE(filter.rowCount(), 1);
    }

    void tableCells_data()
    {
        QTest::addColumn<int>("rule");
        QTest::addColumn<Period>("period");
        QTest::addColumn<QVariant>("days");
        QTest::addColumn<QString>("caption");
        QTest::addColumn<bool>("expired");
        QTest::addColumn<bool>("tooltip");
        // Today is Tuesday 10 March 2026.
        QTest::newRow("once, ten days ago")
            << int(IOccurrence::Once) << Period(QDate(2026, 2, 28)) << QVariant(-10) << "Trip" << true << false;
        QTest::newRow("weekly, from a Thursday")
            << int(IOccurrence::Weekly) << Period(QDate(2026, 2, 26)) << QVariant(2) << "Trip" << false << true;
        QTest::newRow("three days, all day")
            << int(IOccurrence::Once) << Period(QDate(2026, 3, 20), QDate(2026, 3, 23)) << QVariant(10)
            << "Trip (ends " + QLocale::system().toString(QDate(2026, 3, 23), QLocale::ShortFormat) + ")" << false
            << false;
        QTest::newRow("timed, same day") << int(IOccurrence::Once)
                                         << Period(QDateTime(QDate(2026, 3, 12), QTime(9, 0)),
                                                   QDateTime(QDate(2026, 3, 12), QTime(17, 30)))
                                         << QVariant(2) << "Trip (ends at 17:30)" << false << false;
        QTest::newRow("yearly span ends from its next date")
            << int(IOccurrence::Yearly) << Period(QDate(2020, 3, 15), QDate(2020, 3, 17)) << QVariant(5)
            << "Trip (ends " + QLocale::system().toString(QDate(2026, 3, 17), QLocale::ShortFormat) + ")" << false
            << true;
    }

    void tableCells()
    {
        QFETCH(int, rule);
        QFETCH(Period, period);
        QFETCH(QVariant, days);
        QFETCH(QString, caption);
        QFETCH(bool, expired);
        QFETCH(bool, tooltip);
        EditorTestEnv env;
        AbstractCommonEventPtr event = env.add(0, "Trip", period, IOccurrence::Type(rule));
        event->setComment("Zoë's notes");
        EventsTableModel model(env.manager.get());
        QAbstractItemModelTester tester(&model);
        QCOMPARE(model.columnCount(), 6);
        QCOMPARE(model.index(0, EventsTableModel::DaysColumn).data().toInt(), days.toInt());
        QCOMPARE(model.index(0, EventsTableModel::CaptionColumn).data().toString(), caption);
        QCOMPARE(model.index(0, EventsTableModel::CommentColumn).data().toString(), QString("Zoë's notes"));
        QCOMPARE(model.index(0, EventsTableModel::DateColumn).data(Qt::ToolTipRole).isValid(), tooltip);
        if (tooltip)
            QCOMPARE(model.index(0, 0).data(Qt::ToolTipRole).toString(), event->occurrence().description());
        for (int column = 0; column < 6; ++column) {
            const QModelIndex index = model.index(0, column);
            QCOMPARE(index.data(Qt::FontRole).isValid() && index.data(Qt::FontRole).value<QFont>().italic(), expired);
            QCOMPARE(index.data(Qt::ForegroundRole).value<QColor>() == QColor(Qt::gray), expired);
        }
        if (expired)
            QVERIFY(model.index(0, EventsTableModel::DateColumn).data().toDate().isNull());
    }

    void tableTimeColumnAndHeaders()
    {
        EditorTestEnv env;
        env.app.m_timeFormat = "h:mm AP";
        env.add(0, "Call", Period(QDate(2026, 3, 12), QTime(14, 5)));
        EventsTableModel model(env.manager.get());
        QCOMPARE(model.index(0, EventsTableModel::TimeColumn).data().toString(), QString("2:05 PM"));
        QCOMPARE(model.index(0, EventsTableModel::DaysColumn).data(Qt::TextAlignmentRole).toInt(),
                 int(Qt::AlignHCenter | Qt::AlignVCenter));
        QStringList headers;
        for (int section = 0; section < 6; ++section)
            headers << model.headerData(section, Qt::Horizontal).toString();
        QCOMPARE(headers, (QStringList{"Date", "Days", "", "Time", "Caption", "Comment"}));
    }

    void tableSortsTypesByName()
    {
        EditorTestEnv env;
        env.add(4, "t", Period(QDate(2026, 4, 1))); // Task
        env.add(1, "b", Period(QDate(2026, 4, 1))); // Birthday
        env.add(3, "h", Period(QDate(2026, 4, 1))); // Holiday
        EventsTableModel model(env.manager.get());
        QSortFilterProxyModel sorter;
        sorter.setSortRole(SortRole);
        sorter.setSourceModel(&model);
        sorter.sort(EventsTableModel::TypeColumn);
        QStringList names;
        for (int row = 0; row < 3; ++row) {
            QVERIFY(sorter.index(row, 2).data().toString().isEmpty());
            names << sorter.index(row, 2).data(SortRole).toString();
        }
        QStringList sorted = names;
        sorted.sort();
        QCOMPARE(names, sorted);
        QCOMPARE(names.count(), 3);
    }

    void daysSortOrdersByTimeWithinADay()
    {
        EditorTestEnv env;
        const QByteArray late = env.add(0, "late", Period(QDate(2026, 3, 12), QTime(18, 0)))->id();
        const QByteArray next = env.add(0, "next", Period(QDate(2026, 3, 13), QTime(1, 0)))->id();
        const QByteArray early = env.add(0, "early", Period(QDate(2026, 3, 12), QTime(9, 0)))->id();
        const QByteArray allDay = env.add(0, "all day", Period(QDate(2026, 3, 12)))->id();
        EventsTableModel model(env.manager.get());
        QSortFilterProxyModel sorter;
        sorter.setSortRole(SortRole);
        sorter.setSourceModel(&model);
        sorter.sort(EventsTableModel::DaysColumn);
        QCOMPARE(ids(sorter), (QList<QByteArray>{allDay, early, late, next}));
        QCOMPARE(sorter.index(1, EventsTableModel::DaysColumn).data().toInt(), 2); // the shown value stays whole
    }

    void sortValuesFollowTheDayOnceCleared()
    {
        EditorTestEnv env;
        env.add(0, "Trip", Period(QDate(2026, 3, 20)));
        EventsTableModel model(env.manager.get());
        const QModelIndex days = model.index(0, EventsTableModel::DaysColumn);
        QCOMPARE(days.data(SortRole).toInt(), 10);
        Common::Clock::pin(QDateTime(QDate(2026, 3, 11), QTime(0, 5)));
        QCOMPARE(days.data().toInt(), 9);
        model.clearCache(); // the editor does this when the day changes
        QCOMPARE(days.data(SortRole).toInt(), 9);
        env.add(0, "Other", Period(QDate(2026, 3, 12))); // a change resets the model and its cache
        QCOMPARE(model.index(1, EventsTableModel::DaysColumn).data(SortRole).toInt(), 1);
    }

    // One event's change reaches the editor's models as that row's change: the sorted table and
    // the day list then show what models built afresh show, with the row's cached values renewed.
    void aChangedEventIsSortedAgainAlone_data()
    {
        QTest::addColumn<int>("column");
        QTest::newRow("by caption") << int(EventsTableModel::CaptionColumn);
        QTest::newRow("by comment") << int(EventsTableModel::CommentColumn);
    }

    void aChangedEventIsSortedAgainAlone()
    {
        QFETCH(int, column);
        EditorTestEnv env;
        env.add(0, "Alpha", Period(QDate(2026, 3, 20)))->setComment("a");
        env.add(0, "Beta", Period(QDate(2026, 3, 12)))->setComment("b");
        const AbstractCommonEventPtr changed = env.add(0, "Gamma", Period(QDate(2026, 3, 15)));
        changed->setComment("c");
        EventsTableModel table(env.manager.get());
        QSortFilterProxyModel sorter;
        sorter.setSortRole(SortRole);
        sorter.setDynamicSortFilter(true);
        sorter.setSourceModel(&table);
        sorter.sort(column);
        QAbstractItemModelTester tester(&sorter, QAbstractItemModelTester::FailureReportingMode::QtTest);
        EditorEventsModel days(env.manager.get());
        QCOMPARE(ids(sorter).last(), changed->id());
        QCOMPARE(days.index(2).data(NextDateTimeRole).toDateTime().date(), QDate(2026, 3, 15));
        QSignalSpy resets(&table, &QAbstractItemModel::modelReset);

        changed->setCaption("Aardvark");
        changed->setComment("0");

        EventsTableModel freshTable(env.manager.get());
        QSortFilterProxyModel fresh;
        fresh.setSortRole(SortRole);
        fresh.setSourceModel(&freshTable);
        fresh.sort(column);
        QCOMPARE(ids(sorter), ids(fresh));
        QCOMPARE(ids(sorter).first(), changed->id());
        QCOMPARE(sorter.index(0, EventsTableModel::CaptionColumn).data().toString(), QString("Aardvark"));
        QCOMPARE(resets.count(), 0);
        // A period change is the row's change too, and renews the day list's next begins.
        changed->setPeriod(Period(QDate(2026, 3, 25)));
        QCOMPARE(days.index(2).data(NextDateTimeRole).toDateTime().date(), QDate(2026, 3, 25));
        QCOMPARE(resets.count(), 0);
    }

    // Added and removed events reach the editor's models as rows coming and going: the sorted table
    // and the day list keep their cached values in step and show what models built afresh show.
    void rowsComeAndGoWithoutReset_data()
    {
        QTest::addColumn<int>("removed"); // -1: one added
        QTest::newRow("first removed") << 0;
        QTest::newRow("middle removed") << 1;
        QTest::newRow("last removed") << 2;
        QTest::newRow("one added") << -1;
    }

    void rowsComeAndGoWithoutReset()
    {
        QFETCH(int, removed);
        EditorTestEnv env;
        env.add(0, "Alpha", Period(QDate(2026, 3, 20)));
        env.add(0, "Beta", Period(QDate(2026, 3, 12)));
        env.add(0, "Gamma", Period(QDate(2026, 3, 15)));
        EventsTableModel table(env.manager.get());
        QSortFilterProxyModel sorter;
        QSortFilterProxyModel fresh;
        for (QSortFilterProxyModel *proxy : {&sorter, &fresh}) {
            proxy->setSortRole(SortRole);
            proxy->setDynamicSortFilter(true);
        }
        sorter.setSourceModel(&table);
        sorter.sort(EventsTableModel::DaysColumn);
        QAbstractItemModelTester tester(&sorter, QAbstractItemModelTester::FailureReportingMode::QtTest);
        EditorEventsModel days(env.manager.get());
        for (int row = 0; row < 3; ++row)
            days.index(row).data(NextDateTimeRole);
        QSignalSpy resets(&table, &QAbstractItemModel::modelReset);
        QSignalSpy dayResets(&days, &QAbstractItemModel::modelReset);

        if (removed >= 0)
            env.manager->removeEvent(env.manager->eventByIndex(removed));
        else
            env.add(0, "Delta", Period(QDate(2026, 3, 11)));

        EventsTableModel built(env.manager.get());
        fresh.setSourceModel(&built);
        fresh.sort(EventsTableModel::DaysColumn);
        QCOMPARE(ids(sorter), ids(fresh));
        EditorEventsModel freshDays(env.manager.get());
        QCOMPARE(days.rowCount(), freshDays.rowCount());
        for (int row = 0; row < days.rowCount(); ++row)
            QCOMPARE(days.index(row).data(NextDateTimeRole), freshDays.index(row).data(NextDateTimeRole));
        QCOMPARE(resets.count() + dayResets.count(), 0);
    }

    void dayListPictureHeight()
    {
        EditorTestEnv env;
        env.add(0, "Anna", Period(QDate(2026, 4, 1)));
        EditorEventsModel model(env.manager.get());
        const QPixmap own = model.index(0).data(Qt::DecorationRole).value<QPixmap>();
        QVERIFY(!own.isNull());
        QCOMPARE(model.index(0).data().toString(), QString("Anna"));
        model.setPictureHeight(60);
        QCOMPARE(model.index(0).data(Qt::DecorationRole).value<QPixmap>().height(), 60);
        model.setPictureHeight(0);
        QCOMPARE(model.index(0).data(Qt::DecorationRole).value<QPixmap>().size(), own.size());
    }

    void calendarRowsFlagsAndIcons()
    {
        EditorTestEnv env;
        CalendarModel model(nullptr, env.manager.get());
        QAbstractItemModelTester tester(&model);
        QCOMPARE(model.rowCount(), 1);
        const auto removable = Qt::ItemFlags(CalendarModel::ItemIsRemovable);
        QVERIFY(!(model.flags(model.index(0)) & removable));
        QVERIFY(model.flags(QModelIndex()) & Qt::ItemIsDropEnabled);
        const QByteArray work = env.addCalendar("Arbeit – Büro");
        QCOMPARE(model.rowCount(), 2);
        QCOMPARE(model.index(1).data().toString(), QString("Arbeit – Büro"));
        QCOMPARE(model.index(1).data(CalendarModel::CalendarIdRole).toByteArray(), work);
        QVERIFY(model.flags(model.index(1)) & removable);
        const qint64 big = model.index(0).data(Qt::DecorationRole).value<QIcon>().cacheKey();
        const qint64 small = model.index(1).data(Qt::DecorationRole).value<QIcon>().cacheKey();
        QVERIFY(big != small);

        QSignalSpy changed(&model, &QAbstractItemModel::dataChanged);
        env.manager->setDefaultCalendar(work);
        QCOMPARE(changed.count(), 2);
        QCOMPARE(model.index(1).data(Qt::DecorationRole).value<QIcon>().cacheKey(), big);
        QCOMPARE(model.index(0).data(Qt::DecorationRole).value<QIcon>().cacheKey(), small);
        QVERIFY(model.flags(model.index(0)) & removable);
        QVERIFY(!(model.flags(model.index(1)) & removable));
    }

    void calendarRenameOnlyRequests_data()
    {
        QTest::addColumn<QString>("typed");
        QTest::addColumn<bool>("accepted");
        QTest::newRow("trimmed") << "  Família  " << true;
        QTest::newRow("blanks only") << " \t " << false;
    }

    void calendarRenameOnlyRequests()
    {
        QFETCH(QString, typed);
        QFETCH(bool, accepted);
        EditorTestEnv env;
        CalendarModel model(nullptr, env.manager.get());
        const QString before = model.index(0).data().toString();
        QSignalSpy renames(&model, &CalendarModel::renameRequested);
        QCOMPARE(model.setData(model.index(0), typed), accepted);
        QCOMPARE(renames.count(), accepted ? 1 : 0);
        if (accepted)
            QCOMPARE(renames.first(), (QVariantList{0, typed.trimmed()}));
        QCOMPARE(model.index(0).data().toString(), before);
        QVERIFY(!model.setData(model.index(0), "x", Qt::DisplayRole));
    }

    void calendarDrop_data()
    {
        QTest::addColumn<int>("count");
        QTest::addColumn<int>("dragged");
        QTest::addColumn<int>("row");
        QTest::addColumn<QVariantList>("request"); // empty: no move
        QTest::newRow("first between 2 and 3") << 4 << 0 << 3 << QVariantList{0, 2};
        QTest::newRow("last above the first") << 4 << 3 << 0 << QVariantList{3, -3};
        QTest::newRow("gap just below itself") << 3 << 1 << 2 << QVariantList();
        QTest::newRow("gap just above itself") << 3 << 1 << 1 << QVariantList();
        QTest::newRow("first to the empty space") << 3 << 0 << -1 << QVariantList{0, 2};
        QTest::newRow("last to the empty space") << 3 << 2 << -1 << QVariantList();
    }

    void calendarDrop()
    {
        QFETCH(int, count);
        QFETCH(int, dragged);
        QFETCH(int, row);
        QFETCH(QVariantList, request);
        EditorTestEnv env;
        for (int i = 1; i < count; ++i)
            env.addCalendar(QString("C%1").arg(i));
        CalendarModel model(nullptr, env.manager.get());
        std::unique_ptr<QMimeData> data(model.mimeData({model.index(dragged)}));
        QVERIFY(data);
        QCOMPARE(data->data(CalendarModel::mimeType()).size(), 16);
        QSignalSpy moves(&model, &CalendarModel::moveRequested);
        QCOMPARE(model.dropMimeData(data.get(), Qt::MoveAction, row, 0, QModelIndex()), !request.isEmpty());
        QCOMPARE(moves.count(), request.isEmpty() ? 0 : 1);
        if (!request.isEmpty())
            QCOMPARE(moves.first(), request);
    }

    void calendarRefusesBadPayloads_data()
    {
        QTest::addColumn<int>("row");
        QTest::addColumn<bool>("cut");
        QTest::addColumn<bool>("foreign");
        QTest::newRow("row past the end") << 3 << false << false;
        QTest::newRow("negative row") << -1 << false << false;
        QTest::newRow("cut payload") << 0 << true << false;
        QTest::newRow("foreign data") << 0 << false << true;
    }

    void calendarRefusesBadPayloads()
    {
        TestHelpers::expectFailedChecks();
        QFETCH(int, row);
        QFETCH(bool, cut);
        QFETCH(bool, foreign);
        EditorTestEnv env;
        env.addCalendar("Second");
        env.addCalendar("Third");
        CalendarModel model(nullptr, env.manager.get());
        std::unique_ptr<QMimeData> data(payload(row, 0, cut));
        if (foreign) {
            data.reset(new QMimeData);
            data->setText("0");
        }
        QSignalSpy moves(&model, &CalendarModel::moveRequested);
        QVERIFY(!model.dropMimeData(data.get(), Qt::MoveAction, 1, 0, QModelIndex()));
        QCOMPARE(moves.count(), 0);
        QCOMPARE(model.mimeData({}), nullptr);
        QCOMPARE(model.mimeData({model.index(0), model.index(1)}), nullptr);
    }

    void calendarFollowsManagerMoves_data()
    {
        QTest::addColumn<int>("from");
        QTest::addColumn<int>("step");
        QTest::newRow("down two") << 0 << 2;
        QTest::newRow("up three") << 3 << -3;
        QTest::newRow("down one") << 1 << 1;
    }

    void calendarFollowsManagerMoves()
    {
        QFETCH(int, from);
        QFETCH(int, step);
        EditorTestEnv env;
        for (int i = 1; i < 4; ++i)
            env.addCalendar(QString("C%1").arg(i));
        CalendarModel model(nullptr, env.manager.get());
        QAbstractItemModelTester tester(&model);
        QPersistentModelIndex moved = model.index(from);
        const QByteArray id = moved.data(CalendarModel::CalendarIdRole).toByteArray();
        env.manager->moveCalendar(id, step);
        QCOMPARE(moved.row(), from + step);
        QCOMPARE(model.index(from + step).data(CalendarModel::CalendarIdRole).toByteArray(), id);
        env.manager->removeCalendar(env.manager->calendarId(3) == env.manager->defaultCalendarId()
                                        ? env.manager->calendarId(2)
                                        : env.manager->calendarId(3));
        QCOMPARE(model.rowCount(), 3);
    }

    void dayFilterWindows_data()
    {
        QTest::addColumn<int>("rule");
        QTest::addColumn<Period>("period");
        QTest::addColumn<QDate>("day");
        QTest::addColumn<bool>("listed");
        const Period span(QDate(2026, 5, 10), QDate(2026, 5, 12));
        QTest::newRow("span, day before") << 0 << span << QDate(2026, 5, 9) << false;
        QTest::newRow("span, first day") << 0 << span << QDate(2026, 5, 10) << true;
        QTest::newRow("span, middle") << 0 << span << QDate(2026, 5, 11) << true;
        QTest::newRow("span, last day") << 0 << span << QDate(2026, 5, 12) << true;
        QTest::newRow("span, day after") << 0 << span << QDate(2026, 5, 13) << false;
        const int yearly = IOccurrence::Yearly;
        QTest::newRow("yearly span, next year") << yearly << span << QDate(2027, 5, 11) << true;
        QTest::newRow("yearly span, next year after") << yearly << span << QDate(2027, 5, 13) << false;
        QTest::newRow("one day, its day") << 0 << Period(QDate(2026, 5, 10)) << QDate(2026, 5, 10) << true;
        QTest::newRow("one day, next day") << 0 << Period(QDate(2026, 5, 10)) << QDate(2026, 5, 11) << false;
        QTest::newRow("yearly day, years later") << yearly << Period(QDate(1990, 5, 10)) << QDate(2031, 5, 10) << true;
    }

    void dayFilterWindows()
    {
        QFETCH(int, rule);
        QFETCH(Period, period);
        QFETCH(QDate, day);
        QFETCH(bool, listed);
        EditorTestEnv env;
        env.add(0, "Visit", period, IOccurrence::Type(rule));
        EventsModel source(env.manager.get());
        CalendarProxyModel proxy(env.manager.get());
        QAbstractItemModelTester tester(&proxy);
        proxy.setSourceModel(&source);
        QCOMPARE(proxy.rowCount(), 0);
        proxy.setFilterDate(day);
        QCOMPARE(proxy.rowCount(), listed ? 1 : 0);
    }

    void sameDayFiltersOnce()
    {
        EditorTestEnv env;
        env.add(0, "Visit", Period(QDate(2026, 5, 10)));
        EventsModel source(env.manager.get());
        CalendarProxyModel proxy(env.manager.get());
        proxy.setSourceModel(&source);
        proxy.setFilterDate(QDate(2026, 5, 10));
        QCOMPARE(proxy.rowCount(), 1);
        QSignalSpy layouts(&proxy, &QAbstractItemModel::layoutChanged);
        QSignalSpy removals(&proxy, &QAbstractItemModel::rowsRemoved);
        proxy.setFilterDate(QDate(2026, 5, 10));
        QCOMPARE(layouts.count() + removals.count(), 0);
        proxy.setFilterDate(QDate(2026, 5, 11));
        QCOMPARE(removals.count(), 1);
    }
};

QTEST_MAIN(TestEditorModels)
#include "tst_editormodels.moc"
