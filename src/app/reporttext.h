#pragma once

#include <QString>

// The text of a report to the program's makers: the user's message, the facts of the program and, for
// bug reports and feature requests, the system report, the log, the settings and the statistics.
namespace ReportText {

struct Content
{
    QString message;
    QString applicationName;
    QString version;
    QString name;
    QString email;
    QString subject;
    bool withSystemInfo = false;
    QString system;
    QString log;
    QString properties;
    QString statistics;
};

QString compose(const Content &content);

} // namespace ReportText
