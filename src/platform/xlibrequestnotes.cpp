#include "platform/xlibrequestnotes.h"

#ifdef QR_HAVE_X11
#include <QGuiApplication>

#include <X11/Xlib.h>
#endif

namespace Common {

void dropXlibRequestNotes()
{
#ifdef QR_HAVE_X11
    auto *x11 = qGuiApp ? qGuiApp->nativeInterface<QNativeInterface::QX11Application>() : nullptr;
    if (Display *display = x11 ? x11->display() : nullptr)
        XSync(display, False);
#endif
}

} // namespace Common
