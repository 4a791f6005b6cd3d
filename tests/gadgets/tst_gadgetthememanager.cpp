#include "core/colorcontrast.h"
#include "testhelpers.h"
#include "gadgets/csstemplate.h"
#include "gadgets/gadget.h"
#include "gadgets/gadgetthememanager.h"

#include <QFile>
#include <QImage>
#include <QRegularExpression>
#include <QPixmap>
#include <QtTest>

namespace {

// A colour as a theme writes it: a name, #rrggbb, rgb(r, g, b) or rgba(r, g, b, a).
QColor cssColour(const QString &text)
{
    static const QRegularExpression functional(
        QStringLiteral(R"(rgba?\(\s*(\d+)\s*,\s*(\d+)\s*,\s*(\d+)\s*(?:,\s*(\d+)\s*)?\))"));
    const QRegularExpressionMatch match = functional.match(text);
    if (match.hasMatch())
        return QColor(match.captured(1).toInt(), match.captured(2).toInt(), match.captured(3).toInt(),
                      match.captured(4).isEmpty() ? 255 : match.captured(4).toInt());
    return QColor::fromString(text.trimmed());
}

// What a translucent colour looks like laid over an opaque one.
QColor over(const QColor &top, const QColor &below)
{
    const double a = top.alphaF();
    return QColor::fromRgbF(float(top.redF() * a + below.redF() * (1 - a)),
                            float(top.greenF() * a + below.greenF() * (1 - a)),
                            float(top.blueF() * a + below.blueF() * (1 - a)));
}

// The colour halfway down a vertical two-stop gradient, where the caption's buttons sit.
QColor gradientMiddle(const QString &gradient)
{
    static const QRegularExpression stop(QStringLiteral(R"(stop:\s*[\d.]+\s+(#[0-9a-fA-F]{6}))"));
    QList<QColor> stops;
    for (auto it = stop.globalMatch(gradient); it.hasNext();)
        stops << QColor::fromString(it.next().captured(1));
    if (stops.size() != 2)
        return cssColour(gradient);
    return QColor((stops[0].red() + stops[1].red()) / 2, (stops[0].green() + stops[1].green()) / 2,
                  (stops[0].blue() + stops[1].blue()) / 2);
}

// The share of an icon's well-covered pixels that stand out from a background by `ratio`: its shape,
// outline or fill, must show.
double shareStandingOut(const QImage &icon, const QColor &background, double ratio)
{
    const QImage argb = icon.convertToFormat(QImage::Format_ARGB32);
    int covered = 0;
    int standing = 0;
    for (int y = 0; y < argb.height(); ++y)
        for (int x = 0; x < argb.width(); ++x) {
            const QColor pixel = argb.pixelColor(x, y);
            if (pixel.alpha() < 128)
                continue;
            ++covered;
            standing += ColorContrast::contrastRatio(over(pixel, background), background) >= ratio;
        }
    return covered ? double(standing) / covered : 0.0;
}

} // namespace

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
        QTest::newRow("plain") << "a { color: red; }"
                               << "a { color: red; }" << QStringList();
        QTest::newRow("one") << "color: <?=fg?>;"
                             << "color: white;" << QStringList();
        QTest::newRow("adjacent") << "<?=fg?><?=bg?>"
                                  << "white#02204B" << QStringList();
        QTest::newRow("spaces in key") << "<?= fg ?>"
                                       << "white" << QStringList();
        QTest::newRow("missing") << "x<?=nope?>y<?=nope?>"
                                 << "xy" << QStringList{"nope"};
        // A value is inserted as it stands and never read again.
        QTest::newRow("no re-scan") << "<?=tricky?>"
                                    << "<?=fg?>" << QStringList();
        QTest::newRow("unterminated") << "a <?=fg"
                                      << "a <?=fg" << QStringList();
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
        TestHelpers::expectFailedChecks();
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
        QTest::newRow("blue") << "blue"
                              << "#02204B"
                              << "#02204B";
        QTest::newRow("green") << "green"
                               << "#97C22A"
                               << "#70AF22";
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
        const QStringList names = {
            "gear.png",      "gear_inactive.png", "cross.png",        "cross_inactive.png",
            "remove.png",    "remove_hover.png",  "check_bullet.png", "check_bullet_unchecked.png",
            "sizegrip.png",  "menuclose.png",     "menuedit.png",     "menueditor.png",
            "menuclear.png", "menunewtodo.png",   "menuremove.png",   "menusettings.png",
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

    void themesReadable_data()
    {
        QTest::addColumn<QString>("theme");
        QTest::newRow("blue") << QStringLiteral("darkblue.theme");
        QTest::newRow("green") << QStringLiteral("greengrass.theme");
    }

    void themesReadable()
    {
        QFETCH(QString, theme);
        const auto values = GadgetThemeManager::readThemeValues(GadgetThemeManager::s_themesFolder + theme);
        using namespace ColorContrast;
        const QColor entryBackground = cssColour(values.value("enter_todo_background_color"));
        const QColor caption = gradientMiddle(values.value("caption_background_color"));
        const struct
        {
            const char *what;
            QColor colour;
            QColor background;
        } texts[] = {
            {"placeholder", over(cssColour(values.value("enter_todo_text_color")), entryBackground), entryBackground},
            {"placeholder hovered", over(cssColour(values.value("enter_todo_text_color_hover")), entryBackground),
             entryBackground},
            {"caption", cssColour(values.value("caption_text_color")), caption},
            {"to-dos", cssColour(values.value("gadget_text_color")), cssColour(values.value("gadget_background"))},
        };
        for (const auto &text : texts)
            QVERIFY2(contrastRatio(text.colour, text.background) >= s_textRatio,
                     qPrintable(QString("%1: %2").arg(text.what).arg(contrastRatio(text.colour, text.background))));

        // The caption's buttons, resting and hovered.
        const QString images = values.value("images_path");
        for (const char *name : {"gear.png", "gear_inactive.png", "cross.png", "cross_inactive.png"}) {
            const QImage icon(images + QLatin1String(name));
            QVERIFY(!icon.isNull());
            const double share = shareStandingOut(icon, caption, s_iconRatio);
            QVERIFY2(share >= 0.5, qPrintable(QString("%1: %2").arg(name).arg(share)));
        }
        // The change-theme diamond, in the colour of any theme.
        for (const QColor &next : {QColor("#97C22A"), QColor("#02204B")}) {
            for (bool hovered : {false, true}) {
                QColor colour = next;
                if (!hovered)
                    colour.setAlpha(90);
                const double share = shareStandingOut(Gadget::makeThemeIcon(colour).toImage(), caption, s_iconRatio);
                QVERIFY2(share >= 0.4, qPrintable(QString("diamond %1: %2").arg(next.name()).arg(share)));
            }
        }
    }
};

QTEST_MAIN(TestGadgetThemeManager)
#include "tst_gadgetthememanager.moc"
