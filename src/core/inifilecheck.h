#pragma once

#include "core/datafileguard.h"

#include <QByteArray>
#include <QSettings>
#include <QString>

#include <optional>

namespace Common {

// What the settings store would lose writing back the INI text it read: it drops, without a word,
// whatever it cannot parse. Nothing for text it reads whole (and for empty text).
std::optional<DataFileGuard::Problem> iniTextProblem(const QByteArray &text);

// The settings store writes its file whenever it syncs: a file it would not write back whole is kept
// aside at once, and the user is told. One far larger than any settings file is moved aside unread.
void guardIniFile(const QString &path);

// Removes what the store's reads and writes of the file, killed part-way, left beside it (see guardedIniFormat).
void removeSettingsLeftovers(const QString &path);

// The native INI form of the settings store, with these differences: a file that waits for its copy (see
// guardIniFile) is not written until the copy is made, tried again at each write; a file far larger than any
// settings file is not read. Its reads and writes go through a temporary file beside the settings file, named
// by temporaryFileTemplate(), never through the system's temporary folder, which no start of the program tidies.
QSettings::Format guardedIniFormat();

} // namespace Common
