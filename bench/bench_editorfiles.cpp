// Times the editor's print table and import over 10,000 events, offscreen: the rows and HTML of
// the print preview (goal under 200 ms), and an iCalendar import through the editor (file name
// and dialog answered in code) up to the next paint, against the store's import alone (reading
// the file and adding the events to a manager). Goal: the editor under twice the store. And the
// same import into a shown editor holding 100,000 events, to its next paint (goal 3 s).
#include "core/clock.h"
#include "core/deferredcall.h"
#include "core/properties.h"
#include "core/storage.h"
#include "core/undoobject.h"
#include "editor/calendarstatusesupdater.h"
#include "editor/editor.h"
#include "editor/editorask.h"
#include "editor/printtablebuilder.h"
#include "events/eventsfactory.h"
#include "events/occurrence.h"
#include "goalrow.h"
#include "platform/timezonewatcher.h"
#include "eventtypes/customtypesstorage.h"
#include "eventtypes/eventtypesstorage.h"
#include "editorbenchenv.h"
#include "runningline/simpletextline.h"
#include "store/calendarinfo.h"
#include "store/eventsimporter.h"
#include "store/eventsmanager.h"
#include "widgets/calendar/calendarview.h"

#include <QApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QTemporaryDir>
#include <QTextDocument>

#include <algorithm>
#include <cstdio>
#include <memory>
#include <vector>

namespace {

// Gives the import its file and accepts its dialog as it comes.
class ImportAsk : public IEditorAsk
{
public:
    explicit ImportAsk(const QString &file) : m_file(file) {}
    QString saveFileName(QWidget *, const QString &, const QString &, const QString &, const QString &) override
    {
        return QString();
    }
    QString openFileName(QWidget *, const QString &, const QString &, const QString &) override { return m_file; }
    QString text(QWidget *, const QString &, const QString &, const QString &) override { return QString(); }
    bool run(QDialog *) override { return true; }

private:
    QString m_file;
};

QList<AbstractCommonEventPtr> makeEvents(int count)
{
    const IOccurrence::Type rules[] = {IOccurrence::Once, IOccurrence::Yearly, IOccurrence::Weekly,
                                       IOccurrence::Monthly, IOccurrence::Once};
    QList<AbstractCommonEventPtr> events;
    for (int i = 0; i < count; ++i) {
        AbstractCommonEventPtr event = EventsFactory::createEvent(i % 5 == 1 ? 0 : i % 5);
        const QDate day = QDate(2026, 1, 1).addDays((i * 37) % 365);
        event->setCaption(QStringLiteral("Termin %1 <Besprechung> & Planung").arg(i));
        event->setComment(QStringLiteral("Raum %1").arg(i % 40));
        event->setPeriod(i % 4 == 0 ? Period(day) : Period(day, QTime(8 + i % 10, 30)));
        event->setOccurrence(Occurrence(day, rules[i % 5]));
        events << event;
    }
    return events;
}

// Apart, for a profiler's --toggle-collect.
__attribute__((noinline)) void importLarge(Editor &editor)
{
    editor.onImportButton();
}

QByteArray icsOf(int count)
{
    QByteArray text = "BEGIN:VCALENDAR\r\nVERSION:2.0\r\nPRODID:-//bench//EN\r\n";
    for (int i = 0; i < count; ++i) {
        const QDate day = QDate(2026, 1, 1).addDays((i * 37) % 365);
        text += "BEGIN:VEVENT\r\nUID:bench-" + QByteArray::number(i) +
                "\r\nDTSTART:" + day.toString("yyyyMMdd").toLatin1() + "T" + QByteArray::number(10 + i % 10) +
                "0000\r\nSUMMARY:Termin " + QByteArray::number(i) + " \xc3\xbc" + "ber Planung\r\nDESCRIPTION:Raum " +
                QByteArray::number(i % 40) + "\r\nEND:VEVENT\r\n";
    }
    return text + "END:VCALENDAR\r\n";
}

} // namespace

int main(int argc, char **argv)
{
    // As the program's main() does: local times then read the zone once, not on every conversion.
    TimeZoneWatcher::pinSystemZone();
    qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication qapp(argc, argv);
    Common::DeferredCallProcessor::init();
    SimpleTextLineController::start();
    Common::Clock::pin(QDateTime(QDate(2026, 3, 10), QTime(12, 0)));

    EditorBenchEnv env;
    FakeApplication &app = env.app;
    QTemporaryDir &dir = env.dir;
    UndoObject &undo = env.undo;
    const int count = 10000;

    // Print: rows, sort and HTML of the preview for the whole year, every occurrence of the once
    // and monthly events, grouped by date.
    double printMs = 0;
    double documentMs = 0;
    qsizetype printRows = 0;
    {
        EventsManager manager(dir.filePath("print.dat"));
        manager.addEvents(makeEvents(count));
        PrintSettings settings;
        settings.period = Period(QDate(2026, 1, 1), QDate(2026, 12, 31));
        settings.columns = {0, 1, 2, 3};
        settings.groupBy = PrintSettings::GroupByDate;
        PrintTableBuilder::HtmlOptions options;
        options.columnTitles = {"Date", "Time", "Caption", "Comment", "Recurrence"};
        std::vector<double> times;
        std::vector<double> documents;
        for (int run = 0; run < 5; ++run) {
            QElapsedTimer timer;
            timer.start();
            const QList<PrintRow> rows = PrintTableBuilder::collectRows(manager, settings, {});
            const QString html = PrintTableBuilder::html(rows, settings, options);
            times.push_back(timer.nsecsElapsed() / 1e6);
            printRows = rows.count();
            if (run == 0) {
                timer.restart();
                std::unique_ptr<QTextDocument> document(PrintTableBuilder::document(html));
                documents.push_back(timer.nsecsElapsed() / 1e6);
            }
        }
        printMs = median(times);
        documentMs = documents.front();
    }

    // Import: the store alone, then the editor's whole path up to its next paint.
    const QString ics = dir.filePath("bench.ics");
    {
        QFile file(ics);
        if (!file.open(QIODevice::WriteOnly) || file.write(icsOf(count)) < 0)
            return 2;
    }
    std::vector<double> storeTimes;
    std::vector<double> editorTimes;
    int imported = 0;
    for (int run = 0; run < 3; ++run) {
        {
            EventsManager manager(dir.filePath(QStringLiteral("store%1.dat").arg(run)));
            QElapsedTimer timer;
            timer.start();
            EventsImporter importer(EventsImporter::ICalendarFormat);
            const QList<AbstractCommonEventPtr> events = importer.import(ics, "UTF-8");
            const CalendarInfo calendar(QStringLiteral("bench"));
            manager.addCalendar(calendar);
            for (const AbstractCommonEventPtr &event : events)
                event->setCalendarId(calendar.id, true);
            manager.addEvents(events);
            storeTimes.push_back(timer.nsecsElapsed() / 1e6);
        }
        {
            EventsManager manager(dir.filePath(QStringLiteral("editor%1.dat").arg(run)));
            app.m_eventsManager = &manager;
            CalendarsProvider provider(&manager);
            Editor editor(&manager);
            editor.resize(1100, 760);
            auto *ask = new ImportAsk(ics);
            editor.setAsk(std::unique_ptr<IEditorAsk>(ask));
            editor.show();
            PaintWatcher watcher;
            editor.calendarView()->installEventFilter(&watcher);
            while (!watcher.painted)
                QCoreApplication::processEvents(QEventLoop::AllEvents, 5);
            watcher.painted = false;
            QElapsedTimer timer;
            timer.start();
            editor.onImportButton();
            editor.calendarView()->update();
            while (!watcher.painted)
                QCoreApplication::processEvents(QEventLoop::AllEvents, 5);
            editorTimes.push_back(timer.nsecsElapsed() / 1e6);
            imported = manager.count();
            undo.clearUndoStack();
            app.m_eventsManager = nullptr;
        }
    }
    const double storeMs = median(storeTimes);
    const double editorMs = median(editorTimes);

    // The editor's import into a large list: each imported id is looked up among the held events.
    double largeMs = 0;
    {
        const int held = 10 * count;
        EventsManager manager(dir.filePath(QStringLiteral("large.dat")));
        manager.addEvents(makeEvents(held));
        app.m_eventsManager = &manager;
        CalendarsProvider provider(&manager);
        Editor editor(&manager);
        editor.resize(1100, 760);
        auto *ask = new ImportAsk(ics);
        editor.setAsk(std::unique_ptr<IEditorAsk>(ask));
        editor.show();
        PaintWatcher watcher;
        editor.calendarView()->installEventFilter(&watcher);
        while (!watcher.painted || !editor.statusesUpdater() || !editor.statusesUpdater()->isIdle())
            QCoreApplication::processEvents(QEventLoop::AllEvents, 5);
        watcher.painted = false;
        QElapsedTimer timer;
        timer.start();
        importLarge(editor);
        editor.calendarView()->update();
        while (!watcher.painted)
            QCoreApplication::processEvents(QEventLoop::AllEvents, 5);
        largeMs = timer.nsecsElapsed() / 1e6;
        if (manager.count() != held + count)
            imported = -1;
        undo.clearUndoStack();
        app.m_eventsManager = nullptr;
    }

    std::printf("print: %lld rows from %d events, rows and HTML %.1f ms median of 5 (goal < 200 ms); "
                "document from the HTML %.0f ms\n",
                static_cast<long long>(printRows), count, printMs, documentMs);
    std::printf("import of %d iCalendar events: store alone %.0f ms, editor to next paint %.0f ms, ratio %.2f "
                "(goal < 2), medians of 3\n",
                imported, storeMs, editorMs, editorMs / storeMs);
    std::printf("import of %d iCalendar events into %d held, editor shown, to its next paint: %.0f ms\n", count,
                10 * count, largeMs);
    printGoalRow("editor import / store import (bench_editorfiles)", formatted("%.2fx", editorMs / storeMs), "<= 2x",
                 editorMs <= 2 * storeMs);
    printGoalRow("print preview rows and HTML, 10,000 events, a year", formatted("%.0f ms", printMs), "< 200 ms",
                 printMs < 200);
    printGoalRow("editor import of 10,000 iCalendar events into 100,000, to the next paint",
                 formatted("%.0f ms", largeMs), "<= 3000 ms", largeMs <= 3000);
    Common::DeferredCallProcessor::term();
    return goalsExitCode(imported == count);
}
