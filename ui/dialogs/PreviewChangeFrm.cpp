#include "PreviewChangeFrm.h"

#include "ui/common/ScreenFit.h"

#include "engine/TextDiff.h"
#include "runner/ChangePreview.h"
#include "ui/main/Application.h"
#include "ui/main/MainFrm.h"

#include <QComboBox>
#include <QFileInfo>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QPushButton>
#include <QScrollBar>
#include <QTextCursor>
#include <QTextEdit>
#include <QVBoxLayout>

namespace {

// Appends `line` to `edit`, marking the characters from `from` up to `to` with `mark`.
void appendLine(QTextCursor& cursor, const QString& line, qsizetype from, qsizetype to, const QColor& mark) {
    QTextCharFormat plain;
    QTextCharFormat marked;
    marked.setBackground(mark);
    cursor.insertText(line.left(from), plain);
    cursor.insertText(line.mid(from, to - from), to > from ? marked : plain);
    cursor.insertText(line.mid(to), plain);
    cursor.insertText(QStringLiteral("\n"), plain);
}

QTextEdit* makeText(QWidget* parent, const QString& name) {
    auto* edit = new QTextEdit(parent);
    edit->setObjectName(name);
    edit->setReadOnly(true);
    edit->setLineWrapMode(QTextEdit::WidgetWidth);
    edit->setAcceptRichText(false);
    return edit;
}

} // namespace

QList<PreviewChangeFrm::Choice> PreviewChangeFrm::choices() {
    return {
        {tr("自动分段"), BatchCommand::Reflow, 0},
        {tr("自动去除空格"), BatchCommand::RemoveSpaces, 0},
        {tr("GB2312码 (简体中文)"), BatchCommand::CodePage, 0},
        {tr("Big5码 (繁体中文)"), BatchCommand::CodePage, 1},
        {tr("全角字符 -> 半角字符"), BatchCommand::Width, 0},
        {tr("半角字符 -> 全角字符"), BatchCommand::Width, 1},
        {tr("标点与排版整理"), BatchCommand::Typeset, 0},
        {tr("网页文件转换"), BatchCommand::WebPageToText, 0},
        {tr("清除网站广告（只按清除规则）"), BatchCommand::Clean, 0},
    };
}

PreviewChangeFrm::PreviewChangeFrm(Application& app, const QString& path, QWidget* parent)
    : QDialog(parent), m_app(app), m_path(path) {
    setObjectName(QStringLiteral("PreviewChangeFrm"));
    setWindowTitle(tr("预览更改"));
    setModal(false);

    ComboCommand = new QComboBox(this);
    ComboCommand->setObjectName(QStringLiteral("ComboCommand"));
    for (const Choice& choice : choices())
        ComboCommand->addItem(choice.caption);
    LabelFile = new QLabel(QFileInfo(path).fileName(), this);
    LabelFile->setObjectName(QStringLiteral("LabelFile"));
    TextBefore = makeText(this, QStringLiteral("TextBefore"));
    TextAfter = makeText(this, QStringLiteral("TextAfter"));
    LabelSummary = new QLabel(this);
    LabelSummary->setObjectName(QStringLiteral("LabelSummary"));
    CmdApply = new QPushButton(tr("应用到所选文件"), this);
    CmdApply->setObjectName(QStringLiteral("CmdApply"));
    CmdClose = new QPushButton(tr("关闭"), this);
    CmdClose->setObjectName(QStringLiteral("CmdClose"));

    auto* top = new QHBoxLayout;
    top->addWidget(new QLabel(tr("命令："), this));
    top->addWidget(ComboCommand);
    top->addSpacing(12);
    top->addWidget(LabelFile, 1);
    auto* texts = new QGridLayout;
    texts->addWidget(new QLabel(tr("更改前"), this), 0, 0);
    texts->addWidget(new QLabel(tr("更改后"), this), 0, 1);
    texts->addWidget(TextBefore, 1, 0);
    texts->addWidget(TextAfter, 1, 1);
    auto* buttons = new QHBoxLayout;
    buttons->addWidget(LabelSummary, 1);
    buttons->addWidget(CmdApply);
    buttons->addWidget(CmdClose);
    auto* layout = new QVBoxLayout(this);
    layout->addLayout(top);
    layout->addLayout(texts, 1);
    layout->addLayout(buttons);
    resize(sizeWithinScreen(QSize(860, 560), this));

    // The two sides scroll together.
    connect(TextBefore->verticalScrollBar(), &QScrollBar::valueChanged, TextAfter->verticalScrollBar(),
            &QScrollBar::setValue);
    connect(TextAfter->verticalScrollBar(), &QScrollBar::valueChanged, TextBefore->verticalScrollBar(),
            &QScrollBar::setValue);
    connect(ComboCommand, &QComboBox::currentIndexChanged, this, &PreviewChangeFrm::showPreview);
    connect(CmdApply, &QPushButton::clicked, this, &PreviewChangeFrm::apply);
    connect(CmdClose, &QPushButton::clicked, this, &PreviewChangeFrm::reject);
    showPreview();
}

void PreviewChangeFrm::showPreview() {
    const Choice choice = choices().value(ComboCommand->currentIndex());
    const ChangePreview preview = ChangePreview::of(m_app.state(), choice.command, choice.direction, m_path);
    TextBefore->clear();
    TextAfter->clear();
    if (!preview.error.isEmpty()) {
        LabelSummary->setText(tr("无法预览：") + preview.error);
        return;
    }
    const TextDiff diff(preview.before, preview.after);
    QTextCursor before(TextBefore->document());
    QTextCursor after(TextAfter->document());
    const QColor removed(255, 205, 205);
    const QColor added(190, 240, 190);
    const QList<TextDiff::Edit>& edits = diff.edits();
    for (qsizetype i = 0; i < edits.size();) {
        if (edits.at(i).op == TextDiff::Op::Keep) {
            const QString& line = preview.before.at(edits.at(i).oldLine);
            appendLine(before, line, 0, 0, removed);
            appendLine(after, line, 0, 0, added);
            ++i;
            continue;
        }
        QStringList deleted;
        QStringList inserted;
        for (; i < edits.size() && edits.at(i).op != TextDiff::Op::Keep; ++i) {
            if (edits.at(i).op == TextDiff::Op::Delete)
                deleted.append(preview.before.at(edits.at(i).oldLine));
            else
                inserted.append(preview.after.at(edits.at(i).newLine));
        }
        // Paired lines mark what lies between their common beginning and end; the side with fewer
        // lines gets empty lines, so the two sides stay level.
        const qsizetype rows = std::max(deleted.size(), inserted.size());
        for (qsizetype r = 0; r < rows; ++r) {
            const QString a = deleted.value(r);
            const QString b = inserted.value(r);
            qsizetype prefix = 0;
            qsizetype suffix = 0;
            TextDiff::commonEnds(a, b, prefix, suffix);
            appendLine(before, a, prefix, a.size() - suffix, removed);
            appendLine(after, b, prefix, b.size() - suffix, added);
        }
    }
    TextBefore->moveCursor(QTextCursor::Start);
    TextAfter->moveCursor(QTextCursor::Start);
    QString summary =
        diff.isEmpty()
            ? tr("文字不会改变")
            : tr("%1 行、%2 个字符将改变").arg(diff.changedLines()).arg(diff.changedCharacters());
    if (preview.partial)
        summary += tr("（只预览了文件的开头部分）");
    LabelSummary->setText(summary);
}

void PreviewChangeFrm::apply() {
    const Choice choice = choices().value(ComboCommand->currentIndex());
    MainFrm* main = m_app.mainFrm();
    accept();
    if (main)
        main->runBatch(choice.command, choice.direction);
}

void PreviewChangeFrm::done(int result) {
    if (MainFrm* main = m_app.mainFrm())
        main->setEnabled(true);
    QDialog::done(result);
}
