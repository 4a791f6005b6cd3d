#pragma once

#include "store/eventitemrole.h"

#include <QAbstractListModel>
#include <QPointer>

#include "store/eventsmanager.h"
class AbstractCommonEvent;

// One row per user event, in the manager's order; answers the event roles (EventItemRole) and
// resets whenever the manager reports a change (or, when asked, reports one changed, added or
// removed event as that row's change). The editor's models derive from it.
class EventsModel : public QAbstractListModel
{
    Q_OBJECT

public:
    explicit EventsModel(EventsManager *manager, QObject *parent = nullptr);

    EventsManager *eventsManager() const { return m_manager; }
    // The row's event; null for a row out of range.
    AbstractCommonEvent *eventAt(int row) const;

    int rowCount(const QModelIndex &parent = QModelIndex()) const override;
    // The rows, without the virtual call: a sort asks for two indexes per comparison.
    int rows() const { return m_count; }
    // What TypeIdRole gives: the custom type's id, else the kind's key.
    static QByteArray typeIdOf(const AbstractCommonEvent &event);
    QVariant data(const QModelIndex &index, int role = Qt::DisplayRole) const override;
    QHash<int, QByteArray> roleNames() const override;

    // One event's change as that row's dataChanged, an added or removed event as that row's
    // insertion or removal, instead of a reset: for views above that keep nothing per row but what
    // they drop on those signals (a whole reset refilters and resorts every event).
    void setChangesByRow(bool byRow) { m_changesByRow = byRow; }

private slots:
    void onEventChanged(int row);
    void onEventAdded(int row);
    void onEventAboutToRemove(int row);
    void onEventRemoved();
    void beginReset();
    void endReset();
    void reset();

private:
    QPointer<EventsManager> m_manager;
    // Kept apart from the manager's count, which changes before the reset signals arrive.
    int m_count = 0;
    bool m_resetting = false;
    bool m_changesByRow = false;
    // The row whose removal began, until the manager has taken its event out.
    int m_removingRow = -1;

    bool followsByRow() const;
};
