#pragma once

#include "platform/FileError.h"

#include <functional>

// What a transformation tells its caller besides true or false: why it failed, how many characters
// the target encoding could not hold (written as "?"), and whether the result was the target as it
// stood (then left untouched, its date kept). The caller may hand in `beforeReplace`: it runs once
// right before an existing target is replaced by a different content (the job frame backs the old
// file up there); when it fails, the target stays as it was and the transformation fails with its error.
struct TransformReport {
    FileError error;
    int unmappable = 0;
    bool unchanged = false;
    std::function<bool(FileError& error)> beforeReplace;
};
