#include "platform/appidentity.h"
#include "platform/linuxdatalocation.h"
#include "platform/linuxsettingsstore.h"
#include "testhelpers.h"

#include <QDir>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <QtTest>

// The data folder and the settings file, under a private home in Qt's test mode.
class TestDataLocation : public QObject
{
    Q_OBJECT

    QTemporaryDir m_home;

private slots:
    void initTestCase()
    {
        qputenv("HOME", QFile::encodeName(m_home.path()));
        TestHelpers::isolateEnvironment();
        AppIdentity::apply();
    }

    void createsAppDataFolderOnDemand()
    {
        const QString expected = m_home.path() + QStringLiteral("/.qttest/share/Quillane/Quillane Reminder");
        QVERIFY(!QFileInfo::exists(expected));
        LinuxDataLocation location;
        QCOMPARE(location.path(), expected);
        QVERIFY(QFileInfo(expected).isDir());
        QCOMPARE(location.path(), expected);
    }

    void emptyWhenFolderCannotBeMade()
    {
        const QString home = qEnvironmentVariable("HOME");
        const QString blocker = m_home.filePath(QStringLiteral("file"));
        QVERIFY(TestHelpers::writeFile(blocker, "x"));
        qputenv("HOME", QFile::encodeName(blocker));
        QTest::ignoreMessage(QtWarningMsg, QRegularExpression("Cannot create the data folder"));
        const QString path = LinuxDataLocation().path();
        qputenv("HOME", QFile::encodeName(home));
        QVERIFY(path.isEmpty());
    }

    void settingsInNativeUserStore()
    {
        std::unique_ptr<QSettings> settings = LinuxSettingsStore().open();
        QCOMPARE(settings->format(), QSettings::NativeFormat);
        QCOMPARE(settings->scope(), QSettings::UserScope);
        QCOMPARE(settings->organizationName(), QStringLiteral("Quillane"));
        QCOMPARE(settings->applicationName(), QStringLiteral("Quillane Reminder"));
        QCOMPARE(settings->fileName(),
                 m_home.path() + QStringLiteral("/.qttest/config/Quillane/Quillane Reminder.conf"));
    }
};

QTEST_GUILESS_MAIN(TestDataLocation)
#include "tst_datalocation.moc"
