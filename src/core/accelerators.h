#pragma once

#include <QChar>
#include <QString>
#include <QStringList>

// Alt+letter keys of menu entries: the letter after a single '&' in an entry's text.
namespace Accelerators {

// The entry's key letter in lower case; null when it has none.
QChar key(const QString &text);

// Key letters used by more than one of the texts, and the texts that have none ("" for separators
// is left out), so a menu can be checked in one call.
QStringList problems(const QStringList &texts);

// A plain text (a user's name for something; its '&' are shown as they are) made a menu text with a
// key on its first letter or digit not in `taken` (lower case), which is then added to `taken`.
QString withKey(const QString &plainText, QString &taken);

} // namespace Accelerators
