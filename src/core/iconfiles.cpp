#include "core/iconfiles.h"

#include <QGuiApplication>
#include <QImage>
#include <QImageReader>
#include <QPixmap>

namespace Common {

void addIconFile(QIcon *icon, const QString &path, const QSize &size)
{
    // A sharper screen also takes the "@2x" twin that QIcon::addFile() looks for.
    if (qGuiApp && qGuiApp->devicePixelRatio() <= 1.0 && path.endsWith(QLatin1String(".png"), Qt::CaseInsensitive)) {
        QImageReader reader(path, "png");
        reader.setAutoDetectImageFormat(false);
        const QImage image = reader.read();
        if (!image.isNull() && (!size.isValid() || image.size() == size)) {
            icon->addPixmap(QPixmap::fromImage(image));
            return;
        }
    }
    icon->addFile(path, size);
}

} // namespace Common
