#pragma once

#include "FileError.h"
#include "PhraseTrie.h"

#include <QString>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

// Converts text exactly as one OpenCC configuration does, with that configuration's dictionaries
// read through OpenCC's library in the order it gives, and matched by PhraseTrie instead of OpenCC's
// own matcher.
//
// What OpenCC does, and this class with it: the segmentation dictionary cuts the text, from the left,
// into its longest keys; the characters between two such keys form one segment. Every conversion of
// the chain then rewrites each segment on its own, again from the left, taking at each place the
// longest key of the first dictionary of its group that has one there; segment boundaries stay where
// the segmentation put them. A group nested in a group counts as its dictionaries in order.
//
// Text is UTF-16; code units that are not part of any key (lone surrogates, NUL) pass unchanged.
class DictionaryConverter {
public:
    // Loads a configuration: a path, or a bare name such as "s2t.json" that OpenCC finds in its data
    // folder. Null when it cannot be loaded or uses a segmentation other than OpenCC's "mmseg";
    // *error says why.
    static std::unique_ptr<DictionaryConverter> load(const std::string& config, FileError* error);

    // Appends the conversion of text to out. Where overrides (may be null) has a key at a place that is
    // at least as long as the segmentation's key there, that key's replacement is written as it is and
    // no dictionary touches it.
    void convert(std::u16string_view text, const PhraseTrie* overrides, std::u16string& out) const;

    std::size_t memoryBytes() const;

    // The converter as bytes, and back (null for bytes that do not make a consistent converter).
    void appendTo(std::string& out) const;
    static std::unique_ptr<DictionaryConverter> readFrom(std::string_view bytes);

private:
    using Dicts = std::vector<const PhraseTrie*>;

    DictionaryConverter() = default;
    // keyFrom: the dictionary whose key the segment is, with that key's replacement; null for the
    // characters between two keys.
    void convertSegment(std::u16string_view segment, const PhraseTrie* keyFrom, std::u16string_view keyReplacement,
                        std::u16string& out) const;

    std::vector<std::unique_ptr<PhraseTrie>> m_tries; // every dictionary once
    Dicts m_segmentation;
    std::vector<Dicts> m_stages;
    // The first stage's dictionaries without those of the segmentation: between two segmentation keys
    // none of those matches anywhere, so they need not be asked.
    Dicts m_firstStageUnmatched;
};
