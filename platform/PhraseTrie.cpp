#include "PhraseTrie.h"

#include <cstring>

namespace {

template <class T> void appendValue(std::string& out, const T& value) {
    out.append(reinterpret_cast<const char*>(&value), sizeof value);
}

template <class T> void appendVector(std::string& out, const std::vector<T>& values) {
    appendValue(out, std::uint64_t(values.size()));
    out.append(reinterpret_cast<const char*>(values.data()), values.size() * sizeof(T));
}

template <class T> bool takeValue(std::string_view& bytes, T& value) {
    if (bytes.size() < sizeof value)
        return false;
    std::memcpy(&value, bytes.data(), sizeof value);
    bytes.remove_prefix(sizeof value);
    return true;
}

template <class T> bool takeVector(std::string_view& bytes, std::vector<T>& values) {
    std::uint64_t count = 0;
    if (!takeValue(bytes, count) || count > bytes.size() / sizeof(T))
        return false;
    values.resize(std::size_t(count));
    if (count > 0)
        std::memcpy(values.data(), bytes.data(), std::size_t(count) * sizeof(T));
    bytes.remove_prefix(std::size_t(count) * sizeof(T));
    return true;
}

} // namespace

PhraseTrie::PhraseTrie()
    : m_root(0x10000, 0), m_nodes(1, NoValue), m_edges(1024), m_bits(10), m_pairs((std::size_t(1) << PairBits) / 64) {}

std::uint32_t PhraseTrie::addNode() {
    m_nodes.push_back(NoValue);
    return std::uint32_t(m_nodes.size() - 1);
}

std::uint32_t PhraseTrie::childOrNew(std::uint32_t parent, char16_t unit) {
    if (std::uint32_t existing = child(parent, unit))
        return existing;
    if ((m_edgeCount + 1) * 2 > m_edges.size())
        growEdges();
    const std::uint32_t node = addNode();
    const std::size_t mask = m_edges.size() - 1;
    std::size_t slot = slotOf(parent, unit, m_bits);
    while (m_edges[slot].parent != 0)
        slot = (slot + 1) & mask;
    m_edges[slot] = Edge{parent, unit, node};
    ++m_edgeCount;
    m_nodes[parent] |= HasChildren;
    return node;
}

void PhraseTrie::reserveEdges(std::size_t count) {
    while (count * 2 > m_edges.size())
        growEdges();
}

void PhraseTrie::growEdges() {
    std::vector<Edge> old(m_edges.size() * 2);
    old.swap(m_edges);
    ++m_bits;
    const std::size_t mask = m_edges.size() - 1;
    for (const Edge& edge : old) {
        if (edge.parent == 0)
            continue;
        std::size_t slot = slotOf(edge.parent, char16_t(edge.unit), m_bits);
        while (m_edges[slot].parent != 0)
            slot = (slot + 1) & mask;
        m_edges[slot] = edge;
    }
}

void PhraseTrie::insert(std::u16string_view key, std::u16string_view replacement) {
    if (key.empty())
        return;
    std::uint32_t node = m_root[key[0]];
    if (node == 0) {
        node = addNode();
        m_root[key[0]] = node;
    }
    for (std::size_t i = 1; i < key.size(); ++i)
        node = childOrNew(node, key[i]);
    if (key.size() > 1)
        addPair(key[0], key[1]);
    if ((m_nodes[node] & ValueMask) == NoValue)
        ++m_keys;
    m_values.push_back(Span{std::uint32_t(m_text.size()), std::uint32_t(replacement.size())});
    m_text.insert(m_text.end(), replacement.begin(), replacement.end());
    m_nodes[node] = (m_nodes[node] & HasChildren) | std::uint32_t(m_values.size() - 1);
}

std::size_t PhraseTrie::memoryBytes() const {
    return m_root.capacity() * sizeof(std::uint32_t) + m_nodes.capacity() * sizeof(std::uint32_t) +
           m_edges.capacity() * sizeof(Edge) + m_values.capacity() * sizeof(Span) +
           m_text.capacity() * sizeof(char16_t) + m_pairs.capacity() * sizeof(std::uint64_t);
}

void PhraseTrie::appendTo(std::string& out) const {
    appendValue(out, std::uint32_t(m_bits));
    appendValue(out, std::uint64_t(m_edgeCount));
    appendValue(out, std::uint64_t(m_keys));
    // The first code units as (unit, node) pairs: most of the 65,536 have no key.
    std::vector<std::uint32_t> roots;
    for (std::uint32_t unit = 0; unit < m_root.size(); ++unit) {
        if (m_root[unit] != 0) {
            roots.push_back(unit);
            roots.push_back(m_root[unit]);
        }
    }
    appendVector(out, roots);
    appendVector(out, m_nodes);
    appendVector(out, m_edges);
    appendVector(out, m_values);
    appendVector(out, m_text);
    appendVector(out, m_pairs);
}

bool PhraseTrie::readFrom(std::string_view& bytes) {
    std::uint32_t bits = 0;
    std::uint64_t edgeCount = 0;
    std::uint64_t keys = 0;
    std::vector<std::uint32_t> roots;
    if (!takeValue(bytes, bits) || !takeValue(bytes, edgeCount) || !takeValue(bytes, keys) ||
        !takeVector(bytes, roots) || !takeVector(bytes, m_nodes) || !takeVector(bytes, m_edges) ||
        !takeVector(bytes, m_values) || !takeVector(bytes, m_text) || !takeVector(bytes, m_pairs) ||
        m_pairs.size() != (std::size_t(1) << PairBits) / 64 || roots.size() % 2 != 0)
        return false;
    m_root.assign(0x10000, 0);
    for (std::size_t i = 0; i < roots.size(); i += 2) {
        if (roots[i] >= m_root.size())
            return false;
        m_root[roots[i]] = roots[i + 1];
    }
    m_bits = bits;
    m_edgeCount = std::size_t(edgeCount);
    m_keys = std::size_t(keys);
    // Every index must stay inside its table, and the edge table must keep an empty slot, where an
    // unsuccessful probe ends.
    if (m_nodes.empty() || bits < 1 || bits > 31 || m_edges.size() != (std::size_t(1) << bits) ||
        m_edgeCount >= m_edges.size())
        return false;
    const std::size_t nodes = m_nodes.size();
    for (const std::uint32_t node : m_root) {
        if (node >= nodes)
            return false;
    }
    for (const std::uint32_t info : m_nodes) {
        if ((info & ValueMask) != NoValue && (info & ValueMask) >= m_values.size())
            return false;
    }
    std::size_t used = 0;
    for (const Edge& edge : m_edges) {
        if (edge.parent == 0)
            continue;
        if (edge.parent >= nodes || edge.node == 0 || edge.node >= nodes || edge.unit > 0xFFFF)
            return false;
        ++used;
    }
    if (used != m_edgeCount)
        return false;
    for (const Span& span : m_values) {
        if (span.offset > m_text.size() || span.length > m_text.size() - span.offset)
            return false;
    }
    return true;
}
