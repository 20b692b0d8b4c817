#include "FolderList.h"

#include "Icons.h"
#include "platform/FolderListing.h"

#include <QDir>
#include <QKeyEvent>
#include <QStyledItemDelegate>

#include <algorithm>
#include <cerrno>
#include <dirent.h>

namespace {

constexpr int PathRole = Qt::UserRole + 1;
constexpr int LevelRole = Qt::UserRole + 2;
constexpr int IndentPerLevel = 8;

// Draws each entry indented by its depth below the root, as a tree without branch lines.
class IndentDelegate : public QStyledItemDelegate {
public:
    using QStyledItemDelegate::QStyledItemDelegate;

    void paint(QPainter* painter, const QStyleOptionViewItem& option, const QModelIndex& index) const override {
        QStyleOptionViewItem shifted(option);
        shifted.rect.setLeft(option.rect.left() + IndentPerLevel * index.data(LevelRole).toInt());
        QStyledItemDelegate::paint(painter, shifted, index);
    }
    QSize sizeHint(const QStyleOptionViewItem& option, const QModelIndex& index) const override {
        QSize size = QStyledItemDelegate::sizeHint(option, index);
        size.rwidth() += IndentPerLevel * index.data(LevelRole).toInt();
        return size;
    }
};

// Folder names under `folder`, hidden ones left out, by name.
bool readSubFolders(const QString& folder, QStringList& names, FileError* error) {
    // opendir() tells why a folder cannot be read; QDir would only say that it could not.
    DIR* dir = ::opendir(QFile::encodeName(folder).constData());
    if (!dir) {
        if (error)
            *error = FileError::fromErrno(errno);
        return false;
    }
    ::closedir(dir);
    names = QDir(folder).entryList(QDir::Dirs | QDir::NoDotAndDotDot, QDir::NoSort);
    std::sort(names.begin(), names.end(), FolderListing::nameLessThan);
    return true;
}

QString labelFor(const QString& path) {
    if (path == QLatin1String("/"))
        return path;
    return QDir(path).dirName();
}

} // namespace

FolderList::FolderList(QWidget* parent) : QListWidget(parent) {
    setSelectionMode(QAbstractItemView::SingleSelection);
    setUniformItemSizes(true);
    setIconSize(QSize(16, 16));
    setItemDelegate(new IndentDelegate(this));
    connect(this, &QListWidget::itemDoubleClicked, this, &FolderList::openItem);
}

bool FolderList::setPath(const QString& folder, FileError* error) {
    const QString clean = QDir::cleanPath(QDir(folder).absolutePath());
    if (!fill(clean, error))
        return false;
    if (clean != m_path) {
        m_path = clean;
        emit pathChanged(m_path);
    }
    return true;
}

bool FolderList::fill(const QString& folder, FileError* error) {
    QStringList subFolders;
    if (!readSubFolders(folder, subFolders, error))
        return false;

    clear();
    QStringList chain;
    for (QDir dir(folder);;) {
        chain.prepend(dir.absolutePath());
        if (dir.isRoot() || !dir.cdUp())
            break;
    }
    int level = 0;
    QListWidgetItem* open = nullptr;
    for (const QString& path : chain) {
        auto* item = new QListWidgetItem(Icons::folderOpen(), labelFor(path), this);
        item->setData(PathRole, path);
        item->setData(LevelRole, level);
        open = item;
        ++level;
    }
    const QString prefix = folder == QLatin1String("/") ? folder : folder + u'/';
    for (const QString& name : subFolders) {
        auto* item = new QListWidgetItem(Icons::folderClosed(), name, this);
        item->setData(PathRole, prefix + name);
        item->setData(LevelRole, level);
    }
    setCurrentItem(open);
    return true;
}

void FolderList::refresh() {
    QString folder = m_path.isEmpty() ? QDir::currentPath() : m_path;
    while (!QDir(folder).exists() && !QDir(folder).isRoot())
        folder = QDir::cleanPath(folder + QStringLiteral("/.."));
    if (folder == m_path)
        fill(folder, nullptr);
    else
        setPath(folder);
}

void FolderList::openItem(QListWidgetItem* item) {
    if (!item)
        return;
    FileError error;
    if (!setPath(item->data(PathRole).toString(), &error))
        emit openFailed(error);
}

void FolderList::keyPressEvent(QKeyEvent* event) {
    if (event->key() == Qt::Key_Return || event->key() == Qt::Key_Enter) {
        openItem(currentItem());
        return;
    }
    QListWidget::keyPressEvent(event);
}
