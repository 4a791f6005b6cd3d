#include "events/eventresources.h"

#include "core/iconfiles.h"

#include <QtGlobal>

static void initResourcesOnce()
{
    Q_INIT_RESOURCE(events);
}

void initEventResources()
{
    static const bool s_done = (initResourcesOnce(), true);
    Q_UNUSED(s_done);
}

QIcon eventIcon(const QStringList &files)
{
    initEventResources();
    QIcon icon;
    for (const QString &file : files)
        Common::addIconFile(&icon, file);
    return icon;
}
