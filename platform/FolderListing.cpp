#include "FolderListing.h"

#include <QDir>
#include <QDirIterator>
#include <QRegularExpression>
#include <algorithm>

namespace FolderListing {
namespace {

QList<QRegularExpression> compileMask(const QString& mask) {
    QList<QRegularExpression> patterns;
    for (const QString& part : mask.split(u';', Qt::SkipEmptyParts)) {
        const QString pattern = part.trimmed();
        if (pattern.isEmpty())
            continue;
        // "*.*" means every file, also one without a dot, as the classic file list boxes do.
        if (pattern == QLatin1String("*.*") || pattern == QLatin1String("*")) {
            patterns.append(QRegularExpression(QStringLiteral("^.*$"), QRegularExpression::DotMatchesEverythingOption));
            continue;
        }
        patterns.append(QRegularExpression(
            QRegularExpression::wildcardToRegularExpression(pattern, QRegularExpression::UnanchoredWildcardConversion),
            QRegularExpression::CaseInsensitiveOption | QRegularExpression::DotMatchesEverythingOption));
    }
    return patterns;
}

bool matchesAny(const QString& name, const QList<QRegularExpression>& patterns) {
    for (const QRegularExpression& re : patterns) {
        if (re.match(name).hasMatch())
            return true;
    }
    return false;
}

} // namespace

bool nameLessThan(const QString& a, const QString& b) {
    const int folded = a.compare(b, Qt::CaseInsensitive);
    if (folded != 0)
        return folded < 0;
    return a < b;
}

bool matchesMask(const QString& name, const QString& mask) {
    return matchesAny(name, compileMask(mask));
}

QStringList listFilesUnsorted(const QString& folder) {
    QStringList names;
    QDirIterator it(folder, QDir::Files | QDir::Hidden | QDir::System);
    while (it.hasNext()) {
        it.next();
        names.append(it.fileName());
    }
    return names;
}

QStringList listFiles(const QString& folder, const QString& mask) {
    const QList<QRegularExpression> patterns = compileMask(mask);
    QStringList names;
    for (const QString& name : listFilesUnsorted(folder)) {
        if (matchesAny(name, patterns))
            names.append(name);
    }
    std::sort(names.begin(), names.end(), nameLessThan);
    return names;
}

} // namespace FolderListing
