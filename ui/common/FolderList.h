#pragma once

#include "platform/FileError.h"

#include <QListWidget>

// The folder list of the browsing windows (Dir1): the open folder's parents from the root down,
// the open folder itself, then its sub-folders (hidden ones left out), by name. A click only
// highlights an entry; a double click or Enter opens it. path() is the open folder: a cleaned path
// without trailing "/", except the root "/".
class FolderList : public QListWidget {
    Q_OBJECT
public:
    explicit FolderList(QWidget* parent = nullptr);

    QString path() const { return m_path; }
    // Opens `folder`; false (and the open folder unchanged) when it cannot be read. Emits
    // pathChanged() when the open folder changes.
    bool setPath(const QString& folder, FileError* error = nullptr);
    // Reads the sub-folders again; when the open folder is gone, opens its nearest parent that
    // still exists.
    void refresh();

signals:
    void pathChanged(const QString& path);
    // A double click or Enter on a folder that could not be opened.
    void openFailed(const FileError& error);

protected:
    void keyPressEvent(QKeyEvent* event) override;

private:
    void openItem(QListWidgetItem* item);
    bool fill(const QString& folder, FileError* error);

    QString m_path;
};
