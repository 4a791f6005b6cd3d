#include "widgets/widgetresources.h"

#include <QFile>

static void initResourcesOnce()
{
    Q_INIT_RESOURCE(widgets);
}

void initWidgetResources()
{
    static const bool s_done = (initResourcesOnce(), true);
    Q_UNUSED(s_done);
}

QString applicationStyleSheet()
{
    initWidgetResources();
    QFile file(QStringLiteral(":/Ostrevalder/styles.css"));
    if (!file.open(QIODevice::ReadOnly))
        return QString();
    return QString::fromUtf8(file.readAll());
}
