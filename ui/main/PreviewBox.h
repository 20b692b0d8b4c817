#pragma once

#include "platform/FileError.h"

#include <QPlainTextEdit>

// The read-only preview of one text file (Rich1). It remembers the path of the file it shows.
class PreviewBox : public QPlainTextEdit {
    Q_OBJECT
public:
    explicit PreviewBox(QWidget* parent = nullptr);

    // Shows the file decoded in its own encoding; false (and the preview unchanged) when it cannot
    // be read.
    bool loadFile(const QString& path, FileError* error = nullptr);
    // Empty until a file has been shown.
    QString fileName() const { return m_fileName; }
    void clearFile();

protected:
    // Ctrl+A belongs to the window's "选择全部文件", not to the text.
    bool event(QEvent* event) override;

private:
    QString m_fileName;
};
