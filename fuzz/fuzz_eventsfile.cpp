// Feeds arbitrary bytes to the events manager as its events file, then changes and saves it.
// Whatever the file held, the manager must come up with a listed default calendar, every event in a
// listed calendar, and a file it could not read must be kept, byte for byte, beside the new one.
#include "core/clock.h"
#include "core/jsonparser.h"
#include "store/eventsmanager.h"

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QTemporaryDir>

#include <cstddef>
#include <cstdint>
#include <cstdlib>

namespace {
QTemporaryDir *s_dir = nullptr;

// An event's content without what each reading makes anew when the file names none: the event's id,
// and the id of the default calendar made for a file without one.
QByteArray content(const AbstractCommonEvent &event, const QByteArray &input)
{
    QVariantMap map = event.saveToVariant(AbstractCommonEvent::SaveWithPhotoFlag).toMap();
    const auto drop = [&map](const QString &key) {
        map.remove(key);
        QVariantMap shared = map.value(QStringLiteral("abstract")).toMap();
        shared.remove(key);
        map.insert(QStringLiteral("abstract"), shared);
    };
    if (!input.contains(event.id()))
        drop(QStringLiteral("id"));
    if (!input.contains(event.calendarId()))
        drop(QStringLiteral("calendarId"));
    return QByteArray::number(event.type()) + Common::toJson(map);
}

// The file's text read into maps and loaded from them must give what reading it directly gave.
void compareWithMaps(const EventsManager &read, const QByteArray &input)
{
    QVariant top;
    try {
        top = Common::readJson(input);
    } catch (const Common::JsonParserException &) {
        return;
    }
    const QVariant events = top.toMap().value(QStringLiteral("Events"));
    if (top.userType() != QMetaType::QVariantMap || events.userType() != QMetaType::QVariantMap)
        return;
    EventsManager mapped(QString{});
    mapped.objectFromMap(events.toMap());
    if (mapped.count() != read.count() || mapped.errorString() != read.errorString())
        std::abort();
    for (int i = 0; i < read.count(); ++i) {
        if (content(*read.eventByIndex(i), input) != content(*mapped.eventByIndex(i), input))
            std::abort();
    }
}

QByteArray readAll(const QString &path)
{
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}
} // namespace

extern "C" int LLVMFuzzerInitialize(int *, char ***)
{
    qInstallMessageHandler([](QtMsgType, const QMessageLogContext &, const QString &) {});
    QCoreApplication::setApplicationVersion(QStringLiteral("3.3.0"));
    // Events that name no stamp take the clock's time: one time for both readings.
    Common::Clock::pin(QDateTime(QDate(2026, 2, 1), QTime(12, 0)));
    // Removed when the run ends, with the last inputs in it.
    static QTemporaryDir dir;
    s_dir = &dir;
    return s_dir->isValid() ? 0 : 1;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    QDir(s_dir->path()).removeRecursively();
    QDir().mkpath(s_dir->path());
    const QString file = s_dir->filePath(QStringLiteral("events.dat"));
    const QByteArray input(reinterpret_cast<const char *>(data), qsizetype(size));
    {
        QFile out(file);
        if (!out.open(QIODevice::WriteOnly) || out.write(input) != input.size())
            return 0;
    }

    EventsManager manager(file);
    compareWithMaps(manager, input);
    if (manager.calendarsCount() < 1 || !manager.calendarById(manager.defaultCalendarId()).valid())
        std::abort();
    for (const AbstractCommonEventPtr &event : manager.events())
        if (!event || !manager.calendarById(event->calendarId()).valid())
            std::abort();

    const bool keepsCopy = manager.hasError();
    manager.addCalendar(CalendarInfo(QStringLiteral("fuzz")));
    if (keepsCopy && readAll(s_dir->filePath(QStringLiteral("events.bak"))) != input)
        std::abort();
    if (manager.hasError())
        std::abort();

    EventsManager again(file);
    if (again.hasError() || again.count() != manager.count() || again.calendarsCount() != manager.calendarsCount())
        std::abort();
    return 0;
}
