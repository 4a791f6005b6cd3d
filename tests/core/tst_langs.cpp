#include "core/langs.h"
#include "core/log.h"
#include "fakeapplication.h"
#include "testhelpers.h"

#include <QCoreApplication>
#include <QDir>
#include <QTemporaryDir>
#include <QtTest>

class TestLangs : public QObject
{
    Q_OBJECT

private:
    std::unique_ptr<FakeApplication> m_app;
    std::unique_ptr<QTemporaryDir> m_installed;

    QString downloaded(const QString &version = QStringLiteral("2.1.0")) const
    {
        return QDir(m_app->dataLocation()).filePath(version + QStringLiteral("/translations"));
    }

    static void touch(const QString &folder, const QString &name)
    {
        QVERIFY(QDir().mkpath(folder));
        QVERIFY(TestHelpers::writeFile(QDir(folder).filePath(name), "qm"));
    }

private slots:
    void initTestCase()
    {
        TestHelpers::isolateEnvironment();
        QCoreApplication::setApplicationVersion(QStringLiteral("2.1.0"));
    }

    void init()
    {
        m_app = std::make_unique<FakeApplication>();
        m_installed = std::make_unique<QTemporaryDir>();
        Langs::setInstalledFolders({m_installed->path()});
    }

    void cleanup()
    {
        Langs::setInstalledFolders({});
        m_installed.reset();
        m_app.reset();
    }

    void foldersFollowDataLocationAndVersion()
    {
        QCOMPARE(Langs::downloadedTranslationsDir(), downloaded());
        QCOMPARE(Langs::downloadedTranslationPath(QStringLiteral("quillane_de.qm")),
                 downloaded() + QStringLiteral("/quillane_de.qm"));
        QCOMPARE(Langs::translationsDir(), QCoreApplication::applicationDirPath() + QStringLiteral("/translations"));
    }

    void offersLanguageOnlyWithBothFiles_data()
    {
        QTest::addColumn<QString>("appFolder");
        QTest::addColumn<QString>("qtFolder");
        QTest::addColumn<bool>("offered");

        QTest::newRow("both installed") << "installed"
                                        << "installed" << true;
        QTest::newRow("app downloaded, qt installed") << "downloaded"
                                                      << "installed" << true;
        QTest::newRow("app file missing") << ""
                                          << "installed" << false;
        QTest::newRow("qt file missing") << "installed"
                                         << "" << false;
        QTest::newRow("app file of another version") << "other"
                                                     << "installed" << false;
    }

    void offersLanguageOnlyWithBothFiles()
    {
        QFETCH(QString, appFolder);
        QFETCH(QString, qtFolder);
        QFETCH(bool, offered);
        const QHash<QString, QString> folders{{"installed", m_installed->path()},
                                              {"downloaded", downloaded()},
                                              {"other", downloaded(QStringLiteral("2.0.9"))}};
        if (!appFolder.isEmpty())
            touch(folders.value(appFolder), QStringLiteral("quillane_de.qm"));
        if (!qtFolder.isEmpty())
            touch(folders.value(qtFolder), QStringLiteral("qt_de.qm"));

        Langs langs;
        QCOMPARE(langs.addLanguage(QStringLiteral("Deutsch"), QLocale::German), offered);
        QCOMPARE(langs.hasLanguage(QLocale::German), offered);
        QCOMPARE(langs.languages(), offered ? QStringList{"Deutsch"} : QStringList());
    }

    void downloadedFileShadowsInstalled()
    {
        touch(m_installed->path(), QStringLiteral("quillane_fr.qm"));
        touch(m_installed->path(), QStringLiteral("qt_fr.qm"));
        QCOMPARE(Langs::appTranslationFile(QLocale::French), m_installed->path() + QStringLiteral("/quillane_fr.qm"));
        touch(downloaded(), QStringLiteral("quillane_fr.qm"));
        touch(downloaded(QStringLiteral("3.0")), QStringLiteral("qt_fr.qm"));
        QCOMPARE(Langs::appTranslationFile(QLocale::French), downloaded() + QStringLiteral("/quillane_fr.qm"));
        QCOMPARE(Langs::qtTranslationFile(QLocale::French), m_installed->path() + QStringLiteral("/qt_fr.qm"));
    }

    void threeLetterLanguageCodeKeptWhole()
    {
        touch(m_installed->path(), QStringLiteral("quillane_fi.qm"));
        touch(m_installed->path(), QStringLiteral("qt_fi.qm"));
        QVERIFY(Langs::appTranslationFile(QLocale::Filipino).isEmpty());
        touch(m_installed->path(), QStringLiteral("quillane_fil.qm"));
        QCOMPARE(Langs::appTranslationFile(QLocale::Filipino),
                 m_installed->path() + QStringLiteral("/quillane_fil.qm"));
    }

    void namesAndLookups()
    {
        TestHelpers::expectFailedChecks();
        for (const char *code : {"de", "ru"}) {
            touch(m_installed->path(), QStringLiteral("quillane_%1.qm").arg(QLatin1String(code)));
            touch(m_installed->path(), QStringLiteral("qt_%1.qm").arg(QLatin1String(code)));
        }
        Langs langs;
        QVERIFY(langs.addLanguage(QStringLiteral("Russian"), QLocale::Russian));
        QVERIFY(langs.addLanguage(QStringLiteral("German"), QLocale::German));
        QVERIFY(langs.addLanguage(QStringLiteral("Deutsch"), QLocale::German));
        QVERIFY(!langs.addLanguage(QStringLiteral("German"), QLocale::German));
        QCOMPARE(langs.languages(), QStringList({"Deutsch", "German", "Russian"}));
        QCOMPARE(langs.languageName(QLocale::German), QStringLiteral("Deutsch"));
        QCOMPARE(langs.languageName(QLocale::French), QString());
        QCOMPARE(langs.localeByLanguage(QStringLiteral("Russian")).language(), QLocale::Russian);

        Common::clearLogBuffer();
        QCOMPARE(langs.localeByLanguage(QStringLiteral("Klingon")), QLocale());
        QVERIFY(logBuffer().contains("ASSERT: m_languages.contains(name)"));
    }
};

QTEST_GUILESS_MAIN(TestLangs)
#include "tst_langs.moc"
