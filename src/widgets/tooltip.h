#pragma once

#include <QFrame>
#include <QPointer>

// A small, slightly transparent, tinted tooltip window that frames one content widget at a time; the
// running line shows its event tooltips in it. It is a tooltip to the window system too: no frame, not
// managed as a normal window, never activated, so the window the user types into keeps the keyboard.
class ToolTip : public QFrame
{
    Q_OBJECT

public:
    explicit ToolTip(QWidget *parent = nullptr);

    // Takes the widget as the window's only content; the previous one is deleted later, since its
    // own signal may have led here.
    void setContentWidget(QWidget *widget);
    QWidget *contentWidget() const { return m_contentWidget; }

    // The size that shows the whole content: wrapped labels get the height their text needs at the
    // width chosen, which a plain size hint does not give.
    QSize wholeContentSize() const;

private:
    QPointer<QWidget> m_contentWidget;
};
