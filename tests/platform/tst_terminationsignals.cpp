#include "platform/terminationsignals.h"
#include "testhelpers.h"

#include <QSaveFile>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <QTest>

#include <csignal>
#include <sys/resource.h>

namespace {

// What every save of the program does: a temporary file, written whole, then renamed into place.
bool save(const QString &path, const QByteArray &data, QString *error = nullptr)
{
    QSaveFile file(path);
    const bool ok = file.open(QIODevice::WriteOnly) && file.write(data) == data.size() && file.commit();
    if (!ok && error)
        *error = file.errorString();
    return ok;
}

} // namespace

class TestTerminationSignals : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase() { TestHelpers::isolateEnvironment(); }

    // The signal arrives while the program is busy, here in the middle of a save: the save finishes
    // whole, and the request to end comes from the event loop afterwards.
    void signalEndsThroughTheEventLoop_data()
    {
        QTest::addColumn<int>("number");
        QTest::newRow("SIGTERM") << int(SIGTERM);
        QTest::newRow("SIGINT") << int(SIGINT);
        QTest::newRow("SIGHUP") << int(SIGHUP);
    }

    void signalEndsThroughTheEventLoop()
    {
        QFETCH(int, number);
        QTemporaryDir dir;
        TerminationSignals watcher;
        QVERIFY(watcher.isWatching());
        QSignalSpy spy(&watcher, &TerminationSignals::terminationRequested);
        const QByteArray data(1 << 20, 'x');
        QVERIFY(save(dir.filePath("a.dat"), "old"));
        QCOMPARE(::raise(number), 0);
        QVERIFY(save(dir.filePath("a.dat"), data));
        QCOMPARE(spy.count(), 0);
        QVERIFY(spy.wait(5000));
        QCOMPARE(spy.takeFirst().at(0).toInt(), number);
        QCOMPARE(TestHelpers::readFile(dir.filePath("a.dat")), data);
    }

    // Beyond the file-size limit a save fails and says so; the program lives on, the old file stays.
    void fileSizeLimitFailsTheWriteOnly()
    {
        QTemporaryDir dir;
        TerminationSignals watcher;
        const QString file = dir.filePath("b.dat");
        QVERIFY(save(file, "old"));
        struct rlimit before;
        QCOMPARE(getrlimit(RLIMIT_FSIZE, &before), 0);
        struct rlimit small = before;
        small.rlim_cur = 4096;
        QCOMPARE(setrlimit(RLIMIT_FSIZE, &small), 0);
        QString error;
        const bool written = save(file, QByteArray(1 << 16, 'y'), &error);
        setrlimit(RLIMIT_FSIZE, &before);
        QVERIFY(!written);
        QVERIFY(!error.isEmpty());
        QCOMPARE(TestHelpers::readFile(file), QByteArray("old"));
    }
};

QTEST_GUILESS_MAIN(TestTerminationSignals)
#include "tst_terminationsignals.moc"
