#pragma once

#include <QDir>
#include <QWidget>

namespace TestHelpers {

// With QR_SHOTS_DIR set, saves a picture of the widget as <name>.png there for review by eye.
inline void saveShot(QWidget *widget, const QString &name)
{
    const QString dir = qEnvironmentVariable("QR_SHOTS_DIR");
    if (dir.isEmpty() || !widget)
        return;
    QDir().mkpath(dir);
    widget->grab().save(QDir(dir).filePath(name + QStringLiteral(".png")));
}

} // namespace TestHelpers
