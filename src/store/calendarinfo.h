#pragma once

#include <QByteArray>
#include <QList>
#include <QPointer>
#include <QString>
#include <QVariant>

class EventsManager;

// One calendar: an id that events refer to and the name the user sees.
class CalendarInfo
{
public:
    CalendarInfo() = default;
    // A new calendar with a fresh braced id.
    explicit CalendarInfo(const QString &name);
    CalendarInfo(const QByteArray &id, const QString &name);

    bool valid() const { return !id.isEmpty(); }
    bool operator==(const CalendarInfo &other) const { return id == other.id && name == other.name; }
    bool operator!=(const CalendarInfo &other) const { return !(*this == other); }

    QVariant toMap() const;
    void fromMap(const QVariant &value);

    QByteArray id;
    QString name;
};

// Process-wide access to the calendars of the one events manager, for code that has no manager at hand.
class CalendarsProvider
{
public:
    explicit CalendarsProvider(EventsManager *manager);
    ~CalendarsProvider();

    static QList<CalendarInfo> calendars();
    static QByteArray defaultCalendarId();

private:
    Q_DISABLE_COPY(CalendarsProvider)

    // The manager of the one provider; null, and reported, when there is none.
    static EventsManager *manager();

    static CalendarsProvider *s_instance;
    QPointer<EventsManager> m_manager;
};
