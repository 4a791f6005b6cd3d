#pragma once

#include <QString>

namespace DisplayCheck {

// Why the program's windows cannot be shown in this session, or empty when they can as far as can be
// told before the GUI starts: without a display Qt would abort with a core dump instead of saying so.
QString problem();

} // namespace DisplayCheck
