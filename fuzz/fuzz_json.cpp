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

namespace {
// The elements of the top list, taken as variants or read without maps, and how reading ended.
QByteArray takenElements(const QByteArray &bytes, bool nodes)
{
    QVariantList taken;
    Common::JsonListTaker taker;
    taker.start = [&] { taken.clear(); };
    taker.take = [&](QVariant &&element) { taken.append(element); };
    if (nodes)
        taker.takeObject = [&](const Common::JsonObject &element) { taken.append(element.toVariant()); };
    QByteArray end;
    try {
        end = Common::toJson(Common::readJson(bytes, {}, taker));
    } catch (const Common::JsonParserException &e) {
        end = QByteArray(e.what()) + ' ' + QByteArray::number(e.line()) + ':' + QByteArray::number(e.column());
    }
    return Common::toJson(taken) + '|' + end;
}
} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    const QByteArray bytes(reinterpret_cast<const char *>(data), qsizetype(size));
    // Reading list elements without maps gives the same values and the same errors.
    if (takenElements(bytes, true) != takenElements(bytes, false))
        std::abort();
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
