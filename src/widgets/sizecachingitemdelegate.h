#pragma once

#include <QFont>
#include <QHash>
#include <QSize>
#include <QStyledItemDelegate>

class QStyle;

// Paints as the stock delegate and gives the same size hints, but measures each look once: a view
// that lays out thousands of wrapped captions lays them out again after every resize of the window,
// with the same texts and pictures.
class SizeCachingItemDelegate : public QStyledItemDelegate
{
    Q_OBJECT

public:
    explicit SizeCachingItemDelegate(QObject *parent = nullptr);

    QSize sizeHint(const QStyleOptionViewItem &option, const QModelIndex &index) const override;
    // Measurements made so far (for tests).
    int measured() const { return m_measured; }

private:
    // Everything of an item's option that its size depends on.
    struct Look
    {
        QString text;
        QFont font;
        // The picture's own key, 0 without one, -1 for a decoration that is not a picture.
        qint64 icon = 0;
        QSize decorationSize;
        QSize rect;
        int features = 0;
        int decorationPosition = 0;
        int alignment = 0;
        int checkState = 0;
        const QStyle *style = nullptr;

        bool operator==(const Look &other) const;
    };
    friend size_t qHash(const Look &look, size_t seed);

    mutable QHash<Look, QSize> m_sizes;
    mutable int m_measured = 0;
};
