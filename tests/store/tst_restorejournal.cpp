#include "core/datafileguard.h"
#include "core/filebackupobject.h"
#include "memorybackupobject.h"
#include "core/safefile.h"
#include "store/backupmanager.h"
#include "store/datafoldercleanup.h"
#include "store/folderbackupobject.h"
#include "store/restorejournal.h"
#include "testhelpers.h"

#include <QDir>
#include <QElapsedTimer>
#include <QProcess>
#include <QRandomGenerator>
#include <QTemporaryDir>
#include <QThread>
#include <QtTest>

#include <cstdio>
#include <sys/stat.h>
#include <memory>
#include <vector>

namespace {

using FileSet = QMap<QString, QByteArray>;

// The stores of one data folder, registered as the program registers them: the to-do lists packed in
// one entry, then one file per store.
struct Stores
{
    explicit Stores(const QString &folder) : lists("AppDataGadgets", folder, {QStringLiteral("todo.*.dat")})
    {
        manager.setWorkFolder(folder);
        manager.addBackupObject(&lists);
        for (const char *name : {"customtypes.dat", "typesorder.dat", "pixmaps.dat", "pixmaps.tab", "events.dat"}) {
            files.push_back(std::make_unique<FileBackupObject>(QDir(folder).filePath(QLatin1String(name))));
            manager.addBackupObject(files.back().get());
        }
    }
    FolderBackupObject lists;
    std::vector<std::unique_ptr<FileBackupObject>> files;
    BackupManager manager{QStringLiteral("qbf")};
};

// Run as a child process: says when it starts restoring, so that the parent kills it during the restore.
int restoreInChild(const QString &folder, const QString &archive)
{
    Stores stores(folder);
    fputs("ready\n", stdout);
    fflush(stdout);
    return stores.manager.restore(archive) ? 0 : 1;
}

QByteArray noise(QRandomGenerator &random, int size)
{
    QByteArray bytes(size, Qt::Uninitialized);
    for (char &c : bytes)
        c = char(random.bounded(256));
    return bytes;
}

bool writeSet(const QString &folder, const FileSet &files)
{
    if (!QDir().mkpath(folder))
        return false;
    for (auto it = files.cbegin(); it != files.cend(); ++it) {
        if (!TestHelpers::writeFile(QDir(folder).filePath(it.key()), it.value()))
            return false;
    }
    return true;
}

// Every entry of the folder, hidden ones and folders too; a folder reads as "<folder>".
FileSet readSet(const QString &folder)
{
    FileSet files;
    const QFileInfoList list = QDir(folder).entryInfoList(QDir::AllEntries | QDir::Hidden | QDir::NoDotAndDotDot);
    for (const QFileInfo &info : list)
        files.insert(info.fileName(), info.isDir() ? QByteArray("<folder>") : TestHelpers::readFile(info.filePath()));
    return files;
}

// Records what the user is told, as the program's teller would show it.
struct Told
{
    Told()
    {
        Common::DataFileGuard::reset();
        Common::DataFileGuard::setTeller([this](const QString &text) { texts << text; });
    }
    ~Told() { Common::DataFileGuard::reset(); }
    int count()
    {
        Common::DataFileGuard::tellWaiting();
        return texts.size();
    }
    QStringList texts;
};

// A data folder with a record crafted by a row, and beside it an outside folder the record must not reach.
struct Crafted
{
    Crafted()
    {
        QVERIFY(writeSet(data, {{"events.dat", "old events"}, {"typesorder.dat", "old order"}}));
        QVERIFY(QDir(data).mkpath(".restore-x1"));
        QVERIFY(TestHelpers::writeFile(data + "/.restore-x1/e", "new events"));
        QVERIFY(writeSet(outside, {{"victim", "victim bytes"}, {"record", ""}}));
    }
    // Writes `record` with "%D" and "%O" standing for the data and the outside folder, and runs `setup`.
    void craft(const QByteArray &record, const QByteArray &setup)
    {
        QByteArray text = record;
        text.replace("%D", data.toUtf8()).replace("%O", outside.toUtf8());
        const QString journal = RestoreJournal::path(data);
        if (setup == "folder") {
            QVERIFY(QDir().mkpath(journal));
        } else if (setup == "fifo") {
            QCOMPARE(::mkfifo(QFile::encodeName(journal).constData(), 0600), 0);
        } else if (setup == "record link") {
            QVERIFY(TestHelpers::writeFile(outside + "/record", text));
            QVERIFY(QFile::link(outside + "/record", journal));
        } else {
            QVERIFY(TestHelpers::writeFile(journal, text));
        }
        if (setup == "staging link") {
            QVERIFY(QDir(data + "/.restore-x1").removeRecursively());
            QVERIFY(QFile::link(outside, data + "/.restore-x1"));
        } else if (setup == "staged link") {
            QVERIFY(QFile::remove(data + "/.restore-x1/e"));
            QVERIFY(QFile::link(outside + "/victim", data + "/.restore-x1/e"));
        }
        outsideBefore = readSet(outside);
    }
    QTemporaryDir root;
    const QString data = root.filePath("data");
    const QString outside = root.filePath("outside");
    FileSet outsideBefore;
};

QByteArray moveRecord(const QByteArray &staging, const QByteArray &staged, const QByteArray &target)
{
    return "{\"version\": 1, \"staging\": \"" + staging + "\", \"entries\": [], \"moves\": [{\"staged\": \"" + staged +
           "\", \"target\": \"" + target + "\", \"inode\": \"1\"}]}";
}

} // namespace

class TestRestoreJournal : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase() { TestHelpers::isolateEnvironment(); }

    // A restore killed at any point leaves, once the next start has tidied, the old files or the new
    // ones byte for byte, and nothing else.
    void killedRestoreLeavesOldOrNew()
    {
        QTemporaryDir root;
        QRandomGenerator random(28);
        const FileSet oldSet{{"events.dat", noise(random, 300000)},   {"customtypes.dat", noise(random, 40000)},
                             {"typesorder.dat", noise(random, 2000)}, {"pixmaps.dat", noise(random, 900000)},
                             {"pixmaps.tab", noise(random, 9000)},    {"todo.a.dat", noise(random, 30000)}};
        const FileSet newSet{{"events.dat", noise(random, 350000)},   {"customtypes.dat", noise(random, 50000)},
                             {"typesorder.dat", noise(random, 3000)}, {"pixmaps.dat", noise(random, 1200000)},
                             {"pixmaps.tab", noise(random, 12000)},   {"todo.a.dat", noise(random, 20000)},
                             {"todo.b.dat", noise(random, 25000)}};
        const QString source = root.filePath("new");
        QVERIFY(writeSet(source, newSet));
        const QString archive = root.filePath("new.qbf");
        QVERIFY(Stores(source).manager.backup(archive));

        QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
        environment.insert("QR_RESTORE_CHILD", "1");
        environment.insert("ASAN_OPTIONS", "detect_leaks=0");
        // Starts a child restoring into a fresh copy of the old files; returns when it begins the restore.
        auto startChild = [&](QProcess &child, const QString &folder) {
            if (!writeSet(folder, oldSet))
                return false;
            child.setProcessEnvironment(environment);
            child.start(QCoreApplication::applicationFilePath(), {folder, archive});
            return child.waitForStarted(30000) && child.waitForReadyRead(30000);
        };

        QProcess whole;
        const QString wholeFolder = root.filePath("whole");
        QVERIFY(startChild(whole, wholeFolder));
        QElapsedTimer took;
        took.start();
        QVERIFY(whole.waitForFinished(60000));
        const qint64 restoreNs = took.nsecsElapsed();
        QCOMPARE(whole.exitCode(), 0);
        FileSet expectedNew = oldSet;
        for (auto it = newSet.cbegin(); it != newSet.cend(); ++it)
            expectedNew.insert(it.key(), it.value());
        QCOMPARE(readSet(wholeFolder), expectedNew);

        int oldCount = 0;
        int newCount = 0;
        constexpr int kKills = 60;
        for (int i = 0; i < kKills; ++i) {
            const QString folder = root.filePath(QString("run%1").arg(i));
            QProcess child;
            QVERIFY(startChild(child, folder));
            // Anywhere from the start of the restore to a little past its usual end.
            const qint64 delayNs = qint64(random.bounded(1.2) * double(restoreNs));
            QElapsedTimer wait;
            wait.start();
            while (wait.nsecsElapsed() < delayNs && child.state() == QProcess::Running)
                QThread::usleep(50);
            child.kill();
            QVERIFY(child.waitForFinished(30000));

            DataFolderCleanup::tidyAtStart(folder);
            const FileSet after = readSet(folder);
            if (after == oldSet) {
                ++oldCount;
            } else {
                QVERIFY2(after == expectedNew,
                         qPrintable(QString("kill %1 left a mix: %2").arg(i).arg(after.keys().join(", "))));
                ++newCount;
            }
            QVERIFY(QDir(folder).removeRecursively());
        }
        qInfo("%d kills: %d left the old files, %d the new ones", kKills, oldCount, newCount);
    }

    // While a record that could not be finished is there, no other restore starts over its files.
    void unfinishedRecordHoldsOffAnotherRestore()
    {
        QTemporaryDir dir;
        QTemporaryDir archives;
        const FileSet before{{"events.dat", "old events"}};
        QVERIFY(writeSet(dir.path(), before));
        const QString archive = archives.filePath("saved.qbf");
        QVERIFY(Stores(dir.path()).manager.backup(archive));
        const QDir data(dir.path());
        QVERIFY(data.mkpath(".restore-x1"));
        QVERIFY(TestHelpers::writeFile(data.filePath(".restore-x1/e"), "other events"));
        QVERIFY(RestoreJournal::write(dir.path(), data.filePath(".restore-x1"),
                                      {{data.filePath("events.dat"), data.filePath(".restore-x1/e")}}));
        QVERIFY(!Stores(dir.path()).manager.restore(archive));
        QVERIFY(RestoreJournal::discard(dir.path()));
        QVERIFY(QDir(data.filePath(".restore-x1")).removeRecursively());
        QCOMPARE(readSet(dir.path()), before);
    }

    // A record that names anything outside the data folder is not carried out: kept aside, told once.
    void keepsAsideRecordReachingOutside_data()
    {
        QTest::addColumn<QByteArray>("record");
        QTest::addColumn<QByteArray>("setup");
        QTest::newRow("absolute target") << moveRecord(".restore-x1", "e", "%O/victim") << QByteArray();
        QTest::newRow("target up") << moveRecord(".restore-x1", "e", "../outside/victim") << QByteArray();
        QTest::newRow("absolute staged") << moveRecord(".restore-x1", "%O/victim", "events.dat") << QByteArray();
        QTest::newRow("staged up") << moveRecord(".restore-x1", "../../outside/victim", "events.dat") << QByteArray();
        QTest::newRow("staging up") << moveRecord("..", "outside", "events.dat") << QByteArray();
        QTest::newRow("absolute staging") << moveRecord("%O", "victim", "events.dat") << QByteArray();
        QTest::newRow("staging is a link")
            << moveRecord(".restore-x1", "victim", "events.dat") << QByteArray("staging link");
        QTest::newRow("staged is a link") << moveRecord(".restore-x1", "e", "events.dat") << QByteArray("staged link");
        QTest::newRow("record is a link") << moveRecord(".restore-x1", "e", "%O/victim") << QByteArray("record link");
        QByteArray old = moveRecord(".restore-x1", "gone", "events.dat");
        QTest::newRow("old file up") << old.replace("\"inode\"", "\"old\": \"../../outside/victim\", \"inode\"")
                                     << QByteArray();
    }
    void keepsAsideRecordReachingOutside()
    {
        QFETCH(QByteArray, record);
        QFETCH(QByteArray, setup);
        Crafted folder;
        folder.craft(record, setup);
        Told told;
        DataFolderCleanup::tidyAtStart(folder.data);
        QCOMPARE(readSet(folder.outside), folder.outsideBefore);
        QCOMPARE(TestHelpers::readFile(folder.data + "/events.dat"), QByteArray("old events"));
        QVERIFY(QFileInfo(folder.data + "/restore-journal.bak").exists());
        QVERIFY(!QFileInfo::exists(folder.data + "/.restore-x1"));
        QCOMPARE(told.count(), 1);
    }

    // A record this version cannot read is kept aside and told once; later restores work again.
    void keepsAsideUnreadableRecord_data()
    {
        QTest::addColumn<QByteArray>("record");
        QTest::addColumn<QByteArray>("setup");
        QTest::newRow("garbage") << QByteArray("\x01\x02{garbage") << QByteArray();
        QByteArray version = moveRecord(".restore-x1", "e", "events.dat");
        QTest::newRow("version 0") << QByteArray(version).replace("\"version\": 1", "\"version\": 0") << QByteArray();
        QTest::newRow("version 2") << QByteArray(version).replace("\"version\": 1", "\"version\": 2") << QByteArray();
        QTest::newRow("unfinished move") << QByteArray(version).replace(", \"target\": \"events.dat\"", "")
                                         << QByteArray();
        QTest::newRow("folder") << QByteArray() << QByteArray("folder");
        QTest::newRow("fifo") << QByteArray() << QByteArray("fifo");
    }
    void keepsAsideUnreadableRecord()
    {
        keepsAsideRecordReachingOutside();
        QFETCH(QByteArray, record);
        QFETCH(QByteArray, setup);
        Crafted folder;
        const QString archive = folder.root.filePath("saved.qbf");
        QVERIFY(TestHelpers::writeFile(folder.outside + "/events.dat", "saved events"));
        QVERIFY(Stores(folder.outside).manager.backup(archive));
        folder.craft(record, setup);
        Told told;
        QVERIFY(Stores(folder.data).manager.restore(archive));
        QCOMPARE(TestHelpers::readFile(folder.data + "/events.dat"), QByteArray("saved events"));
        QCOMPARE(told.count(), 1);
    }

    // A staged file gone while its target is not the new file: the whole old set comes back.
    void lostStagedFilePutsOldSetBack_data()
    {
        QTest::addColumn<QStringList>("moved");
        QTest::addColumn<QStringList>("lost");
        QTest::addColumn<bool>("expectNew");
        QTest::newRow("lost before its move") << QStringList{"typesorder.dat"} << QStringList{"events.dat"} << false;
        QTest::newRow("added file lost") << QStringList{"events.dat"} << QStringList{"todo.b.dat"} << false;
        QTest::newRow("lost after its move") << QStringList{"events.dat"} << QStringList{} << true;
        QTest::newRow("all moved") << QStringList{"events.dat", "typesorder.dat", "todo.b.dat"} << QStringList{}
                                   << true;
    }
    void lostStagedFilePutsOldSetBack()
    {
        QFETCH(QStringList, moved);
        QFETCH(QStringList, lost);
        QFETCH(bool, expectNew);
        QTemporaryDir dir;
        const QDir data(dir.path());
        const FileSet oldSet{{"events.dat", "old events"}, {"typesorder.dat", "old order"}};
        const FileSet newSet{{"events.dat", "new events"}, {"typesorder.dat", "new order"}, {"todo.b.dat", "new list"}};
        QVERIFY(writeSet(dir.path(), oldSet));
        QVERIFY(writeSet(data.filePath(".restore-x1"), newSet));
        QList<RestoreJournal::Move> moves;
        for (const QString &name : newSet.keys())
            moves.append({data.filePath(name), data.filePath(".restore-x1/" + name)});
        QVERIFY(RestoreJournal::write(dir.path(), data.filePath(".restore-x1"), moves));
        for (const QString &name : moved)
            QVERIFY(Common::replaceFileWith(data.filePath(name), data.filePath(".restore-x1/" + name)));
        for (const QString &name : lost)
            QVERIFY(QFile::remove(data.filePath(".restore-x1/" + name)));
        Told told;
        DataFolderCleanup::tidyAtStart(dir.path());
        QCOMPARE(readSet(dir.path()), expectNew ? newSet : oldSet);
        QCOMPARE(told.count(), expectNew ? 0 : 1);
    }

    // The settings of a restore are in its record: a start after a kill puts them in place with the files.
    void startFinishesTheSettingsToo_data()
    {
        QTest::addColumn<bool>("filesMoved");
        QTest::newRow("killed before the moves") << false;
        QTest::newRow("killed before the settings") << true;
    }
    void startFinishesTheSettingsToo()
    {
        QFETCH(bool, filesMoved);
        QTemporaryDir dir;
        const QDir data(dir.path());
        QVERIFY(writeSet(dir.path(), {{"events.dat", "old events"}}));
        QVERIFY(writeSet(data.filePath(".restore-x1"), {{"e", "new events"}, {"s", "k=new"}}));
        QVERIFY(RestoreJournal::write(dir.path(), data.filePath(".restore-x1"),
                                      {{data.filePath("events.dat"), data.filePath(".restore-x1/e")}},
                                      {{"settings", data.filePath(".restore-x1/s")}}));
        if (filesMoved)
            QCOMPARE(RestoreJournal::finish(dir.path()).outcome, RestoreJournal::Outcome::Finished);
        DataFolderCleanup::tidyAtStart(dir.path());
        MemoryBackupObject settings("settings", "k=old");
        Stores stores(dir.path());
        stores.manager.addBackupObject(&settings);
        stores.manager.finishInterruptedRestore();
        QCOMPARE(settings.m_data, QByteArray("k=new"));
        QCOMPARE(readSet(dir.path()), (FileSet{{"events.dat", "new events"}}));
    }

    // A record found at start is finished: what it lists is moved, even the part already moved once.
    void startFinishesARecordedRestore()
    {
        QTemporaryDir dir;
        const QDir data(dir.path());
        QVERIFY(TestHelpers::writeFile(data.filePath("events.dat"), "old events"));
        QVERIFY(TestHelpers::writeFile(data.filePath("typesorder.dat"), "old order"));
        QVERIFY(data.mkpath(".restore-x1"));
        QVERIFY(TestHelpers::writeFile(data.filePath(".restore-x1/events.dat"), "new events"));
        QVERIFY(TestHelpers::writeFile(data.filePath(".restore-x1/todo.b.dat"), "new list"));
        QVERIFY(TestHelpers::writeFile(data.filePath(".restore-x1/typesorder.dat"), "new order"));
        QVERIFY(RestoreJournal::write(dir.path(), data.filePath(".restore-x1"),
                                      {{data.filePath("events.dat"), data.filePath(".restore-x1/events.dat")},
                                       {data.filePath("typesorder.dat"), data.filePath(".restore-x1/typesorder.dat")},
                                       {data.filePath("todo.b.dat"), data.filePath(".restore-x1/todo.b.dat")}}));
        // The kill came after the first move.
        QVERIFY(Common::replaceFileWith(data.filePath("typesorder.dat"), data.filePath(".restore-x1/typesorder.dat")));
        DataFolderCleanup::tidyAtStart(dir.path());
        QCOMPARE(readSet(dir.path()),
                 (FileSet{{"events.dat", "new events"}, {"todo.b.dat", "new list"}, {"typesorder.dat", "new order"}}));
    }
};

int main(int argc, char **argv)
{
    QCoreApplication app(argc, argv);
    if (qEnvironmentVariableIsSet("QR_RESTORE_CHILD") && argc == 3) {
        QCoreApplication::setApplicationVersion(QStringLiteral(QR_VERSION));
        return restoreInChild(QString::fromLocal8Bit(argv[1]), QString::fromLocal8Bit(argv[2]));
    }
    TestRestoreJournal test;
    QTEST_SET_MAIN_SOURCE_PATH
    return QTest::qExec(&test, argc, argv);
}
#include "tst_restorejournal.moc"
