#include "gadgets/gadgetthememanager.h"

#include "core/log.h"
#include "gadgets/csstemplate.h"

#include <QFile>
#include <QSettings>

const QString GadgetThemeManager::s_themesFolder = QStringLiteral(":/Ostrevalder/gadgets/");

namespace GadgetThemeManagerPrivate {

QString readText(const QString &path, QString *kept)
{
    if (kept->isEmpty()) {
        QFile file(path);
        if (file.open(QIODevice::ReadOnly))
            *kept = QString::fromUtf8(file.readAll());
        else
            QR_LOG(QStringLiteral("Cannot read the gadget style sheet %1").arg(path).toUtf8());
    }
    return *kept;
}

} // namespace GadgetThemeManagerPrivate

GadgetThemeManager::GadgetThemeManager() : m_themesFolder(s_themesFolder)
{
    Q_INIT_RESOURCE(gadgets);
}

QHash<QString, QString> GadgetThemeManager::readThemeValues(const QString &path)
{
    QHash<QString, QString> values;
    if (path.isEmpty())
        return values;
    QSettings file(path, QSettings::IniFormat);
    const QStringList keys = file.allKeys();
    for (const QString &key : keys) {
        const QVariant value = file.value(key);
        // A value written without quotes and holding commas reads as a list.
        values.insert(key, value.userType() == QMetaType::QStringList ? value.toStringList().join(QStringLiteral(", "))
                                                                      : value.toString());
    }
    return values;
}

void GadgetThemeManager::loadTheme(const QString &fileName)
{
    const QHash<QString, QString> values = readThemeValues(themesFolder() + fileName);
    GadgetThemeInfo info;
    info.fileName = fileName;
    info.name = values.value(QStringLiteral("name"));
    info.defaultColor = QColor(values.value(QStringLiteral("default_color")));
    info.imagesPath = values.value(QStringLiteral("images_path"));
    const QString id = values.value(QStringLiteral("id"));
    if (values.isEmpty())
        QR_LOG(QStringLiteral("Cannot read the gadget theme %1").arg(fileName).toUtf8());
    m_themes.insert(id, info);
}

int GadgetThemeManager::count() const
{
    return int(m_themes.count());
}

QStringList GadgetThemeManager::ids() const
{
    return m_themes.keys();
}

QString GadgetThemeManager::idAt(int index) const
{
    QR_ASSERT(index >= 0 && index < count());
    return ids().value(index);
}

GadgetThemeInfo GadgetThemeManager::infoById(const QString &id) const
{
    QR_ASSERT(m_themes.contains(id));
    return m_themes.value(id);
}

QString GadgetThemeManager::generateCss(const QString &uid) const
{
    using namespace GadgetThemeManagerPrivate;
    QR_ASSERT(m_themes.contains(uid));
    const GadgetThemeInfo info = m_themes.value(uid);
    const QHash<QString, QString> values =
        info.fileName.isEmpty() ? QHash<QString, QString>() : readThemeValues(themesFolder() + info.fileName);
    QStringList missing;
    const QString rendered = CssTemplate::render(
        readText(themesFolder() + QStringLiteral("gadgettheme.css"), &m_themeCss), values, &missing);
    if (!missing.isEmpty())
        QR_LOG(QStringLiteral("Gadget theme \"%1\" lacks the values %2")
                   .arg(uid, missing.join(QStringLiteral(", ")))
                   .toUtf8());
    return readText(themesFolder() + QStringLiteral("gadgetcommonstyle.css"), &m_commonCss) + QLatin1Char('\n') +
           rendered;
}
