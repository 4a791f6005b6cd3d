#include "app/movinglinefactory.h"

#include "core/log.h"

#include <QWidget>

namespace MovingLineFactoryPrivate {

// Stands in until the bar widget exists: every request for a bar says so in the log.
class MissingMovingLine : public IMovingLineFactory
{
public:
    void registerProperties() override {}
    void startRun() override {}
    void finishRun() override {}
    QWidget *create() override
    {
        QR_LOG("The running line is not available in this build; no bar is shown");
        return nullptr;
    }
    bool hasRows(QWidget *) override { return false; }
    bool hasEventsToShow() override { return false; }
    void invalidateTimeFilters(QWidget *) override {}
    void close(QWidget *bar) override { bar->close(); }
    QIcon logoIcon() override { return programLogo(); }
};

} // namespace MovingLineFactoryPrivate

QIcon programLogo()
{
    // The resources live in a static library: keep them linked in.
    Q_INIT_RESOURCE(app);
    QIcon icon;
    for (int size : {16, 24, 32, 48, 128})
        icon.addFile(QStringLiteral(":/Ostrevalder/icons/calendar/calendar_%1.png").arg(size), QSize(size, size));
    return icon;
}

std::unique_ptr<IMovingLineFactory> createMovingLineFactory()
{
    return std::make_unique<MovingLineFactoryPrivate::MissingMovingLine>();
}
