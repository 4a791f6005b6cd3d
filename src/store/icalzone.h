#pragma once

#include <QDateTime>
#include <QList>
#include <QMetaType>
#include <QString>
#include <QTimeZone>

#include <limits>
#include <memory>
#include <utility>

// A time zone as an iCalendar file describes it in a VTIMEZONE block, for zone ids the
// system does not know ("(UTC-05:00) Eastern Time (US & Canada)"). Each STANDARD or
// DAYLIGHT part says from which wall-clock moment, and on which yearly rule, its offset
// applies. Wall-clock times are QDateTimes in UTC spec that stand for the bare reading.
class ICalZone
{
public:
    struct Observance
    {
        QDateTime start; // wall clock, in the offset before the change
        int offsetFrom = 0;
        int offsetTo = 0;
        QString rrule;
        QList<QDateTime> rdates; // wall clock
    };

    struct Rule; // a part's yearly rule, as read

    ICalZone();
    ~ICalZone();
    ICalZone(const ICalZone &other);
    ICalZone &operator=(const ICalZone &other);

    void addObservance(const Observance &observance);
    // False when the block has no part or a rule this reading does not follow: its
    // times are then no better than local ones.
    bool isUsable() const;

    // The offset from UTC in force at a moment.
    int offsetAt(const QDateTime &utc) const;
    // Where the offset changes after a UTC moment up to another, in seconds since 1970 each
    // with the offset from then on.
    QList<std::pair<qint64, int>> changes(const QDateTime &fromUtc, const QDateTime &toUtc) const;
    // The moment a wall-clock reading stands for. A reading that occurs twice is the
    // earlier moment; one that a change skips is read with the offset before it.
    QDateTime toUtc(const QDate &date, const QTime &time) const;

    // "+0530" or "-0500" (seconds optional) as seconds; false when it is none.
    static bool parseOffset(QStringView text, int *seconds);

private:
    // The latest change of this part at or before a UTC moment in milliseconds (in a year),
    // in milliseconds; kNoOnset if none.
    static constexpr qint64 kNoOnset = std::numeric_limits<qint64>::min();
    qint64 lastOnset(const Observance &observance, const Rule &rule, qint64 utc, int year) const;
    // The offset at a UTC moment in milliseconds as the parts give it.
    int offsetFromParts(qint64 utc) const;
    struct Changes;
    // The changes over the years around a moment, added to those found before.
    void findChanges(Changes &changes, qint64 utc) const;

    QList<Observance> m_observances;
    QList<Rule> m_rules;  // each observance's rule, read once
    QList<int> m_offsets; // every offset of the parts, largest first
    bool m_usable = true;
    // Each reading asked of the parts takes long, and a file's times ask many: the offsets
    // are found once between the moments they can change at, shared by the zone's copies.
    std::shared_ptr<Changes> m_changes;
};

// The zone a time of the file was written in: one the system knows, the file's own
// VTIMEZONE, or UTC. A series repeats the wall-clock time in it, not the local one.
class ICalSourceZone
{
public:
    ICalSourceZone() = default; // UTC
    explicit ICalSourceZone(const QTimeZone &zone) : m_system(zone) {}
    explicit ICalSourceZone(const ICalZone &zone);

    // The moment a wall-clock reading stands for, as RFC 5545 reads it: the first pass
    // of a repeated hour; a skipped one with the offset before the change.
    QDateTime toUtc(const QDate &date, const QTime &time) const;
    // The wall-clock reading of a moment, in UTC spec.
    QDateTime wallClock(const QDateTime &utc) const;
    // Its offsets from UTC between two moments, each with the second (since 1970) it
    // starts at; the first holds from before the span.
    using Offsets = QList<std::pair<qint64, int>>;
    Offsets offsets(const QDateTime &fromUtc, const QDateTime &toUtc) const;
    // The same readings through such a list, in seconds since 1970: a series reads many.
    static qint64 toUtc(const Offsets &offsets, qint64 wall);
    static qint64 toWall(const Offsets &offsets, qint64 utc);
    // A time written with "Z": a moment, never a calendar day.
    bool isUtc() const { return !m_own && !m_system.isValid(); }
    // True when readings in it are readings in that zone.
    bool sameAs(const QTimeZone &zone) const { return !m_own && m_system.isValid() && m_system == zone; }
    // Tells zones apart while this one is alive: a system zone's id, else the file zone's own object.
    QByteArray key() const;

    static QDateTime toUtc(const QDate &date, const QTime &time, const QTimeZone &zone);

    struct Cache;

private:
    QTimeZone m_system;
    std::shared_ptr<const ICalZone> m_own;
    std::shared_ptr<Cache> m_cache; // the file zone's changes found so far, shared by the copies
};

// A start as the file wrote it, when it names a zone.
struct ICalWallTime
{
    QDate date;
    QTime time;
    ICalSourceZone zone;
};

Q_DECLARE_METATYPE(ICalWallTime)

// The number the bare digits at `from` make ("20240603", "090000"), or -1 where one is not a digit. Files of
// many series read them again and again, so without a format parser.
int iCalDigits(QStringView text, qsizetype from, qsizetype count);
