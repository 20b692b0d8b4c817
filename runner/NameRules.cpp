#include "NameRules.h"

QString webPageOutputName(const QString& pageName) {
    const QString lower = pageName.toLower();
    if (lower.endsWith(QLatin1String(".htm")))
        return pageName.left(pageName.size() - 4) + QStringLiteral(".txt");
    if (lower.endsWith(QLatin1String(".html")))
        return pageName.left(pageName.size() - 5) + QStringLiteral(".txt");
    return pageName + QStringLiteral(".txt");
}

bool isIndexFile(const QString& name) {
    return name.left(5).toLower() == QLatin1String("index");
}

QString secondsText(double seconds) {
    return QString::number(seconds, 'f', 2) + QStringLiteral(" 秒");
}
