#pragma once

#include "editor/bottomrowwatch.h"

#include <QByteArray>
#include <QHash>
#include <QList>
#include <QSortFilterProxyModel>

#include <vector>

class EventsModel;

// Keeps the events of the event types and calendars chosen in the editor's filter panel.
// An empty list puts no restriction on its axis.
class EditorEventFilterModel : public QSortFilterProxyModel
{
    Q_OBJECT

public:
    explicit EditorEventFilterModel(QObject *parent = nullptr);
    ~EditorEventFilterModel() override;

    void setSourceModel(QAbstractItemModel *model) override;
    // Each re-filters only when the list differs from the held one: the editor calls them on every
    // change of the panel's selection.
    void setTypesFilter(const QList<QByteArray> &typeIds);
    void setCalendarsFilter(const QList<QByteArray> &calendarIds);
    QList<QByteArray> typesFilter() const { return m_typeIds; }
    QList<QByteArray> calendarsFilter() const { return m_calendarIds; }
    // Sorting is the model's below: the filter keeps its order, so that a change of the filter sorts
    // nothing again.
    void sort(int column, Qt::SortOrder order = Qt::AscendingOrder) override;
    // Reads every row's type and calendar now, so that the first filter reads none.
    void readAhead();

protected:
    bool filterAcceptsRow(int sourceRow, const QModelIndex &sourceParent) const override;

private:
    // Ids met so far, each with a small code and whether the held list keeps it.
    struct Codes
    {
        int code(const QByteArray &id, const QList<QByteArray> &kept);
        void keep(const QList<QByteArray> &kept);
        QHash<QByteArray, int> codes;
        std::vector<QByteArray> ids; // by code
        std::vector<char> kept;
    };

    void refilter();
    void forgetRows() const;
    // The row of the bottom model for `index`, its codes read; -1 for a row of a tree.
    qsizetype codedRow(const QModelIndex &index) const;
    // The codes of a row of the bottom model; of all its rows when that model holds events.
    void readCodes(const QModelIndex &index, const QModelIndex &bottom) const;

    QList<QByteArray> m_typeIds;
    QList<QByteArray> m_calendarIds;
    // By row of the model at the bottom of the proxy chain: the codes of its type and calendar, -1
    // while unread. A change of the filter then reads no event again.
    mutable std::vector<int> m_typeCodes;
    mutable std::vector<int> m_calendarCodes;
    mutable Codes m_types;
    mutable Codes m_calendars;
    // The bottom model as an events model, for the model it was cast from.
    mutable const QAbstractItemModel *m_castFrom = nullptr;
    mutable const EventsModel *m_events = nullptr;
    mutable BottomRowWatch m_watch;
};
