#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

// A set of keys, each with its replacement text, over UTF-16 code units, that answers one question
// fast: which is the longest key the text starts with. Keys are whole characters (a surrogate pair
// is two code units, kept together by the keys themselves), so a match never ends inside a
// character.
//
// Layout: the first code unit indexes a table of 65,536 entries; deeper edges live in one
// open-addressing hash table keyed by (node, code unit). A lookup costs one array read and then one
// probe per further code unit, and stops at the first code unit no key continues with.
class PhraseTrie {
public:
    PhraseTrie();

    // Adds a key, or gives an existing key a new replacement. An empty key is ignored.
    void insert(std::u16string_view key, std::u16string_view replacement);
    // Room for this many edges below the first code unit without growing the table.
    void reserveEdges(std::size_t count);
    bool isEmpty() const { return m_keys == 0; }
    std::size_t size() const { return m_keys; }

    // The length in code units of the longest key that [text, end) starts with, or 0 when none does;
    // *replacement is that key's replacement.
    std::size_t longestPrefix(const char16_t* text, const char16_t* end, std::u16string_view* replacement) const {
        if (text == end)
            return 0;
        std::uint32_t node = m_root[*text];
        if (node == 0)
            return 0;
        const char16_t* p = text + 1;
        std::size_t best = 0;
        std::uint32_t bestValue = NoValue;
        for (;;) {
            const std::uint32_t info = m_nodes[node];
            if ((info & ValueMask) != NoValue) {
                best = std::size_t(p - text);
                bestValue = info & ValueMask;
            }
            if (p == end || (info & HasChildren) == 0)
                break;
            if (p == text + 1 && !mayStartWith(text[0], *p))
                break;
            node = child(node, *p);
            if (node == 0)
                break;
            ++p;
        }
        if (best != 0)
            *replacement = value(bestValue);
        return best;
    }

    // Bytes held by the tables (for the memory figures).
    std::size_t memoryBytes() const;

    // The tables as bytes, appended to out, and back: readFrom() takes them from the front of bytes
    // and is false for bytes that do not make consistent tables (a lookup in what it accepts stays
    // inside the tables, whatever the bytes were).
    void appendTo(std::string& out) const;
    bool readFrom(std::string_view& bytes);

private:
    static constexpr std::uint32_t HasChildren = 0x80000000u;
    static constexpr std::uint32_t ValueMask = 0x7FFFFFFFu;
    static constexpr std::uint32_t NoValue = ValueMask;

    struct Edge {
        std::uint32_t parent = 0; // 0: an empty slot (the root's edges are in m_root)
        std::uint32_t unit = 0;
        std::uint32_t node = 0;
    };
    struct Span {
        std::uint32_t offset;
        std::uint32_t length;
    };

    static std::size_t slotOf(std::uint32_t parent, char16_t unit, unsigned bits) {
        const std::uint64_t key = (std::uint64_t(parent) << 16) | unit;
        return std::size_t((key * 0x9E3779B97F4A7C15ull) >> (64 - bits));
    }

    // Most first code units that have keys below them are followed by a code unit that no key
    // continues with; a bit per hashed pair of first code units tells most of those without a probe of
    // the (large, seldom cached) edge table.
    static constexpr unsigned PairBits = 20;
    static std::size_t pairOf(char16_t first, char16_t second) {
        return std::size_t(((std::uint64_t(first) << 16 | second) * 0x9E3779B97F4A7C15ull) >> (64 - PairBits));
    }
    bool mayStartWith(char16_t first, char16_t second) const {
        const std::size_t pair = pairOf(first, second);
        return (m_pairs[pair / 64] >> (pair % 64)) & 1;
    }
    void addPair(char16_t first, char16_t second) {
        const std::size_t pair = pairOf(first, second);
        m_pairs[pair / 64] |= std::uint64_t(1) << (pair % 64);
    }

    std::uint32_t child(std::uint32_t parent, char16_t unit) const {
        const std::size_t mask = m_edges.size() - 1;
        for (std::size_t slot = slotOf(parent, unit, m_bits);; slot = (slot + 1) & mask) {
            const Edge& edge = m_edges[slot];
            if (edge.parent == parent && edge.unit == unit)
                return edge.node;
            if (edge.parent == 0)
                return 0;
        }
    }

    std::u16string_view value(std::uint32_t id) const {
        const Span span = m_values[id];
        return std::u16string_view(m_text.data() + span.offset, span.length);
    }

    std::uint32_t addNode();
    std::uint32_t childOrNew(std::uint32_t parent, char16_t unit);
    void growEdges();

    std::vector<std::uint32_t> m_root;  // first code unit -> node, 0 for none
    std::vector<std::uint32_t> m_nodes; // per node: HasChildren | value id (NoValue for none); [0] unused
    std::vector<Edge> m_edges;          // size a power of two, at most half full
    unsigned m_bits = 0;                // log2 of m_edges.size()
    std::size_t m_edgeCount = 0;
    std::vector<Span> m_values;
    std::vector<char16_t> m_text;       // every replacement, one after the other
    std::vector<std::uint64_t> m_pairs; // (1 << PairBits) bits
    std::size_t m_keys = 0;
};
