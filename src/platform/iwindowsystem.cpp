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

std::unique_ptr<IWindowSystem> IWindowSystem::create()
{
#ifdef QR_HAVE_XCB
    if (auto xcb = XcbWindowSystem::create())
        return xcb;
#endif
    return std::make_unique<NullWindowSystem>();
}

