#pragma once

#include "editor/keyedsortproxymodel.h"

#include <QDate>

class EventsManager;

// Keeps the events that occupy one day: from the begin of an occurrence through the day its
// period ends.
class CalendarProxyModel : public KeyedSortProxyModel
{
    Q_OBJECT

public:
    explicit CalendarProxyModel(EventsManager *manager);

    QDate filterDate() const { return m_filterDate; }

public slots:
    void setFilterDate(const QDate &date);

protected:
    bool filterAcceptsRow(int sourceRow, const QModelIndex &sourceParent) const override;

private:
    QDate m_filterDate;
    EventsManager *m_manager;
};
