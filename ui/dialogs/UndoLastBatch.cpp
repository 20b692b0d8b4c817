#include "UndoLastBatch.h"

#include "core/AppState.h"
#include "runner/BackupCatalog.h"
#include "runner/RestoreRunner.h"
#include "ui/common/InProgress.h"
#include "ui/common/MessageProvider.h"
#include "ui/main/Application.h"
#include "ui/main/MainFrm.h"

#include <QCoreApplication>
#include <QDir>

#include <algorithm>

void undoLastBatch(Application& app, QWidget* parent) {
    const QString title = QCoreApplication::translate("UndoLastBatch", "撤销上一批");
    const QList<BackupBatch> batches = BackupCatalog::list(app.state().BackupFolder);
    const QString lastId = BackupCatalog::lastToUndo(batches);
    const auto at = std::find_if(batches.begin(), batches.end(), [&](const BackupBatch& b) { return b.id == lastId; });
    if (at == batches.end() || !at->journal.present) {
        app.messages().information(parent, title, QCoreApplication::translate("UndoLastBatch", "没有可以撤销的批次。"));
        return;
    }
    const BackupBatch& last = *at;
    const QString question = QCoreApplication::translate("UndoLastBatch", "撤销“%1”吗？\n文件夹：%2\n%3 个文件将回到这批之前的状态。")
                                 .arg(last.title(), QDir::toNativeSeparators(last.journal.header.folder))
                                 .arg(last.fileCount());
    if (!app.messages().askYesNo(parent, title, question))
        return;
    RestoreRequest request;
    request.batchId = last.id;
    request.changed = RestoreRequest::Changed::Ask;
    if (InProgress* progress = app.inProgress())
        progress->beginBatch(parent);
    RestoreRunner(app.jobEnv()).run(request);
    if (MainFrm* main = app.mainFrm())
        main->refresh();
}
