#pragma once

#include <QByteArray>
#include <QList>
#include <QString>

// One filter of the editor's panel that is in force.
struct FilterInfo
{
    enum Kind { EventType = 0, Calendar = 1 };

    QString text;
    int kind = EventType;
    QByteArray id; // the event type's text id or the calendar's id

    bool operator==(const FilterInfo &other) const
    {
        return text == other.text && kind == other.kind && id == other.id;
    }
    bool operator!=(const FilterInfo &other) const { return !(*this == other); }
};

using FilterInfoList = QList<FilterInfo>;
