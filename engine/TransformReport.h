#pragma once

#include "platform/FileError.h"
#include "platform/TextFormat.h"

#include <QString>
#include <QStringList>
#include <functional>
#include <optional>
#include <vector>

// What a transformation is told about characters its target encoding cannot hold, and what it tells
// its caller besides true or false.
//
// The caller may also hand in `beforeReplace`: it runs once right before an existing target is
// replaced by a different content (the job frame backs the old file up there); when it fails, the
// target stays as it was and the transformation fails with its error. A result that is byte for byte
// the target as it stood leaves the target untouched (its date kept) and sets `unchanged`.
struct TransformReport {
    // In: Refuse leaves the target as it was and fails with an error naming the characters; SaveUtf8
    // writes the target as UTF-8 instead; QuestionMark writes "?" for each of them.
    UnmappablePolicy unmappablePolicy = UnmappablePolicy::Refuse;
    std::function<bool(FileError& error)> beforeReplace;

    FileError error;                        // why it failed
    QString errorFile;                      // the file `error` is about when it is not the target (a source)
    int unmappable = 0;                     // characters `intendedEncoding` could not hold
    std::vector<char32_t> unmappableSample; // the first few of them, each once
    TextEncoding intendedEncoding = TextEncoding::Gb18030;
    std::optional<TextEncoding> savedAs; // the encoding the target got instead of `intendedEncoding`
    bool unchanged = false;              // the target already held the result and was left alone
    QString summary; // what the transformation did, for the file's row ("删除 3 个不可见字符")

    // clean: what it took out. `removedLines` holds the first MaxListedLines of the lines removed whole.
    static constexpr int MaxListedLines = 200;
    int linesRemoved = 0;
    int fragmentsRemoved = 0;
    int invisibleRemoved = 0;
    int formatCharacters = 0; // format characters counted and left in the text
    QStringList removedLines;

    // The target was written with "?" in place of characters: the source holds the only whole copy.
    bool lostCharacters() const { return unmappable > 0 && !savedAs; }
};

// The encoding as messages name it ("BIG5", "GB18030", "UTF-8").
QString encodingTitle(TextEncoding encoding);
// "3 个字符无法以 BIG5 保存：㗎 …": how many, the first few, and "…" when there are more.
QString unmappableDescription(const TransformReport& report);
// The note after a target that was written all the same: what could not be kept and what was done.
QString unmappableNote(const TransformReport& report);
