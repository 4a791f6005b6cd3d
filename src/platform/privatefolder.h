#pragma once

#include <QString>
#include <QStringList>

namespace Common {

// Makes the folder `path` with every missing folder above it, each for this user alone (0700), as the XDG
// base-directory layout asks: another user of the machine reads no event or list of ours. A folder there
// already keeps its mode. True when `path` is a folder afterwards.
bool makePrivateFolder(const QString &path);
// The first of `paths` that is there and belongs to another user than this process's, whose number goes into
// `owner`; empty when none does.
QString otherUsersPath(const QStringList &paths, uint *owner = nullptr);
// The user's login name, or the number where the user has none.
QString userName(uint uid);

} // namespace Common
