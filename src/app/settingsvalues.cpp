#include "app/settingsvalues.h"

#include "core/langs.h"
#include "core/properties.h"
#include "runningline/ostrevalder.h"

#include <QCoreApplication>
#include <QFontDatabase>
#include <QLocale>
#include <QtMath>

const std::array<const char *, SettingsValues::kOptionCount> SettingsValues::kOptionIds = {
    "hotExitArea",         "exitOnLeftButtonClick",  "permanentScroll",           "removeTextDayXfromY",
    "removeTextToday",     "removeDuplicatingWhen", "transparentForMouseEvents", "exitWhenMovingLineIsHidden",
};

SettingsValues SettingsValues::read(const Properties &p)
{
    SettingsValues v;
    v.panelPosition = p.value("panelPosition").toInt();
    v.font = p.value("movingTextFont").value<QFont>();
    v.textColor = p.value("movingTextColor").value<QColor>();
    v.gradient = Ostrevalder::gradientFromByteArray(p.value("panelBackgroundGradient").toByteArray());
    v.adjustToWallpaper = p.value("adjustBackgroundToWallpaper").toBool();
    for (int row = 0; row < kOptionCount; ++row)
        v.options[row] = p.value(kOptionIds[row]).toBool();
    v.locale = p.value("locale");
    v.autorun = p.value("appAutorun").toBool();
    v.speed = p.value("movingLineSpeed").toInt();
    v.direction = p.value("movingTextDirection").toInt();
    v.pauseMs = p.value("verticalPause").toInt();
    v.visibility = p.value("creepingLineVisibilityOption").toInt();
    v.removeExpired = p.value("removeExpiredEvents").toBool();
    v.removeExpiredDays = p.value("removeExpiredEventsDays").toInt();
    v.onTop = p.value("panelOnTop").toBool();
    v.monitorNumber = p.value("monitorNumber").toInt();
    return v;
}

bool SettingsValues::write(Properties &p) const
{
    // Listeners react to each value at once: the bar is placed and painted before its text changes,
    // and the window placement comes last.
    p.setValue("panelPosition", panelPosition);
    p.setValue("movingTextFont", font);
    p.setValue("movingTextColor", textColor);
    // An unset or damaged value reads as the default gradient; it is only rewritten once edited.
    if (Ostrevalder::gradientFromByteArray(p.value("panelBackgroundGradient").toByteArray()) != gradient)
        p.setValue("panelBackgroundGradient", Ostrevalder::gradientToByteArray(gradient));
    p.setValue("adjustBackgroundToWallpaper", adjustToWallpaper);
    for (int row = 0; row < kOptionCount; ++row)
        p.setValue(kOptionIds[row], options[row]);
    p.setValue("appAutorun", autorun);
    p.setValue("movingLineSpeed", speed);
    p.setValue("movingTextDirection", direction);
    p.setValue("verticalPause", pauseMs);
    p.setValue("removeExpiredEvents", removeExpired);
    p.setValue("removeExpiredEventsDays", removeExpiredDays);
    p.setValue("creepingLineVisibilityOption", visibility);
    const bool languageChanged = locale != p.value("locale");
    if (languageChanged)
        p.setValue("locale", locale);
    p.setValue("panelOnTop", onTop);
    p.setValue("monitorNumber", monitorNumber);
    return languageChanged;
}

int SettingsValues::pauseToMilliseconds(double seconds)
{
    // Truncating 0.3 * 1000 gives 299; the box shows tenths, so the nearest millisecond is meant.
    return qRound(seconds * 1000.0);
}

double SettingsValues::pauseToSeconds(int milliseconds)
{
    return milliseconds / 1000.0;
}

QStringList SettingsValues::screenItems(int screenCount)
{
    QStringList items{QCoreApplication::translate("SettingsDialog", "Default Screen")};
    for (int i = 0; i < screenCount; ++i)
        items << QCoreApplication::translate("SettingsDialog", "Screen %1").arg(i + 1);
    return items;
}

int SettingsValues::monitorRow(int monitorNumber, int screenCount)
{
    if (monitorNumber < 0 || monitorNumber >= screenCount)
        return 0;
    return monitorNumber + 1;
}

int SettingsValues::monitorNumberAt(int row)
{
    return row > 0 ? row - 1 : -1;
}

QGradientStops SettingsValues::withEndColour(const QGradientStops &stops, bool first, const QColor &colour,
                                             const QGradientStops &fallback)
{
    const QGradientStops &base = stops.isEmpty() ? fallback : stops;
    if (base.isEmpty())
        return {{0.0, colour}, {1.0, colour}};
    if (first)
        return {{0.0, colour}, {1.0, base.last().second}};
    return {{0.0, base.first().second}, {1.0, colour}};
}

QString SettingsValues::fontDescription(const QFont &font)
{
    return QStringLiteral("%1, %2, %3").arg(font.family()).arg(font.pointSize()).arg(QFontDatabase::styleString(font));
}

QList<SettingsValues::Language> SettingsValues::languageItems(const Langs *langs)
{
    QList<Language> items;
    bool hasEnglish = false;
    const QLocale english(QStringLiteral("en"));
    if (langs) {
        for (const QString &name : langs->languages()) {
            const QLocale locale = langs->localeByLanguage(name);
            hasEnglish = hasEnglish || locale == english;
            items.append({name, QVariant(locale)});
        }
    }
    if (!hasEnglish)
        items.prepend({QStringLiteral("English"), QVariant()});
    return items;
}

int SettingsValues::languageRow(const QList<Language> &items, const QVariant &locale)
{
    for (int row = 0; row < items.size(); ++row) {
        if (items.at(row).locale == locale)
            return row;
    }
    // A language that is not offered (unset, or its files gone) shows as English, the program's own
    // texts, so that OK does not switch to whatever row the box happened to show.
    const QLocale english(QStringLiteral("en"));
    for (int row = 0; row < items.size(); ++row) {
        if (!items.at(row).locale.isValid() || items.at(row).locale.toLocale() == english)
            return row;
    }
    return -1;
}

SettingsValues::TranslationLinks SettingsValues::translationLinks(const QVariant &locale)
{
    QLocale::Language language =
        (locale.isValid() && !locale.isNull()) ? locale.toLocale().language() : QLocale().language();
    // No language in the environment (the C locale): the program speaks, and the box shows, English.
    if (language == QLocale::C || language == QLocale::AnyLanguage)
        language = QLocale::English;
    TranslationLinks links;
    links.findLanguage = language == QLocale::English;
    links.editTranslation = language != QLocale::English && language != QLocale::Russian;
    return links;
}
