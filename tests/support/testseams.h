#pragma once

#include "fakewindowsystem.h"
#include "gadgets/cbackground.h"
#include "gadgets/gadget.h"
#include "modelseams.h"
#include "platform/iwallpapersource.h"
#include "platform/iwindowprobe.h"
#include "runningline/ostrevalder.h"

#include <QImage>

#include <functional>
#include <memory>

// Answers "is this window what the user sees here" as the test says; by default nothing is ours.
class FakeWindowProbe : public IWindowProbe
{
public:
    bool isWindowAt(const QWindow *, const QPoint &globalPos) override { return m_visibleAt && m_visibleAt(globalPos); }
    std::function<bool(const QPoint &)> m_visibleAt;
};

class FakeWallpaperSource : public IWallpaperSource
{
public:
    WallpaperInfo current() override { return m_info; }
    WallpaperInfo m_info;
};

// Every seam of the program with a test's stand-in, installed at once. With a fake desktop the
// gadgets, their background and the bar ask the fakes below; with the real one (an X server test)
// they ask the server. When it goes, each seam is the program's own again.
class TestSeams : public ModelSeams
{
public:
    enum Desktop { FakeDesktop, RealDesktop };

    explicit TestSeams(Desktop kind = FakeDesktop)
    {
        if (kind == RealDesktop)
            return;
        Gadget::setWindowProbe(&windowProbe);
        CBackground::setWallpaperSource(&wallpaper);
        Ostrevalder::Platform platform;
        platform.windowSystem = [this]() -> std::unique_ptr<IWindowSystem> {
            auto system = std::make_unique<FakeWindowSystem>(&windowLog, docks);
            windowSystem = system.get();
            return system;
        };
        platform.sessionActive = [this] { return sessionActive; };
        platform.grabScreen = [this](const QRect &) { return desktop; };
        Ostrevalder::setPlatform(platform);
    }
    ~TestSeams()
    {
        Gadget::setWindowProbe(nullptr);
        CBackground::setWallpaperSource(nullptr);
        Ostrevalder::setPlatform(Ostrevalder::defaultPlatform());
    }

    // Which gadget windows the user sees.
    FakeWindowProbe windowProbe;
    FakeWallpaperSource wallpaper;
    // The bar's window system: what the bar asked of it, whether it docks windows, the last one made.
    QStringList windowLog;
    bool docks = true;
    FakeWindowSystem *windowSystem = nullptr;
    // Whether the user is at the screen, and the desktop's pixels under the bar.
    bool sessionActive = false;
    QImage desktop;
};
