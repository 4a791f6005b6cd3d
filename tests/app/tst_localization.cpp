#include "app/localization.h"
#include "core/langs.h"
#include "fakeapplication.h"
#include "modelseams.h"
#include "testhelpers.h"

#include <QCoreApplication>
#include <QDir>
#include <QTemporaryDir>
#include <QTest>

class TestLocalization : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase()
    {
        TestHelpers::isolateEnvironment();
        QCoreApplication::setApplicationVersion(QStringLiteral("3.3.0"));
    }

    void ownFileNames_data()
    {
        QTest::addColumn<QString>("name");
        QTest::addColumn<bool>("own");
        QTest::newRow("german") << "quillane_de.qm" << true;
        QTest::newRow("qt's file") << "qt_de.qm" << false;
        QTest::newRow("capitals") << "QUILLANE_DE.QM" << false;
        QTest::newRow("three letters") << "quillane_deu.qm" << false;
        QTest::newRow("not a code") << "quillane_.-.qm" << false;
        QTest::newRow("other extension") << "quillane_de.ts" << false;
        QTest::newRow("prefix before") << "xquillane_de.qm" << false;
    }

    void ownFileNames()
    {
        QFETCH(QString, name);
        QFETCH(bool, own);
        QCOMPARE(Localization::isOwnTranslationFile(name), own);
    }

    void codesFromEveryFolderOnce()
    {
        QTemporaryDir a, b;
        for (const char *name : {"quillane_ru.qm", "quillane_de.qm", "quillane_x1.qm", "readme.txt"})
            QVERIFY(TestHelpers::writeFile(a.filePath(QLatin1String(name)), "x"));
        for (const char *name : {"quillane_de.qm", "quillane_fr.qm"})
            QVERIFY(TestHelpers::writeFile(b.filePath(QLatin1String(name)), "x"));
        QCOMPARE(Localization::languageCodes({a.path(), b.path()}), QStringList({"de", "ru", "fr"}));
    }

    // A language is offered only when the program's and Qt's files are both there.
    void offeredOnlyWithBothFiles()
    {
        FakeApplication app;
        QTemporaryDir installed;
        for (const char *name : {"quillane_de.qm", "qt_de.qm", "quillane_fr.qm"})
            QVERIFY(TestHelpers::writeFile(installed.filePath(QLatin1String(name)), "x"));
        ModelSeams seams;
        seams.setLanguageFolders({installed.path()});
        Langs langs;
        QVERIFY(langs.addLanguage(QStringLiteral("German"), QLocale::German));
        QVERIFY(!langs.addLanguage(QStringLiteral("French"), QLocale::French));
        QCOMPARE(langs.languages(), QStringList{QStringLiteral("German")});
    }

    // Downloaded files of the running version shadow the installed ones; another version's do not.
    void downloadedFileOfThisVersionPreferred()
    {
        FakeApplication app;
        QTemporaryDir installed;
        QVERIFY(TestHelpers::writeFile(installed.filePath(QStringLiteral("quillane_de.qm")), "x"));
        ModelSeams seams;
        seams.setLanguageFolders({installed.path()});
        const QDir data(app.dataLocation());
        QVERIFY(data.mkpath(QStringLiteral("3.2.0/translations")));
        QVERIFY(TestHelpers::writeFile(data.filePath(QStringLiteral("3.2.0/translations/quillane_de.qm")), "old"));
        QCOMPARE(Langs::appTranslationFile(QLocale::German), installed.filePath(QStringLiteral("quillane_de.qm")));
        QVERIFY(data.mkpath(QStringLiteral("3.3.0/translations")));
        QVERIFY(TestHelpers::writeFile(data.filePath(QStringLiteral("3.3.0/translations/quillane_de.qm")), "new"));
        QCOMPARE(Langs::appTranslationFile(QLocale::German),
                 data.filePath(QStringLiteral("3.3.0/translations/quillane_de.qm")));
    }
};

QTEST_GUILESS_MAIN(TestLocalization)
#include "tst_localization.moc"
