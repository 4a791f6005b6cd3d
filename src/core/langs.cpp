#include "core/langs.h"

#include "core/iapplication.h"
#include "core/log.h"

#include <QCoreApplication>
#include <QDir>
#include <QFileInfo>
#include <QLibraryInfo>
#include <QStandardPaths>

namespace LangsPrivate {

const char *const s_appFilePrefix = "quillane_";
const char *const s_qtFilePrefix = "qt_";
// Folder name under the system data folders (/usr/share, /usr/local/share, ...).
const char *const s_packageFolder = "quillane-reminder/translations";

QStringList &installedOverride()
{
    static QStringList s_folders;
    return s_folders;
}

// The language part of the locale name: "de" for German, "fil" for Filipino.
QString languageCode(QLocale::Language language)
{
    const QString name = QLocale(language, QLocale::AnyTerritory).name();
    return name.section(QLatin1Char('_'), 0, 0);
}

QString findFile(const char *prefix, QLocale::Language language, bool forQtFiles)
{
    const QString fileName = QLatin1String(prefix) + languageCode(language) + QStringLiteral(".qm");
    QStringList folders;
    const QString downloaded = Langs::downloadedTranslationsDir();
    if (!downloaded.isEmpty())
        folders << downloaded;
    folders << Langs::installedFolders(forQtFiles);
    for (const QString &folder : std::as_const(folders)) {
        const QFileInfo info(QDir(folder), fileName);
        if (info.isFile())
            return info.absoluteFilePath();
    }
    return QString();
}

} // namespace LangsPrivate

bool Langs::addLanguage(const QString &name, QLocale::Language language)
{
    if (m_languages.contains(name))
        return false;
    if (appTranslationFile(language).isEmpty() || qtTranslationFile(language).isEmpty())
        return false;
    m_languages.insert(name, QLocale(language, QLocale::AnyTerritory));
    return true;
}

QStringList Langs::languages() const
{
    return m_languages.keys();
}

QLocale Langs::localeByLanguage(const QString &name) const
{
    QR_ASSERT(m_languages.contains(name));
    return m_languages.value(name, QLocale());
}

QString Langs::languageName(QLocale::Language language) const
{
    for (auto it = m_languages.cbegin(); it != m_languages.cend(); ++it) {
        if (it.value().language() == language)
            return it.key();
    }
    return QString();
}

bool Langs::hasLanguage(QLocale::Language language) const
{
    return !languageName(language).isEmpty();
}

QString Langs::translationsDir()
{
    return QDir(QCoreApplication::applicationDirPath()).filePath(QStringLiteral("translations"));
}

QString Langs::downloadedTranslationsDir()
{
    IApplication *app = IApplication::instance();
    QR_ASSERT(app);
    const QString dataLocation = app ? app->dataLocation() : QString();
    // Without a data folder a relative path would point into the working directory.
    if (dataLocation.isEmpty())
        return QString();
    return QDir(dataLocation).filePath(QCoreApplication::applicationVersion() + QStringLiteral("/translations"));
}

QString Langs::downloadedTranslationPath(const QString &fileName)
{
    const QString folder = downloadedTranslationsDir();
    if (folder.isEmpty())
        return QString();
    return QFileInfo(QDir(folder), fileName).absoluteFilePath();
}

QString Langs::appTranslationFile(QLocale::Language language)
{
    return LangsPrivate::findFile(LangsPrivate::s_appFilePrefix, language, false);
}

QString Langs::qtTranslationFile(QLocale::Language language)
{
    return LangsPrivate::findFile(LangsPrivate::s_qtFilePrefix, language, true);
}

void Langs::setInstalledFolders(const QStringList &folders)
{
    LangsPrivate::installedOverride() = folders;
}

QStringList Langs::installedFolders(bool forQtFiles)
{
    if (!LangsPrivate::installedOverride().isEmpty())
        return LangsPrivate::installedOverride();

    QStringList folders{translationsDir()};
    const QStringList dataFolders = QStandardPaths::standardLocations(QStandardPaths::GenericDataLocation);
    for (const QString &dataFolder : dataFolders)
        folders << QDir(dataFolder).filePath(QLatin1String(LangsPrivate::s_packageFolder));
    // Qt's own message files come with Qt, not with the program.
    if (forQtFiles)
        folders << QLibraryInfo::path(QLibraryInfo::TranslationsPath);
    return folders;
}
