#include "core/crashhandleradapter.h"

#include "core/crashreportlibrary.h"
#include "core/iapplication.h"

#include <QDir>
#include <QFile>

#include <atomic>

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace CrashHandlerAdapterPrivate {
// Set once a clean end removed the log: what is logged after it must not bring the file back.
std::atomic<bool> s_logClosed{false};

// The log for appending, only as a regular file of one link: no link is followed, and a file of more links
// (one a restore's record moved there, say) is a file elsewhere too. Anything else at its place is removed
// once, and a new log begins. -1 when none can be opened.
int openLog(const QByteArray &path)
{
    for (int attempt = 0; attempt < 2; ++attempt) {
        // Non-blocking, so that a FIFO at its place never waits for a reader.
        const int fd =
            ::open(path.constData(), O_WRONLY | O_APPEND | O_CREAT | O_NOFOLLOW | O_NONBLOCK | O_CLOEXEC, 0666);
        struct stat info;
        if (fd >= 0 && ::fstat(fd, &info) == 0 && S_ISREG(info.st_mode) && info.st_nlink == 1)
            return fd;
        if (fd >= 0)
            ::close(fd);
        if (::lstat(path.constData(), &info) != 0 || S_ISDIR(info.st_mode) || ::unlink(path.constData()) != 0)
            return -1;
    }
    return -1;
}
} // namespace CrashHandlerAdapterPrivate

CrashHandlerAdapter::CrashHandlerAdapter()
{
    // Lines logged before the application exists or after it is gone stay in memory only.
    if (IApplication *app = IApplication::instance()) {
        const QString location = app->dataLocation();
        if (!location.isEmpty())
            m_logPath = QDir(location).filePath(QStringLiteral("log.dat"));
    }
}

bool CrashHandlerAdapter::isAvailable() const
{
    return CrashReportLibrary::instance().ready();
}

void CrashHandlerAdapter::reportAssert(const QString &text)
{
    if (!isAvailable())
        return;
    CrashReportLibrary::instance().addUserInfo(QStringLiteral("ASSERT"), text);
    CrashReportLibrary::instance().raise();
}

void CrashHandlerAdapter::log(const QByteArray &time, const QString &message)
{
    if (m_logPath.isEmpty() || CrashHandlerAdapterPrivate::s_logClosed)
        return;
    const int fd = CrashHandlerAdapterPrivate::openLog(QFile::encodeName(m_logPath));
    if (fd < 0)
        return;
    const QByteArray line = time + " = " + message.toUtf8() + '\n';
    for (qsizetype done = 0; done < line.size();) {
        const ssize_t written = ::write(fd, line.constData() + done, size_t(line.size() - done));
        if (written <= 0)
            break;
        done += written;
    }
    ::close(fd);
}

void CrashHandlerAdapter::addFileToReport(const QByteArray &path, const QByteArray &name)
{
    if (!isAvailable())
        return;
    CrashReportLibrary::instance().addFile(QString::fromUtf8(path), QString::fromUtf8(name));
}

void CrashHandlerAdapter::resetLogFile()
{
    if (m_logPath.isEmpty())
        return;
    CrashHandlerAdapterPrivate::s_logClosed = false;
    QFile::remove(m_logPath);
    addFileToReport(m_logPath.toUtf8(), "log.txt");
}

void CrashHandlerAdapter::removeLogFile()
{
    if (m_logPath.isEmpty())
        return;
    CrashHandlerAdapterPrivate::s_logClosed = true;
    QFile::remove(m_logPath);
}
