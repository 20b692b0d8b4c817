#include "CodePageTables.h"

#include <QtEndian>

#include <unicode/ucnv.h>
#include <unicode/uset.h>
#include <vector>

namespace {

void addMapping(CodePageTables& tables, char32_t codePoint, const unsigned char* bytes, int length) {
    // A code point already reachable from other bytes keeps its first mapping, so that encoding stays
    // the inverse of decoding.
    if (codePoint < 0x10000 ? tables.fromBmp[codePoint] != 0 : tables.fromSupplementary.count(codePoint) != 0)
        return;
    quint32 packed = 0;
    if (length == 1 && bytes[0] >= 0x80) {
        char32_t& slot = tables.single[bytes[0] - 0x80];
        if (slot != 0)
            return;
        slot = codePoint;
        packed = bytes[0];
    } else if (length == 2 && bytes[0] >= CodePageTables::LeadFirst && bytes[0] <= 0xFE &&
               bytes[1] >= CodePageTables::TrailFirst && bytes[1] <= 0xFE) {
        char32_t& slot = tables.doubleByte[(bytes[0] - CodePageTables::LeadFirst) * CodePageTables::TrailCount +
                                           (bytes[1] - CodePageTables::TrailFirst)];
        if (slot != 0)
            return;
        slot = codePoint;
        packed = quint32(bytes[0]) << 8 | bytes[1];
    } else if (length == 4 && tables.fourByteForm && codePoint < 0x10000) {
        const quint32 index = CodePageTables::fourByteIndex(bytes[0], bytes[1], bytes[2], bytes[3]);
        if (index >= CodePageTables::FourByteBmpCount || tables.fourByteBmp[index] != 0)
            return;
        tables.fourByteBmp[index] = char16_t(codePoint);
        packed = CodePageTables::fourBytePacked(index);
    } else {
        return;
    }
    if (codePoint < 0x10000)
        tables.fromBmp[codePoint] = packed;
    else
        tables.fromSupplementary.emplace(codePoint, packed);
}

// Adds every round-trip mapping of one ICU converter that does not clash with the mappings already there.
// The code points go to the converter a few thousand at a time; its offsets tell which bytes belong
// to which code point (one call per code point would cost tens of millions of instructions).
void addConverter(CodePageTables& tables, const char* name) {
    UErrorCode status = U_ZERO_ERROR;
    UConverter* converter = ucnv_open(name, &status);
    if (U_FAILURE(status))
        return;
    USet* set = uset_openEmpty();
    ucnv_getUnicodeSet(converter, set, UCNV_ROUNDTRIP_SET, &status);
    const int32_t items = U_SUCCESS(status) ? uset_getItemCount(set) : 0;

    constexpr int BatchSize = 4096;
    std::vector<UChar> units;
    std::vector<char32_t> codePointOfUnit; // for every unit of `units`, the code point it belongs to
    std::vector<char> bytes(BatchSize * 8);
    std::vector<int32_t> offsets(bytes.size());
    auto flush = [&] {
        if (units.empty())
            return;
        const UChar* source = units.data();
        char* target = bytes.data();
        UErrorCode batchStatus = U_ZERO_ERROR;
        ucnv_resetFromUnicode(converter);
        ucnv_fromUnicode(converter, &target, bytes.data() + bytes.size(), &source, units.data() + units.size(),
                         offsets.data(), true, &batchStatus);
        const int32_t produced = int32_t(target - bytes.data());
        for (int32_t at = 0; U_SUCCESS(batchStatus) && at < produced;) {
            int32_t end = at + 1;
            while (end < produced && offsets[size_t(end)] == offsets[size_t(at)])
                ++end;
            if (offsets[size_t(at)] >= 0)
                addMapping(tables, codePointOfUnit[size_t(offsets[size_t(at)])],
                           reinterpret_cast<const unsigned char*>(bytes.data() + at), end - at);
            at = end;
        }
        units.clear();
        codePointOfUnit.clear();
    };

    for (int32_t item = 0; item < items; ++item) {
        UChar32 first = 0;
        UChar32 last = 0;
        status = U_ZERO_ERROR;
        if (uset_getItem(set, item, &first, &last, nullptr, 0, &status) != 0 || U_FAILURE(status))
            continue; // a multi-character mapping (a few HKSCS letters with combining marks)
        for (UChar32 codePoint = std::max<UChar32>(first, 0x80); codePoint <= last; ++codePoint) {
            if ((codePoint >= 0xD800 && codePoint <= 0xDFFF) || (tables.fourByteForm && codePoint >= 0x10000))
                continue;
            UChar pair[2];
            int32_t unitCount = 0;
            U16_APPEND_UNSAFE(pair, unitCount, codePoint);
            for (int32_t k = 0; k < unitCount; ++k) {
                units.push_back(pair[k]);
                codePointOfUnit.push_back(char32_t(codePoint));
            }
            if (units.size() >= BatchSize)
                flush();
        }
    }
    flush();
    uset_close(set);
    ucnv_close(converter);
}

// Marks the two-byte codes without a round-trip mapping that a converter still reads as one character.
void markUnmappedPairs(CodePageTables& tables, const char* name) {
    UErrorCode status = U_ZERO_ERROR;
    UConverter* converter = ucnv_open(name, &status);
    if (U_FAILURE(status))
        return;
    for (int lead = CodePageTables::LeadFirst; lead <= 0xFE; ++lead) {
        for (int trail = CodePageTables::TrailFirst; trail <= 0xFE; ++trail) {
            char32_t& slot = tables.doubleByte[(lead - CodePageTables::LeadFirst) * CodePageTables::TrailCount +
                                               (trail - CodePageTables::TrailFirst)];
            if (slot != 0)
                continue;
            const char bytes[2] = {char(lead), char(trail)};
            const char* source = bytes;
            UChar units[8];
            UChar* target = units;
            int32_t offsets[8];
            status = U_ZERO_ERROR;
            ucnv_reset(converter);
            ucnv_toUnicode(converter, &target, units + 8, &source, bytes + 2, offsets, true, &status);
            if (U_SUCCESS(status) && target > units && offsets[target - units - 1] == 0)
                slot = CodePageTables::UnmappedPair;
        }
    }
    ucnv_close(converter);
}

CodePageTables emptyTables(bool fourByteForm) {
    CodePageTables tables;
    tables.fourByteForm = fourByteForm;
    tables.doubleByte.assign((0xFF - CodePageTables::LeadFirst) * CodePageTables::TrailCount, 0);
    tables.fromBmp.assign(0x10000, 0);
    if (fourByteForm)
        tables.fourByteBmp.assign(CodePageTables::FourByteBmpCount, 0);
    return tables;
}

// The decoder's and the encoder's tables for the characters most text is made of, once doubleByte and
// fromBmp are final: looked up by the two bytes or the code point alone, with 0 for "think again".
void addTwoByteTables(CodePageTables& tables) {
    tables.twoByteFromBmp.assign(0x10000, 0);
    for (char32_t codePoint = 0x80; codePoint < 0x10000; ++codePoint) {
        const quint32 packed = tables.fromBmp[codePoint];
        if (packed >= 0x100 && packed < 0x10000 && (codePoint < 0xD800 || codePoint > 0xDFFF))
            tables.twoByteFromBmp[codePoint] = qToBigEndian(quint16(packed));
    }
    tables.bmpPairs.assign(0x10000, 0);
    for (int lead = CodePageTables::LeadFirst; lead <= 0xFE; ++lead) {
        for (int trail = CodePageTables::TrailFirst; trail <= 0xFE; ++trail) {
            const char32_t found = tables.doubleByte[(lead - CodePageTables::LeadFirst) * CodePageTables::TrailCount +
                                                     (trail - CodePageTables::TrailFirst)];
            if (found >= 1 && found <= 0xFFFF)
                tables.bmpPairs[lead << 8 | trail] = char16_t(found);
        }
    }
}

} // namespace

const CodePageTables& CodePageTables::gb18030() {
    static const CodePageTables tables = [] {
        CodePageTables t = emptyTables(true);
        addConverter(t, "gb18030");
        addTwoByteTables(t);
        return t;
    }();
    return tables;
}

bool CodePageTables::isPlainBig5(quint32 packed) {
    const quint32 lead = packed >> 8;
    const quint32 trail = packed & 0xFF;
    if (packed < 0x100 || packed > 0xFFFF || !((trail >= 0x40 && trail <= 0x7E) || (trail >= 0xA1 && trail <= 0xFE)))
        return false;
    return (packed >= 0xA140 && packed <= 0xA3BF) || packed == 0xA3E1 || (packed >= 0xA440 && packed <= 0xC67E) ||
           (lead >= 0xC9 && lead <= 0xF9);
}

const CodePageTables& CodePageTables::big5() {
    // Big5-HKSCS first (it holds the Hong Kong supplement), then the Windows Big5 table for the codes
    // HKSCS leaves out (parts of the ETEN extensions and the user-defined areas).
    static const CodePageTables tables = [] {
        CodePageTables t = emptyTables(false);
        addConverter(t, "ibm-1375_P100-2008");
        addConverter(t, "windows-950-2000");
        markUnmappedPairs(t, "ibm-1375_P100-2008");
        markUnmappedPairs(t, "windows-950-2000");

        // Writing keeps to the standard areas. A character whose code above is an extension code is
        // written under the standard code Windows gives it, when there is one (HKSCS and CP950 read a
        // few standard codes as different but equivalent characters, e.g. A145 as U+2022 or U+2027).
        CodePageTables windows = emptyTables(false);
        addConverter(windows, "windows-950-2000");
        t.extensionFromBmp.assign(0x10000, 0);
        for (char32_t codePoint = 0x80; codePoint < 0x10000; ++codePoint) {
            quint32& packed = t.fromBmp[codePoint];
            if (packed != 0 && !isPlainBig5(packed)) {
                t.extensionFromBmp[codePoint] = packed;
                packed = 0;
            }
            if (packed == 0 && isPlainBig5(windows.fromBmp[codePoint]))
                packed = windows.fromBmp[codePoint];
        }
        addTwoByteTables(t);
        return t;
    }();
    return tables;
}
