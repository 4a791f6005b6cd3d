#include "platform/appidentity.h"

#include <QCoreApplication>

void AppIdentity::apply()
{
    QCoreApplication::setOrganizationName(QString::fromLatin1(kOrganisation));
    QCoreApplication::setApplicationName(QString::fromLatin1(kApplication));
}
