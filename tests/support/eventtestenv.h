#pragma once

#include "core/clock.h"
#include "core/properties.h"
#include "core/storage.h"
#include "fakeapplication.h"

#include <QDir>

#include <memory>

// An application with the settings and the picture storage the events read, and a pinned clock.
struct EventTestEnv
{
    explicit EventTestEnv(const QDateTime &now = QDateTime(QDate(2026, 3, 10), QTime(9, 30)))
    {
        Common::Clock::pin(now);
        properties = std::make_unique<Properties>(nullptr, QDir(app.dataLocation()).filePath("prop.dat"));
        properties->addProperty("removeTextToday", false);
        properties->addProperty("removeTextDayXfromY", false);
        properties->addProperty("notifyMinutes", 15);
        properties->addProperty("notifyDays", 0);
        properties->addProperty("showAppointmentInMovingLine", true);
        properties->addProperty("showAppointmentReminder", true);
        app.m_properties = properties.get();
        storage = std::make_unique<Storage>(QDir(app.dataLocation()).filePath("pixmaps.dat"));
        app.m_storage = storage.get();
    }
    ~EventTestEnv()
    {
        app.m_storage = nullptr;
        app.m_properties = nullptr;
        Common::Clock::unpin();
    }

    FakeApplication app;
    std::unique_ptr<Properties> properties;
    std::unique_ptr<Storage> storage;
};
