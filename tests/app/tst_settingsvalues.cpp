#include "app/settingsvalues.h"
#include "settingstestdata.h"
#include "core/langs.h"
#include "core/properties.h"
#include "fakeapplication.h"
#include "modelseams.h"
#include "runningline/ostrevalder.h"
#include "testhelpers.h"

#include <QFile>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <QtTest>

#include <memory>

// The settings window's conversions, without a window.
class TestSettingsValues : public QObject
{
    Q_OBJECT

private:
    FakeApplication m_app;

    // A store with every setting the window edits, at its defaults.
    std::unique_ptr<Properties> makeStore(const QString &name)
    {
        auto store = std::make_unique<Properties>(nullptr, QDir(m_app.dataLocation()).filePath(name));
        m_app.m_properties = store.get();
        SettingsTestData::registerAll(store.get());
        m_app.m_properties = nullptr;
        return store;
    }

private slots:
    void initTestCase() { TestHelpers::isolateEnvironment(); }

    void cleanup()
    {
        m_app.m_properties = nullptr;
        m_app.settings()->clear();
    }

    void everyPropertyTravelsFromStoreToStore_data() { SettingsTestData::addPropertyRows(); }

    void everyPropertyTravelsFromStoreToStore()
    {
        QFETCH(QByteArray, id);
        QFETCH(QVariant, value);
        auto from = makeStore("from.dat");
        auto to = makeStore("to.dat");
        from->setValue(id, value);
        QSignalSpy changes(to.get(), &Properties::propertyChanged);
        const bool languageChanged = SettingsValues::read(*from).write(*to);
        QCOMPARE(to->value(id), value);
        // Only the one value differs, so only it is broadcast.
        QCOMPARE(changes.size(), 1);
        QCOMPARE(changes.first().first().toByteArray(), id);
        QCOMPARE(languageChanged, id == "locale");
    }

    void writingWhatWasReadChangesNothing()
    {
        auto store = makeStore("same.dat");
        QSignalSpy changes(store.get(), &Properties::propertyChanged);
        QVERIFY(!SettingsValues::read(*store).write(*store));
        QCOMPARE(changes.size(), 0);
    }

    void pauseStepsAreWholeHundreds_data()
    {
        QTest::addColumn<int>("tenths");
        for (int tenths = 0; tenths <= 100; ++tenths)
            QTest::addRow("%d.%d s", tenths / 10, tenths % 10) << tenths;
    }

    void pauseStepsAreWholeHundreds()
    {
        QFETCH(int, tenths);
        const double seconds = tenths * 0.1;
        QCOMPARE(SettingsValues::pauseToMilliseconds(seconds), tenths * 100);
        QCOMPARE(SettingsValues::pauseToMilliseconds(SettingsValues::pauseToSeconds(tenths * 100)), tenths * 100);
    }

    void monitorRows_data()
    {
        QTest::addColumn<int>("stored");
        QTest::addColumn<int>("screens");
        QTest::addColumn<int>("row");
        QTest::addColumn<int>("storedBack");
        QTest::newRow("default, one screen") << -1 << 1 << 0 << -1;
        QTest::newRow("first of one") << 0 << 1 << 1 << 0;
        QTest::newRow("second of two") << 1 << 2 << 2 << 1;
        QTest::newRow("screen unplugged") << 2 << 2 << 0 << -1;
        QTest::newRow("far beyond") << 7 << 1 << 0 << -1;
        QTest::newRow("damaged negative") << -5 << 2 << 0 << -1;
    }

    void monitorRows()
    {
        QFETCH(int, stored);
        QFETCH(int, screens);
        QFETCH(int, row);
        QFETCH(int, storedBack);
        QCOMPARE(SettingsValues::monitorRow(stored, screens), row);
        QCOMPARE(SettingsValues::monitorNumberAt(row), storedBack);
    }

    void noCurrentScreenRowStoresTheDefault() { QCOMPARE(SettingsValues::monitorNumberAt(-1), -1); }

    void screenList_data()
    {
        QTest::addColumn<int>("screens");
        QTest::addColumn<QStringList>("items");
        QTest::addColumn<bool>("shown");
        QTest::newRow("one") << 1 << QStringList{"Default Screen", "Screen 1"} << false;
        QTest::newRow("two") << 2 << QStringList{"Default Screen", "Screen 1", "Screen 2"} << true;
    }

    void screenList()
    {
        QFETCH(int, screens);
        QFETCH(QStringList, items);
        QFETCH(bool, shown);
        QCOMPARE(SettingsValues::screenItems(screens), items);
        QCOMPARE(SettingsValues::showsScreenList(screens), shown);
    }

    void gradientEnds_data()
    {
        QTest::addColumn<QGradientStops>("stops");
        QTest::addColumn<bool>("first");
        QTest::addColumn<QGradientStops>("expected");
        const QColor a(255, 0, 0), b(0, 255, 0), c(0, 0, 255), chosen(9, 9, 9);
        const QGradientStops three{{0.0, a}, {0.5, b}, {1.0, c}};
        QTest::newRow("first of three") << three << true << QGradientStops{{0.0, chosen}, {1.0, c}};
        QTest::newRow("last of three") << three << false << QGradientStops{{0.0, a}, {1.0, chosen}};
        QTest::newRow("one stop") << QGradientStops{{0.3, b}} << true << QGradientStops{{0.0, chosen}, {1.0, b}};
        const QGradientStops fallback = Ostrevalder::defaultGradient();
        QTest::newRow("empty takes the default's end")
            << QGradientStops() << false << QGradientStops{{0.0, fallback.first().second}, {1.0, chosen}};
    }

    void gradientEnds()
    {
        QFETCH(QGradientStops, stops);
        QFETCH(bool, first);
        QFETCH(QGradientStops, expected);
        QCOMPARE(SettingsValues::withEndColour(stops, first, QColor(9, 9, 9), Ostrevalder::defaultGradient()),
                 expected);
    }

    void languageList_data()
    {
        QTest::addColumn<QStringList>("codes");
        QTest::addColumn<QStringList>("names");
        QTest::addColumn<bool>("emptyFirst");
        QTest::newRow("no English") << QStringList{"de", "ru"} << QStringList{"English", "German", "Russian"} << true;
        QTest::newRow("with English") << QStringList{"en", "de"} << QStringList{"English", "German"} << false;
        QTest::newRow("none installed") << QStringList() << QStringList{"English"} << true;
    }

    void languageList()
    {
        QFETCH(QStringList, codes);
        QFETCH(QStringList, names);
        QFETCH(bool, emptyFirst);
        QTemporaryDir installed;
        for (const QString &code : codes) {
            for (const QString &prefix : {QStringLiteral("quillane_"), QStringLiteral("qt_")}) {
                QFile file(installed.filePath(prefix + code + ".qm"));
                QVERIFY(file.open(QIODevice::WriteOnly));
            }
        }
        ModelSeams seams;
        seams.setLanguageFolders({installed.path()});
        Langs langs;
        for (const QString &code : codes)
            QVERIFY(langs.addLanguage(QLocale::languageToString(QLocale(code).language()), QLocale(code).language()));
        const QList<SettingsValues::Language> items = SettingsValues::languageItems(&langs);
        QStringList shown;
        for (const SettingsValues::Language &item : items)
            shown << item.name;
        QCOMPARE(shown, names);
        QCOMPARE(!items.first().locale.isValid(), emptyFirst);
        // The stored locale finds its row; one that is not offered, or none, finds English.
        const int english = names.indexOf("English");
        QCOMPARE(SettingsValues::languageRow(items, QVariant(QLocale(QLocale::German))),
                 names.contains("German") ? names.indexOf("German") : english);
        QCOMPARE(SettingsValues::languageRow(items, QVariant(QLocale(QLocale::Japanese))), english);
        QCOMPARE(SettingsValues::languageRow(items, QVariant()), english);
    }

    void translationLinks_data()
    {
        QTest::addColumn<QVariant>("locale");
        QTest::addColumn<bool>("edit");
        QTest::addColumn<bool>("find");
        QTest::newRow("English") << QVariant(QLocale(QLocale::English)) << false << true;
        QTest::newRow("Russian") << QVariant(QLocale(QLocale::Russian)) << false << false;
        QTest::newRow("German") << QVariant(QLocale(QLocale::German)) << true << false;
        QTest::newRow("unset: the default locale") << QVariant() << false << true;
        QTest::newRow("C locale: shown as English") << QVariant(QLocale::c()) << false << true;
    }

    void translationLinks()
    {
        QFETCH(QVariant, locale);
        QFETCH(bool, edit);
        QFETCH(bool, find);
        QLocale::setDefault(QLocale(QLocale::English));
        const SettingsValues::TranslationLinks links = SettingsValues::translationLinks(locale);
        QLocale::setDefault(QLocale::c());
        QCOMPARE(links.editTranslation, edit);
        QCOMPARE(links.findLanguage, find);
    }
};

QTEST_MAIN(TestSettingsValues)
#include "tst_settingsvalues.moc"
