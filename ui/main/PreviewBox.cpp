#include "PreviewBox.h"

#include "platform/TextReader.h"

#include <QKeyEvent>

PreviewBox::PreviewBox(QWidget* parent) : QPlainTextEdit(parent) {
    setReadOnly(true);
    setTextInteractionFlags(Qt::TextSelectableByMouse | Qt::TextSelectableByKeyboard);
    setUndoRedoEnabled(false);
}

bool PreviewBox::loadFile(const QString& path, FileError* error) {
    QString text;
    if (!TextReader::readAll(path, text, error))
        return false;
    // The text widget breaks lines at "\n" only.
    text.replace(QLatin1String("\r\n"), QLatin1String("\n"));
    text.replace(u'\r', u'\n');
    setPlainText(text);
    m_fileName = path;
    return true;
}

void PreviewBox::clearFile() {
    clear();
    m_fileName.clear();
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
