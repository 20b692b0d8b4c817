#include "FileSizeText.h"

QString fileSizeText(qint64 bytes) {
    constexpr qint64 Kb = 1024;
    constexpr qint64 Mb = Kb * 1024;
    constexpr qint64 Gb = Mb * 1024;
    if (bytes < Mb)
        return QString::number(bytes / Kb + 1) + QStringLiteral(" KB");
    // Rounded down, so that a file just short of the next unit never shows it.
    if (bytes < Gb)
        return QString::number(double(bytes * 10 / Mb) / 10, 'f', 1) + QStringLiteral(" MB");
    return QString::number(double(bytes * 10 / Gb) / 10, 'f', 1) + QStringLiteral(" GB");
}
