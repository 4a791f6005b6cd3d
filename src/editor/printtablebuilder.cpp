#include "editor/printtablebuilder.h"

#include "store/eventsmanager.h"

#include <QSet>
#include <QTextDocument>
#include <QUrl>

#include <algorithm>

namespace PrintTableBuilder {

QList<PrintRow> collectRows(const EventsManager &manager, const PrintSettings &settings, const QList<int> &selected)
{
    QList<PrintRow> rows;
    const QDate begin = settings.period.beginDate();
    const QDate end = settings.period.endDate();
    const QSet<int> chosen(selected.cbegin(), selected.cend());
    const int count = manager.count();
    for (int i = 0; i < count; ++i) {
        const AbstractCommonEventPtr event = manager.eventByIndex(i);
        if (!event)
            continue;
        if (settings.selectedOnly && !chosen.contains(i))
            continue;
        if (settings.recurrent == PrintSettings::HideRecurrent && event->occurrence().type() != IOccurrence::Once)
            continue;
        if (!settings.eventTypeName.isEmpty() && event->typeName() != settings.eventTypeName)
            continue;
        if (!settings.calendarId.isEmpty() && event->calendarId() != settings.calendarId)
            continue;
        QList<QDate> dates = event->occurrences(begin, end);
        if (dates.isEmpty())
            continue;
        if (settings.recurrent != PrintSettings::ShowAllRecurrent)
            dates = {dates.constFirst()};
        addRows(rows, manager, *event, dates);
    }
    const QPair<int, int> keys = sortKeys(settings);
    sortRows(rows, keys.first, keys.second);
    return rows;
}

void addRows(QList<PrintRow> &rows, const EventsManager &manager, const AbstractCommonEvent &event,
             const QList<QDate> &dates)
{
    PrintRow row;
    row.caption = event.caption();
    row.comment = event.comment();
    row.typeName = event.typeName();
    row.recurrence = event.occurrence().description();
    row.calendarName = manager.calendarById(event.calendarId()).name;
    if (event.period().hasTime())
        row.time = event.period().beginTime();
    for (const QDate &date : dates) {
        row.date = date;
        rows.append(row);
    }
}

QPair<int, int> sortKeys(const PrintSettings &settings)
{
    int sort1 = -1;
    int sort2 = -1;
    const bool byCaption = settings.sortBy == PrintSettings::SortByCaption;
    switch (settings.groupBy) {
    case PrintSettings::GroupByDate:
        sort1 = PrintRow::DateColumn;
        break;
    case PrintSettings::GroupByType:
        sort1 = PrintRow::TypeNameColumn;
        break;
    case PrintSettings::GroupByCalendar:
        sort1 = PrintRow::CalendarNameColumn;
        break;
    default:
        break;
    }
    if (sort1 != -1)
        sort2 = byCaption ? PrintRow::CaptionColumn : PrintRow::DateColumn;
    else
        sort1 = byCaption ? PrintRow::CaptionColumn : PrintRow::DateColumn;
    if (sort2 == sort1)
        sort2 = -1;
    return {sort1, sort2};
}

void sortRows(QList<PrintRow> &rows, int sort1, int sort2)
{
    std::stable_sort(rows.begin(), rows.end(), RowLessThan(sort1, sort2));
}

namespace {

QString groupText(const PrintRow &row, const PrintRow &previous, int groupBy, const QLocale &locale)
{
    switch (groupBy) {
    case PrintSettings::GroupByDate:
        return row.date != previous.date ? locale.toString(row.date, QLocale::ShortFormat) : QString();
    // Names are sorted ignoring case, so they group ignoring case too, or "Home" and "home" interleave.
    case PrintSettings::GroupByType:
        return row.typeName.compare(previous.typeName, Qt::CaseInsensitive) != 0 ? row.typeName : QString();
    case PrintSettings::GroupByCalendar:
        return row.calendarName.compare(previous.calendarName, Qt::CaseInsensitive) != 0 ? row.calendarName : QString();
    default:
        return QString();
    }
}

QString cellValue(const PrintRow &row, int column, const HtmlOptions &options)
{
    switch (column) {
    case PrintRow::DateColumn:
        return options.locale.toString(row.date, QLocale::ShortFormat);
    case PrintRow::TimeColumn:
        return row.time.isNull() ? QString() : row.time.toString(options.timeFormat);
    case PrintRow::CaptionColumn:
        return row.caption;
    case PrintRow::CommentColumn:
        return row.comment;
    case PrintRow::RecurrenceColumn:
        return row.recurrence;
    default:
        return QString();
    }
}

} // namespace

QString html(const QList<PrintRow> &rows, const PrintSettings &settings, const HtmlOptions &options)
{
    QList<int> columns = settings.columns;
    // With date groups the date shows only in the group lines.
    if (settings.groupBy == PrintSettings::GroupByDate)
        columns.removeAll(PrintRow::DateColumn);

    QString lines;
    lines.reserve(rows.count() * 96);
    if (settings.header) {
        lines += QLatin1String("<tr>");
        for (int column : std::as_const(columns))
            lines +=
                QLatin1String("<th>") + options.columnTitles.value(column).toHtmlEscaped() + QLatin1String("</th>");
        lines += QLatin1String("</tr>");
    }
    const QString span = QString::number(columns.count());
    PrintRow previous;
    for (const PrintRow &row : rows) {
        const QString group = groupText(row, previous, settings.groupBy, options.locale);
        if (!group.isEmpty()) {
            lines += QLatin1String("<tr><td class='group' colspan='") + span + QLatin1String("'>") +
                     group.toHtmlEscaped() + QLatin1String("</td></tr>");
        }
        lines += QLatin1String("<tr>");
        for (int i = 0; i < columns.count(); ++i) {
            const bool groupItem = settings.groupBy != PrintSettings::NoGroup && i == 0;
            lines += groupItem ? QLatin1String("<td class='groupitem'>") : QLatin1String("<td >");
            // A comment's own line breaks stay, as breaks of the cell.
            lines += cellValue(row, columns.at(i), options)
                         .toHtmlEscaped()
                         .replace(QLatin1Char('\n'), QLatin1String("<br>")) +
                     QLatin1String("</td>");
        }
        lines += QLatin1String("</tr>");
        previous = row;
    }
    const QString attributes =
        settings.borderLines ? QStringLiteral("border='1' cellpadding='0' cellspacing='0'") : QString();
    return QLatin1String("\t\t<html>\t\t\t<head>\t\t\t\t<link rel='stylesheet' type='text/css' href='format.css'>"
                         "\t\t\t</head>\t\t\t<body>\t\t\t\t<table width='100%' ") +
           attributes + QLatin1String(">") + lines + QLatin1String("</table>\t\t\t</body>\t\t</html>");
}

QString styleSheet()
{
    return QStringLiteral("td, th { padding: 3px 3px 3px 3px; }\n"
                          "table { border-style: solid; }\n"
                          "th { background-color: #cccccc; font-weight: bold; }\n"
                          "td.group { background-color: #e0e0e0; }\n"
                          "td.groupitem { padding-left: 10px; }\n");
}

QTextDocument *document(const QString &html)
{
    auto *document = new QTextDocument;
    document->addResource(QTextDocument::StyleSheetResource, QUrl(QStringLiteral("format.css")), styleSheet());
    document->setHtml(html);
    return document;
}

} // namespace PrintTableBuilder
