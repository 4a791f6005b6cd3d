#pragma once

#include <QString>

namespace Common {

// One line naming the running system, such as
// "Debian GNU/Linux 12 (bookworm) (linux 6.1.0-18-amd64) 64-bit"; never empty.
QString osDescription();

// The line built from its parts; an empty product falls back to "Linux".
QString composeOsDescription(const QString &product, const QString &kernelType, const QString &kernelVersion,
                             const QString &architecture);

} // namespace Common
