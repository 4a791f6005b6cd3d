#pragma once

#include <QPixmap>
#include <QRect>
#include <QStyledItemDelegate>

class QAbstractItemView;

// Draws each to-do with its check box, wraps long texts into lines, and shows a remove icon on the row
// under the mouse; a left click on that icon removes the to-do.
class ToDoDelegate : public QStyledItemDelegate
{
    Q_OBJECT

public:
    ToDoDelegate(QAbstractItemView *view, const QString &imagesPath);
    ~ToDoDelegate() override;

    bool eventFilter(QObject *object, QEvent *event) override;
    void paint(QPainter *painter, const QStyleOptionViewItem &option, const QModelIndex &index) const override;
    QString displayText(const QVariant &value, const QLocale &locale) const override;

    QRect removeIconRect() const { return m_removeRect; }
    bool isRemoveHovered() const { return m_hovered; }

protected:
    void initStyleOption(QStyleOptionViewItem *option, const QModelIndex &index) const override;

private:
    const QPixmap &removePixmap() const;
    const QPixmap &hoverPixmap() const;
    QRect grownRemoveRect() const { return m_removeRect.adjusted(-2, -2, 2, 2); }
    void updateHover();

    QAbstractItemView *m_view;
    mutable QRect m_removeRect;
    bool m_hovered = false;
    QString m_imagesPath;
    mutable QPixmap m_removePixmap;
    mutable QPixmap m_hoverPixmap;
};
