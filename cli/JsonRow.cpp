#include "JsonRow.h"

#include "platform/FileName.h"

namespace JsonRow {
namespace {

// FileName::decode keeps a byte that is not UTF-8 as the lone surrogate U+DC00 + byte.
bool isEscapedByte(QStringView text, qsizetype i) {
    const char16_t unit = text[i].unicode();
    if (unit < 0xDC80 || unit > 0xDCFF)
        return false;
    return i == 0 || !text[i - 1].isHighSurrogate();
}

} // namespace

QByteArray quoted(QStringView text) {
    QString out;
    out.reserve(text.size() + 2);
    out += u'"';
    for (qsizetype i = 0; i < text.size(); ++i) {
        const QChar c = text[i];
        switch (c.unicode()) {
        case u'"':
            out += QLatin1String("\\\"");
            break;
        case u'\\':
            out += QLatin1String("\\\\");
            break;
        case u'\n':
            out += QLatin1String("\\n");
            break;
        case u'\r':
            out += QLatin1String("\\r");
            break;
        case u'\t':
            out += QLatin1String("\\t");
            break;
        default:
            if (c.unicode() < 0x20)
                out += QStringLiteral("\\u%1").arg(c.unicode(), 4, 16, QLatin1Char('0'));
            else if (c.isSurrogate() && !(c.isHighSurrogate() && i + 1 < text.size() && text[i + 1].isLowSurrogate()) &&
                     !(c.isLowSurrogate() && i > 0 && text[i - 1].isHighSurrogate()))
                out += QChar::ReplacementCharacter;
            else
                out += c;
        }
    }
    out += u'"';
    return out.toUtf8();
}

QString bytesSafe(QStringView text) {
    // Through the bytes and back, so that any other lone surrogate is escaped as the bytes it is
    // written as.
    const QString path = FileName::decode(FileName::encode(text));
    QString out;
    out.reserve(path.size());
    for (qsizetype i = 0; i < path.size(); ++i) {
        const QChar c = path[i];
        if (c == u'%')
            out += QLatin1String("%25");
        else if (isEscapedByte(QStringView(path), i))
            out += u'%' + QString::number(c.unicode() - 0xDC00, 16).toUpper().rightJustified(2, u'0');
        else
            out += c;
    }
    return out;
}

QByteArray object(std::initializer_list<std::pair<const char*, std::optional<QString>>> fields) {
    QByteArray line = "{";
    bool first = true;
    for (const auto& [name, value] : fields) {
        if (!first)
            line += ", ";
        first = false;
        line += '"';
        line += name;
        line += "\": ";
        line += value ? quoted(*value) : QByteArray("null");
    }
    line += "}\n";
    return line;
}

} // namespace JsonRow
