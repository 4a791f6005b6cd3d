#pragma once

#include <QIcon>
#include <QSize>
#include <QString>

namespace Common {

// Adds a PNG file of the program's own to the icon as QIcon::addFile() would. On a screen of one
// device pixel per pixel it is read as PNG without asking every image plugin whether it knows the
// format: that asking loads all of them, and the libraries they need, with the first picture of a
// start, before the bar can show.
void addIconFile(QIcon *icon, const QString &path, const QSize &size = QSize());

} // namespace Common
