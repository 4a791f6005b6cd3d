// Times our JSON reader and compact writer against Qt's QJsonDocument on the same events-like data
// and prints the ratios (ours / Qt's, median of several runs; at most 1.0 is the goal).
#include "benchtiming.h"
#include "goalrow.h"
#include "core/jsonparser.h"

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QJsonDocument>

#include <algorithm>
#include <cstdio>
#include <functional>
#include <vector>

namespace {

QVariant makeEvents(int count)
{
    static const QString texts[] = {QStringLiteral("Встреча с клиентом"), QStringLiteral("Geburtstag von Jürgen"),
                                    QStringLiteral("Rendez-vous chez le médecin"), QStringLiteral("Zahnarzt 🦷"),
                                    QStringLiteral("Team meeting \"weekly\"\tplanning")};
    QVariantList events;
    events.reserve(count);
    for (int i = 0; i < count; ++i) {
        QVariantMap period;
        period.insert(QStringLiteral("begin"), QStringLiteral("2026-%1-%2").arg(i % 12 + 1).arg(i % 28 + 1));
        period.insert(QStringLiteral("end"), QStringLiteral("2026-%1-%2").arg(i % 12 + 1).arg(i % 28 + 1));
        period.insert(QStringLiteral("hasTime"), i % 3 == 0);
        period.insert(QStringLiteral("beginTime"), 36000 + i % 1000);
        QVariantMap occurrence;
        occurrence.insert(QStringLiteral("type"), i % 5);
        occurrence.insert(QStringLiteral("step"), 1 + i % 4);
        occurrence.insert(QStringLiteral("days"), QVariantList{1, 3, 5});
        QVariantMap event;
        event.insert(QStringLiteral("id"), QStringLiteral("{ev-%1}").arg(i, 8, 10, QLatin1Char('0')));
        event.insert(QStringLiteral("calendar"), QStringLiteral("c%1").arg(i % 4));
        event.insert(QStringLiteral("text"), texts[i % 5] + QStringLiteral(" №%1").arg(i));
        event.insert(QStringLiteral("period"), period);
        event.insert(QStringLiteral("occurrence"), occurrence);
        event.insert(QStringLiteral("remind"), i % 2 == 0);
        event.insert(QStringLiteral("remindMinutes"), 15);
        event.insert(QStringLiteral("priority"), 0.125 * (i % 40));
        event.insert(QStringLiteral("weight"), 1.0 / (i + 3));
        event.insert(QStringLiteral("tags"), QVariantList{QStringLiteral("work"), QStringLiteral("família")});
        event.insert(QStringLiteral("version"), 3);
        events << event;
    }
    QVariantMap root;
    root.insert(QStringLiteral("Events"), events);
    root.insert(QStringLiteral("Calendars"),
                QVariantList{QVariantMap{{QStringLiteral("id"), QStringLiteral("c0")},
                                         {QStringLiteral("name"), QStringLiteral("Дом")}}});
    root.insert(QStringLiteral("version"), QStringLiteral("3.3.0"));
    return root;
}

} // namespace

int main(int argc, char **argv)
{
    QCoreApplication app(argc, argv);
    double previousOurs[2] = {0, 0};
    int previousCount = 0;
    for (const int count : {10000, 100000}) {
        const QVariant tree = makeEvents(count);
        const QByteArray text = Common::toJson(tree);
        const QJsonDocument document = QJsonDocument::fromVariant(tree);
        const int runs = count > 50000 ? 5 : 9;

        qsizetype sink = 0;
        const double readOurs = medianMs(runs, [&] { sink += Common::readJson(text).toMap().size(); });
        const double readQt = medianMs(runs, [&] { sink += QJsonDocument::fromJson(text).toVariant().toMap().size(); });
        const double writeOurs = medianMs(runs, [&] { sink += Common::toJson(tree).size(); });
        const double writeQt = medianMs(runs, [&] { sink += document.toJson(QJsonDocument::Compact).size(); });

        std::printf("%6d entries, %5.1f MB: read  ours %8.2f ms  Qt %8.2f ms  ratio %.2f\n", count,
                    double(text.size()) / 1e6, readOurs, readQt, readOurs / readQt);
        std::printf("%6d entries, %5.1f MB: write ours %8.2f ms  Qt %8.2f ms  ratio %.2f\n", count,
                    double(text.size()) / 1e6, writeOurs, writeQt, writeOurs / writeQt);
        const std::string size = count == 10000 ? "10,000" : "100,000";
        printGoalRow("JSON read, " + size + " entries, ours / Qt's", formatted("%.2f", readOurs / readQt), "<= 1.0",
                     readOurs <= readQt);
        printGoalRow("JSON compact write, " + size + " entries, ours / Qt's", formatted("%.2f", writeOurs / writeQt),
                     "<= 1.0", writeOurs <= writeQt);
        if (previousCount) {
            const double scale = double(count) / previousCount;
            std::printf("growth for %.0fx the entries: read %.1fx, write %.1fx\n", scale, readOurs / previousOurs[0],
                        writeOurs / previousOurs[1]);
        }
        previousOurs[0] = readOurs;
        previousOurs[1] = writeOurs;
        previousCount = count;
        if (sink == 0)
            std::printf("(nothing read)\n");
    }
    return goalsExitCode();
}
