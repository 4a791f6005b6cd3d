#include "core/filebackupobject.h"
#include "core/log.h"
#include "core/safefile.h"
#include "testhelpers.h"

#include <QDir>
#include <QStorageInfo>
#include <QTemporaryDir>
#include <QtTest>

#include <cerrno>
#include <cstring>

class TestSafeFile : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase() { TestHelpers::isolateEnvironment(); }
    void init() { Common::clearLogBuffer(); }

    void replacesWholeFileAndCreatesFolder();
    void failedWriteKeepsOldFile_data();
    void failedWriteKeepsOldFile();
    void refusesPathUnderAFile();
    void copiesAsideUnderFreeNames();
    void replacesFileWithAnother_data();
    void replacesFileWithAnother();
    void fileBackupObjectRoundTrip();
    void fileBackupObjectRestoreFailureKeepsFile();
};

void TestSafeFile::replacesWholeFileAndCreatesFolder()
{
    QTemporaryDir dir;
    const QString path = dir.filePath(QStringLiteral("a/b/data.dat"));
    QVERIFY(Common::writeFileAtomically(path, "long original content"));
    QVERIFY(Common::writeFileAtomically(path, "short"));
    QCOMPARE(TestHelpers::readFile(path), QByteArray("short"));
    QVERIFY(Common::writeFileAtomically(path, QByteArray()));
    QVERIFY(QFileInfo::exists(path));
    QCOMPARE(QFileInfo(path).size(), 0);
    QCOMPARE(QDir(dir.filePath("a/b")).entryList(QDir::Files | QDir::Hidden), QStringList{"data.dat"});
}

void TestSafeFile::failedWriteKeepsOldFile_data()
{
    QTest::addColumn<qint64>("limit");
    QTest::addColumn<int>("size");
    QTest::newRow("nothing fits") << qint64(0) << 10;
    QTest::newRow("cut short") << qint64(100) << 100000;
    QTest::newRow("cut in the last block") << qint64(70000) << 70001;
}

void TestSafeFile::failedWriteKeepsOldFile()
{
    QFETCH(qint64, limit);
    QFETCH(int, size);
    QTemporaryDir dir;
    const QString path = dir.filePath(QStringLiteral("events.dat"));
    QVERIFY(TestHelpers::writeFile(path, "old"));
    QString error;
    bool written = true;
    {
        TestHelpers::ScopedFileSizeLimit fileSizeLimit(limit);
        QTest::ignoreMessage(QtWarningMsg, QRegularExpression("^Cannot write .*events.dat"));
        written = Common::writeFileAtomically(path, QByteArray(size, 'x'), &error);
    }
    QVERIFY(!written);
    // The system's reason reaches the log, so a user's report says what happened.
    const QString reason = QString::fromLocal8Bit(std::strerror(EFBIG));
    QCOMPARE(error, reason);
    QVERIFY(logBuffer().contains(reason.toLocal8Bit()));
    QCOMPARE(TestHelpers::readFile(path), QByteArray("old"));
    QVERIFY(logBuffer().contains("Cannot write"));
    QCOMPARE(QDir(dir.path()).entryList(QDir::Files | QDir::Hidden), QStringList{"events.dat"});
}

void TestSafeFile::refusesPathUnderAFile()
{
    QTemporaryDir dir;
    QVERIFY(TestHelpers::writeFile(dir.filePath("plain"), "x"));
    QTest::ignoreMessage(QtWarningMsg, QRegularExpression("^Cannot write "));
    QVERIFY(!Common::writeFileAtomically(dir.filePath("plain/child.dat"), "data"));
    QCOMPARE(TestHelpers::readFile(dir.filePath("plain")), QByteArray("x"));
}

void TestSafeFile::copiesAsideUnderFreeNames()
{
    QTemporaryDir dir;
    const QString path = dir.filePath(QStringLiteral("todo.dat"));
    QVERIFY(TestHelpers::writeFile(path, "broken {"));
    QCOMPARE(Common::copyAsideUnderFreeName(path), path + ".bak");
    QCOMPARE(Common::copyAsideUnderFreeName(path), path + ".bak"); // the same bytes are kept once
    QVERIFY(TestHelpers::writeFile(path, "broken {{"));
    QCOMPARE(Common::copyAsideUnderFreeName(path), path + ".bak1");
    QCOMPARE(TestHelpers::readFile(path + ".bak"), QByteArray("broken {"));
    QCOMPARE(TestHelpers::readFile(path), QByteArray("broken {{"));
    QVERIFY(logBuffer().contains("aside to"));
    // A file whose copies have another name keeps counting from that name.
    const QString other = dir.filePath(QStringLiteral("todo.bak"));
    QCOMPARE(Common::copyAsideUnderFreeName(path, other), other);
    QVERIFY(TestHelpers::writeFile(path, "broken"));
    QCOMPARE(Common::copyAsideUnderFreeName(path, other), other + "1");

    QTest::ignoreMessage(QtWarningMsg, QRegularExpression("^Cannot copy "));
    QCOMPARE(Common::copyAsideUnderFreeName(dir.filePath("missing.dat")), QString());
}

void TestSafeFile::replacesFileWithAnother_data()
{
    QTest::addColumn<bool>("otherFileSystem");
    QTest::addColumn<bool>("throughLink");
    QTest::newRow("renamed") << false << false;
    QTest::newRow("link kept, target replaced") << false << true;
    QTest::newRow("copied from another file system") << true << false;
}

void TestSafeFile::replacesFileWithAnother()
{
    QFETCH(bool, otherFileSystem);
    QFETCH(bool, throughLink);
    QTemporaryDir dir;
    std::unique_ptr<QTemporaryDir> other;
    if (otherFileSystem) {
        other = std::make_unique<QTemporaryDir>(QStringLiteral("/dev/shm/qr-XXXXXX"));
        if (!other->isValid() || QStorageInfo(other->path()).device() == QStorageInfo(dir.path()).device())
            QSKIP("no second file system here");
    }
    const QString target = dir.filePath(QStringLiteral("events.dat"));
    QVERIFY(TestHelpers::writeFile(target, "old"));
    QVERIFY(QFile::setPermissions(target, QFile::ReadOwner | QFile::WriteOwner));
    const QString path = throughLink ? dir.filePath(QStringLiteral("link.dat")) : target;
    if (throughLink)
        QVERIFY(QFile::link(target, path));
    const QString source = (other ? other->path() : dir.path()) + QStringLiteral("/entry0");
    const QByteArray content(3 << 20, 'n'); // more than one piece of the copy
    QVERIFY(TestHelpers::writeFile(source, content));

    QVERIFY(Common::replaceFileWith(path, source));
    QVERIFY(TestHelpers::readFile(target) == content);
    QVERIFY(!QFile::exists(source));
    QCOMPARE(QFileInfo(path).isSymLink(), throughLink);
    // The replaced file's permissions stay: others still cannot read it.
    QVERIFY(!(QFile::permissions(target) & (QFile::ReadGroup | QFile::ReadOther)));
}

void TestSafeFile::fileBackupObjectRoundTrip()
{
    QTemporaryDir dir;
    const QString path = dir.filePath(QStringLiteral("customtypes.dat"));
    FileBackupObject object(path);
    QCOMPARE(object.name(), QByteArray("customtypes.dat"));
    QVERIFY(object.lastModified().isNull());

    bool ok = false;
    QCOMPARE(object.backup(&ok), QByteArray());
    QVERIFY(ok);

    const QByteArray data("\x00\x01{\"a\": 1}\xff", 12);
    QVERIFY(object.restore(data));
    QVERIFY(object.lastModified().isValid());
    ok = false;
    QCOMPARE(object.backup(&ok), data);
    QVERIFY(ok);

    QVERIFY(object.restore(QByteArray()));
    QCOMPARE(object.backup(&ok), QByteArray());
    QVERIFY(ok);
}

void TestSafeFile::fileBackupObjectRestoreFailureKeepsFile()
{
    QTemporaryDir dir;
    const QString path = dir.filePath(QStringLiteral("typesorder.dat"));
    QVERIFY(TestHelpers::writeFile(path, "kept"));
    FileBackupObject object(path);
    bool restored = true;
    {
        TestHelpers::ScopedFileSizeLimit limit(10);
        QTest::ignoreMessage(QtWarningMsg, QRegularExpression("^Cannot write "));
        restored = object.restore(QByteArray(50000, 'y'));
    }
    QVERIFY(!restored);
    QCOMPARE(TestHelpers::readFile(path), QByteArray("kept"));
}

QTEST_GUILESS_MAIN(TestSafeFile)
#include "tst_safefile.moc"
