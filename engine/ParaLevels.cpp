#include "ParaLevels.h"

#include <QCoreApplication>
#include <array>

namespace {

QString text(const char* source) {
    return QString::fromUtf8(source);
}

const std::array<ParaLevelText, ParaLevelCount>& levelTable() {
    static const std::array<ParaLevelText, ParaLevelCount> table = {{
        {text(QT_TRANSLATE_NOOP("ParaLevels", "激进的")), text(QT_TRANSLATE_NOOP("ParaLevels", "Level 0 [激进的]")),
         text(QT_TRANSLATE_NOOP(
             "ParaLevels",
             "在这种设定下，程序尽可能地去除被认定为无需的换行和空行，缺点是容易发生将必要的分段一并删除的问题。"))},
        {text(QT_TRANSLATE_NOOP("ParaLevels", "积极的")), text(QT_TRANSLATE_NOOP("ParaLevels", "Level 1 [积极的]")),
         text(QT_TRANSLATE_NOOP("ParaLevels", "程序将试图维持保留原有段落风格和去除无需的换行和空行之间的均衡。"))},
        {text(QT_TRANSLATE_NOOP("ParaLevels", "一般的")), text(QT_TRANSLATE_NOOP("ParaLevels", "Level 2 [一般的]")),
         text(QT_TRANSLATE_NOOP(
             "ParaLevels",
             "程序使用较为严格的段落判断，不易出现删除必要分段的问题，但可能出现一些多余的换行未能被删除的情况。"))},
        {text(QT_TRANSLATE_NOOP("ParaLevels", "谨慎的")), text(QT_TRANSLATE_NOOP("ParaLevels", "Level 3 [谨慎的]")),
         text(QT_TRANSLATE_NOOP(
             "ParaLevels",
             "尽可能保留原有的分段。在用其他方法分段时出现大量必要分段被删除的问题时，可以采用此种模式。"))},
    }};
    return table;
}

} // namespace

QString ParaLevelText::detail() const {
    return heading + u'\n' + description;
}

const ParaLevelText& paraLevelText(int level) {
    const auto& table = levelTable();
    return level >= 0 && level < ParaLevelCount ? table[static_cast<size_t>(level)] : table[0];
}

ParaLevelText paraLevelFace(int level) {
    const ParaLevelText& source = paraLevelText(level);
    auto face = [](const QString& text) {
        return QCoreApplication::translate("ParaLevels", text.toUtf8().constData());
    };
    return {face(source.shortName), face(source.heading), face(source.description)};
}
