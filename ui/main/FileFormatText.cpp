#include "FileFormatText.h"

#include "platform/TextReader.h"
#include "ui/common/ErrorFace.h"

FileFormatText FileFormatText::of(const QString& path) {
    TextReader reader;
    if (!reader.open(path))
        return {ErrorFace::reason(reader.error()), QString()};
    const TextFormat format = reader.format();
    return {encodingName(format.encoding), lineEndName(format.lineEnd)};
}

QString FileFormatText::lineEndName(LineEnd lineEnd) {
    switch (lineEnd) {
    case LineEnd::CrLf:
        break;
    case LineEnd::Lf:
        return tr("LF (Unix)");
    case LineEnd::Cr:
        return tr("CR (Mac)");
    }
    return tr("CR LF (Windows)");
}
