#pragma once

#include <QImage>
#include <QPixmap>
#include <QWidget>

// The picture of the crop dialog, veiled but for a crop frame that follows the pointer. It zooms
// between the size that still covers the frame and the picture's own size, and can be dragged.
class ChoosePhotoWidget : public QWidget
{
    Q_OBJECT

public:
    static constexpr int kMaxZoom = 100;
    static constexpr int kZoomStep = 5;

    explicit ChoosePhotoWidget(QWidget *parent = nullptr);

    void setPhoto(const QPixmap &picture);
    void setCropSize(const QSize &size);

    int zoom() const { return m_zoom; }
    int maxZoom() const { return kMaxZoom; }
    int minZoom() const;
    void setZoom(int percent);
    void zoomBy(int steps);

    bool isDragging() const { return m_dragging; }
    void scrollBy(const QPoint &delta);
    QPoint offset() const { return m_offset; }
    QRect frame() const { return m_frame; }
    void moveFrameTo(const QPoint &centre);

    // The part of the zoomed picture under the frame: exactly the crop size.
    QPixmap croppedPhoto() const;
    QSize scaledSize() const;
    QSize sizeHint() const override;

    // The first zoom: the largest at which the picture's width fits, raised to the smallest that
    // still covers the frame.
    static int firstZoom(const QSize &picture, const QSize &crop, int maxWidth);
    static int minZoomFor(const QSize &picture, const QSize &crop);

public slots:
    void startDrag();
    void stopDrag();

protected:
    void mouseMoveEvent(QMouseEvent *event) override;
    void leaveEvent(QEvent *event) override;
    void paintEvent(QPaintEvent *event) override;
    void resizeEvent(QResizeEvent *event) override;

private:
    void fitToPicture();
    void rescale();
    void clampOffset();

    QPixmap m_photo;
    QPixmap m_scaled;
    QSize m_cropSize{10, 10};
    QRect m_frame;
    int m_zoom = kMaxZoom;
    QImage m_upArrow, m_downArrow, m_leftArrow, m_rightArrow;
    bool m_dragging = false;
    QPoint m_offset{0, 0};
};
