#pragma once

#include <QtGlobal>

// Every HTML5 named character reference (generated: engine/HtmlEntityTable.cpp). A name is given
// as the page writes it after "&": "amp;", and for the legacy names also without ";" ("amp").
namespace HtmlEntityTable {

struct Entry {
    const char* name;
    const char16_t* text; // one or two characters, UTF-16
};

// Sorted by name, byte by byte.
extern const Entry entries[];
extern const qsizetype entryCount;

} // namespace HtmlEntityTable
