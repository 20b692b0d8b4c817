#include "ParallelFiles.h"

#include "core/AppState.h"
#include "core/ParallelMap.h"
#include "core/ProgressSink.h"
#include "core/Prompt.h"
#include "engine/BackupJournal.h"
#include "engine/Backups.h"
#include "platform/FileOps.h"

#include <QDir>
#include <memory>
#include <vector>

namespace {

// A file's rows, kept until its turn comes. Bar moves inside the file are dropped: the bar moves
// with each finished file's rows. A stop request is the batch's (a flag any thread may read).
class KeptRows : public ProgressSink {
public:
    explicit KeptRows(const ProgressSink& batch) : m_batch(batch) {}

    void ReportProgress(int percent, const QString& text, const QString& status, const QString& reason,
                        const QString& markKey) override {
        if (!text.isEmpty())
            m_rows.append({percent, text, status, reason, markKey});
    }
    bool stopRequested() const override { return m_batch.stopRequested(); }
    int pulseIntervalMs() const override { return m_batch.pulseIntervalMs(); }

    void replay(ProgressSink& sink) const {
        for (const Row& row : m_rows)
            sink.ReportProgress(row.percent, row.text, row.status, row.reason, row.mark);
    }

private:
    struct Row {
        int percent;
        QString text;
        QString status;
        QString reason;
        QString mark;
    };
    const ProgressSink& m_batch;
    QList<Row> m_rows;
};

// Answers No and remembers that a question came: the step then runs again in its turn.
class NoQuestions : public Prompt {
public:
    bool askYesNo(const QString&, const QString&) override {
        asked = true;
        return false;
    }
    bool asked = false;
};

struct FileRun {
    std::unique_ptr<KeptRows> rows;
    bool started = false;
    bool asked = false;
    QStringList recentFolders; // the state's list after the step, when the step changed it
};

} // namespace

QList<qsizetype> forEachFile(JobEnv& env, qsizetype count,
                             const std::function<void(JobEnv& env, qsizetype index)>& step) {
    QList<qsizetype> notProcessed;
    if (env.state.Workers <= 1 || count <= 1) {
        for (qsizetype i = 0; i < count; ++i) {
            env.sink.processEvents();
            if (env.sink.stopRequested()) {
                for (; i < count; ++i)
                    notProcessed.append(i);
                break;
            }
            step(env, i);
        }
        return notProcessed;
    }

    FileError error;
    const bool openedHere =
        isTrue(env.state.Settings.BackupOn) && !env.state.BackupBatchOpen && OpenBackupBatch(env, error);
    // Copied here once; each worker copies this copy, which no thread changes.
    const AppState snapshot = env.state;
    std::vector<FileRun> runs(static_cast<size_t>(count));
    parallelMap(
        count, env.state.Workers,
        [&](qsizetype i) {
            FileRun& run = runs[size_t(i)];
            run.rows = std::make_unique<KeptRows>(env.sink);
            if (run.rows->stopRequested())
                return;
            run.started = true;
            AppState state = snapshot;
            // The batch keeps every worker busy with a file of its own: a file's step takes no more.
            state.Workers = 1;
            NoQuestions prompt;
            JobEnv own{state, *run.rows, prompt, env.clock};
            step(own, i);
            run.asked = prompt.asked;
            if (state.RecentList != snapshot.RecentList)
                run.recentFolders = state.RecentList;
        },
        [&](qsizetype i) {
            FileRun& run = runs[size_t(i)];
            if (!run.started || (run.asked && env.sink.stopRequested())) {
                notProcessed.append(i);
            } else if (run.asked) {
                step(env, i);
            } else {
                run.rows->replay(env.sink);
                if (!run.recentFolders.isEmpty())
                    env.state.RecentList = run.recentFolders;
            }
            run = FileRun();
            env.sink.processEvents();
            return true;
        });
    // Nothing changed, nothing backed up: the batch leaves no folder behind, not even one that holds
    // only a journal without files.
    if (openedHere) {
        const QString folder = env.state.BackupBatchFolder;
        const QStringList inside = QDir(folder).entryList(QDir::AllEntries | QDir::NoDotAndDotDot | QDir::Hidden);
        if (inside == QStringList{BackupJournal::JournalName} && BackupJournal::read(folder).entries.isEmpty())
            FileOps::removeFile(folder + BackupJournal::JournalName);
        if (QDir().rmdir(folder))
            env.state.BackupBatchOpen = false;
    }
    return notProcessed;
}
