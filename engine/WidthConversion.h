#pragma once

#include <QString>

// Conversion between the half-width and full-width forms of ASCII: U+0021-U+007E and U+FF01-U+FF5E
// map onto each other in order, and the space U+0020 onto the ideographic space U+3000. Every
// other character stays as it is. Both work in place and tell whether a character changed.
// What narrowing leaves full-width: nothing, or the marks of Chinese text (！（），：；？～) and the
// ideographic spaces that indent a line, so that only letters, digits and symbols narrow.
enum class WidthKeep { Nothing, ChinesePunctuation };
bool toHalfWidth(QString& line, WidthKeep keep = WidthKeep::Nothing);
bool toFullWidth(QString& line);
