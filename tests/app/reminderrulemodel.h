#pragma once

#include <QByteArray>
#include <QDateTime>
#include <QList>
#include <QMap>
#include <QString>
#include <QStringList>
#include <QTimeZone>

// When reminders must open, from the rule alone: a reminder is due when the wall clock of the zone the
// program is in reaches its reading (the event's time less its notice), once per reading and date. A
// closure is one jump of the wall clock from its reading at the close to the start's reading in the zone
// it starts in; readings in that jump open at the start, but a start (or a resume) on a later day may drop those of
// an earlier day whose event has begun; a reading still ahead waits. Snoozes open at their instant, or
// at the next start or resume after it. Readings are wall times kept as Qt::UTC date-times.
namespace ReminderRuleModel {

struct Event
{
    QString caption;
    bool daily = false;
    QDateTime time; // wall: a daily one's first day and its time
    int notice = 0; // minutes
};

struct Segment
{
    QByteArray zone;   // where the program runs
    qint64 from = 0;   // ms since the epoch
    qint64 to = 0;     // the close
    QString closure;   // how this run ends: quit, kill, stop; none for the last
    qint64 backAt = 0; // when it starts or resumes, in the next segment's zone
};

struct Due
{
    QString caption;
    QDateTime reading; // invalid for a snooze
    qint64 at = 0;     // when it is reached
    bool mayDrop = false;
    bool matched = false;
};

inline QDateTime wall(qint64 ms, const QByteArray &zone)
{
    const QDateTime local = QDateTime::fromMSecsSinceEpoch(ms, QTimeZone(zone));
    return QDateTime(local.date(), local.time(), Qt::UTC);
}

class Model
{
public:
    QList<Event> events;
    QList<Segment> segments;
    QList<QPair<QString, qint64>> snoozes; // caption, due instant
    QList<Due> due;

    void compute()
    {
        due.clear();
        m_reached.clear();
        for (qsizetype i = 0; i < segments.size(); ++i) {
            const Segment &s = segments[i];
            run(s.zone, s.from, s.to);
            if (i + 1 < segments.size()) {
                const QByteArray next = segments[i + 1].zone;
                const QDateTime start = wall(s.backAt, next);
                reach(
                    wall(s.to, s.zone), start, [&](const QDateTime &) { return s.backAt; }, start);
            }
        }
        for (const auto &[caption, at] : snoozes) {
            qint64 when = -1;
            for (const Segment &s : segments) {
                if (at <= s.to) {
                    when = std::max(at, s.from);
                    break;
                }
            }
            if (when >= 0)
                due.append({caption, QDateTime(), when});
        }
    }

    // Matches a window of `caption` at `ms`; false for one early, twice or where nothing passed.
    bool match(const QString &caption, qint64 ms, qint64 lateMs)
    {
        // A snooze first, then a reading that must open, then one that may be dropped.
        for (int pass : {0, 1, 2}) {
            for (Due &d : due) {
                const int kind = !d.reading.isValid() ? 0 : d.mayDrop ? 2 : 1;
                if (!d.matched && kind == pass && d.caption == caption && d.at <= ms && ms <= d.at + lateMs &&
                    !opened(caption, d.reading)) {
                    d.matched = true;
                    return true;
                }
            }
        }
        return false;
    }

    bool opened(const QString &caption, const QDateTime &reading) const
    {
        for (const Due &d : due) {
            if (d.matched && reading.isValid() && d.caption == caption && d.reading == reading)
                return true;
        }
        return false;
    }

    QString describe() const
    {
        QStringList lines;
        for (const Event &e : events)
            lines << QStringLiteral("event %1 %2 %3 notice %4")
                         .arg(e.caption, e.daily ? "daily" : "once", e.time.toString(Qt::ISODate))
                         .arg(e.notice);
        for (const Segment &s : segments)
            lines << QStringLiteral("run %1 %2 .. %3 then %4 back %5")
                         .arg(QString::fromLatin1(s.zone), utc(s.from), utc(s.to), s.closure, utc(s.backAt));
        for (const auto &[caption, at] : snoozes)
            lines << QStringLiteral("snooze %1 to %2").arg(caption, utc(at));
        for (const Due &d : due)
            lines << QStringLiteral("due %1 reading %2 at %3%4%5")
                         .arg(d.caption, d.reading.toString(Qt::ISODate), utc(d.at), d.mayDrop ? " may drop" : "",
                              d.matched ? " opened" : "");
        return lines.join('\n');
    }

    static QString utc(qint64 ms) { return QDateTime::fromMSecsSinceEpoch(ms, Qt::UTC).toString(Qt::ISODate); }

private:
    QMap<QPair<QString, QDateTime>, bool> m_reached; // reached, and may have been dropped

    QList<QPair<QString, QDateTime>> readings(const QDateTime &from, const QDateTime &to) const
    {
        QList<QPair<QString, QDateTime>> result;
        for (const Event &e : events) {
            const int days = e.daily ? int(e.time.date().daysTo(to.date())) + 2 : 1;
            for (int d = 0; d < days; ++d) {
                const QDateTime r = QDateTime(e.time.date().addDays(d), e.time.time(), Qt::UTC).addSecs(-60 * e.notice);
                if (from < r && r <= to)
                    result.append({e.caption, r});
            }
        }
        return result;
    }

    // The readings in (a, b] not reached before come at `at(reading)`; at a start on `start`'s later
    // day, one of an earlier day whose event has begun may be dropped.
    template <typename At> void reach(const QDateTime &a, const QDateTime &b, At at, const QDateTime &start)
    {
        for (const auto &[caption, r] : readings(a, b)) {
            // Dropped at a start, a reading the clock reaches again after a move west may open then.
            const bool again = m_reached.contains({caption, r});
            if (again && !m_reached.value({caption, r}))
                continue;
            int notice = 0;
            for (const Event &e : events)
                notice = e.caption == caption ? e.notice : notice;
            const bool mayDrop =
                again || (start.isValid() && r.date() < start.date() && r.addSecs(60 * notice) <= start);
            m_reached.insert({caption, r}, mayDrop);
            due.append({caption, r, at(r), mayDrop});
        }
    }

    // The wall clock runs on between the zone's changes of offset and jumps at each.
    void run(const QByteArray &zoneId, qint64 from, qint64 to)
    {
        const QTimeZone zone(zoneId);
        qint64 cur = from;
        const auto transitions = zone.transitions(QDateTime::fromMSecsSinceEpoch(from + 1, Qt::UTC),
                                                  QDateTime::fromMSecsSinceEpoch(to, Qt::UTC));
        QList<qint64> ends;
        for (const QTimeZone::OffsetData &t : transitions)
            ends << t.atUtc.toMSecsSinceEpoch();
        ends << to;
        for (qint64 end : ends) {
            const qint64 offset = qint64(zone.offsetFromUtc(QDateTime::fromMSecsSinceEpoch(cur, Qt::UTC))) * 1000;
            const QDateTime b = QDateTime::fromMSecsSinceEpoch(end + offset, Qt::UTC);
            reach(
                QDateTime::fromMSecsSinceEpoch(cur + offset, Qt::UTC), b,
                [&](const QDateTime &r) { return r.toMSecsSinceEpoch() - offset; }, QDateTime());
            if (end < to)
                reach(
                    b, wall(end, zoneId), [&](const QDateTime &) { return end; }, QDateTime());
            cur = end;
        }
    }
};

} // namespace ReminderRuleModel
