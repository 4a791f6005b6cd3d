#pragma once

#include <optional>

#include "events/abstractcommonevent.h"

// The appointment: the one kind with a reminder, a sound and its own running-line switch.
class NotSpecifiedEvent : public AbstractCommonEvent
{
    Q_OBJECT
public:
    explicit NotSpecifiedEvent(const QByteArray &id = QByteArray());

    // The fields a custom type of this kind may set, with their names and start values; made anew each call.
    static CustomTypeMetaInfo typeMetaInfo();
    ~NotSpecifiedEvent() override;

    // What a new event takes from the settings, which belong to the GUI thread. A thread that builds
    // events is handed them and holds a DefaultsScope while it does.
    struct Defaults
    {
        int notifyMinutes;
        int notifyDays;
        bool movingLineEnabled;
        bool reminderEnabled;
        bool operator==(const Defaults &other) const
        {
            return notifyMinutes == other.notifyMinutes && notifyDays == other.notifyDays &&
                   movingLineEnabled == other.movingLineEnabled && reminderEnabled == other.reminderEnabled;
        }
    };
    static Defaults settingsDefaults();
    // What the settings hold until the user changes them.
    static Defaults builtInDefaults();
    class DefaultsScope
    {
    public:
        explicit DefaultsScope(const Defaults &defaults);
        ~DefaultsScope();
        DefaultsScope(const DefaultsScope &) = delete;
        DefaultsScope &operator=(const DefaultsScope &) = delete;
        const Defaults &defaults() const { return m_defaults; }
        // Whether an event loaded in this scope lacked a value the defaults gave it.
        bool used() const { return m_used; }

    private:
        friend class NotSpecifiedEvent;
        Defaults m_defaults;
        bool m_used = false;
        DefaultsScope *m_previous;
    };

    QString caption() const override;
    bool isMovingLineEnabled() const override { return m_movingLineEnabled; }
    QDateTime reminderDateTime() const override;
    QDateTime reminderDateTimeAfter(const QDateTime &moment) const override;
    QDateTime reminderUtcAfter(const QDateTime &moment, qint64 momentMs) const override;
    QDateTime remindedBeginAfter(const QDateTime &moment) const override;
    QString soundPath() const override { return m_soundPath; }

    void loadFromVariant(const QVariant &value) override;
    void loadFromJson(const Common::JsonObject &object) override;
    QVariant saveToVariant(SaveFlags flags = NoSaveFlags) const override;
    void writeJson(Common::JsonWriter &writer, SaveFlags flags = NoSaveFlags) const override;
    void infoRows(QStringList &names, QStringList &values, bool withoutDate) const override;
    void applyCustomTypeDefaults() override;

    int notifyMinutes() const { return m_notifyMinutes; }
    void setNotifyMinutes(int minutes);
    int notifyDays() const { return m_notifyDays; }
    void setNotifyDays(int days);
    QString location() const { return m_location; }
    void setLocation(const QString &location);
    void setMovingLineEnabled(bool enabled);
    bool isReminderEnabled() const { return m_reminderEnabled; }
    void setReminderEnabled(bool enabled);
    void setSoundPath(const QString &path) { m_soundPath = path; }

private:
    NotSpecifiedEvent(const QByteArray &id, const Defaults &defaults);
    template <class Map> void load(const Map &map);
    // Two answers of reminderAfter(), each standing for the later moments of its day until the reminder
    // comes, while the event and the zone stay as they were. Asking costs several local-time conversions;
    // the threads that read the events file ask for the moments a start asks about, and the GUI thread
    // finds the answers here.
    struct ReminderAnswer
    {
        QDateTime askedAt; // local
        qint64 askedAtMs = 0;
        bool found = false;
        qint64 time = 0;  // the reminder, in milliseconds since the epoch
        qint64 begin = 0; // the occurrence's begin, of a timed event
        QDate beginDay;   // the occurrence's date, of a whole-day event
        quint32 revision = 0;
        int zone = -1;
        // The reminder as a local date-time, made when first asked for: the table of reminders keys
        // instants and needs none.
        const QDateTime &localTime() const;
        mutable QDateTime local;
    };
    // The first reminder later than `now` (local; `nowMs` its instant when known) and the begin of the
    // occurrence it is of.
    ReminderAnswer reminderAfter(const QDateTime &now, std::optional<qint64> nowMs = std::nullopt) const;
    ReminderAnswer workOutReminderAfter(const QDateTime &now, qint64 nowMs) const;
    mutable ReminderAnswer m_answers[2];
    int m_notifyMinutes;
    int m_notifyDays;
    QString m_location;
    QString m_soundPath;
    bool m_movingLineEnabled;
    bool m_reminderEnabled;
};
