#pragma once

#include "platform/FileError.h"

#include <QPlainTextEdit>

class QLabel;

// The read-only preview of one text file (Rich1). It remembers the path of the file it shows, and
// names the encoding it was read in at its lower right corner (LabelEncoding).
class PreviewBox : public QPlainTextEdit {
    Q_OBJECT
public:
    // How much of a file the preview reads: enough for many pages, little enough to show at once.
    static constexpr qint64 HeadBytes = 1 << 20;

    explicit PreviewBox(QWidget* parent = nullptr);

    // Shows the start of the file (about HeadBytes) decoded in its own encoding, and, for a larger
    // file, a last line that says the rest is not shown; false (and the preview unchanged) when it
    // cannot be read.
    bool loadFile(const QString& path, FileError* error = nullptr);
    // Empty until a file has been shown.
    QString fileName() const { return m_fileName; }
    // "编码：GB18030" and the like while a file is shown; empty otherwise.
    QString encodingText() const;
    // True when the file shown goes on behind the preview's text.
    bool isCut() const { return m_cut; }
    void clearFile();
    // In place of a file that cannot be shown (not text, unreadable, gone): the file's name and the
    // reason, in grey; no file counts as shown.
    void showProblem(const QString& path, const FileError& error);
    bool showsProblem() const { return m_problem; }

protected:
    // Ctrl+A belongs to the window's "选择全部文件", not to the text.
    bool event(QEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;

private:
    void placeEncodingLabel();
    void setProblemLook(bool problem);

    QString m_fileName;
    QLabel* m_encoding;
    bool m_cut = false;
    bool m_problem = false;
};
