#pragma once

#include "core/properties.h"
#include "fakeapplication.h"
#include "gadgets/gadget.h"
#include "platform/iwindowprobe.h"
#include "testhelpers.h"

#include <QCoreApplication>
#include <QDir>
#include <QEvent>
#include <QJsonDocument>
#include <QJsonObject>

#include <functional>
#include <memory>

// Answers "is this window what the user sees here" as the test says; by default nothing is ours.
class FakeWindowProbe : public IWindowProbe
{
public:
    bool isWindowAt(const QWindow *, const QPoint &globalPos) override { return m_visibleAt && m_visibleAt(globalPos); }
    std::function<bool(const QPoint &)> m_visibleAt;
};

// A fake application with its own data folder and property store, and the fake window probe in place.
struct GadgetTestEnv
{
    GadgetTestEnv()
    {
        properties = std::make_unique<Properties>(nullptr, QDir(app.m_dataLocation).filePath(QStringLiteral("prop.dat")));
        app.m_properties = properties.get();
        Gadget::setWindowProbe(&probe);
    }
    ~GadgetTestEnv()
    {
        // Closed gadgets go on the event loop; let them go while their application is still there.
        QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
        Gadget::setWindowProbe(nullptr);
        app.m_properties = nullptr;
    }

    QString dataFile(const QString &name) const { return QDir(app.m_dataLocation).filePath(name); }
    QJsonObject readJson(const QString &name) const
    {
        return QJsonDocument::fromJson(TestHelpers::readFile(dataFile(name))).object();
    }

    FakeApplication app;
    std::unique_ptr<Properties> properties;
    FakeWindowProbe probe;
};
