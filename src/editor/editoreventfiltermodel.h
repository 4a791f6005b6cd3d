#pragma once

#include <QByteArray>
#include <QList>
#include <QSortFilterProxyModel>

// Keeps the events of the event types and calendars chosen in the editor's filter panel.
// An empty list puts no restriction on its axis.
class EditorEventFilterModel : public QSortFilterProxyModel
{
    Q_OBJECT

public:
    explicit EditorEventFilterModel(QObject *parent = nullptr);

    // Each re-filters only when the list differs from the held one: the editor calls them on every
    // change of the panel's selection.
    void setTypesFilter(const QList<QByteArray> &typeIds);
    void setCalendarsFilter(const QList<QByteArray> &calendarIds);
    QList<QByteArray> typesFilter() const { return m_typeIds; }
    QList<QByteArray> calendarsFilter() const { return m_calendarIds; }
    // Sorting is the model's below: the filter keeps its order, so that a change of the filter sorts
    // nothing again.
    void sort(int column, Qt::SortOrder order = Qt::AscendingOrder) override;

protected:
    bool filterAcceptsRow(int sourceRow, const QModelIndex &sourceParent) const override;

private:
    void refilter();

    QList<QByteArray> m_typeIds;
    QList<QByteArray> m_calendarIds;
};
