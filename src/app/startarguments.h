#pragma once

#include <QStringList>

// What the command line asks for. The arguments, the program path included, are joined with ","
// and searched for the word, case-sensitively.
namespace StartArguments {

// Started by the desktop at log-on: the bar stays hidden unless events are coming.
bool isSilentStart(const QStringList &arguments);
// Started by the package's removal: ask for feedback and end.
bool isUninstallStart(const QStringList &arguments);

} // namespace StartArguments
