#include "gadgets/gadgetstyle.h"
#include "gadgets/gadgetthememanager.h"
#include "gadgets/tododelegate.h"
#include "gadgets/todomodel.h"
#include "gadgets/todoview.h"

#include <QDrag>
#include <QMimeData>
#include <QPainter>
#include <QSignalSpy>
#include <QtTest>

namespace {
class OptionDelegate : public ToDoDelegate
{
public:
    using ToDoDelegate::initStyleOption;
    using ToDoDelegate::ToDoDelegate;
};

class View : public ToDoView
{
public:
    using ToDoView::startDrag;
};

// A to-do list in a view of its own.
struct List
{
    explicit List(const QStringList &texts)
    {
        for (const QString &text : texts) {
            IToDoRecordPtr record = ToDoRecord::create();
            record->setText(text);
            storage.addEvent(record);
        }
        view.setModel(&model);
        view.setHeaderHidden(true);
        view.setRootIsDecorated(false);
        view.setDragDropMode(QAbstractItemView::DragDrop);
        view.resize(220, 300);
        view.show();
    }

    QStringList texts() const
    {
        QStringList list;
        for (int i = 0; i < storage.count(); ++i)
            list << storage.eventByIndex(i)->text();
        return list;
    }

    QPoint point(int row, bool upper) const
    {
        const QRect rect = view.visualRect(model.index(row, 0));
        return QPoint(rect.center().x(), upper ? rect.top() + 1 : rect.bottom() - 1);
    }

    ToDoStorage storage;
    ToDoModel model{&storage};
    View view;
};

// Delivers a drag to `target` at `pos` as the window system would, and says how it ended.
Qt::DropAction deliver(ToDoView *target, const QPoint &enterPos, const QPoint &dropPos, const QMimeData *data)
{
    QWidget *viewport = target->viewport();
    QDragEnterEvent enter(enterPos, Qt::MoveAction, data, Qt::LeftButton, Qt::NoModifier);
    QCoreApplication::sendEvent(viewport, &enter);
    if (!enter.isAccepted())
        return Qt::IgnoreAction;
    QDragMoveEvent move(dropPos, Qt::MoveAction, data, Qt::LeftButton, Qt::NoModifier);
    QCoreApplication::sendEvent(viewport, &move);
    QDropEvent drop(dropPos, Qt::MoveAction, data, Qt::LeftButton, Qt::NoModifier);
    QCoreApplication::sendEvent(viewport, &drop);
    return drop.isAccepted() ? drop.dropAction() : Qt::IgnoreAction;
}
} // namespace

class TestToDoView : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase()
    {
        // The theme manager brings the themes' pictures in.
        GadgetThemeManager themes;
    }

    void movesWithinList_data()
    {
        QTest::addColumn<int>("dragged");
        QTest::addColumn<int>("row");
        QTest::addColumn<bool>("upper");
        QTest::addColumn<QStringList>("expected");
        QTest::newRow("onto itself") << 2 << 2 << true << QStringList{"a", "b", "c", "d"};
        QTest::newRow("neighbour below, upper half") << 1 << 2 << true << QStringList{"a", "c", "b", "d"};
        QTest::newRow("neighbour above, lower half") << 2 << 1 << false << QStringList{"a", "c", "b", "d"};
        QTest::newRow("far, upper half") << 3 << 0 << true << QStringList{"d", "a", "b", "c"};
        QTest::newRow("far, lower half") << 3 << 0 << false << QStringList{"a", "d", "b", "c"};
        QTest::newRow("below the rows") << 0 << -1 << false << QStringList{"b", "c", "d", "a"};
    }

    void movesWithinList()
    {
        QFETCH(int, dragged);
        QFETCH(int, row);
        QFETCH(bool, upper);
        QFETCH(QStringList, expected);
        List list({"a", "b", "c", "d"});
        list.view.setCurrentIndex(list.model.index(dragged, 0));
        const QPoint dropPos = row < 0 ? QPoint(20, list.view.viewport()->height() - 2) : list.point(row, upper);
        list.view.setDragRunner(
            [&](QDrag *drag) { return deliver(&list.view, list.point(dragged, true), dropPos, drag->mimeData()); });
        list.view.startDrag(Qt::MoveAction);
        QCOMPARE(list.texts(), expected);
        QVERIFY(!list.view.isDragging());
    }

    void movesBetweenLists()
    {
        List source({"keep", QString::fromUtf8("move to Łódź")});
        List target({"x"});
        source.view.setCurrentIndex(source.model.index(1, 0));
        source.view.setDragRunner([&](QDrag *drag) {
            return deliver(&target.view, target.point(0, true), target.point(0, true), drag->mimeData());
        });
        source.view.startDrag(Qt::MoveAction);
        QCOMPARE(source.texts(), QStringList{"keep"});
        QCOMPARE(target.texts(), QStringList({QString::fromUtf8("move to Łódź"), "x"}));
    }

    void refusedDropKeepsSource()
    {
        // Whatever the target makes of the drop, a refused one must not remove the dragged to-do.
        List source({"a", "b"});
        List target({});
        source.view.setCurrentIndex(source.model.index(0, 0));
        source.view.setDragRunner([&](QDrag *) {
            QMimeData bad;
            bad.setData(ToDoModel::s_mimeType, "[\"not a to-do\"]");
            return deliver(&target.view, QPoint(5, 5), QPoint(5, 5), &bad);
        });
        source.view.startDrag(Qt::MoveAction);
        QCOMPARE(source.texts(), QStringList({"a", "b"}));
        QCOMPARE(target.storage.count(), 0);
    }

    void refusesOtherDrags()
    {
        List list({"a"});
        QMimeData text;
        text.setText(QStringLiteral("a"));
        QCOMPARE(deliver(&list.view, QPoint(5, 5), QPoint(5, 5), &text), Qt::IgnoreAction);
        QVERIFY(!list.view.isDragging());
    }

    void leavingCancelsOnce()
    {
        List list({"a"});
        QSignalSpy canceled(&list.view, &ToDoView::dragCanceled);
        QMimeData data;
        data.setData(ToDoModel::s_mimeType, "{\"text\": \"x\"}");
        QDragEnterEvent enter(QPoint(5, 5), Qt::MoveAction, &data, Qt::LeftButton, Qt::NoModifier);
        QCoreApplication::sendEvent(list.view.viewport(), &enter);
        QVERIFY(list.view.isDragging());
        QDragLeaveEvent leave;
        QCoreApplication::sendEvent(list.view.viewport(), &leave);
        QCoreApplication::sendEvent(list.view.viewport(), &leave);
        QCOMPARE(canceled.size(), 1);
        QCOMPARE(list.view.dragSourceRow(), -1);
    }

    void delegateWrapsLongTexts()
    {
        List list({"short", "a long to-do text that cannot fit into one line of a narrow gadget"});
        auto *delegate = new ToDoDelegate(&list.view, QStringLiteral(":/Ostrevalder/icons/gadget/"));
        list.view.setItemDelegate(delegate);
        list.view.resize(150, 300);
        QVERIFY(!delegate->displayText(list.model.index(0, 0).data(), QLocale()).contains(QChar::LineSeparator));
        const QString wrapped = delegate->displayText(list.model.index(1, 0).data(), QLocale());
        QVERIFY(wrapped.count(QChar::LineSeparator) >= 2);
        QCOMPARE(wrapped.split(QChar::LineSeparator).join(QLatin1Char(' ')), list.model.index(1, 0).data().toString());
        // The row grows to hold its lines.
        QVERIFY(list.view.visualRect(list.model.index(1, 0)).height() >
                list.view.visualRect(list.model.index(0, 0)).height());
    }

    // Every wrapped line fits the room the style gives the text beside the check box and the remove icon.
    void wrappedLinesFitTheirRow_data()
    {
        QTest::addColumn<int>("width");
        QTest::newRow("narrow") << 150;
        QTest::newRow("gadget") << 176;
        QTest::newRow("wide") << 260;
    }

    void wrappedLinesFitTheirRow()
    {
        QFETCH(int, width);
        List list({"Geschenk für Åsa kaufen, bevor der Laden am Samstag schließt und die Straße gesperrt wird"});
        auto *delegate = new OptionDelegate(&list.view, QStringLiteral(":/Ostrevalder/icons/gadget/"));
        list.view.setItemDelegate(delegate);
        list.view.setStyle(GadgetStyle::instance());
        list.view.resize(width, 300);
        const QModelIndex index = list.model.index(0, 0);
        QStyleOptionViewItem option;
        option.initFrom(list.view.viewport());
        option.rect = list.view.visualRect(index);
        delegate->initStyleOption(&option, index);
        const QRect text = list.view.style()->subElementRect(QStyle::SE_ItemViewItemText, &option, &list.view);
        const QFontMetrics metrics(list.view.font());
        for (const QString &line : option.text.split(QChar::LineSeparator))
            QVERIFY2(metrics.horizontalAdvance(line) <= text.width(), qPrintable(line));
    }

    void styleDropsItemTextMargin()
    {
        QCOMPARE(GadgetStyle::instance(), GadgetStyle::instance());
        QCOMPARE(GadgetStyle::instance()->pixelMetric(QStyle::PM_FocusFrameHMargin), 0);
        QVERIFY(GadgetStyle::instance()->pixelMetric(QStyle::PM_IndicatorWidth) > 0);
    }

    void removeIconRemovesItsRow()
    {
        List list({"a", "b", "c"});
        auto *delegate = new ToDoDelegate(&list.view, QStringLiteral(":/Ostrevalder/icons/gadget/"));
        list.view.setItemDelegate(delegate);
        // The icon shows on the hovered row only.
        QStyleOptionViewItem option;
        option.initFrom(list.view.viewport());
        option.rect = list.view.visualRect(list.model.index(1, 0));
        option.state |= QStyle::State_MouseOver;
        QImage image(list.view.viewport()->size(), QImage::Format_ARGB32);
        QPainter painter(&image);
        delegate->paint(&painter, option, list.model.index(1, 0));
        painter.end();
        const QRect icon = delegate->removeIconRect();
        QCOMPARE(icon.size(), QSize(12, 12));
        QVERIFY(option.rect.contains(icon));

        QTest::mouseClick(list.view.viewport(), Qt::RightButton, Qt::NoModifier, icon.center());
        QCOMPARE(list.texts(), QStringList({"a", "b", "c"}));
        QTest::mouseClick(list.view.viewport(), Qt::LeftButton, Qt::NoModifier, icon.center());
        QCOMPARE(list.texts(), QStringList({"a", "c"}));
    }
};

QTEST_MAIN(TestToDoView)
#include "tst_todoview.moc"
