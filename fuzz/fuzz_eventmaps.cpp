// Feeds arbitrary JSON text, as the events file holds it, to every kind's map reader, then asks the loaded
// event for its map, texts, dates and reminder; and the same bytes, as text, to the link markup.
#include "core/jsonparser.h"
#include "events/abstractcommonevent.h"
#include "events/eventsfactory.h"

#include <QGuiApplication>

#include <cstddef>
#include <cstdint>

extern "C" int LLVMFuzzerInitialize(int *argc, char ***argv)
{
    qInstallMessageHandler([](QtMsgType, const QMessageLogContext &, const QString &) {});
    new QGuiApplication(*argc, *argv);
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    const QByteArray bytes(reinterpret_cast<const char *>(data), qsizetype(size));
    AbstractCommonEvent::markupLinks(QString::fromUtf8(bytes));

    const QVariant value = Common::readJsonOrNull(bytes);
    for (int kind = EventTypeNotSpecified; kind <= EventTypeTask; ++kind) {
        AbstractCommonEventPtr event = EventsFactory::createEvent(kind);
        event->loadFromVariant(value);
        event->saveToVariant(AbstractCommonEvent::SaveWithPhotoFlag);
        event->text(true);
        event->text(false);
        event->cachedText();
        event->caption();
        event->nextPeriod();
        event->reminderDateTime();
        QStringList names, values;
        event->infoRows(names, values, false);
    }
    // Queued user messages of the events just destroyed are dropped here.
    QCoreApplication::processEvents();
    return 0;
}
