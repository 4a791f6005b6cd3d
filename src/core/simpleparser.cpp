#include "core/simpleparser.h"

#include "core/log.h"
#include "core/tagprovider.h"

#include <QHash>
#include <QRegularExpression>
#include <QSet>

namespace SimpleParserPrivate {

// Tags being decoded right now, across all parsers: a provider that parses a template holding the very tag it
// is decoding would otherwise recurse without end.
QSet<QString> &tagsInProgress()
{
    static QSet<QString> s_tags;
    return s_tags;
}

// Marks a tag as being decoded for as long as it lives.
class TagGuard
{
public:
    explicit TagGuard(const QString &tag) : m_tag(tag) { tagsInProgress().insert(m_tag); }
    ~TagGuard() { tagsInProgress().remove(m_tag); }
    TagGuard(const TagGuard &) = delete;
    TagGuard &operator=(const TagGuard &) = delete;

private:
    QString m_tag;
};

QString collapseSpaces(QString text)
{
    const QString twoSpaces(2, QLatin1Char(' '));
    while (text.contains(twoSpaces))
        text.replace(twoSpaces, QStringLiteral(" "));
    return text;
}

// One piece of a template up to the next '<' or '>', which is consumed.
struct Chunk
{
    QString text;
    QChar delimiter; // '<', '>' or a null character at the end of the template
};

Chunk readChunk(const QString &text, int &pos)
{
    Chunk chunk;
    int end = pos;
    while (end < text.size() && text.at(end) != QLatin1Char('<') && text.at(end) != QLatin1Char('>'))
        ++end;
    chunk.text = text.mid(pos, end - pos);
    if (end < text.size()) {
        chunk.delimiter = text.at(end);
        pos = end + 1;
    } else {
        pos = end;
    }
    return chunk;
}

// The compiled expression of an anchored pattern. Compiling (and JIT-compiling on first match) costs far
// more than matching, and the same few templates are parsed for every event's text.
QRegularExpression anchoredExpression(const QString &pattern)
{
    thread_local QHash<QString, QRegularExpression> s_expressions;
    auto found = s_expressions.constFind(pattern);
    if (found != s_expressions.constEnd())
        return *found;
    // Templates are few; a flood of distinct patterns only starts the cache over.
    if (s_expressions.size() >= 256)
        s_expressions.clear();
    return *s_expressions.insert(pattern, QRegularExpression(QRegularExpression::anchoredPattern(pattern)));
}

} // namespace SimpleParserPrivate

SimpleParser::SimpleParser(TagProvider *provider) : m_provider(provider) {}

QString SimpleParser::parse(const QString &text, int number) const
{
    using namespace SimpleParserPrivate;

    if (!text.contains(QLatin1Char('<')))
        return collapseSpaces(expandTags(text, number));

    const QString numberText = QString::number(number);
    int pos = 0;
    while (pos < text.size()) {
        const Chunk chunk = readChunk(text, pos);
        // Only a chunk closed by '>' is an expression; text before the first '<' and the texts of
        // alternatives that were not chosen are skipped.
        if (chunk.delimiter != QLatin1Char('>'))
            continue;
        const QRegularExpression expression = anchoredExpression(chunk.text);
        if (!expression.isValid())
            return QStringLiteral("Regular expression ") + chunk.text + QStringLiteral(" is not valid");
        if (expression.match(numberText).hasMatch()) {
            // An expression that closes the template chooses an empty text.
            const Chunk alternative = readChunk(text, pos);
            return parse(alternative.text, number);
        }
    }
    return QStringLiteral("Cannot parse string: ") + text + QStringLiteral(" with argument ") + numberText;
}

QString SimpleParser::expandTags(const QString &text, int number) const
{
    using namespace SimpleParserPrivate;

    QString result;
    result.reserve(text.size());
    int pos = 0;
    while (pos < text.size()) {
        const int open = text.indexOf(QLatin1Char('{'), pos);
        if (open < 0) {
            result += QStringView(text).mid(pos);
            break;
        }
        result += QStringView(text).mid(pos, open - pos);
        const int close = text.indexOf(QLatin1Char('}'), open);
        const int end = close < 0 ? text.size() : close + 1;
        const QString tag = text.mid(open, end - open);
        pos = end;

        if (tagsInProgress().contains(tag))
            continue;
        if (!QR_CHECK(m_provider))
            continue;
        QString value;
        {
            TagGuard guard(tag);
            value = m_provider->decodeTag(tag, number);
        }
        if (!value.startsWith(QLatin1String("--")))
            result += value;
    }
    return result;
}
