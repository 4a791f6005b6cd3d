#include "core/clock.h"
#include "core/log.h"
#include "store/datafoldercleanup.h"
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

    void removesOnlyStaleLeftovers_data();
    void removesOnlyStaleLeftovers();
    void missingFolderRemovesNothing();
};

void TestDataFolderCleanup::removesOnlyStaleLeftovers_data()
{
    QTest::addColumn<QString>("name");
    QTest::addColumn<int>("ageSeconds");
    QTest::addColumn<bool>("removed");
    QTest::newRow("events leftover") << "events.dat.AbC123" << 3600 << true;
    QTest::newRow("to-do leftover") << "todo.1f2e.dat.x9Y8z7" << 86400 << true;
    QTest::newRow("picture index leftover") << "pixmaps.tab.q1w2e3" << 700 << true;
    QTest::newRow("settings text leftover") << "globalprop.txt.0aZ9bQ" << 700 << true;
    QTest::newRow("save still running") << "events.dat.Fresh1" << 5 << false;
    QTest::newRow("just under the age") << "events.dat.Fresh2" << DataFolderCleanup::s_freshSeconds - 60 << false;
    QTest::newRow("data file itself") << "events.dat" << 3600 << false;
    QTest::newRow("kept copy") << "events.bak1" << 3600 << false;
    QTest::newRow("hundredth kept copy") << "events.dat.bak100" << 3600 << false;
    QTest::newRow("five characters") << "events.dat.AbC12" << 3600 << false;
    QTest::newRow("seven characters") << "events.dat.AbC1234" << 3600 << false;
    QTest::newRow("other character") << "events.dat.AbC-12" << 3600 << false;
    QTest::newRow("someone else's file") << "holiday.odt.AbC123" << 3600 << false;
}

void TestDataFolderCleanup::removesOnlyStaleLeftovers()
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

QTEST_GUILESS_MAIN(TestDataFolderCleanup)
#include "tst_datafoldercleanup.moc"
