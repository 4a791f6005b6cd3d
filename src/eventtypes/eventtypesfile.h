#pragma once

#include <QString>
#include <QVariant>

// Reading and writing the two event-types files, shared by their storages.
namespace EventTypesFile {

enum class ReadResult { Missing, Read, Broken };

// Reads the JSON object of the file; a missing or empty file is Missing, anything unreadable Broken.
ReadResult read(const QString &fileName, QVariantMap *map);
// Copies an unread file aside; false when it exists and the copy failed.
bool keepAside(const QString &fileName, const char *what);
// {"version": program version, key: value}, written atomically; `error` (when given) says why it failed.
bool write(const QString &fileName, const QString &key, const QVariant &value, QString *error = nullptr);

} // namespace EventTypesFile
