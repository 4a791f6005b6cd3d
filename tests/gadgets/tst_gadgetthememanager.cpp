#include "gadgets/csstemplate.h"
#include "gadgets/gadgetthememanager.h"

#include <QFile>
#include <QPixmap>
#include <QtTest>

class TestGadgetThemeManager : public QObject
{
    Q_OBJECT

private:
    static QString commonSheet()
    {
        QFile file(GadgetThemeManager::s_themesFolder + QStringLiteral("gadgetcommonstyle.css"));
        return file.open(QIODevice::ReadOnly) ? QString::fromUtf8(file.readAll()) : QString();
    }

    static GadgetThemeManager loaded()
    {
        GadgetThemeManager manager;
        manager.loadTheme(QStringLiteral("darkblue.theme"));
        manager.loadTheme(QStringLiteral("greengrass.theme"));
        return manager;
    }

private slots:
    void rendersPlaceholders_data()
    {
        QTest::addColumn<QString>("text");
        QTest::addColumn<QString>("expected");
        QTest::addColumn<QStringList>("missing");
        QTest::newRow("plain") << "a { color: red; }" << "a { color: red; }" << QStringList();
        QTest::newRow("one") << "color: <?=fg?>;" << "color: white;" << QStringList();
        QTest::newRow("adjacent") << "<?=fg?><?=bg?>" << "white#02204B" << QStringList();
        QTest::newRow("spaces in key") << "<?= fg ?>" << "white" << QStringList();
        QTest::newRow("missing") << "x<?=nope?>y<?=nope?>" << "xy" << QStringList{"nope"};
        // A value is inserted as it stands and never read again.
        QTest::newRow("no re-scan") << "<?=tricky?>" << "<?=fg?>" << QStringList();
        QTest::newRow("unterminated") << "a <?=fg" << "a <?=fg" << QStringList();
    }

    void rendersPlaceholders()
    {
        QFETCH(QString, text);
        QFETCH(QString, expected);
        QFETCH(QStringList, missing);
        const QHash<QString, QString> values{{"fg", "white"}, {"bg", "#02204B"}, {"tricky", "<?=fg?>"}};
        QStringList found;
        QCOMPARE(CssTemplate::render(text, values, &found), expected);
        QCOMPARE(found, missing);
    }

    void loadsBothThemes()
    {
        const GadgetThemeManager manager = loaded();
        QCOMPARE(manager.count(), 2);
        QCOMPARE(manager.ids(), QStringList({"blue", "green"}));
        QCOMPARE(manager.idAt(0), QStringLiteral("blue"));
        const GadgetThemeInfo green = manager.infoById(QStringLiteral("green"));
        QCOMPARE(green.name, QStringLiteral("Solid Green"));
        QCOMPARE(green.defaultColor, QColor(QStringLiteral("#97C22A")));
        QCOMPARE(manager.infoById(QStringLiteral("blue")).name, QStringLiteral("Dark Blue"));
    }

    void loadingTwiceKeepsOneTheme()
    {
        GadgetThemeManager manager = loaded();
        manager.loadTheme(QStringLiteral("darkblue.theme"));
        QCOMPARE(manager.count(), 2);
    }

    void unknownThemesGiveEmptyAnswers()
    {
        GadgetThemeManager manager = loaded();
        QVERIFY(!manager.infoById(QStringLiteral("red")).defaultColor.isValid());
        QCOMPARE(manager.idAt(2), QString());
        // A missing theme file is kept under the empty id.
        manager.loadTheme(QStringLiteral("nosuch.theme"));
        QCOMPARE(manager.ids().first(), QString());
        // The common sheet still comes first when no values are found.
        QVERIFY(manager.generateCss(QStringLiteral("red")).startsWith(commonSheet() + QLatin1Char('\n')));
    }

    void rendersThemeSheet_data()
    {
        QTest::addColumn<QString>("id");
        QTest::addColumn<QString>("areaBackground");
        QTest::addColumn<QString>("menuBackground");
        QTest::newRow("blue") << "blue" << "#02204B" << "#02204B";
        QTest::newRow("green") << "green" << "#97C22A" << "#70AF22";
    }

    void rendersThemeSheet()
    {
        QFETCH(QString, id);
        QFETCH(QString, areaBackground);
        QFETCH(QString, menuBackground);
        const QString common = commonSheet();
        QVERIFY(!common.isEmpty());
        const QString css = loaded().generateCss(id);
        QVERIFY(css.startsWith(common + QLatin1Char('\n')));
        QVERIFY(!css.contains(QStringLiteral("<?=")));
        const QRegularExpression area(QStringLiteral(R"(Gadget QWidget#area[^{]*\{\s*background: ([^;]+);)"));
        QCOMPARE(area.match(css).captured(1), areaBackground);
        const QRegularExpression menu(QStringLiteral(R"(\nQMenu \{\s*background-color: ([^;]+);)"));
        QCOMPARE(menu.match(css).captured(1), menuBackground);
        // Values with commas stay whole.
        QVERIFY(css.contains(QStringLiteral("font-family: arial, times;")));
    }

    void everyIconOfTheSheetsExists()
    {
        const GadgetThemeManager manager = loaded();
        const QStringList names = {"gear.png", "gear_inactive.png", "cross.png", "cross_inactive.png", "remove.png",
                                   "remove_hover.png", "check_bullet.png", "check_bullet_unchecked.png",
                                   "sizegrip.png", "menuclose.png", "menuedit.png", "menueditor.png",
                                   "menuclear.png", "menunewtodo.png", "menuremove.png", "menusettings.png",
                                   "menutheme.png"};
        for (const QString &id : manager.ids()) {
            const QString folder = manager.infoById(id).imagesPath;
            QVERIFY(folder.endsWith(QLatin1Char('/')));
            for (const QString &name : names)
                QVERIFY2(!QPixmap(folder + name).isNull(), qPrintable(folder + name));
            // The sheets write the folder with one more separator; the resource system takes it.
            QVERIFY(!QPixmap(folder + QStringLiteral("/gear.png")).isNull());
        }
    }
};

QTEST_MAIN(TestGadgetThemeManager)
#include "tst_gadgetthememanager.moc"
