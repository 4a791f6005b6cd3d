#include "runningline/accumulativeeventsmodel.h"

AccumulativeEventsModel::AccumulativeEventsModel(QObject *parent) : QAbstractListModel(parent) {}

void AccumulativeEventsModel::addSourceModel(QAbstractItemModel *model)
{
    if (!model || sourceModels().contains(model))
        return;
    const int rows = model->rowCount();
    const int first = rowCount();
    if (rows > 0)
        beginInsertRows(QModelIndex(), first, first + rows - 1);
    m_sources.append(model);
    m_rows = countRows();
    connectSource(model);
    if (rows > 0)
        endInsertRows();
}

void AccumulativeEventsModel::removeSourceModel(QAbstractItemModel *model)
{
    const int i = sourceModels().indexOf(model);
    if (i < 0)
        return;
    const int rows = model->rowCount();
    const int first = offsetOf(model);
    if (rows > 0)
        beginRemoveRows(QModelIndex(), first, first + rows - 1);
    disconnect(model, nullptr, this, nullptr);
    m_sources.removeAt(i);
    m_rows = countRows();
    if (rows > 0)
        endRemoveRows();
}

QList<QAbstractItemModel *> AccumulativeEventsModel::sourceModels() const
{
    QList<QAbstractItemModel *> result;
    for (const auto &model : m_sources)
        if (model)
            result << model.data();
    return result;
}

int AccumulativeEventsModel::offsetOf(const QAbstractItemModel *model) const
{
    int offset = 0;
    for (const auto &source : m_sources) {
        if (source == model)
            return offset;
        if (source)
            offset += source->rowCount();
    }
    return -1;
}

QPair<QAbstractItemModel *, int> AccumulativeEventsModel::mapToSource(int row) const
{
    if (row < 0)
        return {nullptr, -1};
    for (const auto &source : m_sources) {
        if (!source)
            continue;
        const int rows = source->rowCount();
        if (row < rows)
            return {source.data(), row};
        row -= rows;
    }
    return {nullptr, -1};
}

int AccumulativeEventsModel::mapFromSource(const QAbstractItemModel *model, int sourceRow) const
{
    const int offset = offsetOf(model);
    if (offset < 0 || sourceRow < 0 || sourceRow >= model->rowCount())
        return -1;
    return offset + sourceRow;
}

QModelIndex AccumulativeEventsModel::index(int row, int column, const QModelIndex &parent) const
{
    // A sorting filter above asks for two indexes per comparison: the count is kept, not summed.
    if (row < 0 || column != 0 || parent.isValid() || row >= m_rows)
        return QModelIndex();
    return createIndex(row, 0);
}

int AccumulativeEventsModel::rowCount(const QModelIndex &parent) const
{
    return parent.isValid() ? 0 : m_rows;
}

int AccumulativeEventsModel::countRows() const
{
    int rows = 0;
    for (const auto &source : m_sources)
        if (source)
            rows += source->rowCount();
    return rows;
}

QVariant AccumulativeEventsModel::data(const QModelIndex &index, int role) const
{
    if (!checkIndex(index, CheckIndexOption::IndexIsValid | CheckIndexOption::ParentIsInvalid))
        return QVariant();
    const auto [model, row] = mapToSource(index.row());
    if (!model)
        return QVariant();
    return model->index(row, 0).data(role);
}

void AccumulativeEventsModel::connectSource(QAbstractItemModel *model)
{
    auto beginReset = [this] {
        if (m_resetDepth++ == 0)
            beginResetModel();
    };
    auto endReset = [this] {
        if (m_resetDepth > 0 && --m_resetDepth == 0) {
            m_rows = countRows();
            endResetModel();
        }
    };
    connect(model, &QAbstractItemModel::rowsAboutToBeInserted, this,
            [this, model](const QModelIndex &parent, int first, int last) {
                if (!parent.isValid() && m_resetDepth == 0)
                    beginInsertRows(QModelIndex(), offsetOf(model) + first, offsetOf(model) + last);
            });
    connect(model, &QAbstractItemModel::rowsInserted, this, [this](const QModelIndex &parent) {
        if (!parent.isValid() && m_resetDepth == 0) {
            m_rows = countRows();
            endInsertRows();
        }
    });
    connect(model, &QAbstractItemModel::rowsAboutToBeRemoved, this,
            [this, model](const QModelIndex &parent, int first, int last) {
                if (!parent.isValid() && m_resetDepth == 0)
                    beginRemoveRows(QModelIndex(), offsetOf(model) + first, offsetOf(model) + last);
            });
    connect(model, &QAbstractItemModel::rowsRemoved, this, [this](const QModelIndex &parent) {
        if (!parent.isValid() && m_resetDepth == 0) {
            m_rows = countRows();
            endRemoveRows();
        }
    });
    connect(model, &QAbstractItemModel::dataChanged, this,
            [this, model](const QModelIndex &topLeft, const QModelIndex &bottomRight, const QList<int> &roles) {
                if (topLeft.parent().isValid() || topLeft.column() > 0 || m_resetDepth > 0)
                    return;
                const int offset = offsetOf(model);
                emit dataChanged(index(offset + topLeft.row()), index(offset + bottomRight.row()), roles);
            });
    connect(model, &QAbstractItemModel::modelAboutToBeReset, this, beginReset);
    connect(model, &QAbstractItemModel::modelReset, this, endReset);
    connect(model, &QAbstractItemModel::layoutAboutToBeChanged, this, beginReset);
    connect(model, &QAbstractItemModel::layoutChanged, this, endReset);
    connect(model, &QAbstractItemModel::rowsAboutToBeMoved, this, beginReset);
    connect(model, &QAbstractItemModel::rowsMoved, this, endReset);
    connect(model, &QObject::destroyed, this, [this] {
        beginResetModel();
        m_sources.removeAll(nullptr);
        m_rows = countRows();
        endResetModel();
    });
}
