#include "FileTree.h"

#include <dirent.h>
#include <fcntl.h>
#include <ftw.h>
#include <sys/stat.h>
#include <sys/statvfs.h>
#include <unistd.h>

namespace FileTree {
namespace {

void readInto(const QByteArray& root, const QByteArray& relative, Tree& tree) {
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
        if (S_ISLNK(info.st_mode)) {
            char target[4096];
            const ssize_t length = ::readlink((root + path).constData(), target, sizeof target);
            tree.insert(path, "-> " + QByteArray(target, length > 0 ? length : 0));
        } else if (S_ISDIR(info.st_mode)) {
            tree.insert(path, Folder);
            readInto(root, path + '/', tree);
        } else {
            tree.insert(path, readFile(root + path));
        }
    }
    ::closedir(dir);
}

void listInto(const QByteArray& root, const QByteArray& relative, QByteArrayList& paths) {
    DIR* dir = ::opendir((root + relative).constData());
    if (!dir)
        return;
    while (const dirent* entry = ::readdir(dir)) {
        const QByteArray name(entry->d_name);
        if (name == "." || name == "..")
            continue;
        if (entry->d_type == DT_DIR)
            listInto(root, relative + name + '/', paths);
        else
            paths.append(relative + name);
    }
    ::closedir(dir);
}

int removeEntry(const char* path, const struct stat*, int, struct FTW* walk) {
    if (walk->level == 0)
        return 0;
    return ::remove(path);
}

} // namespace

Tree read(const QByteArray& root) {
    Tree tree;
    readInto(root.endsWith('/') ? root : root + '/', QByteArray(), tree);
    return tree;
}

QByteArrayList files(const QByteArray& root) {
    QByteArrayList paths;
    listInto(root.endsWith('/') ? root : root + '/', QByteArray(), paths);
    return paths;
}

bool write(const QByteArray& root, const Tree& tree) {
    const QByteArray base = root.endsWith('/') ? root : root + '/';
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
