#pragma once

#include "platform/FileError.h"
#include "platform/TextFormat.h"

#include <vector>

class TextWriter;

// One attempt at writing a job's whole result into its target. A pass that met characters its
// encoding cannot hold may be cancelled, so that the caller can try again in a wider encoding.
enum class PassOutcome { Committed, Failed, Unmappable };

struct WritePass {
    PassOutcome outcome = PassOutcome::Failed;
    FileError error;
    TextFormat format;
    int unmappable = 0;
    std::vector<char32_t> unmappableSample;
    bool unchanged = false; // committed, and the target already held exactly these bytes
};

// Ends a pass whose text is all in `writer`: cancelled when it met characters the encoding cannot
// hold and `commitUnmappable` is false, otherwise committed (the target replaced, or left as it was
// when nothing changed).
void finishPass(TextWriter& writer, bool commitUnmappable, WritePass& pass);
