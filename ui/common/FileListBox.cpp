#include "FileListBox.h"

#include "core/ChapterOrder.h"
#include "platform/FolderListing.h"

FileListBox::FileListBox(QWidget* parent) : QListWidget(parent) {
    setUniformItemSizes(true);
}

void FileListBox::setPath(const QString& folder) {
    if (folder == m_path)
        return;
    m_path = folder;
    refresh();
    emit pathChange();
}

void FileListBox::setPattern(const QString& pattern) {
    if (pattern == m_pattern)
        return;
    m_pattern = pattern;
    refresh();
    emit patternChange();
}

void FileListBox::refresh() {
    clear();
    if (m_path.isEmpty())
        return;
    QStringList names = FolderListing::listFiles(m_path, m_pattern);
    ChapterOrder::sort(names);
    addItems(names);
}

QStringList FileListBox::fileNames() const {
    QStringList names;
    for (int i = 0; i < count(); ++i)
        names.append(item(i)->text());
    return names;
}

QStringList FileListBox::selectedFileNames() const {
    QStringList names;
    for (int i = 0; i < count(); ++i) {
        if (item(i)->isSelected())
            names.append(item(i)->text());
    }
    return names;
}
