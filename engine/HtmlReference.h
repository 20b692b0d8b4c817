#pragma once

#include <QString>
#include <QStringView>

// Character references of a web page, read the way browsers read them in text: "&name;" for every
// HTML5 name (case-sensitive; "&AMP;" is a name of its own), the legacy names also without ";"
// ("&copy2001" is "©2001"), "&#20013;" and "&#x6587;" (";" optional). A number that is no
// character (0, a surrogate, beyond U+10FFFF) gives U+FFFD; 128 to 159 give the characters
// Windows-1252 puts there (&#150; is "–"). "&NBSP;" and the other four old names in any letter case
// still decode, as they always did here.
namespace HtmlReference {

// The length of the reference that starts at `pos` (an "&") and, in `decoded`, its characters; 0
// when the "&" starts no reference (then it is an ordinary "&").
qsizetype decode(QStringView text, qsizetype pos, QString& decoded);

// ASCII letters and digits: the characters of reference names, and of tag names.
bool isNameCharacter(QChar c);

} // namespace HtmlReference
