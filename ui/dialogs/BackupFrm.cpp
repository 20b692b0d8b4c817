#include "BackupFrm.h"

#include "core/AppState.h"
#include "platform/Clock.h"
#include "runner/RestoreRunner.h"
#include "ui/common/InProgress.h"
#include "ui/common/MessageProvider.h"
#include "ui/common/OwnedWindow.h"
#include "ui/common/ScreenFit.h"
#include "ui/main/Application.h"
#include "ui/main/MainFrm.h"

#include <QHBoxLayout>
#include <QHeaderView>
#include <QLabel>
#include <QPushButton>
#include <QTreeWidget>
#include <QVBoxLayout>

namespace {

QString title() {
    return BackupFrm::tr("备份与恢复");
}

QString timeText(const QDateTime& time) {
    return time.isValid() ? time.toString(QStringLiteral("yyyy-MM-dd HH:mm")) : QStringLiteral("?");
}

QString actionText(const JournalEntry& entry) {
    switch (entry.action) {
    case JournalEntry::Action::Rewritten:
        return BackupFrm::tr("改写");
    case JournalEntry::Action::Replaced:
        return BackupFrm::tr("替换");
    case JournalEntry::Action::Deleted:
        return BackupFrm::tr("删除");
    case JournalEntry::Action::Created:
        return BackupFrm::tr("新建");
    case JournalEntry::Action::Renamed:
        return BackupFrm::tr("更名为 %1").arg(entry.newName);
    }
    return QString();
}

QString nowText(FileNow now) {
    switch (now) {
    case FileNow::Unchanged:
        return BackupFrm::tr("未改动");
    case FileNow::Changed:
        return BackupFrm::tr("已改动");
    case FileNow::Missing:
        return BackupFrm::tr("已不存在");
    }
    return QString();
}

QTreeWidget* makeList(QWidget* parent, const QString& name, const QStringList& headers) {
    auto* list = new QTreeWidget(parent);
    list->setObjectName(name);
    list->setRootIsDecorated(false);
    list->setUniformRowHeights(true);
    list->setHeaderLabels(headers);
    list->setAllColumnsShowFocus(true);
    return list;
}

QPushButton* makeButton(QWidget* parent, const QString& name, const QString& caption) {
    auto* button = new QPushButton(caption, parent);
    button->setObjectName(name);
    button->setAutoDefault(false);
    return button;
}

// "已恢复（由 ID）" for a batch a restore undid, "恢复 ID 的操作" for a restore.
QString markText(const BackupBatch& batch) {
    if (!batch.restores.isEmpty())
        return BackupFrm::tr("恢复 %1 的操作").arg(batch.restores);
    if (batch.restoredBy.isEmpty())
        return QString();
    return (batch.restoredWhole ? BackupFrm::tr("已恢复（由 %1）") : BackupFrm::tr("部分恢复（由 %1）"))
        .arg(batch.restoredBy.first());
}

} // namespace

BackupFrm::BackupFrm(Application& app, QWidget* parent) : QDialog(parent), m_app(app) {
    setObjectName(QStringLiteral("BackupFrm"));
    setWindowTitle(title());
    setModal(false);
    buildControls();
    connect(ListBatches, &QTreeWidget::currentItemChanged, this, &BackupFrm::showBatch);
    connect(CmdRestore, &QPushButton::clicked, this, &BackupFrm::restoreSelected);
    connect(CmdDelete, &QPushButton::clicked, this, &BackupFrm::deleteBatch);
    connect(CmdPrune, &QPushButton::clicked, this, &BackupFrm::pruneOld);
    connect(CmdClose, &QPushButton::clicked, this, &BackupFrm::reject);
    reload();
}

void BackupFrm::buildControls() {
    ListBatches = makeList(this, QStringLiteral("ListBatches"),
                           {tr("时间"), tr("命令"), tr("文件夹"),
                            tr("文件数"), tr("大小"), tr("恢复")});
    ListBatches->setSelectionMode(QAbstractItemView::SingleSelection);
    ListFiles =
        makeList(this, QStringLiteral("ListFiles"),
                 {tr("文件"), tr("操作"), tr("现在"), tr("备份副本")});
    ListFiles->setSelectionMode(QAbstractItemView::ExtendedSelection);
    LabelInfo = new QLabel(this);
    LabelInfo->setObjectName(QStringLiteral("LabelInfo"));
    LabelInfo->setWordWrap(true);

    CmdRestore = makeButton(this, QStringLiteral("CmdRestore"), tr("恢复"));
    CmdDelete = makeButton(this, QStringLiteral("CmdDelete"), tr("删除此批"));
    CmdPrune = makeButton(this, QStringLiteral("CmdPrune"), tr("清理旧备份"));
    CmdClose = makeButton(this, QStringLiteral("CmdClose"), tr("关闭"));

    auto* buttons = new QHBoxLayout;
    buttons->addWidget(CmdRestore);
    buttons->addWidget(CmdDelete);
    buttons->addStretch();
    buttons->addWidget(CmdPrune);
    buttons->addWidget(CmdClose);

    auto* layout = new QVBoxLayout(this);
    layout->addWidget(ListBatches, 1);
    layout->addWidget(LabelInfo);
    layout->addWidget(ListFiles, 1);
    layout->addLayout(buttons);
    resize(sizeWithinScreen(QSize(760, 520), this));
}

// Each column as wide as its widest text and a space apart from the next (the last one takes what
// is left).
void BackupFrm::fitColumns(QTreeWidget* list) {
    const int gap = list->fontMetrics().horizontalAdvance(QStringLiteral("　"));
    for (int column = 0; column + 1 < list->columnCount(); ++column) {
        list->resizeColumnToContents(column);
        list->setColumnWidth(column, list->columnWidth(column) + gap);
    }
}

void BackupFrm::reload() {
    const QString selected = currentBatch() ? currentBatch()->id : QString();
    m_batches = BackupCatalog::list(m_app.state().BackupFolder);
    ListBatches->clear();
    QTreeWidgetItem* current = nullptr;
    for (const BackupBatch& batch : m_batches) {
        const bool known = batch.journal.present;
        auto* item = new QTreeWidgetItem(
            ListBatches, {timeText(batch.time), batch.title(), known ? batch.journal.header.folder : QStringLiteral("?"),
                          QString::number(batch.fileCount()), BackupCatalog::sizeText(batch.size), markText(batch)});
        item->setToolTip(0, batch.id);
        item->setToolTip(1, known ? batch.journal.header.command : QString());
        item->setTextAlignment(3, Qt::AlignRight | Qt::AlignVCenter);
        item->setTextAlignment(4, Qt::AlignRight | Qt::AlignVCenter);
        if (batch.id == selected || !current)
            current = item;
    }
    ListBatches->setCurrentItem(current);
    fitColumns(ListBatches);
    showBatch();
}

const BackupBatch* BackupFrm::currentBatch() const {
    const int row = ListBatches->indexOfTopLevelItem(ListBatches->currentItem());
    return row >= 0 && row < m_batches.size() ? &m_batches.at(row) : nullptr;
}

void BackupFrm::showBatch() {
    ListFiles->clear();
    const BackupBatch* batch = currentBatch();
    CmdRestore->setEnabled(batch && batch->journal.present);
    CmdDelete->setEnabled(batch != nullptr);
    CmdPrune->setEnabled(!m_batches.isEmpty());
    if (!batch) {
        LabelInfo->setText(tr("备份文件夹中没有备份。"));
        return;
    }
    if (!batch->journal.present) {
        LabelInfo->setText(tr("%1：这批备份由旧版本建立，没有日志，只能看到备份副本。").arg(batch->id));
        for (const QString& copy : batch->copies)
            new QTreeWidgetItem(ListFiles, {copy, tr("备份副本"), QStringLiteral("?"), copy});
        return;
    }
    LabelInfo->setText(tr("%1　开始 %2　结束 %3")
                           .arg(batch->id, timeText(batch->journal.header.started),
                                timeText(batch->journal.header.ended)));
    for (const JournalEntry& entry : batch->files()) {
        const FileNow now = BackupCatalog::stateNow(*batch, entry);
        auto* item = new QTreeWidgetItem(ListFiles, {entry.name, actionText(entry), nowText(now), entry.backupName});
        if (now != FileNow::Unchanged)
            item->setForeground(2, QColor(now == FileNow::Changed ? Qt::darkYellow : Qt::red));
    }
    fitColumns(ListFiles);
}

void BackupFrm::restoreSelected() {
    const BackupBatch* batch = currentBatch();
    if (!batch || !batch->journal.present)
        return;
    RestoreRequest request;
    request.batchId = batch->id;
    request.changed = RestoreRequest::Changed::Ask;
    for (QTreeWidgetItem* item : ListFiles->selectedItems())
        request.names.append(item->text(0));
    if (InProgress* progress = m_app.inProgress())
        progress->beginBatch(this);
    RestoreRunner(m_app.jobEnv()).run(request);
    if (MainFrm* main = m_app.mainFrm())
        main->refresh();
    reload();
}

void BackupFrm::deleteBatch() {
    const BackupBatch* batch = currentBatch();
    if (!batch)
        return;
    const QString question = tr("删除这批备份（%1，%2 个文件，%3）吗？删除后不能再恢复。")
                                 .arg(batch->id)
                                 .arg(batch->fileCount())
                                 .arg(BackupCatalog::sizeText(batch->size));
    if (!m_app.messages().askYesNo(this, title(), question))
        return;
    FileError error;
    if (!BackupCatalog::remove(*batch, &error))
        m_app.messages().showError(this, error);
    reload();
}

void BackupFrm::pruneOld() {
    const int days = BackupCatalog::retentionDays(m_app.state().Settings.BackupTime);
    const QList<BackupBatch> old = BackupCatalog::olderThan(m_batches, m_app.clock().now().addDays(-days));
    if (old.isEmpty()) {
        m_app.messages().information(this, title(), tr("没有早于 %1 天的备份。").arg(days));
        return;
    }
    qint64 size = 0;
    for (const BackupBatch& batch : old)
        size += batch.size;
    const QString question = tr("删除早于 %1 天的 %2 批备份（共 %3）吗？")
                                 .arg(days)
                                 .arg(old.size())
                                 .arg(BackupCatalog::sizeText(size));
    if (!m_app.messages().askYesNo(this, tr("清理旧备份"), question))
        return;
    for (const BackupBatch& batch : old) {
        FileError error;
        if (!BackupCatalog::remove(batch, &error)) {
            m_app.messages().showError(this, error);
            break;
        }
    }
    reload();
}

void BackupFrm::closeEvent(QCloseEvent* event) {
    if (!OwnedWindow::refuseCloseWhileBusy(this, event))
        QDialog::closeEvent(event);
}

void BackupFrm::done(int result) {
    if (MainFrm* main = m_app.mainFrm())
        main->setEnabled(true);
    QDialog::done(result);
}
