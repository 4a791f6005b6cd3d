#pragma once

#include <QHash>
#include <QString>
#include <QStringList>

// The theme sheets' template language: "<?=key?>" stands for the value of key.
namespace CssTemplate {

// One pass from left to right: each placeholder is replaced by its value as it stands (a value that itself
// holds "<?=" is not read again). A key without a value gives empty text and is listed in `missing`.
// An opening "<?=" without its closing "?>" is kept as text.
QString render(const QString &text, const QHash<QString, QString> &values, QStringList *missing = nullptr);

} // namespace CssTemplate
