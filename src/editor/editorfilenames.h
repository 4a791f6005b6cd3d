#pragma once

#include <QDate>
#include <QString>

// File names and dialog filters of the editor's import, export and backup.
namespace EditorFileNames {

// The formats the store reads: events files, iCalendar and CSV (the store refuses vCalendar).
QString importFilter(const QString &applicationName);
QString exportFilter();
QString backupFilter();

// The name with ".suffix" added when it ends in another suffix or none; desktop file dialogs add none.
QString withSuffix(const QString &fileName, const QString &suffix);

// "Quillane Reminder <date>" in the folder, with the platform's separators.
QString proposedBackupPath(const QString &folder, const QDate &today);

} // namespace EditorFileNames
