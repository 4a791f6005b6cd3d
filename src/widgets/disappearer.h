#pragma once

#include <QObject>
#include <QPointer>
#include <QWidget>

// Fades a top-level widget out by lowering its window opacity in steps, then reports finished().
// It is a child of the widget, so it goes with the widget.
class Disappearer : public QObject
{
    Q_OBJECT

public:
    Disappearer(QWidget *widget, int interval, double opacityDecrement);

    void start();

signals:
    void finished();

protected:
    void timerEvent(QTimerEvent *event) override;

private:
    QPointer<QWidget> m_widget;
    int m_interval;
    double m_opacityDecrement;
    int m_timerId = 0;
    // Kept here rather than read back: where the window system ignores opacity (Wayland, child widgets)
    // the widget keeps answering 1.0 and the fade would never end.
    double m_opacity = 1.0;
};
