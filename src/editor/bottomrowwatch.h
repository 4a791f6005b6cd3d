#pragma once

#include <QList>
#include <QModelIndex>
#include <QObject>
#include <QPointer>

#include <functional>

class QAbstractItemModel;

// For a proxy that keeps something per row of the model at the bottom of its proxy chain: hears
// the changes of that model and of the proxy's source, and says which rows to forget.
class BottomRowWatch
{
public:
    // `forgetAll` drops every kept row; `forgetRow` one row of the bottom model, which may lie beyond
    // what is kept.
    BottomRowWatch(QObject *owner, std::function<void()> forgetAll, std::function<void(size_t)> forgetRow);
    ~BottomRowWatch();
    BottomRowWatch(const BottomRowWatch &) = delete;
    BottomRowWatch &operator=(const BottomRowWatch &) = delete;

    // Called before the proxy hands the model to its base class, so that changed rows are forgotten
    // before the base class acts on the change.
    void setSource(QAbstractItemModel *model);
    // The index of the bottom model for `index`; starts watching that model when it is a new one.
    QModelIndex bottom(const QModelIndex &index);

    static QModelIndex bottomIndex(QModelIndex index);

private:
    void watchBase(const QAbstractItemModel *base);
    void forget(const QModelIndex &topLeft, const QModelIndex &bottomRight);

    QObject *m_owner;
    std::function<void()> m_forgetAll;
    std::function<void(size_t)> m_forgetRow;
    QPointer<const QAbstractItemModel> m_base;
    QList<QMetaObject::Connection> m_baseConnections;
    QList<QMetaObject::Connection> m_sourceConnections;
};
