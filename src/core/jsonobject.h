#pragma once

#include <QString>
#include <QStringList>
#include <QVariant>

#include <vector>

namespace Common {

// One value of a JSON text read without building maps: the values of a whole object lie in one
// vector, each container followed by its members.
struct JsonNode
{
    enum Kind { Scalar, Object, Array };
    QString name; // a member's name; empty in arrays
    QVariant scalar; // a scalar's value, as the variant reader gives it
    Kind kind = Scalar;
    qsizetype end = 0; // one past the last node inside this one
};

// An object among such nodes, read as a map of the same text reads: a name that repeats means
// its last value, and a value that is no object reads as an empty object.
class JsonObject
{
public:
    JsonObject() = default;
    JsonObject(const std::vector<JsonNode> *nodes, qsizetype at) : m_nodes(nodes), m_at(at) {}

    bool contains(const QString &name) const { return find(name) >= 0; }
    // Whether this stands for an object at all (an absent member or another value does not).
    bool isObject() const { return m_nodes && m_at >= 0 && (*m_nodes)[size_t(m_at)].kind == JsonNode::Object; }
    // No members, as the map of the same text would have none.
    bool isEmpty() const { return !isObject() || (*m_nodes)[size_t(m_at)].end == m_at + 1; }
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

    // The value of node `at` as the variant reader gives it.
    static QVariant variantOf(const std::vector<JsonNode> &nodes, qsizetype at);

private:
    qsizetype find(const QString &name) const;

    const std::vector<JsonNode> *m_nodes = nullptr;
    qsizetype m_at = -1;
};

} // namespace Common
