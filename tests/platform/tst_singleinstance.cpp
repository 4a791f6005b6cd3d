#include "platform/singleinstance.h"
#include "testhelpers.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QLocalSocket>
#include <QSemaphore>
#include <QSignalSpy>
#include <QSysInfo>
#include <QTemporaryDir>
#include <QTest>
#include <QThread>

#include <csignal>
#include <sys/resource.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

namespace {

const QString kId = QStringLiteral("QuillaneReminderTest");

// The first instance, running its own event loop as the real one does in another process.
class InstanceThread : public QThread
{
public:
    explicit InstanceThread(const QString &folder) : m_folder(folder) {}

    void run() override
    {
        SingleInstance instance(kId, nullptr, m_folder);
        m_becameInstance = !instance.isRunning();
        m_serverName = instance.serverName();
        QObject::connect(
            &instance, &SingleInstance::messageReceived, &instance,
            [this](const QString &message) { m_messages << message; }, Qt::DirectConnection);
        m_ready.release();
        m_release.tryAcquire(1, int(m_busyMs)); // busy, as under load: messages wait in the socket
        if (!m_endsBusy)
            exec();
    }

    QString m_folder;
    bool m_becameInstance = false;
    QString m_serverName;
    unsigned long m_busyMs = 0;
    bool m_endsBusy = false;
    QStringList m_messages;
    QSemaphore m_ready;
    QSemaphore m_release;
};

struct RunningInstance
{
    explicit RunningInstance(const QString &folder, unsigned long busyMs = 0, bool endsBusy = false) : thread(folder)
    {
        thread.m_busyMs = busyMs;
        thread.m_endsBusy = endsBusy;
        thread.start();
        thread.m_ready.acquire();
    }
    ~RunningInstance()
    {
        thread.quit();
        thread.wait();
    }
    InstanceThread thread;
};

} // namespace

class TestSingleInstance : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase() { TestHelpers::isolateEnvironment(); }

    void firstBecomesInstanceSecondFindsIt()
    {
        QTemporaryDir dir;
        SingleInstance first(kId, nullptr, dir.path());
        QVERIFY(!first.isRunning());
        QVERIFY(first.isListening());
        SingleInstance second(kId, nullptr, dir.path());
        QVERIFY(second.isRunning());
        QVERIFY(!first.isRunning()); // decided once
    }

    // Also from a folder too long for a socket's path (107 bytes), and from a busy instance past the time.
    void deliversMessageAndReportsReceipt_data()
    {
        QTest::addColumn<int>("depth");
        QTest::addColumn<int>(
            "busy"); // 1: busy, then answers; 2: busy, then ends; 3: busy until asked; 4: not listening
        QTest::addColumn<int>("stopAt"); // the question that says to stop waiting; 0 for none
        QTest::newRow("short folder") << 0 << 0 << 0;
        QTest::newRow("folder longer than a socket's path") << 120 << 0 << 0;
        QTest::newRow("busy, answers late") << 0 << 1 << 0;
        QTest::newRow("busy, waiting stopped") << 0 << 1 << 3;
        QTest::newRow("busy, ends while waited for") << 0 << 2 << 0;
        QTest::newRow("busy for long, asked within the time") << 0 << 3 << 0;
        QTest::newRow("holds its place, not listening") << 0 << 4 << 1;
    }

    void deliversMessageAndReportsReceipt()
    {
        QFETCH(int, depth);
        QFETCH(int, busy);
        QFETCH(int, stopAt);
        QTemporaryDir dir;
        const QString folder = depth ? dir.filePath(QString(depth, QLatin1Char('d'))) : dir.path();
        const bool received = busy != 2 && !stopAt;
        QString socket;
        {
            RunningInstance running(folder, busy == 3 ? 14000 : busy ? 1500 : 0, busy == 2);
            SingleInstance second(kId, nullptr, folder);
            QVERIFY(running.thread.m_becameInstance && second.isRunning());
            QVERIFY(busy != 4 || QFile::remove(running.thread.m_serverName));
            int asked = 0;
            const auto ask = [&] {
                if (busy == 3)
                    running.thread.m_release.release();
                return ++asked != stopAt;
            };
            QCOMPARE(second.sendMessage("activate", busy == 3 ? 15000 : busy ? 300 : 5000, ask), received);
            QVERIFY(busy ? asked > 0 && (!stopAt || asked == stopAt) : asked == 0);
            if (received)
                QTRY_COMPARE(running.thread.m_messages, QStringList{QStringLiteral("activate")});
            // Ended while waited for, the instance leaves the start its place.
            if (busy == 2)
                QVERIFY(second.decideAgainIfEnded() && !second.isRunning() && second.isListening());
            socket = running.thread.m_serverName;
        }
        // Nothing stays where the socket was, nor a folder made for it.
        QVERIFY(!socket.isEmpty() && !QFileInfo::exists(socket));
        QVERIFY(socket.startsWith(folder) || !QFileInfo::exists(QFileInfo(socket).path()));
    }

    void sendWithoutInstanceFailsInTime()
    {
        QTemporaryDir dir;
        SingleInstance lone(kId, nullptr, dir.path());
        QElapsedTimer timer;
        timer.start();
        QVERIFY(!lone.sendMessage(QStringLiteral("activate"), 300));
        QVERIFY(timer.elapsed() < 3000);
    }

    void takesOverLockOfDeadProcess()
    {
        QTemporaryDir dir;
        QString lockPath;
        {
            SingleInstance probe(kId, nullptr, dir.path());
            lockPath = probe.lockFilePath();
        }
        // What a killed instance leaves: its lock naming a process that is gone, and its socket file.
        QVERIFY(TestHelpers::writeFile(lockPath, "2147483646\nquillane-reminder\n" +
                                                     QSysInfo::machineHostName().toUtf8() + "\n"));
        SingleInstance next(kId, nullptr, dir.path());
        QVERIFY(TestHelpers::writeFile(next.serverName(), "left over"));
        QVERIFY(!next.isRunning());
        QVERIFY(next.isListening());
    }

    // The data folder's lock: of a process gone from this host, or not renewed for long on another, it is taken
    // over and then names this process and where it listens; else the start says who holds the folder.
    void takesOverOnlyAStaleDataFolderLock_data()
    {
        QTest::addColumn<QByteArray>("host");
        QTest::addColumn<int>("minutesOld");
        QTest::addColumn<bool>("taken");
        const int stale = SingleInstance::kDataLockStaleMs / 60000;
        QTest::newRow("a dead process here") << QSysInfo::machineHostName().toUtf8() << 0 << true;
        QTest::newRow("another host, renewed lately") << QByteArray("elsewhere") << stale - 1 << false;
        QTest::newRow("another host, not renewed for long") << QByteArray("elsewhere") << stale + 1 << true;
    }

    void takesOverOnlyAStaleDataFolderLock()
    {
        QFETCH(QByteArray, host);
        QFETCH(int, minutesOld);
        QFETCH(bool, taken);
        QTemporaryDir run, data;
        const QString lock = data.filePath("instance.lock");
        QVERIFY(TestHelpers::writeFile(lock, "2147483646\nquillane-reminder\n" + host + "\n"));
        QFile file(lock);
        QVERIFY(file.open(QIODevice::ReadWrite) &&
                file.setFileTime(QDateTime::currentDateTime().addSecs(-60 * minutesOld), QFile::FileModificationTime));
        SingleInstance start(kId, nullptr, run.path(), data.path());
        QCOMPARE(start.isRunning(), !taken);
        QCOMPARE(start.dataFolderHolder(), taken ? QString() : "process 2147483646 on " + host);
        QCOMPARE(TestHelpers::readFile(lock).endsWith("\nserver " + QFile::encodeName(start.serverName()) + '\n'),
                 taken);
    }

    void silentPeerDoesNotBlockOthers()
    {
        QTemporaryDir dir;
        RunningInstance running(dir.path());
        SingleInstance second(kId, nullptr, dir.path());
        QVERIFY(second.isRunning());
        QLocalSocket silent;
        silent.connectToServer(second.serverName());
        QVERIFY(silent.waitForConnected(2000));
        QVERIFY(second.sendMessage(QStringLiteral("activate"), 3000));
        QTRY_COMPARE(running.thread.m_messages.size(), 1);
    }

    void refusesOversizedMessage()
    {
        QTemporaryDir dir;
        RunningInstance running(dir.path());
        SingleInstance second(kId, nullptr, dir.path());
        QVERIFY(second.isRunning());
        QVERIFY(!second.sendMessage(QString(SingleInstance::kMaxMessageBytes, QLatin1Char('x')), 1000));
        QVERIFY(second.sendMessage(QStringLiteral("other"), 3000));
        QTRY_COMPARE(running.thread.m_messages, QStringList{QStringLiteral("other")});
    }

    // No lock can be made: the start must not take itself for the instance, and says why.
    void lockThatCannotBeMadeIsNoInstance_data()
    {
        QTest::addColumn<bool>("full");
        QTest::newRow("folder is a file") << false;
        QTest::newRow("no room to write") << true;
    }

    void lockThatCannotBeMadeIsNoInstance()
    {
        QFETCH(bool, full);
        QTemporaryDir dir;
        QString folder = dir.path();
        struct rlimit before;
        QCOMPARE(getrlimit(RLIMIT_FSIZE, &before), 0);
        if (full) {
            // A file may not grow at all: the lock's first byte fails as on a full disk.
            std::signal(SIGXFSZ, SIG_IGN);
            struct rlimit none = before;
            none.rlim_cur = 0;
            QCOMPARE(setrlimit(RLIMIT_FSIZE, &none), 0);
        } else {
            folder = dir.filePath("taken");
            QVERIFY(TestHelpers::writeFile(folder, "a file"));
        }
        SingleInstance start(kId, nullptr, folder);
        const bool running = start.isRunning();
        setrlimit(RLIMIT_FSIZE, &before);
        QVERIFY(running);
        QVERIFY(!start.errorString().isEmpty());
        QVERIFY(!start.isListening());
        QVERIFY(!QFileInfo::exists(start.lockFilePath()));
        QVERIFY(!start.sendMessage(QStringLiteral("activate"), 300));
    }

    // Another user's start finds the data folder's lock beyond its reach: it names the folder's owner, not the disk.
    void namesAnotherUsersDataFolder()
    {
        // In /tmp, which the other user can reach whatever the test run's own temporary folder is.
        QTemporaryDir run(QStringLiteral("/tmp/qr-XXXXXX")), data(QStringLiteral("/tmp/qr-XXXXXX"));
        if (::getuid() != 0 || ::chown(QFile::encodeName(run.path()).constData(), 65534, 65534) != 0)
            QSKIP("Needs root to start as another user");
        const pid_t child = ::fork();
        if (child == 0) { // as the other user, it writes its error into a folder of its own
            if (::setgid(65534) == 0 && ::setuid(65534) == 0) {
                SingleInstance start(kId, nullptr, run.path(), data.path());
                TestHelpers::writeFile(run.filePath("said"), start.isRunning() ? start.errorString().toUtf8() : "");
            }
            ::_exit(0);
        }
        QCOMPARE(::waitpid(child, nullptr, 0), child);
        QCOMPARE(TestHelpers::readFile(run.filePath("said")),
                 "the data folder \"" + QFile::encodeName(data.path()) +
                     "\" belongs to another user and cannot be made private to this one");
    }

    // The lock and the socket go only into a folder no other user can write.
    void choosesOnlyAPrivateFolder_data()
    {
        QTest::addColumn<QString>("session"); // how the session's runtime folder is
        QTest::addColumn<bool>("sessionTaken");
        QTest::newRow("private") << "private" << true;
        QTest::newRow("unset") << "" << false;
        QTest::newRow("shared") << "shared" << false;
        QTest::newRow("another user's") << "other" << false;
        QTest::newRow("link to a private folder") << "link" << false;
        QTest::newRow("missing") << "missing" << false;
    }

    void choosesOnlyAPrivateFolder()
    {
        QFETCH(QString, session);
        QFETCH(bool, sessionTaken);
        QTemporaryDir dir;
        QString sessionFolder;
        if (!session.isEmpty()) {
            sessionFolder = dir.filePath("run");
            if (session == "link") {
                QVERIFY(QDir().mkpath(dir.filePath("real")));
                QVERIFY(QFile::link(dir.filePath("real"), sessionFolder));
            } else if (session != "missing") {
                QVERIFY(QDir().mkpath(sessionFolder));
                QCOMPARE(::chmod(QFile::encodeName(sessionFolder).constData(), session == "shared" ? 01777 : 0700), 0);
            }
            if (session == "other" && ::chown(QFile::encodeName(sessionFolder).constData(), 65534, 65534) != 0)
                QSKIP("Needs root to plant another user's folder");
        }
        // The fallback already exists, shared: it is taken back, made private.
        const QString own = dir.filePath("cache/runtime");
        QVERIFY(QDir().mkpath(own));
        QCOMPARE(::chmod(QFile::encodeName(own).constData(), 0777), 0);

        QString error;
        const QString chosen = SingleInstance::chooseFolder(sessionFolder, own, &error);
        QCOMPARE(chosen, sessionTaken ? sessionFolder : own);
        QVERIFY(error.isEmpty());
        QVERIFY(SingleInstance::isPrivateFolder(chosen, ::getuid()));
        QVERIFY(!SingleInstance::isPrivateFolder(chosen, ::getuid() + 1));
    }

    void noPrivateFolderNoChoice_data()
    {
        QTest::addColumn<bool>("otherUsers");
        QTest::newRow("a file in the way") << false;
        QTest::newRow("another user's folder") << true;
    }

    void noPrivateFolderNoChoice()
    {
        QFETCH(bool, otherUsers);
        QTemporaryDir dir;
        const QString own = dir.filePath("runtime");
        if (otherUsers) {
            QVERIFY(QDir().mkpath(own));
            if (::chown(QFile::encodeName(own).constData(), 65534, 65534) != 0)
                QSKIP("Needs root to plant another user's folder");
        } else {
            QVERIFY(TestHelpers::writeFile(own, "x"));
        }
        QString error;
        QVERIFY(SingleInstance::chooseFolder(QString(), own, &error).isEmpty());
        QVERIFY(!error.isEmpty());
        QVERIFY(SingleInstance::chooseFolder(QString(), QString(), &error).isEmpty());
    }
};

QTEST_GUILESS_MAIN(TestSingleInstance)
#include "tst_singleinstance.moc"
