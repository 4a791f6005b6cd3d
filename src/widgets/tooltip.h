#pragma once

#include <QDialog>
#include <QPointer>

// A small, slightly transparent, tinted window titled "Info" that frames one content widget at a
// time; the running line shows its event tooltips in it.
class ToolTip : public QDialog
{
    Q_OBJECT

public:
    explicit ToolTip(QWidget *parent = nullptr);

    // Takes the widget as the window's only content; the previous one is deleted later, since its
    // own signal may have led here.
    void setContentWidget(QWidget *widget);
    QWidget *contentWidget() const { return m_contentWidget; }

private:
    QPointer<QWidget> m_contentWidget;
};
