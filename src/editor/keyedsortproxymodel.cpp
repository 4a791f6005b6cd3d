#include "editor/keyedsortproxymodel.h"

#include <QAbstractProxyModel>
#include <QDateTime>

#include <limits>

namespace {

constexpr qint64 s_noStamp = std::numeric_limits<qint64>::min();

// The index of the model at the bottom of a chain of proxies.
QModelIndex bottomIndex(QModelIndex index)
{
    while (const auto *proxy = qobject_cast<const QAbstractProxyModel *>(index.model()))
        index = proxy->mapToSource(index);
    return index;
}

} // namespace

KeyedSortProxyModel::KeyedSortProxyModel(QObject *parent) : QSortFilterProxyModel(parent) {}

KeyedSortProxyModel::~KeyedSortProxyModel()
{
    for (const QMetaObject::Connection &connection : std::as_const(m_baseConnections))
        disconnect(connection);
}

void KeyedSortProxyModel::setSourceModel(QAbstractItemModel *model)
{
    if (model == sourceModel())
        return;
    for (const QMetaObject::Connection &connection : std::as_const(m_sourceConnections))
        disconnect(connection);
    m_sourceConnections.clear();
    forgetKeys();
    // Connected before the base class connects its own, so that changed values are gone before it sorts.
    if (model) {
        m_sourceConnections = {
            connect(model, &QAbstractItemModel::dataChanged, this,
                    [this](const QModelIndex &topLeft, const QModelIndex &bottomRight) {
                        forgetKeys(topLeft, bottomRight);
                    }),
            connect(model, &QAbstractItemModel::modelAboutToBeReset, this, [this] { forgetKeys(); }),
        };
    }
    QSortFilterProxyModel::setSourceModel(model);
}

void KeyedSortProxyModel::watchBase(const QAbstractItemModel *base) const
{
    for (const QMetaObject::Connection &connection : std::as_const(m_baseConnections))
        disconnect(connection);
    m_baseConnections.clear();
    m_base = base;
    forgetKeys();
    if (!base)
        return;
    // The "about to" signals come before any proxy above the bottom model acts on the change.
    auto *self = const_cast<KeyedSortProxyModel *>(this);
    const auto forgetAll = [self] { self->forgetKeys(); };
    m_baseConnections = {
        connect(base, &QAbstractItemModel::modelAboutToBeReset, self, forgetAll),
        connect(base, &QAbstractItemModel::layoutAboutToBeChanged, self, forgetAll),
        connect(base, &QAbstractItemModel::rowsAboutToBeInserted, self, forgetAll),
        connect(base, &QAbstractItemModel::rowsAboutToBeRemoved, self, forgetAll),
        connect(base, &QAbstractItemModel::rowsAboutToBeMoved, self, forgetAll),
        connect(base, &QAbstractItemModel::columnsAboutToBeInserted, self, forgetAll),
        connect(base, &QAbstractItemModel::columnsAboutToBeRemoved, self, forgetAll),
        connect(base, &QAbstractItemModel::dataChanged, self,
                [self](const QModelIndex &topLeft, const QModelIndex &bottomRight) {
                    self->forgetKeys(topLeft, bottomRight);
                }),
        connect(base, &QObject::destroyed, self, forgetAll),
    };
}

void KeyedSortProxyModel::forgetKeys() const
{
    m_keys.clear();
    m_known.clear();
    m_stamps.clear();
}

void KeyedSortProxyModel::forgetKeys(const QModelIndex &topLeft, const QModelIndex &bottomRight) const
{
    if (!topLeft.isValid() || !bottomRight.isValid())
        return forgetKeys();
    for (int row = topLeft.row(); row <= bottomRight.row(); ++row) {
        const QModelIndex bottom = bottomIndex(topLeft.sibling(row, topLeft.column()));
        if (bottom.isValid() && !bottom.parent().isValid() && size_t(bottom.row()) < m_known.size())
            m_known[size_t(bottom.row())] = false;
        else if (bottom.isValid() && bottom.parent().isValid())
            return forgetKeys();
    }
}

const QVariant &KeyedSortProxyModel::key(const QModelIndex &sourceIndex) const
{
    return m_keys[keyRow(sourceIndex)];
}

size_t KeyedSortProxyModel::keyRow(const QModelIndex &sourceIndex) const
{
    const QModelIndex bottom = bottomIndex(sourceIndex);
    if (bottom.model() != m_base)
        watchBase(bottom.model());
    if (sourceIndex.column() != m_keyColumn || sortRole() != m_keyRole) {
        forgetKeys();
        m_keyColumn = sourceIndex.column();
        m_keyRole = sortRole();
    }
    const size_t row = size_t(bottom.row());
    if (row >= m_keys.size()) {
        const size_t rows = qMax(size_t(bottom.model() ? bottom.model()->rowCount() : 0), row + 1);
        m_keys.resize(rows);
        m_known.resize(rows, false);
        m_stamps.resize(rows, s_noStamp);
    }
    if (!m_known[row]) {
        m_keys[row] = sourceIndex.data(m_keyRole);
        m_known[row] = true;
        m_stamps[row] = s_noStamp;
        if (m_keys[row].userType() == QMetaType::QDateTime) {
            const QDateTime stamp = m_keys[row].toDateTime();
            if (stamp.isValid())
                m_stamps[row] = stamp.toMSecsSinceEpoch();
        }
        ++m_keyReads;
    }
    return row;
}

bool KeyedSortProxyModel::lessThan(const QModelIndex &left, const QModelIndex &right) const
{
    // Rows below the top of a tree have no row of their own in the bottom model's table.
    if (!left.model() || !right.model() || left.parent().isValid() || right.parent().isValid())
        return QSortFilterProxyModel::lessThan(left, right);
    const size_t leftRow = keyRow(left);
    const size_t rightRow = keyRow(right);
    const qint64 leftStamp = m_stamps[leftRow];
    const qint64 rightStamp = m_stamps[rightRow];
    if (leftStamp != s_noStamp && rightStamp != s_noStamp)
        return leftStamp < rightStamp;
    const QVariant &l = m_keys[leftRow];
    const QVariant &r = m_keys[rightRow];
    m_pair.left = &l;
    m_pair.right = &r;
    return QSortFilterProxyModel::lessThan(m_pair.index(0, 0), m_pair.index(1, 0));
}
