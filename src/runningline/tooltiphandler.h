#pragma once

#include <QBasicTimer>
#include <QObject>
#include <QPoint>
#include <QPointer>
#include <QRect>

#include "widgets/tooltip.h"

#include <functional>

class QWidget;

// Shows the running line's tooltips in one ToolTip window of its own: after the mouse rested on a row
// for a moment, it asks for the row's content widget, places the window near the row and shows it.
class ToolTipHandler : public QObject
{
    Q_OBJECT

public:
    static constexpr int s_showDelay = 600;
    // Makes a new content widget for a row; the tooltip takes it. Null shows nothing.
    using ContentMaker = std::function<QWidget *(int row)>;

    explicit ToolTipHandler(ContentMaker maker, QObject *parent = nullptr);
    ~ToolTipHandler() override;

    ToolTip *toolTip() const { return m_toolTip; }
    bool isShown() const;

public slots:
    // The mouse rests on a row (-1: none) whose rectangle and the cursor are given in global coordinates.
    void onRowHovered(int row, const QRect &globalRect, const QPoint &globalCursor);
    void showNow();
    void hide();

protected:
    void timerEvent(QTimerEvent *event) override;

private:
    ContentMaker m_maker;
    QPointer<ToolTip> m_toolTip;
    QBasicTimer m_delay;
    int m_row = -1;
    QRect m_rect;
    QPoint m_cursor;
};
