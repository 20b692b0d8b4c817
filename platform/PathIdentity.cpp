#include "PathIdentity.h"

#include "FileName.h"

#include <climits>
#include <cstdlib>
#include <sys/stat.h>

namespace {

// The path with every link resolved; empty when some part of it is missing.
QString realPath(const QString& path) {
    char* resolved = ::realpath(FileName::encode(path).constData(), nullptr);
    if (!resolved)
        return QString();
    const QString result = FileName::decode(QByteArrayView(resolved));
    std::free(resolved);
    return result;
}

} // namespace

namespace PathIdentity {

QString keyOf(const QString& path) {
    struct stat st;
    if (::stat(FileName::encode(path).constData(), &st) == 0)
        return QStringLiteral("@%1:%2").arg(quint64(st.st_dev)).arg(quint64(st.st_ino));
    const QString absolute = FileName::absolutePath(path);
    const qsizetype slash = absolute.lastIndexOf(u'/');
    const QString folder = realPath(slash <= 0 ? QStringLiteral("/") : absolute.left(slash));
    return (folder.isEmpty() ? absolute.left(slash) : folder) + absolute.mid(slash);
}

bool isRegularFileWithin(const QString& folder, const QString& name) {
    const QString path = folder + name;
    struct stat st;
    if (::lstat(FileName::encode(path).constData(), &st) != 0)
        return false;
    if (S_ISREG(st.st_mode))
        return true;
    if (!S_ISLNK(st.st_mode) || ::stat(FileName::encode(path).constData(), &st) != 0 || !S_ISREG(st.st_mode))
        return false;
    const QString root = realPath(folder);
    const QString target = realPath(path);
    return !root.isEmpty() && target.startsWith(root == QStringLiteral("/") ? root : root + u'/');
}

} // namespace PathIdentity
