// Feeds arbitrary text to the CSV table model and reads every cell back.
#include "store/csvmodel.h"

#include <QTextStream>

#include <cstddef>
#include <cstdint>

extern "C" int LLVMFuzzerInitialize(int *, char ***)
{
    qInstallMessageHandler([](QtMsgType, const QMessageLogContext &, const QString &) {});
    return 0;
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
    return 0;
}
