#pragma once

#include <QString>

// The shared widgets' pictures and the application style sheet live in a static library's
// resources; this keeps them linked in. Safe to call any number of times.
void initWidgetResources();

// The text of ":/Ostrevalder/styles.css", which the application installs at start.
QString applicationStyleSheet();
