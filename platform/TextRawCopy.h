#pragma once

#include "FileError.h"
#include "ReadProgress.h"
#include "TextFormat.h"

#include <QString>

class ByteReplacer;
class TextReader;
class TextWriter;

// Appends a text file to a TextWriter without decoding it, giving the very bytes that writing its
// lines one by one would give, only faster. That holds when the file's bytes behind its BOM are
// already in the writer's encoding (UTF-8 with or without BOM, or the same code page; never UTF-16,
// whose line ends are two bytes wide) and both use the same line end.
namespace TextRawCopy {

bool canAppend(const TextFormat& source, const TextFormat& target);

// What becomes of a last line that has no line end: it gets one, or it stays as it is.
enum class LastLine { Ended, AsItStands };

// Appends the bytes of `path` behind its BOM. In a CR LF file a lone CR ends a line and is written as
// CR LF (a lone-CR file keeps its CRs, a Unix file its LFs); a last line without an end gets one; an
// empty file adds nothing. `source` is the format
// TextReader found for the file.
// `progress` hears of every piece and may stop the copy (FileError::stopped()). With `edit`, the bytes
// go through it on their way to `out` (its output must write to `out`): an edit that never touches a
// line end gives what editing line by line gives.
bool append(const QString& path, const TextFormat& source, TextWriter& out, FileError* error = nullptr,
            const ReadProgress& progress = {}, ByteReplacer* edit = nullptr);
// As above, from a reader just opened on the file (no line read yet): the bytes it already holds are
// used and the file is not opened again. Progress and stops go through the reader's own progress.
bool append(TextReader& source, TextWriter& out, FileError* error = nullptr, ByteReplacer* edit = nullptr,
            LastLine lastLine = LastLine::Ended);

} // namespace TextRawCopy
