#include "platform/freememory.h"
#include "platform/linuxsysteminfo.h"
#include "platform/osdescription.h"
#include "platform/sessionprobe.h"
#include "testhelpers.h"

#include <QDir>
#include <QGuiApplication>
#include <QTemporaryDir>
#include <QtTest>

#include <cstring>
#include <memory>
#include <vector>

class TestSystemProbes : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase() { TestHelpers::isolateEnvironment(); }

    // The start's large heap steps keep free memory at a heap's top; once they end it is given back.
    void largeHeapStepsKeepNothingOnceOver()
    {
        if (!Common::growHeapsInLargeSteps())
            QSKIP("This allocator takes no step size");
        const auto residentKb = [] {
            const QByteArray status = TestHelpers::readFile(QStringLiteral("/proc/self/status"));
            return status.mid(status.indexOf("VmRSS:") + 6).trimmed().split(' ').first().toLong();
        };
        const long before = residentKb();
        std::vector<std::unique_ptr<char[]>> blocks(64 * 1024);
        for (std::unique_ptr<char[]> &block : blocks)
            std::memset((block = std::make_unique<char[]>(512)).get(), 1, 512);
        blocks.clear();
        Common::growHeapsInSmallSteps();
        QVERIFY2(residentKb() - before < 2048, qPrintable(QString::number(residentKb() - before) + " KB kept"));
    }

    void describesSystem_data()
    {
        QTest::addColumn<QString>("product");
        QTest::addColumn<QString>("kernelType");
        QTest::addColumn<QString>("kernelVersion");
        QTest::addColumn<QString>("architecture");
        QTest::addColumn<QString>("expected");
        QTest::newRow("debian") << "Debian GNU/Linux 12 (bookworm)"
                                << "linux"
                                << "6.1.0-18-amd64"
                                << "x86_64"
                                << "Debian GNU/Linux 12 (bookworm) (linux 6.1.0-18-amd64) 64-bit";
        QTest::newRow("32-bit arm") << "Raspbian"
                                    << "linux"
                                    << "5.10"
                                    << "arm"
                                    << "Raspbian (linux 5.10) 32-bit";
        QTest::newRow("no product") << ""
                                    << "linux"
                                    << "6.1"
                                    << "i386"
                                    << "Linux (linux 6.1) 32-bit";
        QTest::newRow("nothing known") << " "
                                       << ""
                                       << ""
                                       << ""
                                       << "Linux [Unknown bit version ()]";
        QTest::newRow("unknown architecture") << "Gentoo"
                                              << "linux"
                                              << "6.6"
                                              << "vax"
                                              << "Gentoo (linux 6.6) [Unknown bit version (vax)]";
    }

    void describesSystem()
    {
        QFETCH(QString, product);
        QFETCH(QString, kernelType);
        QFETCH(QString, kernelVersion);
        QFETCH(QString, architecture);
        QFETCH(QString, expected);
        QCOMPARE(Common::composeOsDescription(product, kernelType, kernelVersion, architecture), expected);
    }

    void runningSystemDescriptionNeverEmpty()
    {
        const QString description = Common::osDescription();
        QVERIFY(description.endsWith(QLatin1String("-bit")) || description.contains(QLatin1String("Unknown bit")));
        QVERIFY(!description.startsWith(QLatin1Char(' ')));
    }

    void sessionCountsAsActiveWithoutLogind()
    {
        // This machine's tests have no system bus; an unreachable logind must not read as "away".
        qputenv("DBUS_SYSTEM_BUS_ADDRESS", "unix:path=/nonexistent/quillane-test-bus");
        LogindSessionProbe probe;
        QVERIFY(probe.isOwnSessionActive());
    }

    void readsProcessMemory()
    {
        QTemporaryDir proc;
        const QString dir = QDir(proc.path()).filePath(QStringLiteral("77"));
        QVERIFY(QDir().mkpath(dir));
        QVERIFY(TestHelpers::writeFile(dir + QStringLiteral("/status"), "Name:\tquillane\n"
                                                                        "VmPeak:\t  300000 kB\n"
                                                                        "VmSize:\t  200000 kB\n"
                                                                        "VmHWM:\t    60000 kB\n"
                                                                        "VmRSS:\t    50000 kB\n"
                                                                        "VmPTE:\t      400 kB\n"));
        // The command name holds blanks and a parenthesis; fields are counted after the last ')'.
        QVERIFY(TestHelpers::writeFile(dir + QStringLiteral("/stat"),
                                       "77 (odd) name) S 1 77 77 0 -1 4194560 1200 0 34 0 5 1 0 0 20 0\n"));
        LinuxSystemInfo system(proc.path());
        const ProcessMemory memory = system.processMemory(77);
        QCOMPARE(memory.peakPagefileUsage, 300000ull * 1024);
        QCOMPARE(memory.pagefileUsage, 200000ull * 1024);
        QCOMPARE(memory.peakWorkingSetSize, 60000ull * 1024);
        QCOMPARE(memory.workingSetSize, 50000ull * 1024);
        QCOMPARE(memory.quotaNonPagedPoolUsage, 400ull * 1024);
        QCOMPARE(memory.quotaPagedPoolUsage, 0ull);
        QCOMPARE(memory.pageFaultCount, 1234ull);
    }

    void unreadableProcGivesZeros()
    {
        QTemporaryDir proc;
        const QString dir = QDir(proc.path()).filePath(QStringLiteral("5"));
        // Folders where files should be: opening them fails even for root.
        QVERIFY(QDir().mkpath(dir + QStringLiteral("/status")));
        QVERIFY(QDir().mkpath(dir + QStringLiteral("/stat")));
        LinuxSystemInfo system(proc.path());
        const ProcessMemory memory = system.processMemory(5);
        QCOMPARE(memory.workingSetSize, 0ull);
        QCOMPARE(memory.pageFaultCount, 0ull);
        QCOMPARE(system.processMemory(6).pagefileUsage, 0ull);

        const QString truncated = QDir(proc.path()).filePath(QStringLiteral("8"));
        QVERIFY(QDir().mkpath(truncated));
        QVERIFY(TestHelpers::writeFile(truncated + QStringLiteral("/stat"), "8 (x) S 1 2"));
        QVERIFY(TestHelpers::writeFile(truncated + QStringLiteral("/status"), "VmRSS: junk kB\n"));
        QCOMPARE(system.processMemory(8).pageFaultCount, 0ull);
        QCOMPARE(system.processMemory(8).workingSetSize, 0ull);
    }

    void availableMemoryFromMeminfo()
    {
        QTemporaryDir proc;
        QVERIFY(TestHelpers::writeFile(proc.filePath(QStringLiteral("meminfo")), "MemTotal:       16000000 kB\n"
                                                                                 "MemFree:          100000 kB\n"
                                                                                 "MemAvailable:    8000000 kB\n"));
        LinuxSystemInfo system(proc.path());
        const SystemMemory memory = system.systemMemory();
        QCOMPARE(memory.availablePhysical, 8000000ull * 1024);
        QVERIFY(memory.availableVirtual >= memory.availablePhysical);
        QVERIFY(memory.totalVirtual >= memory.totalPhysical);
        // Without meminfo the kernel's free count stands in.
        QTemporaryDir empty;
        QVERIFY(LinuxSystemInfo(empty.path()).systemMemory().availablePhysical > 0);
    }

    void readsLiveFacts()
    {
        LinuxSystemInfo system;
        QVERIFY(system.processorCount() > 0);
        QVERIFY(system.systemMemory().totalPhysical > 0);
        QVERIFY(system.processMemory(QCoreApplication::applicationPid()).workingSetSize > 0);
#if defined(__x86_64__)
        QCOMPARE(system.cpuVendor().size(), 12);
        QVERIFY(system.cpuSignature() != 0);
#endif
        const QStringList modules = system.loadedModules();
        QVERIFY(!modules.isEmpty());
        QCOMPARE(QFileInfo(modules.first()).fileName(), QStringLiteral("tst_systemprobes"));
        QVERIFY(std::any_of(modules.cbegin(), modules.cend(),
                            [](const QString &path) { return path.contains(QLatin1String("libQt6Core.so.6.")); }));
    }

    void listsOffscreenScreen()
    {
        LinuxSystemInfo system;
        const QList<DisplayInfo> displays = system.displays();
        QCOMPARE(displays.size(), QGuiApplication::screens().size());
        QVERIFY(!displays.isEmpty());
        QVERIFY(displays.first().width > 0);
        QVERIFY(displays.first().depth > 0);
        QVERIFY(system.dpi().width() > 0);
    }
};

QTEST_MAIN(TestSystemProbes)
#include "tst_systemprobes.moc"
