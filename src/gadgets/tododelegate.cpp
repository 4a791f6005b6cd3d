#include "gadgets/tododelegate.h"

#include "gadgets/todolayout.h"

#include <QAbstractItemView>
#include <QCursor>
#include <QMouseEvent>
#include <QPainter>

ToDoDelegate::ToDoDelegate(QAbstractItemView *view, const QString &imagesPath)
    : QStyledItemDelegate(view), m_view(view), m_imagesPath(imagesPath)
{
    m_view->viewport()->installEventFilter(this);
    m_view->installEventFilter(this);
}

ToDoDelegate::~ToDoDelegate() = default;

const QPixmap &ToDoDelegate::removePixmap() const
{
    if (m_removePixmap.isNull())
        m_removePixmap = QPixmap(m_imagesPath + QStringLiteral("remove.png"));
    return m_removePixmap;
}

const QPixmap &ToDoDelegate::hoverPixmap() const
{
    if (m_hoverPixmap.isNull())
        m_hoverPixmap = QPixmap(m_imagesPath + QStringLiteral("remove_hover.png"));
    return m_hoverPixmap;
}

void ToDoDelegate::initStyleOption(QStyleOptionViewItem *option, const QModelIndex &index) const
{
    QStyledItemDelegate::initStyleOption(option, index);
    option->state &= ~QStyle::State_HasFocus;
    option->text = displayText(index.data(Qt::DisplayRole), m_view->locale());
    option->decorationPosition = QStyleOptionViewItem::Right;
    // An empty decoration of the icon's size keeps room for the remove icon at the right of every row.
    option->features |= QStyleOptionViewItem::HasDecoration;
    option->decorationSize = removePixmap().size();
}

QString ToDoDelegate::displayText(const QVariant &value, const QLocale &locale) const
{
    const QString text = QStyledItemDelegate::displayText(value, locale);
    const QFontMetrics metrics(m_view->font());
    // The check box takes its width from the row as well; without it the last word of a line is elided.
    const int indicator = m_view->style()->pixelMetric(QStyle::PM_IndicatorWidth, nullptr, m_view);
    const int available = m_view->contentsRect().width() - 2 * removePixmap().width() - indicator;
    return ToDoLayout::wrapText(text, available,
                                [&metrics](const QString &part) { return metrics.horizontalAdvance(part); });
}

void ToDoDelegate::paint(QPainter *painter, const QStyleOptionViewItem &option, const QModelIndex &index) const
{
    QStyledItemDelegate::paint(painter, option, index);
    if (!(option.state & QStyle::State_MouseOver))
        return;
    const QSize size = removePixmap().size();
    const int y = option.rect.center().y() - size.height() / 2;
    const int x = option.direction == Qt::RightToLeft ? option.rect.left() : option.rect.right() - size.width();
    m_removeRect = QRect(QPoint(x, y), size);
    painter->drawPixmap(m_removeRect.topLeft(), m_hovered ? hoverPixmap() : removePixmap());
}

void ToDoDelegate::updateHover()
{
    const QPoint pos = m_view->viewport()->mapFromGlobal(QCursor::pos());
    const bool over = grownRemoveRect().contains(pos);
    if (over == m_hovered)
        return;
    m_hovered = over;
    m_view->viewport()->update(grownRemoveRect());
}

bool ToDoDelegate::eventFilter(QObject *object, QEvent *event)
{
    // While the view is being destroyed it is no item view any more, and its events are not ours to read.
    auto *view = qobject_cast<QAbstractItemView *>(object);
    if (!view && object->parent())
        view = qobject_cast<QAbstractItemView *>(object->parent());
    if (view == m_view) {
        switch (event->type()) {
        case QEvent::Enter:
        case QEvent::Leave:
        case QEvent::HoverMove:
        case QEvent::MouseMove:
            updateHover();
            break;
        case QEvent::MouseButtonRelease:
            if (object == m_view->viewport()) {
                auto *mouse = static_cast<QMouseEvent *>(event);
                if (mouse->button() == Qt::LeftButton && grownRemoveRect().contains(mouse->position().toPoint())) {
                    const QModelIndex index = m_view->indexAt(mouse->position().toPoint());
                    if (index.isValid() && m_view->model())
                        m_view->model()->removeRow(index.row(), QModelIndex());
                }
            }
            break;
        default:
            break;
        }
    }
    return QStyledItemDelegate::eventFilter(object, event);
}
