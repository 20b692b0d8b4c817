#include "PhraseTrie.h"

PhraseTrie::PhraseTrie() : m_root(0x10000, 0), m_nodes(1, NoValue), m_edges(1024), m_bits(10) {}

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
    if ((m_nodes[node] & ValueMask) == NoValue)
        ++m_keys;
    m_values.push_back(Span{std::uint32_t(m_text.size()), std::uint32_t(replacement.size())});
    m_text.insert(m_text.end(), replacement.begin(), replacement.end());
    m_nodes[node] = (m_nodes[node] & HasChildren) | std::uint32_t(m_values.size() - 1);
}

std::size_t PhraseTrie::memoryBytes() const {
    return m_root.capacity() * sizeof(std::uint32_t) + m_nodes.capacity() * sizeof(std::uint32_t) +
           m_edges.capacity() * sizeof(Edge) + m_values.capacity() * sizeof(Span) +
           m_text.capacity() * sizeof(char16_t);
}
