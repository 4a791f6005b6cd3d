#pragma once

#include <QDialog>
#include <QPixmap>
#include <QTimer>

class ChoosePhotoWidget;
class QSlider;

// Lets the user pick which part of a picture becomes a photo of the crop size: zoom with the
// wheel, "+"/"-" or the floating slider, drag the picture, click to take the part under the frame.
class ChoosePhotoDialog : public QDialog
{
    Q_OBJECT

public:
    ChoosePhotoDialog(const QPixmap &picture, const QSize &cropSize);

    QPixmap photo() const;
    ChoosePhotoWidget *photoWidget() const { return m_photoWidget; }
    QSlider *zoomSlider() const { return m_zoomSlider; }

    // The picture handed to the photo widget: one smaller than the frame is first scaled up to
    // cover it with a pixel to spare.
    static QPixmap preparedPicture(const QPixmap &picture, const QSize &cropSize);

    bool eventFilter(QObject *watched, QEvent *event) override;

protected:
    void mousePressEvent(QMouseEvent *event) override;
    void mouseReleaseEvent(QMouseEvent *event) override;
    void mouseMoveEvent(QMouseEvent *event) override;
    void wheelEvent(QWheelEvent *event) override;
    void keyPressEvent(QKeyEvent *event) override;

private slots:
    void onSliderMoved(int value);

private:
    bool canZoom() const;
    void initZoom();
    void zoomBy(int steps);
    void updateSize();
    // The least width that shows the whole title.
    int titleWidth() const;

    ChoosePhotoWidget *m_photoWidget = nullptr;
    QWidget *m_zoomForm = nullptr;
    QSlider *m_zoomSlider = nullptr;
    QSize m_maxSize;
    QTimer m_startDraggingTimer;
    QPoint m_lastPos;
};
