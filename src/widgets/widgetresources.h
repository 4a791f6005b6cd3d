#pragma once

#include <QIcon>
#include <QString>

// The shared widgets' pictures and the application style sheet live in a static library's
// resources; this keeps them linked in. Safe to call any number of times.
void initWidgetResources();

// The text of ":/Ostrevalder/styles.css", which the application installs at start.
QString applicationStyleSheet();

// The picture at `path` and, where one is shipped beside it as "name@2x.png", its double-size twin,
// so menus and tool bars stay sharp on a screen scaled twice, whatever the other screens are.
QIcon sharpIcon(const QString &path);
