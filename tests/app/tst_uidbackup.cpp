#include "app/uidbackup.h"
#include "testhelpers.h"

#include <QSettings>
#include <QTemporaryDir>
#include <QTest>

class TestUidBackup : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase()
    {
        TestHelpers::isolateEnvironment();
        QSettings::setPath(QSettings::NativeFormat, QSettings::UserScope, m_config.path());
    }

    void madeOnceThenKept()
    {
        const QString org = QStringLiteral("UidOrgA");
        const QString uid = UidBackup::readOrCreate(org);
        QVERIFY(UidBackup::isValidUid(uid));
        QCOMPARE(uid.size(), 38);
        QCOMPARE(UidBackup::readOrCreate(org), uid);
        QVERIFY(UidBackup::readOrCreate(QStringLiteral("UidOrgB")) != uid);
    }

    void backupAndRestoreCarryTheId()
    {
        const QString org = QStringLiteral("UidOrgC");
        UidBackup source(QStringLiteral("{12345678-1234-1234-1234-123456789abc}"), QStringLiteral("elsewhere"));
        bool ok = false;
        const QByteArray data = source.backup(&ok);
        QVERIFY(ok);
        QCOMPARE(source.name(), QByteArray("uid"));
        QVERIFY(!source.lastModified().isValid());
        UidBackup target(UidBackup::readOrCreate(org), org);
        QVERIFY(target.restore(data));
        // The next start reads the restored id.
        QCOMPARE(UidBackup::readOrCreate(org), QStringLiteral("{12345678-1234-1234-1234-123456789abc}"));
    }

    void refusesWhatIsNoId_data()
    {
        QTest::addColumn<QByteArray>("data");
        QTest::newRow("empty") << QByteArray();
        QTest::newRow("no braces") << QByteArray("12345678-1234-1234-1234-123456789abc");
        QTest::newRow("too long") << QByteArray("{12345678-1234-1234-1234-123456789abcd}");
        QTest::newRow("not hex") << QByteArray("{1234567g-1234-1234-1234-123456789abc}");
        QTest::newRow("settings syntax") << QByteArray("x\n[General]\nuid=1");
    }

    void refusesWhatIsNoId()
    {
        QFETCH(QByteArray, data);
        const QString org = QStringLiteral("UidOrgD");
        const QString before = UidBackup::readOrCreate(org);
        UidBackup target(before, org);
        QVERIFY(!target.restore(data));
        QCOMPARE(UidBackup::readOrCreate(org), before);
    }

private:
    QTemporaryDir m_config;
};

QTEST_GUILESS_MAIN(TestUidBackup)
#include "tst_uidbackup.moc"
