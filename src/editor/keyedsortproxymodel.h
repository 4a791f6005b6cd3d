#pragma once

#include "editor/bottomrowwatch.h"

#include <QAbstractListModel>
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

    // How a row's value compares without the base class: the kinds the base class compares by one
    // number each, else through the held value.
    enum KeyKind : char { Unread, Empty, Int, Long, Real, Day, Stamp, Text, Other };
    struct Key
    {
        KeyKind kind = Unread;
        union {
            qint64 whole = 0;
            double real;
        };
    };

    // The row of the key tables that holds the value of the index, read when not known yet.
    size_t keyRow(const QModelIndex &sourceIndex) const;
    // Whether the value of a row of the source at the bottom is read.
    bool isRead(int row) const { return size_t(row) < m_keys.size() && m_keys[size_t(row)].kind != Unread; }
    // The value of a key row as the model gave it.
    QVariant valueOf(size_t row) const;
    void forgetKeys() const;

    mutable PairModel m_pair;
    // By row of the bottom model, for one column and role. A sort compares each row about twenty
    // times: numbers, days and a valid date-time's instant are compared as one number, which the base
    // class would make from the value each time; texts, date-times and other values keep the value.
    mutable std::vector<Key> m_keys;
    mutable std::vector<QVariant> m_values;
    // The source when no proxy sits between it and the bottom model: its rows are the key rows.
    const QAbstractItemModel *m_bottomSource = nullptr;
    // The source when it is a list or a table: its rows have no parent.
    const QAbstractItemModel *m_flatSource = nullptr;
    mutable int m_keyColumn = -1;
    mutable int m_keyRole = -1;
    mutable int m_keyReads = 0;
    mutable BottomRowWatch m_watch;
};
