#pragma once

#include <QPixmap>
#include <QWidget>

// A small button drawn as one of two pictures: the normal one, and another while the mouse is over it.
class ButtonLabel : public QWidget
{
    Q_OBJECT

public:
    explicit ButtonLabel(QWidget *parent = nullptr);
    ~ButtonLabel() override;

    void setPixmap(const QPixmap &pixmap);
    void setHoverPixmap(const QPixmap &pixmap);
    bool isHovered() const { return m_hovered; }

signals:
    void clicked();

protected:
    void mouseReleaseEvent(QMouseEvent *event) override;
    void enterEvent(QEnterEvent *event) override;
    void leaveEvent(QEvent *event) override;
    void paintEvent(QPaintEvent *event) override;

private:
    QPixmap m_pixmap;
    QPixmap m_hoverPixmap;
    bool m_hovered = false;
};
