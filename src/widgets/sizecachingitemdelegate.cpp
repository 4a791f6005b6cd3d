#include "widgets/sizecachingitemdelegate.h"

#include <QApplication>
#include <QIcon>
#include <QImage>
#include <QPixmap>
#include <QStyle>
#include <QWidget>

namespace {

// Enough for the longest lists; a cache that grows past it starts again rather than keep old looks.
constexpr qsizetype s_maxLooks = 50000;

// The option holds a new icon made from the model's picture on every call: the picture names the look.
qint64 decorationKey(const QVariant &decoration)
{
    switch (decoration.userType()) {
    case QMetaType::QPixmap:
        return qint64(decoration.value<QPixmap>().cacheKey());
    case QMetaType::QImage:
        return qint64(decoration.value<QImage>().cacheKey());
    case QMetaType::QIcon:
        return qint64(decoration.value<QIcon>().cacheKey());
    case QMetaType::UnknownType:
        return 0;
    default:
        // A colour or anything else: measured every time.
        return -1;
    }
}

} // namespace

SizeCachingItemDelegate::SizeCachingItemDelegate(QObject *parent) : QStyledItemDelegate(parent) {}

bool SizeCachingItemDelegate::Look::operator==(const Look &other) const
{
    return icon == other.icon && rect == other.rect && decorationSize == other.decorationSize &&
           features == other.features && decorationPosition == other.decorationPosition &&
           alignment == other.alignment && checkState == other.checkState && style == other.style &&
           text == other.text && font == other.font;
}

size_t qHash(const SizeCachingItemDelegate::Look &look, size_t seed)
{
    return qHashMulti(seed, look.text, look.icon, look.rect.width(), look.rect.height(), look.decorationSize.width(),
                      look.decorationSize.height(), look.features);
}

QSize SizeCachingItemDelegate::sizeHint(const QStyleOptionViewItem &option, const QModelIndex &index) const
{
    // As the stock delegate: a size the model gives wins.
    const QVariant given = index.data(Qt::SizeHintRole);
    if (given.isValid())
        return qvariant_cast<QSize>(given);
    QStyleOptionViewItem opt = option;
    initStyleOption(&opt, index);
    const QWidget *widget = opt.widget;
    QStyle *style = widget ? widget->style() : QApplication::style();
    Look look;
    look.text = opt.text;
    look.font = opt.font;
    look.icon = decorationKey(index.data(Qt::DecorationRole));
    look.decorationSize = opt.decorationSize;
    look.rect = opt.rect.size();
    look.features = int(opt.features);
    look.decorationPosition = int(opt.decorationPosition);
    look.alignment = int(opt.displayAlignment) | (int(opt.decorationAlignment) << 16);
    look.checkState = int(opt.checkState);
    look.style = style;
    const auto known = look.icon == -1 ? m_sizes.constEnd() : m_sizes.constFind(look);
    if (known != m_sizes.constEnd())
        return *known;
    const QSize size = style->sizeFromContents(QStyle::CT_ItemViewItem, &opt, QSize(), widget);
    ++m_measured;
    if (look.icon == -1)
        return size;
    if (m_sizes.size() >= s_maxLooks)
        m_sizes.clear();
    m_sizes.insert(look, size);
    return size;
}
