#pragma once

#include <QStringList>

// Finding the installed interface languages from the program's translation files.
namespace Localization {

// Whether the name is one of the program's own translation files: "quillane_" + a two-letter
// lower-case language code + ".qm". Anything else in a translations folder is ignored.
bool isOwnTranslationFile(const QString &fileName);
// The program's translation files in the folder, in the folder's (name) order.
QStringList ownTranslationFiles(const QString &folder);
// The two-letter codes of the program's translation files in the folders, each once, in order.
QStringList languageCodes(const QStringList &folders);

} // namespace Localization
