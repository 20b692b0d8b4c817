#pragma once

#include "BookPasses.h"
#include "engine/JobEnv.h"

#include <QString>
#include <QStringList>

struct EpubOptions {
    QStringList inputs; // one book, or chapter files in reading order (full paths)
    QString output;     // the .epub (full path)
    QString title;      // empty: what the book's opening says, else the file name
    QString author;     // empty: what the book's opening says
    QString language;   // empty: zh-TW for Traditional text, zh-CN otherwise
    QString cover;      // an image file; empty: none
    bool vertical = false;
    // The user's corrections to the chapters found; only for a single book.
    BookPasses::HeadingEdits edits;
};

// Makes an e-book as a batch of its own ("epub → NAME"): from one book, its chapters as the chapter
// finder finds them; from several files, each file one chapter (headed by its own chapter heading, or
// by its file name when it has none). The existing target is replaced only after the user agreed,
// backed up first, and journalled. A blue "制作完成" row for the book, a yellow note counting the
// characters left out; a red row when an input cannot be read or the book cannot be written.
namespace EpubRunner {

// "《西游记》" and "书名：西游记" name the book, "作者：吴承恩" its author (the first such lines).
void readOpening(const QStringList& opening, QString* title, QString* author);
// zh-TW when the converter finds more in `sample` to make Simplified than to make Traditional.
QString languageOf(const QString& sample);

// Builds the book as a batch of its own.
bool run(JobEnv& env, const EpubOptions& options);

// The e-book of a merged text, beside it under the same name ("书.txt" → "书.epub"); everything else
// as the book says. `ownBatch`: as a batch of its own after the merge's; else within the running batch
// (the wizard's, which one restore undoes whole).
bool bookBeside(JobEnv& env, const QString& mergedText, bool ownBatch = true);

} // namespace EpubRunner
