#include "core/datafileguard.h"
#include "core/filebackupobject.h"
#include "memorybackupobject.h"
#include "core/safefile.h"
#include "core/usermessages.h"
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
#include <unistd.h>
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

// A record of one move; a row names its parts.
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
        const QString staging = dir.filePath(".restore-x1");
        QVERIFY(writeSet(staging, {{"e", "other events"}}));
        QVERIFY(RestoreJournal::write(dir.path(), staging, {{dir.filePath("events.dat"), staging + "/e"}}));
        Stores stores(dir.path());
        QVERIFY(!stores.manager.restore(archive) && stores.manager.errorString().contains("earlier restore"));
        QVERIFY(RestoreJournal::discard(dir.path()) && QDir(staging).removeRecursively());
        QCOMPARE(readSet(dir.path()), before);
    }

    // A record that reaches outside the data folder, cannot be read or can never be carried out is kept
    // aside and told once; nothing outside changes.
    void keepsAsideUnsoundRecord_data()
    {
        QTest::addColumn<QByteArray>("record");
        QTest::addColumn<QByteArray>("setup");
        const QByteArray sound = moveRecord(".restore-x1", "e", "events.dat");
        QTest::newRow("absolute target") << moveRecord(".restore-x1", "e", "%O/victim") << QByteArray();
        QTest::newRow("target up") << moveRecord(".restore-x1", "e", "../outside/victim") << QByteArray();
        QTest::newRow("linked staging") << moveRecord(".restore-x1", "victim", "events.dat") << QByteArray("staging");
        QTest::newRow("staged is a link") << sound << QByteArray("staged");
        QTest::newRow("staged has another link") << moveRecord(".restore-x1", "e", "log.dat") << QByteArray("hard");
        QTest::newRow("record is a link") << sound << QByteArray("record");
        QTest::newRow("garbage") << QByteArray("\x01{garbage") << QByteArray();
        QTest::newRow("version 2") << QByteArray(sound).replace(": 1,", ": 2,") << QByteArray();
        QTest::newRow("unfinished move") << QByteArray(sound).replace("\"target\"", "\"tar\"") << QByteArray();
        QTest::newRow("folder") << QByteArray() << QByteArray("folder");
        QTest::newRow("fifo") << QByteArray() << QByteArray("fifo");
        QTest::newRow("target name too long") << moveRecord(".restore-x1", "e", QByteArray(300, 'x')) << QByteArray();
    }
    void keepsAsideUnsoundRecord()
    {
        QFETCH(QByteArray, record);
        QFETCH(QByteArray, setup);
        QTemporaryDir root;
        const QString data = root.filePath("data"), outside = root.filePath("outside"), staging = data + "/.restore-x1";
        const QString journal = RestoreJournal::path(data);
        QVERIFY(writeSet(outside, {{"victim", "victim"}, {"record", record}}));
        QVERIFY(writeSet(staging, {{"e", "new events"}}) && writeSet(data, {{"events.dat", "old events"}}));
        QVERIFY(setup == "folder"   ? QDir().mkpath(journal)
                : setup == "fifo"   ? ::mkfifo(QFile::encodeName(journal).constData(), 0600) == 0
                : setup == "record" ? QFile::link(outside + "/record", journal)
                                    : TestHelpers::writeFile(journal, record.replace("%O", outside.toUtf8())));
        if (setup == "staging")
            QVERIFY(QDir(staging).removeRecursively() && QFile::link(outside, staging));
        if (setup == "staged")
            QVERIFY(QFile::remove(staging + "/e") && QFile::link(outside + "/victim", staging + "/e"));
        if (setup == "hard") // moved onto log.dat, the program's log would go on in the file outside
            QVERIFY(QFile::remove(staging + "/e") &&
                    ::link(qPrintable(outside + "/victim"), qPrintable(staging + "/e")) == 0);
        const FileSet outsideBefore = readSet(outside);
        Common::UserMessages::reset();
        DataFolderCleanup::tidyAtStart(data);
        Common::DataFileGuard::tellWaiting();
        const QStringList told = Common::UserMessages::toldLines();
        Common::DataFileGuard::reset();
        QVERIFY(told.size() == 1 && readSet(outside) == outsideBefore);
        QCOMPARE(QDir(data).entryList(QDir::AllEntries | QDir::Hidden | QDir::System | QDir::NoDotAndDotDot),
                 (QStringList{"events.dat", "restore-journal.bak"}));
        QCOMPARE(TestHelpers::readFile(data + "/events.dat"), "old events");
    }

    // A staged file gone while its target is not the new file: the whole old set comes back, told once.
    void lostStagedFilePutsOldSetBack_data()
    {
        QTest::addColumn<QString>("moved");
        QTest::addColumn<QString>("lost");
        QTest::newRow("lost before its move") << "typesorder.dat"
                                              << "events.dat";
        QTest::newRow("added file lost") << "events.dat"
                                         << "todo.b.dat";
        // The moved file's link to its old self (named for its move, the first) is gone too: it stays new.
        QTest::newRow("old copy lost") << QStringLiteral("events.dat") << QStringLiteral("typesorder.dat,old-0");
    }
    void lostStagedFilePutsOldSetBack()
    {
        QFETCH(QString, moved);
        QFETCH(QString, lost);
        QTemporaryDir dir;
        const QString staging = dir.filePath(".restore-x1");
        const FileSet oldSet{{"events.dat", "old events"}, {"typesorder.dat", "old order"}};
        const FileSet newSet{{"events.dat", "new events"}, {"typesorder.dat", "new order"}, {"todo.b.dat", "new list"}};
        QVERIFY(writeSet(dir.path(), oldSet) && writeSet(staging, newSet));
        QList<RestoreJournal::Move> moves;
        for (const QString &name : newSet.keys())
            moves.append({dir.filePath(name), staging + "/" + name});
        QVERIFY(RestoreJournal::write(dir.path(), staging, moves));
        QVERIFY(Common::replaceFileWith(dir.filePath(moved), staging + "/" + moved));
        for (const QString &name : lost.split(','))
            QVERIFY(QFile::remove(staging + "/" + name));
        Common::UserMessages::reset();
        DataFolderCleanup::tidyAtStart(dir.path());
        Common::DataFileGuard::tellWaiting();
        const QStringList told = Common::UserMessages::toldLines();
        Common::DataFileGuard::reset();
        FileSet expected = oldSet;
        expected[moved] = (lost.contains("old-") ? newSet : oldSet).value(moved);
        QCOMPARE(readSet(dir.path()), expected);
        QVERIFY(told.size() == 1 && told.first().contains(moved) == lost.contains("old-"));
    }

    // A start after a kill (before the moves, or before the settings) puts the recorded settings in place too.
    void startFinishesTheSettingsToo()
    {
        for (const bool filesMoved : {false, true}) {
            QTemporaryDir dir;
            const QString staging = dir.filePath(".restore-x1");
            QVERIFY(writeSet(dir.path(), {{"events.dat", "old"}}) && writeSet(staging, {{"e", "new"}, {"s", "k=new"}}));
            QVERIFY(RestoreJournal::write(dir.path(), staging, {{dir.filePath("events.dat"), staging + "/e"}},
                                          {{"settings", staging + "/s"}}));
            QVERIFY(!filesMoved || RestoreJournal::finish(dir.path()).outcome == RestoreJournal::Outcome::Finished);
            DataFolderCleanup::tidyAtStart(dir.path());
            MemoryBackupObject settings("settings", "k=old");
            Stores stores(dir.path());
            stores.manager.addBackupObject(&settings);
            stores.manager.finishInterruptedRestore();
            QCOMPARE(settings.m_data, QByteArray("k=new"));
            QCOMPARE(readSet(dir.path()), (FileSet{{"events.dat", "new"}}));
        }
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
