#pragma once

#include <QString>

namespace Common {

// Makes the folder `path` with every missing folder above it, each for this user alone (0700), as the XDG
// base-directory layout asks: another user of the machine reads no event or list of ours. A folder there
// already keeps its mode. True when `path` is a folder afterwards.
bool makePrivateFolder(const QString &path);

} // namespace Common
