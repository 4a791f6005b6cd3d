#pragma once

#include "editor/printrow.h"
#include "events/abstractcommonevent.h"

#include <QList>
#include <QLocale>
#include <QPair>
#include <QString>
#include <QStringList>

class EventsManager;
class QTextDocument;

// The rows and the HTML of the printed events table, apart from the window that shows them.
namespace PrintTableBuilder {

// Every row the settings ask for, sorted. `selected` holds manager indexes.
QList<PrintRow> collectRows(const EventsManager &manager, const PrintSettings &settings, const QList<int> &selected);
// One row per date for one event.
void addRows(QList<PrintRow> &rows, const EventsManager &manager, const AbstractCommonEvent &event,
             const QList<QDate> &dates);
// The first and second sort key; the second is -1 when there is none.
QPair<int, int> sortKeys(const PrintSettings &settings);
// Stable, so rows equal under every key keep the events' order.
void sortRows(QList<PrintRow> &rows, int sort1, int sort2);

struct HtmlOptions
{
    QStringList columnTitles; // "Date", "Time", "Caption", "Comment", "Recurrence"
    QString timeFormat = QStringLiteral("h:mm");
    QLocale locale;
};
// The whole document text; every value is escaped.
QString html(const QList<PrintRow> &rows, const PrintSettings &settings, const HtmlOptions &options);
// The style sheet the document links as "format.css".
QString styleSheet();
// A new document of that text, the style sheet added; the caller owns it.
QTextDocument *document(const QString &html);

} // namespace PrintTableBuilder
