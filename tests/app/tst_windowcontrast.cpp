#include "apptestenv.h"
#include "app/reminderwidget.h"
#include "core/clock.h"
#include "core/colorcontrast.h"
#include "editor/editor.h"
#include "events/eventsfactory.h"
#include "events/ui/eventeditdialog.h"
#include "gadgets/gadgetscontroller.h"
#include "gadgets/todogadget.h"
#include "shots.h"
#include "widgets/calendar/calendaritems.h"
#include "widgets/calendar/calendarview.h"
#include "store/eventsmanager.h"

#include <QAbstractButton>
#include <QAbstractItemView>
#include <QComboBox>
#include <QScrollBar>
#include <QGraphicsOpacityEffect>
#include <QLabel>
#include <QLineEdit>
#include <QStackedWidget>
#include <QToolButton>
#include <QtTest>

// Text in every window reads on its background under a dark and a light palette, measured on the pixels
// of each window's picture: in each text's box, its strongest pixel against the box's commonest colour.
class TestWindowContrast : public QObject
{
    Q_OBJECT

    static QPalette darkPalette()
    {
        QPalette p(QColor(53, 53, 53), QColor(53, 53, 53));
        p.setColor(QPalette::WindowText, QColor(225, 225, 225));
        p.setColor(QPalette::ButtonText, QColor(225, 225, 225));
        p.setColor(QPalette::Text, QColor(225, 225, 225));
        p.setColor(QPalette::Base, QColor(38, 38, 38));
        p.setColor(QPalette::AlternateBase, QColor(58, 58, 58));
        p.setColor(QPalette::Link, QColor(90, 160, 240));
        p.setColor(QPalette::Highlight, QColor(20, 80, 140));
        return p;
    }

    static double worst(QWidget *window, QString *where)
    {
        // Selections are the theme's colours, not the program's; controls shown on hover are measured shown.
        for (QLineEdit *edit : window->findChildren<QLineEdit *>())
            edit->deselect();
        for (QGraphicsOpacityEffect *effect : window->findChildren<QGraphicsOpacityEffect *>())
            effect->setOpacity(1.0);
        const QImage image = window->grab().toImage().convertToFormat(QImage::Format_RGB32);
        auto measure = [&](const QRect &box, const QString &name, double &least) {
            QHash<QRgb, int> counts;
            const QRect r = box & image.rect();
            for (int y = r.top(); y <= r.bottom(); ++y)
                for (int x = r.left(); x <= r.right(); ++x)
                    ++counts[image.pixel(x, y)];
            if (counts.isEmpty())
                return;
            const QRgb background = std::max_element(counts.keyValueBegin(), counts.keyValueEnd(),
                                                     [](auto a, auto b) { return a.second < b.second; })->first;
            double strongest = 1;
            for (auto it = counts.keyBegin(); it != counts.keyEnd(); ++it)
                strongest = qMax(strongest, ColorContrast::contrastRatio(QColor(*it), QColor(background)));
            if (strongest < least) {
                least = strongest;
                *where = name;
            }
        };
        double least = 21;
        for (QWidget *w : window->findChildren<QWidget *>()) {
            if (!w->isVisibleTo(window) || !w->isEnabled())
                continue;
            const QPoint at = w->mapTo(window, QPoint());
            if (auto *view = qobject_cast<QAbstractItemView *>(w)) {
                const QAbstractItemModel *model = view->model();
                for (int row = 0; model && row < qMin(model->rowCount(view->rootIndex()), 30); ++row)
                    for (int column = 0; column < model->columnCount(view->rootIndex()); ++column) {
                        const QModelIndex index = model->index(row, column, view->rootIndex());
                        const QRect cell = view->visualRect(index) & view->viewport()->rect();
                        if (!index.data().toString().trimmed().isEmpty() && cell.height() > 4)
                            measure(cell.translated(view->viewport()->mapTo(window, QPoint())),
                                    index.data().toString(), least);
                    }
                continue;
            }
            if (auto *calendar = qobject_cast<CalendarView *>(w)) {
                // Each day of the month in view, outside the status marks' corner, and the month's name.
                const QDate today = Common::Clock::today();
                const QRect shown(calendar->viewport()->mapTo(window, QPoint()), calendar->viewport()->size());
                const QPoint origin = shown.topLeft() - QPoint(0, calendar->verticalScrollBar()->value());
                QList<QRect> boxes{calendar->m_calendar->year(today.year())->month(today.month())->nameItem()->rect()};
                for (int day = 1; day <= today.daysInMonth(); ++day) {
                    const QRect box = calendar->dayItem(QDate(today.year(), today.month(), day))->rect();
                    boxes << box.adjusted(0, box.height() / 3, -box.width() / 3, 0);
                }
                for (const QRect &box : std::as_const(boxes))
                    measure(box.translated(origin) & shown, QStringLiteral("calendar"), least);
                continue;
            }
            QString text;
            if (auto *label = qobject_cast<QLabel *>(w))
                text = label->text().contains(QLatin1String("<img")) ? QString() : label->text();
            else if (auto *tool = qobject_cast<QToolButton *>(w))
                text = tool->toolButtonStyle() == Qt::ToolButtonIconOnly ? QString() : tool->text();
            else if (auto *button = qobject_cast<QAbstractButton *>(w))
                text = button->text();
            else if (auto *edit = qobject_cast<QLineEdit *>(w))
                text = edit->text();
            else if (auto *combo = qobject_cast<QComboBox *>(w))
                text = combo->currentText();
            if (!text.trimmed().isEmpty())
                measure(QRect(at, w->size()), w->objectName() + QLatin1String(": ") + text.left(30), least);
        }
        return least;
    }

private slots:
    void textReadsUnderDarkAndLightPalettes_data()
    {
        QTest::addColumn<QString>("window");
        QTest::addColumn<bool>("dark");
        for (const char *window : {"calendar", "table", "form0", "form1", "form2", "form3", "form4", "settings",
                                   "reminder", "gadget"})
            for (bool dark : {true, false})
                QTest::addRow("%s %s", window, dark ? "dark" : "light") << QString::fromLatin1(window) << dark;
    }

    void textReadsUnderDarkAndLightPalettes()
    {
        QFETCH(QString, window);
        QFETCH(bool, dark);
        AppTestEnv env;
        Application *app = env.start();
        QApplication::setPalette(dark ? darkPalette() : QApplication::style()->standardPalette());
        EventsManager *manager = app->eventsManager();
        for (int kind = 0; kind < 5; ++kind) {
            AbstractCommonEventPtr event = EventsFactory::createEvent(kind);
            event->setCaption(QStringLiteral("Größere Feier – %1").arg(kind));
            event->setPeriod(Period(Common::Clock::today().addDays(kind), QTime(9 + kind, 30)));
            manager->addEvent(event);
        }
        std::unique_ptr<QWidget> owned;
        QList<QWidget *> pages;
        if (window == QLatin1String("calendar") || window == QLatin1String("table")) {
            app->showEditor(0);
            app->editor()->findChild<QStackedWidget *>(QStringLiteral("pages"))->setCurrentIndex(window == "table");
            pages << app->editor();
        } else if (window.startsWith(QLatin1String("form"))) {
            owned = std::make_unique<EventEditDialog>(manager->eventByIndex(window.right(1).toInt()).get(), nullptr);
            pages << owned.get();
        } else if (window == QLatin1String("settings")) {
            app->showSettings();
            for (QWidget *top : QApplication::topLevelWidgets())
                if (top->objectName() == QLatin1String("settingsDialog") && top->isVisible())
                    pages << top;
        } else if (window == QLatin1String("reminder")) {
            ReminderWidget::showReminder(manager->eventByIndex(0));
            pages << ReminderWidget::widgets().first();
        } else {
            app->newTodoGadget();
            pages << app->gadgetsController()->liveGadgets().first();
        }
        QVERIFY(!pages.isEmpty());
        QWidget *shown = pages.first();
        shown->show();
        QVERIFY(QTest::qWaitForWindowExposed(shown));
        auto *stack = shown->findChild<QStackedWidget *>(QStringLiteral("stackedWidget"));
        for (int page = 0; page < (stack ? stack->count() : 1); ++page) {
            if (stack)
                stack->setCurrentIndex(page);
            QCoreApplication::processEvents();
            QString where;
            const double least = worst(shown, &where);
            const QString name = QStringLiteral("contrast-%1-%2-%3").arg(window).arg(page).arg(dark ? "dark" : "light");
            TestHelpers::saveShot(shown, name);
            QVERIFY2(least >= ColorContrast::s_textRatio, qPrintable(QStringLiteral("%1 %2: %3").arg(name, where).arg(least)));
        }
        for (ReminderWidget *reminder : ReminderWidget::widgets())
            reminder->close();
    }
};

QTEST_APPLESS_MAIN(TestWindowContrast)
#include "tst_windowcontrast.moc"
