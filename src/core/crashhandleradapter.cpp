#include "core/crashhandleradapter.h"

#include "core/crashreportlibrary.h"
#include "core/iapplication.h"

#include <QDir>
#include <QFile>

#include <atomic>

namespace CrashHandlerAdapterPrivate {
// Set once a clean end removed the log: what is logged after it must not bring the file back.
std::atomic<bool> s_logClosed{false};
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
    QFile file(m_logPath);
    if (!file.open(QIODevice::WriteOnly | QIODevice::Append | QIODevice::Text))
        return;
    file.write(time + " = " + message.toUtf8() + '\n');
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
