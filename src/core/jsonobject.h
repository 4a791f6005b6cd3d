#pragma once

#include <QString>
#include <QStringList>
#include <QVariant>

#include <vector>

namespace Common {

// One value of a JSON text read without building maps: the values of a whole object lie in one
// vector, each container followed by its members. A scalar is only found here, by where its text
// begins; its value is made when it is asked for, so that reading costs no allocation per value.
struct JsonNode
{
    enum Kind { Scalar, Object, Array };
    const QString *name = nullptr; // a member's name; null in arrays
    qsizetype from = 0;            // a scalar's first byte in the text; an object's last member
    qsizetype end = 0;             // one past the last node inside this one
    qsizetype previous = 0;        // a member's previous member, or its object for the first
    Kind kind = Scalar;
};

// The nodes of one value and the text they were read from.
class JsonNodes
{
public:
    std::vector<JsonNode> nodes;
    // Where the list element a taker is given lies in the text: its first byte and one past its last.
    qsizetype elementFrom = -1;
    qsizetype elementTo = -1;
    // The scalar whose text begins at `from`, as the variant reader gives it.
    virtual QVariant scalar(qsizetype from) const = 0;

protected:
    ~JsonNodes() = default;
};

// An object among such nodes, read as a map of the same text reads: a name that repeats means
// its last value, and a value that is no object reads as an empty object.
class JsonObject
{
public:
    JsonObject() = default;
    JsonObject(const JsonNodes *nodes, qsizetype at) : m_nodes(nodes), m_at(at) {}

    bool contains(const QString &name) const { return find(name) >= 0; }
    // Whether this stands for an object at all (an absent member or another value does not).
    bool isObject() const { return m_nodes && m_at >= 0 && node(m_at).kind == JsonNode::Object; }
    // No members, as the map of the same text would have none.
    bool isEmpty() const { return !isObject() || node(m_at).end == m_at + 1; }
    // The member's value as the variant reader gives it (maps and lists built on demand).
    QVariant value(const QString &name, const QVariant &fallback = QVariant()) const;
    QVariant operator[](const QString &name) const { return value(name); }
    // The member when it is an object, else an empty object.
    JsonObject object(const QString &name) const;
    // The value this stands for, whatever its kind, as the variant reader gives it.
    QVariant toVariant() const;
    // The members' names in the order of the text (a repeated name as often as it appears).
    QStringList names() const;
    // Whether names() would equal `names`, without building it.
    bool hasNames(const QStringList &names) const;

    // Where this list element lies in the text it was read from, while a taker holds it.
    qsizetype elementFrom() const { return m_nodes ? m_nodes->elementFrom : -1; }
    qsizetype elementTo() const { return m_nodes ? m_nodes->elementTo : -1; }

    // The value of node `at` as the variant reader gives it.
    static QVariant variantOf(const JsonNodes &nodes, qsizetype at);

private:
    qsizetype find(const QString &name) const;
    const JsonNode &node(qsizetype at) const { return m_nodes->nodes[size_t(at)]; }

    const JsonNodes *m_nodes = nullptr;
    qsizetype m_at = -1;
};

} // namespace Common
