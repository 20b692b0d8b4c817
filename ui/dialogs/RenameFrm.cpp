#include "RenameFrm.h"

#include "NumberText.h"
#include "core/AppState.h"
#include "core/ChapterOrder.h"
#include "engine/SpaceTrim.h"
#include "platform/FolderListing.h"
#include "ui/common/Icons.h"
#include "ui/common/MessageProvider.h"
#include "ui/common/ScreenFit.h"
#include "ui/main/Application.h"
#include "ui/main/MainFrm.h"

#include <QComboBox>
#include <QCoreApplication>
#include <QFocusEvent>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QTimer>
#include <QTreeWidget>
#include <QVBoxLayout>

namespace {

QString title() {
    return QCoreApplication::translate("RenameFrm", "文件更名");
}

} // namespace

RenameFrm::RenameFrm(Application& app, QWidget* parent)
    : QDialog(parent, Qt::Dialog | Qt::WindowTitleHint | Qt::WindowCloseButtonHint), m_app(app) {
    setObjectName(QStringLiteral("RenameFrm"));
    setWindowTitle(title());
    setWindowIcon(Icons::program());
    setModal(false);
    buildControls();
    fillPreview();

    connect(Combo1, &QComboBox::editTextChanged, this, &RenameFrm::templateChanged);
    connect(Combo1, &QComboBox::activated, this, [this] { RenameSeries(m_template, m_start); });
    connect(Text1, &QLineEdit::textChanged, this, &RenameFrm::startChanged);
    connect(Cmdok, &QPushButton::clicked, this, &RenameFrm::rename);
    connect(Cmdcancel, &QPushButton::clicked, this, &QDialog::reject);
}

void RenameFrm::buildControls() {
    const char* captions[4] = {
        QT_TR_NOOP("使用模板为文件更名:"), QT_TR_NOOP("在模板中使用一个或多个\" # \"号以加入递增的数字;"),
        QT_TR_NOOP("该数字的初始值在\" 初始值 \"栏中设定;"), QT_TR_NOOP("在模板中使用\" * \"号以加入原来的文件名。")};
    for (int i = 0; i < 4; ++i) {
        Label1[i] = new QLabel(tr(captions[i]), this);
        Label1[i]->setObjectName(QStringLiteral("Label1") + QString::number(i));
    }
    Label2 = new QLabel(tr("更名模板:"), this);
    Label2->setObjectName(QStringLiteral("Label2"));
    Combo1 = new QComboBox(this);
    Combo1->setObjectName(QStringLiteral("Combo1"));
    Combo1->setEditable(true);
    Combo1->setInsertPolicy(QComboBox::NoInsert);
    Label3 = new QLabel(tr("初始值:"), this);
    Label3->setObjectName(QStringLiteral("Label3"));
    Text1 = new QLineEdit(QStringLiteral("0"), this);
    Text1->setObjectName(QStringLiteral("Text1"));
    Text1->installEventFilter(this);

    LViewMain = new QTreeWidget(this);
    LViewMain->setObjectName(QStringLiteral("LViewMain"));
    LViewMain->setRootIsDecorated(false);
    LViewMain->setUniformRowHeights(true);
    LViewMain->setHeaderLabels({tr("原文件名"), tr("新文件名")});
    LViewMain->setColumnWidth(0, 230);

    Cmdok = new QPushButton(tr("确定[&O]"), this);
    Cmdok->setObjectName(QStringLiteral("Cmdok"));
    Cmdok->setDefault(true);
    Cmdok->setEnabled(false);
    Cmdcancel = new QPushButton(tr("取消[&C]"), this);
    Cmdcancel->setObjectName(QStringLiteral("Cmdcancel"));
    Cmdcancel->setAutoDefault(false);

    auto* fields = new QGridLayout;
    fields->addWidget(Label2, 0, 0);
    fields->addWidget(Combo1, 0, 1);
    fields->addWidget(Label3, 1, 0);
    fields->addWidget(Text1, 1, 1);
    fields->setColumnStretch(1, 1);

    auto* buttons = new QHBoxLayout;
    buttons->addStretch();
    buttons->addWidget(Cmdok);
    buttons->addWidget(Cmdcancel);

    auto* layout = new QVBoxLayout(this);
    // Top to bottom: the heading, then the "*" line, then the two "#" lines.
    for (int i : {0, 3, 1, 2})
        layout->addWidget(Label1[i]);
    layout->addSpacing(6);
    layout->addLayout(fields);
    layout->addWidget(LViewMain, 1);
    layout->addLayout(buttons);
    resize(sizeWithinScreen(QSize(520, 480), this));
}

void RenameFrm::fillPreview() {
    AppState& state = m_app.state();
    // The counter runs in the order the main list shows the selected files (the user may have
    // sorted it by size or date); the whole folder is taken in reading order: 第2章 before 第10章.
    if (state.SelectedFiles.isEmpty() || state.SelectedFiles.first().isEmpty()) {
        state.SelectedFiles = FolderListing::listFilesUnsorted(state.DialogFolder);
        ChapterOrder::sort(state.SelectedFiles);
    }
    for (const QString& name : state.SelectedFiles) {
        m_items.append({name, QString()});
        new QTreeWidgetItem(LViewMain, {name, QString()});
    }
}

void RenameFrm::RenameSeries(const QString& nameTemplate, qint32 start) {
    ::RenameSeries(m_items, nameTemplate, start);
    for (qsizetype i = 0; i < m_items.size(); ++i)
        LViewMain->topLevelItem(int(i))->setText(1, m_items[i].newName);
}

void RenameFrm::templateChanged(const QString& text) {
    m_template = withoutSurroundingSpaces(text).toString();
    RenameSeries(m_template, m_start);
    Cmdok->setEnabled(!m_template.isEmpty());
}

void RenameFrm::startChanged(const QString& text) {
    const QString trimmed = withoutSurroundingSpaces(text).toString();
    if (trimmed != text) {
        // Comes back here with the trimmed text.
        Text1->setText(trimmed);
        return;
    }
    std::optional<qint32> start;
    if (const std::optional<double> value = NumberText::read(trimmed))
        start = NumberText::toInt32(*value);
    if (!start) {
        Text1->setText(QString::number(m_start));
        return;
    }
    m_start = *start;
    RenameSeries(m_template, m_start);
}

void RenameFrm::rename() {
    const QString folder = m_app.state().DialogFolder;
    const QString problem = checkRenamePlan(folder, m_items);
    if (!problem.isEmpty()) {
        // Nothing is renamed; the dialog stays so that the template can be changed.
        m_app.messages().exclamation(this, title(), problem);
        return;
    }
    qsizetype renamed = 0;
    for (const RenameItem& item : m_items)
        renamed += item.newName != item.oldName ? 1 : 0;
    if (renamed > 0 &&
        !m_app.messages().askYesNo(this, title(), tr("将更名 %1 个文件。是否继续？").arg(renamed)))
        return;
    QString message;
    if (!executeRenameBatch(m_app.jobEnv(), m_template, folder, m_items, &message))
        m_app.messages().exclamation(this, title(), message);
    if (MainFrm* main = m_app.mainFrm())
        main->refresh();
    accept();
}

bool RenameFrm::eventFilter(QObject* watched, QEvent* event) {
    if (watched == Text1 && event->type() == QEvent::FocusIn) {
        // After the mouse press that gave the focus, which would place the caret instead.
        QTimer::singleShot(0, Text1, &QLineEdit::selectAll);
    }
    return QDialog::eventFilter(watched, event);
}

void RenameFrm::unload() {
    if (m_unloaded)
        return;
    m_unloaded = true;
    AppState& state = m_app.state();
    state.SelectedFiles.clear();
    state.DialogFolder.clear();
    if (MainFrm* main = m_app.mainFrm())
        main->setEnabled(true);
}

void RenameFrm::done(int result) {
    unload();
    QDialog::done(result);
}
