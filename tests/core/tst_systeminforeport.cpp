#include "core/clock.h"
#include "core/systeminforeport.h"
#include "platform/isysteminfo.h"
#include "platform/linuxsysteminfo.h"
#include "testhelpers.h"

#include <QTemporaryDir>
#include <QTextStream>
#include <QtTest>

// Hands the report fixed facts.
class FakeSystemInfo : public ISystemInfo
{
public:
    QString userName() override { return QStringLiteral("anna"); }
    QString hostName() override { return QStringLiteral("desk"); }
    QString kernelType() override { return QStringLiteral("linux"); }
    QString kernelVersion() override { return QStringLiteral("6.1.0"); }
    QString osDescription() override { return QStringLiteral("Debian GNU/Linux 12 (linux 6.1.0) 64-bit"); }
    quint64 cpuSignature() override { return 0x00100800000206a7ull; }
    QByteArray cpuVendor() override { return "GenuineIntel"; }
    int processorCount() override { return 8; }
    SystemMemory systemMemory() override { return {1536ull << 20, 3ull << 30, 16ull << 30, 20ull << 30}; }
    ProcessMemory processMemory(qint64 processId) override
    {
        m_askedPid = processId;
        ProcessMemory memory;
        memory.pageFaultCount = 5000;
        memory.workingSetSize = 50 << 20;
        return memory;
    }
    QList<DisplayInfo> displays() override { return m_displays; }
    QSize dpi() override { return m_displays.isEmpty() ? QSize(0, 0) : QSize(96, 96); }
    QStringList loadedModules() override
    {
        return {"/usr/bin/quillane-reminder", "/usr/lib/x86_64-linux-gnu/libQt6Core.so.6.4.2",
                "/opt/other/libQt6Core.so.6.5.0", "/lib/x86_64-linux-gnu/libc.so.6", "linux-vdso.so.1"};
    }
    QStringList environment() override { return m_environment; }

    QList<DisplayInfo> m_displays{{"Acme Panel", "HDMI-1", 1920, 1080, 32}};
    QStringList m_environment{"PATH=a=b", "HOME=/home/anna", "EMPTY=", "NOEQUALS", "HOME=/x"};
    qint64 m_askedPid = 0;
};

class TestSystemInfoReport : public QObject
{
    Q_OBJECT

private:
    static QString report(ISystemInfo &system, qint64 pid = 42)
    {
        QString text;
        QTextStream out(&text);
        if (!Common::writeSystemInfoReport(out, pid, system))
            return QStringLiteral("failed");
        out.flush();
        return text;
    }

private slots:
    void initTestCase() { TestHelpers::isolateEnvironment(); }
    void init() { Common::Clock::pin(QDateTime(QDate(2026, 1, 15), QTime(12, 0), Qt::UTC)); }
    void cleanup() { Common::Clock::unpin(); }

    void formatSize_data()
    {
        QTest::addColumn<quint64>("bytes");
        QTest::addColumn<QString>("expected");
        QTest::newRow("zero") << quint64(0) << "0 B";
        QTest::newRow("1023") << quint64(1023) << "1023 B";
        QTest::newRow("1024") << quint64(1024) << "1 KB";
        QTest::newRow("cut not rounded") << quint64(2047) << "1 KB";
        QTest::newRow("1 MiB - 1") << quint64(1048575) << "1023 KB";
        QTest::newRow("1 MiB") << quint64(1048576) << "1 MB";
        QTest::newRow("1.5 GiB") << quint64(1536ull << 20) << "1536 MB";
        QTest::newRow("beyond 32 bits") << quint64(64ull << 30) << "65536 MB";
    }

    void formatSize()
    {
        QFETCH(quint64, bytes);
        QFETCH(QString, expected);
        QCOMPARE(Common::formatSize(bytes), expected);
    }

    void cpuLine()
    {
        QCOMPARE(Common::formatCpuSignature(0x00100800000206a7ull), QStringLiteral("00100800.000206a7"));
        QCOMPARE(Common::formatCpuSignature(0), QStringLiteral("00000000.00000000"));
        QCOMPARE(Common::formatCpuSignature(0xffffffffffffffffull), QStringLiteral("ffffffff.ffffffff"));
    }

    void cpuVendor_data()
    {
        QTest::addColumn<QByteArray>("vendor");
        QTest::addColumn<QString>("expected");
        QTest::newRow("intel") << QByteArray("GenuineIntel") << "Intel";
        QTest::newRow("case-insensitive") << QByteArray("authenticamd") << "AMD";
        QTest::newRow("trailing blank") << QByteArray("UMC UMC UMC ") << "UMC";
        QTest::newRow("without trailing blank") << QByteArray("SiS SiS SiS") << "SiS SiS SiS";
        QTest::newRow("unknown") << QByteArray("HygonGenuine") << "HygonGenuine";
        QTest::newRow("none") << QByteArray() << "";
    }

    void cpuVendor()
    {
        QFETCH(QByteArray, vendor);
        QFETCH(QString, expected);
        QCOMPARE(Common::cpuVendorName(vendor), expected);
    }

    void hidesSecretValues_data()
    {
        QTest::addColumn<QString>("variable");
        QTest::addColumn<QString>("line");
        QTest::newRow("token") << "GITHUB_TOKEN=ghp_abc"
                               << "GITHUB_TOKEN=<hidden>";
        QTest::newRow("secret") << "AWS_SECRET_ACCESS_KEY=x"
                                << "AWS_SECRET_ACCESS_KEY=<hidden>";
        QTest::newRow("password") << "DB_PASSWORD=a=b"
                                  << "DB_PASSWORD=<hidden>";
        QTest::newRow("passwd") << "SMTP_PASSWD=x"
                                << "SMTP_PASSWD=<hidden>";
        QTest::newRow("key, lower case") << "api_key=x"
                                         << "api_key=<hidden>";
        QTest::newRow("credential") << "GOOGLE_APPLICATION_CREDENTIALS=/c.json"
                                    << "GOOGLE_APPLICATION_CREDENTIALS=<hidden>";
        QTest::newRow("plain") << "LANG=de_DE.UTF-8"
                               << "LANG=de_DE.UTF-8";
        QTest::newRow("empty secret") << "TOKEN="
                                      << "TOKEN=<hidden>";
    }
    void hidesSecretValues()
    {
        QFETCH(QString, variable);
        QFETCH(QString, line);
        FakeSystemInfo system;
        system.m_environment = {variable};
        const QString text = report(system);
        const int begin = text.indexOf(QLatin1String("[Environment]\n")) + 14;
        QCOMPARE(text.mid(begin, text.indexOf(QLatin1String("[Modules Info]")) - begin), line + QLatin1Char('\n'));
    }

    void moduleNames_data()
    {
        QTest::addColumn<QString>("path");
        QTest::addColumn<QString>("name");
        QTest::addColumn<QString>("version");
        QTest::newRow("full version") << "/usr/lib/libQt6Core.so.6.4.2"
                                      << "libQt6Core"
                                      << "6.4.2.0";
        QTest::newRow("soname only") << "/lib/libc.so.6"
                                     << "libc"
                                     << "6.0.0.0";
        QTest::newRow("no version") << "/usr/lib/libfoo.so"
                                    << "libfoo"
                                    << "0.0.0.0";
        QTest::newRow("long version") << "/lib/libx.so.1.2.3.4.5"
                                      << "libx"
                                      << "1.2.3.4";
        QTest::newRow("program") << "/usr/bin/quillane-reminder"
                                 << "quillane-reminder"
                                 << "0.0.0.0";
        QTest::newRow("dotted name") << "/lib/ld-linux-x86-64.so.2"
                                     << "ld-linux-x86-64"
                                     << "2.0.0.0";
        QTest::newRow("so inside name") << "/lib/libsomething.sox"
                                        << "libsomething"
                                        << "0.0.0.0";
    }

    void moduleNames()
    {
        QFETCH(QString, path);
        QFETCH(QString, name);
        QFETCH(QString, version);
        const QPair<QString, QString> module = Common::moduleNameAndVersion(path);
        QCOMPARE(module.first, name);
        QCOMPARE(module.second, version);
    }

    void writesSectionsInOrder()
    {
        TestHelpers::ScopedTimeZone utc("UTC");
        FakeSystemInfo system;
        const QString expected = QStringLiteral("[UserProfile]\n"
                                                "username=anna\n"
                                                "computername=desk\n"
                                                "utcoffset=0\n"
                                                "launguage=%1\n"
                                                "country=%2\n"
                                                "[OS]\n"
                                                "platformId=linux\n"
                                                "version=6.1.0\n"
                                                "name=Debian GNU/Linux 12 (linux 6.1.0) 64-bit\n"
                                                "[CPU]\n"
                                                "cpuid=00100800.000206a7\n"
                                                "cpunum=8\n"
                                                "vendor=Intel\n"
                                                "[System Memory]\n"
                                                "Available physical memory=1536 MB\n"
                                                "Available virtual memory=3072 MB\n"
                                                "Total physical memory=16384 MB\n"
                                                "Total virtual memory=20480 MB\n"
                                                "[Process Memory]\n"
                                                "PageFaultCount=4 KB\n"
                                                "PagefileUsage=0 B\n"
                                                "PeakPagefileUsage=0 B\n"
                                                "PeakWorkingSetSize=0 B\n"
                                                "QuotaNonPagedPoolUsage=0 B\n"
                                                "QuotaPagedPoolUsage=0 B\n"
                                                "QuotaPeakNonPagedPoolUsage=0 B\n"
                                                "QuotaPeakPagedPoolUsage=0 B\n"
                                                "WorkingSetSize=50 MB\n"
                                                "[Display]\n"
                                                "Num0 Adapter=Acme Panel\n"
                                                "Num0 Device=HDMI-1\n"
                                                "Num0 Resolution=1920x1080x32\n"
                                                "dpiX=96\n"
                                                "dpiY=96\n"
                                                "[Environment]\n"
                                                "EMPTY=\n"
                                                "HOME=/x\n"
                                                "NOEQUALS=\n"
                                                "PATH=a=b\n"
                                                "[Modules Info]\n"
                                                "libQt6Core=6.4.2.0\n"
                                                "libc=6.0.0.0\n"
                                                "linux-vdso=1.0.0.0\n"
                                                "quillane-reminder=0.0.0.0\n")
                                     .arg(QLocale::languageToString(QLocale::system().language()),
                                          QLocale::territoryToString(QLocale::system().territory()));
        QCOMPARE(report(system, 4242), expected);
        QCOMPARE(system.m_askedPid, qint64(4242));
    }

    void utcOffsetIsSigned()
    {
        TestHelpers::ScopedTimeZone zone("America/New_York");
        FakeSystemInfo system;
        QVERIFY(report(system).contains(QLatin1String("\nutcoffset=-18000\n")));
    }

    void noScreensStillWritesDpiLines()
    {
        FakeSystemInfo system;
        system.m_displays.clear();
        QVERIFY(report(system).contains(QLatin1String("[Display]\ndpiX=0\ndpiY=0\n[Environment]\n")));
    }

    void realSystemWithUnreadableProc()
    {
        // No status or stat files under this root, and no GUI application so no screens.
        QTemporaryDir proc;
        LinuxSystemInfo system(proc.path());
        const QString text = report(system, 1);
        for (const char *section :
             {"[UserProfile]\n", "[OS]\n", "[CPU]\n", "[System Memory]\n",
              "[Process Memory]\nPageFaultCount=0 B\nPagefileUsage=0 B\n",
              "WorkingSetSize=0 B\n[Display]\ndpiX=0\ndpiY=0\n[Environment]\n", "[Modules Info]\n"})
            QVERIFY2(text.contains(QLatin1String(section)), section);
        QVERIFY(text.contains(QRegularExpression(QStringLiteral("\nname=\\S.*\n"))));
        QVERIFY(text.contains(QRegularExpression(QStringLiteral("\\nlibc=\\d+\\."))));
    }
};

QTEST_GUILESS_MAIN(TestSystemInfoReport)
#include "tst_systeminforeport.moc"
