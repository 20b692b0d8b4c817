#pragma once

#include <QString>

// Conversion between the half-width and full-width forms of ASCII: U+0021-U+007E and U+FF01-U+FF5E
// map onto each other in order, and the space U+0020 onto the ideographic space U+3000. Every
// other character stays as it is. Both work in place and tell whether a character changed.
bool toHalfWidth(QString& line);
bool toFullWidth(QString& line);
