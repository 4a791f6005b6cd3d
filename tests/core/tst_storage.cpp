#include "core/log.h"
#include "core/storage.h"
#include "testhelpers.h"

#include <QBuffer>
#include <QTemporaryDir>
#include <QtTest>

namespace {

QByteArray be32(quint32 v)
{
    QByteArray b(4, 0);
    qToBigEndian(v, b.data());
    return b;
}

QByteArray be64(qint64 v)
{
    QByteArray b(8, 0);
    qToBigEndian(v, b.data());
    return b;
}

QByteArray record(const QByteArray &id, qint64 pos, qint64 size)
{
    return be32(quint32(id.size())) + id + be64(pos) + be64(size);
}

bool put(Storage &storage, const QByteArray &id, const QByteArray &data)
{
    QBuffer buffer;
    buffer.setData(data);
    return storage.write(id, &buffer);
}

QByteArray get(Storage &storage, const QByteArray &id, bool *found = nullptr)
{
    QBuffer buffer;
    const bool ok = storage.read(id, &buffer);
    if (found)
        *found = ok;
    return buffer.data();
}

} // namespace

class TestStorage : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase() { TestHelpers::isolateEnvironment(); }
    void init()
    {
        Common::clearLogBuffer();
        m_dir = std::make_unique<QTemporaryDir>();
        QVERIFY(m_dir->isValid());
        m_data = m_dir->filePath(QStringLiteral("pixmaps.dat"));
        m_index = m_dir->filePath(QStringLiteral("pixmaps.tab"));
    }

    void freshFileHoldsVersionOnly();
    void writesExactBytesAndShiftsOnReplace();
    void replacingEmptyItemShiftsItemsBehind();
    void eraseHidesUntilPurge();
    void cancelEraseAndRewriteBringItemBack();
    void unknownIdsAreIgnored();
    void damagedFilesNeverYieldForeignBytes();
    void newerIndexVersionIsKeptAside();
    void failedWritesChangeNothing();
    void failedIndexWriteKeepsDataMatchingIndex();
    void indexWithoutDataIsKeptAsideAndStartedAnew();
    void restoreReloadsAndForgetsErasures();

private:
    std::unique_ptr<QTemporaryDir> m_dir;
    QString m_data;
    QString m_index;
};

void TestStorage::freshFileHoldsVersionOnly()
{
    Storage storage(m_data);
    QCOMPARE(TestHelpers::readFile(m_data), QByteArray("\x00\x00\x00\x01", 4));
    QVERIFY(!QFileInfo::exists(m_index));
    QCOMPARE(storage.indexFileName(), m_index);
    const QList<IBackupObject *> objects = storage.backupObjects();
    QCOMPARE(objects.size(), 2);
    QCOMPARE(objects.at(0)->name(), QByteArray("pixmaps.dat"));
    QCOMPARE(objects.at(1)->name(), QByteArray("pixmaps.tab"));
}

void TestStorage::writesExactBytesAndShiftsOnReplace()
{
    {
        Storage storage(m_data);
        QVERIFY(put(storage, "a", "0123456789"));
        QVERIFY(put(storage, "b", "ABCDE"));
        QCOMPARE(TestHelpers::readFile(m_index), be32(1) + be32(2) + record("a", 4, 10) + record("b", 14, 5));
        QVERIFY(put(storage, "a", "xyz"));
        QCOMPARE(TestHelpers::readFile(m_data), QByteArray("\x00\x00\x00\x01xyzABCDE", 12));
        QCOMPARE(TestHelpers::readFile(m_index), be32(1) + be32(2) + record("a", 4, 3) + record("b", 7, 5));
        QCOMPARE(get(storage, "b"), QByteArray("ABCDE"));
    }
    Storage reopened(m_data);
    QCOMPARE(get(reopened, "a"), QByteArray("xyz"));
    QCOMPARE(get(reopened, "b"), QByteArray("ABCDE"));
}

void TestStorage::replacingEmptyItemShiftsItemsBehind()
{
    Storage storage(m_data);
    QVERIFY(put(storage, "empty", ""));
    QVERIFY(put(storage, "next", "NEXT"));
    QVERIFY(put(storage, "empty", "filled"));
    QCOMPARE(get(storage, "empty"), QByteArray("filled"));
    QCOMPARE(get(storage, "next"), QByteArray("NEXT"));
    QVERIFY(put(storage, "empty", ""));
    QCOMPARE(get(storage, "next"), QByteArray("NEXT"));
    QCOMPARE(TestHelpers::readFile(m_data), QByteArray("\x00\x00\x00\x01NEXT", 8));
}

void TestStorage::eraseHidesUntilPurge()
{
    {
        Storage storage(m_data);
        QVERIFY(put(storage, "a", "aaaa"));
        QVERIFY(put(storage, "b", "bb"));
        QVERIFY(put(storage, "c", "c"));
        const QByteArray data = TestHelpers::readFile(m_data);
        const QByteArray index = TestHelpers::readFile(m_index);
        storage.erase("a");
        storage.erase("b");
        bool found = true;
        get(storage, "a", &found);
        QVERIFY(!found);
        QVERIFY(!storage.contains("a"));
        QVERIFY(storage.contains("c"));
        QCOMPARE(TestHelpers::readFile(m_data), data);
        QCOMPARE(TestHelpers::readFile(m_index), index);
    }
    QCOMPARE(TestHelpers::readFile(m_data), QByteArray("\x00\x00\x00\x01"
                                                       "c",
                                                       5));
    QCOMPARE(TestHelpers::readFile(m_index), be32(1) + be32(1) + record("c", 4, 1));
}

void TestStorage::cancelEraseAndRewriteBringItemBack()
{
    {
        Storage storage(m_data);
        QVERIFY(put(storage, "a", "aaaa"));
        QVERIFY(put(storage, "b", "bb"));
        storage.erase("a");
        QVERIFY(storage.cancelErase("a"));
        QVERIFY(!storage.cancelErase("a"));
        QCOMPARE(get(storage, "a"), QByteArray("aaaa"));
        storage.erase("b");
        QVERIFY(put(storage, "b", "BBB"));
        QVERIFY(storage.contains("b"));
        QVERIFY(!storage.cancelErase("b"));
    }
    Storage reopened(m_data);
    QCOMPARE(get(reopened, "a"), QByteArray("aaaa"));
    QCOMPARE(get(reopened, "b"), QByteArray("BBB"));
}

void TestStorage::unknownIdsAreIgnored()
{
    Storage storage(m_data);
    storage.erase("none");
    QVERIFY(!storage.cancelErase("none"));
    QVERIFY(!storage.contains("none"));
    QVERIFY(!QFileInfo::exists(m_index));
}

void TestStorage::damagedFilesNeverYieldForeignBytes()
{
    {
        Storage storage(m_data);
        QVERIFY(put(storage, "a", "aaaa"));
        QVERIFY(put(storage, "b", "bbbbbbbb"));
    }
    // Data file cut inside b, index cut inside its last record.
    QVERIFY(TestHelpers::writeFile(m_data, QByteArray("\x00\x00\x00\x01"
                                                      "aaaabb",
                                                      10)));
    const QByteArray index = TestHelpers::readFile(m_index);
    QTest::ignoreMessage(QtWarningMsg, QRegularExpression("beyond the end"));
    {
        Storage storage(m_data);
        QCOMPARE(get(storage, "a"), QByteArray("aaaa"));
        bool found = true;
        QCOMPARE(get(storage, "b", &found), QByteArray());
        QVERIFY(!found);
        // Its bytes are gone: it is stored anew, after both files were kept aside as they were.
        QVERIFY(put(storage, "b", "B"));
        QCOMPARE(get(storage, "b"), QByteArray("B"));
        QCOMPARE(get(storage, "a"), QByteArray("aaaa"));
        QCOMPARE(TestHelpers::readFile(m_data + QStringLiteral(".bak")), QByteArray("\x00\x00\x00\x01"
                                                                                    "aaaabb",
                                                                                    10));
        QCOMPARE(TestHelpers::readFile(m_index + QStringLiteral(".bak")), index);
    }
    QVERIFY(TestHelpers::writeFile(m_index, index.left(index.size() - 3)));
    QTest::ignoreMessage(QtWarningMsg, QRegularExpression("ends after 1 of 2 records"));
    Storage storage(m_data);
    QVERIFY(storage.contains("a"));
    QVERIFY(!storage.contains("b"));
}

void TestStorage::newerIndexVersionIsKeptAside()
{
    QVERIFY(TestHelpers::writeFile(m_data, QByteArray("\x00\x00\x00\x01xy", 6)));
    const QByteArray index = be32(2) + be32(1) + record("k", 4, 2);
    QVERIFY(TestHelpers::writeFile(m_index, index));
    QTest::ignoreMessage(QtWarningMsg, QRegularExpression("is of version 2"));
    Storage storage(m_data);
    QVERIFY(!storage.contains("k"));
    QVERIFY(put(storage, "n", "new"));
    QCOMPARE(TestHelpers::readFile(m_index + QStringLiteral(".bak")), index);
    QCOMPARE(get(storage, "n"), QByteArray("new"));
}

void TestStorage::failedWritesChangeNothing()
{
    Storage storage(m_data);
    QVERIFY(put(storage, "a", "aaaa"));
    const QByteArray data = TestHelpers::readFile(m_data);
    const QByteArray index = TestHelpers::readFile(m_index);
    {
        TestHelpers::ScopedFileSizeLimit limit(64);
        QTest::ignoreMessage(QtWarningMsg, QRegularExpression("^Cannot write "));
        QVERIFY(!put(storage, "a", QByteArray(1000, 'r')));
        QTest::ignoreMessage(QtWarningMsg, QRegularExpression("^Storage: cannot append"));
        QVERIFY(!put(storage, "new", QByteArray(1000, 'n')));
    }
    QCOMPARE(TestHelpers::readFile(m_data), data);
    QCOMPARE(TestHelpers::readFile(m_index), index);
    QVERIFY(!storage.contains("new"));
    QCOMPARE(get(storage, "a"), QByteArray("aaaa"));
    QVERIFY(put(storage, "new", "n"));
    QCOMPARE(get(storage, "new"), QByteArray("n"));
}

void TestStorage::failedIndexWriteKeepsDataMatchingIndex()
{
    Storage storage(m_data);
    QVERIFY(put(storage, "a", "aaaa"));
    QVERIFY(put(storage, "b", "bb"));
    const QByteArray data = TestHelpers::readFile(m_data);
    const QByteArray index = TestHelpers::readFile(m_index);
    // A folder in the index's place: the data file can still be replaced, the index cannot.
    QVERIFY(QFile::remove(m_index));
    QVERIFY(QDir().mkdir(m_index));
    QTest::ignoreMessage(QtWarningMsg, QRegularExpression("^Cannot write .*pixmaps.tab"));
    QVERIFY(!put(storage, "a", "A"));
    QTest::ignoreMessage(QtWarningMsg, QRegularExpression("^Cannot write .*pixmaps.tab"));
    QVERIFY(!put(storage, "new", "nnn"));
    // The old index is what the next start reads, so the data file must still match it.
    QCOMPARE(TestHelpers::readFile(m_data), data);
    QCOMPARE(get(storage, "a"), QByteArray("aaaa"));
    QCOMPARE(get(storage, "b"), QByteArray("bb"));
    QVERIFY(!storage.contains("new"));
    QVERIFY(QDir().rmdir(m_index));
    QVERIFY(TestHelpers::writeFile(m_index, index));
    QVERIFY(put(storage, "b", "BBB"));
    Storage reopened(m_data);
    QCOMPARE(get(reopened, "a"), QByteArray("aaaa"));
    QCOMPARE(get(reopened, "b"), QByteArray("BBB"));
}

void TestStorage::indexWithoutDataIsKeptAsideAndStartedAnew()
{
    {
        Storage storage(m_data);
        QVERIFY(put(storage, "a", "aaaa"));
    }
    const QByteArray index = TestHelpers::readFile(m_index);
    QVERIFY(QFile::remove(m_data));
    QTest::ignoreMessage(QtWarningMsg, QRegularExpression("^Storage: .*pixmaps.dat is missing"));
    Storage storage(m_data);
    // A new item takes the place the old index gives a; a must not show the new item's bytes.
    QVERIFY(put(storage, "c", "cccc"));
    QVERIFY(!storage.contains("a"));
    bool found = true;
    QCOMPARE(get(storage, "a", &found), QByteArray());
    QVERIFY(!found);
    QCOMPARE(get(storage, "c"), QByteArray("cccc"));
    QCOMPARE(TestHelpers::readFile(m_index + QStringLiteral(".bak")), index);
}

void TestStorage::restoreReloadsAndForgetsErasures()
{
    QByteArray savedData, savedIndex;
    {
        Storage storage(m_data);
        QVERIFY(put(storage, "keep", "KEEP"));
        bool ok = false;
        savedData = storage.backupObjects().at(0)->backup(&ok);
        QVERIFY(ok);
        savedIndex = storage.backupObjects().at(1)->backup(&ok);
        QVERIFY(ok);
    }
    {
        Storage storage(m_data);
        QVERIFY(put(storage, "later", "LATER"));
        storage.erase("keep");
        QVERIFY(storage.backupObjects().at(0)->restore(savedData));
        QVERIFY(storage.backupObjects().at(1)->restore(savedIndex));
        QVERIFY(storage.contains("keep"));
        QVERIFY(!storage.contains("later"));
        QCOMPARE(get(storage, "keep"), QByteArray("KEEP"));
    }
    // The purge at the end must not take the restored picture with it.
    Storage reopened(m_data);
    QCOMPARE(get(reopened, "keep"), QByteArray("KEEP"));
    QCOMPARE(TestHelpers::readFile(m_index), savedIndex);
}

QTEST_GUILESS_MAIN(TestStorage)
#include "tst_storage.moc"
