#include "app/startarguments.h"

namespace StartArguments {

bool isSilentStart(const QStringList &arguments)
{
    return arguments.join(QLatin1Char(',')).contains(QLatin1String("SILENTMODE"));
}

bool isUninstallStart(const QStringList &arguments)
{
    return arguments.join(QLatin1Char(',')).contains(QLatin1String("UNINSTALL"));
}

} // namespace StartArguments
