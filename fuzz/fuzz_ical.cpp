// Feeds arbitrary bytes to the iCalendar reader, with and without a chosen encoding, and through the
// iCalendar importer, which turns the blocks into events (recurrence rules included).
#include "store/eventsimporter.h"
#include "store/qcalparser.h"

#include <QCoreApplication>
#include <QDateTime>
#include <QFile>
#include <QTemporaryDir>

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
    const QByteArray bytes(reinterpret_cast<const char *>(data), qsizetype(size));
    QCalParser parser;
    // The first byte picks the encoding, so decoders are fuzzed too.
    const char *encoding = nullptr;
    if (size > 0) {
        static const char *const encodings[] = {nullptr, "UTF-8", "windows-1251", "UTF-16LE", "ISO-8859-1"};
        encoding = encodings[data[0] % 5];
    }
    parser.parse(bytes, encoding);
    for (const QCalEventPtr &event : parser.events()) {
        // Touch every value the importer reads.
        (void)event->dtstart().toDateTime().isValid();
        (void)event->dtend().toDateTime().toUTC();
        (void)event->due().toDateTime();
        (void)event->summary().toString().size();
        (void)event->categories().toStringList();
        (void)event->isDateOnly(QStringLiteral("dtend"));
    }

    const QString path = s_dir->filePath(QStringLiteral("in.ics"));
    QFile file(path);
    if (!file.open(QIODevice::WriteOnly) || file.write(bytes) != bytes.size())
        return 0;
    file.close();
    EventsImporter importer(EventsImporter::ICalendarFormat);
    for (const AbstractCommonEventPtr &event : importer.import(path, QByteArray(encoding)))
        (void)event->nextDate(QDate(2026, 3, 10));
    return 0;
}
