#pragma once

#include "platform/FileError.h"

#include <QPlainTextEdit>

class QLabel;

// The read-only preview of one text file (Rich1). It remembers the path of the file it shows, and
// names the encoding it was read in at its lower right corner (LabelEncoding).
class PreviewBox : public QPlainTextEdit {
    Q_OBJECT
public:
    explicit PreviewBox(QWidget* parent = nullptr);

    // Shows the file decoded in its own encoding; false (and the preview unchanged) when it cannot
    // be read.
    bool loadFile(const QString& path, FileError* error = nullptr);
    // Empty until a file has been shown.
    QString fileName() const { return m_fileName; }
    // "编码：GB18030" and the like while a file is shown; empty otherwise.
    QString encodingText() const;
    void clearFile();

protected:
    // Ctrl+A belongs to the window's "选择全部文件", not to the text.
    bool event(QEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;

private:
    void placeEncodingLabel();

    QString m_fileName;
    QLabel* m_encoding;
};
