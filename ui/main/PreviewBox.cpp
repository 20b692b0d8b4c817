#include "PreviewBox.h"

#include "platform/TextReader.h"
#include "ui/common/FileSizeText.h"

#include <QFileInfo>
#include <QKeyEvent>

PreviewBox::PreviewBox(QWidget* parent) : QPlainTextEdit(parent) {
    setReadOnly(true);
    setTextInteractionFlags(Qt::TextSelectableByMouse | Qt::TextSelectableByKeyboard);
    setUndoRedoEnabled(false);
}

bool PreviewBox::loadFile(const QString& path, FileError* error) {
    QString text;
    bool cut = false;
    if (!TextReader::readHead(path, HeadBytes, text, cut, error))
        return false;
    // The text widget breaks lines at "\n" only.
    text.replace(QLatin1String("\r\n"), QLatin1String("\n"));
    text.replace(u'\r', u'\n');
    if (cut) {
        text += tr("\n\n……（预览只显示文件开头的 %1，全文 %2，其余部分未显示）")
                    .arg(fileSizeText(HeadBytes), fileSizeText(QFileInfo(path).size()));
    }
    setPlainText(text);
    m_fileName = path;
    m_cut = cut;
    return true;
}

void PreviewBox::clearFile() {
    clear();
    m_fileName.clear();
    m_cut = false;
}

bool PreviewBox::event(QEvent* event) {
    if (event->type() == QEvent::ShortcutOverride) {
        auto* key = static_cast<QKeyEvent*>(event);
        if (key->matches(QKeySequence::SelectAll)) {
            event->ignore();
            return true;
        }
    }
    return QPlainTextEdit::event(event);
}
