#pragma once

#include "platform/FileError.h"

#include <QString>

// The reason of a failed file operation as the windows show it: the lower layers describe their own
// failures in Simplified Chinese, and the face's translation (if any) takes over here; a system
// error's text passes as it is.
namespace ErrorFace {

QString reason(const FileError& error);

} // namespace ErrorFace
