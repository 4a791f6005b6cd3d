// Feeds arbitrary text to the CSV table model and reads every cell back, then the same bytes to the CSV
// importer, which reads dates and times from the first column.
#include "store/csvmodel.h"
#include "store/eventsimporter.h"

#include <QDate>
#include <QFile>
#include <QTemporaryDir>
#include <QTextStream>

#include <cstddef>
#include <cstdint>

namespace {
QTemporaryDir *s_dir = nullptr;
}

extern "C" int LLVMFuzzerInitialize(int *, char ***)
{
    qInstallMessageHandler([](QtMsgType, const QMessageLogContext &, const QString &) {});
    // Removed when the run ends, with the last inputs in it.
    static QTemporaryDir dir;
    s_dir = &dir;
    return s_dir->isValid() ? 0 : 1;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    QString text = QString::fromUtf8(reinterpret_cast<const char *>(data), qsizetype(size));
    QTextStream stream(&text);
    const bool withHeader = size > 0 && (data[0] & 1);
    CsvModel model(stream, nullptr, withHeader, QLatin1Char(','));
    // Cap the walk: a wide, tall table would only make the run slow, not find more.
    const int rows = qMin(model.rowCount(), 200);
    const int columns = qMin(model.columnCount(), 200);
    for (int r = 0; r < rows; ++r)
        for (int c = 0; c < columns; ++c)
            (void)model.data(model.index(r, c)).toString().size();
    for (int c = 0; c < columns; ++c)
        (void)model.headerData(c, Qt::Horizontal);
    if (rows > 0 && columns > 0) {
        model.setData(model.index(rows - 1, columns - 1), QStringLiteral("x"));
        model.insertColumns(columns / 2, 2);
        model.removeColumns(0, 1);
        model.insertRows(rows / 2, 1);
        model.removeRows(0, 1);
    }

    const QString path = s_dir->filePath(QStringLiteral("in.csv"));
    QFile file(path);
    if (!file.open(QIODevice::WriteOnly) ||
        file.write(reinterpret_cast<const char *>(data), qint64(size)) != qint64(size))
        return 0;
    file.close();
    EventsImporter importer(EventsImporter::CsvFormat);
    for (const AbstractCommonEventPtr &event : importer.import(path, withHeader ? "windows-1251" : "UTF-8"))
        (void)event->nextDate(QDate(2026, 3, 10));
    return 0;
}
