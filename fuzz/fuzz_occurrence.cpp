// Feeds arbitrary RRULE texts (first byte 'R') and stored rule maps (anything else, read as JSON)
// to the recurrence rules, then checks that next dates never run backwards, that ranges are
// ascending and bounded, and that a rule survives its own stored map.
#include "core/jsonparser.h"
#include "events/occurrence.h"

#include <cstddef>
#include <cstdint>
#include <cstdlib>

namespace {

void check(bool condition)
{
    if (!condition)
        std::abort();
}

void exercise(const Occurrence &o)
{
    const QDate start = o.startDate();
    for (const QDate from : {QDate(1900, 1, 1), start, start.addDays(1), QDate(2026, 12, 7), QDate(2400, 2, 28)}) {
        const QDate next = o.nextDate(from);
        check(!next.isValid() || (next >= from && next >= start));
    }
    const QDate begin = start.addDays(-3);
    const QDate end = start.addYears(6);
    const QList<QDate> dates = o.occurrences(begin, end);
    for (int i = 0; i < dates.size(); ++i) {
        check(dates[i] >= begin && dates[i] <= end);
        check(i == 0 || dates[i - 1] < dates[i]);
    }
    o.description();

    Occurrence copy(start, IOccurrence::Once);
    copy.fromJson(o.toJson());
    check(copy == o);
    check(copy.occurrences(begin, end) == dates);
}

} // namespace

extern "C" int LLVMFuzzerInitialize(int *, char ***)
{
    qInstallMessageHandler([](QtMsgType, const QMessageLogContext &, const QString &) {});
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    if (size < 3)
        return 0;
    const QDate start = QDate(1990, 1, 1).addDays(data[1] * 256 + data[2]);
    const QByteArray rest(reinterpret_cast<const char *>(data) + 3, qsizetype(size - 3));
    if (data[0] == 'R') {
        exercise(Occurrence::fromRRule(start, QString::fromUtf8(rest)));
    } else {
        const QVariant map = Common::readJsonOrNull(rest);
        Occurrence o(start, IOccurrence::Type(data[0] % 5));
        o.fromJson(map);
        exercise(o);
    }
    return 0;
}
