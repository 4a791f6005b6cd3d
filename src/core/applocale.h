#pragma once

#include <QLocale>

namespace Common {

// The locale of every date text the program shows (day and month names, short dates):
// the interface language the user chose, else the system's. Qt 6 formats Qt::TextDate
// and QDate::toString patterns in English, so date texts must go through this locale.
QLocale appLocale();
void setAppLocale(const QLocale &locale);

} // namespace Common
