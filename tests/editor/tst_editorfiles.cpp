#include "app/remindercontroller.h"
#include "core/clock.h"
#include "core/deferredcall.h"
#include "core/statcollector.h"
#include "core/usermessages.h"
#include "editor/editor.h"
#include "editor/editorfilenames.h"
#include "editor/printtabledialog.h"
#include "editor/selectencodingdialog.h"
#include "events/eventsfactory.h"
#include "editorwindowenv.h"
#include "fakeeditorask.h"
#include "fakewallclocktimer.h"
#include "store/backupmanager.h"
#include "store/editorcommands.h"
#include "shots.h"
#include "testhelpers.h"
#include "widgets/tableview.h"

#include <QAction>
#include <QCheckBox>
#include <QComboBox>
#include <QGroupBox>
#include <QLabel>
#include <QTextBrowser>
#include <QLineEdit>
#include <QRadioButton>
#include <QSortFilterProxyModel>
#include <QTextCodec>
#include <QUndoStack>
#include <QtTest>

namespace {

int counter(const char *key)
{
    return StatCollector::collect().value(key).toInt();
}

QByteArray vevent(const QByteArray &uid, const QByteArray &start, const QByteArray &summary)
{
    return "BEGIN:VEVENT\r\nUID:" + uid + "\r\nDTSTART" + start + "\r\nSUMMARY:" + summary + "\r\nEND:VEVENT\r\n";
}

QByteArray icsOf(const QByteArray &events)
{
    return "BEGIN:VCALENDAR\r\nVERSION:2.0\r\n" + events + "END:VCALENDAR\r\n";
}

const QByteArray kThreeEvents = icsOf(vevent("u1", ";VALUE=DATE:20260412", "Ostern bei Oma") +
                                      vevent("u2", ":20260501T100000", "Maifeier – Rathausplatz") +
                                      vevent("u3", ";VALUE=DATE:20261224", "Heiligabend"));

QStringList captionsOf(EventsManager &manager)
{
    QStringList result;
    for (int i = 0; i < manager.count(); ++i)
        result << manager.eventByIndex(i)->caption();
    result.sort();
    return result;
}

// An event's fields as stored, without the calendar it sits in.
QVariantMap comparable(const QVariantMap &stored)
{
    QVariantMap map = stored;
    map.remove("calendarId");
    for (auto it = map.begin(); it != map.end(); ++it) {
        if (it.value().typeId() == QMetaType::QVariantMap)
            it.value() = comparable(it.value().toMap());
    }
    return map;
}

QVariantMap comparable(const AbstractCommonEventPtr &event)
{
    return comparable(event->saveToVariant().toMap());
}

QByteArray readAll(const QString &path)
{
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

class DefaultLocale
{
public:
    explicit DefaultLocale(const QLocale &locale) { QLocale::setDefault(locale); }
    ~DefaultLocale() { QLocale::setDefault(m_old); }

private:
    QLocale m_old;
};

// The editor with its questions answered by a fake, and a calendars provider for the import dialog.
struct Env : EditorEnv
{
    Env() : provider(manager.get()), editor(manager.get())
    {
        ask = new FakeEditorAsk;
        editor.setAsk(std::unique_ptr<IEditorAsk>(ask));
        StatCollector::reset();
    }

    // Answers the import dialog: a new calendar with this name, or an existing one by id.
    void answerImport(const QString &name, const QByteArray &existingId = QByteArray(),
                      const QByteArray &encoding = QByteArray())
    {
        ask->dialogRunner = [=](QDialog *dialog) {
            auto *encodingDialog = qobject_cast<SelectEncodingDialog *>(dialog);
            if (!encodingDialog)
                return false;
            if (!existingId.isEmpty()) {
                encodingDialog->existingCalendarButton()->click();
                QComboBox *calendars = encodingDialog->calendars();
                calendars->setCurrentIndex(calendars->findData(existingId));
            } else if (!name.isNull()) {
                encodingDialog->calendarName()->setText(name);
            }
            if (!encoding.isEmpty()) {
                // As a modal run would: the user meets a shown, laid-out dialog.
                encodingDialog->show();
                QCoreApplication::processEvents();
                encodingDialog->autoEncodingCheckBox()->setChecked(false);
                encodingDialog->encodingsBox()->setCurrentIndex(
                    encodingDialog->encodingsBox()->findText(QString::fromLatin1(encoding)));
                // The longer warning is laid out on the next turn of the loop, as a modal run would.
                QCoreApplication::processEvents();
                TestHelpers::saveShot(encodingDialog, "selectencodingdialog-import");
            }
            return true;
        };
    }

    QString write(const QString &name, const QByteArray &content)
    {
        const QString path = dir.filePath(name);
        TestHelpers::writeFile(path, content);
        return path;
    }

    void import(const QString &path)
    {
        ask->fileNames << path;
        editor.onImportButton();
    }

    QUndoStack *stack() const { return UndoObject::undoStack(); }

    CalendarsProvider provider;
    Editor editor;
    FakeEditorAsk *ask = nullptr;
};

} // namespace

class TestEditorFiles : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase()
    {
        TestHelpers::isolateEnvironment();
        QCoreApplication::setApplicationName("Quillane Reminder");
        QCoreApplication::setApplicationVersion("3.3.0");
        Common::DeferredCallProcessor::init();
    }
    void cleanupTestCase() { Common::DeferredCallProcessor::term(); }

    // File names.

    void addsDefaultSuffix_data()
    {
        QTest::addColumn<QString>("typed");
        QTest::addColumn<QString>("saved");
        QTest::newRow("none") << "/home/anna/events"
                              << "/home/anna/events.evt";
        QTest::newRow("own") << "/home/anna/events.evt"
                             << "/home/anna/events.evt";
        QTest::newRow("own in capitals") << "/home/anna/EVENTS.EVT"
                                         << "/home/anna/EVENTS.EVT";
        QTest::newRow("another") << "/home/anna/events.2026"
                                 << "/home/anna/events.2026.evt";
        QTest::newRow("cancelled") << ""
                                   << "";
    }

    void addsDefaultSuffix()
    {
        QFETCH(QString, typed);
        QFETCH(QString, saved);
        QCOMPARE(EditorFileNames::withSuffix(typed, "evt"), saved);
    }

    void proposesBackupInFolder()
    {
        QCOMPARE(EditorFileNames::proposedBackupPath("/home/anna", QDate(2026, 3, 10)),
                 QString("/home/anna/Quillane Reminder 2026-03-10"));
    }

    void importOffersOnlyReadableFormats()
    {
        QCOMPARE(EditorFileNames::importFilter("Quillane Reminder"),
                 QString("Event Files (*.evt *.ics *.csv);;Quillane Reminder (*.evt);;iCalendar (*.ics);;CSV (*.csv)"));
    }

    // Import.

    void importsICalendarIntoNewCalendarAsOneStep()
    {
        Env env;
        env.add(0, "Schon da", Period(QDate(2026, 4, 1)));
        const QString path = env.write("Feiertage.ics", kThreeEvents);
        const QByteArray before = readAll(env.dir.filePath("events.dat"));
        QString proposed;
        env.ask->dialogRunner = [&proposed](QDialog *dialog) {
            auto *encoding = qobject_cast<SelectEncodingDialog *>(dialog);
            proposed = encoding ? encoding->calendarName()->text() : QString();
            return encoding != nullptr;
        };
        env.import(path);
        QCOMPARE(proposed, QString("Feiertage"));
        QCOMPARE(env.manager->count(), 4);
        QCOMPARE(env.manager->calendarsCount(), 2);
        const CalendarInfo created = env.manager->calendars().last();
        QCOMPARE(created.name, QString("Feiertage"));
        QVERIFY(created.id.startsWith('{'));
        QCOMPARE(env.manager->eventsByCalendar(created.id).count(), 3);
        QCOMPARE(env.ask->messages(), QStringList({"Import: Imported 3 events"}));
        QCOMPARE(env.stack()->count(), 1);
        QCOMPARE(env.stack()->undoText(), QString("Import Event(s)"));
        QCOMPARE(counter("f_import_ical"), 1);
        QCOMPARE(env.editor.lastDirectory(), env.dir.path());

        env.stack()->undo();
        QCOMPARE(env.manager->count(), 1);
        QCOMPARE(env.manager->calendarsCount(), 1);
        QCOMPARE(readAll(env.dir.filePath("events.dat")), before);
        env.stack()->redo();
        QCOMPARE(env.manager->count(), 4);
        QCOMPARE(env.manager->calendarById(created.id).name, QString("Feiertage"));
    }

    void importUndoTakesBackOnlyItsChange_data()
    {
        QTest::addColumn<bool>("replacing"); // the file holds the listed events, ids and all
        QTest::addColumn<QString>("since");  // what changed after the import
        QTest::newRow("new events") << false << "";
        QTest::newRow("replacing listed events") << true << "";
        QTest::newRow("an event changed since") << false << "caption";
        QTest::newRow("an imported event deleted, then undone") << false << "imported deleted";
        QTest::newRow("replacing one with a picture, another deleted, then undone") << true << "other deleted";
    }

    void importUndoTakesBackOnlyItsChange()
    {
        QFETCH(bool, replacing);
        QFETCH(QString, since);
        Env env;
        const AbstractCommonEventPtr held = env.add(0, "Zahnarzt", Period(QDate(2026, 4, 1), QTime(8, 30)));
        QPixmap picture(8, 8);
        picture.fill(Qt::red);
        held->setPhoto(picture);
        env.add(0, "Yoga", Period(QDate(2026, 1, 5)), IOccurrence::Weekly);
        env.add(0, "Friseur", Period(QDate(2026, 2, 3)));
        QString path = env.write("Feiertage.ics", kThreeEvents);
        if (replacing) {
            path = env.dir.filePath("held.evt");
            QVERIFY(env.manager->exportEvents(path, {1, 0}));
        }
        const QByteArray before = readAll(env.dir.filePath("events.dat"));
        env.answerImport("Feiertage");
        env.import(path);
        if (since == "caption")
            env.manager->eventAt(env.manager->count() - 1)->setCaption("Geändert");
        if (since.endsWith("deleted")) {
            const int deleted = since == "imported deleted" ? env.manager->count() - 1 : 0;
            env.stack()->push(new RemoveEventCommand(env.manager.get(), env.manager->eventAt(deleted)));
            QCoreApplication::processEvents(); // as between two key presses: the list lets go of the event
            env.stack()->undo();
        }
        env.stack()->undo();
        QCOMPARE(readAll(env.dir.filePath("events.dat")), before);
        // Nothing else changed: the listed events were not read again.
        QCOMPARE(env.manager->eventAt(0) == held, since.isEmpty());
        QVERIFY(env.manager->eventAt(0)->hasStoredPhoto());
        env.stack()->redo();
        QCOMPARE(env.manager->count(), replacing ? 3 : 6);
        env.stack()->undo();
        QCOMPARE(readAll(env.dir.filePath("events.dat")), before);
        QVERIFY(env.manager->eventAt(0)->hasStoredPhoto());
    }

    void importsWindows1251Csv()
    {
        DefaultLocale locale(QLocale(QLocale::German, QLocale::Germany));
        Env env;
        const QString csv = QString::fromUtf8("13.04.2026,День рождения Ивана,Подарок купить\n"
                                              "01.05.2026,Первомай\n");
        const QString path = env.write("Праздники.csv", QTextCodec::codecForName("windows-1251")->fromUnicode(csv));
        env.answerImport(QString(), QByteArray(), "windows-1251");
        env.import(path);
        QCOMPARE(env.ask->messages(), QStringList({"Import: Imported 2 events"}));
        QCOMPARE(captionsOf(*env.manager),
                 QStringList({QString::fromUtf8("День рождения Ивана"), QString::fromUtf8("Первомай")}));
        QCOMPARE(env.manager->calendars().last().name, QString::fromUtf8("Праздники"));
        QCOMPARE(counter("f_import_csv"), 1);
        env.stack()->undo();
        QCOMPARE(env.manager->count(), 0);
        QCOMPARE(env.manager->calendarsCount(), 1);
    }

    // Ticked "detect" and a file that is not UTF-8: the dialog opens on its guess, with the preview.
    void detectsWindows1251AndShowsItsPreview()
    {
        Env env;
        const QByteArray meeting = "\xC2\xF1\xF2\xF0\xE5\xF7\xE0 \xF1 \xC8\xE2\xE0\xED\xEE\xEC";
        const QString path = env.write("work.ics", icsOf(vevent("m1", ":20260501T100000", meeting)));
        QString shown;
        bool listOpen = false;
        env.ask->dialogRunner = [&](QDialog *dialog) {
            auto *encoding = qobject_cast<SelectEncodingDialog *>(dialog);
            if (!encoding)
                return false;
            encoding->show();
            QCoreApplication::processEvents();
            shown = encoding->encodingsBox()->currentText();
            listOpen = encoding->encodingBox()->isVisible() && encoding->guessLabel()->isVisible() &&
                       !encoding->autoEncodingCheckBox()->isChecked() &&
                       encoding->textBrowser()->toPlainText().contains(QString::fromUtf8("Встреча с Иваном"));
            TestHelpers::saveShot(encoding, "selectencodingdialog-guess");
            return true;
        };
        env.import(path);
        QCOMPARE(shown, QString("windows-1251"));
        QVERIFY(listOpen);
        QCOMPARE(captionsOf(*env.manager), QStringList({QString::fromUtf8("Встреча с Иваном")}));
    }

    void utf8ChosenForOtherTextImportsNothing()
    {
        Env env;
        const QString path = env.write("work.ics", icsOf(vevent("m1", ":20260501T100000", "\xC2\xF1\xF2\xF0")));
        env.answerImport("Arbeit", QByteArray(), "UTF-8");
        env.import(path);
        QCOMPARE(env.manager->count(), 0);
        QCOMPARE(env.manager->calendarsCount(), 1);
        QCOMPARE(env.ask->messages().count(), 1);
        QVERIFY(env.ask->messages().constFirst().startsWith("Import Error: The file is not UTF-8 text"));
    }

    // First use: an empty editor on the table page, then an import; no reopening.
    void importIntoShownEditorSizesColumns()
    {
        Env env;
        env.editor.changeViewActions()->actions().at(1)->trigger();
        env.editor.show();
        QVERIFY(QTest::qWaitForWindowExposed(&env.editor));
        env.answerImport("Feiertage");
        env.import(env.write("Feiertage.ics", kThreeEvents));
        QCOMPARE(env.manager->count(), 3);
        QCoreApplication::processEvents();
        TableView *table = env.editor.tableView();
        for (int column = 0; column < table->model()->columnCount() - 1; ++column)
            QVERIFY2(table->columnWidth(column) >= static_cast<QAbstractItemView *>(table)->sizeHintForColumn(column),
                     qPrintable(QString::number(column)));
        TestHelpers::saveShot(&env.editor, "editor_table_after_import");
    }

    void importingTwiceReplacesById_data()
    {
        QTest::addColumn<bool>("newCalendar");
        QTest::newRow("into the default calendar") << false;
        QTest::newRow("as a new calendar") << true;
    }

    void importingTwiceReplacesById()
    {
        QFETCH(bool, newCalendar);
        Env env;
        const QString path = env.write("party.ICS", kThreeEvents);
        env.answerImport("party", newCalendar ? QByteArray() : env.manager->defaultCalendarId());
        env.import(path);
        QCOMPARE(env.manager->count(), 3);
        env.manager->eventById("u1")->setCaption("Changed here");
        env.manager->addEvent(EventsFactory::createEvent(EventTypeNotSpecified, "u1")); // as a file made elsewhere may
        env.import(path);
        QCOMPARE(env.manager->count(), 3);
        QCOMPARE(env.manager->calendarsCount(), newCalendar ? 2 : 1);
        QCOMPARE(env.manager->eventsByCalendar(env.manager->calendars().last().id).count(), 3);
        QCOMPARE(captionsOf(*env.manager), QStringList({"Heiligabend", "Maifeier – Rathausplatz", "Ostern bei Oma"}));
        QCOMPARE(env.stack()->count(), 2);
        env.stack()->undo();
        QCOMPARE(env.manager->calendarsCount(), newCalendar ? 2 : 1);
        QCOMPARE(env.manager->count(), 4);
        QCOMPARE(env.manager->eventById("u1")->caption(), QString("Changed here"));
    }

    // The import replaces an event by removing it and adding the new one under its id: a reminder
    // that fell due in the quarter minute before its window keeps it.
    void reimportKeepsADueReminder()
    {
        Env env;
        const QString path =
            env.write("daily.ics", icsOf(vevent("u9", ":20260310T101500\r\nRRULE:FREQ=DAILY", "Stand-up")));
        env.answerImport(QString(), env.manager->defaultCalendarId());
        env.import(path);
        QStringList shown;
        ReminderController controller(nullptr, [&](const AbstractCommonEventPtr &event) { shown << event->caption(); });
        const QDateTime wake(QDate(2026, 3, 10), QTime(10, 0, 15));
        QCOMPARE(controller.wakeTime(), wake);
        Common::Clock::pin(wake.addSecs(-10));
        env.import(path);
        QCOMPARE(env.manager->count(), 1);
        Common::Clock::pin(wake);
        static_cast<FakeWallClockTimer *>(ReminderController::updateTimer())->fireNow();
        QCOMPARE(shown, QStringList{"Stand-up"});
    }

    void emptyFileImportsNothingAndCreatesNoCalendar()
    {
        Env env;
        env.answerImport("Leer");
        env.import(env.write("leer.ics", icsOf("")));
        QCOMPARE(env.ask->messages(),
                 QStringList({"Import: Nothing was imported: the file holds no event that could be read."}));
        QCOMPARE(env.stack()->count(), 0);
        QCOMPARE(env.manager->calendarsCount(), 1);
    }

    void refusesOtherFormats_data()
    {
        QTest::addColumn<QString>("name");
        QTest::newRow("vCalendar") << "old.vcs";
        QTest::newRow("no suffix") << "events";
    }

    void refusesOtherFormats()
    {
        QFETCH(QString, name);
        Env env;
        env.import(env.write(name, kThreeEvents));
        QCOMPARE(env.ask->messages(), QStringList({"Import Error: Unknown file format"}));
        QCOMPARE(env.ask->runs, 0);
        QCOMPARE(env.manager->count(), 0);
    }

    void cancelledDialogStillCounts()
    {
        Env env;
        env.import(env.write("party.ICS", kThreeEvents));
        QCOMPARE(env.ask->runs, 1);
        QCOMPARE(counter("f_import_ical"), 1);
        QCOMPARE(env.manager->count(), 0);
        QVERIFY(env.ask->messages().isEmpty());
    }

    void reportsImporterErrors()
    {
        Env env;
        env.answerImport("Kaputt");
        env.import(env.write("broken.evt", "{ not json"));
        QCOMPARE(env.ask->messages().count(), 1);
        QVERIFY(env.ask->messages().constFirst().startsWith("Import Error: "));
        QCOMPARE(env.manager->calendarsCount(), 1);
        QCOMPARE(env.stack()->count(), 0);
    }

    // Export.

    void exportThenImportGivesSameEvents()
    {
        Env env;
        const QByteArray work = env.addCalendar("Arbeit");
        env.add(0, "Zahnarzt", Period(QDate(2026, 4, 1), QTime(8, 30)));
        env.addIn(work, 4, "Steuererklärung", Period(QDate(2026, 5, 31)));
        env.add(0, "Yoga", Period(QDate(2026, 1, 5), QTime(18, 0)), IOccurrence::Weekly);
        QList<QVariantMap> original;
        for (int i = 0; i < env.manager->count(); ++i)
            original << comparable(env.manager->eventByIndex(i));
        env.ask->fileNames << env.dir.filePath("out/events");
        QDir(env.dir.path()).mkpath("out");
        env.editor.exportAllAction()->trigger();
        const QString file = env.dir.filePath("out/events.evt");
        QVERIFY(QFile::exists(file));
        QCOMPARE(env.ask->asked.constFirst().suffix, QString("evt"));
        QCOMPARE(env.editor.lastDirectory(), env.dir.filePath("out"));
        QCOMPARE(counter("f_export_quillane"), 1);

        env.manager->removeEvents(env.manager->events());
        env.answerImport(QString(), work);
        env.import(file);
        QCOMPARE(env.manager->count(), 3);
        for (int i = 0; i < 3; ++i)
            QCOMPARE(comparable(env.manager->eventByIndex(i)), original.at(i));
    }

    void failedExportTellsAndCountsNothing()
    {
        Env env;
        env.add(0, "Zahnarzt", Period(QDate(2026, 4, 1)));
        // A folder that cannot be made: a file stands in its place.
        env.write("blocked", "a file");
        env.ask->fileNames << env.dir.filePath("blocked/events.evt");
        env.editor.exportAllAction()->trigger();
        QCOMPARE(env.ask->messages(), QStringList({"Export: Failed to export events"}));
        QCOMPARE(counter("f_export_quillane"), 0);
    }

    // Backup and restore.

    void backupThenRestoreGivesSameFiles()
    {
        Env env;
        BackupManager backups("qbf");
        backups.setWorkFolder(env.dir.path());
        backups.addBackupObjects({env.manager.get(), env.types.get(), env.customTypes.get()});
        env.app.m_backupManager = &backups;
        Common::UserMessages::reset();
        env.add(0, "Zahnarzt", Period(QDate(2026, 4, 1)));
        const QStringList files = {"events.dat", "eventtypes.dat", "customtypes.dat"};
        QList<QByteArray> before;
        for (const QString &file : files)
            before << readAll(env.dir.filePath(file));

        env.ask->fileNames << env.dir.filePath("sicherung");
        env.editor.backup();
        const QString archive = env.dir.filePath("sicherung.qbf");
        QVERIFY(QFile::exists(archive));
        QCOMPARE(env.ask->asked.constFirst().title, QString("Backup"));
        QCOMPARE(env.ask->asked.constFirst().suffix, QString("qbf"));
        QCOMPARE(env.ask->asked.constFirst().text,
                 EditorFileNames::proposedBackupPath(QDir::homePath(), QDate(2026, 3, 10)));

        env.add(0, "Nach der Sicherung", Period(QDate(2026, 4, 2)));
        env.ask->fileNames << archive;
        env.editor.restore();
        QCOMPARE(Common::UserMessages::toldLines(), QStringList({"Restore: Data successfully restored"}));
        for (int i = 0; i < files.count(); ++i)
            QCOMPARE(readAll(env.dir.filePath(files.at(i))), before.at(i));
        QCOMPARE(env.manager->count(), 1);
        QCOMPARE(env.stack()->undoText(), QString("Restore"));
        env.stack()->undo();
        QCOMPARE(env.manager->count(), 2);
        env.app.m_backupManager = nullptr;
    }

    // The file dialogs open in the home folder, not where the program was started, then in the last one used.
    void fileDialogsStartAtHomeThenTheLastFolder()
    {
        Env env;
        BackupManager backups("qbf");
        env.app.m_backupManager = &backups;
        env.ask->fileNames << env.dir.filePath("chosen.qbf");
        env.editor.restore();
        env.editor.onImportButton();
        QCOMPARE(env.ask->asked.first().text, QDir::homePath());
        QCOMPARE(env.ask->asked.last().text, env.dir.path());
        env.app.m_backupManager = nullptr;
    }

    void failedBackupTells()
    {
        Env env;
        BackupManager backups("qbf");
        backups.setWorkFolder(env.dir.path());
        backups.addBackupObjects({env.manager.get()});
        env.app.m_backupManager = &backups;
        env.write("blocked", "a file");
        env.ask->fileNames << env.dir.filePath("blocked/backup.qbf");
        env.editor.backup();
        QCOMPARE(env.ask->messages(), QStringList({"Backup: Failed to create backup file"}));
        env.app.m_backupManager = nullptr;
    }

    // Print.

    void printGetsSelectedEvents_data()
    {
        QTest::addColumn<bool>("select");
        QTest::newRow("selection") << true;
        QTest::newRow("none") << false;
    }

    void printGetsSelectedEvents()
    {
        QFETCH(bool, select);
        Env env;
        env.add(0, "Zahnarzt", Period(QDate(2026, 4, 1)));
        env.add(0, "Yoga", Period(QDate(2026, 4, 2)));
        env.editor.changeViewActions()->actions().at(1)->trigger();
        if (select)
            env.editor.tableView()->setCurrentIndex(env.editor.tableView()->model()->index(1, 0));
        bool selectable = false;
        int rows = -1;
        env.ask->dialogRunner = [&](QDialog *dialog) {
            auto *print = qobject_cast<PrintTableDialog *>(dialog);
            selectable = print && print->selectedButton()->isEnabled();
            if (print) {
                print->selectedButton()->click();
                rows = int(print->rows().count());
            }
            return false;
        };
        env.editor.print();
        QCOMPARE(env.ask->runs, 1);
        QCOMPARE(selectable, select);
        QCOMPARE(rows, select ? 1 : 2);
    }
};

QTEST_MAIN(TestEditorFiles)
#include "tst_editorfiles.moc"
