#pragma once

#include "platform/iwallpapersource.h"

#include <QImage>
#include <QPoint>
#include <QRect>

class QPainter;

// A picture of what the desktop background looks like under a rectangle of the screen: the wallpaper laid
// out as the desktop lays it out, on the monitor that holds the rectangle, over the desktop colour; the
// screen's own pixels when no such picture can be made.
class CBackground
{
public:
    CBackground();
    ~CBackground();

    // Captures anew at the corner; always false.
    bool update(const QPoint &topLeft);
    void capture(int x, int y);
    QImage CopyBackground(int x, int y, int w, int h);
    void paint(QPainter &painter);
    QImage capturedImage() const { return m_image; }
    void setCaptureSize(const QSize &size);

    static QImage GetWallpaper(int x, int y, int w, int h);
    static QString wallpaperPath(WallpaperInfo::Layout *layout = nullptr);
    static bool wallpaperChanged(bool init);
    static void clearWallpaperCache();

    // The area (x, y, w, h) of a desktop whose primary screen is `screen`; `monitor` is the monitor
    // nearest to (x, y).
    static QImage compose(const QImage &wallpaper, WallpaperInfo::Layout layout, const QColor &background,
                          const QRect &area, const QRect &screen, const QRect &monitor, bool monitorIsPrimary);

    // The source asked for the wallpaper; not owned. Null restores the default, which knows none.
    static void setWallpaperSource(IWallpaperSource *source);

private:
    int m_captureWidth = 0;
    int m_captureHeight = 0;
    QImage m_image;
};
