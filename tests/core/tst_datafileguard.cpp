#include "core/datafileguard.h"
#include "core/inifilecheck.h"
#include "core/usermessages.h"
#include "testhelpers.h"

#include <QDir>
#include <QFileInfo>
#include <QScopeGuard>
#include <QSettings>
#include <QTemporaryDir>
#include <QTest>

using Common::DataFileGuard;
using Common::UserMessages;

class TestDataFileGuard : public QObject
{
    Q_OBJECT

private slots:
    void init()
    {
        DataFileGuard::reset();
        UserMessages::reset();
    }

    void keepsTheOldBytesOnceAndTellsOnce()
    {
        QTemporaryDir dir;
        const QString path = dir.filePath(QStringLiteral("list.dat"));
        QVERIFY(TestHelpers::writeFile(path, "old bytes"));
        QVERIFY(TestHelpers::writeFile(path + QStringLiteral(".bak"), "an earlier copy"));

        DataFileGuard::notice(path, DataFileGuard::NewerVersion);
        DataFileGuard::notice(dir.filePath(QStringLiteral("./list.dat")), DataFileGuard::Unreadable);
        QVERIFY(UserMessages::told().isEmpty()); // not from inside the reader
        QCoreApplication::processEvents();
        QCOMPARE(UserMessages::told().size(), 1);
        QCOMPARE(UserMessages::told().first().title, QStringLiteral("Data Error"));
        QVERIFY(UserMessages::told().first().text.contains(path));
        QVERIFY(UserMessages::told().first().text.contains(QStringLiteral("list.dat.bak1")));

        QVERIFY(DataFileGuard::writeFile(path, "new 1"));
        QVERIFY(DataFileGuard::writeFile(path, "new 2"));
        DataFileGuard::notice(path, DataFileGuard::Unreadable); // read again: told already
        QCoreApplication::processEvents();
        QCOMPARE(UserMessages::told().size(), 1);
        QCOMPARE(TestHelpers::readFile(path + QStringLiteral(".bak")), QByteArray("an earlier copy"));
        QCOMPARE(TestHelpers::readFile(path + QStringLiteral(".bak1")), QByteArray("old bytes"));
        QCOMPARE(TestHelpers::readFile(path), QByteArray("new 2"));
    }

    // A file noticed after the first telling is told in a telling of its own.
    void tellsAgainForALaterFile()
    {
        QTemporaryDir dir;
        for (const QString &name : {QStringLiteral("a.dat"), QStringLiteral("b.dat")}) {
            const QString path = dir.filePath(name);
            QVERIFY(TestHelpers::writeFile(path, "x"));
            DataFileGuard::notice(path, DataFileGuard::UnknownShape);
            QCoreApplication::processEvents();
            QVERIFY(UserMessages::toldLines().join(u'\n').contains(path));
        }
        QCOMPARE(UserMessages::told().size(), 2);
    }

    void iniText_data()
    {
        QTest::addColumn<QByteArray>("text");
        QTest::addColumn<int>("problem"); // -1: read whole
        QTest::newRow("empty") << QByteArray("") << -1;
        QTest::newRow("settings") << QByteArray("[General]\na=1\n; note\n\n[Properties]\nb=x y\n") << -1;
        QTest::newRow("no line end") << QByteArray("[General]\na=1") << int(DataFileGuard::Unreadable);
        QTest::newRow("binary") << QByteArray("a=\x01\x00\x02\n", 6) << int(DataFileGuard::Unreadable);
        QTest::newRow("not utf-8") << QByteArray("a=\xff\xfe\n") << int(DataFileGuard::Unreadable);
        QTest::newRow("json") << QByteArray("{\"a\": 1}\n") << int(DataFileGuard::UnknownShape);
        QTest::newRow("cut section") << QByteArray("[Gen\na=1\n") << int(DataFileGuard::UnknownShape);
    }

    void iniText()
    {
        QFETCH(QByteArray, text);
        QFETCH(int, problem);
        const std::optional<DataFileGuard::Problem> found = Common::iniTextProblem(text);
        QCOMPARE(found ? int(*found) : -1, problem);
    }

    // A damaged settings file whose copy fails (too big for the size limit) is not written until a copy is made.
    // Nothing goes through the system's temporary folder (unusable here); what a kill left beside the file goes.
    void settingsWaitForTheirCopy()
    {
        QTemporaryDir dir;
        const QString path = dir.filePath(QStringLiteral("Quillane Reminder.conf"));
        const QByteArray damaged = "[Properties]\ndaysToWatch=5\n" + QByteArray(6000, 'x');
        QVERIFY(TestHelpers::writeFile(path, damaged) &&
                TestHelpers::writeFile(path + ".qr-tmp-AbC123", "left by a kill"));
        const QByteArray tmp = qgetenv("TMPDIR");
        const auto restore = qScopeGuard([&] { tmp.isNull() ? qunsetenv("TMPDIR") : qputenv("TMPDIR", tmp); });
        qputenv("TMPDIR", QFile::encodeName(path));
        Common::removeSettingsLeftovers(path);
        QSettings settings(path, Common::guardedIniFormat());
        settings.setValue(QStringLiteral("Properties/daysToWatch"), 7);
        {
            TestHelpers::ScopedFileSizeLimit limit(4096);
            Common::guardIniFile(path);
            settings.sync();
        }
        DataFileGuard::tellWaiting();
        const QStringList told = UserMessages::toldLines();
        QVERIFY(told.size() == 1 && !told.first().contains(QStringLiteral(".bak")));
        QCOMPARE(TestHelpers::readFile(path), damaged);
        settings.setValue(QStringLiteral("Properties/daysToWatch"), 8);
        settings.sync();
        QCOMPARE(TestHelpers::readFile(path + QStringLiteral(".bak")), damaged);
        QCOMPARE(QSettings(path, QSettings::IniFormat).value(QStringLiteral("Properties/daysToWatch")).toInt(), 8);
        QCOMPARE(QDir(dir.path()).entryList(QDir::Files | QDir::Hidden),
                 (QStringList{"Quillane Reminder.conf", "Quillane Reminder.conf.bak"}));
    }

    void writesKeepNoCopyOfTheSettings()
    {
        QTemporaryDir dir;
        QSettings settings(dir.filePath(QStringLiteral("s.conf")), Common::guardedIniFormat());
        QByteArray list(1000, 'x');
        for (int i = 0; i < 6; ++i) {
            settings.setValue(QStringLiteral("n%1").arg(i), list);
            settings.sync();
        }
        QCOMPARE(list.data_ptr().d_ptr()->ref_.loadRelaxed(), 7);
    }
};

QTEST_GUILESS_MAIN(TestDataFileGuard)
#include "tst_datafileguard.moc"
