#pragma once

#include <QString>

// A file's size as the windows show it, short enough for a narrow column: "1 KB" to "1023 KB" (whole
// KB, rounded up, so that a non-empty file never shows 0), then "1.0 MB" to "1023.9 MB", then GB.
QString fileSizeText(qint64 bytes);
