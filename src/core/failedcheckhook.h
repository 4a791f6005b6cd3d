#pragma once

#include <QByteArray>

namespace Common {

// Tests only: told of each failed check once it is logged, so that a test run can fail on it.
using FailedCheckHook = void (*)(const char *file, int line, const QByteArray &message);
void setFailedCheckHook(FailedCheckHook hook);

} // namespace Common
