#include "runningline/runninglinedelegate.h"

#include "store/eventitemrole.h"

#include <QFontMetricsF>
#include <QIcon>
#include <QPainter>

RunningLineDelegate::RunningLineDelegate(QObject *parent) : QAbstractItemDelegate(parent) {}

void RunningLineDelegate::setFont(const QFont &font)
{
    if (font == m_font)
        return;
    m_font = font;
    clearCache();
}

void RunningLineDelegate::clearCache()
{
    m_lines.clear();
    m_icons.clear();
}

qreal RunningLineDelegate::gap() const
{
    return QFontMetricsF(m_font).averageCharWidth() * 4;
}

int RunningLineDelegate::iconSize() const
{
    return qMax(12, int(QFontMetricsF(m_font).ascent()));
}

qreal RunningLineDelegate::lineHeight() const
{
    return QFontMetricsF(m_font).height();
}

QString RunningLineDelegate::shownText(const QModelIndex &index, const QString &previousWhen) const
{
    const QString when = index.data(WhenTextRole).toString();
    if (m_removeDuplicatingWhen && !when.trimmed().isEmpty() && when == previousWhen) {
        const QString shortText = index.data(ShortTextRole).toString();
        if (!shortText.isEmpty())
            return shortText;
    }
    return index.data(Qt::DisplayRole).toString();
}

RunningLineItem RunningLineDelegate::item(const QModelIndex &index, const QString &previousWhen) const
{
    RunningLineItem result;
    result.id = index.data(EventIdRole).toByteArray();
    result.system = index.data(IsSystemRole).toBool();
    result.cursor = Qt::CursorShape(index.data(CursorRole).toInt());

    QFont font = m_font;
    const QVariant rowFont = index.data(Qt::FontRole);
    if (rowFont.isValid())
        font.setUnderline(rowFont.value<QFont>().underline());
    const QString text = shownText(index, previousWhen);
    const QString key = (font.underline() ? QLatin1Char('u') : QLatin1Char('n')) + text;
    auto it = m_lines.constFind(key);
    if (it == m_lines.constEnd()) {
        SimpleTextLine line(text, font);
        line.setAlignment(Qt::AlignVCenter);
        it = m_lines.insert(key, line);
    }
    result.line = *it;

    const QIcon icon = index.data(Qt::DecorationRole).value<QIcon>();
    if (!icon.isNull()) {
        const qint64 cacheKey = icon.cacheKey();
        auto pixmap = m_icons.constFind(cacheKey);
        if (pixmap == m_icons.constEnd())
            pixmap = m_icons.insert(cacheKey, icon.pixmap(iconSize()));
        result.icon = *pixmap;
    }
    const qreal iconWidth = result.icon.isNull() ? 0 : iconSize() + 4;
    result.width = iconWidth + result.line.textRect().width() + gap();
    return result;
}

void RunningLineDelegate::drawItem(QPainter *painter, const RunningLineItem &item, qreal x, qreal centreY) const
{
    if (!item.icon.isNull()) {
        const int size = iconSize();
        painter->drawPixmap(QRectF(x, centreY - size / 2.0, size, size), item.icon, QRectF(item.icon.rect()));
        x += size + 4;
    }
    if (m_halo.isValid()) {
        // The text drawn in the halo's colour one device pixel away all round, then itself on top.
        const QPen pen = painter->pen();
        painter->setPen(m_halo);
        const qreal d = 1.0 / painter->device()->devicePixelRatioF();
        for (int dx = -1; dx <= 1; ++dx)
            for (int dy = -1; dy <= 1; ++dy)
                if (dx || dy)
                    item.line.draw(painter, QPointF(x + dx * d, centreY + dy * d));
        painter->setPen(pen);
    }
    item.line.draw(painter, QPointF(x, centreY));
}

void RunningLineDelegate::paint(QPainter *painter, const QStyleOptionViewItem &option, const QModelIndex &index) const
{
    drawItem(painter, item(index, QString()), option.rect.left(), option.rect.center().y() + 0.5);
}

QSize RunningLineDelegate::sizeHint(const QStyleOptionViewItem &, const QModelIndex &index) const
{
    return QSize(qCeil(item(index, QString()).width), qCeil(lineHeight()));
}
