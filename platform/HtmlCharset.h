#pragma once

#include "TextFormat.h"

#include <QString>
#include <optional>

// The encoding a web page declares in its first 4 KB, by <meta charset="..."> or by
// <meta http-equiv="Content-Type" content="text/html; charset=...">, matched without regard to case.
// Nothing when the page declares none, declares one this program does not read, or cannot be read.
std::optional<TextEncoding> declaredHtmlCharset(const QString& path);
