#include "app/movinglinefactory.h"

#include "core/iconfiles.h"
#include "runningline/ostrevalder.h"
#include "runningline/simpletextline.h"

#include <QWidget>

namespace MovingLineFactoryPrivate {

// The real bar.
class OstrevalderFactory : public IMovingLineFactory
{
public:
    void registerProperties() override
    {
        Ostrevalder::registerPanelProperties();
        Ostrevalder::registerTextProperties();
        Ostrevalder::registerMovingProperties();
    }
    void startRun() override { SimpleTextLineController::start(); }
    void finishRun() override { SimpleTextLineController::finish(); }
    QWidget *create(const SharedActions &actions) override
    {
        auto *bar = new Ostrevalder(nullptr);
        bar->setSharedActions(actions);
        return bar;
    }
    bool hasRows(QWidget *bar) override
    {
        auto *line = qobject_cast<Ostrevalder *>(bar);
        return line && line->eventsToShowCount() > 0;
    }
    bool hasEventsToShow() override { return Ostrevalder::hasEventsToShow(); }
    void invalidateTimeFilters(QWidget *bar) override
    {
        if (auto *line = qobject_cast<Ostrevalder *>(bar))
            line->invalidateTimeFilters();
    }
    void onTimeZoneChanged(QWidget *bar) override
    {
        if (auto *line = qobject_cast<Ostrevalder *>(bar))
            line->onTimeZoneChanged();
    }
    void close(QWidget *bar) override
    {
        if (auto *line = qobject_cast<Ostrevalder *>(bar))
            line->myClose();
        else if (bar)
            bar->close();
    }
    QIcon logoIcon() override { return programLogo(); }
};

} // namespace MovingLineFactoryPrivate

QIcon programLogo()
{
    // The resources live in a static library: keep them linked in.
    Q_INIT_RESOURCE(app);
    QIcon icon;
    for (int size : {16, 24, 32, 48, 128})
        Common::addIconFile(&icon, QStringLiteral(":/Ostrevalder/icons/calendar/calendar_%1.png").arg(size),
                            QSize(size, size));
    return icon;
}

std::unique_ptr<IMovingLineFactory> createMovingLineFactory()
{
    return std::make_unique<MovingLineFactoryPrivate::OstrevalderFactory>();
}
