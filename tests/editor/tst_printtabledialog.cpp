#include "core/statcollector.h"
#include "editor/printtabledialog.h"
#include "editortestenv.h"
#include "shots.h"
#include "testhelpers.h"
#include "widgets/dateedit.h"

#include <QCheckBox>
#include <QComboBox>
#include <QDateEdit>
#include <QGroupBox>
#include <QListWidget>
#include <QPrinter>
#include <QPushButton>
#include <QRadioButton>
#include <QRegularExpression>
#include <QScrollBar>
#include <QTextBrowser>
#include <QTextDocument>
#include <QTextFrame>
#include <QTextTable>
#include <QtTest>

namespace {

int counter(const char *key)
{
    return StatCollector::collect().value(key).toInt();
}

// Events of this year with long and non-ASCII texts over two calendars.
void fill(EditorTestEnv &env, int count)
{
    const QByteArray family = env.addCalendar("Família Łukasiewicz");
    for (int i = 0; i < count; ++i) {
        const QDate day = QDate(2026, 1, 1).addDays((i * 37) % 365);
        const Period period = i % 3 ? Period(day, QTime(8 + i % 10, 15)) : Period(day);
        AbstractCommonEventPtr event =
            env.addIn(i % 2 ? family : env.manager->defaultCalendarId(), i % 2 ? EventTypeTask : EventTypeNotSpecified,
                      QString("Termin %1: Besprechung über die Jahresplanung – Ελένη").arg(i), period,
                      i % 11 == 0 ? IOccurrence::Monthly : IOccurrence::Once);
        event->setComment(i % 4 ? QString("Raum %1, zweiter Stock").arg(i) : QString());
    }
}

qreal tableBorder(const QTextDocument *document)
{
    const QList<QTextFrame *> frames = document->rootFrame()->childFrames();
    auto *table = frames.isEmpty() ? nullptr : qobject_cast<QTextTable *>(frames.constFirst());
    return table ? table->format().border() : -1;
}

int pdfPages(const QString &fileName)
{
    QFile file(fileName);
    if (!file.open(QIODevice::ReadOnly))
        return -1;
    return int(QString::fromLatin1(file.readAll()).count(QRegularExpression("/Type\\s*/Page(?!s)")));
}

} // namespace

class TestPrintTableDialog : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase() { TestHelpers::isolateEnvironment(); }
    void init() { StatCollector::reset(); }

    void opensWithDefaults()
    {
        EditorTestEnv env;
        fill(env, 20);
        PrintTableDialog dialog(nullptr, env.manager.get(), {});
        QVERIFY(!dialog.selectedButton()->isEnabled());
        QVERIFY(dialog.allButton()->isChecked());
        QVERIFY(dialog.showOneRecurrentButton()->isChecked());
        QCOMPARE(dialog.startDate()->date(), QDate(2026, 3, 10));
        QCOMPARE(dialog.endDate()->date(), QDate(2026, 12, 31));
        QCOMPARE(dialog.collectPrintSettings().columns, QList<int>({0, 1, 2, 3}));
        QCOMPARE(dialog.collectPrintSettings().period.beginDate(), QDate(2026, 1, 1));
        QCOMPARE(dialog.rows().count(), 20);
        QCOMPARE(counter("f_print_events"), 1);
        QCOMPARE(dialog.calendarsComboBox()->count(), 3);
        QCOMPARE(dialog.calendarsComboBox()->itemText(2), QString("Família Łukasiewicz"));
        // Only the types some event has.
        QCOMPARE(dialog.filterComboBox()->count(), 3);
    }

    void dateGroupingForcesDateSort()
    {
        EditorTestEnv env;
        PrintTableDialog dialog(nullptr, env.manager.get(), {0});
        QVERIFY(dialog.selectedButton()->isEnabled());
        dialog.sortComboBox()->setCurrentIndex(1);
        dialog.groupComboBox()->setCurrentIndex(1);
        QCOMPARE(dialog.sortComboBox()->currentIndex(), 0);
        QVERIFY(!dialog.sortComboBox()->isEnabled());
        dialog.groupComboBox()->setCurrentIndex(2);
        QVERIFY(dialog.sortComboBox()->isEnabled());
        QCOMPARE(dialog.sortComboBox()->currentIndex(), 0);
    }

    void customPeriodShowsDates_data()
    {
        QTest::addColumn<int>("index");
        QTest::addColumn<bool>("shown");
        QTest::addColumn<QDate>("begin");
        QTest::newRow("this year") << 0 << false << QDate(2026, 1, 1);
        QTest::newRow("next year") << 1 << false << QDate(2027, 1, 1);
        QTest::newRow("custom") << 2 << true << QDate(2026, 3, 10);
    }

    void customPeriodShowsDates()
    {
        QFETCH(int, index);
        QFETCH(bool, shown);
        QFETCH(QDate, begin);
        EditorTestEnv env;
        PrintTableDialog dialog(nullptr, env.manager.get(), {});
        dialog.show();
        QCoreApplication::processEvents();
        const int width = dialog.width();
        dialog.periodComboBox()->setCurrentIndex(index);
        QCoreApplication::processEvents();
        QCOMPARE(dialog.customPeriodWidget()->isVisible(), shown);
        QCOMPARE(dialog.collectPrintSettings().period.beginDate(), begin);
        // The window keeps its width, and the Group box lines up with the boxes above it.
        QCOMPARE(dialog.width(), width);
        QCOMPARE(dialog.findChild<QGroupBox *>("groupBox_2")->x(), dialog.findChild<QGroupBox *>("groupBox_5")->x());
        if (!shown)
            return;
        dialog.findChild<DateEdit *>("startDate")->setProblem(QStringLiteral("No such date: type one as 12/9/2026"));
        QCoreApplication::processEvents();
        QCOMPARE(dialog.width(), width);
        TestHelpers::saveShot(&dialog, "printtabledialog-custom");
    }

    void keepsDatesInOrder_data()
    {
        QTest::addColumn<bool>("moveEnd");
        QTest::addColumn<QDate>("start");
        QTest::addColumn<QDate>("end");
        QTest::newRow("start after end") << false << QDate(2027, 2, 1) << QDate(2027, 2, 1);
        QTest::newRow("end before start") << true << QDate(2026, 1, 5) << QDate(2026, 1, 5);
    }

    void keepsDatesInOrder()
    {
        QFETCH(bool, moveEnd);
        QFETCH(QDate, start);
        QFETCH(QDate, end);
        EditorTestEnv env;
        PrintTableDialog dialog(nullptr, env.manager.get(), {});
        dialog.periodComboBox()->setCurrentIndex(2);
        if (moveEnd)
            dialog.endDate()->setDate(QDate(2026, 1, 5));
        else
            dialog.startDate()->setDate(QDate(2027, 2, 1));
        QCOMPARE(dialog.startDate()->date(), start);
        QCOMPARE(dialog.endDate()->date(), end);
        // One day: a period with a begin date only.
        QVERIFY(dialog.collectPrintSettings().period.hasNoEnd());
    }

    void captionColumnStaysChecked()
    {
        EditorTestEnv env;
        PrintTableDialog dialog(nullptr, env.manager.get(), {});
        QListWidgetItem *caption = dialog.columnsList()->item(2);
        QVERIFY(!(caption->flags() & Qt::ItemIsUserCheckable));
        QVERIFY(!(caption->flags() & Qt::ItemIsEnabled));
        QCOMPARE(caption->checkState(), Qt::Checked);
    }

    void followsChoicesInPreview_data()
    {
        QTest::addColumn<QString>("change");
        QTest::addColumn<int>("rows");
        QTest::newRow("hide recurrent") << "hide" << 18;
        QTest::newRow("calendar") << "calendar" << 10;
        QTest::newRow("selected") << "selected" << 2;
    }

    void followsChoicesInPreview()
    {
        QFETCH(QString, change);
        QFETCH(int, rows);
        EditorTestEnv env;
        fill(env, 20);
        PrintTableDialog dialog(nullptr, env.manager.get(), {3, 4});
        if (change == "hide")
            dialog.hideRecurrentButton()->click();
        else if (change == "calendar")
            dialog.calendarsComboBox()->setCurrentIndex(2);
        else
            dialog.selectedButton()->click();
        QCOMPARE(dialog.rows().count(), rows);
        QCOMPARE(dialog.document()->toPlainText().count("Termin"), rows);
    }

    void headerAndBorderOnlyRewriteDocument()
    {
        EditorTestEnv env;
        fill(env, 20);
        PrintTableDialog dialog(nullptr, env.manager.get(), {});
        const QTextDocument *before = dialog.document();
        const QString rowsBefore = dialog.document()->toPlainText();
        env.manager->removeEvents({env.manager->eventByIndex(0)});
        dialog.headerCheckBox()->setChecked(false);
        QVERIFY(dialog.document() != before);
        QCOMPARE(dialog.rows().count(), 20);
        QVERIFY(!dialog.document()->toPlainText().contains("Caption"));
        QCOMPARE(tableBorder(dialog.document()), 0.0);
        dialog.borderLinesCheckBox()->setChecked(true);
        QCOMPARE(dialog.rows().count(), 20);
        QVERIFY(rowsBefore.contains("Caption"));
        QVERIFY(tableBorder(dialog.document()) > 0);
    }

    void cancelledPrinterKeepsDialogOpen()
    {
        EditorTestEnv env;
        PrintTableDialog dialog(nullptr, env.manager.get(), {});
        int asked = 0;
        dialog.setPrinterAsk([&asked](QPrinter *, QWidget *) {
            ++asked;
            return false;
        });
        dialog.show();
        dialog.printButton()->click();
        QCOMPARE(asked, 1);
        QVERIFY(dialog.isVisible());
    }

    void previewKeepsRowsWithALargeFont()
    {
        EditorTestEnv env;
        const QFont before = QApplication::font();
        QApplication::setFont(QFont(before.family(), 20));
        PrintTableDialog dialog(nullptr, env.manager.get(), {});
        QApplication::setFont(before);
        dialog.show();
        auto *preview = dialog.findChild<QTextBrowser *>("textBrowser");
        QVERIFY(preview->viewport()->height() >= 5 * (preview->fontMetrics().lineSpacing() + 8) &&
                !preview->horizontalScrollBar()->isVisible());
    }

    void printsPdfOfAboutFortyRowsAPage()
    {
        EditorTestEnv env;
        fill(env, 200);
        PrintTableDialog dialog(nullptr, env.manager.get(), {});
        dialog.show();
        QVERIFY(QTest::qWaitForWindowExposed(&dialog));
        TestHelpers::saveShot(&dialog, "printtabledialog");
        const QString pdf = env.dir.filePath("events.pdf");
        dialog.setPrinterAsk([&pdf](QPrinter *printer, QWidget *) {
            printer->setOutputFormat(QPrinter::PdfFormat);
            printer->setOutputFileName(pdf);
            return true;
        });
        dialog.printButton()->click();
        QVERIFY(!dialog.isVisible());
        const int rows = int(dialog.rows().count());
        QCOMPARE(rows, 200);
        const int pages = pdfPages(pdf);
        QVERIFY2(pages >= rows / 60 && pages <= rows / 25, qPrintable(QString::number(pages)));
    }
};

QTEST_MAIN(TestPrintTableDialog)
#include "tst_printtabledialog.moc"
