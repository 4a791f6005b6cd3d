#include "app/settingsvalues.h"

#include "core/langs.h"
#include "core/properties.h"
#include "core/settingkeys.h"
#include "runningline/ostrevalder.h"

#include <QCoreApplication>
#include <QFontDatabase>
#include <QLocale>
#include <QtMath>

const std::array<const char *, SettingsValues::kOptionCount> SettingsValues::kOptionIds = {
    Setting::HotExitArea,
    Setting::ExitOnLeftButtonClick,
    Setting::PermanentScroll,
    Setting::RemoveTextDayXfromY,
    Setting::RemoveTextToday,
    Setting::RemoveDuplicatingWhen,
    Setting::TransparentForMouseEvents,
    Setting::ExitWhenMovingLineIsHidden,
};

SettingsValues SettingsValues::read(const Properties &p)
{
    SettingsValues v;
    v.panelPosition = p.value(Setting::PanelPosition).toInt();
    v.font = p.value(Setting::MovingTextFont).value<QFont>();
    v.textColor = p.value(Setting::MovingTextColor).value<QColor>();
    v.gradient = Ostrevalder::gradientFromByteArray(p.value(Setting::PanelBackgroundGradient).toByteArray());
    v.adjustToWallpaper = p.value(Setting::AdjustBackgroundToWallpaper).toBool();
    for (int row = 0; row < kOptionCount; ++row)
        v.options[row] = p.value(kOptionIds[row]).toBool();
    v.locale = p.value(Setting::Locale);
    v.autorun = p.value(Setting::AppAutorun).toBool();
    v.speed = p.value(Setting::MovingLineSpeed).toInt();
    v.direction = p.value(Setting::MovingTextDirection).toInt();
    v.pauseMs = p.value(Setting::VerticalPause).toInt();
    v.visibility = p.value(Setting::CreepingLineVisibilityOption).toInt();
    v.removeExpired = p.value(Setting::RemoveExpiredEvents).toBool();
    v.removeExpiredDays = p.value(Setting::RemoveExpiredEventsDays).toInt();
    v.onTop = p.value(Setting::PanelOnTop).toBool();
    v.monitorNumber = p.value(Setting::MonitorNumber).toInt();
    return v;
}

bool SettingsValues::write(Properties &p) const
{
    // Listeners react to each value at once: the bar is placed and painted before its text changes,
    // and the window placement comes last.
    p.setValue(Setting::PanelPosition, panelPosition);
    p.setValue(Setting::MovingTextFont, font);
    p.setValue(Setting::MovingTextColor, textColor);
    // An unset or damaged value reads as the default gradient; it is only rewritten once edited.
    if (Ostrevalder::gradientFromByteArray(p.value(Setting::PanelBackgroundGradient).toByteArray()) != gradient)
        p.setValue(Setting::PanelBackgroundGradient, Ostrevalder::gradientToByteArray(gradient));
    p.setValue(Setting::AdjustBackgroundToWallpaper, adjustToWallpaper);
    for (int row = 0; row < kOptionCount; ++row)
        p.setValue(kOptionIds[row], options[row]);
    p.setValue(Setting::AppAutorun, autorun);
    p.setValue(Setting::MovingLineSpeed, speed);
    p.setValue(Setting::MovingTextDirection, direction);
    p.setValue(Setting::VerticalPause, pauseMs);
    p.setValue(Setting::RemoveExpiredEvents, removeExpired);
    p.setValue(Setting::RemoveExpiredEventsDays, removeExpiredDays);
    p.setValue(Setting::CreepingLineVisibilityOption, visibility);
    const bool languageChanged = locale != p.value(Setting::Locale);
    if (languageChanged)
        p.setValue(Setting::Locale, locale);
    p.setValue(Setting::PanelOnTop, onTop);
    p.setValue(Setting::MonitorNumber, monitorNumber);
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
