#include "editor/keyedsortproxymodel.h"

#include <QAbstractProxyModel>
#include <QDateTime>

KeyedSortProxyModel::KeyedSortProxyModel(QObject *parent)
    : QSortFilterProxyModel(parent), m_watch(
                                         this, [this] { forgetKeys(); },
                                         [this](size_t row) {
                                             if (row < m_keys.size())
                                                 m_keys[row].kind = Unread;
                                         })
{
}

KeyedSortProxyModel::~KeyedSortProxyModel() = default;

void KeyedSortProxyModel::setSourceModel(QAbstractItemModel *model)
{
    if (model == sourceModel())
        return;
    // Before the base class connects its own, so that changed values are gone before it sorts.
    m_watch.setSource(model);
    m_bottomSource = model && !qobject_cast<const QAbstractProxyModel *>(model) ? model : nullptr;
    m_flatSource = qobject_cast<const QAbstractListModel *>(model) || qobject_cast<const QAbstractTableModel *>(model)
                       ? model
                       : nullptr;
    QSortFilterProxyModel::setSourceModel(model);
}

void KeyedSortProxyModel::forgetKeys() const
{
    m_keys.clear();
    m_values.clear();
}

size_t KeyedSortProxyModel::keyRow(const QModelIndex &sourceIndex) const
{
    const QModelIndex bottom = m_watch.bottom(sourceIndex);
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
    // Rows below the top of a tree have no row of their own in the bottom model's table. A list's or a
    // table's have none: a sort of 100,000 rows asked each row for its parent some thirty times.
    const bool flat = m_flatSource && left.model() == m_flatSource && right.model() == m_flatSource;
    if (!flat && (!left.model() || !right.model() || left.parent().isValid() || right.parent().isValid()))
        return QSortFilterProxyModel::lessThan(left, right);
    // Rows of a source at the bottom whose values are read: a sort asks this some twenty times a row.
    const bool readable = left.model() == m_bottomSource && right.model() == m_bottomSource &&
                          left.column() == m_keyColumn && right.column() == m_keyColumn && m_keyRole == sortRole();
    const size_t leftRow = readable && isRead(left.row()) ? size_t(left.row()) : keyRow(left);
    const size_t rightRow = readable && isRead(right.row()) ? size_t(right.row()) : keyRow(right);
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
