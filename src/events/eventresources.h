#pragma once

#include <QIcon>
#include <QPixmap>

#include <initializer_list>

// Registers the kinds' pictures. The model library is static, so the linker would drop
// the resource data unless some code refers to it; call before loading any picture.
void initEventResources();

// An icon made of the given resource files (one per size), resources registered first.
QIcon eventIcon(std::initializer_list<const char *> files);

// The icon's smallest or largest stored size as a pixmap; null when it has none.
QPixmap smallestPixmap(const QIcon &icon);
QPixmap largestPixmap(const QIcon &icon);
