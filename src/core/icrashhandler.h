#pragma once

#include <QByteArray>
#include <QString>

// Hands failures to an optional crash-report library.
class ICrashHandler
{
public:
    virtual bool isAvailable() const = 0;
    virtual void reportAssert(const QString &text) = 0;
    virtual void log(const QByteArray &time, const QString &message) = 0;
    virtual void addFileToReport(const QByteArray &path, const QByteArray &name) = 0;
    virtual ~ICrashHandler() = default;
};
