#include "app/reporttext.h"

namespace ReportText {

QString compose(const Content &c)
{
    QString text = c.message;
    text += QLatin1String("\n---------------------------\n");
    text += QStringLiteral("Application = %1\n").arg(c.applicationName);
    text += QStringLiteral("Version = %1\n").arg(c.version);
    text += QStringLiteral("Name = %1\n").arg(c.name);
    text += QStringLiteral("Email = %1\n").arg(c.email);
    text += QStringLiteral("Subject = %1").arg(c.subject);
    if (!c.withSystemInfo)
        return text;
    text += QLatin1String("\n----------SYSTEM-----------------\n") + c.system;
    text += QLatin1String("\n----------LOG-----------------\n") + c.log;
    text += QLatin1String("\n----------PROPERTIES-----------------\n") + c.properties;
    text += QLatin1String("\n----------STAT-----------------\n") + c.statistics;
    return text;
}

} // namespace ReportText
