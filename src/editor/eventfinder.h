#pragma once

#include <QDate>
#include <QLocale>
#include <QModelIndex>
#include <QString>

#include <functional>

// The editor's text and date search over a model, apart from the views it moves.
namespace EventFinder {

// Looks at the cells from `from` to `to`, both included; answers the first match or an invalid index.
using Finder = std::function<QModelIndex(const QModelIndex &from, const QModelIndex &to)>;

// The cell after `current`, down the column first, from the last cell back to the first.
QModelIndex nextCell(const QModelIndex &current);

// Moves `current` one cell on and searches from there to the end, then from the start up to
// and including it: one search sees every cell, wrapping around once.
QModelIndex wrapAroundFind(QModelIndex &current, const Finder &finder);

// The text a cell shows for the search: dates in the locale's short format, texts as they are;
// anything else (day counts, icons) is never matched.
QString cellText(const QVariant &value, const QLocale &locale);

// Table cells in column-major order whose text contains `text`, ignoring case.
QModelIndex findInTable(const QModelIndex &from, const QModelIndex &to, const QString &text, const QLocale &locale);

// Rows of column 0 whose caption, or next date (`dateRole`) as a short date, contains `text`.
QModelIndex findInList(const QModelIndex &from, const QModelIndex &to, const QString &text, const QLocale &locale,
                       int dateRole);

// A typed date in the locale's short format. A four-digit year is tried first; a two-digit year
// lands in the hundred years around `today`.
QDate parseDate(const QString &text, const QLocale &locale, const QDate &today);

} // namespace EventFinder
