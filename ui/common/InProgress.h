#pragma once

#include "core/ProgressSink.h"

#include <QDialog>

class AppState;
class QCheckBox;
class QLabel;
class QProgressBar;
class QPushButton;
class QTreeWidget;

// The progress window shared by every batch of the program (main window, merge dialog, find and
// replace, wizard). One instance lives from start-up to shutdown and is only hidden between
// batches.
//
// A batch:
//   progress.beginBatch(this);              // shown, this window disabled and recorded as owner
//   SomeRunner(env).run(request);           // rows through ReportProgress, ending with percent -1
// and the user's "关闭[&O]" (acknowledge()) clears and hides the window and enables the owner again.
// While the batch runs, "停止[&S]" asks it to stop at its next safe point (stopRequested()). At the end
// a last row sums the batch up from its rows' outcomes; a stopped batch's bar stays where it stopped.
// "只显示红色和黄色的行" hides the rows that need no attention. A row that names its file by its full
// path shows the file's name; the batch's folder is the window's title. Controls are private members
// named like their objectName; tests find them by that name.
class InProgress : public QDialog, public ProgressSink {
    Q_OBJECT
public:
    explicit InProgress(AppState& state, QWidget* parent = nullptr);

    // Start of a batch: shows the window modeless (above `owner` when `ownedByOwner`, else without an
    // owner), disables `owner` and records it in AppState::ProgressOwner. Find and replace passes the
    // main window, which its dialog already disabled, with ownedByOwner false.
    void beginBatch(QWidget* owner, bool ownedByOwner = true);

    // percent 1..100 moves the bar when it differs from the bar's value, 0 only adds the row, -1
    // completes (the summing-up row, bar 100 and "100%" unless the batch was stopped, CmdOK shown,
    // LabelWait hidden). A row is added only for a non-empty `row.text`, with the mark of its outcome.
    void ReportProgress(int percent, const ResultRow& row) override;
    // Runs the window system's pending events once.
    void processEvents() override;
    // True once "停止[&S]" was pressed in the running batch.
    bool stopRequested() const override { return m_stopAsked; }
    // How often a long file lets the window's events run; 0 lets them run at every chance.
    int pulseIntervalMs() const override { return m_pulseIntervalMs; }
    void setPulseIntervalMs(int ms) { m_pulseIntervalMs = ms; }
    // What "停止[&S]" does: the batch stops at its next safe point.
    void requestStop();

    // The acknowledge step of CmdOK: bar 0 and "0%", rows removed, CmdOK hidden and LabelWait shown,
    // ProgressOwner enabled and cleared, the window hidden.
    void acknowledge();
    // True between the completion call and the acknowledge step.
    bool isFinished() const;
    // True while a batch shows its rows and has not yet completed.
    bool isRunning() const { return isVisible() && !isFinished(); }

    // Item data role that holds a row's Outcome (as int); the summing-up row has SummingUp there.
    static constexpr int OutcomeRole = Qt::UserRole + 1;
    static constexpr int SummingUp = -1;
    // The last row's text: how many files were done, left unchanged, kept, not done and failed.
    static QString summingUp(const OutcomeTally& tally, bool stopped);

signals:
    // The running batch has completed (its summing-up row is there).
    void batchEnded();
    // After the acknowledge step, so that the window that started the batch can follow up.
    void acknowledged();

protected:
    void reject() override;
    void closeEvent(QCloseEvent* event) override;

private:
    QLabel* LabelWait;
    QProgressBar* PrgBar1;
    QLabel* LabelStatus;
    QTreeWidget* LVResults;
    QPushButton* CmdOK;
    QPushButton* CmdStop;
    QCheckBox* ChkAttention;

    void setBar(int percent);
    void setRunning(bool running);
    void addRow(const ResultRow& row, int outcome);
    QString shownText(const ResultRow& row);
    void applyFilter();

    AppState& m_state;
    bool m_stopAsked = false;
    OutcomeTally m_tally;
    int m_pulseIntervalMs = ProgressSink::pulseIntervalMs();
};
