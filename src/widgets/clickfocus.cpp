#include "widgets/clickfocus.h"

#include "platform/iwindowsystem.h"

#include <QCursor>
#include <QGuiApplication>
#include <QMouseEvent>
#include <QWidget>
#include <QWindow>

#include <algorithm>
#include <utility>

ClickFocus::ClickFocus(QWidget *window, IWindowSystem *windowSystem, std::function<void()> flagsChanged)
    : QObject(window), m_window(window), m_windowSystem(windowSystem), m_flagsChanged(std::move(flagsChanged))
{
    window->installEventFilter(this);
    watchWindow();
}

ClickFocus::~ClickFocus()
{
    if (m_windowSystem && m_watched)
        m_windowSystem->watchKeyboardOffers(m_watched, {});
}

void ClickFocus::watchWindow()
{
    QWindow *handle = m_window->windowHandle();
    if (!handle || handle == m_watched)
        return;
    m_watched = handle;
    handle->installEventFilter(this);
    if (m_windowSystem)
        m_windowSystem->watchKeyboardOffers(handle, [this](quint32 time) { offered(time); });
}

void ClickFocus::offered(quint32 time)
{
    // Some window managers offer it at mapping too, or when one of the program's windows closes: only a click on the
    // frame, outside the window itself, is the user's.
    const QPoint pointer = QCursor::pos();
    if (!m_window->isVisible())
        return;
    const bool inFrame = m_window->frameGeometry().contains(pointer);
    if (inFrame && !m_window->geometry().contains(pointer)) {
        takeInput(true, time);
        return;
    }
    // Over the window itself a click comes as a press too, and a button held now is that click's; a window can also
    // be mapped under a pointer at rest. The offer of a click released at once comes after its release: only the first
    // offer since the window was shown can be a mapping's.
    const bool mapping = std::exchange(m_shown, false);
    if (inFrame && (!mapping || (m_windowSystem && m_windowSystem->buttonHeld())))
        return;
    // One that shows the window active while the keys stay where they were takes a later click on its frame for no
    // change and offers nothing more: it is asked to show active the window that has the keys. Not a window of the
    // program's own (a dialog): i3 would raise it above this one again.
    QWindow *window = m_window->windowHandle();
    const quint32 keys = m_windowSystem ? m_windowSystem->keyboardWindow() : 0;
    const QWindowList own = QGuiApplication::topLevelWindows();
    const bool ownKeys = std::any_of(own.cbegin(), own.cend(),
                                     [keys](QWindow *w) { return w->handle() && quint32(w->winId()) == keys; });
    if (window && keys && !ownKeys && keys != quint32(window->winId()) &&
        m_windowSystem->activeWindow() == quint32(window->winId())) {
        m_windowSystem->activate(keys, time);
        m_handedOn = true;
    }
}

bool ClickFocus::eventFilter(QObject *watched, QEvent *event)
{
    // A window made when first shown.
    if (event->type() == QEvent::Show && watched == m_window) {
        m_shown = true;
        watchWindow();
    }
    // The window sees a click before the child under it does.
    const bool input = event->type() == QEvent::MouseButtonPress || event->type() == QEvent::MouseButtonRelease ||
                       event->type() == QEvent::KeyPress || event->type() == QEvent::KeyRelease;
    if (input && watched == m_window->windowHandle())
        m_inputTime = quint32(static_cast<QInputEvent *>(event)->timestamp());
    if (event->type() == QEvent::MouseButtonPress && watched == m_window->windowHandle()) {
        takeInput(true, m_inputTime);
    } else if (event->type() == QEvent::ActivationChange && watched == m_window && !m_window->isActiveWindow() &&
               !m_window->isHidden()) {
        // A window being hidden loses the keyboard first: what it held is known once it is hidden.
        takeInput(false, 0);
    } else if (event->type() == QEvent::Hide && watched == m_window) {
        handBack();
    }
    return false;
}

void ClickFocus::takeInput(bool take, quint32 time)
{
    QWindow *window = m_window->windowHandle();
    // The native window's flags: the widget may have told it others since (to stay above, say).
    if (!window || take == !window->flags().testFlag(Qt::WindowDoesNotAcceptFocus))
        return;
    if (take) {
        // Asked before anything moves: the window that had the keyboard gets it back when this one closes.
        const quint32 before = m_windowSystem ? m_windowSystem->keyboardWindow() : 0;
        m_before = before == quint32(window->winId()) ? 0 : before;
    } else {
        m_before = 0;
    }
    // Told to the window as it stands: setWindowFlags() would hide it and show it anew.
    m_window->overrideWindowFlags(m_window->windowFlags().setFlag(Qt::WindowDoesNotAcceptFocus, !take));
    window->setFlags(window->flags().setFlag(Qt::WindowDoesNotAcceptFocus, !take));
    // A hidden window is told again when shown, and may be going with the widget around it.
    if (m_flagsChanged && !m_window->isHidden())
        m_flagsChanged();
    if (!take)
        return;
    // Asked after the window takes input again, so that the window manager hands it the keyboard; where
    // it took the click already and does nothing more, the window takes the keyboard itself.
    window->requestActivate();
    if (m_windowSystem)
        m_windowSystem->takeKeyboard(window, time);
    // A click that follows a request for the window that had the keys, released before it was seen above: the
    // window manager hears this window's request after that one.
    if (m_handedOn && m_windowSystem)
        m_windowSystem->activate(quint32(window->winId()), time);
    m_handedOn = false;
}

void ClickFocus::handBack()
{
    // Hidden first: the window manager then moves the keyboard to another window of the program, and the
    // request that follows moves it on to where it was before the click.
    QWindow *window = m_window->windowHandle();
    if (m_before && m_windowSystem && window && !window->flags().testFlag(Qt::WindowDoesNotAcceptFocus))
        m_windowSystem->activate(m_before, m_inputTime);
    takeInput(false, 0);
}
