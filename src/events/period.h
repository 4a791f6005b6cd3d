#pragma once

#include <QDate>
#include <QDateTime>
#include <QMetaType>
#include <QString>
#include <QTime>
#include <QVariant>

class QDataStream;
namespace Common {
class JsonObject;
class JsonWriter;
} // namespace Common

// When an event takes place: a begin day, an optional time of day and an optional end.
// Dates and times are kept apart (never as one local QDateTime), so a wall-clock time that
// falls into a daylight-saving gap is stored and read back unchanged.
class Period
{
public:
    Period();
    explicit Period(const QDate &begin);
    explicit Period(const QDateTime &begin);
    Period(const QDate &begin, const QTime &beginTime);
    Period(const QDate &begin, const QDate &end);
    Period(const QDateTime &begin, const QDateTime &end);
    Period(const QDate &begin, const QTime &beginTime, const QDate &end, const QTime &endTime);

    QDate beginDate() const { return m_beginDate; }
    QTime beginTime() const { return m_beginTime; }
    QDate endDate() const;
    QTime endTime() const;
    QDateTime beginDateTime() const;
    QDateTime endDateTime() const;

    bool hasTime() const { return !m_beginTime.isNull(); }
    bool hasNoEnd() const { return m_endDate.isNull(); }
    bool isValid() const { return !m_beginDate.isNull(); }

    qint64 lengthInDays() const;
    qint64 lengthInMSecs() const;
    qint64 lengthInSecs() const { return lengthInMSecs() / 1000; }
    qint64 lengthInHours() const { return lengthInSecs() / 3600; }

    bool operator==(const Period &other) const;
    bool operator!=(const Period &other) const { return !(*this == other); }

    Period addDays(qint64 days) const;

    QVariant toJson() const;
    // Writes what toJson() gives, without building it.
    void writeJson(Common::JsonWriter &writer) const;
    void fromJson(const QVariant &value);
    void fromJson(const Common::JsonObject &object);

    // Day and month names come from the program's locale.
    QString text(const QString &dateFormat, const QString &timeFormat) const;
    QString text(Qt::DateFormat format) const;

private:
    template <class Map> void load(const Map &map);
    void clearTexts();

    QDate m_beginDate;
    QTime m_beginTime;
    QDate m_endDate;
    QTime m_endTime;
    // Memos keep the formats they were made with, so another format never gets a stale text.
    mutable QString m_text;
    mutable QString m_textDateFormat;
    mutable QString m_textTimeFormat;
    mutable QString m_formatText;
    mutable int m_formatTextFormat = -1;
};

QDataStream &operator<<(QDataStream &stream, const Period &period);

Q_DECLARE_METATYPE(Period)
