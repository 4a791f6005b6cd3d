#pragma once

#include <QString>
#include <QVariant>

// Reading and writing the two event-types files, shared by their storages. A file not read whole is
// noticed by the data-file guard, which keeps it aside before the next write.
namespace EventTypesFile {

enum class ReadResult { Missing, Read, Broken };

// Reads the JSON object of the file; a missing or empty file is Missing, anything unreadable Broken.
// A file of a newer version is Read and noticed. With `watch`, the guard keeps aside what another program
// writes there (DataFileGuard::watch).
ReadResult read(const QString &fileName, QVariantMap *map, bool watch = false);
// False when the file's object has more than its version and `key`: a write would leave the rest out.
bool holdsOnly(const QVariantMap &map, const QString &key);
// {"version": program version, key: value}, written atomically after the old file was kept aside when
// it was noticed; `error` (when given) says why it failed.
bool write(const QString &fileName, const QString &key, const QVariant &value, QString *error = nullptr);

} // namespace EventTypesFile
