#include "VolumeList.h"

#include <QDir>
#include <QStorageInfo>

namespace VolumeList {

namespace {

QString cleanRoot(const QString& path) {
    return QDir::cleanPath(path);
}

bool holds(const QString& root, const QString& folder) {
    if (root == QLatin1String("/"))
        return folder.startsWith(u'/');
    return folder == root || folder.startsWith(root + u'/');
}

} // namespace

QList<Volume> volumes() {
    QList<Volume> list;
    Volume home;
    home.rootPath = cleanRoot(QDir::homePath());
    home.isHome = true;
    list.append(home);

    for (const QStorageInfo& storage : QStorageInfo::mountedVolumes()) {
        if (!storage.isValid())
            continue;
        const QString root = cleanRoot(storage.rootPath());
        bool known = false;
        for (const Volume& volume : list)
            known = known || volume.rootPath == root;
        if (known)
            continue;
        Volume volume;
        volume.rootPath = root;
        volume.label = storage.name().isEmpty() ? QString::fromLocal8Bit(storage.device()) : storage.name();
        volume.ready = storage.isReady();
        list.append(volume);
    }
    return list;
}

int indexOf(const QList<Volume>& list, const QString& folder) {
    const QString clean = QDir::cleanPath(folder);
    int best = -1;
    for (int i = 0; i < list.size(); ++i) {
        if (holds(list[i].rootPath, clean) && (best < 0 || list[i].rootPath.size() > list[best].rootPath.size()))
            best = i;
    }
    return best;
}

bool isReady(const QString& rootPath) {
    const QStorageInfo storage(rootPath);
    return storage.isValid() && storage.isReady();
}

} // namespace VolumeList
