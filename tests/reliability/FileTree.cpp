#include "FileTree.h"

#include <dirent.h>
#include <fcntl.h>
#include <ftw.h>
#include <sys/stat.h>
#include <sys/statvfs.h>
#include <unistd.h>

namespace FileTree {
namespace {

// Calls `visit(path, info)` for every entry below `root` + `relative` (path relative to `root`, links
// not followed), each folder before its content.
template <class Visit> void walk(const QByteArray& root, const QByteArray& relative, const Visit& visit) {
    DIR* dir = ::opendir((root + relative).constData());
    if (!dir)
        return;
    while (const dirent* entry = ::readdir(dir)) {
        const QByteArray name(entry->d_name);
        if (name == "." || name == "..")
            continue;
        const QByteArray path = relative + name;
        struct stat info;
        if (::lstat((root + path).constData(), &info) != 0)
            continue;
        visit(path, info);
        if (S_ISDIR(info.st_mode))
            walk(root, path + '/', visit);
    }
    ::closedir(dir);
}

QByteArray withSlash(const QByteArray& root) {
    return root.endsWith('/') ? root : root + '/';
}

int removeEntry(const char* path, const struct stat*, int, struct FTW* walk) {
    if (walk->level == 0)
        return 0;
    return ::remove(path);
}

} // namespace

Tree read(const QByteArray& root) {
    const QByteArray base = withSlash(root);
    Tree tree;
    walk(base, QByteArray(), [&](const QByteArray& path, const struct stat& info) {
        if (S_ISLNK(info.st_mode)) {
            char target[4096];
            const ssize_t length = ::readlink((base + path).constData(), target, sizeof target);
            tree.insert(path, "-> " + QByteArray(target, length > 0 ? length : 0));
        } else {
            tree.insert(path, S_ISDIR(info.st_mode) ? Folder : readFile(base + path));
        }
    });
    return tree;
}

QByteArrayList files(const QByteArray& root) {
    QByteArrayList paths;
    walk(withSlash(root), QByteArray(), [&](const QByteArray& path, const struct stat& info) {
        if (!S_ISDIR(info.st_mode))
            paths.append(path);
    });
    return paths;
}

bool write(const QByteArray& root, const Tree& tree) {
    const QByteArray base = withSlash(root);
    for (auto it = tree.cbegin(); it != tree.cend(); ++it) {
        const QByteArray path = base + it.key();
        if (it.value() == Folder) {
            ::mkdir(path.constData(), 0777);
            continue;
        }
        const qsizetype slash = path.lastIndexOf('/');
        ::mkdir(path.left(slash).constData(), 0777);
        if (!writeFile(path, it.value()))
            return false;
    }
    return true;
}

void clear(const QByteArray& root) {
    ::nftw(root.constData(), removeEntry, 16, FTW_DEPTH | FTW_PHYS);
}

Tree below(const Tree& tree, const QByteArray& prefix) {
    Tree part;
    for (auto it = tree.cbegin(); it != tree.cend(); ++it) {
        if (it.key().startsWith(prefix))
            part.insert(it.key(), it.value());
    }
    return part;
}

QByteArray readFile(const QByteArray& path) {
    const int fd = ::open(path.constData(), O_RDONLY | O_CLOEXEC);
    if (fd < 0)
        return QByteArrayLiteral("<unreadable>");
    QByteArray content;
    char buffer[65536];
    ssize_t got = 0;
    while ((got = ::read(fd, buffer, sizeof buffer)) > 0)
        content.append(buffer, got);
    ::close(fd);
    return content;
}

bool writeFile(const QByteArray& path, const QByteArray& content) {
    const int fd = ::open(path.constData(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0644);
    if (fd < 0)
        return false;
    const bool ok = ::write(fd, content.constData(), size_t(content.size())) == content.size();
    return ::close(fd) == 0 && ok;
}

qint64 freeSpace(const QByteArray& path) {
    struct statvfs info;
    if (::statvfs(path.constData(), &info) != 0)
        return 0;
    return qint64(info.f_bavail) * qint64(info.f_frsize);
}

} // namespace FileTree
