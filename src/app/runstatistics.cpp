#include "app/runstatistics.h"

#include "core/statcollector.h"
#include "platform/osdescription.h"
#include "store/eventsmanager.h"

#include <QCoreApplication>
#include <QDir>
#include <QLocale>

#include <memory>

namespace RunStatistics {

namespace {
std::unique_ptr<StatCollector::WriteBatch> &startBatch()
{
    static std::unique_ptr<StatCollector::WriteBatch> s_batch;
    return s_batch;
}
} // namespace

void begin(QSettings *settings, const QString &dataLocation)
{
    StatCollector::holdStore();
    startBatch() = std::make_unique<StatCollector::WriteBatch>();
    StatCollector::init(settings, QDir(dataLocation).filePath(QStringLiteral("stat.dat")));
    if (StatCollector::isFirstStart()) {
        const QLocale system = QLocale::system();
        StatCollector::setString("system_country", true, QLocale::territoryToString(system.territory()));
        StatCollector::setString("system_language", true, QLocale::languageToString(system.language()));
    }
    StatCollector::addInt("number_of_starts", true, 1);
    StatCollector::setString("app_name", false, QCoreApplication::applicationName());
    StatCollector::setString("app_ver", false, QCoreApplication::applicationVersion());
    StatCollector::setString("os_name", true, Common::osDescription());
}

void endStart()
{
    StatCollector::releaseStore();
    startBatch().reset();
}

void countEventTypes(const EventsManager &events)
{
    const QMap<QByteArray, int> counts = events.eventsCountByType();
    for (auto it = counts.cbegin(); it != counts.cend(); ++it)
        StatCollector::setInt(it.key() + "_count", false, it.value());
}

void countEvents(const EventsManager &events)
{
    StatCollector::setInt("events_count", false, events.count());
    StatCollector::setInt("calendars_count", false, events.calendarsCount());
}

} // namespace RunStatistics
