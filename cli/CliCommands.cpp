#include "CliCommands.h"

#include "JsonRow.h"
#include "TabRow.h"
#include "core/AppState.h"
#include "core/ChapterOrder.h"
#include "core/PathHelpers.h"
#include "core/ProgressSink.h"
#include "platform/FileName.h"
#include "runner/MergeStep.h"
#include "runner/RenamePlan.h"

#include <QDir>
#include <QFileInfo>
#include <algorithm>
#include <cstdio>

namespace CliCommands {
namespace {

void complete(ProgressSink& sink) {
    sink.ReportProgress(-1, QString(), QString(), QString(), QString());
}

void printBytes(const QByteArray& bytes) {
    std::fwrite(bytes.constData(), 1, size_t(bytes.size()), stdout);
}

} // namespace

QList<FolderBatch> groupByFolder(const QStringList& files) {
    QList<FolderBatch> batches;
    for (const QString& file : files) {
        const QString path = FileName::absolutePath(file);
        const qsizetype slash = path.lastIndexOf(u'/');
        const QString folder = path.left(slash + 1);
        auto it = std::find_if(batches.begin(), batches.end(),
                               [&](const FolderBatch& batch) { return batch.folder == folder; });
        if (it == batches.end()) {
            batches.append({folder, {}});
            it = batches.end() - 1;
        }
        it->names.append(path.mid(slash + 1));
    }
    return batches;
}

void runBatch(JobEnv& env, BatchCommand command, int direction, const QStringList& files) {
    BatchRunner runner(env);
    for (const FolderBatch& batch : groupByFolder(files)) {
        BatchRequest request;
        request.command = command;
        request.direction = direction;
        request.folder = batch.folder;
        for (const QString& name : batch.names)
            request.entries.append({name, true});
        env.state.CurrentFolder = batch.folder;
        runner.run(request);
    }
}

void runReplace(JobEnv& env, const QString& find, const QString& replacement, bool caseSensitive,
                const QStringList& files) {
    ReplaceRunner runner(env);
    for (const FolderBatch& batch : groupByFolder(files)) {
        ReplaceRequest request{batch.names, batch.folder, find, replacement, caseSensitive};
        env.state.CurrentFolder = batch.folder;
        runner.run(request);
    }
}

void runMerge(JobEnv& env, const QString& output, const QStringList& files, bool sortChapters) {
    QStringList paths;
    for (const QString& file : files)
        paths.append(FileName::absolutePath(file));
    if (sortChapters) {
        std::stable_sort(paths.begin(), paths.end(), [](const QString& a, const QString& b) {
            return ChapterOrder::lessThan(a.mid(a.lastIndexOf(u'/') + 1), b.mid(b.lastIndexOf(u'/') + 1));
        });
    }
    const QString target = FileName::absolutePath(output);
    TransformReport report;
    report.unmappablePolicy = env.state.Prefs.Unmappable;
    mergeWithRows(env, paths, target, report);
    complete(env.sink);
}

bool runRename(const QString& nameTemplate, qint32 start, bool dryRun, bool json, const QStringList& files,
               QString* message) {
    const QList<FolderBatch> batches = groupByFolder(files);
    if (batches.size() != 1) {
        *message = QStringLiteral("rename: all files must be in one folder");
        return false;
    }
    const FolderBatch& batch = batches.first();
    QList<RenameItem> items;
    for (const QString& name : batch.names)
        items.append({name, QString()});
    RenameSeries(items, nameTemplate.trimmed(), start);
    for (const RenameItem& item : items) {
        if (json)
            printBytes(JsonRow::object({{"old", item.oldName},
                                        {"new", item.newName},
                                        {"file", JsonRow::bytesSafe(batch.folder + item.oldName)},
                                        {"new_file", JsonRow::bytesSafe(batch.folder + item.newName)}}));
        else
            printBytes(FileName::encode(TabRow::line({item.oldName, item.newName})));
    }
    std::fflush(stdout);

    *message = checkRenamePlan(batch.folder, items);
    if (!message->isEmpty())
        return false;
    return dryRun || executeRenamePlan(batch.folder, items, message);
}

bool runWizard(JobEnv& env, WizardOptions options, QString* message) {
    WizardRunner runner(env);
    *message = runner.prepare(options);
    if (!message->isEmpty())
        return false;
    env.state.CurrentFolder = options.folder;
    runner.run(options);
    return true;
}

} // namespace CliCommands
