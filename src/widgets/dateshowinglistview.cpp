#include "widgets/dateshowinglistview.h"

#include "core/applocale.h"

#include <QHelpEvent>
#include <QKeyEvent>
#include <QPainter>
#include <QToolTip>

#include <algorithm>
#include <cmath>

DateShowingListView::DateShowingListView(QWidget *parent) : QListView(parent)
{
    m_textLine.setAlignment(Qt::AlignHCenter | Qt::AlignVCenter);
    setDate(QDate());
}

void DateShowingListView::setDate(const QDate &date)
{
    m_date = date;
    m_textLine.setText(date.isValid() ? Common::appLocale().toString(date, QLocale::ShortFormat) : tr("No Selection"));
    updatePlaceholderFont();
    viewport()->update();
}

void DateShowingListView::updatePlaceholderFont()
{
    QFont font;
    font.setPixelSize(std::max(1, height() / 3));
    m_textLine.setFont(font);
}

void DateShowingListView::resizeEvent(QResizeEvent *event)
{
    updatePlaceholderFont();
    QListView::resizeEvent(event);
    emit resized();
}

void DateShowingListView::contextMenuEvent(QContextMenuEvent *event)
{
    emit contextMenu(event);
}

void DateShowingListView::prepareToolTip(QEvent *event)
{
    if (event->type() != QEvent::ToolTip || !model())
        return;
    const QModelIndex index = indexAt(static_cast<QHelpEvent *>(event)->pos());
    setToolTip(index.isValid() ? index.data(Qt::DisplayRole).toString() : QString());
}

bool DateShowingListView::event(QEvent *event)
{
    prepareToolTip(event);
    return QListView::event(event);
}

bool DateShowingListView::viewportEvent(QEvent *event)
{
    // Tooltip events arrive at the viewport: show the item's whole text, also when the view cuts it off.
    if (event->type() == QEvent::ToolTip && model()) {
        prepareToolTip(event);
        auto *help = static_cast<QHelpEvent *>(event);
        if (toolTip().isEmpty())
            QToolTip::hideText();
        else
            QToolTip::showText(help->globalPos(), toolTip(), viewport());
        return true;
    }
    return QListView::viewportEvent(event);
}

QRect DateShowingListView::placeholderRect() const
{
    const QRectF text = m_textLine.textRect();
    const int x = width() / 2 - static_cast<int>(text.width()) / 2;
    const int y = height() / 2 - static_cast<int>(text.height()) / 2;
    return QRect(x, y, static_cast<int>(std::ceil(text.width())), static_cast<int>(std::ceil(text.height())));
}

void DateShowingListView::paintEvent(QPaintEvent *event)
{
    const bool empty = !model() || model()->rowCount(QModelIndex()) == 0;
    if (empty && placeholderRect().intersects(event->rect())) {
        QPainter painter(viewport());
        QColor color = painter.pen().color();
        color.setAlpha(25);
        painter.setPen(color);
        const qreal textWidth = m_textLine.textRect().width();
        m_textLine.draw(&painter, QPointF(width() / 2 - static_cast<int>(textWidth) / 2, height() / 2));
    }
    QListView::paintEvent(event);
}

void DateShowingListView::keyPressEvent(QKeyEvent *event)
{
    if (event->key() == Qt::Key_Delete && selectionModel() && selectionModel()->hasSelection()) {
        emit deletePressed();
        event->accept();
        return;
    }
    QListView::keyPressEvent(event);
}
