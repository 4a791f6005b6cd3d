#include "app/reminderplacement.h"

#include <QtGlobal>

QPoint reminderWindowPosition(const QRect &area, const QSize &size, const std::optional<QRect> &lastOpen)
{
    QPoint point;
    if (!lastOpen) {
        point = area.center() - QPoint(size.width() / 2, size.height() / 2);
    } else {
        point = lastOpen->topLeft() + QPoint(20, 20);
        const bool pastRight = point.x() + size.width() > area.x() + area.width();
        const bool pastBottom = point.y() + size.height() > area.y() + area.height();
        if (pastRight || pastBottom || !area.contains(point))
            point = area.topLeft() + QPoint(1, 1);
    }
    // Also a window larger than the cascade's start, or than the area, must show its top-left
    // (title bar and text) on the screen.
    point.setX(qMax(area.x(), qMin(point.x(), area.x() + area.width() - size.width())));
    point.setY(qMax(area.y(), qMin(point.y(), area.y() + area.height() - size.height())));
    return point;
}
