#include "core/jsonparser.h"

#include "core/log.h"

#include <QBuffer>
#include <QLocale>
#include <QIODevice>
#include <QStringDecoder>

#include <algorithm>
#include <array>
#include <charconv>
#include <cstring>
#include <deque>
#include <string_view>
#include <unordered_map>

namespace JsonParserPrivate {

// Byte classes of the reader; a byte is judged as the Latin-1 character it would be.
struct ByteTables
{
    std::array<bool, 256> space{};
    std::array<bool, 256> letterOrNumber{};
    std::array<bool, 256> wordEnd{};
    std::array<bool, 256> escape{};

    ByteTables()
    {
        for (int b = 0; b < 256; ++b) {
            // Only these count as white space; Qt 6 would also take 0x85, which older files may hold inside words.
            space[b] = (b >= 9 && b <= 13) || b == 32 || b == 0xA0;
            letterOrNumber[b] = QChar(QLatin1Char(char(b))).isLetterOrNumber();
            wordEnd[b] = space[b] || b == ']' || b == '}' || b == ',';
        }
        for (unsigned char b : {'\\', '"', '\b', '\n', '\f', '\r', '\t'})
            escape[b] = true;
    }
};

const ByteTables &tables()
{
    static const ByteTables t;
    return t;
}

// QString::fromUtf8 drops a leading byte order mark; inside our values it is a character like any other.
QString decodeUtf8(const char *s, qsizetype n)
{
    if (n >= 3 && std::memcmp(s, "\xEF\xBB\xBF", 3) == 0) {
        QStringDecoder decoder(QStringDecoder::Utf8, QStringDecoder::Flag::ConvertInitialBom);
        return decoder.decode(QByteArrayView(s, n));
    }
    return QString::fromUtf8(s, n);
}

QString decodeUtf8(const QByteArray &b)
{
    return decodeUtf8(b.constData(), b.size());
}

class Reader final : public Common::JsonNodes
{
public:
    Reader(const char *data, qsizetype size) : m_data(data), m_size(size), m_tables(tables()) {}
    Reader(const Reader &) = delete;
    Reader &operator=(const Reader &) = delete;
    // The list at `path` goes to `taker`, element by element.
    void takeList(const QStringList &path, const Common::JsonListTaker &taker)
    {
        m_listPath = path;
        m_taker = &taker;
        m_pathLevel = 0;
    }

    QVariant readValue(int depth);
    // True when an object may begin after the space and comments from here, or they reach the end.
    bool mayStartObject()
    {
        skipSpaceAndComments();
        return m_pos >= m_size || m_data[m_pos] == '{';
    }
    // As readValue, where only an object may stand: any other value is refused before it is read,
    // however long it is.
    QVariant readObjectValue(int depth)
    {
        if (!mayStartObject() || m_pos >= m_size)
            fail("Expected an object");
        return readValue(depth);
    }
    // Elements of a list from the read position, as readArray takes them.
    Common::JsonListPartEnd readListPart(int depth, const std::vector<qsizetype> &stops,
                                         const Common::JsonListTaker &taker);
    // Reads one value as readValue does, with the same checks and errors, into the nodes.
    void readNode(int depth);
    qsizetype position() const { return m_pos; }
    void seek(qsizetype position) { m_pos = std::clamp<qsizetype>(position, 0, m_size); }
    QVariant scalar(qsizetype from) const override;

private:
    [[noreturn]] void fail(const QByteArray &message) const;
    void skipSpaceAndComments()
    {
        // Most values follow their separator without space or after one blank (": "): the common cases.
        if (m_pos < m_size && m_data[m_pos] == ' ')
            ++m_pos;
        if (m_pos < m_size && !m_tables.space[byteAt(m_pos)] && m_data[m_pos] != '/')
            return;
        skipSpaceAndCommentsSlow();
    }
    void skipSpaceAndCommentsSlow();
    // Where the next value begins, past space and comments, without moving there: the reading skips them
    // itself, and skipping twice would read a dropped '/' differently.
    qsizetype nextValueStart()
    {
        const qsizetype at = m_pos;
        skipSpaceAndComments();
        const qsizetype start = m_pos;
        m_pos = at;
        return start;
    }
    bool expect(char c)
    {
        if (m_pos < m_size && m_data[m_pos] == c) {
            ++m_pos;
            return true;
        }
        return false;
    }
    uchar byteAt(qsizetype i) const { return uchar(m_data[i]); }
    QVariant readObject(int depth);
    QVariant readArray(int depth);
    QString readQuotedString();
    QString readMemberName();
    // A member name that needs no decoding of escapes: its bytes, and true.
    bool readPlainMemberName(std::string_view *bytes);
    const QString *readNodeName();
    const QString *internName(std::string_view bytes);
    void skipQuotedString();
    QVariant readBareWord();
    QString sharedName(const char *s, qsizetype n);
    QString sharedValue(const char *s, qsizetype n);

    const char *m_data;
    qsizetype m_size;
    qsizetype m_pos = 0;
    const ByteTables &m_tables;
    // Member names repeat in every entry of a file: equal names share one decoded string, which
    // saves a decoding and an allocation per member when reading and a release when freeing.
    std::unordered_map<std::string_view, QString> m_names;
    QStringList m_listPath;
    const Common::JsonListTaker *m_taker = nullptr;
    // How many names of the list's path lead to the value being read; -1 when it is off the path.
    qsizetype m_pathLevel = -1;
    // Short texts such as calendar ids and kind names also repeat from entry to entry; a text
    // that lands on a slot another took is decoded again.
    struct SharedValue
    {
        std::string_view bytes;
        QString text;
    };
    std::array<SharedValue, 512> m_values;
    // Node names go by pointer: repeated names resolve through a small table before the map.
    struct NameSlot
    {
        std::string_view bytes;
        const QString *name = nullptr;
    };
    std::array<NameSlot, 256> m_nameSlots;
    // Names of the element being read that are not shared (escaped, or past the limit).
    std::deque<QString> m_spareNames;
    // Decoding a scalar later gives no warning the scan already gave.
    bool m_quiet = false;
};

// Longer texts are mostly captions and comments, which seldom repeat.
constexpr qsizetype kMaxSharedValueBytes = 40;

// Enough for the names of any file we write; a file of ever new names only stops being shared.
constexpr size_t kMaxSharedNames = 1024;

QString Reader::sharedName(const char *s, qsizetype n)
{
    const std::string_view bytes(s, size_t(n));
    const auto found = m_names.find(bytes);
    if (found != m_names.end())
        return found->second;
    QString name = decodeUtf8(s, n);
    if (m_names.size() < kMaxSharedNames)
        m_names.emplace(bytes, name);
    return name;
}

QString Reader::sharedValue(const char *s, qsizetype n)
{
    if (n == 0 || n > kMaxSharedValueBytes)
        return decodeUtf8(s, n);
    const std::string_view bytes(s, size_t(n));
    SharedValue &slot = m_values[std::hash<std::string_view>()(bytes) % m_values.size()];
    if (slot.bytes != bytes)
        slot = {bytes, decodeUtf8(s, n)};
    return slot.text;
}

void Reader::fail(const QByteArray &message) const
{
    // Line and column follow from how many bytes were taken: the column counts the bytes of the current line.
    int line = 0;
    qsizetype lineStart = 0;
    for (qsizetype i = 0; i < m_pos; ++i) {
        if (m_data[i] == '\n') {
            ++line;
            lineStart = i + 1;
        }
    }
    throw Common::JsonParserException(message.toStdString(), line + 1, int(m_pos - lineStart));
}

const QString *Reader::internName(std::string_view bytes)
{
    const size_t n = bytes.size();
    const size_t hash =
        n == 0 ? 0 : n * 131 + uchar(bytes.front()) * 31 + uchar(bytes.back()) + uchar(bytes[n / 2]) * 7;
    NameSlot &slot = m_nameSlots[hash % m_nameSlots.size()];
    if (slot.name && slot.bytes == bytes)
        return slot.name;
    auto found = m_names.find(bytes);
    if (found == m_names.end()) {
        if (m_names.size() >= kMaxSharedNames) {
            m_spareNames.push_back(decodeUtf8(bytes.data(), qsizetype(n)));
            return &m_spareNames.back();
        }
        found = m_names.emplace(bytes, decodeUtf8(bytes.data(), qsizetype(n))).first;
    }
    // The map's entries stay where they are while it grows.
    slot = {bytes, &found->second};
    return slot.name;
}

QVariant Reader::scalar(qsizetype from) const
{
    // Decoding moves the read position and fills the shared texts; neither changes what any
    // node stands for, and the position is put back.
    auto *self = const_cast<Reader *>(this);
    const qsizetype pos = m_pos;
    self->m_pos = from;
    self->m_quiet = true;
    QVariant value = from < m_size && m_data[from] == '"' ? QVariant(self->readQuotedString()) : self->readBareWord();
    self->m_quiet = false;
    self->m_pos = pos;
    return value;
}

void Reader::skipSpaceAndCommentsSlow()
{
    while (m_pos < m_size) {
        const uchar c = byteAt(m_pos++);
        if (m_tables.space[c])
            continue;
        if (c != '/') {
            --m_pos;
            return;
        }
        if (m_pos >= m_size)
            return; // a lone "/" at the end is dropped
        if (m_data[m_pos++] == '/') {
            const void *nl = std::memchr(m_data + m_pos, '\n', size_t(m_size - m_pos));
            m_pos = nl ? static_cast<const char *>(nl) - m_data + 1 : m_size;
            continue;
        }
        qWarning("I removed a '/' while parsing JSON file.");
        --m_pos;
        return;
    }
}

QVariant Reader::readValue(int depth)
{
    skipSpaceAndComments();
    if (expect('{'))
        return readObject(depth + 1);
    if (expect('['))
        return readArray(depth + 1);
    if (m_pos < m_size && m_data[m_pos] == '"')
        return readQuotedString();
    return readBareWord();
}

QVariant Reader::readObject(int depth)
{
    if (depth > Common::kJsonMaxDepth)
        fail("Objects and arrays nested too deeply");
    QVariantMap map;
    skipSpaceAndComments();
    if (expect('}'))
        return map;
    const qsizetype level = m_pathLevel;
    do {
        skipSpaceAndComments();
        const QString name = readMemberName();
        skipSpaceAndComments();
        if (!expect(':'))
            fail("Expected ':' after a member name: " + name.toLatin1());
        const bool onPath = level >= 0 && level < m_listPath.size() && name == m_listPath.at(level);
        m_pathLevel = onPath ? level + 1 : -1;
        QVariant value = readValue(depth);
        // Files we write hold keys in order, so inserting at the end is the cheap common case.
        map.insert(map.cend(), name, std::move(value));
        skipSpaceAndComments();
    } while (expect(','));
    m_pathLevel = level;
    skipSpaceAndComments();
    if (!expect('}'))
        fail("Expected '}' to close an object");
    return map;
}

QVariant Reader::readArray(int depth)
{
    if (depth > Common::kJsonMaxDepth)
        fail("Objects and arrays nested too deeply");
    const Common::JsonListTaker *taker = m_pathLevel == m_listPath.size() ? m_taker : nullptr;
    const qsizetype level = m_pathLevel;
    m_pathLevel = -1; // the path goes through member names only
    if (taker)
        taker->start();
    QVariantList list;
    skipSpaceAndComments();
    if (expect(']')) {
        m_pathLevel = level;
        return list;
    }
    for (;;) {
        if (taker && taker->takeObject) {
            nodes.clear();
            m_spareNames.clear();
            elementFrom = nextValueStart();
            readNode(depth);
            elementTo = m_pos;
            taker->takeObject(Common::JsonObject(this, 0));
        } else if (taker) {
            taker->take(readValue(depth));
        } else {
            list.append(readValue(depth));
        }
        skipSpaceAndComments();
        if (!expect(','))
            break;
        if (taker && taker->takeObject && taker->skip) {
            const Common::JsonListPartEnd end = taker->skip(m_pos);
            m_pos = end.position;
            if (!end.goesOn)
                break;
        }
    }
    m_pathLevel = level;
    skipSpaceAndComments();
    if (!expect(']'))
        fail("Expected ']' to close an array");
    return list;
}

Common::JsonListPartEnd Reader::readListPart(int depth, const std::vector<qsizetype> &stops,
                                             const Common::JsonListTaker &taker)
{
    for (;;) {
        nodes.clear();
        m_spareNames.clear();
        elementFrom = nextValueStart();
        readNode(depth);
        elementTo = m_pos;
        taker.takeObject(Common::JsonObject(this, 0));
        skipSpaceAndComments();
        if (!expect(','))
            return {m_pos, false};
        if (std::binary_search(stops.cbegin(), stops.cend(), m_pos))
            return {m_pos, true};
    }
}

void Reader::readNode(int depth)
{
    // The same steps and errors as readValue, readObject and readArray, off the list's path;
    // scalars are only stepped over, their values are made when asked for.
    skipSpaceAndComments();
    const size_t at = nodes.size();
    nodes.emplace_back();
    if (expect('{')) {
        if (depth + 1 > Common::kJsonMaxDepth)
            fail("Objects and arrays nested too deeply");
        nodes[at].kind = Common::JsonNode::Object;
        skipSpaceAndComments();
        if (!expect('}')) {
            qsizetype previous = qsizetype(at);
            do {
                skipSpaceAndComments();
                const QString *name = readNodeName();
                skipSpaceAndComments();
                if (!expect(':'))
                    fail("Expected ':' after a member name: " + name->toLatin1());
                const size_t member = nodes.size();
                readNode(depth + 1);
                nodes[member].name = name;
                nodes[member].previous = previous;
                previous = qsizetype(member);
                nodes[at].from = previous;
                skipSpaceAndComments();
            } while (expect(','));
            skipSpaceAndComments();
            if (!expect('}'))
                fail("Expected '}' to close an object");
        }
    } else if (expect('[')) {
        if (depth + 1 > Common::kJsonMaxDepth)
            fail("Objects and arrays nested too deeply");
        nodes[at].kind = Common::JsonNode::Array;
        skipSpaceAndComments();
        if (!expect(']')) {
            do {
                readNode(depth + 1);
                skipSpaceAndComments();
            } while (expect(','));
            skipSpaceAndComments();
            if (!expect(']'))
                fail("Expected ']' to close an array");
        }
    } else {
        nodes[at].from = m_pos;
        if (m_pos < m_size && m_data[m_pos] == '"') {
            skipQuotedString();
        } else {
            // A bare word ends where readBareWord ends it, and fails here when it would fail there.
            while (m_pos < m_size && !m_tables.wordEnd[byteAt(m_pos)])
                ++m_pos;
            if (m_pos - nodes[at].from > Common::kJsonMaxWordSize)
                fail("Bare word too long");
        }
    }
    nodes[at].end = qsizetype(nodes.size());
}

void Reader::skipQuotedString()
{
    const qsizetype start = m_pos++;
    const char *const from = m_data + m_pos;
    const void *quote = std::memchr(from, '"', size_t(m_size - m_pos));
    if (quote && !std::memchr(from, '\\', size_t(static_cast<const char *>(quote) - from))) {
        m_pos = static_cast<const char *>(quote) - m_data + 1;
        return;
    }
    while (m_pos < m_size) {
        const char c = m_data[m_pos++];
        if (c == '"')
            return;
        if (c == '\\') {
            if (m_pos >= m_size)
                break;
            if (m_data[m_pos] == 'u')
                qWarning("don't support \\uxxxx char");
            ++m_pos;
        }
    }
    // Cut short: reading it as a value fails with that reading's own message and position.
    m_pos = start;
    readQuotedString();
}

QString Reader::readQuotedString()
{
    if (m_pos >= m_size || m_data[m_pos++] != '"')
        fail("Expected '\"' at beginning of string");
    const qsizetype start = m_pos;
    // Plain strings without escapes decode straight from the input.
    while (m_pos < m_size) {
        const char c = m_data[m_pos];
        if (c == '"') {
            ++m_pos;
            return sharedValue(m_data + start, m_pos - 1 - start);
        }
        if (c == '\\')
            break;
        ++m_pos;
    }
    QByteArray bytes(m_data + start, m_pos - start);
    while (m_pos < m_size) {
        char c = m_data[m_pos++];
        if (c == '"')
            return decodeUtf8(bytes);
        if (c == '\\') {
            if (m_pos >= m_size)
                break;
            c = m_data[m_pos++];
            switch (c) {
            case 'b':
                c = '\b';
                break;
            case 'f':
                c = '\f';
                break;
            case 'n':
                c = '\n';
                break;
            case 'r':
                c = '\r';
                break;
            case 't':
                c = '\t';
                break;
            case 'u':
                if (!m_quiet)
                    qWarning("don't support \\uxxxx char");
                break;
            default:
                break;
            }
        }
        bytes.append(c);
    }
    fail("End of file before end of string: " + bytes);
}

bool Reader::readPlainMemberName(std::string_view *bytes)
{
    if (m_pos >= m_size)
        fail("End of file before end of string: ");
    if (m_data[m_pos] == '"') {
        // Names without escapes are taken as they stand; the others are read like any string.
        const qsizetype start = m_pos + 1;
        const void *quote = std::memchr(m_data + start, '"', size_t(m_size - start));
        if (!quote)
            return false;
        const qsizetype end = static_cast<const char *>(quote) - m_data;
        if (std::memchr(m_data + start, '\\', size_t(end - start)))
            return false;
        m_pos = end + 1;
        *bytes = std::string_view(m_data + start, size_t(end - start));
        return true;
    }
    // A bare name is its first byte, whatever it is, and the letters and digits after it.
    const qsizetype start = m_pos++;
    while (m_pos < m_size && m_tables.letterOrNumber[byteAt(m_pos)])
        ++m_pos;
    if (m_pos >= m_size)
        fail("End of file before end of string: " + QByteArray(m_data + start, m_pos - start));
    *bytes = std::string_view(m_data + start, size_t(m_pos - start));
    return true;
}

QString Reader::readMemberName()
{
    std::string_view bytes;
    if (readPlainMemberName(&bytes))
        return sharedName(bytes.data(), qsizetype(bytes.size()));
    return readQuotedString();
}

const QString *Reader::readNodeName()
{
    std::string_view bytes;
    if (readPlainMemberName(&bytes))
        return internName(bytes);
    m_spareNames.push_back(readQuotedString());
    return &m_spareNames.back();
}

// Recognises the plain decimal forms whose meaning is not in doubt, so they skip the slower general path.
bool isPlainInteger(const char *s, qsizetype n)
{
    qsizetype i = (n > 0 && s[0] == '-') ? 1 : 0;
    if (i >= n || n - i > 9)
        return false;
    for (; i < n; ++i)
        if (s[i] < '0' || s[i] > '9')
            return false;
    return true;
}

bool isPlainDecimal(const char *s, qsizetype n)
{
    qsizetype i = (n > 0 && s[0] == '-') ? 1 : 0;
    auto digits = [&] {
        const qsizetype from = i;
        while (i < n && s[i] >= '0' && s[i] <= '9')
            ++i;
        return i > from;
    };
    if (!digits())
        return false;
    if (i < n && s[i] == '.') {
        ++i;
        if (!digits())
            return false;
    }
    if (i < n && (s[i] == 'e' || s[i] == 'E')) {
        ++i;
        if (i < n && (s[i] == '+' || s[i] == '-'))
            ++i;
        if (!digits())
            return false;
    }
    return i == n;
}

QVariant wordToVariant(const QString &word)
{
    if (word == QLatin1String("true"))
        return true;
    if (word == QLatin1String("false"))
        return false;
    if (word == QLatin1String("null"))
        return QVariant();
    bool ok = false;
    // Range-checked: a word beyond int is not wrapped round but read as a double.
    const int i = word.toInt(&ok);
    if (ok)
        return i;
    const double d = word.toDouble(&ok);
    if (ok)
        return d;
    return word;
}

QVariant Reader::readBareWord()
{
    const qsizetype start = m_pos;
    bool ascii = true;
    while (m_pos < m_size) {
        const uchar c = byteAt(m_pos);
        if (m_tables.wordEnd[c])
            break;
        ascii = ascii && c < 0x80;
        ++m_pos;
    }
    if (m_pos - start > Common::kJsonMaxWordSize)
        fail("Bare word too long");
    const char *s = m_data + start;
    const qsizetype n = m_pos - start;
    if (!ascii) {
        // The first white-space separated word of the UTF-8 text, as a text stream would give it,
        // without guessing other encodings from byte order marks.
        const QString text = decodeUtf8(s, n);
        qsizetype from = 0;
        while (from < text.size() && text.at(from).isSpace())
            ++from;
        qsizetype to = from;
        while (to < text.size() && !text.at(to).isSpace())
            ++to;
        return wordToVariant(text.mid(from, to - from));
    }
    if (isPlainInteger(s, n)) {
        int value = 0;
        std::from_chars(s, s + n, value);
        return value;
    }
    if (isPlainDecimal(s, n)) {
        double value = 0;
        const auto result = std::from_chars(s, s + n, value);
        if (result.ec == std::errc() && result.ptr == s + n) {
            // A long digit run without "." or exponent may still fit in an int.
            if (std::memchr(s, '.', size_t(n)) || std::memchr(s, 'e', size_t(n)) || std::memchr(s, 'E', size_t(n)))
                return value;
        }
    }
    return wordToVariant(QString::fromLatin1(s, n));
}

} // namespace JsonParserPrivate

using JsonParserPrivate::ByteTables;
using JsonParserPrivate::tables;
using Writer = Common::JsonWriter;

void Writer::quoted(const char *s, qsizetype n)
{
    const ByteTables &t = tables();
    char *const begin = room(2 * n + 2);
    char *out = begin;
    *out++ = '"';
    for (qsizetype i = 0; i < n; ++i) {
        const uchar c = uchar(s[i]);
        if (t.escape[c])
            out = escaped(out, c);
        else
            *out++ = char(c);
    }
    *out++ = '"';
    m_length += out - begin;
}

void Writer::quoted(const QString &s)
{
    // Encodes UTF-8 straight into the output; a lone surrogate takes Qt's own conversion instead.
    const ByteTables &t = tables();
    const auto *u = reinterpret_cast<const char16_t *>(s.constData());
    const qsizetype n = s.size();
    char *const begin = room(3 * n + 2);
    char *out = begin;
    *out++ = '"';
    for (qsizetype i = 0; i < n; ++i) {
        const char16_t c = u[i];
        if (c < 0x80) {
            if (t.escape[c])
                out = escaped(out, uchar(c));
            else
                *out++ = char(c);
        } else if (c < 0x800) {
            *out++ = char(0xC0 | (c >> 6));
            *out++ = char(0x80 | (c & 0x3F));
        } else if (QChar::isSurrogate(c)) {
            if (!QChar::isHighSurrogate(c) || i + 1 >= n || !QChar::isLowSurrogate(u[i + 1])) {
                quoted(s.toUtf8().constData(), s.toUtf8().size());
                return;
            }
            const char32_t code = QChar::surrogateToUcs4(c, u[++i]);
            *out++ = char(0xF0 | (code >> 18));
            *out++ = char(0x80 | ((code >> 12) & 0x3F));
            *out++ = char(0x80 | ((code >> 6) & 0x3F));
            *out++ = char(0x80 | (code & 0x3F));
        } else {
            *out++ = char(0xE0 | (c >> 12));
            *out++ = char(0x80 | ((c >> 6) & 0x3F));
            *out++ = char(0x80 | (c & 0x3F));
        }
    }
    *out++ = '"';
    m_length += out - begin;
}

void Writer::value(int i)
{
    char *const at = room(16);
    m_length += std::to_chars(at, at + 16, i).ptr - at;
}

void Writer::write(const QVariant &value, int indent)
{
    indentation(indent);
    switch (value.userType()) {
    case QMetaType::UnknownType:
        putLiteral("null");
        break;
    case QMetaType::Bool:
        if (*static_cast<const bool *>(value.constData()))
            putLiteral("true");
        else
            putLiteral("false");
        break;
    case QMetaType::Int:
        this->value(*static_cast<const int *>(value.constData()));
        break;
    case QMetaType::Double: {
        const double d = *static_cast<const double *>(value.constData());
        const QByteArray text = QByteArray::number(d, 'g', QLocale::FloatingPointShortest);
        put(text);
        // Keeps a whole-numbered double a double when read back; "inf" and "nan" stay readable as doubles too.
        if (qIsFinite(d) && !text.contains('.') && !text.contains('e') && !text.contains('E'))
            putLiteral(".0");
        break;
    }
    case QMetaType::QString:
        quoted(*static_cast<const QString *>(value.constData()));
        break;
    case QMetaType::QByteArray: {
        const QByteArray &bytes = *static_cast<const QByteArray *>(value.constData());
        quoted(bytes.constData(), bytes.size());
        break;
    }
    case QMetaType::QVariantList: {
        const QVariantList &list = *static_cast<const QVariantList *>(value.constData());
        put('[');
        for (qsizetype i = 0; i < list.size(); ++i) {
            const QVariant &element = list.at(i);
            if (i == 0 || !isSimple(element)) {
                lineBreak();
                write(element, indent + 1);
            } else {
                write(element, 0);
            }
            if (i + 1 < list.size())
                putLiteral(", ");
        }
        lineBreak();
        indentation(indent);
        put(']');
        break;
    }
    case QMetaType::QVariantMap: {
        const QVariantMap &map = *static_cast<const QVariantMap *>(value.constData());
        put('{');
        lineBreak();
        for (auto it = map.cbegin(), end = map.cend(); it != end;) {
            indentation(indent + 1);
            // Keys are escaped like strings: a quote or backslash in a key must not break the file.
            quoted(it.key());
            putLiteral(": ");
            if (!isSimple(it.value())) {
                lineBreak();
                write(it.value(), indent + 1);
            } else {
                write(it.value(), 0);
            }
            if (++it != end)
                put(',');
            lineBreak();
        }
        indentation(indent);
        put('}');
        break;
    }
    default:
        m_leftOut = true;
        if (m_quiet)
            break;
        qWarning("Cannot serialize QVariant of type %s in JSON", value.typeName());
        QR_ASSERT(false);
        break;
    }
}

namespace JsonParserPrivate {

// Gives back to the device the bytes read past the value, so the caller finds them where they were.
void returnUnread(QIODevice *device, qint64 start, const QByteArray &data, qsizetype consumed)
{
    if (consumed >= data.size())
        return;
    if (!device->isSequential() && !(device->openMode() & QIODevice::Text)) {
        device->seek(start + consumed);
        return;
    }
    for (qsizetype i = data.size() - 1; i >= consumed; --i)
        device->ungetChar(data.at(i));
}

} // namespace JsonParserPrivate

namespace Common {

QVariant readJson(QIODevice *device)
{
    if (!device)
        throw JsonParserException("No device to read JSON from", 1, 0);
    const qint64 start = device->pos();
    const QByteArray data = device->readAll();
    JsonParserPrivate::Reader reader(data.constData(), data.size());
    try {
        QVariant value = reader.readValue(0);
        JsonParserPrivate::returnUnread(device, start, data, reader.position());
        return value;
    } catch (...) {
        JsonParserPrivate::returnUnread(device, start, data, reader.position());
        throw;
    }
}

QVariant readJson(const QByteArray &text)
{
    JsonParserPrivate::Reader reader(text.constData(), text.size());
    return reader.readValue(0);
}

QVariant readJson(const QByteArray &text, const QStringList &listPath, const JsonListTaker &taker)
{
    JsonParserPrivate::Reader reader(text.constData(), text.size());
    reader.takeList(listPath, taker);
    // The list lies in members of objects.
    return listPath.isEmpty() ? reader.readValue(0) : reader.readObjectValue(0);
}

JsonListPartEnd readJsonListPart(const QByteArray &text, qsizetype from, const QStringList &listPath,
                                 const std::vector<qsizetype> &stops, const JsonListTaker &taker)
{
    JsonParserPrivate::Reader reader(text.constData(), text.size());
    reader.seek(from);
    // The list lies one level below each object of its path.
    return reader.readListPart(int(listPath.size()) + 1, stops, taker);
}

std::vector<qsizetype> likelyElementStarts(const QByteArray &text, const QByteArray &opening, int parts)
{
    std::vector<qsizetype> starts;
    const QByteArray pattern = ',' + opening;
    for (int i = 1; i < parts; ++i) {
        const qsizetype target = std::max(text.size() / parts * i, starts.empty() ? 0 : starts.back());
        // Searching on from the last start, a later target never finds the same comma again.
        const qsizetype at = text.indexOf(pattern, target);
        if (at < 0)
            break;
        starts.push_back(at + 1);
    }
    return starts;
}

bool mayStartJsonObject(const QByteArray &head)
{
    return JsonParserPrivate::Reader(head.constData(), head.size()).mayStartObject();
}

QVariant readJsonOrNull(const QByteArray &text)
{
    try {
        return readJson(text);
    } catch (const JsonParserException &e) {
        qWarning("%s", e.what());
        return QVariant();
    }
}

void writeJson(const QVariant &value, QIODevice *device, int indent, bool formatted)
{
    Common::JsonWriter writer(formatted);
    writer.write(value, indent);
    device->write(writer.take());
}

void writeJsonCompact(const QVariant &value, QIODevice *device)
{
    writeJson(value, device, 0, false);
}

void writeJsonIndented(const QVariant &value, QIODevice *device)
{
    writeJson(value, device, 0, true);
}

QByteArray toJson(const QVariant &value)
{
    Common::JsonWriter writer(false);
    writer.write(value, 0);
    return writer.take();
}

} // namespace Common
