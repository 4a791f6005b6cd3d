#pragma once

#include <QAbstractListModel>
#include <QPointer>
#include <QSortFilterProxyModel>

#include <vector>

// A sorting proxy that reads each row's sort value once and keeps it until the model at the bottom of
// the proxy chain changes. Sorting tens of thousands of events compares each row many times, and each
// read passed through every proxy below to the event; a change of a filter in between sorts again
// with the values it already has. Values are compared exactly as QSortFilterProxyModel compares them.
class KeyedSortProxyModel : public QSortFilterProxyModel
{
    Q_OBJECT

public:
    explicit KeyedSortProxyModel(QObject *parent = nullptr);
    ~KeyedSortProxyModel() override;

    void setSourceModel(QAbstractItemModel *model) override;
    // Values read from the models so far (for tests).
    int keyReads() const { return m_keyReads; }

protected:
    bool lessThan(const QModelIndex &left, const QModelIndex &right) const override;

private:
    // Holds the two values being compared, so the base class's comparison reads them from here.
    class PairModel : public QAbstractListModel
    {
    public:
        int rowCount(const QModelIndex &parent = QModelIndex()) const override { return parent.isValid() ? 0 : 2; }
        QVariant data(const QModelIndex &index, int) const override { return index.row() == 0 ? *left : *right; }
        const QVariant *left = nullptr;
        const QVariant *right = nullptr;
    };

    const QVariant &key(const QModelIndex &sourceIndex) const;
    // The row of the key tables that holds the value of the index, read when not known yet.
    size_t keyRow(const QModelIndex &sourceIndex) const;
    void watchBase(const QAbstractItemModel *base) const;
    void forgetKeys() const;
    void forgetKeys(const QModelIndex &topLeft, const QModelIndex &bottomRight) const;

    mutable PairModel m_pair;
    // By row of the bottom model, for one column and role.
    mutable std::vector<QVariant> m_keys;
    mutable std::vector<bool> m_known;
    // A valid date-time's instant, else a value no instant has: the base class compares valid date-times by their
    // instants, and making one from a local date-time is costly enough to do it once per row.
    mutable std::vector<qint64> m_stamps;
    mutable int m_keyColumn = -1;
    mutable int m_keyRole = -1;
    mutable int m_keyReads = 0;
    mutable QPointer<const QAbstractItemModel> m_base;
    mutable QList<QMetaObject::Connection> m_baseConnections;
    QList<QMetaObject::Connection> m_sourceConnections;
};
