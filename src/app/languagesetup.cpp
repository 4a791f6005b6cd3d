#include "app/languagesetup.h"

#include "app/localization.h"
#include "core/usermessages.h"
#include "core/applocale.h"
#include "core/langs.h"
#include "core/log.h"
#include "core/properties.h"
#include "core/settingkeys.h"
#include "core/statcollector.h"

#include <QTranslator>

LanguageSetup::LanguageSetup(Properties &properties) : m_properties(properties)
{
    setUp();
}

LanguageSetup::~LanguageSetup() = default;

bool LanguageSetup::isRightToLeft() const
{
    const QVariant locale = m_properties.value(Setting::Locale);
    if (!locale.isValid() || locale.isNull())
        return false;
    return locale.toLocale().textDirection() == Qt::RightToLeft;
}

QString LanguageSetup::timeFormat()
{
    static const QString format = QLocale::system().timeFormat(QLocale::LongFormat).contains(QLatin1String("AP"))
                                      ? QStringLiteral("h:mm AP")
                                      : QStringLiteral("h:mm");
    return format;
}

void LanguageSetup::setUp()
{
    m_langs = std::make_unique<Langs>();
    const QStringList folders = Langs::installedFolders(false);
    for (const QString &code : Localization::languageCodes(folders)) {
        const QLocale locale(code);
        if (locale.language() == QLocale::C)
            continue;
        m_langs->addLanguage(QLocale::languageToString(locale.language()), locale.language());
    }
    m_properties.addProperty(Setting::Locale, QVariant());
    if (StatCollector::isFirstStart())
        suggestLanguage();

    QVariant stored = m_properties.value(Setting::Locale);
    if (!stored.isValid() || stored.isNull()) {
        if (!m_langs->hasLanguage(QLocale::English))
            return;
        m_properties.setValue(Setting::Locale, QLocale(QLocale::English));
        stored = m_properties.value(Setting::Locale);
    }
    const QLocale locale = stored.toLocale();
    if (!m_langs->hasLanguage(locale.language())) {
        m_properties.setValue(Setting::Locale, QVariant());
        return;
    }
    // The chosen locale's two-letter language code ("ru" for Russian).
    m_language = locale.name().left(2);
    Common::setAppLocale(locale);

    const QString appFile = Langs::appTranslationFile(locale.language());
    m_translator = std::make_unique<QTranslator>();
    if (appFile.isEmpty() || !m_translator->load(appFile)) {
        QR_LOG("Can't load translation file");
        QR_LOG(appFile.toUtf8());
        QR_LOG("Available files:");
        for (const QString &folder : folders) {
            for (const QString &name : Localization::ownTranslationFiles(folder))
                QR_LOG(name.toUtf8());
        }
        m_translator.reset();
        return;
    }
    m_qtTranslator = std::make_unique<QTranslator>();
    const QString qtFile = Langs::qtTranslationFile(locale.language());
    if (qtFile.isEmpty() || !m_qtTranslator->load(qtFile))
        m_qtTranslator.reset();
    QCoreApplication::installTranslator(m_translator.get());
    if (m_qtTranslator)
        QCoreApplication::installTranslator(m_qtTranslator.get());
}

void LanguageSetup::suggestLanguage()
{
    const QVariant stored = m_properties.value(Setting::Locale);
    if (stored.isValid() && !stored.isNull())
        return;
    const QLocale::Language system = QLocale::system().language();
    if (system == QLocale::English || !m_langs->hasLanguage(system))
        return;
    QTranslator translator;
    QR_ASSERT(translator.load(Langs::appTranslationFile(system)));
    const QString name = m_langs->languageName(system).toUpper();
    QString question = translator.translate("QApplication", "Would you like to switch %1 to %2 language?");
    if (question.isEmpty())
        question = QStringLiteral("Would you like to switch %1 to %2 language?");
    const QString appName = QCoreApplication::applicationName();
    const QString text = QStringLiteral("%1 detected that your system language is %2.\n").arg(appName, name) +
                         question.arg(appName, name);
    if (Common::UserMessages::question(appName, text))
        m_properties.setValue(Setting::Locale, QLocale(system));
}
