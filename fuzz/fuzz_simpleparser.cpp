// Text templates arrive with downloaded translations; the parser must survive any of them.
#include "core/simpleparser.h"
#include "core/tagprovider.h"

#include <QString>

#include <cstdint>
#include <cstring>

namespace {

// Answers each tag by parsing another template that holds tags again, to drive the recursion guard.
class NestingProvider : public TagProvider
{
public:
    QString decodeTag(const QString &tag, int number) override
    {
        if (tag.size() % 3 == 0)
            return QStringLiteral("--dropped");
        return SimpleParser(this).parse(QStringLiteral("{X} ") + tag + QStringLiteral(" <1>{Y}<\\d+>{X}"), number);
    }
};

void silentMessages(QtMsgType, const QMessageLogContext &, const QString &) {}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    static const bool s_quiet = (qInstallMessageHandler(silentMessages), true);
    Q_UNUSED(s_quiet);
    if (size < 4)
        return 0;
    int32_t number = 0;
    std::memcpy(&number, data, 4);
    const QString text = QString::fromUtf8(reinterpret_cast<const char *>(data) + 4, qsizetype(size - 4));
    NestingProvider provider;
    const QString result = SimpleParser(&provider).parse(text, number);
    Q_UNUSED(result);
    return 0;
}
