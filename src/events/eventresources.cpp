#include "events/eventresources.h"

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

QIcon eventIcon(std::initializer_list<const char *> files)
{
    initEventResources();
    QIcon icon;
    for (const char *file : files)
        icon.addFile(QLatin1String(file), QSize(), QIcon::Normal, QIcon::Off);
    return icon;
}

QPixmap smallestPixmap(const QIcon &icon)
{
    const QList<QSize> sizes = icon.availableSizes();
    return sizes.isEmpty() ? QPixmap() : icon.pixmap(sizes.first());
}

QPixmap largestPixmap(const QIcon &icon)
{
    const QList<QSize> sizes = icon.availableSizes();
    return sizes.isEmpty() ? QPixmap() : icon.pixmap(sizes.last());
}
