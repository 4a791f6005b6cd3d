#pragma once

#include "events/birthdayevent.h"
#include "events/weddingevent.h"
#include "events/eventsfactory.h"
#include "events/occurrence.h"
#include "events/period.h"

#include <QStringList>

// The events the programs' benchmarks start with: all kinds, non-ASCII captions, times and
// comments on some, spread over five and a half years, most repeating yearly.
inline AbstractCommonEventPtr makeBenchEvent(int i)
{
    static const QStringList words{QStringLiteral("Überprüfung"), QStringLiteral("Встреча"), QStringLiteral("会議"),
                                   QStringLiteral("café"), QStringLiteral("Zahnarzt")};
    const int kind = i % 5;
    AbstractCommonEventPtr event = EventsFactory::createEvent(kind);
    const QDate date = QDate(2020, 1, 1).addDays(i % 2000);
    const QString caption = words.at(i % words.size()) + QStringLiteral(" №%1").arg(i);
    if (kind == EventTypeBirthday)
        static_cast<BirthdayEvent *>(event.get())->setPersonName(caption);
    else if (kind == EventTypeWedding) // its caption is made of the names
        static_cast<WeddingEvent *>(event.get())->setPersonOneName(caption);
    else
        event->setCaption(caption);
    event->setPeriod(i % 2 ? Period(date, QTime(8 + i % 10, (i * 7) % 60)) : Period(date));
    event->setOccurrence(Occurrence(date, i % 3 ? IOccurrence::Yearly : IOccurrence::Once));
    if (i % 4 == 0)
        event->setComment(QStringLiteral("Notiz %1 — bitte vorher anrufen.").arg(i));
    return event;
}
