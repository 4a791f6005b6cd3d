#include "core/log.h"

#include "core/clock.h"
#include "core/crashhandleradapter.h"
#include "core/failedcheckhook.h"

#include <algorithm>
#include <atomic>
#include <cstring>
#include <memory>
#include <mutex>

namespace LogPrivate {

constexpr qsizetype s_capacity = Common::kLogMemoryBytes;

struct MemoryLog
{
    // The program lives on one thread, but a few bulk jobs (writing the events file) run on
    // worker threads and may log; the lock keeps lines whole and the buffer sound.
    std::mutex mutex;
    // The newest lines, from `start` on and around the end. Made whole with the first line, so that a
    // log filling up over weeks takes no more of the heap; the system backs its pages only as lines reach them.
    std::unique_ptr<char[]> ring;
    qsizetype start = 0;
    qsizetype size = 0;
};

MemoryLog &memoryLog()
{
    static MemoryLog log;
    return log;
}

QByteArray timestamp()
{
    return Common::Clock::now().toString(QStringLiteral("dd.MM.yyThh:mm:ss:zzz")).toUtf8();
}

QByteArray baseName(const char *file)
{
    QByteArray path(file ? file : "");
    const int slash = qMax(path.lastIndexOf('/'), path.lastIndexOf('\\'));
    return slash >= 0 ? path.mid(slash + 1) : path;
}

// Set while this thread writes a line. Finding the log file may itself log (the data folder warns when it
// cannot be made); such a line goes to memory only, or the log would wait on its own lock or recurse.
bool &writingLine()
{
    thread_local bool t_writing = false;
    return t_writing;
}

std::atomic<Common::FailedCheckHook> &failedCheckHook()
{
    static std::atomic<Common::FailedCheckHook> s_hook{nullptr};
    return s_hook;
}

// Call with the lock held.
void dropOldestLine(MemoryLog &log)
{
    const char *ring = log.ring.get();
    const qsizetype first = std::min(log.size, s_capacity - log.start);
    qsizetype dropped = log.size; // a line cut at its start ends nowhere: all of it goes
    if (const void *end = std::memchr(ring + log.start, '\n', size_t(first)))
        dropped = static_cast<const char *>(end) - (ring + log.start) + 1;
    else if (const void *wrapped = std::memchr(ring, '\n', size_t(log.size - first)))
        dropped = first + (static_cast<const char *>(wrapped) - ring) + 1;
    log.start = (log.start + dropped) % s_capacity;
    log.size -= dropped;
}

// Call with the lock held.
void appendToMemory(const QByteArray &line)
{
    MemoryLog &log = memoryLog();
    if (!log.ring)
        log.ring.reset(new char[s_capacity]);
    // A line longer than the whole log keeps its end.
    const qsizetype length = std::min(line.size(), s_capacity);
    const char *data = line.constData() + (line.size() - length);
    while (log.size + length > s_capacity)
        dropOldestLine(log);
    const qsizetype at = (log.start + log.size) % s_capacity;
    const qsizetype first = std::min(length, s_capacity - at);
    std::memcpy(log.ring.get() + at, data, size_t(first));
    std::memcpy(log.ring.get(), data + first, size_t(length - first));
    log.size += length;
}

} // namespace LogPrivate

void writeLogLine(const char *file, int line, const char *function, const QByteArray &message)
{
    Q_UNUSED(file);
    Q_UNUSED(line);
    Q_UNUSED(function);
    const QByteArray time = LogPrivate::timestamp();
    bool &writing = LogPrivate::writingLine();
    if (writing) {
        std::lock_guard<std::mutex> lock(LogPrivate::memoryLog().mutex);
        LogPrivate::appendToMemory(time + message + '\n');
        return;
    }
    writing = true;
    CrashHandlerAdapter adapter;
    {
        std::lock_guard<std::mutex> lock(LogPrivate::memoryLog().mutex);
        LogPrivate::appendToMemory(time + message + '\n');
        adapter.log(time, QString::fromUtf8(message));
    }
    writing = false;
}

QByteArray logBuffer()
{
    std::lock_guard<std::mutex> lock(LogPrivate::memoryLog().mutex);
    const LogPrivate::MemoryLog &log = LogPrivate::memoryLog();
    if (!log.size)
        return QByteArray();
    const qsizetype first = std::min(log.size, LogPrivate::s_capacity - log.start);
    QByteArray result(log.ring.get() + log.start, first);
    result.append(log.ring.get(), log.size - first);
    return result;
}

namespace Common {

QByteArray qtMessageLine(QtMsgType type, const QString &text)
{
    const char *prefix = "";
    switch (type) {
    case QtDebugMsg:
        prefix = "Debug: ";
        break;
    case QtInfoMsg:
        prefix = "Info: ";
        break;
    case QtWarningMsg:
        prefix = "Warning: ";
        break;
    case QtCriticalMsg:
        prefix = "Critical: ";
        break;
    case QtFatalMsg:
        prefix = "Fatal: ";
        break;
    }
    return prefix + text.toUtf8();
}

void reportFailedAssert(const char *file, int line, const char *function, const char *condition)
{
    // No crash library receives the location on this platform, so the log line carries it.
    const QByteArray message = ':' + LogPrivate::baseName(file) + ':' + QByteArray::number(line) + ':' +
                               QByteArray(function ? function : "") + ":ASSERT: " + QByteArray(condition);
    writeLogLine(file, line, function, message);
    if (const FailedCheckHook hook = LogPrivate::failedCheckHook())
        hook(file, line, message);
    // A check that fails while the log finds its file must not start that search again.
    if (LogPrivate::writingLine())
        return;
    CrashHandlerAdapter adapter;
    adapter.reportAssert(QString::fromUtf8(condition));
}

void setFailedCheckHook(FailedCheckHook hook)
{
    LogPrivate::failedCheckHook() = hook;
}

void clearLogBuffer()
{
    std::lock_guard<std::mutex> lock(LogPrivate::memoryLog().mutex);
    LogPrivate::memoryLog().size = 0;
}

} // namespace Common
