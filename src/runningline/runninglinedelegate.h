#pragma once

#include "runningline/simpletextline.h"

#include <QAbstractItemDelegate>
#include <QColor>
#include <QHash>
#include <QPixmap>

// One row of the running line, prepared for drawing: its shaped text, its icon and what a click needs.
struct RunningLineItem
{
    SimpleTextLine line;
    QPixmap icon;
    QByteArray id;
    bool system = false;
    Qt::CursorShape cursor = Qt::ArrowCursor;
    qreal width = 0; // icon, text and the gap after them
};

// Turns the rows of the running line's model into prepared items and draws them. Texts are shaped
// once and kept while they stay the same, so a repaint only draws glyph runs.
class RunningLineDelegate : public QAbstractItemDelegate
{
    Q_OBJECT

public:
    explicit RunningLineDelegate(QObject *parent = nullptr);

    void setFont(const QFont &font);
    QFont font() const { return m_font; }
    // Consecutive rows with the same when part show it once.
    void setRemoveDuplicatingWhen(bool on) { m_removeDuplicatingWhen = on; }
    bool removeDuplicatingWhen() const { return m_removeDuplicatingWhen; }
    // A thin outline around the glyphs, for backgrounds no single text colour reads on; invalid for none.
    void setHalo(const QColor &colour) { m_halo = colour; }
    QColor halo() const { return m_halo; }

    // The row as the line shows it; `previousWhen` is the when part of the row before it.
    RunningLineItem item(const QModelIndex &index, const QString &previousWhen) const;
    // The text the row shows, for the rule above (also used by the item).
    QString shownText(const QModelIndex &index, const QString &previousWhen) const;

    qreal gap() const;
    int iconSize() const;
    qreal lineHeight() const;

    // Draws an item with its baseline's vertical centre at `centreY` and its left edge at `x`.
    void drawItem(QPainter *painter, const RunningLineItem &item, qreal x, qreal centreY) const;

    // Forgets the shaped texts (after a font change or when the rows were rebuilt).
    void clearCache();

    void paint(QPainter *painter, const QStyleOptionViewItem &option, const QModelIndex &index) const override;
    QSize sizeHint(const QStyleOptionViewItem &option, const QModelIndex &index) const override;

private:
    QFont m_font;
    bool m_removeDuplicatingWhen = false;
    QColor m_halo;
    mutable QHash<QString, SimpleTextLine> m_lines;
    mutable QHash<qint64, QPixmap> m_icons;
};
