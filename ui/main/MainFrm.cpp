#include "MainFrm.h"

#include "Application.h"
#include "Contact.h"
#include "FileListView.h"
#include "FolderSelection.h"
#include "PreviewBox.h"
#include "core/AppState.h"
#include "core/ChapterOrder.h"
#include "core/PathHelpers.h"
#include "core/Version.h"
#include "platform/FileOps.h"
#include "runner/CheckRunner.h"
#include "ui/common/Browsing.h"
#include "ui/common/DriveList.h"
#include "ui/common/DroppedFiles.h"
#include "ui/common/FileListBox.h"
#include "ui/common/FolderList.h"
#include "ui/common/Icons.h"
#include "ui/common/InProgress.h"
#include "ui/common/MessageProvider.h"
#include "ui/common/OwnedWindow.h"
#include "ui/common/Twips.h"
#include "ui/dialogs/AboutFrm.h"
#include "ui/dialogs/HelpFrm.h"
#include "ui/dialogs/PreviewChangeFrm.h"
#include "ui/dialogs/UndoLastBatch.h"

#include <QButtonGroup>
#include <QCloseEvent>
#include <QComboBox>
#include <QDesktopServices>
#include <QDir>
#include <QDragEnterEvent>
#include <QDropEvent>
#include <QFileInfo>
#include <QFileSystemWatcher>
#include <QGroupBox>
#include <QLabel>
#include <QLayout>
#include <QLineEdit>
#include <QMenuBar>
#include <QRadioButton>
#include <QSplitter>
#include <QTextBlock>
#include <QTimer>
#include <QToolBar>
#include <QUrl>

#include <functional>

namespace {

// The top band (toolbar) is designed 600 twips high; the controls below it are placed in the
// central widget, whose top is the band's bottom.
constexpr int BandHeight = 600;
constexpr int Frame2Width = 2655;
constexpr int FramesTop = 600 - BandHeight;
constexpr int FramesHeight = 3015;
constexpr int Rich1Top = 3720 - BandHeight;
// The file list keeps at least this many rows when the window first shows it.
constexpr int ListRows = 8;
// The window's designed inside size, until the settings give it its own.
constexpr int DesignedWidth = 11115;
constexpr int DesignedHeight = 8205;

const QString TypePatterns[3] = {QStringLiteral("*.txt"), QStringLiteral("*.htm; *.html"), QStringLiteral("*.*")};
const char* const TypeCaptions[3] = {QT_TRANSLATE_NOOP("MainFrm", "文本文件 (*.txt)"),
                                     QT_TRANSLATE_NOOP("MainFrm", "网页文件 (*.htm)"),
                                     QT_TRANSLATE_NOOP("MainFrm", "所有文件 (*.*)")};

QString escapeMnemonic(QString text) {
    return text.replace(u'&', QLatin1String("&&"));
}

// The first split of the splitter's `height` between the browsing controls and the preview: the
// controls keep their designed `top` and take half of what the splitter has beyond its designed
// height, the preview the rest.
QList<int> firstShares(int height, int designedHeight, int top, int previewMinimum) {
    const int shared = top + std::max(0, height - designedHeight) / 2;
    return {shared, std::max(height - shared, previewMinimum)};
}

} // namespace

MainFrm::MainFrm(Application& app) : QMainWindow(nullptr), m_app(app) {
    setObjectName(QStringLiteral("MainFrm"));
    setWindowIcon(Icons::program());
    setMinimumSize(Twips::size(6400, 4800));
    setAcceptDrops(true);
    m_watcher = new QFileSystemWatcher(this);
    m_diskTimer = new QTimer(this);
    m_diskTimer->setSingleShot(true);
    // Not restarted by further changes, so that a folder that keeps changing is still followed.
    m_diskTimer->setInterval(300);
    connect(m_watcher, &QFileSystemWatcher::directoryChanged, this, [this] {
        if (!m_diskTimer->isActive())
            m_diskTimer->start();
    });
    connect(m_diskTimer, &QTimer::timeout, this, &MainFrm::followDiskChanges);
    buildControls();
    buildMenus();
    buildToolbar();
    load();
}

void MainFrm::buildControls() {
    m_central = new QWidget(this);
    m_central->setObjectName(QStringLiteral("MainFrmClient"));
    setCentralWidget(m_central);
    m_central->installEventFilter(this);

    // The browsing controls above and the preview below share the window's height through a splitter
    // whose position the user sets and the program remembers.
    Splitter1 = new QSplitter(Qt::Vertical, m_central);
    Splitter1->setObjectName(QStringLiteral("Splitter1"));
    Splitter1->setChildrenCollapsible(false);
    m_top = new QWidget(Splitter1);
    m_top->setObjectName(QStringLiteral("MainFrmTop"));
    m_top->setMinimumHeight(Twips::toPixels(2400));
    m_top->installEventFilter(this);

    Frame1 = new QGroupBox(tr("选择需要处理的文件"), m_top);
    Frame1->setObjectName(QStringLiteral("Frame1"));

    Drive1 = new DriveList(Frame1);
    Drive1->setObjectName(QStringLiteral("Drive1"));
    Dir1 = new FolderList(Frame1);
    Dir1->setObjectName(QStringLiteral("Dir1"));

    FileList = new FileListView(Frame1);
    FileList->setObjectName(QStringLiteral("FileList"));
    FileList->setColumnWidth(FileListView::NameColumn, Twips::toPixels(2880));
    FileList->setColumnWidth(FileListView::TypeColumn, Twips::toPixels(900));
    FileList->setColumnWidth(FileListView::SizeColumn, Twips::toPixels(900));

    File1 = new FileListBox(Frame1);
    File1->setObjectName(QStringLiteral("File1"));
    File1->hide();

    Frame2 = new QGroupBox(tr("选择文件类型"), m_top);
    Frame2->setObjectName(QStringLiteral("Frame2"));
    auto* typeGroup = new QButtonGroup(this);
    const int typeTops[3] = {480, 960, 1440};
    const int typeWidths[3] = {1935, 1935, 1815};
    for (int i = 0; i < 3; ++i) {
        TypeOpt[i] = new QRadioButton(tr(TypeCaptions[i]), Frame2);
        TypeOpt[i]->setObjectName(QStringLiteral("TypeOpt") + QString::number(i));
        // Wider than designed so that the caption fits whatever the font.
        TypeOpt[i]->setGeometry(Twips::rect(360, typeTops[i], std::max(typeWidths[i], 2175), 255));
        typeGroup->addButton(TypeOpt[i], i);
        connect(TypeOpt[i], &QRadioButton::clicked, this, [this, i] { chooseType(i); });
    }
    TypeOpt[0]->setChecked(true);

    ImageLink = new QLabel(Frame2);
    ImageLink->setObjectName(QStringLiteral("ImageLink"));
    ImageLink->setPixmap(Icons::banner());
    ImageLink->setToolTip(tr("访问网站"));
    ImageLink->setCursor(Qt::PointingHandCursor);
    ImageLink->setGeometry(Twips::toPixels(360), Twips::toPixels(1875), 88, 31);
    ImageLink->installEventFilter(this);

    LabelLink = new QLabel(Contact::webAddressShown(), Frame2);
    LabelLink->setObjectName(QStringLiteral("LabelLink"));
    LabelLink->setToolTip(tr("访问网站"));
    LabelLink->setCursor(Qt::PointingHandCursor);
    QPalette linkPalette = LabelLink->palette();
    linkPalette.setColor(QPalette::WindowText, QColor(0, 0, 255));
    LabelLink->setPalette(linkPalette);
    LabelLink->setGeometry(Twips::rect(360, 2510, 2175, 255));
    LabelLink->installEventFilter(this);

    Rich1 = new PreviewBox(Splitter1);
    Rich1->setObjectName(QStringLiteral("Rich1"));
    Rich1->setMinimumHeight(Twips::toPixels(900));
    Splitter1->addWidget(m_top);
    Splitter1->addWidget(Rich1);
    // A taller window shares its height between the file list and the preview.
    Splitter1->setStretchFactor(0, 1);
    Splitter1->setStretchFactor(1, 1);
    FileList->fitSizeColumn();

    connect(Drive1, &DriveList::driveChanged, this,
            [this] { Browsing::followDriveChange(*Drive1, *Dir1, m_app.messages(), this); });
    connect(Dir1, &FolderList::pathChanged, this, [this](const QString& path) { File1->setPath(path); });
    connect(Dir1, &FolderList::openFailed, this,
            [this](const FileError& error) { m_app.messages().showError(this, error); });
    connect(File1, &FileListBox::pathChange, this, &MainFrm::RebuildFileList);
    // The preview belongs to the folder it was opened in.
    connect(File1, &FileListBox::pathChange, Rich1, &PreviewBox::clearFile);
    connect(FileList, &FileListView::columnClicked, this, &MainFrm::sortByColumn);
    connect(FileList, &FileListView::entryClicked, this, &MainFrm::previewEntry);
    // Selections made without a click on an entry (Shift+arrows, a dragged rubber band) update the
    // commands as well.
    connect(FileList, &FileListView::selectionChanged, this, &MainFrm::SetEnables);

    // The designed size, until the settings give the window its own.
    resize(Twips::size(DesignedWidth, DesignedHeight));
}

QAction* MainFrm::addSeparator(QMenu* menu, const QString& name) {
    QAction* separator = menu->addSeparator();
    separator->setObjectName(name);
    return separator;
}

void MainFrm::buildMenus() {
    auto makeMenu = [this](QMenu* parent, const QString& name, const QString& caption) {
        QMenu* menu = parent ? parent->addMenu(caption) : menuBar()->addMenu(caption);
        menu->setObjectName(name);
        menu->menuAction()->setObjectName(name);
        return menu;
    };
    auto makeAction = [this](QMenu* menu, const QString& name, const QString& caption,
                             const QKeySequence& shortcut = {}) {
        QAction* action = menu->addAction(caption);
        action->setObjectName(name);
        action->setParent(this);
        if (!shortcut.isEmpty())
            action->setShortcut(shortcut);
        return action;
    };

    menu_file = makeMenu(nullptr, QStringLiteral("menu_file"), tr("文件 [&F]"));
    menu_selectall = makeAction(menu_file, QStringLiteral("menu_selectall"), tr("选择全部文件 [&A]"),
                                QKeySequence(Qt::CTRL | Qt::Key_A));
    menu_showdatail = makeAction(menu_file, QStringLiteral("menu_showdatail"), tr("显示详细信息 [&D]"));
    menu_showlist = makeAction(menu_file, QStringLiteral("menu_showlist"), tr("显示图标列表 [&I]"));
    menu_hyphen02 = addSeparator(menu_file, QStringLiteral("menu_hyphen02"));
    menu_refresh = makeAction(menu_file, QStringLiteral("menu_refresh"), tr("刷新 [&R]"), QKeySequence(Qt::Key_F5));
    menu_option = makeAction(menu_file, QStringLiteral("menu_option"), tr("选项 [&O]"));
    menu_hyphen03 = addSeparator(menu_file, QStringLiteral("menu_hyphen03"));
    menu_folder = makeMenu(menu_file, QStringLiteral("menu_folder"), tr("最近的文档目录 [&U]"));
    menu_hyphen01 = addSeparator(menu_file, QStringLiteral("menu_hyphen01"));
    menu_quit = makeAction(menu_file, QStringLiteral("menu_quit"), tr("退出 [&X]"), QKeySequence(Qt::CTRL | Qt::Key_Q));

    menu_convert = makeMenu(nullptr, QStringLiteral("menu_convert"), tr("转换 [&E]"));
    menu_code = makeMenu(menu_convert, QStringLiteral("menu_code"), tr("内码转换 [&C]"));
    menu_big2gb[0] = makeAction(menu_code, QStringLiteral("menu_big2gb0"), tr("GB2312码 (简体中文)"),
                                QKeySequence(Qt::CTRL | Qt::Key_J));
    menu_big2gb[1] = makeAction(menu_code, QStringLiteral("menu_big2gb1"), tr("Big5码 (繁体中文)"),
                                QKeySequence(Qt::CTRL | Qt::Key_F));
    menu_char[0] = makeAction(menu_convert, QStringLiteral("menu_char0"), tr("全角字符 -> 半角字符 [&H]"));
    menu_char[1] = makeAction(menu_convert, QStringLiteral("menu_char1"), tr("半角字符 -> 全角字符 [&F]"));
    menu_typeset = makeAction(menu_convert, QStringLiteral("menu_typeset"), tr("标点与排版整理 [&P]"));
    menu_clean = makeAction(menu_convert, QStringLiteral("menu_clean"), tr("清除网站广告 [&A]"));
    menu_hyphen04 = addSeparator(menu_convert, QStringLiteral("menu_hyphen04"));
    menu_html = makeAction(menu_convert, QStringLiteral("menu_html"), tr("网页文件转换 [&T]"),
                           QKeySequence(Qt::CTRL | Qt::Key_T));
    menu_preview = makeAction(menu_convert, QStringLiteral("menu_preview"), tr("预览更改[&V]"));

    menu_tools = makeMenu(nullptr, QStringLiteral("menu_tools"), tr("工具 [&T]"));
    menu_autopara = makeAction(menu_tools, QStringLiteral("menu_autopara"), tr("自动分段 [&P]"));
    menu_delspace = makeAction(menu_tools, QStringLiteral("menu_delspace"), tr("自动去除空格 [&S]"));
    menu_replace = makeAction(menu_tools, QStringLiteral("menu_replace"), tr("替换去除字符 [&L]"));
    menu_hyphen05 = addSeparator(menu_tools, QStringLiteral("menu_hyphen05"));
    menu_merge = makeAction(menu_tools, QStringLiteral("menu_merge"), tr("合并文件... [&M]"), QKeySequence(Qt::Key_F6));
    menu_rename =
        makeAction(menu_tools, QStringLiteral("menu_rename"), tr("系列文件更名... [&R]"), QKeySequence(Qt::Key_F7));
    menu_fastwork =
        makeAction(menu_tools, QStringLiteral("menu_fastwork"), tr("快速处理向导... [&W]"), QKeySequence(Qt::Key_F8));
    menu_backup = makeAction(menu_tools, QStringLiteral("menu_backup"), tr("备份与恢复[&B]…"));
    // Ctrl+Z: a text field with the focus keeps it for its own undo (it takes the standard key first).
    menu_undobatch = makeAction(menu_tools, QStringLiteral("menu_undobatch"), tr("撤销上一批[&Z]"),
                                QKeySequence(Qt::CTRL | Qt::Key_Z));
    menu_epub = makeAction(menu_tools, QStringLiteral("menu_epub"), tr("制作电子书[&E]…"));
    menu_checkbook = makeAction(menu_tools, QStringLiteral("menu_checkbook"), tr("检查章节[&K]…"));

    menu_help = makeMenu(nullptr, QStringLiteral("menu_help"), tr("帮助 [&H]"));
    menu_helpcontent =
        makeAction(menu_help, QStringLiteral("menu_helpcontent"), tr("羽墨工坊帮助 [&C]"), QKeySequence(Qt::Key_F1));
    menu_hyphen07 = addSeparator(menu_help, QStringLiteral("menu_hyphen07"));
    menu_writer = makeAction(menu_help, QStringLiteral("menu_writer"), tr("联系作者... [&E]"));
    menu_website = makeAction(menu_help, QStringLiteral("menu_website"), tr("访问网站... [&W]"));
    menu_hyphen08 = addSeparator(menu_help, QStringLiteral("menu_hyphen08"));
    menu_about = makeAction(menu_help, QStringLiteral("menu_about"), tr("关于QuillMar 羽墨工坊... [&A]"));

    connect(menu_selectall, &QAction::triggered, this, &MainFrm::selectAll);
    connect(menu_showdatail, &QAction::triggered, this, [this] { FileList->setReportView(true); });
    connect(menu_showlist, &QAction::triggered, this, [this] { FileList->setReportView(false); });
    connect(menu_refresh, &QAction::triggered, this, &MainFrm::refresh);
    connect(menu_option, &QAction::triggered, this, &MainFrm::openOptions);
    connect(menu_quit, &QAction::triggered, this, &QWidget::close);
    for (int i = 0; i < 2; ++i) {
        connect(menu_big2gb[i], &QAction::triggered, this, [this, i] { runBatch(BatchCommand::CodePage, i); });
        connect(menu_char[i], &QAction::triggered, this, [this, i] { runBatch(BatchCommand::Width, i); });
    }
    connect(menu_typeset, &QAction::triggered, this, [this] { runBatch(BatchCommand::Typeset); });
    connect(menu_html, &QAction::triggered, this, [this] { runBatch(BatchCommand::WebPageToText); });
    connect(menu_clean, &QAction::triggered, this, [this] { runBatch(BatchCommand::Clean); });
    connect(menu_autopara, &QAction::triggered, this, [this] { runBatch(BatchCommand::Reflow); });
    connect(menu_delspace, &QAction::triggered, this, [this] { runBatch(BatchCommand::RemoveSpaces); });
    connect(menu_replace, &QAction::triggered, this, &MainFrm::openReplace);
    connect(menu_merge, &QAction::triggered, this, &MainFrm::openMerge);
    connect(menu_rename, &QAction::triggered, this, &MainFrm::openRename);
    connect(menu_fastwork, &QAction::triggered, this, &MainFrm::openWizard);
    connect(menu_backup, &QAction::triggered, this, &MainFrm::openBackups);
    connect(menu_epub, &QAction::triggered, this, &MainFrm::openEpub);
    connect(menu_checkbook, &QAction::triggered, this, &MainFrm::checkBooks);
    connect(menu_undobatch, &QAction::triggered, this, [this] { undoLastBatch(m_app, this); });
    connect(menu_preview, &QAction::triggered, this, &MainFrm::openPreview);
    connect(menu_writer, &QAction::triggered, this, &MainFrm::openMail);
    connect(menu_website, &QAction::triggered, this, &MainFrm::openWebsite);
    connect(menu_about, &QAction::triggered, this, &MainFrm::openAbout);
    connect(menu_helpcontent, &QAction::triggered, this, &MainFrm::openHelp);
}

void MainFrm::buildToolbar() {
    Toolbar1 = new QToolBar(this);
    Toolbar1->setObjectName(QStringLiteral("Toolbar1"));
    Toolbar1->setMovable(false);
    Toolbar1->setFloatable(false);
    Toolbar1->setContextMenuPolicy(Qt::PreventContextMenu);
    Toolbar1->setIconSize(QSize(32, 32));
    Toolbar1->setToolButtonStyle(Qt::ToolButtonIconOnly);
    addToolBar(Qt::TopToolBarArea, Toolbar1);

    struct Button {
        const char* key;
        const char* tooltip;
        std::function<void()> run;
    };
    const Button buttons[] = {
        {"gb", QT_TR_NOOP("转换文件编码为简体中文 (GB2312)"),
         [this] {
             runBatch(BatchCommand::CodePage, 0);
         }},
        {"big", QT_TR_NOOP("转换文件编码为繁体中文 (BIG5)"),
         [this] {
             runBatch(BatchCommand::CodePage, 1);
         }},
        {"autopara", QT_TR_NOOP("智能分段"),
         [this] {
             runBatch(BatchCommand::Reflow);
         }},
        {"space", QT_TR_NOOP("去除多余的空格"),
         [this] {
             runBatch(BatchCommand::RemoveSpaces);
         }},
        {"rename", QT_TR_NOOP("系列重命名"),
         [this] {
             openRename();
         }},
        {"merge", QT_TR_NOOP("合并文件"),
         [this] {
             openMerge();
         }},
        {"fast", QT_TR_NOOP("快速处理向导"),
         [this] {
             openWizard();
         }},
        {"html", QT_TR_NOOP("网页文件转换"),
         [this] {
             runBatch(BatchCommand::WebPageToText);
         }},
        {"option", QT_TR_NOOP("选项设定"),
         [this] {
             openOptions();
         }},
        {"about", QT_TR_NOOP("关于Quillmar羽墨工坊"),
         [this] {
             openAbout();
         }},
    };
    for (const Button& button : buttons) {
        const QString key = QString::fromLatin1(button.key);
        QAction* action = Toolbar1->addAction(Icons::toolbarButton(key), QString());
        action->setObjectName(key);
        action->setToolTip(tr(button.tooltip));
        connect(action, &QAction::triggered, this, button.run);
        m_buttons.insert(key, action);
    }
}

void MainFrm::buildRecentMenu() {
    const QStringList& recent = m_app.state().RecentList;
    auto addItem = [this](int k, const QString& caption, const QString& folder) {
        QAction* action = menu_folder->addAction(caption);
        action->setObjectName(QStringLiteral("menu_recent") + QString::number(k));
        action->setData(folder);
        connect(action, &QAction::triggered, this, [this, k] { openRecent(k); });
        menu_recent.append(action);
    };
    addItem(0, QStringLiteral("[&1]"), QString());
    for (int k = 1; k < recent.size(); ++k) {
        if (recent[k].isEmpty())
            break;
        addItem(k, u'&' + QString::number(k + 1) + u' ' + escapeMnemonic(recent[k]), recent[k]);
    }
    if (recent.isEmpty() || recent[0].isEmpty()) {
        menu_folder->menuAction()->setEnabled(false);
        return;
    }
    menu_recent[0]->setText(QStringLiteral("&1 ") + escapeMnemonic(recent[0]));
    menu_recent[0]->setData(recent[0]);
}

void MainFrm::load() {
    FileError lastError;
    File1->setPattern(TypePatterns[0]);
    setWindowTitle(tr("QuillMar 羽墨工坊 ") + QString::number(Version::Major) + u'.' + QString::number(Version::Minor));

    buildRecentMenu();
    bool opened = false;
    const QStringList& recent = m_app.state().RecentList;
    if (!recent.isEmpty() && !recent[0].isEmpty() && FileOps::folderExists(recent[0])) {
        FileError error;
        opened = Browsing::openFolder(*Drive1, *Dir1, recent[0], &error);
        if (!opened)
            lastError = error;
    }
    if (!opened) {
        FileError error;
        if (!Browsing::openFolder(*Drive1, *Dir1, QDir::currentPath(), &error))
            lastError = error;
    }
    RebuildFileList();
    layoutControls();

    if (lastError.isSet())
        m_app.messages().showError(this, lastError);
}

bool MainFrm::openFolder(const QString& folder) {
    return Browsing::openFolder(*Drive1, *Dir1, folder);
}

void MainFrm::RebuildFileList() {
    AppState& state = m_app.state();
    state.CurrentFolder = AddBackslash(Dir1->path());
    FileList->clear(state.CurrentFolder);
    watchFolder(state.CurrentFolder);

    // Until a header is clicked the list counts as sorted by name, in reading order.
    QStringList names = File1->fileNames();
    ChapterOrder::sort(names);
    if (!names.isEmpty()) {
        for (const QString& name : names) {
            const int icon = Icons::fileTypeNumber(name);
            const QString type = icon == 1 ? tr("文本文档") : icon == 2 ? tr("网页文件") : GetExtension(name);
            const qint64 bytes = QFileInfo(state.CurrentFolder + name).size();
            FileList->addEntry(name, icon, type, bytes);
        }
    } else {
        FileList->addPlaceholder(tr("找不到符合的文件"));
    }
    if (m_sorted)
        FileList->sort(m_sortColumn, m_sortOrder);
    SetEnables();
}

void MainFrm::SetEnables() {
    enum State { None, Text, Web, All };
    State state = None;
    for (int row = 0; row < FileList->count(); ++row) {
        if (FileList->isSelected(row) && !FileList->isPlaceholder(row)) {
            state = TypeOpt[0]->isChecked() ? Text : TypeOpt[1]->isChecked() ? Web : All;
            break;
        }
    }
    const bool textCommands = state == Text || state == All;
    const bool webCommand = state == Web || state == All;

    menu_code->menuAction()->setEnabled(textCommands);
    for (QAction* action : menu_big2gb)
        action->setEnabled(textCommands);
    for (QAction* action : menu_char)
        action->setEnabled(textCommands);
    menu_typeset->setEnabled(textCommands);
    menu_html->setEnabled(webCommand);
    menu_autopara->setEnabled(textCommands);
    menu_delspace->setEnabled(textCommands);
    menu_clean->setEnabled(textCommands);
    menu_replace->setEnabled(state != None);
    menu_epub->setEnabled(textCommands);
    menu_checkbook->setEnabled(textCommands);
    m_buttons.value(QStringLiteral("gb"))->setEnabled(textCommands);
    m_buttons.value(QStringLiteral("big"))->setEnabled(textCommands);
    m_buttons.value(QStringLiteral("html"))->setEnabled(webCommand);
    m_buttons.value(QStringLiteral("autopara"))->setEnabled(textCommands);
    m_buttons.value(QStringLiteral("space"))->setEnabled(textCommands);
}

void MainFrm::chooseType(int index) {
    TypeOpt[index]->setChecked(true);
    File1->setPattern(TypePatterns[index]);
    RebuildFileList();
    SetEnables();
}

void MainFrm::sortByColumn(int column) {
    if (m_sortColumn == column) {
        m_sortOrder = m_sortOrder == Qt::AscendingOrder ? Qt::DescendingOrder : Qt::AscendingOrder;
    } else {
        m_sortColumn = column;
        m_sortOrder = Qt::AscendingOrder;
    }
    m_sorted = true;
    FileList->sort(m_sortColumn, m_sortOrder);
}

bool MainFrm::loadPreview(const QString& path) {
    FileError error;
    if (Rich1->loadFile(path, &error))
        return true;
    // The list is read again (the file may have gone); the reason shows where the text would.
    refresh();
    Rich1->showProblem(path, error);
    return false;
}

void MainFrm::reloadPreviewQuietly() {
    if (Rich1->fileName().isEmpty())
        return;
    // A file that has gone since it was shown simply leaves the preview empty.
    if (!Rich1->loadFile(Rich1->fileName()))
        Rich1->clearFile();
}

void MainFrm::previewEntry(int row) {
    if (row < 0 || row >= FileList->count())
        return;
    if (!FileList->isPlaceholder(row) && !loadPreview(m_app.state().CurrentFolder + FileList->text(row)))
        return;
    SetEnables();
    Rich1->setFocus();
}

void MainFrm::selectAll() {
    bool any = false;
    for (int row = 0; row < FileList->count(); ++row) {
        if (!FileList->isPlaceholder(row)) {
            FileList->setSelected(row, true);
            any = true;
        }
    }
    FileList->setFocus();
    if (any && loadPreview(m_app.state().CurrentFolder + FileList->text(0)))
        SetEnables();
}

void MainFrm::refresh() {
    Drive1->refresh();
    Dir1->refresh();
    Drive1->setDriveFor(Dir1->path());
    File1->refresh();
    RebuildFileList();
    reloadPreviewQuietly();
}

void MainFrm::openRecent(int k) {
    if (k < 0 || k >= menu_recent.size())
        return;
    const QString folder = menu_recent[k]->data().toString();
    if (!folder.isEmpty() && FileOps::folderExists(folder))
        openFolder(folder);
}

bool MainFrm::openPaths(const QStringList& paths) {
    const FolderSelection selection = FolderSelection::fromPaths(paths);
    if (selection.folder.isEmpty())
        return false;
    if (selection.typeIndex >= 0) {
        TypeOpt[selection.typeIndex]->setChecked(true);
        File1->setPattern(TypePatterns[selection.typeIndex]);
    }
    if (!openFolder(selection.folder))
        return false;
    // The folder may have been open already: it is read again, as it is on disk now.
    File1->refresh();
    RebuildFileList();
    selectNames(selection.names);
    const QList<int> rows = FileList->selectedRows();
    if (!rows.isEmpty()) {
        FileList->showRow(rows.first());
        if (Rich1->loadFile(m_app.state().CurrentFolder + FileList->text(rows.first())))
            SetEnables();
    }
    return true;
}

void MainFrm::selectNames(const QStringList& names) {
    for (int row = 0; row < FileList->count(); ++row) {
        if (!FileList->isPlaceholder(row))
            FileList->setSelected(row, names.contains(FileList->text(row)));
    }
}

void MainFrm::watchFolder(const QString& folder) {
    const QString path = QDir::cleanPath(folder);
    if (m_watcher->directories() == QStringList{path})
        return;
    if (!m_watcher->directories().isEmpty())
        m_watcher->removePaths(m_watcher->directories());
    m_watcher->addPath(path);
}

void MainFrm::followDiskChanges() {
    if (!isEnabled()) {
        m_diskChangePending = true;
        return;
    }
    m_diskChangePending = false;
    QStringList selected;
    for (int row : FileList->selectedRows()) {
        if (!FileList->isPlaceholder(row))
            selected.append(FileList->text(row));
    }
    const int scrolled = FileList->scrollPosition();
    // A folder that is gone gives way to its nearest parent (the list follows by itself then).
    const QString before = Dir1->path();
    Dir1->refresh();
    if (Dir1->path() == before) {
        File1->refresh();
        RebuildFileList();
    }
    selectNames(selected);
    FileList->setScrollPosition(scrolled);
}

void MainFrm::changeEvent(QEvent* event) {
    QMainWindow::changeEvent(event);
    if (event->type() == QEvent::EnabledChange && isEnabled() && m_diskChangePending)
        m_diskTimer->start();
}

void MainFrm::dragEnterEvent(QDragEnterEvent* event) {
    if (DroppedFiles::carriesLocalPaths(event->mimeData())) {
        event->setDropAction(Qt::CopyAction);
        event->accept();
    }
}

void MainFrm::dropEvent(QDropEvent* event) {
    const QStringList paths = DroppedFiles::localPaths(event->mimeData());
    if (paths.isEmpty())
        return;
    event->setDropAction(Qt::CopyAction);
    event->accept();
    openPaths(paths);
}

QList<FileEntry> MainFrm::fileEntries() const {
    QList<FileEntry> entries;
    for (int row = 0; row < FileList->count(); ++row) {
        if (!FileList->isPlaceholder(row))
            entries.append(FileEntry{FileList->text(row), FileList->isSelected(row)});
    }
    return entries;
}

QStringList MainFrm::selectedNames() const {
    QStringList names;
    for (int row : FileList->selectedRows()) {
        if (!FileList->isPlaceholder(row))
            names.append(FileList->text(row));
    }
    if (names.isEmpty())
        names.append(QString());
    return names;
}

void MainFrm::runBatch(BatchCommand command, int direction) {
    InProgress* progress = m_app.inProgress();
    if (!progress)
        return;
    BatchRequest request;
    request.command = command;
    request.direction = direction;
    request.entries = fileEntries();
    request.folder = m_app.state().CurrentFolder;

    progress->beginBatch(this);
    BatchRunner(m_app.jobEnv()).run(request);
    if (BatchRunner::isInPlace(command))
        reloadPreviewQuietly();
}

QWidget* MainFrm::openTaskWindow(QWidget* window) {
    window->setAttribute(Qt::WA_DeleteOnClose);
    setEnabled(false);
    OwnedWindow::showOwned(window, this);
    return window;
}

void MainFrm::openMerge() {
    const TaskWindows::Factory& factory = m_app.taskWindows().merge;
    if (!factory)
        return;
    m_app.state().DialogFolder = m_app.state().CurrentFolder;
    if (QWidget* window = factory(m_app))
        openTaskWindow(window);
}

// A task window for the selected files of the current folder.
void MainFrm::openForSelection(const std::function<QWidget*(Application&)>& factory) {
    if (!factory)
        return;
    m_app.state().SelectedFiles = selectedNames();
    m_app.state().DialogFolder = m_app.state().CurrentFolder;
    if (QWidget* window = factory(m_app))
        openTaskWindow(window);
}

void MainFrm::openRename() {
    openForSelection(m_app.taskWindows().rename);
}

void MainFrm::openReplace() {
    const TaskWindows::Factory& factory = m_app.taskWindows().replace;
    if (!factory)
        return;
    m_app.state().SelectedFiles = selectedNames();
    m_app.state().DialogFolder = m_app.state().CurrentFolder;
    QWidget* window = factory(m_app);
    if (!window)
        return;
    openTaskWindow(window);
    m_app.state().ProgressOwner = this;
    prefillSearchText(window);
}

void MainFrm::prefillSearchText(QWidget* dialog) {
    QString text;
    QTextCursor cursor = Rich1->textCursor();
    if (cursor.hasSelection()) {
        text = cursor.selectedText();
        text.replace(QChar::ParagraphSeparator, u'\n');
    } else if (cursor.position() > 1) {
        QTextCursor next(cursor);
        next.movePosition(QTextCursor::NextCharacter, QTextCursor::KeepAnchor);
        const QString character = next.selectedText();
        // A blank or the end of a line puts nothing into the search box.
        QString trimmed = character;
        trimmed.remove(u' ');
        trimmed.remove(QChar::ParagraphSeparator);
        if (!trimmed.isEmpty())
            text = character;
    }
    if (text.isEmpty())
        return;
    const QString name = QStringLiteral("ComboSource");
    if (auto* combo = dialog->findChild<QComboBox*>(name)) {
        if (combo->isEditable())
            combo->setEditText(text);
        else
            combo->setCurrentText(text);
    } else if (auto* line = dialog->findChild<QLineEdit*>(name)) {
        line->setText(text);
    }
}

void MainFrm::openWizard() {
    QWidget* wizard = m_app.fastWork();
    if (!wizard)
        return;
    setEnabled(false);
    m_app.state().DialogFolder = m_app.state().CurrentFolder;
    if (m_app.taskWindows().wizardOpenFolder)
        m_app.taskWindows().wizardOpenFolder(wizard, m_app.state().CurrentFolder);
    OwnedWindow::showOwned(wizard, this);
}

void MainFrm::openOptions() {
    const TaskWindows::Factory& factory = m_app.taskWindows().options;
    if (!factory)
        return;
    if (QWidget* window = factory(m_app))
        openTaskWindow(window);
}

void MainFrm::openBackups() {
    const TaskWindows::Factory& factory = m_app.taskWindows().backups;
    if (!factory)
        return;
    if (QWidget* window = factory(m_app))
        openTaskWindow(window);
}

void MainFrm::openEpub() {
    openForSelection(m_app.taskWindows().epub);
}

void MainFrm::checkBooks() {
    InProgress* progress = m_app.inProgress();
    if (!progress)
        return;
    QStringList names = selectedNames();
    names.removeAll(QString());
    progress->beginBatch(this);
    CheckRunner::checkFiles(m_app.jobEnv(), m_app.state().CurrentFolder, names);
    m_app.jobEnv().sink.complete();
}

void MainFrm::openPreview() {
    const QString path = Rich1->fileName();
    if (path.isEmpty()) {
        m_app.messages().information(this, tr("预览更改"), tr("请先点击要预览的文件。"));
        return;
    }
    openTaskWindow(new PreviewChangeFrm(m_app, path));
}

void MainFrm::openAbout() {
    AboutFrm about(this);
    about.exec();
}

void MainFrm::openWebsite() {
    openExternal(QUrl(Contact::webAddress()), tr("网站"));
}

void MainFrm::openMail() {
    openExternal(QUrl(QStringLiteral("mailto:") + Contact::mailAddress()), tr("邮件程序"));
}

void MainFrm::openHelp() {
    if (!m_help)
        m_help = new HelpFrm(this);
    m_help->show();
    m_help->raise();
    m_help->activateWindow();
}

void MainFrm::openExternal(const QUrl& url, const QString& what) {
    if (m_openUrl ? m_openUrl(url) : QDesktopServices::openUrl(url))
        return;
    const QString address = url.scheme() == QLatin1String("mailto") ? url.path() : url.toString();
    m_app.messages().information(this, MessageProvider::appTitle(),
                                 tr("无法打开%1：这台电脑没有设置默认的网页浏览器或邮件程序。\n"
                                    "请自行打开：%2")
                                     .arg(what, address));
}

void MainFrm::layoutControls() {
    if (isMinimized())
        return;
    const int sw = Twips::fromPixels(m_central->width());
    const int sh = Twips::fromPixels(m_central->height()) + BandHeight;
    Splitter1->setGeometry(Twips::rect(0, FramesTop, sw - 60, sh - BandHeight - FramesTop - 120));
    // Placed once the window is laid out: before, the central widget is a few pixels high, and the
    // splitter keeps the proportions set then through every later resize.
    const int laidOut = m_top->minimumHeight() + Rich1->minimumHeight() + Splitter1->handleWidth();
    if (!m_splitterPlaced && Splitter1->height() >= laidOut) {
        m_splitterPlaced = true;
        if (!Splitter1->restoreState(m_splitterState)) {
            // The designed share, or more where the list would show fewer than ListRows rows.
            const int listHeight = FileList->reportHeightForRows(ListRows);
            const int top = std::max(Twips::toPixels(Rich1Top - FramesTop),
                                     listHeight + Twips::toPixels(240 + 120 + Rich1Top - FramesTop - FramesHeight));
            // The menu bar and the toolbar take the same height in the designed window.
            const int designedHeight = Twips::toPixels(DesignedHeight) - (height() - m_central->height()) -
                                       (m_central->height() - Splitter1->height());
            Splitter1->setSizes(firstShares(Splitter1->height(), designedHeight, top, Rich1->minimumHeight()));
        }
    }
}

void MainFrm::layoutTop() {
    const int sw = Twips::fromPixels(m_top->width()) + 60;
    const int framesHeight = Twips::fromPixels(m_top->height()) - (Rich1Top - FramesTop - FramesHeight);

    const int frame1Width = sw - 200 - Frame2Width;
    Frame1->setGeometry(Twips::rect(0, 0, frame1Width, framesHeight));
    Frame2->setGeometry(Twips::rect(frame1Width + 120, 0, Frame2Width, framesHeight));

    const int driveWidth = int(0.3 * frame1Width);
    Drive1->setGeometry(Twips::rect(120, 240, driveWidth, 315));
    Dir1->setGeometry(Twips::rect(120, 705, driveWidth, framesHeight - 705 - 195));
    const int listLeft = 120 + driveWidth + 80;
    const int listWidth = frame1Width - 240 - driveWidth - 80;
    FileList->setGeometry(Twips::rect(listLeft, 240, listWidth, framesHeight - 240 - 120));
    if (listWidth - 2200 > 1800) {
        const int others = FileList->columnWidth(FileListView::TypeColumn) +
                           FileList->columnWidth(FileListView::SizeColumn) - Twips::toPixels(1800);
        FileList->setColumnWidth(FileListView::NameColumn, Twips::toPixels(listWidth - 2200) - std::max(0, others));
    }
}

QByteArray MainFrm::splitterState() const {
    // A window never laid out (hidden while the wizard ran) keeps the position it was given.
    return m_splitterPlaced ? Splitter1->saveState() : m_splitterState;
}

void MainFrm::setSplitterState(const QByteArray& state) {
    m_splitterState = state;
    m_splitterPlaced = false;
    // A window not shown yet lays out its bars and its central part at the size it was given, so
    // that the splitter is placed at its real height (and the settings read it so from the start).
    if (!isVisible() && layout())
        layout()->setGeometry(rect());
    layoutControls();
}

bool MainFrm::eventFilter(QObject* watched, QEvent* event) {
    if (watched == m_central && event->type() == QEvent::Resize) {
        layoutControls();
    } else if (watched == m_top && event->type() == QEvent::Resize) {
        layoutTop();
    } else if ((watched == ImageLink || watched == LabelLink) && event->type() == QEvent::MouseButtonRelease) {
        openWebsite();
        return true;
    }
    return QMainWindow::eventFilter(watched, event);
}

void MainFrm::closeEvent(QCloseEvent* event) {
    // A running batch is offered to be stopped: it stops at its next safe point, ends its journal,
    // and the window closes then. Answered No, the batch and the window go on.
    InProgress* progress = m_app.inProgress();
    if (progress && progress->isRunning()) {
        event->ignore();
        if (progress->stopRequested() ||
            m_app.messages().askYesNo(progress, MessageProvider::appTitle(), tr("正在处理文件。要停止这批处理吗？"))) {
            progress->requestStop();
            closeWhenBatchEnds(progress);
        }
        return;
    }
    // A disabled window (a dialog is up, or a batch's rows wait to be read) cannot be closed from its
    // close box.
    if (event->spontaneous() && !isEnabled()) {
        event->ignore();
        return;
    }
    event->accept();
    emit unloading();
}

void MainFrm::closeWhenBatchEnds(InProgress* progress) {
    if (m_closeWhenBatchEnds)
        return;
    m_closeWhenBatchEnds = true;
    // Queued: the batch's runner finishes its own work before the shutdown begins.
    connect(progress, &InProgress::batchEnded, this, &QWidget::close,
            Qt::ConnectionType(Qt::QueuedConnection | Qt::SingleShotConnection));
}
