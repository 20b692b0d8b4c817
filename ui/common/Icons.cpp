#include "Icons.h"

#include "core/PathHelpers.h"

#include <QHash>

// Resources of a static library are linked only when referenced: this is the reference.
static void ensureResources() {
    static const bool loaded = [] {
        Q_INIT_RESOURCE(quillmar);
        return true;
    }();
    Q_UNUSED(loaded);
}

namespace Icons {

namespace {

// One icon per picture for the whole program: a shared icon renders its SVG once per size, where a
// new icon per list entry would parse and render it again for every row.
QIcon fromFile(const QString& name) {
    ensureResources();
    static QHash<QString, QIcon> cache;
    auto it = cache.find(name);
    if (it == cache.end())
        it = cache.insert(name, QIcon(QStringLiteral(":/icons/") + name + QStringLiteral(".svg")));
    return *it;
}

} // namespace

QIcon mark(const QString& key) {
    if (key == QLatin1String("red") || key == QLatin1String("yellow") || key == QLatin1String("blue"))
        return fromFile(QStringLiteral("mark-") + key);
    return QIcon();
}

QIcon fileType(int number) {
    switch (number) {
    case 1:
        return fromFile(QStringLiteral("file-text"));
    case 2:
        return fromFile(QStringLiteral("file-web"));
    default:
        return fromFile(QStringLiteral("file-other"));
    }
}

int fileTypeNumber(const QString& name) {
    const QString extension = GetExtension(name);
    if (extension == QLatin1String("txt"))
        return 1;
    if (extension == QLatin1String("htm") || extension == QLatin1String("html"))
        return 2;
    return 3;
}

QIcon folderOpen() {
    return fromFile(QStringLiteral("folder-open"));
}

QIcon folderClosed() {
    return fromFile(QStringLiteral("folder-closed"));
}

QIcon drive() {
    return fromFile(QStringLiteral("drive"));
}

QIcon toolbarButton(const QString& key) {
    ensureResources();
    QIcon icon;
    icon.addFile(QStringLiteral(":/icons/tb-") + key + QStringLiteral(".svg"), QSize(), QIcon::Normal);
    icon.addFile(QStringLiteral(":/icons/tb-") + key + QStringLiteral("-hot.svg"), QSize(), QIcon::Active);
    return icon;
}

QIcon program() {
    return fromFile(QStringLiteral("quillmar"));
}

QPixmap banner() {
    ensureResources();
    return QIcon(QStringLiteral(":/icons/banner.svg")).pixmap(QSize(88, 31));
}

QPixmap picture(const QString& name) {
    ensureResources();
    // Rendered by the SVG image plugin at the picture's own size.
    return QPixmap(QStringLiteral(":/pictures/") + name + QStringLiteral(".svg"));
}

} // namespace Icons
