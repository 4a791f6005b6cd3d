#pragma once

#include "events/abstractcommonevent.h"

#include <QByteArray>
#include <QList>
#include <QString>

#include <memory>

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

    // The format for a file's suffix, compared in upper case ("EVT", "ICS", "CSV");
    // -1 for any other suffix, "vcs" included, which callers refuse with unknownFormatText().
    static int formatForFileName(const QString &fileName);
    static QString unknownFormatText();

private:
    std::unique_ptr<IEventsImporter> m_impl;
};
