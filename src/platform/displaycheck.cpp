#include "displaycheck.h"

#ifdef QR_HAVE_XCB
#include <xcb/xcb.h>
#endif

namespace DisplayCheck {

namespace {

bool canReach(const QByteArray &display)
{
#ifdef QR_HAVE_XCB
    xcb_connection_t *connection = xcb_connect(display.constData(), nullptr);
    const bool reached = xcb_connection_has_error(connection) == 0;
    xcb_disconnect(connection);
    return reached;
#else
    Q_UNUSED(display);
    return true;
#endif
}

} // namespace

QString problem()
{
    // Another platform (offscreen, wayland) finds its own way or says itself what is wrong.
    const QByteArray platform = qgetenv("QT_QPA_PLATFORM");
    if (!platform.isEmpty() && !platform.startsWith("xcb"))
        return {};
    const QByteArray display = qgetenv("DISPLAY");
    if (display.isEmpty()) {
        if (platform.isEmpty() && !qEnvironmentVariableIsEmpty("WAYLAND_DISPLAY"))
            return {};
        return QStringLiteral("There is no graphical display to show the windows on (DISPLAY is not set). "
                              "Start the program from a desktop session.");
    }
    if (!canReach(display))
        return QStringLiteral("The graphical display \"%1\" cannot be reached. Start the program from a "
                              "desktop session.")
            .arg(QString::fromLocal8Bit(display));
    return {};
}

} // namespace DisplayCheck
