#include "TransformReport.h"

#include <QCoreApplication>
#include <QStringList>

QString encodingTitle(TextEncoding encoding) {
    switch (encoding) {
    case TextEncoding::Big5:
        return QStringLiteral("BIG5");
    case TextEncoding::Utf8:
    case TextEncoding::Utf8Bom:
        return QStringLiteral("UTF-8");
    default:
        return encodingName(encoding);
    }
}

QString unmappableDescription(const TransformReport& report) {
    QStringList shown;
    for (char32_t c : report.unmappableSample) {
        // A space or an invisible character would not show in the row: its code point does.
        if (QChar::isPrint(c) && !QChar::isSpace(c))
            shown.append(QString::fromUcs4(&c, 1));
        else
            shown.append(QStringLiteral("U+") + QString::number(uint(c), 16).toUpper().rightJustified(4, u'0'));
    }
    QString text = QCoreApplication::translate("TransformReport", "%1 个字符无法以 %2 保存：%3")
                       .arg(report.unmappable)
                       .arg(encodingTitle(report.intendedEncoding), shown.join(QLatin1Char(' ')));
    if (report.unmappable > qsizetype(report.unmappableSample.size()))
        text += QStringLiteral(" …");
    return text;
}

QString unmappableNote(const TransformReport& report) {
    if (report.savedAs)
        return unmappableDescription(report) + QCoreApplication::translate("TransformReport", "；已保存为 ") +
               encodingTitle(*report.savedAs);
    return unmappableDescription(report) + QCoreApplication::translate("TransformReport", "；已写为“?”");
}
