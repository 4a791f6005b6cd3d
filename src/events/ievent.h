#pragma once

#include <QByteArray>
#include <QList>
#include <QMetaType>
#include <QString>

class QAction;
class QDate;
class QDateTime;
class QIcon;
class QPixmap;
class QWidget;
class Period;
class Occurrence;
class CustomTypeInfo;

// The kind of a user event; the numbers are stored in the events file and must not change.
enum EventType : int {
    EventTypeNotSpecified = 0,
    EventTypeBirthday = 1,
    EventTypeWedding = 2,
    EventTypeHoliday = 3,
    EventTypeTask = 4,
};
Q_DECLARE_METATYPE(EventType)

// Root of every entry the running line shows, user or system.
class IConstEvent
{
public:
    virtual ~IConstEvent() = default;
    // The running-line text; false leaves out the part that says when.
    virtual QString text(bool withWhen) const = 0;
    // True when the event is over and may be removed after `days` days.
    virtual bool isExpired(int days) const = 0;
    virtual QByteArray id() const = 0;
    // Extra entries for context menus; the event owns the actions.
    virtual QList<QAction *> contextMenuActions() const = 0;
};

// Marks an event that may be changed.
class IEvent : public virtual IConstEvent
{
};

// Read-only view of a user event.
class ICommonConstEvent : public virtual IConstEvent
{
public:
    virtual QString caption() const = 0;
    virtual QString comment() const = 0;
    virtual const Period &period() const = 0;
    virtual QDateTime lastModified() const = 0;
    virtual QDate nextDate(const QDate &from) const = 0;
    virtual Period nextPeriod() const = 0;
    virtual QList<QDate> occurrences(const QDate &begin, const QDate &end) const = 0;
    virtual const Occurrence &occurrence() const = 0;
    virtual int daysToWatch() const = 0;
    virtual QIcon icon() const = 0;
    virtual QPixmap pixmap() const = 0;
    virtual QPixmap photo(bool withCorner) const = 0;
    // A new information frame; the caller owns it. Null where no widget layer is present.
    virtual QWidget *infoWidget() const = 0;
    virtual EventType type() const = 0;
    virtual QByteArray textId() const = 0;
    virtual const CustomTypeInfo &customTypeMetaInfo() const = 0;
    virtual QByteArray calendarId() const = 0;
    virtual bool isMovingLineEnabled() const = 0;
    // When the reminder window should open; invalid for no reminder.
    virtual QDateTime reminderDateTime() const = 0;
    // The wave file the reminder plays; empty for none.
    virtual QString soundPath() const = 0;
};

// A user event that may be changed.
class ICommonEvent : public virtual ICommonConstEvent, public virtual IEvent
{
};

// Supplies the picture a photo box shows while no photo is chosen.
class IDefaultPhotoProvider
{
public:
    virtual QIcon defaultPhoto() const = 0;
    virtual ~IDefaultPhotoProvider() = default;
};
