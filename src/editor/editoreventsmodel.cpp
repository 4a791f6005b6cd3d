#include "editor/editoreventsmodel.h"

#include "events/abstractcommonevent.h"
#include "store/eventitemrole.h"

#include <QPixmapCache>

EditorEventsModel::EditorEventsModel(EventsManager *manager, QObject *parent) : EventsModel(manager, parent)
{
    connect(this, &QAbstractItemModel::modelAboutToBeReset, this, &EditorEventsModel::clearCache);
    // Connected first: the proxies above read the changed rows again when they hear of them.
    connect(this, &QAbstractItemModel::dataChanged, this,
            [this](const QModelIndex &topLeft, const QModelIndex &bottomRight) {
                for (int row = topLeft.row(); row <= bottomRight.row() && row < m_nextBegins.size(); ++row)
                    m_nextBegins[row] = QVariant();
            });
    // Rows come and go one at a time: the kept dates move with them.
    connect(this, &QAbstractItemModel::rowsInserted, this, [this](const QModelIndex &, int first, int last) {
        if (m_nextBegins.size() == rowCount() - (last - first + 1))
            m_nextBegins.insert(first, last - first + 1, QVariant());
    });
    connect(this, &QAbstractItemModel::rowsRemoved, this, [this](const QModelIndex &, int first, int last) {
        if (m_nextBegins.size() == rowCount() + (last - first + 1))
            m_nextBegins.remove(first, last - first + 1);
    });
    setChangesByRow(true);
}

QVariant EditorEventsModel::data(const QModelIndex &index, int role) const
{
    if (!index.isValid())
        return QVariant();
    const AbstractCommonEvent *event = eventAt(index.row());
    if (!event)
        return QVariant();
    switch (role) {
    case Qt::DisplayRole:
        return event->caption();
    case Qt::DecorationRole: {
        const QPixmap picture = event->photo(true);
        if (m_pictureHeight == 0 || picture.isNull() || picture.height() == m_pictureHeight)
            return picture;
        // Most rows show their kind's picture: it is scaled once, not for every row that asks.
        const QString key = QStringLiteral("editor-picture-%1-%2").arg(picture.cacheKey()).arg(m_pictureHeight);
        QPixmap scaled;
        if (!QPixmapCache::find(key, &scaled)) {
            scaled = picture.scaledToHeight(m_pictureHeight, Qt::SmoothTransformation);
            QPixmapCache::insert(key, scaled);
        }
        return scaled;
    }
    case NextDateTimeRole: {
        if (m_nextBegins.size() != rowCount())
            m_nextBegins = QVector<QVariant>(rowCount());
        QVariant &value = m_nextBegins[index.row()];
        if (!value.isValid())
            value = EventsModel::data(index, role);
        return value;
    }
    default:
        return EventsModel::data(index, role);
    }
}
