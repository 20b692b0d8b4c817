#include "PreviewBox.h"

#include "platform/TextReader.h"
#include "ui/common/ErrorFace.h"
#include "ui/common/FileSizeText.h"

#include <QFileInfo>
#include <QKeyEvent>
#include <QLabel>
#include <QScrollBar>

PreviewBox::PreviewBox(QWidget* parent) : QPlainTextEdit(parent), m_encoding(new QLabel(this)) {
    m_encoding->setObjectName(QStringLiteral("LabelEncoding"));
    m_encoding->setAutoFillBackground(true);
    m_encoding->setContentsMargins(4, 1, 4, 1);
    m_encoding->hide();
    setReadOnly(true);
    setTextInteractionFlags(Qt::TextSelectableByMouse | Qt::TextSelectableByKeyboard);
    setUndoRedoEnabled(false);
}

bool PreviewBox::loadFile(const QString& path, FileError* error) {
    QString text;
    bool cut = false;
    TextFormat format;
    if (!TextReader::readHead(path, HeadBytes, text, cut, error, &format))
        return false;
    // The text widget breaks lines at "\n" only.
    text.replace(QLatin1String("\r\n"), QLatin1String("\n"));
    text.replace(u'\r', u'\n');
    if (cut) {
        text += tr("\n\n……（预览只显示文件开头的 %1，全文 %2，其余部分未显示）")
                    .arg(fileSizeText(HeadBytes), fileSizeText(QFileInfo(path).size()));
    }
    setPlainText(text);
    setProblemLook(false);
    m_fileName = path;
    m_cut = cut;
    m_encoding->setText(tr("编码：") + encodingName(format.encoding));
    m_encoding->adjustSize();
    m_encoding->show();
    // A strip of its own below the text, so that the label never covers the last line's end.
    setViewportMargins(0, 0, 0, m_encoding->height());
    placeEncodingLabel();
    return true;
}

QString PreviewBox::encodingText() const {
    return m_encoding->isVisibleTo(this) ? m_encoding->text() : QString();
}

void PreviewBox::clearFile() {
    clear();
    setProblemLook(false);
    m_fileName.clear();
    m_cut = false;
    m_encoding->hide();
    setViewportMargins(0, 0, 0, 0);
}

void PreviewBox::showProblem(const QString& path, const FileError& error) {
    clearFile();
    setPlainText(tr("无法预览“%1”：\n%2").arg(QFileInfo(path).fileName(), ErrorFace::reason(error)));
    setProblemLook(true);
}

void PreviewBox::setProblemLook(bool problem) {
    m_problem = problem;
    QPalette look = palette();
    look.setColor(QPalette::Text, problem ? look.color(QPalette::PlaceholderText) : QPalette().color(QPalette::Text));
    setPalette(look);
}

void PreviewBox::resizeEvent(QResizeEvent* event) {
    QPlainTextEdit::resizeEvent(event);
    placeEncodingLabel();
}

// In the strip below the text area, at its right end, clear of the scroll bars.
void PreviewBox::placeEncodingLabel() {
    const QRect area = viewport()->geometry();
    m_encoding->move(area.right() + 1 - m_encoding->width(), area.bottom() + 1);
    m_encoding->raise();
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
