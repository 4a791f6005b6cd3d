#pragma once

#include <QPoint>
#include <QRect>
#include <QSize>

#include <optional>

// Where a new reminder window goes: `area` is the usable part of the screen under the pointer,
// `size` the window's size with its frame, `lastOpen` the geometry of the last opened other
// reminder window, if any. The first window is centred, later ones cascade by 20 pixels, and
// the result always keeps the whole window inside the area (or at its top-left when too big).
QPoint reminderWindowPosition(const QRect &area, const QSize &size, const std::optional<QRect> &lastOpen);
