#pragma once

#include "app/settingsvalues.h"
#include "core/properties.h"
#include "runningline/ostrevalder.h"

#include <QtTest>

// What the settings window edits, shared by the tests of its values and of the window.
namespace SettingsTestData {

// Registers every setting with its default; the application must serve `store` meanwhile.
inline void registerAll(Properties *store)
{
    Ostrevalder::registerPanelProperties();
    Ostrevalder::registerTextProperties();
    Ostrevalder::registerMovingProperties();
    store->addProperty("exitWhenMovingLineIsHidden", false);
    store->addProperty("creepingLineVisibilityOption", 2);
    store->addProperty("removeExpiredEvents", false);
    store->addProperty("removeExpiredEventsDays", 0);
    store->addProperty("locale", QVariant());
}

// One row per property id: the id and a value other than its default.
inline void addPropertyRows()
{
    QTest::addColumn<QByteArray>("id");
    QTest::addColumn<QVariant>("value");
    QFont font(QStringLiteral("DejaVu Serif"), 21);
    font.setItalic(true);
    const QGradientStops stops{{0.0, QColor(10, 20, 30)}, {0.4, QColor(200, 0, 0)}, {1.0, QColor(1, 2, 3)}};
    QTest::newRow("panelPosition") << QByteArray("panelPosition") << QVariant(0);
    QTest::newRow("movingTextFont") << QByteArray("movingTextFont") << QVariant(font);
    QTest::newRow("movingTextColor") << QByteArray("movingTextColor") << QVariant(QColor(12, 34, 56));
    QTest::newRow("panelBackgroundGradient")
        << QByteArray("panelBackgroundGradient") << QVariant(Ostrevalder::gradientToByteArray(stops));
    QTest::newRow("adjustBackgroundToWallpaper") << QByteArray("adjustBackgroundToWallpaper") << QVariant(false);
    for (const char *id : SettingsValues::kOptionIds)
        QTest::newRow(id) << QByteArray(id) << QVariant(true);
    QTest::newRow("locale") << QByteArray("locale") << QVariant(QLocale(QLocale::Russian, QLocale::AnyTerritory));
    QTest::newRow("appAutorun") << QByteArray("appAutorun") << QVariant(false);
    QTest::newRow("movingLineSpeed") << QByteArray("movingLineSpeed") << QVariant(3);
    QTest::newRow("movingTextDirection") << QByteArray("movingTextDirection") << QVariant(2);
    QTest::newRow("verticalPause") << QByteArray("verticalPause") << QVariant(2300);
    QTest::newRow("creepingLineVisibilityOption") << QByteArray("creepingLineVisibilityOption") << QVariant(0);
    QTest::newRow("removeExpiredEvents") << QByteArray("removeExpiredEvents") << QVariant(true);
    QTest::newRow("removeExpiredEventsDays") << QByteArray("removeExpiredEventsDays") << QVariant(30);
    QTest::newRow("panelOnTop") << QByteArray("panelOnTop") << QVariant(true);
    QTest::newRow("monitorNumber") << QByteArray("monitorNumber") << QVariant(1);
}

} // namespace SettingsTestData
