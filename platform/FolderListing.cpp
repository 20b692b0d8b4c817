#include "FolderListing.h"

#include "FileName.h"

#include <QRegularExpression>
#include <algorithm>
#include <dirent.h>
#include <sys/stat.h>

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
        // The whole name must match: "*.txt" is not "notes.txt.bak" nor "a.txtx".
        patterns.append(QRegularExpression(
            QRegularExpression::anchoredPattern(QRegularExpression::wildcardToRegularExpression(
                pattern, QRegularExpression::UnanchoredWildcardConversion)),
            QRegularExpression::CaseInsensitiveOption | QRegularExpression::DotMatchesEverythingOption));
    }
    return patterns;
}

// The regular expressions want valid UTF-16: a byte of a name that is not UTF-8 (kept as a lone
// surrogate) is matched as U+FFFD, which "*" and "?" match like any other character.
QString matchable(const QString& name) {
    QString text = name;
    for (qsizetype i = 0; i < text.size(); ++i) {
        if (text[i].isHighSurrogate() && i + 1 < text.size() && text[i + 1].isLowSurrogate())
            ++i;
        else if (text[i].isSurrogate())
            text[i] = QChar::ReplacementCharacter;
    }
    return text;
}

bool matchesAny(const QString& name, const QList<QRegularExpression>& patterns) {
    const QString text = matchable(name);
    for (const QRegularExpression& re : patterns) {
        if (re.match(text).hasMatch())
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
    // Read with the names' own bytes (see FileName): every entry but folders and links to folders.
    QStringList names;
    DIR* dir = ::opendir(FileName::encode(folder).constData());
    if (!dir)
        return names;
    while (const dirent* entry = ::readdir(dir)) {
        struct stat info;
        if (::fstatat(::dirfd(dir), entry->d_name, &info, 0) == 0 && S_ISDIR(info.st_mode))
            continue;
        // Hidden files (".name") are not listed, as hidden folders are not: among them are the
        // program's own temporary files beside a file being written.
        const QByteArray name(entry->d_name);
        if (name.startsWith('.'))
            continue;
        names.append(FileName::decode(name));
    }
    ::closedir(dir);
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
