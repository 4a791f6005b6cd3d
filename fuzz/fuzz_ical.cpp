// Feeds arbitrary bytes to the iCalendar reader, with and without a chosen encoding.
#include "store/qcalparser.h"

#include <QCoreApplication>
#include <QDateTime>

#include <cstddef>
#include <cstdint>

extern "C" int LLVMFuzzerInitialize(int *, char ***)
{
    qInstallMessageHandler([](QtMsgType, const QMessageLogContext &, const QString &) {});
    return 0;
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
    return 0;
}
