#pragma once

#include "widgets/dialog.h"

#include <QList>
#include <QPoint>
#include <QSize>
#include <QTimer>

// The frameless desktop window every gadget is built on. The user moves it by dragging it anywhere with the
// left button; its edges snap to the screen's edges and to the other such windows, also while the resizer
// grows it. It can look for a free place on the screen at its next show.
class DragableWidget : public Dialog
{
    Q_OBJECT

public:
    DragableWidget(const QByteArray &geometrySid, QWidget *parent = nullptr);
    ~DragableWidget() override;

    // Looks for a free place at the next show.
    void requestFreePlace() { m_placeOnShow = true; }
    bool isFreePlaceRequested() const { return m_placeOnShow; }
    // Keeps the window above the others (true), as a new one is when no free place is left for it,
    // until the user turns to another window; false puts it back below.
    void setShownAbove(bool above);
    bool isShownAbove() const { return m_shownAbove; }
    void setSnappingEnabled(bool on) { m_snapEnabled = on; }
    bool isSnappingEnabled() const { return m_snapEnabled; }

    // The offset that snaps this window, placed with its top-left corner at `topLeft` and moving in
    // `direction`, to the screen area and the other windows.
    QPoint snapToEdges(const QPoint &topLeft, const QPoint &direction) const;
    // Every live window of this kind, in construction order.
    static QList<DragableWidget *> instances() { return s_instances; }
    // The available area of the screen holding the point (the primary screen's when none does).
    static QRect screenAreaAt(const QPoint &point);

signals:
    void startMoving(const QPoint &pos);
    void endMoving(const QPoint &pos, bool canceled);
    void contextMenuRequest(const QPoint &pos, const QPoint &globalPos);

protected:
    void mousePressEvent(QMouseEvent *event) override;
    void mouseReleaseEvent(QMouseEvent *event) override;
    void mouseMoveEvent(QMouseEvent *event) override;
    void resizeEvent(QResizeEvent *event) override;
    void showEvent(QShowEvent *event) override;
    void changeEvent(QEvent *event) override;
    // Where other programs' windows lie now, in the coordinates of the widgets; none by default.
    virtual QList<QRect> foreignWindowRects() const { return {}; }
    // Runs after each change of the native window's flags, which tells the window manager of them anew.
    virtual void nativeFlagsChanged() {}

private slots:
    void onResized();

private:
    void finishPress(const QPoint &pos, const QPoint &globalPos, Qt::MouseButton button, bool canceled);
    void dragStep(const QPoint &globalPos, const QPoint &delta);
    QList<QRect> otherGeometries() const;
    bool placeFreely();

    QPoint m_pressPos;
    QPoint m_lastGlobalPos;
    Qt::MouseButton m_button = Qt::NoButton;
    bool m_moving = false;
    bool m_snapEnabled = true;
    bool m_placeOnShow = false;
    bool m_shownAbove = false;
    bool m_wasActive = false;
    QTimer m_resizeTimer;
    bool m_snapResizing = false;
    QSize m_oldSize;

    static QList<DragableWidget *> s_instances;
};
