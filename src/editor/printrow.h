#pragma once

#include "events/period.h"

#include <QByteArray>
#include <QDate>
#include <QList>
#include <QString>
#include <QMetaType>
#include <QTime>

// What the user chose in the print window.
struct PrintSettings
{
    enum GroupBy { NoGroup = 0, GroupByDate = 1, GroupByType = 2, GroupByCalendar = 3 };
    enum SortBy { SortByDate = 0, SortByCaption = 1 };
    enum Recurrent { HideRecurrent = 0, ShowRecurrentOnce = 1, ShowAllRecurrent = 2 };

    Period period;
    int groupBy = NoGroup;
    int sortBy = SortByDate;
    int recurrent = ShowRecurrentOnce;
    QList<int> columns; // ascending column indexes
    bool borderLines = false;
    bool header = true;
    bool selectedOnly = false;
    QString eventTypeName; // empty: every type
    QByteArray calendarId; // empty: every calendar
};

// One line of the printed table: one occurrence of one event.
struct PrintRow
{
    // The printed columns, then the two that only group.
    enum Column {
        DateColumn = 0,
        TimeColumn = 1,
        CaptionColumn = 2,
        CommentColumn = 3,
        RecurrenceColumn = 4,
        TypeNameColumn = 5,
        CalendarNameColumn = 6,
        PrintedColumnCount = 5
    };

    QDate date;
    QTime time; // null when the event has no time
    QString caption;
    QString comment;
    QString typeName;
    QString recurrence;
    QString calendarName;
};

// Orders rows by one or two keys, then by caption. A row without a time counts as midnight on
// either side, so the order stays strict and weak whichever row is on the left.
class RowLessThan
{
public:
    RowLessThan(int sort1, int sort2);

    bool operator()(const PrintRow &a, const PrintRow &b) const;
    // Negative when a comes first, 0 when equal, positive when b comes first.
    static int compare(const PrintRow &a, const PrintRow &b, int column);

private:
    int m_sort1;
    int m_sort2;
};
Q_DECLARE_METATYPE(PrintRow)
