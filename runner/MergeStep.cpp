#include "MergeStep.h"

#include "JournalSteps.h"
#include "core/AppState.h"
#include "core/ProgressSink.h"
#include "engine/FileJob.h"
#include "engine/MergeFiles.h"
#include "platform/PathIdentity.h"

#include <QCoreApplication>

namespace {

// True when the target is also one of the files joined into it: it is merged from its old content and
// replaced without a question, as the user named it among the sources.
bool targetIsASource(const QStringList& files, const QString& targetPath) {
    const QString target = PathIdentity::keyOf(targetPath);
    for (const QString& file : files) {
        if (PathIdentity::keyOf(file) == target)
            return true;
    }
    return false;
}

} // namespace

bool mergeWithRows(JobEnv& env, const QStringList& files, const QString& targetPath, TransformReport& report,
                   const QString& lossAddition) {
    ProgressSink& sink = env.sink;
    const qsizetype slash = targetPath.lastIndexOf(u'/');
    const QString folder = targetPath.left(slash + 1);
    const QString name = targetPath.mid(slash + 1);
    // An existing target is replaced only when the user agrees, as the new target of any other job.
    if (!targetIsASource(files, targetPath) && !BeginFileJob(env, targetPath, name, folder))
        return false;
    IntendedChange intended;
    if (!IntendToCreate(env, folder, name, targetPath, intended))
        return false;
    report.beforeReplace = BackUpBeforeReplace(env, targetPath, targetPath, nullptr, &intended);
    if (!MergeFiles(files, targetPath, sink, &report)) {
        BatchJournal::withdraw(env, name, intended.intended);
        // A source that could not be read is named, not the target that was left as it was.
        const QString& failed = report.errorFile.isEmpty() ? targetPath : report.errorFile;
        sink.ReportProgress(0,
                            ResultRow::of(Outcome::Refused, failed, QCoreApplication::translate("MergeStep", "未完成"),
                                          report.error.description, failed));
        return false;
    }
    JournalSteps::written(env, folder, name, intended);
    if (report.unmappable > 0)
        reportUnmappable(sink, targetPath, targetPath, report, report.lostCharacters() ? lossAddition : QString());
    return true;
}

void reportUnmappable(ProgressSink& sink, const QString& text, const QString& file, const TransformReport& report,
                      const QString& addition) {
    sink.ReportProgress(0, ResultRow::of(Outcome::Note, text, QCoreApplication::translate("MergeStep", "注意"),
                                         unmappableNote(report) + addition, file));
}

bool mergeAsBatch(JobEnv& env, const QStringList& files, const QString& targetPath) {
    // Split on the path's own characters: a name that is not UTF-8 keeps its bytes.
    const qsizetype slash = targetPath.lastIndexOf(u'/');
    const QString folder = targetPath.left(slash + 1);
    const QString name = targetPath.mid(slash + 1);
    BatchJournal::begin(env, QStringLiteral("merge → ") + name, folder);
    TransformReport report;
    report.unmappablePolicy = env.state.Prefs.Unmappable;
    const bool merged = mergeWithRows(env, files, targetPath, report);
    BatchJournal::end(env);
    return merged;
}
