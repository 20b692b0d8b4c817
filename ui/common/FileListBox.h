#pragma once

#include <QListWidget>

// The file list box of the browsing windows (File1): the files of one folder that match a pattern
// such as "*.txt" or "*.htm; *.html" (letter case ignored; "*.*" is every file), in the reading order
// of chapters that the main window's list sorts by names in (第2章 before 第10章).
// The main window keeps it hidden and shows its names in its own list; the dialogs show it.
class FileListBox : public QListWidget {
    Q_OBJECT
public:
    explicit FileListBox(QWidget* parent = nullptr);

    // The folder, with or without a trailing "/". Setting another one re-reads the list and emits
    // pathChange().
    QString path() const { return m_path; }
    void setPath(const QString& folder);
    // Setting another pattern re-reads the list and emits patternChange().
    QString pattern() const { return m_pattern; }
    void setPattern(const QString& pattern);
    // Reads the folder again.
    void refresh();

    // The names listed, in list order.
    QStringList fileNames() const;
    // The names of the selected entries, in list order.
    QStringList selectedFileNames() const;

signals:
    void pathChange();
    void patternChange();

private:
    QString m_path;
    QString m_pattern = QStringLiteral("*.*");
};
