#pragma once

#include <QDateTime>
#include <QList>
#include <QMap>
#include <QObject>
#include <QSharedPointer>
#include <QVariant>

#include <utility>

class QDebug;
class QFile;

namespace QCalParserPrivate {
class Reader;
}

// One VEVENT or VTODO block of an iCalendar text: its properties keyed by the
// lower-cased property name ("-" written as "_"), with typed dates and categories.
class QCalEvent : public QObject
{
    Q_OBJECT
    Q_PROPERTY(QVariant uid READ uid)
    Q_PROPERTY(QVariant dtstart READ dtstart)
    Q_PROPERTY(QVariant dtend READ dtend)
    Q_PROPERTY(QVariant categories READ categories)
    Q_PROPERTY(QVariant summary READ summary)
    Q_PROPERTY(QVariant location READ location)
    Q_PROPERTY(QVariant description READ description)
    Q_PROPERTY(QVariant url READ url)
    Q_PROPERTY(QVariant todo READ todo)
    Q_PROPERTY(QVariant due READ due)
    Q_PROPERTY(QVariant rrule READ rrule)

public:
    explicit QCalEvent(QObject *parent = nullptr);

    Q_INVOKABLE void setProperty(const QString &iCalKey, const QVariant &value);
    Q_INVOKABLE QVariant property(const char *key) const;
    Q_INVOKABLE QVariant property(const QString &key) const;

    // True when the date stored under "dtstart", "dtend" or "due" was written as a
    // date without a time: such an end date is exclusive.
    bool isDateOnly(QStringView key) const;
    void setDateOnly(QStringView key, bool dateOnly);

    // Whether the block has any of the properties that few blocks have (RECURRENCE-ID,
    // RDATE, EXDATE, DURATION, a zone read as local time): a reader of many blocks skips
    // looking each of them up when it has none.
    bool hasRareProperties() const { return m_hasRare; }

    // Every stored property, in key order.
    QMap<QString, QVariant> properties() const;

    QVariant uid() const { return property("uid"); }
    QVariant dtstart() const { return property("dtstart"); }
    QVariant dtend() const { return property("dtend"); }
    QVariant categories() const { return property("categories"); }
    QVariant summary() const { return property("summary"); }
    QVariant location() const { return property("location"); }
    QVariant description() const { return property("description"); }
    QVariant url() const { return property("url"); }
    QVariant todo() const { return property("todo"); }
    QVariant due() const { return property("due"); }
    QVariant rrule() const { return property("rrule"); }

    static QString normalizedKey(QStringView iCalKey);

private:
    friend class QCalParserPrivate::Reader;
    static int dateKeyBit(QStringView key);
    void insert(QString key, QVariant value);
    void remove(const QString &key);
    template <typename Key> QVariant find(const Key &key) const;

    // In the order read; a block has a dozen properties, so a flat list beats a tree here.
    QList<std::pair<QString, QVariant>> m_properties;
    int m_dateOnlyKeys = 0;
    bool m_hasRare = false;
};

using QCalEventPtr = QSharedPointer<QCalEvent>;

QDebug operator<<(QDebug debug, const QCalEvent &event);

// Reads the VEVENT and VTODO blocks of iCalendar text (RFC 5545 lines: folded
// lines are joined and text values unescaped) into QCalEvent bags, in text order.
// Dates come in local time: RDATE and EXDATE as lists (RDATE periods' ends in
// "rdate_end"), times in a zone the system does not know through the file's own
// VTIMEZONE, or as local time with that zone id under "unknown_tzid". A start given in
// a zone or in UTC also keeps its reading there (ICalWallTime) under "dtstart_zone",
// a due time under "due_zone". A floating start, end or due time that the local clock
// skips keeps its reading as written (UTC spec) under "dtstart_written", "dtend_written"
// or "due_written".
// Alarms are not read; a block that has one gets "valarm" = true.
class QCalParser : public QObject
{
    Q_OBJECT

public:
    explicit QCalParser(QObject *parent = nullptr);
    ~QCalParser() override;

    // Opens a closed file read-only; false only when that fails. The file is left open.
    Q_INVOKABLE bool parse(QFile *file, const char *encoding = nullptr);
    Q_INVOKABLE bool parse(const QByteArray &data, const char *encoding = nullptr);

    QList<QCalEventPtr> events() const { return m_events; }
    // True when some bytes of the last parse were no text in the codec (a wrong encoding).
    bool decodingFailed() const { return m_undecodable > 0; }
    // How many characters could not be decoded; each became a replacement character.
    int undecodable() const { return m_undecodable; }

    // Longest unfolded line kept; the rest of a longer line is dropped and logged,
    // so a runaway line cannot take all memory.
    static constexpr qsizetype kMaxLineLength = 4 * 1024 * 1024;

    // The moment an iCalendar DURATION ("P1DT2H", "-PT15M", "P2W") after start; invalid
    // when the text is none.
    static QDateTime addDuration(const QDateTime &start, QStringView duration);
    // Its calendar days and exact seconds, each with the sign; false when the text is none.
    static bool durationParts(QStringView duration, qint64 *days, qint64 *seconds);

private:
    QList<QCalEventPtr> m_events;
    int m_undecodable = 0;
};
