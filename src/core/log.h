#pragma once

#include <QByteArray>
#include <QString>
#include <QtGlobal>

// The process-wide log: an in-memory buffer plus "log.dat" in the data location.
void writeLogLine(const char *file, int line, const char *function, const QByteArray &message);
QByteArray logBuffer();

namespace Common {
// Called by QR_ASSERT: logs the failed check and hands it to the crash-report adapter.
void reportFailedAssert(const char *file, int line, const char *function, const char *condition);
// Bytes of whole lines the in-memory log keeps; older lines are dropped so weeks of uptime stay bounded.
constexpr int kLogMemoryBytes = 512 * 1024;
// The log line of one of Qt's own messages: its kind ("Debug: ", "Info: ", "Warning: ", "Critical: ",
// "Fatal: ") before the text.
QByteArray qtMessageLine(QtMsgType type, const QString &text);
// Called by QR_CHECK: reports a failed check like QR_ASSERT and hands its truth back.
inline bool checked(bool ok, const char *file, int line, const char *function, const char *condition)
{
    if (!ok)
        reportFailedAssert(file, line, function, condition);
    return ok;
}
// Tests only: forget the in-memory log.
void clearLogBuffer();
} // namespace Common

#define QR_LOG(message) ::writeLogLine(__FILE__, __LINE__, Q_FUNC_INFO, (message))

// A failed check is logged and reported; execution goes on along the same path.
#define QR_ASSERT(cond)                                                                                                \
    do {                                                                                                               \
        if (!(cond))                                                                                                   \
            ::Common::reportFailedAssert(__FILE__, __LINE__, Q_FUNC_INFO, #cond);                                      \
    } while (false)

// QR_ASSERT for a check the caller then leaves on: `if (!QR_CHECK(event)) return;`
#define QR_CHECK(cond) ::Common::checked(static_cast<bool>(cond), __FILE__, __LINE__, Q_FUNC_INFO, #cond)
