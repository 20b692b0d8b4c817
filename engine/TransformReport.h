#pragma once

#include "platform/FileError.h"

// What a transformation tells its caller besides true or false: why it failed, and how many
// characters the target encoding could not hold (written as "?").
struct TransformReport {
    FileError error;
    int unmappable = 0;
};
