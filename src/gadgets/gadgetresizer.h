#pragma once

#include "gadgets/resizezones.h"

#include <QHash>
#include <QObject>
#include <QPoint>
#include <QPointer>

class QMouseEvent;
class QWidget;

class GadgetResizer;

// Sees every mouse event of the application before its widget does, on the resizer's behalf.
class GadgetResizerEventFilter : public QObject
{
    Q_OBJECT

public:
    explicit GadgetResizerEventFilter(GadgetResizer *resizer);
    bool eventFilter(QObject *object, QEvent *event) override;

private:
    GadgetResizer *m_resizer;
};

// Resizes frameless windows by their borders: shows a resize cursor while the pointer is on the border
// of a registered window and moves the grabbed border while the left button drags it. One per process.
class GadgetResizer : public QObject
{
    Q_OBJECT

public:
    struct WidgetData
    {
        ResizeZones::Areas areas;
        ResizeZones::Zone hoverZone = ResizeZones::NoZone;
        ResizeZones::Zone lastZone = ResizeZones::NoZone;
        int flags = ResizeZones::s_defaultFlags;
        QPoint grabOffset;
    };

    static GadgetResizer *instance();
    static void destroyInstance();
    // The instance when one exists, without making one (for windows going away at the end).
    static GadgetResizer *existingInstance();

    explicit GadgetResizer(QObject *parent = nullptr);
    ~GadgetResizer() override;

    void addWidget(QWidget *widget, int flags = 0);
    void removeWidget(QWidget *widget);
    int flags(QWidget *widget) const;
    void setFlags(QWidget *widget, int flags);
    void addFlags(QWidget *widget, int flags);
    bool isRegistered(QWidget *widget) const;
    QPoint resizeDirection(QWidget *widget) const;
    QWidget *currentWidget() const { return m_current; }

private:
    friend class GadgetResizerEventFilter;

    bool handleMove(QWidget *widget, const QPoint &globalPos, Qt::MouseButtons buttons);
    bool handlePress(QWidget *widget, QMouseEvent *event);
    bool handleRelease(QWidget *widget, QMouseEvent *event);
    QWidget *findRegistered(QWidget *widget);
    // The registered window the widget belongs to and the zone of its border under the point.
    QWidget *hitTest(QWidget *widget, const QPoint &globalPos, ResizeZones::Zone *zone);
    void setZoneCursor(QWidget *window, ResizeZones::Zone zone);
    void clearZoneCursor(QWidget *window);
    void resizeStep(const QPoint &globalPos);

    QHash<QWidget *, WidgetData> m_widgets;
    QWidget *m_current = nullptr;
    QPoint m_lastPos;
    bool m_cursorOverridden = false;
    QPointer<QWidget> m_lastFound;
};
