#include "platform/iwindowsystem.h"

#ifdef QR_HAVE_XCB
#include "platform/xcbwindowsystem.h"
#endif

StrutPartial dockStrut(const QRect &bar, const QSize &desktop, bool top)
{
    StrutPartial strut{};
    const quint32 startX = quint32(qMax(0, bar.left()));
    const quint32 endX = quint32(qMax(0, bar.right()));
    if (top) {
        strut[2] = quint32(qMax(0, bar.bottom() + 1));
        strut[8] = startX;
        strut[9] = endX;
    } else {
        strut[3] = quint32(qMax(0, desktop.height() - bar.top()));
        strut[10] = startX;
        strut[11] = endX;
    }
    return strut;
}

QList<DockStrip> dockStrips(const StrutPartial &strut, const QSize &desktop)
{
    QList<DockStrip> strips;
    const auto along = [](quint32 start, quint32 end, quint32 fallbackEnd) {
        // Start and end 0 mean the whole edge (a strut without the partial values).
        if (start == 0 && end == 0)
            end = fallbackEnd;
        return qMakePair(int(start), int(qMax(start, end)));
    };
    const int w = desktop.width();
    const int h = desktop.height();
    if (strut[0] > 0) {
        const auto span = along(strut[4], strut[5], quint32(qMax(0, h - 1)));
        strips << DockStrip{Qt::LeftEdge, QRect(QPoint(0, span.first), QPoint(int(strut[0]) - 1, span.second))};
    }
    if (strut[1] > 0) {
        const auto span = along(strut[6], strut[7], quint32(qMax(0, h - 1)));
        strips << DockStrip{Qt::RightEdge, QRect(QPoint(w - int(strut[1]), span.first), QPoint(w - 1, span.second))};
    }
    if (strut[2] > 0) {
        const auto span = along(strut[8], strut[9], quint32(qMax(0, w - 1)));
        strips << DockStrip{Qt::TopEdge, QRect(QPoint(span.first, 0), QPoint(span.second, int(strut[2]) - 1))};
    }
    if (strut[3] > 0) {
        const auto span = along(strut[10], strut[11], quint32(qMax(0, w - 1)));
        strips << DockStrip{Qt::BottomEdge, QRect(QPoint(span.first, h - int(strut[3])), QPoint(span.second, h - 1))};
    }
    return strips;
}

std::unique_ptr<IWindowSystem> IWindowSystem::create()
{
#ifdef QR_HAVE_XCB
    if (auto xcb = XcbWindowSystem::create())
        return xcb;
#endif
    return std::make_unique<NullWindowSystem>();
}

IWindowSystem *IWindowSystem::shared()
{
    static const std::unique_ptr<IWindowSystem> s_system = create();
    return s_system.get();
}
