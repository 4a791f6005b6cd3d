#include "widgets/widgetresources.h"

#include "core/iconfiles.h"
#include "widgets/lazyiconengine.h"

#include <QFile>
#include <QFileInfo>

static void initResourcesOnce()
{
    Q_INIT_RESOURCE(widgets);
}

static QIcon readSharpIcon(const QString &path)
{
    QIcon icon;
    Common::addIconFile(&icon, path);
    const QFileInfo file(path);
    const QString twin =
        file.path() + QLatin1Char('/') + file.completeBaseName() + QStringLiteral("@2x.") + file.suffix();
    if (QFile::exists(twin))
        Common::addIconFile(&icon, twin);
    return icon;
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

QIcon sharpIcon(const QString &path)
{
    return QIcon(new LazyIconEngine([path] { return readSharpIcon(path); }));
}
