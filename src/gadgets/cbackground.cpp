#include "gadgets/cbackground.h"

#include "core/log.h"

#include <QFileInfo>
#include <QGuiApplication>
#include <QPainter>
#include <QScreen>

namespace CBackgroundPrivate {
QImage s_wallpaper;
QString s_wallpaperPath;
QDateTime s_wallpaperCreated;
IWallpaperSource *s_source = nullptr;

IWallpaperSource *source()
{
    static NoWallpaperSource none;
    return s_source ? s_source : &none;
}

QScreen *screenNearest(const QPoint &point)
{
    if (QScreen *screen = QGuiApplication::screenAt(point))
        return screen;
    QScreen *best = QGuiApplication::primaryScreen();
    qint64 bestDistance = -1;
    const QList<QScreen *> screens = QGuiApplication::screens();
    for (QScreen *screen : screens) {
        const QRect g = screen->geometry();
        const qint64 dx = qMax(0, qMax(g.left() - point.x(), point.x() - g.right()));
        const qint64 dy = qMax(0, qMax(g.top() - point.y(), point.y() - g.bottom()));
        const qint64 distance = dx * dx + dy * dy;
        if (bestDistance < 0 || distance < bestDistance) {
            best = screen;
            bestDistance = distance;
        }
    }
    return best;
}
} // namespace CBackgroundPrivate

using namespace CBackgroundPrivate;

CBackground::CBackground() = default;

CBackground::~CBackground() = default;

void CBackground::setCaptureSize(const QSize &size)
{
    m_captureWidth = size.width();
    m_captureHeight = size.height();
}

bool CBackground::update(const QPoint &topLeft)
{
    m_image = QImage();
    capture(topLeft.x(), topLeft.y());
    return false;
}

void CBackground::capture(int x, int y)
{
    m_image = CopyBackground(x, y, m_captureWidth, m_captureHeight).convertToFormat(QImage::Format_RGB32);
}

QImage CBackground::CopyBackground(int x, int y, int w, int h)
{
    QImage wallpaper = GetWallpaper(x, y, w, h);
    if (!wallpaper.isNull())
        return wallpaper;
    QScreen *screen = QGuiApplication::primaryScreen();
    QR_ASSERT(!"ERR_BACKGROUND" || screen);
    if (!screen || w <= 0 || h <= 0)
        return QImage();
    return screen->grabWindow(0, x, y, w, h).toImage();
}

QImage CBackground::GetWallpaper(int x, int y, int w, int h)
{
    if (w <= 0 || h <= 0)
        return QImage();
    const WallpaperInfo info = source()->current();
    if (!info.path.isEmpty() && s_wallpaper.isNull())
        s_wallpaper = QImage(info.path);
    QScreen *primary = QGuiApplication::primaryScreen();
    const QRect screen = primary ? QRect(QPoint(0, 0), primary->geometry().size()) : QRect(0, 0, w, h);
    QScreen *nearest = screenNearest(QPoint(x, y));
    const QRect monitor = nearest ? nearest->geometry() : screen;
    return compose(info.path.isEmpty() ? QImage() : s_wallpaper, info.layout, info.background, QRect(x, y, w, h),
                   screen, monitor, !nearest || nearest == primary);
}

QImage CBackground::compose(const QImage &wallpaper, WallpaperInfo::Layout layout, const QColor &background,
                            const QRect &area, const QRect &screen, const QRect &monitor, bool monitorIsPrimary)
{
    QImage result(area.size(), QImage::Format_RGB32);
    result.fill(background.isValid() ? background : QColor(Qt::black));
    if (wallpaper.isNull())
        return result;
    int x = area.x();
    int y = area.y();
    // Right and bottom lie one past the last pixel here, as the desktop counts them.
    int left = screen.left(), top = screen.top();
    int right = screen.left() + screen.width(), bottom = screen.top() + screen.height();
    if (!monitorIsPrimary) {
        const int monitorRight = monitor.left() + monitor.width();
        const int monitorBottom = monitor.top() + monitor.height();
        if (layout == WallpaperInfo::Tiled) {
            left = qMin(0, monitorRight);
            right = qMax(0, monitorRight);
            top = qMin(0, monitorBottom);
            bottom = qMax(0, monitorBottom);
        } else if (layout == WallpaperInfo::Stretched) {
            x -= monitor.left() + (monitor.width() - (right - left)) / 2;
            y -= monitor.top() + (monitor.height() - (bottom - top)) / 2;
        } else {
            x -= monitor.left();
            y -= monitor.top();
            left = 0;
            top = 0;
            right = monitor.width();
            bottom = monitor.height();
        }
    }
    const int iw = wallpaper.width();
    const int ih = wallpaper.height();
    QPainter painter(&result);
    switch (layout) {
    case WallpaperInfo::Stretched:
        painter.setRenderHint(QPainter::SmoothPixmapTransform);
        painter.drawImage(QRect(-x, -y, right - left, bottom - top), wallpaper);
        break;
    case WallpaperInfo::Tiled:
        for (int i = left; i < right; i += iw) {
            for (int j = top; j < bottom; j += ih)
                painter.drawImage(QPoint(i - x, j - y), wallpaper);
        }
        break;
    case WallpaperInfo::Centred:
        painter.drawImage(QPoint((right - left) / 2 - iw / 2 - x, (bottom - top) / 2 - ih / 2 - y), wallpaper);
        break;
    }
    return result;
}

QString CBackground::wallpaperPath(WallpaperInfo::Layout *layout)
{
    const WallpaperInfo info = source()->current();
    if (layout && !info.path.isEmpty())
        *layout = info.layout;
    return info.path;
}

bool CBackground::wallpaperChanged(bool init)
{
    const WallpaperInfo info = source()->current();
    if (init) {
        s_wallpaperPath = info.path;
        s_wallpaperCreated = info.created;
        return false;
    }
    if (info.path != s_wallpaperPath) {
        s_wallpaperPath = info.path;
        return true;
    }
    if (info.created != s_wallpaperCreated) {
        s_wallpaperCreated = info.created;
        return true;
    }
    return false;
}

void CBackground::clearWallpaperCache()
{
    s_wallpaper = QImage();
}

void CBackground::paint(QPainter &painter)
{
    if (!m_image.isNull())
        painter.drawImage(0, 0, m_image);
}

void CBackground::setWallpaperSource(IWallpaperSource *source)
{
    s_source = source;
}
