#include "LineTransform.h"
#include "Transformations.h"

#include "platform/ChineseConverter.h"
#include "platform/TextWriter.h"

bool ConvertCodePage(const QString& sourcePath, const QString& targetPath, int direction, TransformReport* report,
                     WorkPulse* pulse) {
    const auto towards = direction == 0 ? ChineseConverter::ToSimplified : ChineseConverter::ToTraditional;
    ChineseConverter& converter = ChineseConverter::instance();
    if (!converter.isAvailable(towards)) {
        if (report)
            report->error = converter.error();
        return false;
    }

    LineTransformOptions options;
    // A legacy file takes the code page of the script it now holds; a Unicode file holds both.
    options.targetFormat = [towards](const TextFormat& source) {
        TextFormat target = source;
        if (!isUnicodeEncoding(source.encoding))
            target.encoding = towards == ChineseConverter::ToSimplified ? TextEncoding::Gb18030 : TextEncoding::Big5;
        return target;
    };
    options.removeSource = true;
    options.pulse = pulse;

    return transformLines(
        sourcePath, targetPath,
        [&converter, towards](QString& line, TextWriter& out) {
            out.writeLine(line.isEmpty() ? line : converter.convert(line, towards));
        },
        report, options);
}
