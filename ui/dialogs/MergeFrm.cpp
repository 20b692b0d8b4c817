#include "MergeFrm.h"

#include "core/AppState.h"
#include "core/ChapterOrder.h"
#include "core/PathHelpers.h"
#include "engine/SpaceTrim.h"
#include "engine/TransformReport.h"
#include "platform/FileName.h"
#include "platform/FileOps.h"
#include "platform/FolderListing.h"
#include "platform/TextReader.h"
#include "runner/EpubRunner.h"
#include "runner/MergeStep.h"
#include "ui/common/Browsing.h"
#include "ui/common/DriveList.h"
#include "ui/common/DroppedFiles.h"
#include "ui/common/FileListBox.h"
#include "ui/common/FitScrollArea.h"
#include "ui/common/FolderList.h"
#include "ui/common/Icons.h"
#include "ui/common/InProgress.h"
#include "ui/common/MessageProvider.h"
#include "ui/common/ScreenFit.h"
#include "ui/main/Application.h"
#include "ui/main/PreviewBox.h"

#include <QApplication>
#include <QCheckBox>
#include <QCloseEvent>
#include <QComboBox>
#include <QDir>
#include <QDrag>
#include <QDropEvent>
#include <QFileInfo>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QMimeData>
#include <QMouseEvent>
#include <QPushButton>
#include <QSignalBlocker>
#include <QVBoxLayout>
#include <algorithm>

namespace {

QString previewPlaceholder() {
    return QCoreApplication::translate("MergeFrm", "文件预览");
}
constexpr int TitleLength = 30;

// Kept from one opening of the dialog to the next, like the name it stands for: a prefix chosen
// right after reopening goes in front of the name last worked on.
QString& savedBaseName() {
    static QString name;
    return name;
}

QString trimSpaces(const QString& text) {
    return withoutSurroundingSpaces(text).toString();
}

QString withoutPrefix(const QString& name, const QString& prefix) {
    return !prefix.isEmpty() && name.startsWith(prefix) ? name.sliced(prefix.size()) : name;
}

// The title line's treatment: spaces off both ends, then the tabs at its start.
QString titleOf(const QString& line) {
    QStringView text = withoutSurroundingSpaces(line);
    while (!text.isEmpty() && text.front() == u'\t')
        text = text.sliced(1);
    return text.toString();
}

// The first `count` characters; a character outside the BMP counts as one and is never cut in two.
QString firstCharacters(const QString& text, int count) {
    qsizetype end = 0;
    for (int taken = 0; taken < count && end < text.size(); ++taken)
        end += text[end].isHighSurrogate() && end + 1 < text.size() && text[end + 1].isLowSurrogate() ? 2 : 1;
    return text.left(end);
}

// The first line of the file that is not empty after titleOf(); "" when there is none.
bool readTitleLine(const QString& path, QString& title, FileError& error) {
    TextReader reader;
    // The title is looked for where the preview shows the file: a large file is never read whole.
    reader.setHeadLimit(PreviewBox::HeadBytes);
    if (!reader.open(path)) {
        error = reader.error();
        return false;
    }
    title.clear();
    QString line;
    while (reader.readLine(line)) {
        title = titleOf(line);
        if (!title.isEmpty())
            return true;
    }
    error = reader.error();
    return !error.isSet();
}

QPushButton* makeButton(const QString& name, const QString& caption, QWidget* parent) {
    auto* button = new QPushButton(caption, parent);
    button->setObjectName(name);
    button->setAutoDefault(false);
    return button;
}

QLabel* makeLabel(const QString& name, const QString& caption, QWidget* parent) {
    auto* label = new QLabel(caption, parent);
    label->setObjectName(name);
    return label;
}

} // namespace

MergeFrm::MergeFrm(Application& app, QWidget* parent)
    : QDialog(parent, Qt::Dialog | Qt::WindowTitleHint | Qt::WindowCloseButtonHint | Qt::WindowMinimizeButtonHint),
      m_app(app), m_handBack(app, MainHandBack::Reread::DialogFolder) {
    setObjectName(QStringLiteral("MergeFrm"));
    setWindowTitle(tr("合并文件"));
    setWindowIcon(Icons::program());
    setModal(false);
    buildControls();

    AppState& state = m_app.state();
    connect(Drive1, &DriveList::driveChanged, this,
            [this] { Browsing::followDriveChange(*Drive1, *Dir1, m_app.messages(), this); });
    connect(Dir1, &FolderList::pathChanged, this, &MergeFrm::folderOpened);
    connect(Dir1, &FolderList::openFailed, this,
            [this](const FileError& error) { m_app.messages().showError(this, error); });
    if (!Browsing::openFolder(*Drive1, *Dir1, state.DialogFolder))
        Browsing::openFolder(*Drive1, *Dir1, QDir::homePath());
    fillPrefixes();

    connect(File1, &QListWidget::itemClicked, this, [this](QListWidgetItem* item) {
        if (item->isSelected())
            previewFile(m_mergeFolder + item->text(), true);
    });
    connect(File1, &QListWidget::itemDoubleClicked, this, &MergeFrm::add);
    connect(List1, &QListWidget::itemClicked, this, [this](QListWidgetItem* item) {
        if (item->isSelected())
            previewFile(item->text(), false);
    });
    connect(List1, &QListWidget::itemDoubleClicked, this, &MergeFrm::remove);
    connect(CmdAdd, &QPushButton::clicked, this, &MergeFrm::add);
    connect(CmdAddall, &QPushButton::clicked, this, &MergeFrm::addAll);
    connect(CmdRemove, &QPushButton::clicked, this, &MergeFrm::remove);
    connect(CmdRemoveAll, &QPushButton::clicked, this, &MergeFrm::removeAll);
    connect(CmdUp, &QPushButton::clicked, this, &MergeFrm::moveUp);
    connect(CmdDown, &QPushButton::clicked, this, &MergeFrm::moveDown);
    connect(ComboPrefix, &QComboBox::editTextChanged, this, &MergeFrm::prefixChosen);
    connect(ComboPrefix, &QComboBox::activated, this, &MergeFrm::prefixChosen);
    connect(CmdOK, &QPushButton::clicked, this, &MergeFrm::merge);
    connect(CmnCancel, &QPushButton::clicked, this, &QDialog::reject);
}

void MergeFrm::buildControls() {
    Label1 = makeLabel(QStringLiteral("Label1"), tr("从下面的列表中选择希望合并的文件"), this);
    Drive1 = new DriveList(this);
    Drive1->setObjectName(QStringLiteral("Drive1"));
    Dir1 = new FolderList(this);
    Dir1->setObjectName(QStringLiteral("Dir1"));
    File1 = new FileListBox(this);
    File1->setObjectName(QStringLiteral("File1"));
    File1->setPattern(QStringLiteral("*.txt"));
    File1->setSelectionMode(QAbstractItemView::ExtendedSelection);

    CmdAdd = makeButton(QStringLiteral("CmdAdd"), tr("添加[&A]"), this);
    CmdAddall = makeButton(QStringLiteral("CmdAddall"), tr("全部添加[&F]"), this);
    ChkSorted = new QCheckBox(tr("全部添加时自动排序"), this);
    ChkSorted->setObjectName(QStringLiteral("ChkSorted"));
    ChkSorted->setChecked(true);
    ChkEpub = new QCheckBox(tr("同时制作电子书 (EPUB)"), this);
    ChkEpub->setObjectName(QStringLiteral("ChkEpub"));
    ChkEpub->setChecked(m_app.state().Prefs.MergeEpub);
    // The choice is the wizard's too, kept in the settings.
    connect(ChkEpub, &QCheckBox::toggled, this, [this](bool on) { m_app.state().Prefs.MergeEpub = on; });

    Label2 = makeLabel(QStringLiteral("Label2"), tr("以下的文件将按照顺序被合并"), this);
    List1 = new QListWidget(this);
    List1->setObjectName(QStringLiteral("List1"));
    List1->setSelectionMode(QAbstractItemView::SingleSelection);
    CmdRemove = makeButton(QStringLiteral("CmdRemove"), tr("移除[&R]"), this);
    CmdRemoveAll = makeButton(QStringLiteral("CmdRemoveAll"), tr("全部移除[&L]"), this);
    CmdUp = makeButton(QStringLiteral("CmdUp"), tr("位置向上[&U]"), this);
    CmdDown = makeButton(QStringLiteral("CmdDown"), tr("位置向下[&D]"), this);

    TextPreview = new PreviewBox(this);
    TextPreview->setObjectName(QStringLiteral("TextPreview"));
    TextPreview->setPlainText(previewPlaceholder());

    Label5 = makeLabel(QStringLiteral("Label5"), tr("合并至以下的文件夹中："), this);
    TextDir = new QLineEdit(this);
    TextDir->setObjectName(QStringLiteral("TextDir"));
    Label4 = makeLabel(QStringLiteral("Label4"), tr("加前缀："), this);
    ComboPrefix = new QComboBox(this);
    ComboPrefix->setObjectName(QStringLiteral("ComboPrefix"));
    ComboPrefix->setEditable(true);
    ComboPrefix->setInsertPolicy(QComboBox::NoInsert);
    Label3 = makeLabel(QStringLiteral("Label3"), tr("请决定合并后的文件名："), this);
    TextFilename = new QLineEdit(this);
    TextFilename->setObjectName(QStringLiteral("TextFilename"));

    CmdOK = new QPushButton(tr("实行文件合并[&M]"), this);
    CmdOK->setObjectName(QStringLiteral("CmdOK"));
    CmdOK->setDefault(true);
    CmdOK->setEnabled(false);
    CmnCancel = makeButton(QStringLiteral("CmnCancel"), tr("取消[&C]"), this);

    // Drags start from mouse moves over the lists' viewports and end in drops on them.
    for (QListWidget* list : {static_cast<QListWidget*>(File1), List1}) {
        list->setDragDropMode(QAbstractItemView::NoDragDrop);
        list->setAcceptDrops(true);
        list->viewport()->setAcceptDrops(true);
        list->viewport()->installEventFilter(this);
    }
    TextDir->installEventFilter(this);
    TextFilename->installEventFilter(this);

    auto* browse = new QVBoxLayout;
    browse->addWidget(Label1);
    auto* folders = new QVBoxLayout;
    folders->addWidget(Drive1);
    folders->addWidget(Dir1, 1);
    auto* lists = new QHBoxLayout;
    lists->addLayout(folders, 1);
    lists->addWidget(File1, 1);
    browse->addLayout(lists, 1);

    auto* adding = new QVBoxLayout;
    adding->addStretch();
    adding->addWidget(CmdAdd);
    adding->addWidget(CmdAddall);
    adding->addWidget(ChkSorted);
    adding->addStretch();

    auto* order = new QVBoxLayout;
    order->addWidget(CmdRemove);
    order->addWidget(CmdRemoveAll);
    order->addSpacing(12);
    order->addWidget(CmdUp);
    order->addWidget(CmdDown);
    order->addStretch();
    auto* mergeList = new QVBoxLayout;
    mergeList->addWidget(Label2);
    auto* listAndButtons = new QHBoxLayout;
    listAndButtons->addWidget(List1, 1);
    listAndButtons->addLayout(order);
    mergeList->addLayout(listAndButtons, 1);

    auto* top = new QHBoxLayout;
    top->addLayout(browse, 5);
    top->addLayout(adding);
    top->addLayout(mergeList, 5);

    auto* target = new QVBoxLayout;
    target->addWidget(Label5);
    target->addWidget(TextDir);
    target->addWidget(Label4);
    target->addWidget(ComboPrefix);
    target->addWidget(Label3);
    target->addWidget(TextFilename);
    target->addWidget(ChkEpub);
    target->addStretch();
    auto* buttons = new QHBoxLayout;
    buttons->addStretch();
    buttons->addWidget(CmdOK);
    buttons->addWidget(CmnCancel);

    auto* bottom = new QHBoxLayout;
    bottom->addWidget(TextPreview, 3);
    bottom->addLayout(target, 2);

    // Everything but the buttons scrolls when the screen is too small for the window.
    auto* controls = new QWidget;
    auto* controlsLayout = new QVBoxLayout(controls);
    controlsLayout->setContentsMargins(0, 0, 0, 0);
    controlsLayout->addLayout(top, 3);
    controlsLayout->addLayout(bottom, 2);
    auto* layout = new QVBoxLayout(this);
    layout->addWidget(new FitScrollArea(controls, this), 1);
    layout->addLayout(buttons);
    resize(sizeWithinScreen(QSize(860, 620), this));
}

QString MergeFrm::baseName() {
    return savedBaseName();
}

QString MergeFrm::dragFormat() {
    return QStringLiteral("application/x-quillmar-merge-drag");
}

QMimeData* MergeFrm::dragData(const QString& sourceList) {
    auto* data = new QMimeData;
    data->setData(dragFormat(), sourceList.toUtf8());
    return data;
}

void MergeFrm::folderOpened(const QString& path) {
    File1->setPath(path);
    m_mergeFolder = AddBackslash(path);
    TextDir->setText(m_mergeFolder);
}

void MergeFrm::fillPrefixes() {
    const QSignalBlocker blocker(ComboPrefix);
    ComboPrefix->clear();
    for (const QString& prefix : m_app.state().PrefixList) {
        if (!prefix.isEmpty())
            ComboPrefix->addItem(prefix);
    }
    // Adding items must not choose one: the prefix box starts empty.
    ComboPrefix->setCurrentIndex(-1);
    ComboPrefix->setEditText(QString());
    m_prefix.clear();
}

// The name box shows the prefix followed by the name: whichever the user sets first, the other
// one is kept. The prefix shown before is taken off the name box's text, so a prefix typed
// character by character or chosen again replaces the one before instead of piling up.
void MergeFrm::prefixChosen() {
    savedBaseName() = withoutPrefix(trimSpaces(TextFilename->text()), m_prefix);
    m_prefix = ComboPrefix->currentText();
    TextFilename->setText(m_prefix + savedBaseName());
}

void MergeFrm::appendPath(const QString& path) {
    if (!List1->findItems(path, Qt::MatchExactly | Qt::MatchCaseSensitive).isEmpty())
        return;
    auto* item = new QListWidgetItem(path, List1);
    // Long paths are cut at the list's edge; the tip shows the whole one.
    item->setToolTip(path);
}

void MergeFrm::swapEntries(int a, int b) {
    QListWidgetItem* first = List1->item(a);
    QListWidgetItem* second = List1->item(b);
    const QString text = first->text();
    first->setText(second->text());
    first->setToolTip(second->text());
    second->setText(text);
    second->setToolTip(text);
}

void MergeFrm::select(int row) {
    if (row < 0 || row >= List1->count()) {
        List1->setCurrentRow(-1);
        return;
    }
    List1->setCurrentRow(row, QItemSelectionModel::ClearAndSelect);
}

void MergeFrm::add() {
    for (const QString& name : File1->selectedFileNames()) {
        appendPath(m_mergeFolder + name);
        if (List1->count() > 1)
            CmdOK->setEnabled(true);
    }
}

void MergeFrm::addAll() {
    QStringList names = File1->fileNames();
    if (ChkSorted->isChecked())
        ChapterOrder::sort(names);
    for (const QString& name : names)
        appendPath(m_mergeFolder + name);
    if (List1->count() > 1)
        CmdOK->setEnabled(true);
}

void MergeFrm::appendDropped(const QStringList& paths) {
    QStringList files;
    for (const QString& path : paths) {
        const QFileInfo info(path);
        if (info.isDir()) {
            const QString folder = AddBackslash(path);
            for (const QString& name : FolderListing::listFiles(folder, File1->pattern()))
                files.append(folder + name);
        } else if (info.isFile()) {
            files.append(path);
        }
    }
    if (ChkSorted->isChecked()) {
        std::stable_sort(files.begin(), files.end(), [](const QString& a, const QString& b) {
            return ChapterOrder::lessThan(QFileInfo(a).fileName(), QFileInfo(b).fileName());
        });
    }
    for (const QString& file : files)
        appendPath(file);
    if (List1->count() > 1)
        CmdOK->setEnabled(true);
}

void MergeFrm::remove() {
    const int s = List1->currentRow();
    if (s < 0 || !List1->item(s)->isSelected())
        return;
    delete List1->takeItem(s);
    const int last = List1->count() - 1;
    select(s < last ? s : last);
    if (List1->count() < 2)
        CmdOK->setEnabled(false);
}

void MergeFrm::removeAll() {
    List1->clear();
    CmdOK->setEnabled(false);
}

void MergeFrm::moveUp() {
    const int s = List1->currentRow();
    if (s <= 0 || !List1->item(s)->isSelected())
        return;
    swapEntries(s - 1, s);
    select(s - 1);
}

void MergeFrm::moveDown() {
    const int s = List1->currentRow();
    if (s < 0 || s >= List1->count() - 1 || !List1->item(s)->isSelected())
        return;
    swapEntries(s, s + 1);
    select(s + 1);
}

void MergeFrm::previewFile(const QString& path, bool fromFileList) {
    FileError error;
    QString title;
    if (!TextPreview->loadFile(path, &error) || !readTitleLine(path, title, error)) {
        m_app.messages().showError(this, error);
        if (fromFileList)
            File1->refresh();
        return;
    }
    savedBaseName() = firstCharacters(title, TitleLength);
    TextFilename->setText(m_prefix + savedBaseName());
}

void MergeFrm::nameLeft() {
    QString name = trimSpaces(withoutPrefix(trimSpaces(TextFilename->text()), m_prefix));
    if (!name.isEmpty() && GetExtension(name) != QLatin1String("txt"))
        name += QStringLiteral(".txt");
    savedBaseName() = name;
    TextFilename->setText(m_prefix + name);
}

void MergeFrm::merge() {
    MessageProvider& messages = m_app.messages();

    const QString typedFolder = trimSpaces(TextDir->text());
    QString target;
    if (typedFolder.isEmpty()) {
        target = AddBackslash(Dir1->path());
        TextDir->setText(target);
    } else {
        target = AddBackslash(typedFolder);
    }
    if (!FileOps::folderExists(target)) {
        FileError error;
        if (!FileOps::createFolder(target, &error)) {
            messages.exclamation(this, tr("提示"),
                                 tr("无法创建文件夹“%1”，没有合并任何文件。\n%2").arg(target, error.description));
            TextDir->setFocus();
            return;
        }
    }

    nameLeft();
    if (savedBaseName().isEmpty()) {
        messages.information(this, tr("提示"), tr("请输入合并后的文件名。"));
        TextFilename->setFocus();
        return;
    }
    if (!FileName::isPlainFileName(TextFilename->text())) {
        messages.information(this, tr("提示"), tr("文件名中不能含有“/”或控制字符，请输入另一个文件名。"));
        TextFilename->setFocus();
        return;
    }

    InProgress* progress = m_app.inProgress();
    ProgressSink& sink = m_app.jobEnv().sink;
    if (progress)
        progress->beginBatch(this);

    const QString fileName = TextFilename->text();

    const QString prefix = ComboPrefix->currentText();
    if (!prefix.isEmpty())
        PromotePrefix(m_app.state(), prefix);
    fillPrefixes();

    QStringList files;
    for (int i = 0; i < List1->count(); ++i)
        files.append(List1->item(i)->text());
    const QString targetPath = target + fileName;
    if (mergeAsBatch(m_app.jobEnv(), files, targetPath) && ChkEpub->isChecked())
        EpubRunner::bookBeside(m_app.jobEnv(), targetPath);

    Dir1->refresh();
    File1->refresh();
    // Further files are added from the folder shown in Dir1, whatever folder this merge went to.
    m_mergeFolder = AddBackslash(Dir1->path());
    List1->clear();
    savedBaseName().clear();
    TextPreview->clearFile();
    TextPreview->setPlainText(previewPlaceholder());
    TextFilename->clear();
    CmdOK->setEnabled(false);

    sink.complete();
}

void MergeFrm::startDrag(QListWidget* from) {
    if (from == List1 && List1->currentRow() < 0)
        return;
    if (from == File1 && File1->selectedFileNames().isEmpty())
        return;
    auto* drag = new QDrag(from);
    drag->setMimeData(dragData(from->objectName()));
    drag->setPixmap(Icons::fileType(1).pixmap(32, 32));
    drag->exec(Qt::MoveAction | Qt::CopyAction, Qt::MoveAction);
}

bool MergeFrm::listEvent(QListWidget* list, QEvent* event) {
    const bool isFileList = list == File1;
    switch (event->type()) {
    case QEvent::MouseButtonPress:
        m_pressPos = static_cast<QMouseEvent*>(event)->position().toPoint();
        return false;
    case QEvent::MouseMove: {
        auto* mouse = static_cast<QMouseEvent*>(event);
        const Qt::MouseButton button = isFileList ? Qt::RightButton : Qt::LeftButton;
        if (!(mouse->buttons() & button) ||
            (mouse->position().toPoint() - m_pressPos).manhattanLength() < QApplication::startDragDistance())
            return false;
        startDrag(list);
        return true;
    }
    case QEvent::DragEnter:
    case QEvent::DragMove:
    case QEvent::Drop: {
        auto* drop = static_cast<QDropEvent*>(event);
        const QString source = QString::fromUtf8(drop->mimeData()->data(dragFormat()));
        // Files from a file manager are copied into the merge list.
        if (!isFileList && source.isEmpty() && DroppedFiles::carriesLocalPaths(drop->mimeData())) {
            drop->setDropAction(Qt::CopyAction);
            drop->accept();
            if (event->type() == QEvent::Drop)
                appendDropped(DroppedFiles::localPaths(drop->mimeData()));
            return true;
        }
        // Files go from File1 into List1 and entries from List1 back onto File1; a list dropped
        // onto itself does nothing.
        const QString accepted = isFileList ? List1->objectName() : File1->objectName();
        if (source != accepted) {
            drop->ignore();
            return true;
        }
        drop->setDropAction(Qt::MoveAction);
        drop->accept();
        if (event->type() == QEvent::Drop) {
            if (isFileList)
                remove();
            else
                add();
        }
        return true;
    }
    default:
        return false;
    }
}

bool MergeFrm::eventFilter(QObject* watched, QEvent* event) {
    if (watched == File1->viewport())
        return listEvent(File1, event);
    if (watched == List1->viewport())
        return listEvent(List1, event);

    const bool focusOut = event->type() == QEvent::FocusOut;
    if (focusOut) {
        // Opening a popup or switching to another program is not leaving the box.
        const Qt::FocusReason reason = static_cast<QFocusEvent*>(event)->reason();
        if (reason == Qt::PopupFocusReason || reason == Qt::ActiveWindowFocusReason)
            return QDialog::eventFilter(watched, event);
    }
    if (watched == TextDir && focusOut) {
        TextDir->setText(trimSpaces(TextDir->text()));
    } else if (watched == TextFilename && focusOut) {
        nameLeft();
    } else if (watched == TextFilename && event->type() == QEvent::FocusIn && !TextFilename->text().isEmpty()) {
        TextFilename->selectAll();
    }
    return QDialog::eventFilter(watched, event);
}

void MergeFrm::done(int result) {
    m_handBack.handBack();
    QDialog::done(result);
}

void MergeFrm::closeEvent(QCloseEvent* event) {
    // While a merge waits for the progress window to be acknowledged, the dialog stays.
    if (!isEnabled()) {
        event->ignore();
        return;
    }
    QDialog::closeEvent(event);
}
