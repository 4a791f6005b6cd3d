#pragma once

#include <QObject>
#include <QPointer>
#include <QWindow>

#include <functional>

class IWindowSystem;
class QWidget;

// Keeps a window that comes on its own (a reminder, a gadget) from the keyboard until the user clicks into
// it, and from it again once the user turns elsewhere. It remembers which window had the keyboard before
// the click, so that closing the window gives it back there rather than to whatever window of the program
// the window manager picks next.
class ClickFocus : public QObject
{
public:
    // `window` is a top-level widget with Qt::WindowDoesNotAcceptFocus; `flagsChanged` runs after
    // each change of its native window's flags while it is shown.
    ClickFocus(QWidget *window, IWindowSystem *windowSystem, std::function<void()> flagsChanged = {});
    ~ClickFocus() override;

protected:
    bool eventFilter(QObject *watched, QEvent *event) override;

private:
    void watchWindow();
    // Gives the keyboard back to the window that had it before the click, when this one still holds it.
    void handBack();
    void takeInput(bool take, quint32 time);
    // The window manager offers the keyboard to the window that refuses it: after a click on its frame, it is taken.
    void offered(quint32 time);

    QWidget *m_window;
    IWindowSystem *m_windowSystem;
    std::function<void()> m_flagsChanged;
    QPointer<QWindow> m_watched;
    quint32 m_before = 0;
    // The window manager was asked to show active the window that has the keys instead of this one.
    bool m_handedOn = false;
    bool m_shown = false; // no offer came since the window was shown
    // The window server's time of the user's last input into the window: the one that closes it, as a
    // rule. Window managers refuse a request dated before the input they know of.
    quint32 m_inputTime = 0;
};
