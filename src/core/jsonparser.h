#pragma once

#include <QByteArray>
#include <QStringList>
#include <QVariant>

#include <functional>
#include <stdexcept>
#include <string>

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

// Takes the elements of one list while it is read, so each can be used and freed before the next.
struct JsonListTaker
{
    // Called each time the list begins; a member name that repeats means its last value counts.
    std::function<void()> start;
    std::function<void(QVariant &&element)> take;
};

// Reads one JSON value and stops right after it. Lenient: "//" comments, bare words and bare
// member names, and a trailing comma in arrays (read as one more empty string).
// Throws JsonParserException.
QVariant readJson(QIODevice *device);
QVariant readJson(const QByteArray &text);
// As readJson, but the elements of the list reached through the member names of `listPath` from
// the top go to `taker` instead; that list is empty in the result.
QVariant readJson(const QByteArray &text, const QStringList &listPath, const JsonListTaker &taker);
// As readJson, but a parse error gives a warning and an invalid variant.
QVariant readJsonOrNull(const QByteArray &text);

// Writes maps, lists, strings, byte arrays, ints, doubles, booleans and invalid variants
// (as null); any other type is left out with a warning. `indent` is the depth the value stands at.
void writeJson(const QVariant &value, QIODevice *device, int indent, bool formatted);
void writeJsonCompact(const QVariant &value, QIODevice *device);
void writeJsonIndented(const QVariant &value, QIODevice *device);
// The compact text of the value.
QByteArray toJson(const QVariant &value);

} // namespace Common
