#include "editor/bottomrowwatch.h"

#include <QAbstractProxyModel>

BottomRowWatch::BottomRowWatch(QObject *owner, std::function<void()> forgetAll, std::function<void(size_t)> forgetRow)
    : m_owner(owner), m_forgetAll(std::move(forgetAll)), m_forgetRow(std::move(forgetRow))
{
}

BottomRowWatch::~BottomRowWatch()
{
    for (const QMetaObject::Connection &connection : std::as_const(m_baseConnections))
        QObject::disconnect(connection);
    for (const QMetaObject::Connection &connection : std::as_const(m_sourceConnections))
        QObject::disconnect(connection);
}

QModelIndex BottomRowWatch::bottomIndex(QModelIndex index)
{
    while (const auto *proxy = qobject_cast<const QAbstractProxyModel *>(index.model()))
        index = proxy->mapToSource(index);
    return index;
}

void BottomRowWatch::setSource(QAbstractItemModel *model)
{
    for (const QMetaObject::Connection &connection : std::as_const(m_sourceConnections))
        QObject::disconnect(connection);
    m_sourceConnections.clear();
    m_forgetAll();
    // Proxies in between pass a change of the bottom model on before the bottom's own signal reaches us.
    if (model) {
        m_sourceConnections = {
            QObject::connect(
                model, &QAbstractItemModel::dataChanged, m_owner,
                [this](const QModelIndex &topLeft, const QModelIndex &bottomRight) { forget(topLeft, bottomRight); }),
            QObject::connect(model, &QAbstractItemModel::modelAboutToBeReset, m_owner, [this] { m_forgetAll(); }),
        };
    }
}

QModelIndex BottomRowWatch::bottom(const QModelIndex &index)
{
    const QModelIndex found = bottomIndex(index);
    if (found.model() != m_base)
        watchBase(found.model());
    return found;
}

void BottomRowWatch::watchBase(const QAbstractItemModel *base)
{
    for (const QMetaObject::Connection &connection : std::as_const(m_baseConnections))
        QObject::disconnect(connection);
    m_baseConnections.clear();
    m_base = base;
    m_forgetAll();
    if (!base)
        return;
    // The "about to" signals come before any proxy above the bottom model acts on the change.
    const auto forgetAll = [this] { m_forgetAll(); };
    m_baseConnections = {
        QObject::connect(base, &QAbstractItemModel::modelAboutToBeReset, m_owner, forgetAll),
        QObject::connect(base, &QAbstractItemModel::layoutAboutToBeChanged, m_owner, forgetAll),
        QObject::connect(base, &QAbstractItemModel::rowsAboutToBeInserted, m_owner, forgetAll),
        QObject::connect(base, &QAbstractItemModel::rowsAboutToBeRemoved, m_owner, forgetAll),
        QObject::connect(base, &QAbstractItemModel::rowsAboutToBeMoved, m_owner, forgetAll),
        QObject::connect(base, &QAbstractItemModel::columnsAboutToBeInserted, m_owner, forgetAll),
        QObject::connect(base, &QAbstractItemModel::columnsAboutToBeRemoved, m_owner, forgetAll),
        QObject::connect(base, &QAbstractItemModel::columnsAboutToBeMoved, m_owner, forgetAll),
        QObject::connect(
            base, &QAbstractItemModel::dataChanged, m_owner,
            [this](const QModelIndex &topLeft, const QModelIndex &bottomRight) { forget(topLeft, bottomRight); }),
        QObject::connect(base, &QObject::destroyed, m_owner, forgetAll),
    };
}

void BottomRowWatch::forget(const QModelIndex &topLeft, const QModelIndex &bottomRight)
{
    if (!topLeft.isValid() || !bottomRight.isValid())
        return m_forgetAll();
    for (int row = topLeft.row(); row <= bottomRight.row(); ++row) {
        const QModelIndex found = bottomIndex(topLeft.sibling(row, topLeft.column()));
        // A row of a tree has no row of its own in the tables.
        if (!found.isValid() || found.parent().isValid())
            return m_forgetAll();
        m_forgetRow(size_t(found.row()));
    }
}
