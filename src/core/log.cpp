#include "core/log.h"

#include "core/clock.h"
#include "core/crashhandleradapter.h"

#include <deque>
#include <mutex>

namespace LogPrivate {

struct MemoryLog
{
    // The program lives on one thread, but a few bulk jobs (writing the events file) run on
    // worker threads and may log; the lock keeps lines whole and the buffer sound.
    std::mutex mutex;
    std::deque<QByteArray> lines;
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

// Call with the lock held.
void appendToMemory(const QByteArray &line)
{
    MemoryLog &log = memoryLog();
    log.lines.push_back(line);
    while (log.lines.size() > static_cast<size_t>(Common::kLogMemoryLines))
        log.lines.pop_front();
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
    QByteArray result;
    std::lock_guard<std::mutex> lock(LogPrivate::memoryLog().mutex);
    for (const QByteArray &line : LogPrivate::memoryLog().lines)
        result += line;
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
    // A check that fails while the log finds its file must not start that search again.
    if (LogPrivate::writingLine())
        return;
    CrashHandlerAdapter adapter;
    adapter.reportAssert(QString::fromUtf8(condition));
}

void clearLogBuffer()
{
    std::lock_guard<std::mutex> lock(LogPrivate::memoryLog().mutex);
    LogPrivate::memoryLog().lines.clear();
}

} // namespace Common
