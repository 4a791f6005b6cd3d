#include "core/crashhandleradapter.h"

#include "core/crashreportlibrary.h"
#include "core/iapplication.h"

#include <QDir>
#include <QFile>

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
    if (m_logPath.isEmpty())
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
    QFile::remove(m_logPath);
    addFileToReport(m_logPath.toUtf8(), "log.txt");
}

void CrashHandlerAdapter::removeLogFile()
{
    if (!m_logPath.isEmpty())
        QFile::remove(m_logPath);
}
