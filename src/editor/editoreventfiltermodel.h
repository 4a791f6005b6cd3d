#pragma once

#include "editor/bottomrowwatch.h"

#include <QByteArray>
#include <QHash>
#include <QList>
#include <QSortFilterProxyModel>

#include <memory>
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
    // Reads and keeps rows' types and calendars in one table with `other`, whose model at the bottom
    // of its proxies has the same rows: those of one events manager.
    void shareRowsWith(EditorEventFilterModel *other);

protected:
    bool filterAcceptsRow(int sourceRow, const QModelIndex &sourceParent) const override;

private:
    // Ids met so far, each with a small code.
    struct Ids
    {
        int code(const QByteArray &id);
        QHash<QByteArray, int> codes;
        std::vector<QByteArray> ids; // by code
    };
    // By row of the model at the bottom of the proxy chain: the codes of its type and calendar, -1
    // while unread. A change of the filter then reads no event again.
    struct Rows
    {
        std::vector<int> typeCodes;
        std::vector<int> calendarCodes;
        Ids types;
        Ids calendars;
    };
    // Whether the list keeps the id of a code, found once a code and list.
    static bool keeps(std::vector<char> &kept, const Ids &ids, const QList<QByteArray> &list, int code);

    void refilter();
    void forgetRows() const;
    // Starts watching the model at the bottom of the proxies, as the first row read does.
    void watchBottom() const;
    // The row of the bottom model for `index`, its codes read; -1 for a row of a tree.
    qsizetype codedRow(const QModelIndex &index) const;
    // The codes of a row of the bottom model; of all its rows when that model holds events.
    void readCodes(const QModelIndex &index, const QModelIndex &bottom) const;

    QList<QByteArray> m_typeIds;
    QList<QByteArray> m_calendarIds;
    std::shared_ptr<Rows> m_rows = std::make_shared<Rows>();
    mutable std::vector<char> m_typeKept; // by code
    mutable std::vector<char> m_calendarKept;
    // The bottom model as an events model, for the model it was cast from.
    mutable const QAbstractItemModel *m_castFrom = nullptr;
    mutable const EventsModel *m_events = nullptr;
    mutable BottomRowWatch m_watch;
};
