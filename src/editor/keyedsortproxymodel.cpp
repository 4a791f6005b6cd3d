#include "editor/keyedsortproxymodel.h"

#include <QAbstractProxyModel>
#include <QDateTime>

namespace {

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
    m_bottomSource = model && !qobject_cast<const QAbstractProxyModel *>(model) ? model : nullptr;
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
    m_values.clear();
}

void KeyedSortProxyModel::forgetKeys(const QModelIndex &topLeft, const QModelIndex &bottomRight) const
{
    if (!topLeft.isValid() || !bottomRight.isValid())
        return forgetKeys();
    for (int row = topLeft.row(); row <= bottomRight.row(); ++row) {
        const QModelIndex bottom = bottomIndex(topLeft.sibling(row, topLeft.column()));
        if (bottom.isValid() && !bottom.parent().isValid() && size_t(bottom.row()) < m_keys.size())
            m_keys[size_t(bottom.row())].kind = Unread;
        else if (bottom.isValid() && bottom.parent().isValid())
            return forgetKeys();
    }
}

size_t KeyedSortProxyModel::keyRow(const QModelIndex &sourceIndex) const
{
    const QModelIndex bottom =
        sourceIndex.model() == m_bottomSource && m_bottomSource ? sourceIndex : bottomIndex(sourceIndex);
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
        m_values.resize(rows);
    }
    Key &key = m_keys[row];
    if (key.kind == Unread) {
        QVariant value = sourceIndex.data(m_keyRole);
        m_values[row] = QVariant();
        switch (value.userType()) {
        case QMetaType::UnknownType:
            key.kind = Empty;
            break;
        case QMetaType::Int:
        case QMetaType::LongLong:
            key.kind = value.userType() == QMetaType::Int ? Int : Long;
            key.whole = value.toLongLong();
            break;
        case QMetaType::Double:
            key.kind = Real;
            key.real = value.toDouble();
            break;
        case QMetaType::QDate:
            key.kind = Day;
            key.whole = value.toDate().toJulianDay();
            break;
        case QMetaType::QDateTime: {
            const QDateTime stamp = value.toDateTime();
            key.kind = stamp.isValid() ? Stamp : Other;
            if (stamp.isValid())
                key.whole = stamp.toMSecsSinceEpoch();
            m_values[row] = std::move(value);
            break;
        }
        case QMetaType::QString:
            key.kind = Text;
            m_values[row] = std::move(value);
            break;
        default:
            key.kind = Other;
            m_values[row] = std::move(value);
        }
        ++m_keyReads;
    }
    return row;
}

QVariant KeyedSortProxyModel::valueOf(size_t row) const
{
    const Key &key = m_keys[row];
    switch (key.kind) {
    case Int:
        return int(key.whole);
    case Long:
        return key.whole;
    case Real:
        return key.real;
    case Day:
        return QDate::fromJulianDay(key.whole);
    default:
        return m_values[row];
    }
}

bool KeyedSortProxyModel::lessThan(const QModelIndex &left, const QModelIndex &right) const
{
    // Rows below the top of a tree have no row of their own in the bottom model's table.
    if (!left.model() || !right.model() || left.parent().isValid() || right.parent().isValid())
        return QSortFilterProxyModel::lessThan(left, right);
    const size_t leftRow = keyRow(left);
    const size_t rightRow = keyRow(right);
    const Key &l = m_keys[leftRow];
    const Key &r = m_keys[rightRow];
    // As the base class: an empty value is never less, and any value is less than an empty one.
    if (l.kind == Empty)
        return false;
    if (r.kind == Empty)
        return true;
    if (l.kind == r.kind) {
        switch (l.kind) {
        case Int:
        case Long:
        case Day:
        case Stamp:
            return l.whole < r.whole;
        case Real:
            return l.real < r.real;
        case Text: {
            const QString &a = *static_cast<const QString *>(m_values[leftRow].constData());
            const QString &b = *static_cast<const QString *>(m_values[rightRow].constData());
            return isSortLocaleAware() ? QString::localeAwareCompare(a, b) < 0
                                       : a.compare(b, sortCaseSensitivity()) < 0;
        }
        default:
            break;
        }
    }
    // Values of different kinds: the base class converts one to the other's type.
    const QVariant leftValue = valueOf(leftRow);
    const QVariant rightValue = valueOf(rightRow);
    m_pair.left = &leftValue;
    m_pair.right = &rightValue;
    return QSortFilterProxyModel::lessThan(m_pair.index(0, 0), m_pair.index(1, 0));
}
