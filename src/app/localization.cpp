#include "app/localization.h"

#include <QDir>
#include <QRegularExpression>

namespace Localization {

bool isOwnTranslationFile(const QString &fileName)
{
    static const QRegularExpression pattern(QStringLiteral("^quillane_[a-z]{2}\\.qm$"));
    return pattern.match(fileName).hasMatch();
}

QStringList ownTranslationFiles(const QString &folder)
{
    QStringList result;
    const QStringList names = QDir(folder).entryList({QStringLiteral("quillane_??.qm")}, QDir::Files, QDir::Name);
    for (const QString &name : names) {
        if (isOwnTranslationFile(name))
            result << name;
    }
    return result;
}

QStringList languageCodes(const QStringList &folders)
{
    QStringList codes;
    for (const QString &folder : folders) {
        for (const QString &name : ownTranslationFiles(folder)) {
            const QString code = name.mid(9, 2);
            if (!codes.contains(code))
                codes << code;
        }
    }
    return codes;
}

} // namespace Localization
