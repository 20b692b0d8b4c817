#include "TextFormat.h"

#include <QCoreApplication>

LineEnd lineEndOf(bool sawCr, bool sawLf, bool sawCrLf) {
    if (sawCrLf)
        return LineEnd::CrLf;
    if (sawCr)
        return LineEnd::Cr;
    return sawLf ? LineEnd::Lf : LineEnd::CrLf;
}

QStringView lineEndText(LineEnd lineEnd) {
    switch (lineEnd) {
    case LineEnd::CrLf:
        break;
    case LineEnd::Lf:
        return u"\n";
    case LineEnd::Cr:
        return u"\r";
    }
    return u"\r\n";
}

bool isUnicodeEncoding(TextEncoding encoding) {
    return encoding != TextEncoding::Gb18030 && encoding != TextEncoding::Big5;
}

bool isUtf16(TextEncoding encoding) {
    return encoding == TextEncoding::Utf16LE || encoding == TextEncoding::Utf16BE ||
           encoding == TextEncoding::Utf16LENoBom || encoding == TextEncoding::Utf16BENoBom;
}

bool isLittleEndian(TextEncoding encoding) {
    return encoding == TextEncoding::Utf16LE || encoding == TextEncoding::Utf16LENoBom;
}

QString encodingName(TextEncoding encoding) {
    switch (encoding) {
    case TextEncoding::Utf8:
        return QStringLiteral("UTF-8");
    case TextEncoding::Utf8Bom:
        return QStringLiteral("UTF-8 (BOM)");
    case TextEncoding::Utf16LE:
        return QStringLiteral("UTF-16LE");
    case TextEncoding::Utf16BE:
        return QStringLiteral("UTF-16BE");
    case TextEncoding::Utf16LENoBom:
        return QCoreApplication::translate("TextFormat", "UTF-16LE (无 BOM)");
    case TextEncoding::Utf16BENoBom:
        return QCoreApplication::translate("TextFormat", "UTF-16BE (无 BOM)");
    case TextEncoding::Gb18030:
        return QStringLiteral("GB18030");
    case TextEncoding::Big5:
        return QStringLiteral("Big5");
    }
    return {};
}

std::optional<TextEncoding> encodingFromCharsetName(QByteArrayView name) {
    const QByteArray lower = name.trimmed().toByteArray().toLower();
    if (lower == "gb2312" || lower == "gbk" || lower == "gb18030" || lower == "x-gbk" || lower == "cp936" ||
        lower == "gb_2312-80" || lower == "euc-cn")
        return TextEncoding::Gb18030;
    if (lower == "big5" || lower == "big5-hkscs" || lower == "x-x-big5" || lower == "cp950")
        return TextEncoding::Big5;
    if (lower == "utf-8" || lower == "utf8")
        return TextEncoding::Utf8;
    if (lower == "utf-16le")
        return TextEncoding::Utf16LE;
    if (lower == "utf-16be")
        return TextEncoding::Utf16BE;
    return std::nullopt;
}
