#include "PhraseEditFrm.h"

#include "platform/FileOps.h"
#include "platform/TextReader.h"
#include "platform/TextWriter.h"
#include "ui/common/MessageProvider.h"

#include <QHBoxLayout>
#include <QLabel>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QVBoxLayout>

namespace {

QString newFileText() {
    return QStringLiteral("# 每行一对：原文 译文（以空格分开）。这里的词组优先于内置词典。\n"
                          "# 以 # 开头的行是注释。例如：\n"
                          "# 被发明 被發明\n");
}

} // namespace

PhraseEditFrm::PhraseEditFrm(MessageProvider& messages, const QString& path, const QString& title, QWidget* parent)
    : QDialog(parent), m_messages(messages), m_path(path) {
    setObjectName(QStringLiteral("PhraseEditFrm"));
    setWindowTitle(title);
    LabelHint = new QLabel(tr("每行一对：原文 译文，以空格分开；以 # 开头的行是注释。\n"
                              "这些词组优先于内置词典，从下一个转换的文件起生效。"),
                           this);
    LabelHint->setObjectName(QStringLiteral("LabelHint"));
    TextPhrases = new QPlainTextEdit(this);
    TextPhrases->setObjectName(QStringLiteral("TextPhrases"));
    TextPhrases->setLineWrapMode(QPlainTextEdit::NoWrap);
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
    layout->addLayout(buttons);
    resize(480, 360);

    QString text;
    FileError error;
    if (!FileOps::exists(path)) {
        text = newFileText();
    } else if (TextReader::readAll(path, text, &error)) {
        text.replace(QStringLiteral("\r\n"), QStringLiteral("\n")).replace(u'\r', u'\n');
    } else {
        m_messages.showError(this, error);
        CmdOk->setEnabled(false);
    }
    TextPhrases->setPlainText(text);

    connect(CmdOk, &QPushButton::clicked, this, [this] {
        FileError saveError;
        if (save(&saveError))
            accept();
        else
            m_messages.showError(this, saveError);
    });
    connect(CmdCancel, &QPushButton::clicked, this, &QDialog::reject);
}

bool PhraseEditFrm::save(FileError* error) {
    TextWriter writer;
    if (!writer.open(m_path, TextFormat{TextEncoding::Utf8, LineEnd::Lf})) {
        *error = writer.error();
        return false;
    }
    QString text = TextPhrases->toPlainText();
    if (!text.isEmpty() && !text.endsWith(u'\n'))
        text += u'\n';
    writer.write(text);
    if (!writer.commit()) {
        *error = writer.error();
        return false;
    }
    return true;
}
