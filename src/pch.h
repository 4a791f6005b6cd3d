#pragma once
// Precompiled Qt headers shared by every layer.
#include <QtCore/QtCore>
#include <QtGui/QtGui>
