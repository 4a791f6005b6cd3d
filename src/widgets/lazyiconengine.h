#pragma once

#include <QIcon>
#include <QIconEngine>

#include <functional>

// An icon whose pictures are made on their first use: menus are built at a start but shown, if at
// all, much later, and reading their pictures held the bar's first paint.
class LazyIconEngine : public QIconEngine
{
public:
    explicit LazyIconEngine(std::function<QIcon()> make);

    void paint(QPainter *painter, const QRect &rect, QIcon::Mode mode, QIcon::State state) override;
    QSize actualSize(const QSize &size, QIcon::Mode mode, QIcon::State state) override;
    QPixmap pixmap(const QSize &size, QIcon::Mode mode, QIcon::State state) override;
    void addPixmap(const QPixmap &pixmap, QIcon::Mode mode, QIcon::State state) override;
    void addFile(const QString &fileName, const QSize &size, QIcon::Mode mode, QIcon::State state) override;
    QList<QSize> availableSizes(QIcon::Mode mode, QIcon::State state) override;
    bool isNull() override;
    QString key() const override;
    QIconEngine *clone() const override;
    void virtual_hook(int id, void *data) override;

private:
    QIcon &icon();

    std::function<QIcon()> m_make;
    QIcon m_icon;
};
