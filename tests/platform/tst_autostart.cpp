#include "platform/linuxautostart.h"
#include "testhelpers.h"

#include <QDir>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <QtTest>

class TestAutostart : public QObject
{
    Q_OBJECT

    QString entryPath() const { return m_config.filePath(QStringLiteral("autostart/quillane-reminder.desktop")); }

    QTemporaryDir m_config;

private slots:
    void initTestCase() { TestHelpers::isolateEnvironment(); }
    void cleanup() { QFile::remove(entryPath()); }

    void writesDesktopEntry()
    {
        LinuxAutostart autostart(QStringLiteral("/usr/bin/quillane-reminder"), m_config.path());
        QCOMPARE(autostart.entryPath(), entryPath());
        QVERIFY(!autostart.isOn());
        QVERIFY(autostart.setOn(true));
        QVERIFY(autostart.isOn());
        QCOMPARE(TestHelpers::readFile(entryPath()), QByteArray("[Desktop Entry]\n"
                                                                "Type=Application\n"
                                                                "Name=Quillane Reminder\n"
                                                                "Exec=/usr/bin/quillane-reminder SILENTMODE\n"
                                                                "Terminal=false\n"
                                                                "X-GNOME-Autostart-enabled=true\n"));
    }

    void quotesProgramPath_data()
    {
        QTest::addColumn<QString>("program");
        QTest::addColumn<QByteArray>("execLine");
        QTest::newRow("space") << "/opt/Quillane Reminder/qr"
                               << QByteArray("Exec=\"/opt/Quillane Reminder/qr\" SILENTMODE");
        QTest::newRow("percent") << "/home/u/100%/qr" << QByteArray("Exec=/home/u/100%%/qr SILENTMODE");
        QTest::newRow("quote and dollar")
            << "/home/u/a\"b$c/qr" << QByteArray("Exec=\"/home/u/a\\\\\"b\\\\$c/qr\" SILENTMODE");
        QTest::newRow("backslash") << "/home/u/a\\b" << QByteArray("Exec=\"/home/u/a\\\\\\\\b\" SILENTMODE");
        QTest::newRow("non-ASCII") << "/home/j\u00fcrgen/qr" << QByteArray("Exec=/home/j\xc3\xbcrgen/qr SILENTMODE");
    }

    void quotesProgramPath()
    {
        QFETCH(QString, program);
        QFETCH(QByteArray, execLine);
        const QList<QByteArray> lines = LinuxAutostart(program, m_config.path()).entryText().split('\n');
        QCOMPARE(lines.value(3), execLine);
    }

    void turnsOffByRemovingEntry()
    {
        LinuxAutostart autostart(QStringLiteral("/usr/bin/quillane-reminder"), m_config.path());
        QVERIFY(autostart.setOn(true));
        QVERIFY(autostart.setOn(false));
        QVERIFY(!QFile::exists(entryPath()));
        QVERIFY(!autostart.isOn());
        QVERIFY(autostart.setOn(false));
    }

    void entryDisabledByDesktopCountsAsOff()
    {
        LinuxAutostart autostart(QStringLiteral("/usr/bin/quillane-reminder"), m_config.path());
        QVERIFY(autostart.setOn(true));
        QVERIFY(TestHelpers::writeFile(entryPath(), autostart.entryText() + "Hidden=true\n"));
        QVERIFY(!autostart.isOn());
        QVERIFY(autostart.setOn(true));
        QVERIFY(autostart.isOn());
    }

    void reportsUnwritableFolder()
    {
        const QString blocker = m_config.filePath(QStringLiteral("not-a-folder"));
        QVERIFY(TestHelpers::writeFile(blocker, "x"));
        LinuxAutostart autostart(QStringLiteral("/usr/bin/quillane-reminder"), blocker);
        QTest::ignoreMessage(QtWarningMsg, QRegularExpression("Cannot write the autostart entry"));
        QVERIFY(!autostart.setOn(true));
        QVERIFY(!autostart.isOn());
    }

    void defaultsToUserConfigFolder()
    {
        const LinuxAutostart autostart;
        QCOMPARE(autostart.entryPath(), QStandardPaths::writableLocation(QStandardPaths::GenericConfigLocation) +
                                            QStringLiteral("/autostart/quillane-reminder.desktop"));
        QVERIFY(autostart.entryText().contains(QCoreApplication::applicationFilePath().toUtf8() + " SILENTMODE\n"));
    }
};

QTEST_GUILESS_MAIN(TestAutostart)
#include "tst_autostart.moc"
