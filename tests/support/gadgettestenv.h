#pragma once

#include "core/properties.h"
#include "fakeapplication.h"
#include "testhelpers.h"
#include "testseams.h"

#include <QCoreApplication>
#include <QDir>
#include <QEvent>
#include <QJsonDocument>
#include <QJsonObject>

#include <functional>
#include <memory>

// A fake application with its own data folder and property store, and the test seams in place
// (the fake window probe unless the desktop is the real one).
struct GadgetTestEnv
{
    explicit GadgetTestEnv(TestSeams::Desktop desktop = TestSeams::FakeDesktop) : seams(desktop)
    {
        properties =
            std::make_unique<Properties>(nullptr, QDir(app.m_dataLocation).filePath(QStringLiteral("prop.dat")));
        app.m_properties = properties.get();
    }
    ~GadgetTestEnv()
    {
        // Closed gadgets go on the event loop; let them go while their application is still there.
        QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
        app.m_properties = nullptr;
    }

    QString dataFile(const QString &name) const { return QDir(app.m_dataLocation).filePath(name); }
    QJsonObject readJson(const QString &name) const
    {
        return QJsonDocument::fromJson(TestHelpers::readFile(dataFile(name))).object();
    }

    TestSeams seams;
    FakeWindowProbe &probe = seams.windowProbe;
    FakeApplication app;
    std::unique_ptr<Properties> properties;
};
