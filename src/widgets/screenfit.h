#pragma once

#include <QRect>

#include <functional>

class QObject;
class QWidget;

// Keeps the program's windows on the screens there are.
namespace ScreenFit {

// The available area of the screen the window overlaps most. A window on no screen (its monitor went)
// goes to its own screen, or the primary one.
QRect availableAreaFor(const QWidget *window);
// The window, frame included, wholly onto the screen it overlaps most: shrunk where it is larger.
void keepOnScreen(QWidget *window);
// Every open window that the window manager frames; the frameless ones (the bar, the gadgets) place
// themselves.
void keepWindowsOnScreens();
// Calls `changed` from the event loop once a screen came, went or changed its size or work area: a
// screen being removed is still listed while its signal runs.
void watchScreens(QObject *context, const std::function<void()> &changed);

} // namespace ScreenFit
