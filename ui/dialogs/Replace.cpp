#include "Replace.h"

#include "core/AppState.h"
#include "runner/ReplaceRunner.h"
#include "ui/common/InProgress.h"
#include "ui/common/MessageProvider.h"
#include "ui/main/Application.h"
#include "ui/main/MainFrm.h"

#include <QCheckBox>
#include <QComboBox>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QPushButton>
#include <QVBoxLayout>

Replace::Replace(Application& app, QWidget* parent)
    : QDialog(parent, Qt::Dialog | Qt::CustomizeWindowHint | Qt::WindowTitleHint), m_app(app) {
    setObjectName(QStringLiteral("Replace"));
    setWindowTitle(tr("查找并替换"));
    setModal(false);
    buildControls();

    ComboSource->addItems(presetFindTexts());
    ComboSource->setCurrentIndex(0);
    connect(ComboSource, &QComboBox::editTextChanged, this,
            [this](const QString& text) { CmdOk->setEnabled(!text.isEmpty()); });
    connect(CmdOk, &QPushButton::clicked, this, &Replace::run);
    connect(CmdCancel, &QPushButton::clicked, this, &Replace::reject);
}

QStringList Replace::presetFindTexts() {
    return {QStringLiteral(">"),  QStringLiteral("<"),  QStringLiteral("|"), QStringLiteral("〉"),
            QStringLiteral("〈"), QStringLiteral("＞"), QStringLiteral("＜")};
}

void Replace::buildControls() {
    Label1 = new QLabel(tr("查找内容(&N):"), this);
    Label1->setObjectName(QStringLiteral("Label1"));
    ComboSource = new QComboBox(this);
    ComboSource->setObjectName(QStringLiteral("ComboSource"));
    ComboSource->setEditable(true);
    ComboSource->setInsertPolicy(QComboBox::NoInsert);
    Label1->setBuddy(ComboSource);

    Label2 = new QLabel(tr("替换为(&R):"), this);
    Label2->setObjectName(QStringLiteral("Label2"));
    ComboTo = new QComboBox(this);
    ComboTo->setObjectName(QStringLiteral("ComboTo"));
    ComboTo->setEditable(true);
    ComboTo->setInsertPolicy(QComboBox::NoInsert);
    Label2->setBuddy(ComboTo);

    CheckCaps = new QCheckBox(tr("区分大小写(&C)"), this);
    CheckCaps->setObjectName(QStringLiteral("CheckCaps"));
    CheckWord = new QCheckBox(tr("全字匹配(&W)"), this);
    CheckWord->setObjectName(QStringLiteral("CheckWord"));
    CheckWord->setEnabled(false);

    CmdOk = new QPushButton(tr("开始[&O]"), this);
    CmdOk->setObjectName(QStringLiteral("CmdOk"));
    CmdOk->setDefault(true);
    CmdCancel = new QPushButton(tr("取消"), this);
    CmdCancel->setObjectName(QStringLiteral("CmdCancel"));
    CmdCancel->setAutoDefault(false);

    auto* fields = new QGridLayout;
    fields->addWidget(Label1, 0, 0);
    fields->addWidget(ComboSource, 0, 1);
    fields->addWidget(Label2, 1, 0);
    fields->addWidget(ComboTo, 1, 1);
    fields->addWidget(CheckCaps, 2, 1);
    fields->addWidget(CheckWord, 3, 1);
    fields->setColumnStretch(1, 1);

    auto* buttons = new QVBoxLayout;
    buttons->addWidget(CmdOk);
    buttons->addWidget(CmdCancel);
    buttons->addStretch();

    auto* layout = new QHBoxLayout(this);
    layout->addLayout(fields, 1);
    layout->addSpacing(8);
    layout->addLayout(buttons);
    setFixedSize(sizeHint().expandedTo(QSize(420, 0)));
}

void Replace::reject() {
    if (auto* owner = qobject_cast<QWidget*>(m_app.state().ProgressOwner.data()))
        owner->setEnabled(true);
    m_app.state().ProgressOwner.clear();
    QDialog::reject();
}

void Replace::run() {
    const AppState& state = m_app.state();
    ReplaceRequest request;
    request.files = state.SelectedFiles;
    request.folder = state.DialogFolder;
    request.find = ComboSource->currentText();
    request.replacement = ComboTo->currentText();
    request.caseSensitive = CheckCaps->isChecked();
    if (request.find.isEmpty())
        return;
    // How much the run would change, asked once before anything is touched.
    const ReplaceRunner::Matches matches = ReplaceRunner::countMatches(request);
    if (matches.count == 0) {
        m_app.messages().information(
            this, windowTitle(),
            tr("在所选的 %1 个文件中没有找到“%2”。").arg(request.files.size()).arg(request.find));
        return;
    }
    const QString question = tr("将在 %1 个文件中替换 %2 处“%3”。是否继续？")
                                 .arg(matches.files)
                                 .arg(matches.count)
                                 .arg(request.find);
    if (!m_app.messages().askYesNo(this, windowTitle(), question))
        return;

    MainFrm* main = m_app.mainFrm();
    if (InProgress* progress = m_app.inProgress())
        progress->beginBatch(main, false);
    hide();
    ReplaceRunner(m_app.jobEnv()).run(request);
    // The main window stays disabled until the progress window is acknowledged.
    QDialog::done(Accepted);

    if (main)
        main->reloadPreviewQuietly();
}
