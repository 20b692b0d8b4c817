#include "FrmOption.h"

#include "NumberText.h"
#include "PhraseEditFrm.h"
#include "core/AppState.h"
#include "core/PathHelpers.h"
#include "core/Settings.h"
#include "engine/Backups.h"
#include "engine/CleanupRules.h"
#include "engine/ParaLevels.h"
#include "engine/SpaceTrim.h"
#include "platform/ChineseConverter.h"
#include "platform/FileOps.h"
#include "platform/TextReader.h"
#include "ui/common/Icons.h"
#include "ui/common/MessageProvider.h"
#include "ui/common/PickFolder.h"
#include "ui/main/Application.h"
#include "ui/main/MainFrm.h"
#include "runner/CleanupSetup.h"

#include <QCheckBox>
#include <QComboBox>
#include <QDir>
#include <QFileInfo>
#include <QFocusEvent>
#include <QFrame>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QSlider>
#include <QTabBar>
#include <QVBoxLayout>

#include <algorithm>

namespace {

constexpr int RecentLimit = 20;
constexpr int PrefixLimit = 100;

QLabel* makeLabel(const QString& name, const QString& caption, QWidget* parent) {
    auto* label = new QLabel(caption, parent);
    label->setObjectName(name);
    return label;
}

QPushButton* makeButton(const QString& name, const QString& caption, QWidget* parent) {
    auto* button = new QPushButton(caption, parent);
    button->setObjectName(name);
    button->setAutoDefault(false);
    return button;
}

QComboBox* makeCountBox(const QString& name, const QStringList& items, QWidget* parent) {
    auto* box = new QComboBox(parent);
    box->setObjectName(name);
    box->setEditable(true);
    box->setInsertPolicy(QComboBox::NoInsert);
    box->addItems(items);
    return box;
}

} // namespace

FrmOption::FrmOption(Application& app, QWidget* parent)
    : QDialog(parent, Qt::Dialog | Qt::CustomizeWindowHint | Qt::WindowTitleHint), m_app(app) {
    setObjectName(QStringLiteral("FrmOption"));
    setWindowTitle(tr("选项"));
    setModal(false);
    buildControls();

    connect(TabStrip1, &QTabBar::currentChanged, this, [this](int index) { switchTab(index + 1); });
    connect(ChkBackup, &QCheckBox::toggled, FrameBackup, &QWidget::setVisible);
    connect(SliderTime, &QSlider::valueChanged, this, [this](int position) {
        const QString text = backupTimeText(position);
        if (!text.isEmpty())
            LblTime->setText(text);
    });
    // Once the user has set the slider, the keyboard goes back to the tabs.
    connect(SliderTime, &QSlider::sliderReleased, TabStrip1, qOverload<>(&QWidget::setFocus));
    connect(SliderTime, &QSlider::actionTriggered, this, [this](int action) {
        if (action != QAbstractSlider::SliderMove)
            TabStrip1->setFocus();
    });
    connect(Slider1, &QSlider::valueChanged, this, &FrmOption::showLevel);
    connect(CmdSelectFolder, &QPushButton::clicked, this, &FrmOption::pickFolder);
    connect(CmdClearBackup, &QPushButton::clicked, this, &FrmOption::clearBackups);
    connect(CmdDefault, &QPushButton::clicked, this, &FrmOption::restoreDefaults);
    connect(CmdOk, &QPushButton::clicked, this, [this] {
        store();
        // A phrase file that cannot be written keeps the dialog open with the edited text.
        if (writePhrases())
            accept();
    });
    connect(CmdCancel, &QPushButton::clicked, this, &QDialog::reject);

    load();
}

QString FrmOption::backupTimeText(int position) {
    static const char* const texts[] = {QT_TR_NOOP("一日"),   QT_TR_NOOP("三日"),   QT_TR_NOOP("一星期"),
                                        QT_TR_NOOP("一个月"), QT_TR_NOOP("三个月"), QT_TR_NOOP("六个月"),
                                        QT_TR_NOOP("一年")};
    if (position < 1 || position > 7)
        return QString();
    return tr(texts[position - 1]);
}

QString FrmOption::usedSpaceText(qint64 bytes) {
    return NumberText::grouped(bytes / 1024) + QStringLiteral(" KB");
}

void FrmOption::buildControls() {
    TabStrip1 = new QTabBar(this);
    TabStrip1->setObjectName(QStringLiteral("TabStrip1"));
    TabStrip1->setExpanding(false);
    TabStrip1->setDrawBase(true);
    const char* keys[PageCount] = {"general", "backup", "autopara", "others", "typeset"};
    const char* captions[PageCount] = {QT_TR_NOOP("通常"), QT_TR_NOOP("备份"), QT_TR_NOOP("自动分段"),
                                       QT_TR_NOOP("其他"), QT_TR_NOOP("排版")};
    for (int i = 0; i < PageCount; ++i) {
        TabStrip1->addTab(tr(captions[i]));
        TabStrip1->setTabData(i, QString::fromLatin1(keys[i]));
    }

    Tabholder[1] = buildGeneralPage();
    Tabholder[2] = buildBackupPage();
    Tabholder[3] = buildParagraphPage();
    Tabholder[4] = buildOthersPage();
    Tabholder[5] = buildTypesetPage();

    CmdOk = new QPushButton(tr("确定"), this);
    CmdOk->setObjectName(QStringLiteral("CmdOk"));
    CmdOk->setDefault(true);
    CmdCancel = makeButton(QStringLiteral("CmdCancel"), tr("取消"), this);
    CmdHelp = makeButton(QStringLiteral("CmdHelp"), tr("帮助"), this);
    CmdHelp->setEnabled(false);

    // The pages share one place; only the chosen one is visible.
    auto* pages = new QGridLayout;
    for (int i = 1; i <= PageCount; ++i) {
        Tabholder[i]->setObjectName(QStringLiteral("Tabholder") + QString::number(i));
        pages->addWidget(Tabholder[i], 0, 0);
        Tabholder[i]->setVisible(i == 1);
    }
    auto* pageFrame = new QFrame(this);
    pageFrame->setFrameShape(QFrame::StyledPanel);
    pageFrame->setLayout(pages);

    auto* buttons = new QHBoxLayout;
    buttons->addStretch();
    buttons->addWidget(CmdOk);
    buttons->addWidget(CmdCancel);
    buttons->addWidget(CmdHelp);

    auto* layout = new QVBoxLayout(this);
    layout->setSpacing(0);
    layout->addWidget(TabStrip1);
    layout->addWidget(pageFrame, 1);
    layout->addSpacing(10);
    layout->addLayout(buttons);

    // Every page at the size of the largest one, so that the window keeps its size across tabs.
    QSize largest;
    for (int i = 1; i <= PageCount; ++i)
        largest = largest.expandedTo(Tabholder[i]->sizeHint());
    for (int i = 1; i <= PageCount; ++i)
        Tabholder[i]->setMinimumSize(largest);
    setFixedSize(sizeHint().expandedTo(QSize(460, 0)));
}

QWidget* FrmOption::buildGeneralPage() {
    auto* page = new QWidget(this);
    Frame2 = new QGroupBox(tr("启动设定"), page);
    Frame2->setObjectName(QStringLiteral("Frame2"));
    OptStart[0] = new QRadioButton(tr("启动后进入主界面"), Frame2);
    OptStart[1] = new QRadioButton(tr("启动后进入快速处理向导"), Frame2);
    auto* startLayout = new QVBoxLayout(Frame2);
    for (int i = 0; i < 2; ++i) {
        OptStart[i]->setObjectName(QStringLiteral("OptStart") + QString::number(i));
        startLayout->addWidget(OptStart[i]);
    }
    OptStart[0]->setChecked(true);
    OptStart[1]->setEnabled(false);

    Frame1 = new QGroupBox(tr("常规设定"), page);
    Frame1->setObjectName(QStringLiteral("Frame1"));
    ChkSaveStatus = new QCheckBox(tr("退出时保存各项设置 <推荐>"), Frame1);
    ChkSaveStatus->setObjectName(QStringLiteral("ChkSaveStatus"));
    ChkSaveStatus->setChecked(true);
    auto* generalLayout = new QVBoxLayout(Frame1);
    generalLayout->addWidget(ChkSaveStatus);

    CmdDefault = makeButton(QStringLiteral("CmdDefault"), tr("恢复缺省值"), page);

    auto* layout = new QVBoxLayout(page);
    layout->addWidget(Frame2);
    layout->addWidget(Frame1);
    auto* defaults = new QHBoxLayout;
    defaults->addStretch();
    defaults->addWidget(CmdDefault);
    layout->addLayout(defaults);
    layout->addStretch();
    return page;
}

QWidget* FrmOption::buildBackupPage() {
    auto* page = new QWidget(this);
    Frame3 = new QGroupBox(tr("文件备份设定"), page);
    Frame3->setObjectName(QStringLiteral("Frame3"));
    ChkBackup = new QCheckBox(tr("处理前备份源文件  <推荐>"), Frame3);
    ChkBackup->setObjectName(QStringLiteral("ChkBackup"));
    ChkBackup->setChecked(true);

    FrameBackup = new QFrame(Frame3);
    FrameBackup->setObjectName(QStringLiteral("FrameBackup"));
    Labelbackup6 = makeLabel(QStringLiteral("Labelbackup6"), tr("备份到以下文件夹："), FrameBackup);
    TextBackupfolder = new QLineEdit(FrameBackup);
    TextBackupfolder->setObjectName(QStringLiteral("TextBackupfolder"));
    CmdSelectFolder = makeButton(QStringLiteral("CmdSelectFolder"), tr("选择目录"), FrameBackup);
    Labelbackup1 = makeLabel(QStringLiteral("Labelbackup1"), tr("备份文件保留的时间："), FrameBackup);
    Labelbackup1->setEnabled(false);
    Labelbackup3 = makeLabel(QStringLiteral("Labelbackup3"), tr("短"), FrameBackup);
    SliderTime = new QSlider(Qt::Horizontal, FrameBackup);
    SliderTime->setObjectName(QStringLiteral("SliderTime"));
    SliderTime->setRange(1, 7);
    SliderTime->setPageStep(1);
    SliderTime->setTickPosition(QSlider::TicksBelow);
    SliderTime->setTickInterval(1);
    SliderTime->setValue(5);
    Labelbackup4 = makeLabel(QStringLiteral("Labelbackup4"), tr("长"), FrameBackup);
    LblTime = makeLabel(QStringLiteral("LblTime"), tr("三个月"), FrameBackup);
    LblTime->setEnabled(false);
    LblTime->setMinimumWidth(LblTime->fontMetrics().horizontalAdvance(tr("一个星期")));
    Labelbackup2 = makeLabel(QStringLiteral("Labelbackup2"), tr("现在备份文件已经使用的空间："), FrameBackup);
    LabelUsedSpace = makeLabel(QStringLiteral("LabelUsedSpace"), QString(), FrameBackup);
    CmdClearBackup = makeButton(QStringLiteral("CmdClearBackup"), tr("清除备份"), FrameBackup);

    auto* grid = new QGridLayout(FrameBackup);
    grid->setContentsMargins(0, 4, 0, 0);
    grid->addWidget(Labelbackup6, 0, 0, 1, 5);
    grid->addWidget(TextBackupfolder, 1, 0, 1, 4);
    grid->addWidget(CmdSelectFolder, 1, 4);
    grid->addWidget(Labelbackup1, 2, 0, 1, 5);
    grid->addWidget(Labelbackup3, 3, 0);
    grid->addWidget(SliderTime, 3, 1, 1, 2);
    grid->addWidget(Labelbackup4, 3, 3);
    grid->addWidget(LblTime, 3, 4);
    grid->addWidget(Labelbackup2, 4, 0, 1, 3);
    grid->addWidget(LabelUsedSpace, 4, 3);
    grid->addWidget(CmdClearBackup, 5, 4);
    grid->setColumnStretch(1, 1);
    grid->setColumnStretch(2, 1);

    auto* frameLayout = new QVBoxLayout(Frame3);
    frameLayout->addWidget(ChkBackup);
    frameLayout->addWidget(FrameBackup);
    frameLayout->addStretch();

    auto* layout = new QVBoxLayout(page);
    layout->addWidget(Frame3);
    return page;
}

QWidget* FrmOption::buildParagraphPage() {
    auto* page = new QWidget(this);
    Frame4 = new QGroupBox(tr("自动分段设定"), page);
    Frame4->setObjectName(QStringLiteral("Frame4"));
    Labelauto = makeLabel(QStringLiteral("Labelauto"), tr("重排时修改原有段落的程度："), Frame4);
    Slider1 = new QSlider(Qt::Horizontal, Frame4);
    Slider1->setObjectName(QStringLiteral("Slider1"));
    Slider1->setRange(0, ParaLevelCount - 1);
    Slider1->setPageStep(1);
    Slider1->setTickPosition(QSlider::TicksBelow);
    Slider1->setTickInterval(1);
    LabelGrade = makeLabel(QStringLiteral("LabelGrade"), QString(), Frame4);
    LabelDetails = makeLabel(QStringLiteral("LabelDetails"), QString(), Frame4);
    LabelDetails->setWordWrap(true);
    LabelDetails->setAlignment(Qt::AlignLeft | Qt::AlignTop);
    // Room for the longest description, so that changing the level does not resize the page.
    LabelDetails->setMinimumHeight(LabelDetails->fontMetrics().lineSpacing() * 4);

    auto* sliderRow = new QHBoxLayout;
    sliderRow->addWidget(Slider1, 1);
    sliderRow->addWidget(LabelGrade);
    auto* frameLayout = new QVBoxLayout(Frame4);
    frameLayout->addWidget(Labelauto);
    frameLayout->addLayout(sliderRow);
    frameLayout->addWidget(LabelDetails, 1);

    auto* layout = new QVBoxLayout(page);
    layout->addWidget(Frame4);
    return page;
}

QWidget* FrmOption::buildOthersPage() {
    auto* page = new QWidget(this);
    Label1 = makeLabel(QStringLiteral("Label1"), tr("显示最近访问文件夹的数量："), page);
    ComboRecent = makeCountBox(
        QStringLiteral("ComboRecent"),
        {QStringLiteral("4"), QStringLiteral("8"), QStringLiteral("10"), QStringLiteral("15"), QStringLiteral("20")},
        page);
    Labelothers1 = makeLabel(QStringLiteral("Labelothers1"), tr("自定义前缀的数量："), page);
    ComboPrefix = makeCountBox(QStringLiteral("ComboPrefix"),
                               {QStringLiteral("5"), QStringLiteral("10"), QStringLiteral("15"), QStringLiteral("20"),
                                QStringLiteral("30"), QStringLiteral("50")},
                               page);
    CheckDelLinks = new QCheckBox(tr("转换html文件时删除链接，但索引除外"), page);
    CheckDelLinks->setObjectName(QStringLiteral("CheckDelLinks"));
    CheckDelLinks->setChecked(true);
    CheckClassicHtml = new QCheckBox(tr("网页转换时按旧规则处理"), page);
    CheckClassicHtml->setObjectName(QStringLiteral("CheckClassicHtml"));
    ComboRecent->installEventFilter(this);
    ComboPrefix->installEventFilter(this);
    LabelLegacy = makeLabel(QStringLiteral("LabelLegacy"), tr("无法判断编码的文件按此读取："), page);
    ComboLegacy = new QComboBox(page);
    ComboLegacy->setObjectName(QStringLiteral("ComboLegacy"));
    ComboLegacy->addItems({tr("GB18030（简体）"), tr("Big5（繁体）")});
    // In the order of UnmappablePolicy.
    LabelUnmappable = makeLabel(QStringLiteral("LabelUnmappable"), tr("文件编码无法保存的字符："), page);
    ComboUnmappable = new QComboBox(page);
    ComboUnmappable->setObjectName(QStringLiteral("ComboUnmappable"));
    ComboUnmappable->addItems({tr("不处理该文件，保持原样 <推荐>"), tr("将该文件改存为 UTF-8"), tr("写为“?”")});
    LabelPhrases = makeLabel(QStringLiteral("LabelPhrases"), tr("简繁转换的自定义词组："), page);
    CmdPhrasesS2T = makeButton(QStringLiteral("CmdPhrasesS2T"), tr("简→繁…"), page);
    CmdPhrasesT2S = makeButton(QStringLiteral("CmdPhrasesT2S"), tr("繁→简…"), page);
    connect(CmdPhrasesS2T, &QPushButton::clicked, this, [this] { editPhrases(true); });
    connect(CmdPhrasesT2S, &QPushButton::clicked, this, [this] { editPhrases(false); });
    CmdCleanupRules = makeButton(QStringLiteral("CmdCleanupRules"), tr("清除规则…"), page);
    connect(CmdCleanupRules, &QPushButton::clicked, this, &FrmOption::editCleanupRules);
    auto* phrases = new QHBoxLayout;
    phrases->addWidget(LabelPhrases);
    phrases->addWidget(CmdPhrasesS2T);
    phrases->addWidget(CmdPhrasesT2S);
    phrases->addStretch();
    LabelCleanupRules = makeLabel(QStringLiteral("LabelCleanupRules"), tr("清除网站广告的规则："), page);
    auto* cleanupRules = new QHBoxLayout;
    cleanupRules->addWidget(LabelCleanupRules);
    cleanupRules->addWidget(CmdCleanupRules);
    cleanupRules->addStretch();

    auto* grid = new QGridLayout;
    grid->addWidget(Label1, 0, 0);
    grid->addWidget(ComboRecent, 0, 1);
    grid->addWidget(Labelothers1, 1, 0);
    grid->addWidget(ComboPrefix, 1, 1);
    grid->setColumnStretch(2, 1);

    auto* layout = new QVBoxLayout(page);
    layout->addLayout(grid);
    layout->addSpacing(8);
    layout->addWidget(CheckDelLinks);
    layout->addWidget(CheckClassicHtml);
    layout->addSpacing(8);
    layout->addWidget(LabelUnmappable);
    layout->addWidget(ComboUnmappable);
    layout->addSpacing(8);
    layout->addWidget(LabelLegacy);
    layout->addWidget(ComboLegacy);
    layout->addLayout(phrases);
    layout->addLayout(cleanupRules);
    layout->addStretch();
    return page;
}

namespace {

// The choices of the typeset boxes, in their order, by the names the preferences keep.
const QStringList QuoteChoices = {QStringLiteral("auto"), QStringLiteral("mainland"), QStringLiteral("taiwan"),
                                  QStringLiteral("keep")};
const QStringList IndentChoices = {QStringLiteral("2"), QStringLiteral("0"), QStringLiteral("keep")};
const QStringList BlankLineChoices = {QStringLiteral("keep"), QStringLiteral("none"), QStringLiteral("one")};

void showChoice(QComboBox* box, const QStringList& choices, const QString& value) {
    box->setCurrentIndex(std::max<int>(0, int(choices.indexOf(value))));
}

QString chosen(const QComboBox* box, const QStringList& choices) {
    return choices.value(box->currentIndex(), choices.first());
}

} // namespace

QWidget* FrmOption::buildTypesetPage() {
    auto* page = new QWidget(this);
    auto* typeset = new QGroupBox(tr("标点与排版整理"), page);
    typeset->setObjectName(QStringLiteral("FrameTypeset"));
    CheckTypesetPunctuation = new QCheckBox(tr("中文旁的半角标点改为全角标点"), typeset);
    CheckTypesetPunctuation->setObjectName(QStringLiteral("CheckTypesetPunctuation"));
    ComboQuotes = new QComboBox(typeset);
    ComboQuotes->setObjectName(QStringLiteral("ComboQuotes"));
    ComboQuotes->addItems(
        {tr("按文本（繁体用「」，简体用“”）"), tr("“” ‘’（大陆）"), tr("「」『』（台湾、香港）"), tr("保持不变")});
    ComboIndent = new QComboBox(typeset);
    ComboIndent->setObjectName(QStringLiteral("ComboIndent"));
    ComboIndent->addItems({tr("两个全角空格"), tr("不缩进"), tr("保持不变")});
    ComboBlankLines = new QComboBox(typeset);
    ComboBlankLines->setObjectName(QStringLiteral("ComboBlankLines"));
    ComboBlankLines->addItems({tr("保持不变"), tr("删除空行"), tr("段落之间空一行")});
    CheckLatinSpace = new QCheckBox(tr("在中文与英文字母之间加空格"), typeset);
    CheckLatinSpace->setObjectName(QStringLiteral("CheckLatinSpace"));

    auto* grid = new QGridLayout(typeset);
    grid->addWidget(CheckTypesetPunctuation, 0, 0, 1, 2);
    grid->addWidget(makeLabel(QStringLiteral("LabelQuotes"), tr("引号："), typeset), 1, 0);
    grid->addWidget(ComboQuotes, 1, 1);
    grid->addWidget(makeLabel(QStringLiteral("LabelIndent"), tr("段首缩进："), typeset), 2, 0);
    grid->addWidget(ComboIndent, 2, 1);
    grid->addWidget(makeLabel(QStringLiteral("LabelBlankLines"), tr("段间空行："), typeset), 3, 0);
    grid->addWidget(ComboBlankLines, 3, 1);
    grid->addWidget(CheckLatinSpace, 4, 0, 1, 2);
    grid->setColumnStretch(1, 1);

    auto* width = new QGroupBox(tr("字符转换"), page);
    width->setObjectName(QStringLiteral("FrameWidth"));
    CheckNarrowKeeps = new QCheckBox(tr("全角转半角时保留中文标点和段首全角空格"), width);
    CheckNarrowKeeps->setObjectName(QStringLiteral("CheckNarrowKeeps"));
    auto* widthLayout = new QVBoxLayout(width);
    widthLayout->addWidget(CheckNarrowKeeps);

    auto* layout = new QVBoxLayout(page);
    layout->addWidget(typeset);
    layout->addWidget(width);
    layout->addStretch();
    return page;
}

// The editor keeps its text here; the files are written when the options are accepted.
PhraseEditFrm* FrmOption::openEditor(const QString& path, const QString& title) {
    QString text = m_pendingPhrases.value(path);
    FileError error;
    if (!m_pendingPhrases.contains(path) && !PhraseEditFrm::initialText(path, text, &error)) {
        m_app.messages().showError(this, error);
        return nullptr;
    }
    auto* editor = new PhraseEditFrm(text, title, this);
    editor->setAttribute(Qt::WA_DeleteOnClose);
    connect(editor, &QDialog::accepted, this, [this, editor, path] { m_pendingPhrases[path] = editor->text(); });
    return editor;
}

void FrmOption::showTab(int tab) {
    TabStrip1->setCurrentIndex(tab - 1);
}

void FrmOption::editPhrases(bool toTraditional) {
    const auto direction = toTraditional ? ChineseConverter::ToTraditional : ChineseConverter::ToSimplified;
    const QString name = ChineseConverter::phraseFileName(direction);
    if (PhraseEditFrm* editor =
            openEditor(m_app.state().AppFolder + name, (toTraditional ? tr("简→繁词组 - ") : tr("繁→简词组 - ")) + name))
        editor->open();
}

// The rule file is written with its starting set first, so that the user edits the rules in force.
void FrmOption::editCleanupRules() {
    const QString path = CleanupSetup::ruleFilePath(m_app.state());
    FileError error;
    if (!CleanupRules::installStartingSet(path, &error)) {
        m_app.messages().showError(this, error);
        return;
    }
    PhraseEditFrm* editor = openEditor(path, tr("清除规则 - ") + CleanupRules::fileName());
    if (!editor)
        return;
    editor->setObjectName(QStringLiteral("CleanupRulesEditFrm"));
    editor->editOtherKind(tr("每行一条规则：“= 文字”整行删除，“- 文字”删去行中的这段文字，\n"
                             "“~ 文字”删除含有它的短行，“@ 词”删除含有网址和这个词的短行；以 # 开头的行是注释。"));
    editor->open();
}

bool FrmOption::writePhrases() {
    for (auto it = m_pendingPhrases.begin(); it != m_pendingPhrases.end();) {
        FileError error;
        if (!PhraseEditFrm::write(it.key(), it.value(), &error)) {
            m_app.messages().showError(this, error);
            return false;
        }
        it = m_pendingPhrases.erase(it);
    }
    return true;
}

void FrmOption::load() {
    m_optionsTab = 1;
    showSettings();
    Slider1->setValue(m_app.state().Settings.ParaLevel);
    showLevel(Slider1->value());
    measureBackups();
}

// The controls that follow the settings (also after restoring the defaults); the level slider and
// the used space are not among them.
void FrmOption::showSettings() {
    const AppState& state = m_app.state();
    const SettingsRec& settings = state.Settings;
    ChkSaveStatus->setChecked(settings.saveStatus());
    OptStart[settings.startWindow() == SettingsRec::StartWindow::Wizard ? 1 : 0]->setChecked(true);
    ChkBackup->setChecked(settings.backupOn());
    FrameBackup->setVisible(ChkBackup->isChecked());
    SliderTime->setValue(settings.BackupTime);
    LblTime->setText(backupTimeText(SliderTime->value()));
    TextBackupfolder->setText(state.BackupFolder);
    CheckDelLinks->setChecked(settings.delLinks());
    CheckClassicHtml->setChecked(state.Prefs.ClassicHtml);
    ComboUnmappable->setCurrentIndex(int(state.Prefs.Unmappable));
    CheckTypesetPunctuation->setChecked(state.Prefs.TypesetPunctuation);
    showChoice(ComboQuotes, QuoteChoices, state.Prefs.TypesetQuotes);
    showChoice(ComboIndent, IndentChoices, state.Prefs.TypesetIndent);
    showChoice(ComboBlankLines, BlankLineChoices, state.Prefs.TypesetBlankLines);
    CheckLatinSpace->setChecked(state.Prefs.TypesetLatinSpace);
    CheckNarrowKeeps->setChecked(state.Prefs.NarrowKeepsPunctuation);
    ComboPrefix->setEditText(QString::number(settings.PrefixMax + 1));
    ComboRecent->setEditText(QString::number(settings.RecentMax + 1));
    ComboLegacy->setCurrentIndex(state.Prefs.LegacyEncoding == TextEncoding::Big5 ? 1 : 0);
}

void FrmOption::showLevel(int level) {
    if (level < 0 || level >= ParaLevelCount)
        return;
    const ParaLevelText face = paraLevelFace(level);
    LabelGrade->setText(face.shortName);
    LabelDetails->setText(face.detail());
}

void FrmOption::measureBackups() {
    LabelUsedSpace->setText(usedSpaceText(FileOps::folderSize(m_app.state().BackupFolder)));
}

void FrmOption::switchTab(int index) {
    if (index < 1 || index > PageCount || index == m_optionsTab)
        return;
    Tabholder[index]->show();
    Tabholder[m_optionsTab]->hide();
    m_optionsTab = index;
}

void FrmOption::validateCount(QComboBox* box) {
    const SettingsRec& settings = m_app.state().Settings;
    const bool recent = box == ComboRecent;
    const int limit = recent ? RecentLimit : PrefixLimit;
    const std::optional<double> value = NumberText::read(box->currentText());
    if (value && *value > 0 && *value <= limit)
        return;
    box->setEditText(QString::number((recent ? settings.RecentMax : settings.PrefixMax) + 1));
}

void FrmOption::pickFolder() {
    const QString folder = PickFolder(m_app.state(), m_app.messages(), m_app.state().BackupFolder, this);
    if (!folder.isEmpty())
        TextBackupfolder->setText(folder);
}

void FrmOption::clearBackups() {
    AppState& state = m_app.state();
    MessageProvider& messages = m_app.messages();
    if (!messages.askOkCancel(this, MessageProvider::appTitle(), tr("确定要删除所有的备份文件吗？")))
        return;
    // Only the backups the program made go; whatever else the backup folder holds stays.
    FileError error;
    if (!ClearBackups(state.BackupFolder, error))
        messages.showError(this, error);
    measureBackups();
}

void FrmOption::restoreDefaults() {
    MessageProvider& messages = m_app.messages();
    if (!messages.askOkCancel(this, tr("Confirm Restore Default？"), tr("确定要把所有的设置恢复为默认值吗?")))
        return;
    FileError error;
    Settings::LoadDefaultSettings(m_app.state(), &error);
    if (error.isSet())
        messages.showError(this, error);
    TextReader::setDecodingRules({std::nullopt, m_app.state().Prefs.LegacyEncoding});
    showSettings();
}

void FrmOption::store() {
    AppState& state = m_app.state();
    SettingsRec& settings = state.Settings;
    if (!ChkSaveStatus->isChecked()) {
        settings.setSaveStatus(false);
        return;
    }
    // The code page of undecidable files applies to the files read from now on.
    state.Prefs.LegacyEncoding = ComboLegacy->currentIndex() == 1 ? TextEncoding::Big5 : TextEncoding::Gb18030;
    TextReader::setDecodingRules({std::nullopt, state.Prefs.LegacyEncoding});
    // A count confirmed with Enter has not left its box yet.
    validateCount(ComboRecent);
    validateCount(ComboPrefix);

    settings.setSaveStatus(true);
    settings.setStartWindow(OptStart[0]->isChecked() ? SettingsRec::StartWindow::Main
                                                     : SettingsRec::StartWindow::Wizard);
    if (ChkBackup->isChecked()) {
        settings.setBackupOn(true);
        settings.BackupTime = qint16(SliderTime->value());
        // An empty box names no folder: creating "" fails and the default folder is taken.
        const QString typed = withoutSurroundingSpaces(TextBackupfolder->text()).toString();
        const QString folder = typed.isEmpty() ? typed : AddBackslash(typed);
        FileError error;
        if (FileOps::folderExists(folder) || FileOps::createFolder(folder, &error)) {
            state.BackupFolder = folder;
        } else {
            m_app.messages().show(this, MessageProvider::Icon::Exclamation, MessageProvider::Buttons::Ok, tr("错误"),
                                  QStringLiteral("error: ") + QString::number(error.number) + u'\n' +
                                      error.description + u'\n');
            state.BackupFolder = state.defaultBackupFolder();
            if (!FileOps::folderExists(state.BackupFolder))
                FileOps::createFolder(state.BackupFolder);
        }
    } else {
        settings.setBackupOn(false);
    }
    settings.setDelLinks(CheckDelLinks->isChecked());
    state.Prefs.ClassicHtml = CheckClassicHtml->isChecked();
    state.Prefs.Unmappable = UnmappablePolicy(ComboUnmappable->currentIndex());
    state.Prefs.TypesetPunctuation = CheckTypesetPunctuation->isChecked();
    state.Prefs.TypesetQuotes = chosen(ComboQuotes, QuoteChoices);
    state.Prefs.TypesetIndent = chosen(ComboIndent, IndentChoices);
    state.Prefs.TypesetBlankLines = chosen(ComboBlankLines, BlankLineChoices);
    state.Prefs.TypesetLatinSpace = CheckLatinSpace->isChecked();
    state.Prefs.NarrowKeepsPunctuation = CheckNarrowKeeps->isChecked();
    // The boxes hold 0 < v <= limit now; v - 1 below 0.5 must not become a negative count.
    auto storedCount = [](const QComboBox* box) {
        const qint32 count = NumberText::toInt32(NumberText::read(box->currentText()).value_or(1) - 1).value_or(0);
        return qint16(std::max(count, 0));
    };
    settings.PrefixMax = storedCount(ComboPrefix);
    settings.RecentMax = storedCount(ComboRecent);
}

bool FrmOption::eventFilter(QObject* watched, QEvent* event) {
    if ((watched == ComboRecent || watched == ComboPrefix) && event->type() == QEvent::FocusOut) {
        const Qt::FocusReason reason = static_cast<QFocusEvent*>(event)->reason();
        // Opening the box's list or switching to another program is not leaving the box.
        if (reason != Qt::PopupFocusReason && reason != Qt::ActiveWindowFocusReason)
            validateCount(static_cast<QComboBox*>(watched));
    }
    return QDialog::eventFilter(watched, event);
}

void FrmOption::done(int result) {
    if (!m_unloaded) {
        m_unloaded = true;
        if (MainFrm* main = m_app.mainFrm())
            main->setEnabled(true);
    }
    QDialog::done(result);
}
