#include "core/applocale.h"
#include "testhelpers.h"
#include "widgets/dateshowinglistview.h"
#include "widgets/styleditemdelegate.h"
#include "widgets/tableview.h"

#include <QHelpEvent>
#include <QProxyStyle>
#include <QSignalSpy>
#include <QStandardItemModel>
#include <QStringListModel>
#include <QStyleOptionViewItem>
#include <QtTest>

// Records the state every item is drawn with.
class StateRecordingStyle : public QProxyStyle
{
public:
    void drawControl(ControlElement element, const QStyleOption *option, QPainter *painter,
                     const QWidget *widget) const override
    {
        if (element == CE_ItemViewItem)
            states << option->state;
        QProxyStyle::drawControl(element, option, painter, widget);
    }
    mutable QList<QStyle::State> states;
};

class TestEditorViews : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase()
    {
        TestHelpers::isolateEnvironment();
        Common::setAppLocale(QLocale(QLocale::English, QLocale::UnitedStates));
    }

    void placeholderNamesTheDay_data()
    {
        QTest::addColumn<QDate>("date");
        QTest::addColumn<QString>("text");
        QTest::newRow("no day") << QDate() << "No Selection";
        QTest::newRow("a day")
            << QDate(2026, 3, 9)
            << QLocale(QLocale::English, QLocale::UnitedStates).toString(QDate(2026, 3, 9), QLocale::ShortFormat);
    }

    void placeholderNamesTheDay()
    {
        QFETCH(QDate, date);
        QFETCH(QString, text);
        DateShowingListView view;
        QCOMPARE(view.placeholder().text(), QStringLiteral("No Selection"));
        view.setDate(date);
        QCOMPARE(view.placeholder().text(), text);
        QCOMPARE(view.date(), date);
    }

    void placeholderShowsOnlyOnAnEmptyList()
    {
        DateShowingListView view;
        QStringListModel model;
        view.setModel(&model);
        view.resize(300, 240);
        view.setDate(QDate(2026, 3, 9));
        const QImage empty = view.grab().toImage();
        model.setStringList({QStringLiteral("Birthday of Zoë Ångström")});
        const QImage filled = view.grab().toImage();
        model.setStringList({});
        QCOMPARE(view.grab().toImage(), empty);
        // The faded date covers the middle of an empty list, and is gone once there are rows.
        const QPoint middle(150, 120);
        QRect around(middle - QPoint(60, 20), QSize(120, 40));
        bool differs = false;
        for (int x = around.left(); x <= around.right() && !differs; ++x)
            for (int y = around.top(); y <= around.bottom() && !differs; ++y)
                differs = empty.pixel(x, y) != filled.pixel(x, y);
        QVERIFY(differs);

        const QString dir = QString::fromLocal8Bit(qgetenv("QR_SHOTS_DIR"));
        if (!dir.isEmpty()) {
            view.grab().save(dir + QStringLiteral("/dateshowinglistview_empty.png"));
            model.setStringList({QStringLiteral("Birthday of Zoë Ångström, who turns 40 and wants a big party"),
                                 QStringLiteral("Dentist")});
            view.grab().save(dir + QStringLiteral("/dateshowinglistview_items.png"));
        }
    }

    void resizingRescalesThePlaceholder()
    {
        DateShowingListView view;
        QSignalSpy resized(&view, &DateShowingListView::resized);
        view.resize(200, 90);
        view.show();
        QCOMPARE(view.placeholder().font().pixelSize(), view.height() / 3);
        view.resize(200, 150);
        QCoreApplication::processEvents();
        QCOMPARE(view.placeholder().font().pixelSize(), 50);
        QVERIFY(resized.size() >= 2);
    }

    void tooltipShowsTheWholeItemText()
    {
        DateShowingListView view;
        const QString longText =
            QStringLiteral("Anniversary of the Über-Großeltern, far too long for this narrow list");
        QStringListModel model({longText});
        view.setModel(&model);
        view.resize(80, 200);
        view.show();
        const QRect row = view.visualRect(model.index(0));
        QHelpEvent onItem(QEvent::ToolTip, row.center(), view.viewport()->mapToGlobal(row.center()));
        QCoreApplication::sendEvent(view.viewport(), &onItem);
        QCOMPARE(view.toolTip(), longText);
        const QPoint below(10, 180);
        QHelpEvent onEmpty(QEvent::ToolTip, below, view.viewport()->mapToGlobal(below));
        QCoreApplication::sendEvent(view.viewport(), &onEmpty);
        QCOMPARE(view.toolTip(), QString());
    }

    void deleteNeedsACurrentAndSelectedRow_data()
    {
        QTest::addColumn<bool>("current");
        QTest::addColumn<bool>("selected");
        QTest::addColumn<int>("key");
        QTest::addColumn<bool>("emitted");
        QTest::newRow("current and selected") << true << true << int(Qt::Key_Delete) << true;
        QTest::newRow("nothing current") << false << true << int(Qt::Key_Delete) << false;
        QTest::newRow("current, nothing selected") << true << false << int(Qt::Key_Delete) << false;
        QTest::newRow("another key") << true << true << int(Qt::Key_Backspace) << false;
    }

    void deleteNeedsACurrentAndSelectedRow()
    {
        QFETCH(bool, current);
        QFETCH(bool, selected);
        QFETCH(int, key);
        QFETCH(bool, emitted);
        QStandardItemModel model(3, 2);
        TableView view;
        view.setModel(&model);
        if (current)
            view.selectionModel()->setCurrentIndex(model.index(1, 0), QItemSelectionModel::NoUpdate);
        if (selected)
            view.selectionModel()->select(model.index(2, 0), QItemSelectionModel::Select | QItemSelectionModel::Rows);
        QSignalSpy deletePressed(&view, &TableView::deletePressed);
        QTest::keyClick(&view, Qt::Key(key));
        QCOMPARE(deletePressed.size(), emitted ? 1 : 0);
    }

    void tableUsesTheDelegateWithoutFocusFrame()
    {
        StateRecordingStyle style;
        QStandardItemModel model(2, 2);
        model.setItem(0, 0, new QStandardItem(QStringLiteral("Zoë")));
        TableView view;
        view.setStyle(&style);
        view.setModel(&model);
        QVERIFY(qobject_cast<StyledItemDelegate *>(view.itemDelegate()));
        view.resize(300, 200);
        view.show();
        view.setFocus();
        view.setCurrentIndex(model.index(0, 0));
        style.states.clear();
        view.grab();
        QVERIFY(!style.states.isEmpty());
        for (QStyle::State state : std::as_const(style.states))
            QVERIFY(!(state & QStyle::State_HasFocus));
    }
};

QTEST_MAIN(TestEditorViews)
#include "tst_editorviews.moc"
