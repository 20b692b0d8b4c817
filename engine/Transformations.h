#pragma once

#include "HtmlLineConverter.h"
#include "TransformReport.h"
#include "Typesetter.h"

#include <QString>
#include <QStringList>

class WorkPulse;
struct Boilerplate;

// The file transformations. Each reads `sourcePath` through the platform text reader and replaces
// `targetPath` atomically through the text writer, in the source's encoding and line end unless
// said otherwise. True when the whole file was processed; on false the target is untouched and
// `report` (when given) says why. Characters the target encoding cannot hold are handled as
// `report->unmappablePolicy` says (see transformLines). A `pulse` hears how far the source has been
// read and may stop the work between two lines (the target then stays as it was).

// A web page to plain text. The page's declared charset is read when it has no BOM, and the text
// keeps that encoding. `dropLinks` leaves out the text of links; `rules` as HtmlLineConverter has them.
bool HtmlToText(const QString& sourcePath, const QString& targetPath, bool dropLinks, TransformReport* report = nullptr,
                HtmlRules rules = HtmlRules::Current, WorkPulse* pulse = nullptr);

// Joins broken lines into paragraphs. Levels 1 to 3 behave as level 0. Writes only the line breaks
// it decides on.
bool ReflowParagraphs(const QString& sourcePath, const QString& targetPath, int level,
                      TransformReport* report = nullptr, WorkPulse* pulse = nullptr);

// Removes isolated spaces between characters that are not Latin letters.
bool RemoveSpaces(const QString& sourcePath, const QString& targetPath, TransformReport* report = nullptr,
                  WorkPulse* pulse = nullptr);

// Direction 0 towards Simplified Chinese (a legacy file becomes GB18030), any other towards
// Traditional (a legacy file becomes Big5). A large file's lines are converted on up to `threads`
// threads (the result is the same for any number).
bool ConvertCodePage(const QString& sourcePath, const QString& targetPath, int direction,
                     TransformReport* report = nullptr, WorkPulse* pulse = nullptr, int threads = 1);

// Direction 0 full-width to half-width, any other half-width to full-width. `keepChinese` keeps the
// punctuation of Chinese text and the 　 of an indent full-width when narrowing (see toHalfWidth).
bool ConvertWidth(const QString& sourcePath, const QString& targetPath, int direction,
                  TransformReport* report = nullptr, WorkPulse* pulse = nullptr, bool keepChinese = false);

// Sets a text as `options` say (see Typesetter); the headings the chapter finder finds in it keep no
// indent. `report->summary` counts the invisible characters removed and the other format
// characters seen.
bool Typeset(const QString& sourcePath, const QString& targetPath, const TypesetOptions& options,
             TransformReport* report = nullptr, WorkPulse* pulse = nullptr);

// Takes a batch's boilerplate out (lines removed whole, fragments taken out of lines, see Boilerplate)
// and the invisible characters (InvisibleCharacters). `report` counts what went and lists the first
// lines removed. A file with nothing to take out is left untouched.
bool CleanBoilerplate(const QString& sourcePath, const QString& targetPath, const Boilerplate& boilerplate,
                      TransformReport* report = nullptr, WorkPulse* pulse = nullptr);
