#include "LineTransform.h"
#include "Transformations.h"

#include "platform/ChineseConverter.h"

bool ConvertCodePage(const QString& sourcePath, const QString& targetPath, int direction, TransformReport* report,
                     WorkPulse* pulse, int threads) {
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
    options.pulse = pulse;
    TextChanges changes;
    options.changes = &changes;

    // No phrase is looked for across a line end, so the lines of a large file can be converted apart.
    const ChineseConverter::Lines lines = converter.lines(towards);
    return mapLines(
        sourcePath, targetPath,
        [&lines, &changes](QStringView line, std::u16string& out) {
            const std::size_t from = out.size();
            lines.convert(line, out);
            changes.note(QStringView(out).sliced(qsizetype(from)) != line);
        },
        threads, report, options);
}
