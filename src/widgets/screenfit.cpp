#include "widgets/screenfit.h"

#include "widgets/windowplacement.h"

#include <QApplication>
#include <QScreen>
#include <QTimer>
#include <QWidget>

namespace ScreenFit {

namespace {

// The screens' available areas, and which of them is the window's own screen or else the primary one.
QList<QRect> availableAreas(const QWidget *window, int *fallback)
{
    const QList<QScreen *> screens = QGuiApplication::screens();
    QList<QRect> areas;
    for (const QScreen *s : screens)
        areas << s->availableGeometry();
    *fallback = int(screens.indexOf(window->screen()));
    if (*fallback < 0)
        *fallback = qMax(0, int(screens.indexOf(QGuiApplication::primaryScreen())));
    return areas;
}

} // namespace

QRect availableAreaFor(const QWidget *window)
{
    int fallback = 0;
    const QList<QRect> areas = availableAreas(window, &fallback);
    return areas.isEmpty() ? QRect() : areas.at(WindowPlacement::bestArea(window->frameGeometry(), areas, fallback));
}

void keepOnScreen(QWidget *window)
{
    int fallback = 0;
    const QList<QRect> areas = availableAreas(window, &fallback);
    const QRect frame = window->frameGeometry();
    const QRect fitted = WindowPlacement::ontoAreas(frame, areas, fallback);
    const QSize decoration = frame.size() - window->geometry().size();
    if (fitted.size() != frame.size())
        window->resize((fitted.size() - decoration).expandedTo(QSize(1, 1)));
    if (fitted.topLeft() != frame.topLeft())
        window->move(fitted.topLeft());
}

void keepWindowsOnScreens()
{
    const Qt::WindowFlags placedByThemselves = Qt::FramelessWindowHint | Qt::X11BypassWindowManagerHint;
    for (QWidget *window : QApplication::topLevelWidgets()) {
        const Qt::WindowType type = window->windowType();
        if (!window->isVisible() || window->isMinimized() || (window->windowFlags() & placedByThemselves) ||
            type == Qt::Popup || type == Qt::ToolTip || type == Qt::SplashScreen || type == Qt::Desktop)
            continue;
        keepOnScreen(window);
    }
}

void watchScreens(QObject *context, const std::function<void()> &changed)
{
    const auto later = [context, changed] { QTimer::singleShot(0, context, changed); };
    const auto watch = [context, later](QScreen *screen) {
        QObject::connect(screen, &QScreen::geometryChanged, context, later);
        QObject::connect(screen, &QScreen::availableGeometryChanged, context, later);
    };
    for (QScreen *screen : QGuiApplication::screens())
        watch(screen);
    QObject::connect(qGuiApp, &QGuiApplication::screenAdded, context, [watch, later](QScreen *screen) {
        watch(screen);
        later();
    });
    QObject::connect(qGuiApp, &QGuiApplication::screenRemoved, context, later);
}

} // namespace ScreenFit
