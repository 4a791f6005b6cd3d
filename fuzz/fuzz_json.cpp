// Feeds arbitrary bytes to the JSON reader; whatever it accepts must write and read back to the same text.
#include "core/jsonparser.h"

#include <QBuffer>

#include <cstddef>
#include <cstdint>
#include <cstdlib>

extern "C" int LLVMFuzzerInitialize(int *, char ***)
{
    qInstallMessageHandler([](QtMsgType, const QMessageLogContext &, const QString &) {});
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    const QByteArray bytes(reinterpret_cast<const char *>(data), qsizetype(size));
    QVariant value;
    try {
        value = Common::readJson(bytes);
    } catch (const Common::JsonParserException &e) {
        if (e.line() < 1 || e.column() < 0)
            std::abort();
        return 0;
    }
    // The device path must agree with the in-memory one.
    QBuffer buffer;
    buffer.setData(bytes);
    buffer.open(QIODevice::ReadOnly);
    if (Common::toJson(Common::readJson(&buffer)) != Common::toJson(value))
        std::abort();
    // Our own output is always readable and stable.
    const QByteArray text = Common::toJson(value);
    if (Common::toJson(Common::readJson(text)) != text)
        std::abort();
    return 0;
}
