#pragma once

#include "store/eventitemrole.h"

#include <QAbstractTableModel>
#include <QPointer>

#include "store/systemevents.h"
class SystemEvent;

// The running line's rows for one list of system entries (server messages, the bar's own lines).
class SystemModel : public QAbstractTableModel
{
    Q_OBJECT

public:
    explicit SystemModel(SystemEvents *events, QObject *parent = nullptr);

    SystemEvents *systemEvents() const { return m_events; }
    SystemEvent *eventAt(int row) const;

    int rowCount(const QModelIndex &parent = QModelIndex()) const override;
    int columnCount(const QModelIndex &parent = QModelIndex()) const override;
    QVariant data(const QModelIndex &index, int role = Qt::DisplayRole) const override;

private slots:
    void onEventAdded(int index);
    void onEventAboutToRemove(int index);
    void onEventRemoved();

private:
    QPointer<SystemEvents> m_events;
    // The list changes before its signals arrive; the model reports its own count in between.
    int m_count = 0;
    // Removals announced for a listed entry, not yet finished.
    QList<bool> m_pendingRemovals;
};
