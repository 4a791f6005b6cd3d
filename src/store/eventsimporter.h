#pragma once

#include "events/abstractcommonevent.h"

#include <QByteArray>
#include <QList>
#include <QString>

#include <memory>

// What an import read but could not keep, for the message that tells the user.
struct ImportNotes
{
    int skipped = 0;          // rows or entries without a readable date, or with no text
    QList<int> skippedRows;   // the first of the skipped CSV rows, counted from 1
    int exceptionsLost = 0;   // recurring entries whose left-out dates (EXDATE) are not kept
    int movedInstances = 0;   // changed instances (RECURRENCE-ID) imported as events of their own
    bool partlyRead = false;  // an events file of which some events could not be read
};

// Reads new events from a file of one format. The events come back in file order,
// without a calendar; what to do with them is the caller's business.
class IEventsImporter
{
public:
    virtual ~IEventsImporter() = default;
    // The encoding names the text codec of text formats; the own format ignores it.
    virtual QList<AbstractCommonEventPtr> import(const QString &fileName, const QByteArray &encoding) = 0;
    virtual bool hasError() const = 0;
    virtual QString errorString() const = 0;
    virtual ImportNotes notes() const { return {}; }
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
