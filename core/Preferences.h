#pragma once

#include "platform/FileError.h"
#include "platform/TextFormat.h"

#include <QByteArray>
#include <QList>
#include <QPair>
#include <QString>
#include <optional>

// The settings that came after the fixed 34-byte record. They live in "Preferences.ini" beside the
// other settings files: UTF-8 lines "Key=Value", "#" starts a comment line. A missing file, a
// missing key or a value this version does not understand leaves the default; keys this version
// does not know are kept and written back, so an older program does not drop a newer one's choices.
struct Preferences {
    // Decoding of a file whose bytes read equally well as GB18030 and as Big5.
    TextEncoding LegacyEncoding = TextEncoding::Gb18030;
    // What a conversion does with characters the file's encoding cannot hold.
    UnmappablePolicy Unmappable = UnmappablePolicy::Refuse;
    // Web pages converted exactly as the first versions did (no line breaks at <br>, no entities).
    bool ClassicHtml = false;
    // The typeset command, by the names its command-line options use: quotes "auto" (by the text),
    // "mainland", "taiwan" or "keep"; indent "2", "0" or "keep"; blank lines "keep", "none" or "one".
    QString TypesetQuotes = QStringLiteral("auto");
    QString TypesetIndent = QStringLiteral("2");
    QString TypesetBlankLines = QStringLiteral("keep");
    bool TypesetPunctuation = true;
    bool TypesetLatinSpace = false;
    // Full-width to half-width leaves Chinese punctuation and the 　 indent full-width.
    bool NarrowKeepsPunctuation = false;
    // A merge (dialog and wizard) also makes an EPUB e-book of the merged text, beside it.
    bool MergeEpub = false;
    // Saved state of the main window's list/preview splitter (QSplitter::saveState), empty: default.
    QByteArray MainSplitter;

    QList<QPair<QString, QString>> UnknownKeys;

    bool operator==(const Preferences&) const = default;
};

namespace PreferencesFile {

inline const QString FileName = QStringLiteral("Preferences.ini");

// Reads `path` into `prefs` (defaults first). A missing file is not an error.
bool read(const QString& path, Preferences& prefs, FileError* error = nullptr);
// Replaces `path` atomically.
bool write(const QString& path, const Preferences& prefs, FileError* error = nullptr);

// The texts the file and the command line use for the choices ("gb18030", "big5"; "skip",
// "utf-8", "question-mark"); nothing for a text that names no choice.
QString legacyEncodingName(TextEncoding encoding);
std::optional<TextEncoding> legacyEncodingFromName(const QString& name);
QString unmappableName(UnmappablePolicy policy);
std::optional<UnmappablePolicy> unmappableFromName(const QString& name);

} // namespace PreferencesFile
