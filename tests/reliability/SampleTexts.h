#pragma once

#include "FileTree.h"
#include "platform/TextFormat.h"

#include <QString>

#include <random>

// Chapter-like texts and web pages for the reliability tests: Chinese sentences with the things that
// break text code (4-byte characters, full-width forms, stray spaces, CR LF, lone CR and lone LF,
// missing last line ends, undecodable bytes, BOMs) in every encoding the program reads.
namespace SampleTexts {

// `text` in `encoding`, with the BOM the encoding has.
QByteArray encoded(const QString& text, TextEncoding encoding);
QByteArray chapter(std::mt19937& random, int lines);
// One large text file of at least `size` bytes: chapters in GB18030 (chapters in several encodings
// would make a file no encoding reads as Chinese).
QByteArray largeText(std::mt19937& random, qsizetype size);
QByteArray webPage(std::mt19937& random, int paragraphs);
// `count` text files "NNN.txt" (every tenth one empty or tiny), from `seed`.
FileTree::Tree textFiles(int count, unsigned seed);
// `count` web pages "pNNN.htm".
FileTree::Tree webPages(int count, unsigned seed);

} // namespace SampleTexts
