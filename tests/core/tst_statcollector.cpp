#include "core/datafileguard.h"
#include "core/statcollector.h"
#include "core/usermessages.h"
#include "testhelpers.h"

#include <QSettings>
#include <QTemporaryDir>
#include <QtTest>

#include <memory>
#include <sys/stat.h>

class TestStatCollector : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase() { TestHelpers::isolateEnvironment(); }

    void init()
    {
        m_dir = std::make_unique<QTemporaryDir>();
        m_dump = m_dir->filePath("stat.dat");
        StatCollector::reset();
    }

    void cleanup()
    {
        StatCollector::reset();
        m_settings.reset();
    }

    void firstStartIsToldByStoredValues_data()
    {
        QTest::addColumn<QString>("ini");
        QTest::addColumn<bool>("first");
        QTest::newRow("no group") << "" << true;
        QTest::newRow("only bools") << "[stat]\nf_about=true\nf_backup=false\n" << true;
        QTest::newRow("a counter") << "[stat]\nnumber_of_starts=3\n" << false;
        QTest::newRow("a text") << "[stat]\nsystem_country=Germany\n" << false;
        QTest::newRow("other group only") << "[Properties]\nx=1\n" << true;
    }

    void firstStartIsToldByStoredValues()
    {
        QFETCH(QString, ini);
        QFETCH(bool, first);
        startRun(ini.toUtf8());
        QCOMPARE(StatCollector::isFirstStart(), first);
    }

    void countersKeepCountingAcrossRuns_data()
    {
        QTest::addColumn<QByteArray>("ini");
        QTest::addColumn<QString>("expected");
        QTest::newRow("new key") << QByteArray() << "1";
        QTest::newRow("stored as bool true") << QByteArray("[stat]\nf_about=true\n") << "2";
        QTest::newRow("stored as bool false") << QByteArray("[stat]\nf_about=false\n") << "1";
        QTest::newRow("stored as number text") << QByteArray("[stat]\nf_about=41\n") << "42";
        QTest::newRow("stored as zero") << QByteArray("[stat]\nf_about=0\n") << "1";
    }

    void countersKeepCountingAcrossRuns()
    {
        QFETCH(QByteArray, ini);
        QFETCH(QString, expected);
        startRun(ini);
        StatCollector::incrementCounter("f_about");
        QCOMPARE(StatCollector::collect().value("f_about"), expected);

        startRun(); // a later run reads the settings file again
        StatCollector::incrementCounter("f_about");
        QCOMPARE(StatCollector::collect().value("f_about"), QString::number(expected.toInt() + 1));
        StatCollector::addInt("f_about", true, 10);
        startRun();
        QCOMPARE(StatCollector::collect().value("f_about"), QString::number(expected.toInt() + 11));
    }

    void persistentValuesSurviveAndPerRunValuesDoNot()
    {
        startRun();
        StatCollector::setString("os_name", true, "Linux 6.1");
        StatCollector::setString("app_ver", false, "3.3.0");
        StatCollector::setInt("events_count", false, 12);
        StatCollector::setInt("number_of_starts", true, 1);
        QVERIFY(StatCollector::isFirstStart());

        startRun();
        QVERIFY(!StatCollector::isFirstStart());
        const QMap<QByteArray, QString> values = StatCollector::collect();
        QCOMPARE(values.value("os_name"), QString("Linux 6.1"));
        QCOMPARE(values.value("number_of_starts"), QString("1"));
        QVERIFY(!values.contains("app_ver"));
        QVERIFY(!values.contains("events_count"));
    }

    void dumpListsKeysInByteOrder()
    {
        startRun("[stat]\nratio=2.5\nflag=true\nblob=@ByteArray(b\\xc3\\xa4)\n");
        StatCollector::setString("app_name", false, "Quillane Reminder");
        StatCollector::setInt("calendars_count", false, 2);
        StatCollector::incrementCounter("f_about");
        StatCollector::setInt("Zeta", false, 1);
        // A per-run value wins over a persistent one of the same type.
        StatCollector::setInt("number_of_starts", true, 5);
        StatCollector::setInt("number_of_starts", false, 7);
        const QString text = "Zeta: 1\n"
                             "app_name: Quillane Reminder\n"
                             "blob: b\u00e4\n"
                             "calendars_count: 2\n"
                             "f_about: 1\n"
                             "flag: 1\n"
                             "number_of_starts: 7\n"
                             "ratio: 2.50";
        QCOMPARE(StatCollector::toText(), text);
        QCOMPARE(TestHelpers::readFile(m_dump), text.toUtf8());

        StatCollector::removeFile();
        QVERIFY(!QFile::exists(m_dump));
        StatCollector::addInt("successful_ends", true, 1);
        QVERIFY(TestHelpers::readFile(m_dump).endsWith("ratio: 2.50\nsuccessful_ends: 1"));
    }

    // Inside nested batches the dump waits; the last batch to end writes it once, with every value.
    void batchWritesTheDumpOnceAtItsEnd()
    {
        startRun("");
        StatCollector::removeFile();
        {
            const StatCollector::WriteBatch outer;
            {
                const StatCollector::WriteBatch inner;
                StatCollector::setInt("a", false, 1);
            }
            StatCollector::setString("b", true, "x");
            QVERIFY(!QFile::exists(m_dump));
        }
        QCOMPARE(TestHelpers::readFile(m_dump), QByteArray("a: 1\nb: x"));
        StatCollector::removeFile();
        {
            const StatCollector::WriteBatch unchanged;
        }
        QVERIFY(!QFile::exists(m_dump));
    }

    void saveWritesBackEveryPersistentValue()
    {
        startRun("[stat]\nflag=true\nn=3\nratio=2.5\nname=x\nblob=@ByteArray(b\\xc3\\xa4)\n");
        StatCollector::setInt("run_only", false, 1);
        const QMap<QByteArray, QString> before = StatCollector::collect();
        m_settings->remove("stat");
        m_settings->setValue("stat/foreign", "kept");

        StatCollector::save();
        startRun();
        QMap<QByteArray, QString> expected = before;
        expected.remove("run_only");
        expected.insert("foreign", "kept");
        QCOMPARE(StatCollector::collect(), expected);
    }

    void heldValuesReachTheStoreOnRelease()
    {
        startRun("[stat]\nnumber_of_starts=3\n");
        StatCollector::holdStore();
        StatCollector::addInt("number_of_starts", true, 1);
        QCOMPARE(StatCollector::collect().value("number_of_starts"), QString("4"));
        QCOMPARE(m_settings->value("stat/number_of_starts").toString(), QString("3"));
        StatCollector::releaseStore();
        startRun();
        QCOMPARE(StatCollector::collect().value("number_of_starts"), QString("4"));
    }

    void unwritableDumpIsSkipped()
    {
        TestHelpers::writeFile(m_dir->filePath("file"), "a file, not a folder");
        m_dump = m_dir->filePath("file/stat.dat");
        startRun();
        StatCollector::incrementCounter("f_backup");
        QCOMPARE(StatCollector::collect().value("f_backup"), QString("1"));
        startRun();
        QCOMPARE(StatCollector::collect().value("f_backup"), QString("1"));
    }

    // A dump this version would not write whole is copied aside before it is rewritten, and told once.
    void foreignDumpIsKeptAside_data()
    {
        QTest::addColumn<QByteArray>("dump");
        QTest::newRow("cut inside a line") << QByteArray("f_backup: 1\nnumber_of_st");
        QTest::newRow("unknown line") << QByteArray("f_backup: 1\n[section]\nf_about: 2");
        QTest::newRow("fifo") << QByteArray();
        QTest::newRow("a dump we wrote") << QByteArray("f_backup: 1\nf_about: 2");
    }
    void foreignDumpIsKeptAside()
    {
        QFETCH(QByteArray, dump);
        const bool kept = qstrcmp(QTest::currentDataTag(), "a dump we wrote") != 0;
        QVERIFY(dump.isEmpty() ? ::mkfifo(QFile::encodeName(m_dump).constData(), 0600) == 0
                               : TestHelpers::writeFile(m_dump, dump));
        Common::UserMessages::reset();
        startRun();
        Common::DataFileGuard::tellWaiting();
        const QStringList told = Common::UserMessages::toldLines();
        Common::DataFileGuard::reset();
        QVERIFY(told.size() == int(kept) && QFileInfo::exists(m_dump + ".bak") == kept);
        QVERIFY(!kept || dump.isEmpty() || TestHelpers::readFile(m_dump + ".bak") == dump);
    }

private:
    // Starts a "process": fresh state, the settings file read anew (seeded with `ini` when given).
    void startRun(const QByteArray &ini = QByteArray())
    {
        const QString path = m_dir->filePath("settings.ini");
        if (m_settings)
            m_settings->sync();
        m_settings.reset();
        if (!ini.isNull())
            QVERIFY(TestHelpers::writeFile(path, ini));
        m_settings = std::make_unique<QSettings>(path, QSettings::IniFormat);
        StatCollector::reset();
        StatCollector::init(m_settings.get(), m_dump);
    }

    std::unique_ptr<QTemporaryDir> m_dir;
    std::unique_ptr<QSettings> m_settings;
    QString m_dump;
};

QTEST_GUILESS_MAIN(TestStatCollector)
#include "tst_statcollector.moc"
