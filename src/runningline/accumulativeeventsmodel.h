#pragma once

#include <QAbstractListModel>
#include <QList>
#include <QPointer>

// Joins the first column of several flat models (the user events, then each system list) into one
// list, passing every role and every change through with the row numbers moved.
class AccumulativeEventsModel : public QAbstractListModel
{
    Q_OBJECT

public:
    explicit AccumulativeEventsModel(QObject *parent = nullptr);

    // Appends the model's rows after those of the models added before; the model is not owned.
    void addSourceModel(QAbstractItemModel *model);
    void removeSourceModel(QAbstractItemModel *model);
    QList<QAbstractItemModel *> sourceModels() const;

    // The source model and its row for one of our rows; {null, -1} when out of range.
    QPair<QAbstractItemModel *, int> mapToSource(int row) const;
    int mapFromSource(const QAbstractItemModel *model, int sourceRow) const;

    QModelIndex index(int row, int column = 0, const QModelIndex &parent = QModelIndex()) const override;
    int rowCount(const QModelIndex &parent = QModelIndex()) const override;
    QVariant data(const QModelIndex &index, int role = Qt::DisplayRole) const override;

private:
    int offsetOf(const QAbstractItemModel *model) const;
    int countRows() const;
    void connectSource(QAbstractItemModel *model);

    QList<QPointer<QAbstractItemModel>> m_sources;
    // A source's layout change or move is passed on as a reset of the whole list.
    int m_resetDepth = 0;
    // The rows as of the last change passed on.
    int m_rows = 0;
};
