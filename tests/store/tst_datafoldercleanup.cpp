#include "core/clock.h"
#include "core/log.h"
#include "store/datafoldercleanup.h"
#include "store/restorejournal.h"
#include "testhelpers.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <QtTest>

class TestDataFolderCleanup : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase() { TestHelpers::isolateEnvironment(); }
    void init() { Common::clearLogBuffer(); }
    void cleanup() { Common::Clock::unpin(); }

    void removesOnlyLeftovers_data();
    void removesOnlyLeftovers();
    void missingFolderRemovesNothing();
    void restoreLeftoversGoUnlessARecordNeedsThem();
};

void TestDataFolderCleanup::removesOnlyLeftovers_data()
{
    QTest::addColumn<QString>("name");
    QTest::addColumn<int>("ageSeconds");
    QTest::addColumn<bool>("removed");
    QTest::newRow("events leftover") << "events.dat.qr-tmp-AbC123" << 3600 << true;
    QTest::newRow("to-do leftover") << "todo.1f2e.dat.qr-tmp-x9Y8z7" << 86400 << true;
    QTest::newRow("picture index leftover") << "pixmaps.tab.qr-tmp-q1w2e3" << 700 << true;
    QTest::newRow("settings text leftover") << "globalprop.txt.qr-tmp-0aZ9bQ" << 700 << true;
    // The instance lock is held at start: a temporary file however new is no save of a running process.
    QTest::newRow("fresh leftover") << "events.dat.qr-tmp-Fresh1" << 5 << true;
    QTest::newRow("leftover of a minute ago") << "events.dat.qr-tmp-Fresh2" << 60 << true;
    QTest::newRow("data file itself") << "events.dat" << 3600 << false;
    QTest::newRow("kept copy") << "events.bak1" << 3600 << false;
    QTest::newRow("hundredth kept copy") << "events.dat.bak100" << 3600 << false;
    QTest::newRow("five characters") << "events.dat.qr-tmp-AbC12" << 3600 << false;
    QTest::newRow("seven characters") << "events.dat.qr-tmp-AbC1234" << 3600 << false;
    QTest::newRow("other character") << "events.dat.qr-tmp-AbC-12" << 3600 << false;
    QTest::newRow("someone else's file") << "holiday.odt.AbC123" << 3600 << false;
    // A copy the user made by hand, and what the writers of earlier versions left (it may be a copy too).
    QTest::newRow("user's copy") << "customtypes.dat.before" << 3600 << false;
    QTest::newRow("earlier version's leftover") << "events.dat.AbC123" << 3600 << false;
}

void TestDataFolderCleanup::removesOnlyLeftovers()
{
    QFETCH(QString, name);
    QFETCH(int, ageSeconds);
    QFETCH(bool, removed);
    QTemporaryDir dir;
    const QString path = dir.filePath(name);
    QVERIFY(TestHelpers::writeFile(path, "half a save"));
    QFile file(path);
    QVERIFY(file.open(QIODevice::ReadWrite));
    const QDateTime modified = QDateTime::currentDateTime().addSecs(-ageSeconds);
    QVERIFY(file.setFileTime(modified, QFileDevice::FileModificationTime));
    file.close();

    const QStringList list = DataFolderCleanup::removeSaveLeftovers(dir.path());
    QCOMPARE(!QFile::exists(path), removed);
    QCOMPARE(list, removed ? QStringList{QFileInfo(path).absoluteFilePath()} : QStringList());
    QCOMPARE(logBuffer().contains(name.toUtf8()), removed);
}

void TestDataFolderCleanup::missingFolderRemovesNothing()
{
    QTemporaryDir dir;
    QVERIFY(DataFolderCleanup::removeSaveLeftovers(dir.filePath("none")).isEmpty());
    QVERIFY(DataFolderCleanup::removeSaveLeftovers(QString()).isEmpty());
}

void TestDataFolderCleanup::restoreLeftoversGoUnlessARecordNeedsThem()
{
    QTemporaryDir dir;
    const QDir data(dir.path());
    QVERIFY(data.mkpath(".restore-AbCdEf"));
    QVERIFY(TestHelpers::writeFile(data.filePath(".restore-AbCdEf/events.dat"), QByteArray(4096, 'n')));
    QVERIFY(TestHelpers::writeFile(data.filePath(".restore-journal.x1Y2z3"), "half a record"));
    QVERIFY(TestHelpers::writeFile(data.filePath("events.dat"), "old"));
    QVERIFY(TestHelpers::writeFile(data.filePath("events.dat.qr-tmp-Q1w2E3"), "half a save"));
    // While a record is there, everything it may need stays.
    QVERIFY(TestHelpers::writeFile(RestoreJournal::path(dir.path()),
                                   "{\"version\": 1, \"staging\": \".restore-AbCdEf\", \"entries\": [], \"moves\": "
                                   "[{\"staged\": \"events.dat\", \"target\": \"" +
                                       QByteArray(300, 'x') + "\", \"inode\": \"1\"}]}"));
    DataFolderCleanup::removeRestoreLeftovers(dir.path());
    DataFolderCleanup::removeSaveLeftovers(dir.path());
    QVERIFY(QFile::exists(data.filePath(".restore-AbCdEf/events.dat")));
    QVERIFY(!QFile::exists(data.filePath("events.dat.qr-tmp-Q1w2E3")));

    QVERIFY(QFile::remove(RestoreJournal::path(dir.path())));
    DataFolderCleanup::tidyAtStart(dir.path());
    QCOMPARE(data.entryList(QDir::AllEntries | QDir::Hidden | QDir::NoDotAndDotDot), QStringList{"events.dat"});
    QCOMPARE(TestHelpers::readFile(data.filePath("events.dat")), QByteArray("old"));
}

QTEST_GUILESS_MAIN(TestDataFolderCleanup)
#include "tst_datafoldercleanup.moc"
