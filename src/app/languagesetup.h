#pragma once

#include <QCoreApplication>
#include <QString>

#include <memory>

class Langs;
class Properties;
class QTranslator;

// The interface language: the installed ones, the one chosen (offered once on the first start when the
// system speaks another), and its translations installed for the whole run.
class LanguageSetup
{
    Q_DECLARE_TR_FUNCTIONS(Application)

public:
    explicit LanguageSetup(Properties &properties);
    ~LanguageSetup();

    Langs *langs() const { return m_langs.get(); }
    // The chosen language's two-letter code; empty when none could be set.
    QString language() const { return m_language; }
    // Whether the chosen language is written from right to left.
    bool isRightToLeft() const;
    // The system's short time format, with AM/PM when the system uses it.
    static QString timeFormat();

private:
    void setUp();
    void suggestLanguage();

    Properties &m_properties;
    std::unique_ptr<Langs> m_langs;
    std::unique_ptr<QTranslator> m_translator;
    std::unique_ptr<QTranslator> m_qtTranslator;
    QString m_language;
};
