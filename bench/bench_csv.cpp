// Imports a CSV file whose one row holds many columns, through the events importer, and prints
// the time per size and its growth: the work must grow linearly with the columns.
#include "benchtiming.h"
#include "goalrow.h"
#include "store/csvmodel.h"
#include "store/eventsimporter.h"

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QFile>
#include <QTemporaryDir>
#include <QTextStream>

#include <algorithm>
#include <cstdio>
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

} // namespace

int main(int argc, char **argv)
{
    QCoreApplication app(argc, argv);
    QTemporaryDir dir;
    double previous = 0;
    int previousColumns = 0;
    // Sizes may be given on the command line.
    std::vector<int> sizes;
    for (int i = 1; i < argc; ++i)
        sizes.push_back(QByteArray(argv[i]).toInt());
    if (sizes.empty())
        sizes = {40000, 200000};
    for (const int columns : sizes) {
        const QString file = dir.filePath(QStringLiteral("wide-%1.csv").arg(columns));
        QFile out(file);
        out.open(QIODevice::WriteOnly);
        out.write(wideRow(columns));
        out.close();

        qsizetype sink = 0;
        const double importMs = medianMs(3, [&] {
            EventsImporter importer(EventsImporter::CsvFormat);
            sink += importer.import(file, "UTF-8").size();
        });
        const double cellsMs = medianMs(3, [&] {
            const CsvModel model(file, nullptr);
            for (int c = 0; c < model.columnCount(); ++c)
                sink += model.data(model.index(0, c)).toString().size();
        });
        std::printf("%7d columns in a row: import %8.1f ms, model load and every cell %8.1f ms\n", columns, importMs,
                    cellsMs);
        if (previousColumns) {
            const double scale = double(columns) / previousColumns;
            const double growth = importMs / previous;
            std::printf("growth for %.0fx the columns: %.1fx (linear is %.0fx)\n", scale, growth, scale);
            // Linear, with a fifth to spare for the noise of a shared machine.
            printGoalRow("CSV import of one wide row, growth for " + formatted("%.0fx", scale) + " the columns",
                         formatted("%.1fx", growth), formatted("<= %.0fx (linear)", 1.2 * scale),
                         growth <= 1.2 * scale);
        }
        previous = importMs;
        previousColumns = columns;
        if (sink == 0)
            std::printf("(nothing imported)\n");
    }
    return goalsExitCode();
}
