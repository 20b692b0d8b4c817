#pragma once

#include "runner/BackupCatalog.h"

#include <QDialog>
#include <QList>

class Application;
class QLabel;
class QPushButton;
class QTreeWidget;

// "备份与恢复": the batches of the backup folder, newest first (time, command, folder, files, size);
// the files of the selected batch with their state now (unchanged since the batch, changed since,
// missing). "恢复" restores the selected files, or the whole batch when none is selected, in the
// progress window, asking before a changed file is overwritten; "删除此批" deletes the batch and
// "清理旧备份" the batches older than the retention of the options, each after one question.
// Opened from the main window's tools menu; the main window comes back when it closes.
class BackupFrm : public QDialog {
    Q_OBJECT
public:
    explicit BackupFrm(Application& app, QWidget* parent = nullptr);

    // Reads the backup folder again and lists its batches (the first one selected).
    void reload();
    void restoreSelected();
    void deleteBatch();
    void pruneOld();

protected:
    void done(int result) override;
    void closeEvent(QCloseEvent* event) override;

private:
    void buildControls();
    static void fitColumns(QTreeWidget* list);
    void showBatch();
    const BackupBatch* currentBatch() const;

    QTreeWidget* ListBatches;
    QTreeWidget* ListFiles;
    QLabel* LabelInfo;
    QPushButton* CmdRestore;
    QPushButton* CmdDelete;
    QPushButton* CmdPrune;
    QPushButton* CmdClose;

    Application& m_app;
    QList<BackupBatch> m_batches;
};
