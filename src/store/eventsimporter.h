#pragma once

#include "events/abstractcommonevent.h"

#include <QByteArray>
#include <QDate>
#include <QList>
#include <QString>
#include <QStringList>

#include <memory>

// What an import read but could not keep, for the message that tells the user.
struct ImportNotes
{
    int skipped = 0;        // entries without a readable date or text; CSV rows with no date
    QList<int> skippedRows; // the first of the CSV rows with no date, counted from 1
    int invalidDates = 0;   // CSV rows whose date does not exist (31.02.)
    QList<int> invalidDateRows;
    int noText = 0; // CSV rows with a date and no text
    QList<int> noTextRows;
    int captionEmpty = 0; // CSV rows with an empty second column and text in a later one
    QList<int> captionEmptyRows;
    int timeAsCaption = 0; // CSV rows whose second column holds a time
    QList<int> timeAsCaptionRows;
    int otherOrder = 0; // CSV rows whose date fits only the order not taken
    QList<int> otherOrderRows;
    int twoDigitYears = 0; // CSV rows with a two-digit year in a file not in the system's order
    QList<int> twoDigitYearRows;
    int timesNotRead = 0; // CSV rows with a time that could not be read, imported for the whole day
    QStringList timesNotReadNamed;
    // The order the CSV dates were read in, and why, when the file leaves it open: every date
    // reads both ways, or the dates that read one way only disagree. The example is a date
    // of the file and how it was read.
    enum DateOrder { OrderFromFile, DayFirst, MonthFirst } dateOrder = OrderFromFile;
    enum DateOrderReason { OrderSettled, EveryDateBoth, MostDates, AsManyEachWay } dateOrderReason = OrderSettled;
    QString dateOrderExample;
    QDate dateOrderExampleDate;
    int cancelled = 0;     // cancelled entries (STATUS:CANCELLED), left out
    int alarmsNotRead = 0; // entries whose alarms (VALARM) were not read
    QStringList alarmsNotReadNamed;
    int exceptionsLost = 0;     // repeating entries whose cancelled dates (EXDATE, cancelled instances) are not kept
    int movedInstances = 0;     // changed instances (RECURRENCE-ID) imported as events of their own
    int extraDates = 0;         // extra dates (RDATE) imported as events of their own
    int rulesLost = 0;          // entries whose rule the model cannot follow, imported on their first date only
    QStringList rulesLostNamed; // the first of them: caption and reason
    int datesOff = 0;           // series from another zone kept with some dates on another day or hour here
    QStringList datesOffNamed;  // the first of them: caption and which dates differ, by how much
    int localTimes = 0;         // entries read in local time: their zone is unknown and not in the file
    QStringList localTimesNamed;
    int undecodable = 0;     // characters no text in the chosen encoding, kept as replacement characters
    bool partlyRead = false; // an events file of which some events could not be read
};
// Reads new events from a file of one format. The events come back in file order,
// without a calendar; what to do with them is the caller's business.
class IEventsImporter
{
public:
    virtual ~IEventsImporter() = default;
    // The encoding names the text codec of text formats; the own format ignores it.
    virtual QList<AbstractCommonEventPtr> import(const QString &fileName, const QByteArray &encoding) = 0;
    // Text formats: when on, bytes that are no text in the encoding become replacement
    // characters and are counted, instead of refusing the file. For an encoding the user
    // confirmed while seeing where the text does not decode.
    void setKeepUndecodable(bool keep) { m_keepUndecodable = keep; }
    bool keepsUndecodable() const { return m_keepUndecodable; }
    virtual bool hasError() const = 0;
    virtual QString errorString() const = 0;
    virtual ImportNotes notes() const { return {}; }

private:
    bool m_keepUndecodable = false;
};

// Chooses the importer of a format and forwards to it.
class EventsImporter : public IEventsImporter
{
public:
    enum Format { QuillaneEventsFormat = 0, ICalendarFormat = 1, CsvFormat = 2 };

    explicit EventsImporter(int format);
    ~EventsImporter() override;

    QList<AbstractCommonEventPtr> import(const QString &fileName, const QByteArray &encoding) override;
    bool hasError() const override;
    QString errorString() const override;
    ImportNotes notes() const override;

    // The message after an import: how many events came in, what was left out and why,
    // and plainly when nothing could be imported.
    static QString resultText(int imported, const ImportNotes &notes);

    // The format for a file's suffix, compared in upper case ("EVT", "ICS", "CSV");
    // -1 for any other suffix, "vcs" included, which callers refuse with unknownFormatText().
    static int formatForFileName(const QString &fileName);
    static QString unknownFormatText();

private:
    std::unique_ptr<IEventsImporter> m_impl;
};
