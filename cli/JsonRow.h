#pragma once

#include <QByteArray>
#include <QString>
#include <QStringView>
#include <optional>
#include <utility>

// Result rows as JSON for scripts: one object per line, UTF-8. File names may hold bytes that are not
// UTF-8 (escaped in the text as FileName::decode does); JSON text cannot carry them, so a readable
// field shows each such byte as U+FFFD, and a bytes-safe field keeps it as "%XX" (and "%" itself as
// "%25"): percent-decoding that field gives the name's exact bytes, and a UTF-8 name reads as itself.
namespace JsonRow {

// A JSON string literal of `text`, quotes included; escaped bytes become U+FFFD.
QByteArray quoted(QStringView text);
// `path` with every escaped byte as "%XX" and "%" as "%25" (not quoted).
QString bytesSafe(QStringView text);

// One object of the fields in order, with a line feed; a value left empty is written as null.
QByteArray object(std::initializer_list<std::pair<const char*, std::optional<QString>>> fields);

} // namespace JsonRow
