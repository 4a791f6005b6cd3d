#include "apptestenv.h"
#include "app/reminderwidget.h"
#include "app/reportdialog.h"
#include "core/clock.h"
#include "core/colorcontrast.h"
#include "editor/editor.h"
#include "editor/printtabledialog.h"
#include "events/eventsfactory.h"
#include "events/ui/eventeditdialog.h"
#include "gadgets/gadgetscontroller.h"
#include "gadgets/todogadget.h"
#include "shots.h"
#include "store/eventsmanager.h"
#include "widgets/calendar/calendaritems.h"
#include "widgets/aboutdialog.h"
#include "widgets/calendar/calendarview.h"
#include "widgets/tooltip.h"
#include <QtTest>
#include <QtWidgets>

// Every window's text reads at 4.5:1 under a dark and a light palette, measured on its picture: in the box
// of each text (a view's page, each calendar day), the strongest pixel against the box's commonest colour.
class TestWindowContrast : public QObject
{
    Q_OBJECT

private slots:
    void textReads_data()
    {
        QTest::addColumn<QString>("window"); // a digit: the event form of that kind; s0, s1: settings pages
        QTest::addColumn<bool>("dark");
        for (const char *window : {"calendar", "table", "0", "1", "2", "3", "4", "s0", "s1", "reminder", "gadget",
                                   "tooltip", "about", "print", "report"})
            for (bool dark : {true, false})
                QTest::addRow("%s %s", window, dark ? "dark" : "light") << QString::fromLatin1(window) << dark;
    }

    void textReads()
    {
        QFETCH(QString, window);
        QFETCH(bool, dark);
        AppTestEnv env;
        Application *app = env.start();
        // Window text, button, light, dark, mid, text, bright text, base, window; then highlight and link.
        QPalette darker(QColor(225, 225, 225), QColor(53, 53, 53), QColor(80, 80, 80), QColor(25, 25, 25),
                        QColor(40, 40, 40), QColor(225, 225, 225), Qt::white, QColor(38, 38, 38), QColor(53, 53, 53));
        darker.setColor(QPalette::Highlight, QColor(20, 80, 140));
        darker.setColor(QPalette::Link, QColor(90, 160, 240));
        QApplication::setPalette(dark ? darker : QApplication::style()->standardPalette());
        for (int kind = 0; kind < 5; ++kind) {
            app->eventsManager()->addEvent(EventsFactory::createEvent(kind));
            if (kind != EventTypeWedding)
                app->eventsManager()->eventByIndex(kind)->setCaption(QStringLiteral("Größere Feier – %1").arg(kind));
        }
        std::unique_ptr<QWidget> form;
        if (window.size() == 1)
            form = std::make_unique<EventEditDialog>(app->eventsManager()->eventByIndex(window.toInt()).get(), nullptr);
        else if (window == "about")
            form = std::make_unique<AboutDialog>();
        else if (window == "print")
            form = std::make_unique<PrintTableDialog>(nullptr, app->eventsManager(), QList<int>());
        else if (window == "tooltip") {
            auto *tip = new ToolTip;
            app->eventsManager()->eventByIndex(0)->setComment("Geburtstagsüberraschungsvorbereitung mitbringen");
            tip->setContentWidget(app->eventsManager()->eventByIndex(0)->infoWidget());
            form.reset(tip);
        }
        QWidget *shown = form.get();
        if (window == "calendar" || window == "table") {
            app->showEditor(-1);
            app->editor()->findChild<QStackedWidget *>(QStringLiteral("pages"))->setCurrentIndex(window == "table");
            shown = app->editor();
        } else if (window.startsWith('s')) {
            app->showSettings();
            for (QWidget *top : QApplication::topLevelWidgets())
                shown = top->objectName() == "settingsDialog" ? top : shown;
            shown->findChild<QStackedWidget *>(QStringLiteral("stackedWidget"))->setCurrentIndex(window == "s1");
        } else if (window == "reminder") {
            ReminderWidget::showReminder(app->eventsManager()->eventByIndex(0));
            shown = ReminderWidget::widgets().first();
        } else if (window == "report") {
            app->showReportBugDialog();
            shown = app->reportDialog();
            shown->findChild<QPlainTextEdit *>("textEdit")->setPlainText("Die Laufschrift bleibt stehen.");
        } else if (window == "gadget") {
            QTRY_VERIFY(!app->gadgetsController()->liveGadgets().isEmpty()); // the welcome gadget, after the bar
            app->newTodoGadget();
            shown = app->gadgetsController()->liveGadgets().first();
        }
        shown->show();
        QVERIFY(QTest::qWaitForWindowExposed(shown));
        // Selections take the theme's colours; controls shown on hover are measured shown.
        for (QLineEdit *edit : shown->findChildren<QLineEdit *>())
            edit->deselect();
        for (QGraphicsOpacityEffect *effect : shown->findChildren<QGraphicsOpacityEffect *>())
            effect->setOpacity(1.0);
        QCoreApplication::processEvents();
        const QString name = QStringLiteral("contrast-%1-%2").arg(window, dark ? "dark" : "light");
        for (QLabel *label : shown->findChildren<QLabel *>()) // each text whole, no word cut off
            QVERIFY2(label->width() >= label->minimumSizeHint().width() || label->text().isEmpty() ||
                         !label->isVisibleTo(shown),
                     qPrintable(name + ": " + label->text()));
        TestHelpers::saveShot(shown, name);
        const QImage image = shown->grab().toImage().convertToFormat(QImage::Format_RGB32);
        QList<QPair<QRect, QString>> boxes;
        for (QWidget *w : shown->findChildren<QWidget *>()) {
            auto *area = qobject_cast<QAbstractScrollArea *>(w);
            auto *tool = qobject_cast<QToolButton *>(w);
            QWidget *surface = area ? area->viewport() : w;
            const char *property = w->inherits("QComboBox") ? "currentText" : "text";
            const QString text = area ? w->objectName() : w->property(property).toString();
            // The empty day list's faint date is a watermark; the calendar's texts are taken one by one.
            if (w->isVisibleTo(shown) && w->isEnabled() && !text.trimmed().isEmpty() && !text.contains("<img") &&
                !(tool && tool->toolButtonStyle() == Qt::ToolButtonIconOnly) && !text.startsWith("calendar"))
                boxes << qMakePair(QRect(surface->mapTo(shown, QPoint()), surface->size()), text);
        }
        for (QTextEdit *edit : shown->findChildren<QTextEdit *>()) { // block by block: table cells have own grounds
            const QRect page(edit->viewport()->mapTo(shown, QPoint()), edit->viewport()->size());
            const QPoint origin = page.topLeft() - QPoint(0, edit->verticalScrollBar()->value());
            for (QTextBlock block = edit->document()->begin(); block.isValid(); block = block.next())
                if (!block.text().trimmed().isEmpty())
                    boxes << qMakePair(
                        edit->document()->documentLayout()->blockBoundingRect(block).toRect().translated(origin) & page,
                        block.text());
        }
        const QDate today = Common::Clock::today();
        auto *calendar = window == "calendar" ? app->editor()->calendarView() : nullptr;
        const int scrolled = calendar ? calendar->verticalScrollBar()->value() : 0;
        for (int day = 0; calendar && day <= today.daysInMonth(); ++day) {
            const QPoint origin = calendar->viewport()->mapTo(shown, QPoint(0, -scrolled));
            const QRect box = day ? calendar->dayItem(QDate(today.year(), today.month(), day))->rect()
                                  : calendar->m_calendar->year(today.year())->month(today.month())->nameItem()->rect();
            boxes << qMakePair(box.translated(origin), QString::number(day));
        }
        for (const auto &[area, text] : std::as_const(boxes)) {
            const QRect box = area & image.rect();
            QHash<QRgb, int> counts;
            for (int y = box.top(); y <= box.bottom(); ++y)
                for (int x = box.left(); x <= box.right(); ++x)
                    ++counts[image.pixel(x, y)];
            if (box.isEmpty())
                continue;
            const QColor ground(std::max_element(counts.keyValueBegin(), counts.keyValueEnd(), [](auto a, auto b) {
                                    return a.second < b.second;
                                })->first);
            double strongest = 1;
            for (auto it = counts.keyBegin(); it != counts.keyEnd(); ++it)
                strongest = qMax(strongest, ColorContrast::contrastRatio(QColor(*it), ground));
            QVERIFY2(strongest >= ColorContrast::s_textRatio, qPrintable(name + ": " + text));
        }
        for (ReminderWidget *reminder : ReminderWidget::widgets())
            reminder->close();
    }
};

QTEST_APPLESS_MAIN(TestWindowContrast)
#include "tst_windowcontrast.moc"
