#include "FileFormatText.h"

#include "platform/TextReader.h"
#include "ui/common/ErrorFace.h"

FileFormatText FileFormatText::of(const QString& path) {
    TextReader reader;
    if (!reader.open(path))
        return {ErrorFace::reason(reader.error()), QString()};
    const TextFormat format = reader.format();
    return {encodingName(format.encoding), format.lineEnd == LineEnd::Lf ? tr("LF (Unix)") : tr("CR LF (Windows)")};
}
