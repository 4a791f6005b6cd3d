// Loading and saving of the events file against Qt's own JSON on the same content.
// Generates events files with 10,000 and 100,000 mixed events and prints, for each size, the
// median times, their ratios to Qt, and the heap the loaded manager holds per event.

#include "core/jsonparser.h"
#include "events/birthdayevent.h"
#include "events/eventsfactory.h"
#include "events/notspecifiedevent.h"
#include "goalrow.h"
#include "store/eventsmanager.h"

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QFile>
#include <QJsonDocument>
#include <QTemporaryDir>

#include <malloc.h>

#include <algorithm>
#include <cstdio>
#include <functional>
#include <memory>
#include <vector>

namespace {

const int s_runs = 5;

double medianMs(const std::function<void()> &work, const std::function<void()> &prepare = {})
{
    std::vector<double> times;
    for (int i = 0; i < s_runs; ++i) {
        if (prepare)
            prepare();
        QElapsedTimer timer;
        timer.start();
        work();
        times.push_back(double(timer.nsecsElapsed()) / 1e6);
    }
    std::sort(times.begin(), times.end());
    return times[times.size() / 2];
}

size_t heapInUse()
{
    malloc_trim(0);
    return mallinfo2().uordblks;
}

AbstractCommonEventPtr makeEvent(int i)
{
    static const QStringList words{QStringLiteral("Überprüfung"), QStringLiteral("Встреча"),
                                   QStringLiteral("会議"),        QStringLiteral("café"),
                                   QStringLiteral("Zahnarzt"),    QStringLiteral("dentist")};
    const int kind = i % 5;
    AbstractCommonEventPtr event = EventsFactory::createEvent(kind);
    const QDate date = QDate(2020, 1, 1).addDays(i % 2000);
    const QString caption =
        words.at(i % words.size()) + QStringLiteral(" №%1 ").arg(i) + words.at((i / 7) % words.size());
    if (kind == EventTypeBirthday)
        static_cast<BirthdayEvent *>(event.get())->setPersonName(caption);
    else
        event->setCaption(caption);
    if (i % 3 == 0)
        event->setPeriod(Period(date, QTime(8 + i % 10, (i * 7) % 60)));
    else if (i % 3 == 1)
        event->setPeriod(Period(date, date.addDays(1 + i % 4)));
    else
        event->setPeriod(Period(date));
    static const IOccurrence::Type rules[] = {IOccurrence::Once,   IOccurrence::Yearly, IOccurrence::Once,
                                              IOccurrence::Weekly, IOccurrence::Once,   IOccurrence::Monthly,
                                              IOccurrence::Daily};
    event->setOccurrence(
        Occurrence(date, kind == EventTypeBirthday || kind == EventTypeWedding ? IOccurrence::Yearly : rules[i % 7]));
    if (i % 4 == 0)
        event->setComment(QStringLiteral("Notiz: \"%1\" — bitte vorher anrufen.\nZweite Zeile").arg(i));
    if (kind == EventTypeNotSpecified)
        static_cast<NotSpecifiedEvent *>(event.get())->setLocation(QStringLiteral("Raum %1, Straße").arg(i % 50));
    return event;
}

struct Figures
{
    int events = 0;
    qint64 fileBytes = 0;
    double loadMs = 0, qtParseMs = 0, saveMs = 0, qtWriteMs = 0;
    double bytesPerEvent = 0;
};

Figures measure(int count, const QString &folder)
{
    Figures f;
    f.events = count;
    const QString file = folder + QStringLiteral("/events-%1.dat").arg(count);
    {
        EventsManager generator(file);
        QList<AbstractCommonEventPtr> events;
        events.reserve(count);
        for (int i = 0; i < count; ++i)
            events.append(makeEvent(i));
        generator.addEvents(events);
    }
    QFile in(file);
    in.open(QIODevice::ReadOnly);
    const QByteArray bytes = in.readAll();
    f.fileBytes = bytes.size();

    // Loading: read, parse and build every event, against Qt's parse of the same bytes alone.
    std::unique_ptr<EventsManager> kept; // destroyed outside the timed part
    f.loadMs = medianMs([&] { kept = std::make_unique<EventsManager>(file); }, [&] { kept.reset(); });
    kept.reset();
    f.qtParseMs = medianMs([&] {
        const QJsonDocument doc = QJsonDocument::fromJson(bytes);
        if (doc.isNull())
            std::fprintf(stderr, "Qt could not parse the file\n");
    });

    // Memory of one loaded manager.
    const size_t before = heapInUse();
    auto loaded = std::make_unique<EventsManager>(file);
    f.bytesPerEvent = double(heapInUse() - before) / count;

    // Saving after one added event, against Qt's compact writing of the same content.
    int added = 0;
    f.saveMs = medianMs([&] { loaded->addEvent(makeEvent(count + added++)); });
    const QJsonDocument doc = QJsonDocument::fromVariant(QVariantMap{{"Events", loaded->toMap()}});
    f.qtWriteMs = medianMs([&] {
        const QByteArray out = doc.toJson(QJsonDocument::Compact);
        if (out.isEmpty())
            std::fprintf(stderr, "Qt wrote nothing\n");
    });
    return f;
}

} // namespace

int main(int argc, char **argv)
{
    QCoreApplication app(argc, argv);
    QCoreApplication::setApplicationVersion(QStringLiteral("3.3.0"));
    QTemporaryDir dir;
    // Sizes may be given on the command line, for profiling one of them.
    std::vector<int> sizes;
    for (int i = 1; i < argc; ++i)
        sizes.push_back(QByteArray(argv[i]).toInt());
    if (sizes.empty())
        sizes = {10000, 100000};
    std::vector<Figures> all;
    for (int count : sizes)
        all.push_back(measure(count, dir.path()));

    std::printf("%-8s %10s %10s %10s %7s %10s %10s %7s %10s\n", "events", "file KiB", "load ms", "Qt parse", "ratio",
                "save ms", "Qt write", "ratio", "B/event");
    for (const Figures &f : all)
        std::printf("%-8d %10lld %10.1f %10.1f %7.2f %10.1f %10.1f %7.2f %10.0f\n", f.events, f.fileBytes / 1024,
                    f.loadMs, f.qtParseMs, f.loadMs / f.qtParseMs, f.saveMs, f.qtWriteMs, f.saveMs / f.qtWriteMs,
                    f.bytesPerEvent);
    const Figures &small = all.front();
    const Figures &large = all.back();
    const double scale = double(large.events) / small.events;
    if (all.size() > 1)
        std::printf("growth for %.0fx events: load %.1fx, save %.1fx (linear is %.0fx)\n", scale,
                    large.loadMs / small.loadMs, large.saveMs / small.saveMs, scale);
    const std::string size = std::to_string(large.events) + " events";
    printGoalRow("events file load / Qt's parse alone, " + size, formatted("%.2f", large.loadMs / large.qtParseMs),
                 "<= 1.0", large.loadMs <= large.qtParseMs);
    printGoalRow("events file save after one addition / Qt's compact write, " + size,
                 formatted("%.2f", large.saveMs / large.qtWriteMs), "<= 1.0", large.saveMs <= large.qtWriteMs);
    printGoalRow("heap of the loaded events, " + size, formatted("%.0f B/event", large.bytesPerEvent),
                 "<= 1536 B/event", large.bytesPerEvent <= 1536);
    return goalsExitCode();
}
