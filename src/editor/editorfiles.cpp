// The editor's file operations: export, import, backup, restore and print.

#include "editor/editor.h"

#include "core/clock.h"
#include "core/iapplication.h"
#include "core/log.h"
#include "core/statcollector.h"
#include "core/usermessages.h"
#include "editor/editorfilenames.h"
#include "editor/printtabledialog.h"
#include "editor/selectencodingdialog.h"
#include "store/editorcommands.h"
#include "store/eventsimporter.h"
#include "store/eventsmanager.h"
#include "store/ibackupmanager.h"

#include <QCoreApplication>
#include <QAbstractItemView>
#include <QDir>
#include <QFileInfo>
#include <QUuid>

void Editor::onExportSelectionButton()
{
    exportEvents(selectedEvents());
}

void Editor::onExportAllEventsButton()
{
    exportEvents(allEventsIds());
}

void Editor::exportEvents(const QList<int> &eventIndexes)
{
    QString fileName = m_ask->saveFileName(this, tr("Export Events"), m_lastDirectory, EditorFileNames::exportFilter(),
                                           QStringLiteral("evt"));
    if (fileName.isEmpty())
        return;
    fileName = EditorFileNames::withSuffix(fileName, QStringLiteral("evt"));
    m_lastDirectory = QFileInfo(fileName).absolutePath();
    if (!m_manager->exportEvents(fileName, eventIndexes)) {
        Common::UserMessages::information(tr("Export"), tr("Failed to export events"), this);
        return;
    }
    StatCollector::incrementCounter("f_export_quillane");
}

void Editor::onImportButton()
{
    const QString fileName = m_ask->openFileName(this, tr("Import Events"), m_lastDirectory,
                                                 EditorFileNames::importFilter(QCoreApplication::applicationName()));
    if (fileName.isEmpty())
        return;
    m_lastDirectory = QFileInfo(fileName).absolutePath();
    const int format = EventsImporter::formatForFileName(fileName);
    switch (format) {
    case EventsImporter::QuillaneEventsFormat:
        StatCollector::incrementCounter("f_import_quillane");
        break;
    case EventsImporter::ICalendarFormat:
        StatCollector::incrementCounter("f_import_ical");
        break;
    case EventsImporter::CsvFormat:
        StatCollector::incrementCounter("f_import_csv");
        break;
    default:
        Common::UserMessages::information(tr("Import Error"), EventsImporter::unknownFormatText(), this);
        return;
    }
    SelectEncodingDialog dialog(this, format != EventsImporter::QuillaneEventsFormat);
    dialog.setFileName(fileName);
    if (!m_ask->run(&dialog))
        return;
    importEvents(fileName, format, dialog.encoding(), dialog.calendar(), dialog.keepsUndecodable());
}

int Editor::importEvents(const QString &fileName, int format, const QByteArray &encoding, CalendarInfo calendar,
                         bool keepUndecodable)
{
    const bool newCalendar = calendar.id.isEmpty();
    const QByteArray targetId = newCalendar ? QUuid::createUuid().toString().toLatin1() : calendar.id;

    EventsImporter importer(format);
    importer.setKeepUndecodable(keepUndecodable);
    const QList<AbstractCommonEventPtr> events = importer.import(fileName, encoding);
    if (importer.hasError()) {
        Common::UserMessages::information(tr("Import Error"), importer.errorString(), this);
        return -1;
    }
    for (const AbstractCommonEventPtr &event : events)
        event->setCalendarId(targetId, true);
    if (!events.isEmpty()) {
        if (newCalendar) {
            calendar.id = targetId;
            QR_ASSERT(!calendar.name.isEmpty());
        }
        // One step, which takes the place of held events of the same ids.
        COMMAND(
            new ImportEventsCommand(m_manager, events, newCalendar ? calendar : CalendarInfo(), tr("Import Event(s)")));
    }
    Common::UserMessages::information(tr("Import"), EventsImporter::resultText(int(events.count()), importer.notes()),
                                      this);
    return int(events.count());
}

void Editor::backup()
{
    IBackupManager *manager = IApplication::instance()->backupManager();
    if (!QR_CHECK(manager))
        return;
    const QString proposed = EditorFileNames::proposedBackupPath(m_lastDirectory, Common::Clock::today());
    QString fileName =
        m_ask->saveFileName(this, tr("Backup"), proposed, EditorFileNames::backupFilter(), QStringLiteral("qbf"));
    if (fileName.isEmpty())
        return;
    fileName = EditorFileNames::withSuffix(fileName, QStringLiteral("qbf"));
    m_lastDirectory = QFileInfo(fileName).absolutePath();
    if (!manager->backup(fileName))
        Common::UserMessages::information(tr("Backup"), tr("Failed to create backup file"), this);
}

void Editor::restore()
{
    IBackupManager *manager = IApplication::instance()->backupManager();
    if (!QR_CHECK(manager))
        return;
    const QString fileName = m_ask->openFileName(this, tr("Restore"), m_lastDirectory, EditorFileNames::backupFilter());
    if (fileName.isEmpty())
        return;
    m_lastDirectory = QFileInfo(fileName).absolutePath();
    COMMAND(new RestoreCommand(manager, fileName));
}

void Editor::print()
{
    QList<int> indexes;
    QAbstractItemView *view = currentView();
    if (view && view->currentIndex().isValid() && view->selectionModel()->hasSelection())
        indexes = selectedEvents();
    PrintTableDialog dialog(this, m_manager, indexes);
    m_ask->run(&dialog);
}
