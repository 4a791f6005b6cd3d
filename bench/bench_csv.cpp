// Imports a CSV file whose one row holds many columns, through the events importer, and prints
// the time per size and its growth: the work must grow linearly with the columns.
#include "benchtiming.h"
#include "goalrow.h"
#include "platform/freememory.h"
#include "store/csvmodel.h"
#include "store/eventsimporter.h"

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QFile>
#include <QTemporaryDir>
#include <QTextStream>

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <string>
#include <utility>
#include <vector>

namespace {

QByteArray wideRow(int columns)
{
    QByteArray text = "2026-03-14,Wide row";
    text.reserve(columns * 8);
    for (int c = 2; c < columns; ++c)
        text += ",\"note " + QByteArray::number(c) + '"';
    text += '\n';
    return text;
}

// The exponent k of the least-squares fit time = c * columns^k: 1 for linear work, 2 for quadratic.
double growthExponent(const std::vector<std::pair<int, double>> &points)
{
    double sx = 0, sy = 0, sxx = 0, sxy = 0;
    for (const auto &[columns, ms] : points) {
        const double x = std::log(double(columns)), y = std::log(ms);
        sx += x;
        sy += y;
        sxx += x * x;
        sxy += x * y;
    }
    const double n = double(points.size());
    return (n * sxy - sx * sy) / (n * sxx - sx * sx);
}

} // namespace

int main(int argc, char **argv)
{
    // The allocator set as the program's start leaves it: its blocks of a fixed size and up are pages of
    // their own, which every import of a wide row takes anew; without this the narrow rows would reuse
    // what the allocator kept and the wide ones pay for pages it gave back.
    Common::growHeapsInLargeSteps();
    Common::growHeapsInSmallSteps();
    QCoreApplication app(argc, argv);
    QTemporaryDir dir;
    // Sizes may be given on the command line.
    std::vector<int> sizes;
    for (int i = 1; i < argc; ++i)
        sizes.push_back(QByteArray(argv[i]).toInt());
    if (sizes.empty())
        sizes = {10000, 20000, 40000, 100000, 200000};
    QStringList files;
    for (const int columns : sizes) {
        files << dir.filePath(QStringLiteral("wide-%1.csv").arg(columns));
        QFile out(files.last());
        out.open(QIODevice::WriteOnly);
        out.write(wideRow(columns));
    }
    qsizetype sink = 0;
    const auto importOnce = [&sink](const QString &file) {
        QElapsedTimer timer;
        timer.start();
        EventsImporter importer(EventsImporter::CsvFormat);
        sink += importer.import(file, "UTF-8").size();
        return double(timer.nsecsElapsed()) / 1e6;
    };
    // The sizes take turns, so a burst of the shared machine's load slows all of them alike,
    // and the fastest turn of each counts. The first turn is not counted: a larger size then
    // takes fresh pages from the system, which the allocator may give back after.
    std::vector<double> importMs(sizes.size(), 0);
    for (int turn = 0; turn <= 7; ++turn) {
        for (size_t i = 0; i < sizes.size(); ++i) {
            const double ms = importOnce(files.at(qsizetype(i)));
            if (turn == 1 || (turn > 1 && ms < importMs[i]))
                importMs[i] = ms;
        }
    }
    std::vector<std::pair<int, double>> points;
    for (size_t i = 0; i < sizes.size(); ++i) {
        const int columns = sizes[i];
        const double cellsMs = medianMs(3, [&] {
            const CsvModel model(files.at(qsizetype(i)), nullptr);
            for (int c = 0; c < model.columnCount(); ++c)
                sink += model.data(model.index(0, c)).toString().size();
        });
        std::printf("%7d columns in a row: import %8.1f ms (%5.0f ns a column), model load and every cell %8.1f ms\n",
                    columns, importMs[i], importMs[i] * 1e6 / columns, cellsMs);
        if (columns == 40000)
            printGoalRow("CSV import, 40,000 columns in a row", formatted("%.1f ms", importMs[i]), "<= 200 ms",
                         importMs[i] <= 200);
        points.emplace_back(columns, importMs[i]);
    }
    if (sink == 0)
        std::printf("(nothing imported)\n");
    if (points.size() >= 2) {
        // A fit over all the sizes rather than two of them: one size landing on a cache or
        // allocator step cannot fail it, while work that walks the row per cell gives 2.
        const double exponent = growthExponent(points);
        printGoalRow("CSV import of one wide row, growth exponent from " + std::to_string(points.front().first) +
                         " to " + std::to_string(points.back().first) + " columns",
                     formatted("%.2f", exponent), "<= 1.2 (linear is 1, quadratic 2)", exponent <= 1.2);
    }
    return goalsExitCode();
}
