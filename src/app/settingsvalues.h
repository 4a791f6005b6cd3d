#pragma once

#include <QColor>
#include <QFont>
#include <QGradientStops>
#include <QList>
#include <QString>
#include <QStringList>
#include <QVariant>

#include <array>

class Langs;
class Properties;

// What the settings window edits, as plain values: read from the property store in one go and
// written back in a fixed order. The window only moves these to and from its controls, so the
// conversions live here and are tested without widgets.
struct SettingsValues
{
    static constexpr int kOptionCount = 8;
    // The advanced options list, row by row.
    static const std::array<const char *, kOptionCount> kOptionIds;

    int panelPosition = 1;
    QFont font;
    QColor textColor;
    QGradientStops gradient;
    bool adjustToWallpaper = true;
    std::array<bool, kOptionCount> options{};
    QVariant locale;
    bool autorun = true;
    int speed = 1;
    int direction = 0;
    int pauseMs = 1000;
    int visibility = 2;
    bool removeExpired = false;
    int removeExpiredDays = 0;
    bool onTop = false;
    int monitorNumber = -1;

    static SettingsValues read(const Properties &properties);
    // Stores every value; the store broadcasts only those that differ. True when "locale" changed.
    bool write(Properties &properties) const;

    // The pause box counts seconds with one decimal; the store keeps milliseconds.
    static int pauseToMilliseconds(double seconds);
    static double pauseToSeconds(int milliseconds);

    // The screen list: "Default Screen" first, then one row per screen.
    static QStringList screenItems(int screenCount);
    // The row of a stored monitor number; a screen that is not there any more shows the default.
    static int monitorRow(int monitorNumber, int screenCount);
    // The monitor number of a row; no row is the default screen.
    static int monitorNumberAt(int row);
    static bool showsScreenList(int screenCount) { return screenCount > 1; }

    // The gradient with one end recoloured, reduced to its two ends; an empty gradient takes the
    // other end from `fallback`.
    static QGradientStops withEndColour(const QGradientStops &stops, bool first, const QColor &colour,
                                        const QGradientStops &fallback);

    // "Family, size, style" as the font box shows it.
    static QString fontDescription(const QFont &font);

    // The language list: names with their locales; an "English" row with an empty locale leads it
    // when no language of the list is English.
    struct Language
    {
        QString name;
        QVariant locale;
    };
    static QList<Language> languageItems(const Langs *langs);
    // The first row whose locale equals the stored one, else the English row; -1 when neither exists.
    static int languageRow(const QList<Language> &items, const QVariant &locale);

    // Which translation link fits the stored language: help with a translation for most languages,
    // a request for a new one to English users; Russian needs neither.
    struct TranslationLinks
    {
        bool editTranslation = false;
        bool findLanguage = false;
    };
    static TranslationLinks translationLinks(const QVariant &locale);
};
