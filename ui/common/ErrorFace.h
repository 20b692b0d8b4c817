#pragma once

#include "platform/FileError.h"

#include <QString>

// The reason of a failed file operation as the windows show it: the lower layers describe their own
// failures through the translation (Simplified Chinese as written, the Traditional face's words when it
// is installed); a system error's text passes as it is.
namespace ErrorFace {

QString reason(const FileError& error);

} // namespace ErrorFace
