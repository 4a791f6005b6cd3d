#include "core/jsonobject.h"

#include <QVariantList>
#include <QVariantMap>

#include <cstring>

namespace Common {

qsizetype JsonObject::find(const QString &name) const
{
    if (!isObject())
        return -1;
    const std::vector<JsonNode> &nodes = m_nodes->nodes;
    if (isEmpty())
        return -1;
    // From the last member back: the first match is the value that counts.
    for (qsizetype i = nodes[size_t(m_at)].from; i > m_at; i = nodes[size_t(i)].previous) {
        // Most names differ in length from the one looked for: that test alone settles them.
        const QString &candidate = *nodes[size_t(i)].name;
        if (candidate.size() == name.size() &&
            std::memcmp(candidate.constData(), name.constData(), size_t(name.size()) * sizeof(QChar)) == 0)
            return i;
    }
    return -1;
}

QStringList JsonObject::names() const
{
    QStringList result;
    if (!isObject())
        return result;
    const std::vector<JsonNode> &nodes = m_nodes->nodes;
    for (qsizetype i = m_at + 1, end = nodes[size_t(m_at)].end; i < end; i = nodes[size_t(i)].end)
        result << *nodes[size_t(i)].name;
    return result;
}

bool JsonObject::hasNames(const QStringList &names) const
{
    if (!isObject())
        return names.isEmpty();
    const std::vector<JsonNode> &nodes = m_nodes->nodes;
    qsizetype n = 0;
    for (qsizetype i = m_at + 1, end = nodes[size_t(m_at)].end; i < end; i = nodes[size_t(i)].end, ++n) {
        if (n >= names.size() || *nodes[size_t(i)].name != names.at(n))
            return false;
    }
    return n == names.size();
}

QVariant JsonObject::value(const QString &name, const QVariant &fallback) const
{
    const qsizetype at = find(name);
    return at < 0 ? fallback : variantOf(*m_nodes, at);
}

JsonObject JsonObject::object(const QString &name) const
{
    const qsizetype at = find(name);
    return at < 0 ? JsonObject() : JsonObject(m_nodes, at);
}

QVariant JsonObject::toVariant() const
{
    return m_nodes && m_at >= 0 ? variantOf(*m_nodes, m_at) : QVariant();
}

QVariant JsonObject::variantOf(const JsonNodes &tape, qsizetype at)
{
    const std::vector<JsonNode> &nodes = tape.nodes;
    const JsonNode &node = nodes[size_t(at)];
    switch (node.kind) {
    case JsonNode::Scalar:
        return tape.scalar(node.from);
    case JsonNode::Object: {
        QVariantMap map;
        for (qsizetype i = at + 1; i < node.end; i = nodes[size_t(i)].end)
            map.insert(map.cend(), *nodes[size_t(i)].name, variantOf(tape, i));
        return map;
    }
    case JsonNode::Array: {
        QVariantList list;
        for (qsizetype i = at + 1; i < node.end; i = nodes[size_t(i)].end)
            list.append(variantOf(tape, i));
        return list;
    }
    }
    return QVariant();
}

} // namespace Common
