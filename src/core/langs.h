#pragma once

#include <QLocale>
#include <QMap>
#include <QString>
#include <QStringList>

// The interface languages the program can offer, and where their message files lie. A language is offered
// only when both the program's file ("quillane_xx.qm") and Qt's ("qt_xx.qm") are found; files downloaded
// for the running version shadow the installed ones.
class Langs
{
public:
    Langs() = default;

    bool addLanguage(const QString &name, QLocale::Language language);
    QStringList languages() const;
    QLocale localeByLanguage(const QString &name) const;
    QString languageName(QLocale::Language language) const;
    bool hasLanguage(QLocale::Language language) const;

    static QString translationsDir();
    static QString downloadedTranslationsDir();
    static QString downloadedTranslationPath(const QString &fileName);
    static QString appTranslationFile(QLocale::Language language);
    static QString qtTranslationFile(QLocale::Language language);

    // Folders searched after the downloaded one, in order; an empty list restores the defaults.
    // For tests and for installs that keep their files elsewhere.
    static void setInstalledFolders(const QStringList &folders);
    static QStringList installedFolders(bool forQtFiles);

private:
    QMap<QString, QLocale> m_languages;
};
