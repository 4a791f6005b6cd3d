#pragma once

#include <QColor>
#include <QDateTime>
#include <QString>

// What the desktop shows under the windows: a picture, how it is laid out, and the colour around it.
struct WallpaperInfo
{
    enum Layout { Centred, Tiled, Stretched };

    QString path;
    Layout layout = Centred;
    QColor background = Qt::black;
    // When the picture file was made; tells a new picture under the same name.
    QDateTime created;
};

class IWallpaperSource
{
public:
    virtual ~IWallpaperSource() = default;
    virtual WallpaperInfo current() = 0;
};

// Desktops do not share one way to ask for the wallpaper; without one, the desktop is a plain black area.
class NoWallpaperSource : public IWallpaperSource
{
public:
    WallpaperInfo current() override { return WallpaperInfo(); }
};
