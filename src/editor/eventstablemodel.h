#pragma once

#include "store/eventsmodel.h"

// The editor's events table: date, days left, type, time, caption (with its end) and comment.
// Events that are over show in grey italics; every column answers SortRole for the sort proxy.
class EventsTableModel : public EventsModel
{
    Q_OBJECT

public:
    enum Column { DateColumn, DaysColumn, TypeColumn, TimeColumn, CaptionColumn, CommentColumn, ColumnCount };

    explicit EventsTableModel(EventsManager *manager, QObject *parent = nullptr);

    int columnCount(const QModelIndex &parent = QModelIndex()) const override;
    // Without the base class's two virtual counts: a sort asks for two indexes per comparison.
    QModelIndex index(int row, int column, const QModelIndex &parent = QModelIndex()) const override;
    QVariant data(const QModelIndex &index, int role = Qt::DisplayRole) const override;
    QVariant headerData(int section, Qt::Orientation orientation, int role = Qt::DisplayRole) const override;

    // The caption with " (ends ...)" when the event has an end and is not over.
    static QString captionText(const AbstractCommonEvent &event);

    // Sort values are kept until the model resets, their row changes or the day
    // changes: sorting 10,000 rows asked each event's next date hundreds of thousands of times.
    void clearCache() { m_sortCache.clear(); }

private:
    QVariant sortOrDisplay(const AbstractCommonEvent &event, int column, int role) const;
    QVariant decorationAndLook(const AbstractCommonEvent &event, int column, int role) const;

    mutable QVector<QVariant> m_sortCache;
    mutable QVector<bool> m_sortCached;
};
