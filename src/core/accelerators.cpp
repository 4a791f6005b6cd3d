#include "core/accelerators.h"

#include <QHash>

namespace Accelerators {

QChar key(const QString &text)
{
    for (qsizetype i = 0; i + 1 < text.size(); ++i) {
        if (text.at(i) != QLatin1Char('&'))
            continue;
        if (text.at(i + 1) == QLatin1Char('&')) {
            ++i; // "&&" is a literal ampersand
            continue;
        }
        return text.at(i + 1).toLower();
    }
    return QChar();
}

QStringList problems(const QStringList &texts)
{
    QStringList result;
    QHash<QChar, QString> seen;
    for (const QString &text : texts) {
        if (text.isEmpty())
            continue;
        const QChar k = key(text);
        if (k.isNull())
            result << QStringLiteral("no key: ") + text;
        else if (seen.contains(k))
            result << QStringLiteral("'%1' twice: %2, %3").arg(k).arg(seen.value(k), text);
        else
            seen.insert(k, text);
    }
    return result;
}

QString withKey(const QString &plainText, QString &taken)
{
    QString result;
    bool keyed = false;
    for (const QChar c : plainText) {
        if (c == QLatin1Char('&')) {
            result += QStringLiteral("&&");
            continue;
        }
        if (!keyed && c.isLetterOrNumber() && !taken.contains(c.toLower())) {
            taken += c.toLower();
            result += QLatin1Char('&');
            keyed = true;
        }
        result += c;
    }
    return result;
}

} // namespace Accelerators
