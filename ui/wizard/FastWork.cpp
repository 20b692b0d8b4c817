#include "FastWork.h"

#include "core/AppState.h"
#include "core/PathHelpers.h"
#include "engine/ParaLevels.h"
#include "engine/SpaceTrim.h"
#include "platform/FileOps.h"
#include "ui/common/FitScrollArea.h"
#include "ui/common/ScreenFit.h"
#include "ui/common/FileListBox.h"
#include "ui/common/InProgress.h"
#include "ui/common/MessageProvider.h"
#include "ui/common/PickFolder.h"
#include "ui/common/Twips.h"
#include "ui/main/Application.h"
#include "ui/main/MainFrm.h"
#include "ui/main/PreviewBox.h"

#include <QCheckBox>
#include <QCloseEvent>
#include <QComboBox>
#include <QCoreApplication>
#include <QDir>
#include <QFrame>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QRegularExpression>
#include <QSlider>
#include <QStackedLayout>
#include <QVBoxLayout>

namespace {

QString advancedShownCaption() {
    return QCoreApplication::translate("FastWork", "<= 普通选项");
}
QString advancedHiddenCaption() {
    return QCoreApplication::translate("FastWork", "高级选项 =>");
}

QGroupBox* makeFrame(const QString& name, const QString& caption, QWidget* parent) {
    auto* frame = new QGroupBox(caption, parent);
    frame->setObjectName(name);
    return frame;
}

template <typename Widget> Widget* named(Widget* widget, const QString& name) {
    widget->setObjectName(name);
    return widget;
}

} // namespace

FastWork::FastWork(Application& app, QWidget* parent) : QDialog(parent), m_app(app) {
    setObjectName(QStringLiteral("FastWork"));
    setWindowTitle(tr("快速处理向导"));
    setModal(false);
    buildControls();
    setDesignedStates();
    load();

    // Started in the wizard nobody hands a folder over: it opens where the user worked last.
    const QStringList& recent = m_app.state().RecentList;
    const bool recentExists = !recent.isEmpty() && !recent.first().isEmpty() && FileOps::folderExists(recent.first());
    openFolder(AddBackslash(recentExists ? recent.first() : QDir::homePath()));
}

void FastWork::buildControls() {
    Label6 = named(new QLabel(tr("以下操作将依顺序应用于本目录中的所有文件："), this), QStringLiteral("Label6"));
    TextFolder = named(new QLineEdit(this), QStringLiteral("TextFolder"));
    CmbBrowse = named(new QPushButton(tr("选择目录[&B]"), this), QStringLiteral("CmbBrowse"));
    CmbBrowse->setAutoDefault(false);

    Frame1 = makeFrame(QStringLiteral("Frame1"), QString(), this);

    Frame6 = makeFrame(QStringLiteral("Frame6"), tr("浏览文件"), Frame1);
    Combo2 = named(new QComboBox(Frame6), QStringLiteral("Combo2"));
    Combo2->addItems(
        {tr("所有支持的类型"), tr("文本文件 (*.txt)"), tr("网页文件 (*.htm;*.html)"), tr("所有文件(*.*)")});
    File1 = named(new FileListBox(Frame6), QStringLiteral("File1"));
    File1->setMinimumHeight(Twips::toPixels(1800));
    RichPreview = named(new PreviewBox(Frame6), QStringLiteral("RichPreview"));
    RichPreview->setMinimumSize(Twips::size(4200, 2400));
    auto* browseLayout = new QVBoxLayout(Frame6);
    browseLayout->addWidget(Combo2);
    browseLayout->addWidget(File1, 2);
    browseLayout->addWidget(RichPreview, 3);

    m_stageOptions = named(new QWidget(Frame1), QStringLiteral("StageOptions"));

    Frame3 = makeFrame(QStringLiteral("Frame3"), tr("1. 网页文件转换"), m_stageOptions);
    CheckHtml = named(new QCheckBox(tr("把html文件转换成文本文件"), Frame3), QStringLiteral("CheckHtml"));
    CheckClean = named(new QCheckBox(tr("然后清除网站广告（合并之前）"), Frame3), QStringLiteral("CheckClean"));
    CheckTypeset = named(new QCheckBox(tr("整理标点、引号和段落格式"), Frame3), QStringLiteral("CheckTypeset"));
    auto* htmlLayout = new QVBoxLayout(Frame3);
    htmlLayout->addWidget(CheckHtml);
    htmlLayout->addWidget(CheckClean);
    htmlLayout->addWidget(CheckTypeset);

    Frame5 = makeFrame(QStringLiteral("Frame5"), tr("2. 文件合并选项"), m_stageOptions);
    CheckMerge = named(new QCheckBox(tr("按顺序合并所有文本文件"), Frame5), QStringLiteral("CheckMerge"));
    Label3 = named(new QLabel(tr("合并后的新文件名："), Frame5), QStringLiteral("Label3"));
    TextNewName = named(new QLineEdit(Frame5), QStringLiteral("TextNewName"));
    Label4 = named(new QLabel(tr("加前缀："), Frame5), QStringLiteral("Label4"));
    ComboPrefix = named(new QComboBox(Frame5), QStringLiteral("ComboPrefix"));
    ComboPrefix->setEditable(true);
    // Enter in the prefix box must not add the typed text to the saved prefixes.
    ComboPrefix->setInsertPolicy(QComboBox::NoInsert);
    CheckEpub = named(new QCheckBox(tr("同时制作电子书 (EPUB)"), Frame5), QStringLiteral("CheckEpub"));
    auto* mergeLayout = new QGridLayout(Frame5);
    mergeLayout->addWidget(CheckMerge, 0, 0, 1, 2);
    mergeLayout->addWidget(Label3, 1, 0);
    mergeLayout->addWidget(TextNewName, 1, 1);
    mergeLayout->addWidget(Label4, 2, 0);
    mergeLayout->addWidget(ComboPrefix, 2, 1);
    mergeLayout->addWidget(CheckEpub, 3, 0, 1, 2);
    mergeLayout->setColumnStretch(1, 1);

    Frame4 = makeFrame(QStringLiteral("Frame4"), tr("3. 重排文章段落"), m_stageOptions);
    CheckPara = named(new QCheckBox(tr("自动重排段落"), Frame4), QStringLiteral("CheckPara"));
    CheckSpace = named(new QCheckBox(tr("去除多余的空格"), Frame4), QStringLiteral("CheckSpace"));
    auto* paraLayout = new QHBoxLayout(Frame4);
    paraLayout->addWidget(CheckPara);
    paraLayout->addWidget(CheckSpace);
    paraLayout->addStretch();

    Frame2 = makeFrame(QStringLiteral("Frame2"), tr("4. 内码和字符设定"), m_stageOptions);
    LabelCode = named(new QLabel(tr("内码设定"), Frame2), QStringLiteral("LabelCode"));
    ComboCode = named(new QComboBox(Frame2), QStringLiteral("ComboCode"));
    LabelChar = named(new QLabel(tr("字符半角/全角转换"), Frame2), QStringLiteral("LabelChar"));
    ComboChar = named(new QComboBox(Frame2), QStringLiteral("ComboChar"));
    auto* codeLayout = new QGridLayout(Frame2);
    codeLayout->addWidget(LabelCode, 0, 0);
    codeLayout->addWidget(ComboCode, 0, 1);
    codeLayout->addWidget(LabelChar, 1, 0);
    codeLayout->addWidget(ComboChar, 1, 1);
    codeLayout->setColumnStretch(1, 1);

    auto* stageLayout = new QVBoxLayout(m_stageOptions);
    stageLayout->setContentsMargins(0, 0, 0, 0);
    stageLayout->addWidget(Frame3);
    stageLayout->addWidget(Frame5);
    stageLayout->addWidget(Frame4);
    stageLayout->addWidget(Frame2);
    stageLayout->addStretch();

    FrameAdv = makeFrame(QStringLiteral("FrameAdv"), tr("高级选项"), Frame1);
    CheckDelH = named(new QCheckBox(tr("网页文件转换完成后删除源文件"), FrameAdv), QStringLiteral("CheckDelH"));
    CheckDelLink =
        named(new QCheckBox(tr("转换时删除除索引文件以外的链接文字"), FrameAdv), QStringLiteral("CheckDelLink"));
    CheckDelM = named(new QCheckBox(tr("文件合并后删除源文件"), FrameAdv), QStringLiteral("CheckDelM"));
    Label2 = named(new QLabel(tr("文件合并时对索引 Index 文件的处理"), FrameAdv), QStringLiteral("Label2"));
    ComboIndex = named(new QComboBox(FrameAdv), QStringLiteral("ComboIndex"));
    Labelauto = named(new QLabel(tr("段落重排时修改的程度："), FrameAdv), QStringLiteral("Labelauto"));
    Slider1 = named(new QSlider(Qt::Horizontal, FrameAdv), QStringLiteral("Slider1"));
    Slider1->setRange(0, ParaLevelCount - 1);
    Slider1->setPageStep(1);
    Slider1->setTickPosition(QSlider::TicksBelow);
    Slider1->setTickInterval(1);
    LabelGrade = named(new QLabel(FrameAdv), QStringLiteral("LabelGrade"));
    LabelGrade->setMinimumWidth(Twips::toPixels(900));
    LabelDetails = named(new QLabel(FrameAdv), QStringLiteral("LabelDetails"));
    LabelDetails->setWordWrap(true);
    LabelDetails->setAlignment(Qt::AlignLeft | Qt::AlignTop);
    // Room for the longest description, so that moving the slider never changes the layout.
    LabelDetails->setMinimumHeight(Twips::toPixels(1500));
    auto* levelRow = new QHBoxLayout;
    levelRow->addWidget(Slider1, 1);
    levelRow->addWidget(LabelGrade);
    auto* advancedLayout = new QVBoxLayout(FrameAdv);
    advancedLayout->addWidget(CheckDelH);
    advancedLayout->addWidget(CheckDelLink);
    advancedLayout->addWidget(CheckDelM);
    advancedLayout->addSpacing(Twips::toPixels(120));
    advancedLayout->addWidget(Label2);
    advancedLayout->addWidget(ComboIndex);
    advancedLayout->addSpacing(Twips::toPixels(120));
    advancedLayout->addWidget(Labelauto);
    advancedLayout->addLayout(levelRow);
    advancedLayout->addWidget(LabelDetails);
    advancedLayout->addStretch();

    // The advanced options cover the four stage frames while they are shown.
    auto* optionHolder = new QWidget(Frame1);
    optionHolder->setMinimumWidth(Twips::toPixels(5000));
    m_optionPages = new QStackedLayout(optionHolder);
    m_optionPages->addWidget(m_stageOptions);
    m_optionPages->addWidget(FrameAdv);

    auto* frameLayout = new QHBoxLayout(Frame1);
    frameLayout->addWidget(Frame6, 1);
    frameLayout->addWidget(optionHolder);

    Line1 = named(new QFrame(this), QStringLiteral("Line1"));
    Line1->setFrameShape(QFrame::HLine);
    Line1->setFrameShadow(QFrame::Sunken);

    CmdAdv = named(new QPushButton(advancedHiddenCaption(), this), QStringLiteral("CmdAdv"));
    CmdAdv->setAutoDefault(false);
    CmdOk = named(new QPushButton(tr("实行[&O]"), this), QStringLiteral("CmdOk"));
    CmdOk->setDefault(true);
    CmdCancel = named(new QPushButton(tr("关闭[&C]"), this), QStringLiteral("CmdCancel"));
    CmdCancel->setAutoDefault(false);

    auto* folderRow = new QHBoxLayout;
    folderRow->addWidget(TextFolder, 1);
    folderRow->addWidget(CmbBrowse);
    auto* buttonRow = new QHBoxLayout;
    buttonRow->addWidget(CmdAdv);
    buttonRow->addStretch();
    buttonRow->addWidget(CmdOk);
    buttonRow->addWidget(CmdCancel);
    auto* windowLayout = new QVBoxLayout(this);
    windowLayout->addWidget(Label6);
    windowLayout->addLayout(folderRow);
    // The controls scroll when the screen is too small for the window; the buttons stay in view.
    windowLayout->addWidget(new FitScrollArea(Frame1, this), 1);
    windowLayout->addWidget(Line1);
    windowLayout->addLayout(buttonRow);

    connect(CmbBrowse, &QPushButton::clicked, this, &FastWork::browseFolder);
    // The choice is the merge dialog's too, kept in the settings.
    connect(CheckEpub, &QCheckBox::toggled, this, [this](bool on) { m_app.state().Prefs.MergeEpub = on; });
    connect(TextFolder, &QLineEdit::textEdited, this, &FastWork::followTypedFolder);
    connect(Combo2, &QComboBox::currentIndexChanged, this, [this](int index) {
        const QString mask = typeMask(index);
        if (!mask.isEmpty())
            File1->setPattern(mask);
    });
    connect(File1, &QListWidget::itemClicked, this, [this](QListWidgetItem* item) { previewFile(File1->row(item)); });
    connect(ComboPrefix, &QComboBox::textActivated, this, &FastWork::applyPrefix);
    connect(ComboPrefix->lineEdit(), &QLineEdit::textEdited, this, &FastWork::applyPrefix);
    connect(Slider1, &QSlider::valueChanged, this, &FastWork::showLevel);
    connect(CmdAdv, &QPushButton::clicked, this, &FastWork::toggleAdvanced);
    connect(CmdOk, &QPushButton::clicked, this, &FastWork::run);
    connect(CmdCancel, &QPushButton::clicked, this, &FastWork::close);
    TextNewName->installEventFilter(this);
    TextFolder->installEventFilter(this);

    // The size is fixed once, with the larger of the two option pages, so that showing the
    // advanced options never resizes the window.
    setFixedSize(sizeWithinScreen(sizeHint().expandedTo(Twips::size(11400, 7200)), this));
}

void FastWork::setDesignedStates() {
    CheckHtml->setChecked(true);
    CheckTypeset->setChecked(false);
    CheckClean->setChecked(false);
    CheckMerge->setChecked(true);
    TextNewName->clear();
    ComboPrefix->setEditText(QString());
    CheckPara->setChecked(false);
    CheckSpace->setChecked(false);
    CheckDelH->setChecked(false);
    CheckDelLink->setChecked(true);
    CheckDelM->setChecked(true);
    m_optionPages->setCurrentWidget(m_stageOptions);
    CmdAdv->setText(advancedHiddenCaption());
    RichPreview->clearFile();
    m_baseName.clear();
}

void FastWork::load() {
    Combo2->setCurrentIndex(0);
    File1->setPattern(typeMask(0));

    ComboCode->clear();
    ComboCode->addItems({tr("无转换"), tr("简体中文 GB2312"), tr("繁体中文 BIG5")});
    ComboCode->setCurrentIndex(0);
    ComboChar->clear();
    ComboChar->addItems({tr("无转换"), tr("所有字符半角"), tr("所有字符全角")});
    ComboChar->setCurrentIndex(0);

    ComboIndex->clear();
    ComboIndex->addItems({tr("如果存在则首先合并"), tr("按照普通顺序合并"), tr("不合并该文件")});
    ComboIndex->setCurrentIndex(0);

    Slider1->setValue(m_app.state().Settings.ParaLevel);
    showLevel(Slider1->value());

    fillPrefixes();
}

void FastWork::fillPrefixes() {
    const QString typed = ComboPrefix->currentText();
    ComboPrefix->clear();
    for (const QString& prefix : m_app.state().PrefixList) {
        if (!prefix.isEmpty())
            ComboPrefix->addItem(prefix);
    }
    // Filling the list chooses nothing: the box keeps its text.
    ComboPrefix->setCurrentIndex(-1);
    ComboPrefix->setEditText(typed);
}

QString FastWork::typeMask(int index) {
    switch (index) {
    case 0:
        return QStringLiteral("*.txt;*.htm;*.html;*.rtf");
    case 1:
        return QStringLiteral("*.txt");
    case 2:
        return QStringLiteral("*.htm;*.html");
    case 3:
        return QStringLiteral("*.*");
    default:
        return QString();
    }
}

void FastWork::openFolder(const QString& folder) {
    // The same folder as at the last opening may hold other files by now.
    if (File1->path() == folder)
        File1->refresh();
    else
        File1->setPath(folder);
    TextFolder->setText(folder);
    CheckEpub->setChecked(m_app.state().Prefs.MergeEpub);
}

WizardOptions FastWork::options() const {
    WizardOptions options;
    options.folder = TextFolder->text();
    options.html = CheckHtml->isChecked();
    options.deleteHtml = CheckDelH->isChecked();
    options.typeset = CheckTypeset->isChecked();
    options.clean = CheckClean->isChecked();
    options.merge = CheckMerge->isChecked();
    options.deleteMerged = CheckDelM->isChecked();
    options.epub = CheckEpub->isChecked();
    options.newName = TextNewName->text();
    options.prefix = ComboPrefix->currentText();
    options.indexMode = ComboIndex->currentIndex();
    options.para = CheckPara->isChecked();
    options.space = CheckSpace->isChecked();
    options.code = ComboCode->currentIndex();
    options.width = ComboChar->currentIndex();
    return options;
}

void FastWork::run() {
    WizardOptions request = options();
    WizardRunner runner(m_app.jobEnv());
    const QString refusal = runner.prepare(request);
    if (request.merge)
        TextNewName->setText(request.newName);
    if (!refusal.isEmpty()) {
        refusalFocus(refusal, request);
        return;
    }

    m_app.inProgress()->beginBatch(this);
    runner.run(request);

    const QString mask = typeMask(Combo2->currentIndex());
    if (!mask.isEmpty())
        File1->setPattern(mask);
    File1->refresh();
    // The file on show may have been rewritten or deleted by the run.
    if (!RichPreview->fileName().isEmpty() && !RichPreview->loadFile(RichPreview->fileName()))
        RichPreview->clearFile();
}

void FastWork::refusalFocus(const QString& message, const WizardOptions& refused) {
    MessageProvider& messages = m_app.messages();
    if (message == WizardRunner::emptyNameMessage()) {
        messages.information(this, MessageProvider::appTitle(), message);
        TextNewName->setFocus();
        return;
    }
    messages.exclamation(this, MessageProvider::appTitle(), message);
    if (refused.folder.trimmed().isEmpty() || !FileOps::folderExists(refused.folder))
        TextFolder->setFocus();
    else
        TextNewName->setFocus();
}

void FastWork::openTypedFolder() {
    const QString folder = TextFolder->text().trimmed();
    if (folder.isEmpty() || !FileOps::folderExists(folder)) {
        m_app.messages().exclamation(this, MessageProvider::appTitle(),
                                     tr("文件夹“%1”不存在，请选择一个存在的文件夹。").arg(folder));
        return;
    }
    openFolder(AddBackslash(QDir(folder).absolutePath()));
}

// The file list follows the folder as it is typed: a folder that does not exist lists nothing.
void FastWork::followTypedFolder(const QString& text) {
    const QString folder = text.trimmed();
    RichPreview->clearFile();
    if (folder.isEmpty() || !FileOps::folderExists(folder)) {
        File1->setPath(QString());
        return;
    }
    File1->setPath(AddBackslash(QDir(folder).absolutePath()));
}

void FastWork::browseFolder() {
    AppState& state = m_app.state();
    // Started in the wizard, no folder was handed over: the picker starts at the wizard's folder.
    const QString start = state.DialogFolder.isEmpty() ? TextFolder->text() : state.DialogFolder;
    const QString folder = PickFolder(state, m_app.messages(), start, this);
    if (folder.isEmpty())
        return;
    openFolder(folder);
}

void FastWork::previewFile(int row) {
    if (row < 0 || row >= File1->count())
        return;
    FileError error;
    if (!RichPreview->loadFile(AddBackslash(File1->path()) + File1->item(row)->text(), &error)) {
        File1->refresh();
        m_app.messages().showError(this, error);
        return;
    }
    if (CheckMerge->isChecked())
        TextNewName->setText(suggestedName(RichPreview->toPlainText()));
    m_baseName = TextNewName->text();
}

QString FastWork::suggestedName(const QString& text) {
    qsizetype start = 0;
    while (start < 10 && start < text.size() && text[start] == u'\t')
        ++start;
    QString name = text.mid(start, 20);
    if (!name.isEmpty() && name.back().isHighSurrogate())
        name.chop(1);
    const qsizetype lineEnd = name.indexOf(QRegularExpression(QStringLiteral("[\\r\\n\\x{2028}\\x{2029}]")));
    if (lineEnd >= 0)
        name.truncate(lineEnd);
    name.removeIf([](QChar c) { return c == u'/' || c.category() == QChar::Other_Control; });
    return withoutSurroundingSpaces(name).toString();
}

void FastWork::applyPrefix(const QString& prefix) {
    TextNewName->setText(prefix + m_baseName);
}

void FastWork::showLevel(int position) {
    if (position < 0 || position >= ParaLevelCount)
        return;
    const ParaLevelText level = paraLevelFace(position);
    LabelGrade->setText(level.shortName);
    LabelDetails->setText(level.detail());
}

bool FastWork::advancedShown() const {
    return m_optionPages->currentWidget() == FrameAdv;
}

void FastWork::toggleAdvanced() {
    if (advancedShown()) {
        m_optionPages->setCurrentWidget(m_stageOptions);
        CmdAdv->setText(advancedHiddenCaption());
    } else {
        m_optionPages->setCurrentWidget(FrameAdv);
        CmdAdv->setText(advancedShownCaption());
    }
    RichPreview->setFocus();
}

bool FastWork::eventFilter(QObject* watched, QEvent* event) {
    if (watched == TextNewName && event->type() == QEvent::FocusOut)
        m_baseName = TextNewName->text();
    if (watched == TextFolder && event->type() == QEvent::KeyPress) {
        // Enter in the folder box opens the folder typed there; the run starts only from "实行[&O]".
        const int key = static_cast<QKeyEvent*>(event)->key();
        if (key == Qt::Key_Return || key == Qt::Key_Enter) {
            openTypedFolder();
            return true;
        }
    }
    return QDialog::eventFilter(watched, event);
}

void FastWork::showEvent(QShowEvent* event) {
    // Prefixes saved elsewhere (the merge dialog) while the wizard was hidden.
    if (!event->spontaneous())
        fillPrefixes();
    QDialog::showEvent(event);
}

void FastWork::reject() {
    close();
}

void FastWork::closeEvent(QCloseEvent* event) {
    // While a batch waits for its acknowledgement the wizard is disabled and stays open.
    if (event->spontaneous() && !isEnabled()) {
        event->ignore();
        return;
    }
    event->accept();
    unload();
}

void FastWork::unload() {
    AppState& state = m_app.state();
    MainFrm* main = m_app.mainFrm();
    if (state.Settings.StartMode != 0) {
        if (!main) {
            m_app.shutdown();
            return;
        }
        // The program ends with its main window, even one that was never shown. The main window
        // takes the wizard's folder first, so that the shutdown keeps it as the most recent folder,
        // which the next start in the wizard opens.
        const QString folder = TextFolder->text();
        if (!folder.trimmed().isEmpty() && FileOps::folderExists(folder))
            main->openFolder(folder);
        main->close();
        return;
    }
    setDesignedStates();
    load();
    if (!main)
        return;
    main->setEnabled(true);
    main->show();
    if (!state.DialogFolder.isEmpty() && FileOps::folderExists(state.DialogFolder))
        main->openFolder(state.DialogFolder);
    main->refresh();
    main->raise();
    main->activateWindow();
}
