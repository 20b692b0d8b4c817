#include "ParallelFiles.h"

#include "core/AppState.h"
#include "core/ParallelMap.h"
#include "core/ProgressSink.h"
#include "core/Prompt.h"
#include "engine/BackupJournal.h"
#include "engine/Backups.h"
#include "platform/PathIdentity.h"
#include "platform/FileOps.h"

#include <QDir>
#include <QHash>
#include <QSet>
#include <memory>
#include <vector>

namespace {

// A file's rows, kept until its turn comes. Bar moves inside the file are dropped: the bar moves
// with each finished file's rows. A stop request is the batch's (a flag any thread may read).
class KeptRows : public ProgressSink {
public:
    explicit KeptRows(const ProgressSink& batch) : m_batch(batch) {}

    void ReportProgress(int percent, const ResultRow& row) override {
        if (!row.text.isEmpty())
            m_rows.append({percent, row});
    }
    bool stopRequested() const override { return m_batch.stopRequested(); }
    int pulseIntervalMs() const override { return m_batch.pulseIntervalMs(); }

    void replay(ProgressSink& sink) const {
        for (const Row& row : m_rows)
            sink.ReportProgress(row.percent, row.row);
    }

private:
    struct Row {
        int percent;
        ResultRow row;
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

std::vector<bool> stepsInOrder(qsizetype count, const std::function<StepFiles(qsizetype)>& files) {
    // Steps that share a file form one group; the first step of each group stands for it.
    std::vector<qsizetype> leader(static_cast<size_t>(count));
    for (qsizetype i = 0; i < count; ++i)
        leader[size_t(i)] = i;
    const auto leaderOf = [&](qsizetype i) {
        while (leader[size_t(i)] != i)
            i = leader[size_t(i)] = leader[size_t(leader[size_t(i)])];
        return i;
    };
    std::vector<bool> inOrder(static_cast<size_t>(count), false);
    QHash<QString, qsizetype> firstStep; // file key -> the first step that reads or writes it
    QSet<QString> written;               // files an earlier step writes
    for (qsizetype i = 0; i < count; ++i) {
        const StepFiles step = files(i);
        QSet<QString> reads;
        for (const QString& path : step.reads)
            reads.insert(PathIdentity::keyOf(path));
        QStringList writes;
        for (const QString& path : step.writes) {
            const QString key = PathIdentity::keyOf(path);
            writes.append(key);
            // A file created beside its source is asked about when it is there by then.
            if (!reads.contains(key) && (written.contains(key) || FileOps::exists(path)))
                inOrder[size_t(i)] = true;
        }
        for (const QString& key : QStringList(reads.begin(), reads.end()) + writes) {
            const auto found = firstStep.constFind(key);
            if (found == firstStep.cend())
                firstStep.insert(key, i);
            else
                leader[size_t(leaderOf(i))] = leaderOf(found.value());
        }
        for (const QString& key : writes)
            written.insert(key);
    }
    std::vector<int> groupSize(static_cast<size_t>(count), 0);
    for (qsizetype i = 0; i < count; ++i)
        ++groupSize[size_t(leaderOf(i))];
    for (qsizetype i = 0; i < count; ++i) {
        if (groupSize[size_t(leaderOf(i))] > 1)
            inOrder[size_t(i)] = true;
    }
    return inOrder;
}

QList<qsizetype> forEachFile(JobEnv& env, qsizetype count, const std::function<StepFiles(qsizetype index)>& files,
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

    const std::vector<bool> inOrder = stepsInOrder(count, files);
    FileError error;
    const bool openedHere =
        isTrue(env.state.Settings.BackupOn) && !env.state.BackupBatchOpen && OpenBackupBatch(env, error);
    std::vector<FileRun> runs(static_cast<size_t>(count));

    // The planned steps first, in order, with the batch's questions; their rows wait for their turn.
    QList<qsizetype> parallel;
    for (qsizetype i = 0; i < count; ++i) {
        if (!inOrder[size_t(i)]) {
            parallel.append(i);
            continue;
        }
        env.sink.processEvents();
        FileRun& run = runs[size_t(i)];
        run.rows = std::make_unique<KeptRows>(env.sink);
        if (env.sink.stopRequested())
            continue;
        run.started = true;
        JobEnv own{env.state, *run.rows, env.prompt, env.clock};
        step(own, i);
    }

    // A file's rows reach the batch's sink in file order, once every file before it has its own there.
    qsizetype settled = 0;
    const auto settleUpTo = [&](qsizetype last) {
        for (; settled <= last; ++settled) {
            FileRun& run = runs[size_t(settled)];
            if (!run.started || (run.asked && env.sink.stopRequested())) {
                notProcessed.append(settled);
            } else if (run.asked) {
                step(env, settled);
            } else {
                run.rows->replay(env.sink);
                if (!run.recentFolders.isEmpty())
                    env.state.RecentList = run.recentFolders;
            }
            run = FileRun();
            env.sink.processEvents();
        }
    };

    // Copied here once; each worker copies this copy, which no thread changes.
    const AppState snapshot = env.state;
    parallelMap(
        parallel.size(), env.state.Workers,
        [&](qsizetype k) {
            const qsizetype i = parallel.at(k);
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
        [&](qsizetype k) {
            settleUpTo(parallel.at(k));
            return true;
        });
    settleUpTo(count - 1);
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
