#pragma once

#include <QIcon>
#include <QStringList>

// Registers the kinds' pictures. The model library is static, so the linker would drop
// the resource data unless some code refers to it; call before loading any picture.
void initEventResources();

// An icon made of the given resource files (one per size), resources registered first.
QIcon eventIcon(const QStringList &files);
