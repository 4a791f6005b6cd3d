#pragma once

#include "core/icrashhandler.h"

#include <QString>

// Made on the stack wherever a log line or a failed check needs the crash-report library;
// also writes the log file "log.dat".
class CrashHandlerAdapter : public ICrashHandler
{
public:
    CrashHandlerAdapter();

    bool isAvailable() const override;
    void reportAssert(const QString &text) override;
    void log(const QByteArray &time, const QString &message) override;
    void addFileToReport(const QByteArray &path, const QByteArray &name) override;

    void resetLogFile();
    void removeLogFile();

    QString logFilePath() const { return m_logPath; }

private:
    QString m_logPath;
};
