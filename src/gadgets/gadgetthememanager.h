#pragma once

#include <QColor>
#include <QMap>
#include <QString>
#include <QStringList>

// What the program keeps of one gadget theme; the rest of its file is read again when a sheet is made.
struct GadgetThemeInfo
{
    QString fileName;
    QString name;
    QString imagesPath;
    QColor defaultColor;
};

// The gadget themes by id, and the style sheet each gives a gadget: the common sheet, then the theme's
// template filled from its theme file.
class GadgetThemeManager
{
public:
    static const QString s_themesFolder;

    GadgetThemeManager();

    // Reads a theme file of the themes folder and keeps it under its "id", replacing a theme of that id.
    void loadTheme(const QString &fileName);
    int count() const;
    QStringList ids() const;
    QString idAt(int index) const;
    GadgetThemeInfo infoById(const QString &id) const;
    QString generateCss(const QString &id) const;

    // Every key of a theme file with its value as text.
    static QHash<QString, QString> readThemeValues(const QString &path);

private:
    QString themesFolder() const { return m_themesFolder; }

    QMap<QString, GadgetThemeInfo> m_themes;
    QString m_themesFolder;
    mutable QString m_commonCss;
    mutable QString m_themeCss;
};
