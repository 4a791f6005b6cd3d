#include "diagnostics/tests.h"

#include "core/clock.h"
#include "core/filebackupobject.h"
#include "core/iapplication.h"
#include "core/log.h"
#include "core/properties.h"
#include "core/settingkeys.h"
#include "events/abstractcommonevent.h"
#include "store/backupmanager.h"
#include "store/eventsimporter.h"
#include "store/eventsmanager.h"

#include <QColor>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QFont>
#include <QLocale>
#include <QRect>
#include <QTemporaryDir>

#include <memory>

namespace TestsStorePrivate {

// Files of one folder in name order, so that a run compares the same pairs on every system.
QFileInfoList listFiles(const QByteArray &folder, const QString &filter)
{
    return QDir(QString::fromUtf8(folder)).entryInfoList({filter}, QDir::Files, QDir::Name);
}

// The field checks of two events, the expected one first. The next dates count from one day for both.
void compareEvents(const AbstractCommonEventPtr &masterEvent, const AbstractCommonEventPtr &testEvent,
                   bool withDaysToWatch)
{
    const QDate today = Common::Clock::today();
    checkEqual(masterEvent->caption(), testEvent->caption());
    checkEqual(masterEvent->text(true), testEvent->text(true));
    checkExpression(masterEvent->period() == testEvent->period());
    checkEqual(masterEvent->comment(), testEvent->comment());
    checkExpression(masterEvent->nextDate(today) == testEvent->nextDate(today));
    checkExpression(masterEvent->occurrence() == testEvent->occurrence());
    if (withDaysToWatch)
        checkExpression(masterEvent->daysToWatch() == testEvent->daysToWatch());
    checkExpression(masterEvent->type() == testEvent->type());
}

// A file that is missing or loads with an error fails the check: comparing against nothing proves nothing.
bool loadedWhole(const EventsManager &manager, const QFileInfo &file)
{
    if (!manager.hasError())
        return true;
    Tests::recordFailure({QStringLiteral("Error loading %1: %2").arg(file.fileName(), manager.errorString())});
    return false;
}

} // namespace TestsStorePrivate

using namespace TestsStorePrivate;

void Tests::testBackCompartability()
{
    const QFileInfoList files = listFiles(s_testDataPath + "compartability/", QStringLiteral("*.evt"));
    checkExpression(!files.isEmpty());
    if (files.isEmpty())
        return;
    const EventsManager master(files.first().absoluteFilePath());
    loadedWhole(master, files.first());
    for (qsizetype f = 1; f < files.size(); ++f) {
        const EventsManager manager(files.at(f).absoluteFilePath());
        loadedWhole(manager, files.at(f));
        checkExpression(master.count() == manager.count());
        const int common = qMin(master.count(), manager.count());
        for (int i = 0; i < common; ++i)
            compareEvents(master.eventByIndex(i), manager.eventByIndex(i), true);
    }
}

void Tests::testBackup()
{
    {
        BackupManager manager(QStringLiteral("aaa"));
        BackupMap map;
        // Its own settings branch and a dump file of its own, so the program's settings stay as they were.
        QTemporaryDir dumpFolder;
        Properties prop(nullptr, dumpFolder.filePath(QStringLiteral("tests")), s_settingsPrefix + '/');
        for (int i = 0; i < 10; ++i) {
            const QByteArray n = QByteArray::number(i);
            prop.addProperty("int" + n, i);
            prop.setValue("int" + n, i + 1);
            prop.addProperty("double" + n, i * 100 / 3);
            prop.setValue("double" + n, i * 100 / 3 + 1);
        }
        prop.addProperty("rect", QRect());
        prop.setValue("rect", QRect(1, 2, 3, 4));
        prop.addProperty("font", QFont());
        prop.setValue("font", QFont(QStringLiteral("Arial"), 10));
        prop.addProperty("color", QColor());
        prop.addProperty("color", QColor(100, 150, 50, 30));
        prop.addProperty("locale", QLocale::system());
        prop.setValue("locale", QLocale::c());
        prop.addProperty("qstring", QStringLiteral("some text 123"));
        prop.setValue("qstring", QStringLiteral("123 some text"));
        prop.addProperty("qbytearray", QByteArray("some text 123"));
        prop.setValue("qbytearray", QByteArray("123 some text"));

        manager.addBackupObject(&prop);
        map = manager.backupToMap();

        for (int i = 0; i < 10; ++i) {
            const QByteArray n = QByteArray::number(i);
            prop.removeProperty("int" + n);
            prop.addProperty("int" + n, i);
            prop.removeProperty("double" + n);
            prop.addProperty("double" + n, i);
        }
        const QList<QPair<QByteArray, QVariant>> defaults{
            {"rect", QRect()},
            {"font", QFont()},
            {"color", QColor()},
            {"locale", QLocale::system()},
            {"qstring", QStringLiteral("some text 123")},
            {"qbytearray", QByteArray("some text 123")},
        };
        for (const auto &item : defaults) {
            prop.removeProperty(item.first);
            prop.addProperty(item.first, item.second);
        }

        manager.restoreFromMap(map);

        for (int i = 0; i < 10; ++i) {
            const QByteArray n = QByteArray::number(i);
            checkEqual(prop.value("int" + n).toInt(), i + 1);
            checkEqual(prop.value("double" + n).toDouble(), double(i * 100 / 3 + 1));
        }
        checkExpression(prop.value("rect").value<QRect>() == QRect(1, 2, 3, 4));
        checkExpression(prop.value("font").value<QFont>() == QFont(QStringLiteral("Arial"), 10));
        checkExpression(prop.value("color").value<QColor>() == QColor(100, 150, 50, 30));
        checkExpression(prop.value("locale").value<QLocale>() == QLocale::c());
        checkEqual(prop.value("qstring").toString(), QStringLiteral("123 some text"));
        checkEqual(prop.value("qbytearray").toByteArray(), QByteArray("123 some text"));

        if (IApplication *app = IApplication::instance())
            app->removeSettings(Setting::PropertiesGroup + s_settingsPrefix, false);
    }
    {
        BackupManager manager(QStringLiteral("aaa"));
        BackupMap map;
        const QString originalFile = QString::fromUtf8(s_testDataPath + "compartability/201 - Copy.evt");
        const QString masterFile = QString::fromUtf8(s_testDataPath + "compartability/201.evt");
        FileBackupObject object(originalFile);
        manager.addBackupObject(&object);
        map = manager.backupToMap();
        checkExpression(QFile::remove(originalFile));
        manager.restoreFromMap(map);
        checkExpression(QFileInfo(originalFile).exists());
        QFile f1(originalFile);
        QFile f2(masterFile);
        checkExpression(f1.open(QIODevice::ReadOnly));
        checkExpression(f2.open(QIODevice::ReadOnly));
        const QByteArray restored = f1.readAll();
        const QByteArray expected = f2.readAll();
        checkExpression(!expected.isEmpty());
        checkEqual(restored, expected);
    }
}

void Tests::testImportCsv()
{
    // Dates and numbers in the CSV files are written the English way; the user's locale must not matter.
    const QLocale userLocale;
    QLocale::setDefault(QLocale(QLocale::English, QLocale::UnitedStates));

    const QFileInfoList files = listFiles(s_testDataPath + "import/", QStringLiteral("*.csv"));
    checkExpression(!files.isEmpty());
    EventsImporter importer(EventsImporter::CsvFormat);
    for (const QFileInfo &file : files) {
        const QString masterPath = file.absoluteFilePath().chopped(3) + QLatin1String("evt");
        const QFileInfo masterInfo(masterPath);
        checkExpression(masterInfo.isFile());
        const EventsManager master(masterPath);
        loadedWhole(master, masterInfo);
        const QList<AbstractCommonEventPtr> imported = importer.import(file.absoluteFilePath(), QByteArray());
        checkExpression(master.count() == imported.count());
        const int common = qMin(master.count(), int(imported.count()));
        for (int i = 0; i < common; ++i)
            compareEvents(master.eventByIndex(i), imported.at(i), false);
    }

    QLocale::setDefault(userLocale);
}
