#pragma once

// How often Chinese characters occur in real Simplified and Traditional text (the larger of the two
// shares), from an input method's word frequencies. A group holds the characters whose share is
// about 2^-cost; characters rarer than the last group are not listed.
namespace CommonCharacters {

struct CostGroup {
    int cost;
    const char8_t* characters; // UTF-8
};

extern const CostGroup groups[];
extern const int groupCount;

} // namespace CommonCharacters
