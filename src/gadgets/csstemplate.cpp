#include "gadgets/csstemplate.h"

namespace CssTemplate {

QString render(const QString &text, const QHash<QString, QString> &values, QStringList *missing)
{
    static const QString open = QStringLiteral("<?=");
    static const QString close = QStringLiteral("?>");
    QString result;
    result.reserve(text.size());
    qsizetype pos = 0;
    while (pos < text.size()) {
        const qsizetype start = text.indexOf(open, pos);
        if (start < 0)
            break;
        const qsizetype end = text.indexOf(close, start + open.size());
        if (end < 0)
            break;
        result += QStringView(text).mid(pos, start - pos);
        const QString key = text.mid(start + open.size(), end - start - open.size()).trimmed();
        const auto it = values.constFind(key);
        if (it != values.constEnd())
            result += it.value();
        else if (missing && !missing->contains(key))
            missing->append(key);
        pos = end + close.size();
    }
    result += QStringView(text).mid(pos);
    return result;
}

} // namespace CssTemplate
