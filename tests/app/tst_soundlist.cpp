#include "app/soundlist.h"
#include "testhelpers.h"

#include <QDir>
#include <QTemporaryDir>
#include <QTest>

class TestSoundList : public QObject
{
    Q_OBJECT

private slots:
    void listsWaveFilesByName()
    {
        QTemporaryDir dir;
        for (const char *name : {"bell.wav", "Chime.WAV", "rain.drops.wav", "notes.txt", ".hidden.wav"})
            QVERIFY(TestHelpers::writeFile(dir.filePath(QLatin1String(name)), "RIFF"));
        QVERIFY(QDir(dir.path()).mkdir(QStringLiteral("folder.wav")));
        const SoundList list({dir.path()});
        // Capital letters sort first; the names keep their case, since the file system minds it.
        QCOMPARE(list.sounds(),
                 QStringList({dir.filePath("Chime.WAV"), dir.filePath("bell.wav"), dir.filePath("rain.drops.wav")}));
    }

    void fallsBackToTheNextFolder_data()
    {
        QTest::addColumn<bool>("besideHasSounds");
        QTest::addColumn<bool>("besideExists");
        QTest::addColumn<QString>("expectedFile");
        QTest::newRow("beside the program wins") << true << true << "beside/own.wav";
        QTest::newRow("empty folder beside: share") << false << true << "share/shared.wav";
        QTest::newRow("no folder beside: share") << false << false << "share/shared.wav";
    }

    void fallsBackToTheNextFolder()
    {
        QFETCH(bool, besideHasSounds);
        QFETCH(bool, besideExists);
        QFETCH(QString, expectedFile);
        QTemporaryDir dir;
        const QDir root(dir.path());
        if (besideExists)
            QVERIFY(root.mkpath(QStringLiteral("beside")));
        if (besideHasSounds)
            QVERIFY(TestHelpers::writeFile(root.filePath(QStringLiteral("beside/own.wav")), "RIFF"));
        QVERIFY(root.mkpath(QStringLiteral("share")));
        QVERIFY(TestHelpers::writeFile(root.filePath(QStringLiteral("share/shared.wav")), "RIFF"));
        const SoundList list({root.filePath(QStringLiteral("beside")), root.filePath(QStringLiteral("share"))});
        QCOMPARE(list.sounds(), QStringList{root.filePath(expectedFile)});
    }

    void searchesBesideTheProgramThenTheInstallPrefix()
    {
        const QStringList folders = SoundList::defaultFolders();
        QVERIFY(folders.size() >= 2);
        QCOMPARE(folders.at(0), QDir(QCoreApplication::applicationDirPath()).filePath(QStringLiteral("sounds")));
        QCOMPARE(folders.at(1), QDir::cleanPath(QCoreApplication::applicationDirPath() +
                                                QStringLiteral("/../share/quillane-reminder/sounds")));
    }
};

QTEST_GUILESS_MAIN(TestSoundList)
#include "tst_soundlist.moc"
