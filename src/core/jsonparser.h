#pragma once

#include "core/jsonobject.h"

#include <QByteArray>
#include <QStringList>
#include <QVariant>

#include <algorithm>
#include <array>
#include <cstring>
#include <functional>
#include <stdexcept>
#include <string>
#include <vector>

class QIODevice;

namespace Common {

// A parse error of the JSON reader, with the 1-based line and the column where reading stopped.
class JsonParserException : public std::runtime_error
{
public:
    JsonParserException(const std::string &message, int line, int column)
        : std::runtime_error(message), m_line(line), m_column(column)
    {
    }

    int line() const { return m_line; }
    int column() const { return m_column; }

private:
    int m_line;
    int m_column;
};

// Deepest nesting of objects and arrays the reader accepts.
constexpr int kJsonMaxDepth = 512;
// Longest bare word the reader accepts: numbers and keywords are short, and a long word would be made
// into text and tried as a number at several times its size.
constexpr qsizetype kJsonMaxWordSize = 1 << 20;

// Where the reading of part of a list stopped: after a comma, with more elements to come, or after
// the last element and the spaces that follow it.
struct JsonListPartEnd
{
    qsizetype position = 0;
    bool goesOn = false;
};

// Takes the elements of one list while it is read, so each can be used and freed before the next.
struct JsonListTaker
{
    // Called each time the list begins; a member name that repeats means its last value counts.
    std::function<void()> start;
    std::function<void(QVariant &&element)> take;
    // When set, takes each element instead of `take`, read without building maps; the object
    // lives until the call returns.
    std::function<void(const JsonObject &element)> takeObject;
    // With takeObject, asked after each comma between elements with the position after it: the
    // elements from there up to the returned end were taken elsewhere (readJsonListPart), or none
    // when it returns the same position going on.
    std::function<JsonListPartEnd(qsizetype position)> skip;
};

// Reads one JSON value and stops right after it. Lenient: "//" comments, bare words and bare
// member names, and a trailing comma in arrays (read as one more empty string).
// Throws JsonParserException.
QVariant readJson(QIODevice *device);
QVariant readJson(const QByteArray &text);
// As readJson, but the elements of the list reached through the member names of `listPath` from
// the top go to `taker` instead; that list is empty in the result. With a path, a text whose top value
// is not an object is refused before that value is read.
QVariant readJson(const QByteArray &text, const QStringList &listPath, const JsonListTaker &taker);
// Reads elements of the list at `listPath` as readJson does, to taker.takeObject, from `from`, where
// an element begins after a comma, up to the list's end or to the first comma that is followed by one
// of `stops` (ascending). A long list is so read in parts at once; a part counts only where the reading
// before it ends at its beginning. Throws JsonParserException, with the line and column in `text`.
JsonListPartEnd readJsonListPart(const QByteArray &text, qsizetype from, const QStringList &listPath,
                                 const std::vector<qsizetype> &stops, const JsonListTaker &taker);
// Up to parts - 1 places, ascending and about evenly apart, just after a comma that `opening` follows:
// where elements of a list that begin so are likely to begin.
std::vector<qsizetype> likelyElementStarts(const QByteArray &text, const QByteArray &opening, int parts);

// False when a text that starts with `head` cannot hold an object at its top, so that it need not be read.
bool mayStartJsonObject(const QByteArray &head);
// As readJson, but a parse error gives a warning and an invalid variant.
QVariant readJsonOrNull(const QByteArray &text);

// Appends the compact or formatted text of a value to one buffer; the device gets it in one write.
class JsonWriter
{
public:
    explicit JsonWriter(bool formatted = false) : m_formatted(formatted) {}

    void write(const QVariant &value, int indent);
    QByteArray take()
    {
        m_out.resize(m_length);
        m_length = 0;
        return std::move(m_out);
    }
    qsizetype size() const { return m_length; }
    // Appends text that is already JSON.
    void putRaw(const QByteArray &text) { put(text); }

    // Compact objects written member by member, with the same bytes as writing the map: the
    // members must come in the map's order (sorted names) and their names need no escaping.
    void beginObject()
    {
        put('{');
        m_first[size_t(++m_depth)] = true;
    }
    void endObject()
    {
        put('}');
        --m_depth;
    }
    template <qsizetype N> void name(const char (&s)[N])
    {
        if (!m_first[size_t(m_depth)])
            put(',');
        m_first[size_t(m_depth)] = false;
        put('"');
        put(s, N - 1);
        putLiteral("\": ");
    }
    void value(bool b)
    {
        if (b)
            putLiteral("true");
        else
            putLiteral("false");
    }
    void value(int i);
    void value(const QString &s) { quoted(s); }
    void value(const QByteArray &b) { quoted(b.constData(), b.size()); }
    void value(const QVariant &v) { write(v, 0); }
    // A literal would be taken as a bool: name its type.
    void value(const char *) = delete;

    // A value of a type the writer does not know is then left out without a warning, and noted.
    void setQuiet(bool quiet) { m_quiet = quiet; }
    bool leftOut() const { return m_leftOut; }

private:
    // Room for `extra` more bytes; the buffer doubles so long outputs stay linear.
    char *room(qsizetype extra)
    {
        const qsizetype need = m_length + extra;
        if (need > m_out.size())
            m_out.resize(std::max(need, m_out.size() * 2 + 256));
        return m_out.data() + m_length;
    }
    void put(const char *s, qsizetype n)
    {
        std::memcpy(room(n), s, size_t(n));
        m_length += n;
    }
    void put(const QByteArray &b) { put(b.constData(), b.size()); }
    template <qsizetype N> void putLiteral(const char (&s)[N]) { put(s, N - 1); }
    void put(char c)
    {
        *room(1) = c;
        ++m_length;
    }
    void indentation(int depth)
    {
        if (m_formatted && depth > 0) {
            std::memset(room(depth), '\t', size_t(depth));
            m_length += depth;
        }
    }
    void lineBreak()
    {
        if (m_formatted)
            put('\n');
    }
    static char *escaped(char *out, uchar c)
    {
        *out++ = '\\';
        switch (c) {
        case '\b':
            *out++ = 'b';
            break;
        case '\n':
            *out++ = 'n';
            break;
        case '\f':
            *out++ = 'f';
            break;
        case '\r':
            *out++ = 'r';
            break;
        case '\t':
            *out++ = 't';
            break;
        default:
            *out++ = char(c);
            break;
        }
        return out;
    }
    void quoted(const char *s, qsizetype n);
    void quoted(const QString &s);

    static bool isSimple(const QVariant &v)
    {
        switch (v.userType()) {
        case QMetaType::UnknownType:
        case QMetaType::Bool:
        case QMetaType::Int:
        case QMetaType::Double:
        case QMetaType::QString:
            return true;
        default:
            return false;
        }
    }

    QByteArray m_out;
    qsizetype m_length = 0;
    const bool m_formatted;
    bool m_quiet = false;
    bool m_leftOut = false;
    int m_depth = 0;
    std::array<bool, 32> m_first{};
};

// Writes maps, lists, strings, byte arrays, ints, doubles, booleans and invalid variants
// (as null); any other type is left out with a warning. `indent` is the depth the value stands at.
void writeJson(const QVariant &value, QIODevice *device, int indent, bool formatted);
void writeJsonCompact(const QVariant &value, QIODevice *device);
void writeJsonIndented(const QVariant &value, QIODevice *device);
// The compact text of the value.
QByteArray toJson(const QVariant &value);

} // namespace Common
