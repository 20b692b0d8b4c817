#include "PhraseEditFrm.h"

#include "platform/FileOps.h"
#include "ui/common/ScreenFit.h"
#include "platform/PhraseFile.h"
#include "platform/TextReader.h"
#include "platform/TextWriter.h"

#include <QHBoxLayout>
#include <QLabel>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QVBoxLayout>

namespace {

QString newFileText() {
    return PhraseEditFrm::tr("# 每行一对：原文 译文（以空格分开）。这里的词组优先于内置词典。\n"
                             "# 以 # 开头的行是注释。例如：\n"
                             "# 被发明 被發明\n");
}

} // namespace

PhraseEditFrm::PhraseEditFrm(const QString& text, const QString& title, QWidget* parent) : QDialog(parent) {
    setObjectName(QStringLiteral("PhraseEditFrm"));
    setWindowTitle(title);
    LabelHint = new QLabel(tr("每行一对：原文 译文，以空格分开；以 # 开头的行是注释。\n"
                              "按“选项”窗口的“确定”后保存，从下一个转换的文件起生效。"),
                           this);
    LabelHint->setObjectName(QStringLiteral("LabelHint"));
    LabelHint->setWordWrap(true);
    TextPhrases = new QPlainTextEdit(this);
    TextPhrases->setObjectName(QStringLiteral("TextPhrases"));
    TextPhrases->setLineWrapMode(QPlainTextEdit::NoWrap);
    TextPhrases->setPlainText(text);
    LabelMissing = new QLabel(this);
    LabelMissing->setObjectName(QStringLiteral("LabelMissing"));
    LabelMissing->setWordWrap(true);
    LabelMissing->setStyleSheet(QStringLiteral("color: #b00000"));
    CmdOk = new QPushButton(tr("确定"), this);
    CmdOk->setObjectName(QStringLiteral("CmdOk"));
    CmdOk->setDefault(true);
    CmdCancel = new QPushButton(tr("取消"), this);
    CmdCancel->setObjectName(QStringLiteral("CmdCancel"));

    auto* buttons = new QHBoxLayout;
    buttons->addStretch();
    buttons->addWidget(CmdOk);
    buttons->addWidget(CmdCancel);
    auto* layout = new QVBoxLayout(this);
    layout->addWidget(LabelHint);
    layout->addWidget(TextPhrases, 1);
    layout->addWidget(LabelMissing);
    layout->addLayout(buttons);
    resize(480, 360);

    connect(TextPhrases, &QPlainTextEdit::textChanged, this, &PhraseEditFrm::showMissing);
    connect(CmdOk, &QPushButton::clicked, this, &QDialog::accept);
    connect(CmdCancel, &QPushButton::clicked, this, &QDialog::reject);
    showMissing();
}

QString PhraseEditFrm::text() const {
    return TextPhrases->toPlainText();
}

void PhraseEditFrm::editOtherKind(const QString& hint) {
    m_phrases = false;
    LabelHint->setText(hint);
    // Rule lines are longer than phrase pairs: a wider window shows them whole as far as the screen
    // allows.
    resize(sizeWithinScreen(QSize(760, 480), this));
    showMissing();
}

void PhraseEditFrm::showMissing() {
    const QString text = m_phrases ? missingText(TextPhrases->toPlainText()) : QString();
    LabelMissing->setText(text);
    LabelMissing->setVisible(!text.isEmpty());
}

QString PhraseEditFrm::missingText(QStringView text) {
    const QList<int> lines = PhraseFile::linesWithoutConversion(text);
    if (lines.isEmpty())
        return QString();
    QStringList numbers;
    for (int line : lines)
        numbers.append(QString::number(line));
    return tr("第 %1 行没有译文，转换时不会用到。").arg(numbers.join(tr("、")));
}

bool PhraseEditFrm::initialText(const QString& path, QString& text, FileError* error) {
    if (!FileOps::exists(path)) {
        text = newFileText();
        return true;
    }
    if (!TextReader::readAll(path, text, error))
        return false;
    text.replace(QStringLiteral("\r\n"), QStringLiteral("\n")).replace(u'\r', u'\n');
    return true;
}

bool PhraseEditFrm::write(const QString& path, QString text, FileError* error) {
    TextWriter writer;
    if (!writer.open(path, TextFormat{TextEncoding::Utf8, LineEnd::Lf})) {
        *error = writer.error();
        return false;
    }
    if (!text.isEmpty() && !text.endsWith(u'\n'))
        text += u'\n';
    writer.write(text);
    if (!writer.commit()) {
        *error = writer.error();
        return false;
    }
    return true;
}
