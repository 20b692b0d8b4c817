#include "EpubFrm.h"

#include "core/AppState.h"
#include "core/PathHelpers.h"
#include "core/ProgressSink.h"
#include "platform/FileOps.h"
#include "ui/common/Icons.h"
#include "ui/common/InProgress.h"
#include "ui/common/MessageProvider.h"
#include "ui/common/OwnedWindow.h"
#include "ui/common/ScreenFit.h"
#include "ui/main/Application.h"

#include <QCheckBox>
#include <QCloseEvent>
#include <QComboBox>
#include <QFileDialog>
#include <QFormLayout>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QSpinBox>
#include <QTreeWidget>
#include <QVBoxLayout>

namespace {

enum Column { HeadingColumn = 0, LineColumn = 1 };
// Item data: the heading was marked by the user, not found; the heading is a volume's.
constexpr int AddedRole = Qt::UserRole;
constexpr int VolumeRole = Qt::UserRole + 1;

const QStringList Languages{QStringLiteral("zh-CN"), QStringLiteral("zh-TW"), QStringLiteral("zh-HK")};

QString stemOf(const QString& name) {
    const qsizetype dot = name.lastIndexOf(u'.');
    return dot > 0 ? name.left(dot) : name;
}

QString folderName(const QString& folder) {
    const QString trimmed = folder.endsWith(u'/') ? folder.chopped(1) : folder;
    return trimmed.mid(trimmed.lastIndexOf(u'/') + 1);
}

qint64 lineOf(const QTreeWidgetItem* item) {
    return item->text(LineColumn).toLongLong();
}

bool isVolume(const QTreeWidgetItem* item) {
    return item->data(HeadingColumn, VolumeRole).toBool();
}

// Every item of the tree, parents before their children.
QList<QTreeWidgetItem*> allItems(const QTreeWidget* tree) {
    QList<QTreeWidgetItem*> items;
    for (int i = 0; i < tree->topLevelItemCount(); ++i) {
        QTreeWidgetItem* top = tree->topLevelItem(i);
        items.append(top);
        for (int j = 0; j < top->childCount(); ++j)
            items.append(top->child(j));
    }
    return items;
}

} // namespace

EpubFrm::EpubFrm(Application& app, QWidget* parent)
    : QDialog(parent, Qt::Dialog | Qt::WindowTitleHint | Qt::WindowCloseButtonHint), m_app(app),
      m_handBack(app, MainHandBack::Reread::ShownFolder) {
    setObjectName(QStringLiteral("EpubFrm"));
    setWindowTitle(tr("制作电子书"));
    setWindowIcon(Icons::program());
    setModal(false);
    buildControls();
    scanInputs();
    fillTree();

    connect(CmdMarkLine, &QPushButton::clicked, this, &EpubFrm::markLine);
    connect(ComboLanguage, &QComboBox::currentIndexChanged, this, &EpubFrm::languageChosen);
    connect(CmdCover, &QPushButton::clicked, this, &EpubFrm::chooseCover);
    connect(CmdOutput, &QPushButton::clicked, this, &EpubFrm::chooseOutput);
    connect(CmdOK, &QPushButton::clicked, this, &EpubFrm::build);
    connect(CmdCancel, &QPushButton::clicked, this, &QDialog::reject);
}

void EpubFrm::buildControls() {
    const auto named = [](QWidget* widget, const char* name) {
        widget->setObjectName(QString::fromLatin1(name));
        return widget;
    };
    LabelChapters = new QLabel(this);
    named(LabelChapters, "LabelChapters");
    LabelChapters->setWordWrap(true);
    TreeChapters = new QTreeWidget(this);
    named(TreeChapters, "TreeChapters");
    TreeChapters->setHeaderLabels({tr("章节标题"), tr("行")});
    TreeChapters->header()->setStretchLastSection(false);
    TreeChapters->header()->setSectionResizeMode(HeadingColumn, QHeaderView::Stretch);
    TreeChapters->header()->setSectionResizeMode(LineColumn, QHeaderView::ResizeToContents);
    SpinLine = new QSpinBox(this);
    named(SpinLine, "SpinLine");
    SpinLine->setPrefix(tr("第 "));
    SpinLine->setSuffix(tr(" 行"));
    CmdMarkLine = new QPushButton(tr("设为章节标题[&H]"), this);
    named(CmdMarkLine, "CmdMarkLine");

    TextTitle = new QLineEdit(this);
    named(TextTitle, "TextTitle");
    TextAuthor = new QLineEdit(this);
    named(TextAuthor, "TextAuthor");
    ComboLanguage = new QComboBox(this);
    named(ComboLanguage, "ComboLanguage");
    ComboLanguage->addItems(Languages);
    TextCover = new QLineEdit(this);
    named(TextCover, "TextCover");
    TextCover->setPlaceholderText(tr("无封面"));
    CmdCover = new QPushButton(tr("浏览[&B]…"), this);
    named(CmdCover, "CmdCover");
    ChkVertical = new QCheckBox(tr("竖排（从右向左翻页）"), this);
    named(ChkVertical, "ChkVertical");
    TextOutput = new QLineEdit(this);
    named(TextOutput, "TextOutput");
    CmdOutput = new QPushButton(tr("浏览[&O]…"), this);
    named(CmdOutput, "CmdOutput");
    CmdOK = new QPushButton(tr("制作[&M]"), this);
    named(CmdOK, "CmdOK");
    CmdOK->setDefault(true);
    CmdCancel = new QPushButton(tr("关闭[&C]"), this);
    named(CmdCancel, "CmdCancel");

    auto* markRow = new QHBoxLayout;
    markRow->addWidget(SpinLine);
    markRow->addWidget(CmdMarkLine);
    markRow->addStretch();
    auto* chapters = new QVBoxLayout;
    chapters->addWidget(LabelChapters);
    chapters->addWidget(TreeChapters, 1);
    chapters->addLayout(markRow);

    auto* coverRow = new QHBoxLayout;
    coverRow->addWidget(TextCover, 1);
    coverRow->addWidget(CmdCover);
    auto* outputRow = new QHBoxLayout;
    outputRow->addWidget(TextOutput, 1);
    outputRow->addWidget(CmdOutput);
    auto* form = new QFormLayout;
    form->addRow(tr("书名[&T]："), TextTitle);
    form->addRow(tr("作者[&A]："), TextAuthor);
    form->addRow(tr("语言[&L]："), ComboLanguage);
    form->addRow(QString(), ChkVertical);
    form->addRow(tr("封面图片："), coverRow);
    form->addRow(tr("保存为："), outputRow);
    auto* buttons = new QHBoxLayout;
    buttons->addStretch();
    buttons->addWidget(CmdOK);
    buttons->addWidget(CmdCancel);
    auto* details = new QVBoxLayout;
    details->addLayout(form);
    details->addStretch();
    details->addLayout(buttons);

    auto* layout = new QHBoxLayout(this);
    layout->addLayout(chapters, 3);
    layout->addLayout(details, 2);
    resize(sizeWithinScreen(QSize(880, 560), this));
}

void EpubFrm::scanInputs() {
    const AppState& state = m_app.state();
    for (const QString& name : state.SelectedFiles) {
        if (!name.isEmpty())
            m_inputs.append(state.DialogFolder + name);
    }
    for (const QString& input : m_inputs) {
        BookPasses::Scan scan;
        FileError error;
        BookPasses::scan(input, &scan, &error, {});
        m_scans.append(scan);
    }

    QString title;
    QString author;
    if (!m_scans.isEmpty())
        EpubRunner::readOpening(m_scans.first().opening, &title, &author);
    const QString stem =
        m_inputs.size() == 1 ? stemOf(m_inputs.first().mid(m_inputs.first().lastIndexOf(u'/') + 1))
                             : folderName(state.DialogFolder);
    TextTitle->setText(title.isEmpty() ? stem : title);
    TextAuthor->setText(author);
    ComboLanguage->setCurrentIndex(
        std::max(0, int(Languages.indexOf(EpubRunner::languageOf(m_scans.isEmpty() ? QString()
                                                                                    : m_scans.first().sample)))));
    languageChosen();
    TextOutput->setText(state.DialogFolder + stem + QStringLiteral(".epub"));

    const bool oneBook = m_inputs.size() == 1;
    SpinLine->setRange(1, oneBook ? int(std::clamp<qint64>(m_scans.first().lines, 1, INT_MAX)) : 1);
    SpinLine->setEnabled(oneBook);
    CmdMarkLine->setEnabled(oneBook);
    CmdOK->setEnabled(!m_inputs.isEmpty());
}

QTreeWidgetItem* EpubFrm::headingItem(const Heading& heading, bool added, bool ticked) const {
    auto* item = new QTreeWidgetItem;
    item->setText(HeadingColumn, added ? m_added.value(heading.line) : heading.text);
    item->setText(LineColumn, QString::number(heading.line));
    item->setTextAlignment(LineColumn, Qt::AlignRight | Qt::AlignVCenter);
    item->setFlags(item->flags() | Qt::ItemIsUserCheckable);
    item->setCheckState(HeadingColumn, ticked ? Qt::Checked : Qt::Unchecked);
    item->setData(HeadingColumn, AddedRole, added);
    item->setData(HeadingColumn, VolumeRole, heading.level == Heading::Level::Volume);
    if (heading.doubtful) {
        for (int column : {HeadingColumn, LineColumn})
            item->setBackground(column, QColor(255, 226, 140));
        item->setToolTip(HeadingColumn, tr("编号与前后章节接不上：不是标题就取消勾选，是缺章或错序请用“检查章节”"));
    }
    return item;
}

void EpubFrm::fillTree() {
    // By line and level: a line may hold a volume and a chapter, each ticked on its own.
    QSet<std::pair<qint64, bool>> unticked;
    for (const QTreeWidgetItem* item : allItems(TreeChapters)) {
        if (item->checkState(HeadingColumn) == Qt::Unchecked)
            unticked.insert({lineOf(item), isVolume(item)});
    }
    TreeChapters->clear();
    if (m_inputs.size() != 1) {
        // Several files: one chapter each, named by its first chapter heading or its file name.
        for (qsizetype i = 0; i < m_inputs.size(); ++i) {
            QString text = stemOf(m_inputs[i].mid(m_inputs[i].lastIndexOf(u'/') + 1));
            for (const Heading& heading : m_scans[i].headings) {
                if (heading.level == Heading::Level::Chapter) {
                    text = heading.text;
                    break;
                }
            }
            TreeChapters->addTopLevelItem(new QTreeWidgetItem(QStringList{text, QString()}));
        }
        LabelChapters->setText(tr("每个文件为一章，按所选的顺序排列。"));
        return;
    }

    BookPasses::HeadingEdits marks;
    for (auto it = m_added.cbegin(); it != m_added.cend(); ++it)
        marks.added.insert(it.key());
    QTreeWidgetItem* volume = nullptr;
    int volumes = 0;
    int chapters = 0;
    for (const Heading& heading : BookPasses::edited(m_scans.first().headings, marks)) {
        const bool added = heading.text.isEmpty();
        const bool volumeHeading = heading.level == Heading::Level::Volume;
        QTreeWidgetItem* item = headingItem(heading, added, !unticked.contains({heading.line, volumeHeading}));
        if (volumeHeading) {
            TreeChapters->addTopLevelItem(item);
            volume = item;
            ++volumes;
        } else {
            if (volume)
                volume->addChild(item);
            else
                TreeChapters->addTopLevelItem(item);
            ++chapters;
        }
    }
    TreeChapters->expandAll();
    LabelChapters->setText(tr("找到 %1 卷、%2 章（黄底的编号与前后接不上）。取消勾选不是标题的行；漏掉的标题可按行号设为章节标题。")
                               .arg(volumes)
                               .arg(chapters));
}

void EpubFrm::markLine() {
    if (m_inputs.size() != 1)
        return;
    const qint64 wanted = SpinLine->value();
    const BookPasses::Scan& scan = m_scans.first();
    QString words;
    qint64 line = 0;
    FileError error;
    BookPasses::readAgain(
        m_inputs.first(), scan.format,
        [&](const QString& text) {
            if (++line == wanted)
                words = BookPasses::headingText(Heading(), text);
        },
        &error, [&](qint64, qint64) { return line < wanted; });
    if (words.isEmpty()) {
        m_app.messages().information(this, windowTitle(), tr("第 %1 行是空行，不能作为章节标题。").arg(wanted));
        return;
    }
    const bool found = std::any_of(scan.headings.begin(), scan.headings.end(),
                                   [&](const Heading& heading) { return heading.line == wanted; });
    if (!found)
        m_added.insert(wanted, words);
    fillTree();
    for (QTreeWidgetItem* item : allItems(TreeChapters)) {
        if (lineOf(item) == wanted) {
            item->setCheckState(HeadingColumn, Qt::Checked);
            TreeChapters->setCurrentItem(item);
            TreeChapters->scrollToItem(item);
        }
    }
}

EpubOptions EpubFrm::options() const {
    EpubOptions options;
    options.inputs = m_inputs;
    options.output = TextOutput->text().trimmed();
    if (!options.output.isEmpty() && !options.output.endsWith(QStringLiteral(".epub"), Qt::CaseInsensitive))
        options.output += QStringLiteral(".epub");
    options.title = TextTitle->text().trimmed();
    options.author = TextAuthor->text().trimmed();
    options.language = ComboLanguage->currentText();
    options.cover = TextCover->text().trimmed();
    options.vertical = ChkVertical->isEnabled() && ChkVertical->isChecked();
    if (m_inputs.size() == 1) {
        for (const QTreeWidgetItem* item : allItems(TreeChapters)) {
            const bool ticked = item->checkState(HeadingColumn) == Qt::Checked;
            if (item->data(HeadingColumn, AddedRole).toBool()) {
                if (ticked)
                    options.edits.added.insert(lineOf(item));
            } else if (!ticked) {
                (isVolume(item) ? options.edits.droppedVolumes : options.edits.dropped).insert(lineOf(item));
            }
        }
    }
    return options;
}

void EpubFrm::build() {
    const EpubOptions chosen = options();
    const QString folder = chosen.output.left(chosen.output.lastIndexOf(u'/') + 1);
    if (chosen.output.isEmpty() || folder.isEmpty() || !FileOps::folderExists(folder)) {
        m_app.messages().information(this, windowTitle(), tr("请输入电子书保存的位置（一个已有的文件夹中的文件名）。"));
        TextOutput->setFocus();
        return;
    }
    TextOutput->setText(chosen.output);
    if (InProgress* progress = m_app.inProgress())
        progress->beginBatch(this);
    EpubRunner::run(m_app.jobEnv(), chosen);
    m_app.jobEnv().sink.complete();
}

void EpubFrm::languageChosen() {
    // Vertical writing is for Traditional text as Taiwan sets it.
    ChkVertical->setEnabled(ComboLanguage->currentText() == QStringLiteral("zh-TW"));
}

void EpubFrm::chooseCover() {
    const QString path = QFileDialog::getOpenFileName(this, tr("选择封面图片"), m_app.state().DialogFolder,
                                                      tr("图片 (*.jpg *.jpeg *.png *.gif)"));
    if (!path.isEmpty())
        TextCover->setText(path);
}

void EpubFrm::chooseOutput() {
    const QString path =
        QFileDialog::getSaveFileName(this, tr("保存电子书"), TextOutput->text(), tr("电子书 (*.epub)"));
    if (!path.isEmpty())
        TextOutput->setText(path);
}

void EpubFrm::done(int result) {
    m_handBack.handBack();
    QDialog::done(result);
}

void EpubFrm::closeEvent(QCloseEvent* event) {
    if (OwnedWindow::refuseCloseWhileBusy(this, event))
        return;
    m_handBack.handBack();
    event->accept();
    QDialog::closeEvent(event);
}
