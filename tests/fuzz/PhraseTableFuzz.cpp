// The phrase tables of the Simplified/Traditional conversion: the trie finds the same longest key as
// a plain search over the pairs, its bytes read back into the same tables, and bytes damaged anywhere
// (as in a damaged table cache) are either refused or give tables whose every lookup stays inside
// them.
//
// Input: "key value" pairs, one a line, in UTF-8; a NUL; then damage as (offset high, offset low,
// xor) byte triples applied to the tables' bytes.

#include "FuzzSupport.h"
#include "platform/PhraseTrie.h"

#include <map>

namespace {

// The longest key text starts with, the slow way.
size_t plainLongest(const std::map<std::u16string, std::u16string>& pairs, std::u16string_view text,
                    std::u16string* value) {
    size_t best = 0;
    for (const auto& [key, replacement] : pairs) {
        if (key.size() > best && text.substr(0, key.size()) == key) {
            best = key.size();
            *value = replacement;
        }
    }
    return best;
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    Fuzz::Input input(data, size);
    const QString pairsText = QString::fromUtf8(input.until(0));
    PhraseTrie trie;
    std::map<std::u16string, std::u16string> pairs;
    for (const QString& line : pairsText.split(u'\n')) {
        const qsizetype space = line.indexOf(u' ');
        if (space <= 0)
            continue;
        const std::u16string key = line.left(space).toStdU16String();
        const std::u16string value = line.mid(space + 1).toStdU16String();
        trie.insert(key, value);
        pairs[key] = value;
    }
    FUZZ_CHECK(trie.size() == pairs.size(), "%zu keys, %zu pairs", trie.size(), pairs.size());

    std::u16string text;
    for (const auto& [key, value] : pairs)
        text += key.substr(key.size() / 2) + value + key;
    text += pairsText.toStdU16String();
    const char16_t* const end = text.data() + text.size();
    for (size_t i = 0; i < text.size(); ++i) {
        std::u16string_view found;
        std::u16string expected;
        const size_t length = trie.longestPrefix(text.data() + i, end, &found);
        FUZZ_CHECK(length == plainLongest(pairs, std::u16string_view(text).substr(i), &expected), "at %zu", i);
        FUZZ_CHECK(length == 0 || found == expected, "replacement at %zu", i);
    }

    std::string bytes;
    trie.appendTo(bytes);
    PhraseTrie copy;
    std::string_view view(bytes);
    FUZZ_CHECK(copy.readFrom(view) && view.empty(), "the tables' own bytes are refused");
    for (size_t i = 0; i < text.size(); ++i) {
        std::u16string_view a;
        std::u16string_view b;
        FUZZ_CHECK(trie.longestPrefix(text.data() + i, end, &a) == copy.longestPrefix(text.data() + i, end, &b) &&
                       a == b,
                   "the copy differs at %zu", i);
    }

    while (input.left() >= 3 && !bytes.empty()) {
        const size_t offset = (size_t(input.byte()) << 8 | input.byte()) % bytes.size();
        bytes[offset] = char(bytes[offset] ^ input.byte());
    }
    PhraseTrie damaged;
    std::string_view damagedView(bytes);
    if (damaged.readFrom(damagedView)) {
        for (size_t i = 0; i < text.size(); ++i) {
            std::u16string_view found;
            const size_t length = damaged.longestPrefix(text.data() + i, end, &found);
            FUZZ_CHECK(length <= text.size() - i, "a match past the text at %zu", i);
        }
    }
    return 0;
}
