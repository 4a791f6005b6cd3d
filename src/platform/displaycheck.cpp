#include "displaycheck.h"

#ifdef QR_HAVE_XCB
#include <xcb/xcb.h>
#endif

DisplayCheck::DisplayCheck()
{
    // Another platform (offscreen, wayland) finds its own way or says itself what is wrong.
    const QByteArray platform = qgetenv("QT_QPA_PLATFORM");
    if (!platform.isEmpty() && !platform.startsWith("xcb"))
        return;
    const QByteArray display = qgetenv("DISPLAY");
    if (display.isEmpty()) {
        if (platform.isEmpty() && !qEnvironmentVariableIsEmpty("WAYLAND_DISPLAY"))
            return;
        m_problem = QStringLiteral("There is no graphical display to show the windows on (DISPLAY is not set). "
                                   "Start the program from a desktop session.");
        return;
    }
#ifdef QR_HAVE_XCB
    xcb_connection_t *connection = xcb_connect(display.constData(), nullptr);
    m_connection = connection;
    if (xcb_connection_has_error(connection) != 0) {
        release();
        m_problem = QStringLiteral("The graphical display \"%1\" cannot be reached. Start the program from a "
                                   "desktop session.")
                        .arg(QString::fromLocal8Bit(display));
    }
#endif
}

DisplayCheck::~DisplayCheck()
{
    release();
}

void DisplayCheck::release()
{
#ifdef QR_HAVE_XCB
    if (m_connection)
        xcb_disconnect(static_cast<xcb_connection_t *>(m_connection));
#endif
    m_connection = nullptr;
}
