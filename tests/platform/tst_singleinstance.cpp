#include "platform/singleinstance.h"
#include "testhelpers.h"

#include <QFile>
#include <QLocalSocket>
#include <QSemaphore>
#include <QSignalSpy>
#include <QSysInfo>
#include <QTemporaryDir>
#include <QTest>
#include <QThread>

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
        QObject::connect(&instance, &SingleInstance::messageReceived, &instance,
                         [this](const QString &message) { m_messages << message; }, Qt::DirectConnection);
        m_ready.release();
        exec();
    }

    QString m_folder;
    bool m_becameInstance = false;
    QStringList m_messages;
    QSemaphore m_ready;
};

struct RunningInstance
{
    explicit RunningInstance(const QString &folder) : thread(folder)
    {
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

    void deliversMessageAndReportsReceipt()
    {
        QTemporaryDir dir;
        RunningInstance running(dir.path());
        QVERIFY(running.thread.m_becameInstance);
        SingleInstance second(kId, nullptr, dir.path());
        QVERIFY(second.isRunning());
        QVERIFY(second.sendMessage(QStringLiteral("activate"), 5000));
        QTRY_COMPARE(running.thread.m_messages, QStringList{QStringLiteral("activate")});
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
};

QTEST_GUILESS_MAIN(TestSingleInstance)
#include "tst_singleinstance.moc"
