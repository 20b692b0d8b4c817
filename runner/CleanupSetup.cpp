#include "CleanupSetup.h"

#include "StopRows.h"
#include "core/AppState.h"
#include "core/ProgressSink.h"
#include "engine/BoilerplateLearner.h"
#include "platform/FileOps.h"
#include "platform/PathIdentity.h"

#include <QCoreApplication>

namespace {

// `names` in `folder`, each file once however often the batch names it (a file counted twice would
// count twice toward the share of files a learned line must stand in).
QStringList distinctFiles(const QString& folder, const QStringList& names) {
    QStringList paths;
    QSet<QString> seen;
    for (const QString& name : names) {
        const QString path = folder + name;
        if (!seen.contains(PathIdentity::keyOf(path))) {
            seen.insert(PathIdentity::keyOf(path));
            paths.append(path);
        }
    }
    return paths;
}

} // namespace

QString CleanupSetup::ruleFilePath(const AppState& state) {
    return state.AppFolder + CleanupRules::fileName();
}

Boilerplate CleanupSetup::rulesOnly(const AppState& state, const QStringList& extraFiles, QList<RuleProblem>* problems) {
    Boilerplate boilerplate;
    const QString own = ruleFilePath(state);
    FileError error;
    if (!FileOps::exists(own) || !CleanupRules::read(own, boilerplate.rules, &error)) {
        boilerplate.rules = CleanupRules::parse(CleanupRules::startingText());
        if (error.isSet() && problems)
            problems->append({own, error});
    }
    for (const QString& file : extraFiles) {
        FileError extraError;
        if (!CleanupRules::read(file, boilerplate.rules, &extraError) && problems)
            problems->append({file, extraError});
    }
    return boilerplate;
}

std::shared_ptr<const Boilerplate> CleanupSetup::prepare(JobEnv& env, const QString& folder, const QStringList& names,
                                                         const CleanOptions& options) {
    ProgressSink& sink = env.sink;
    FileError installError;
    if (!CleanupRules::installStartingSet(ruleFilePath(env.state), &installError)) {
        sink.ReportProgress(0, fileErrorRow(ruleFilePath(env.state), ruleFilePath(env.state), installError));
    }
    QList<RuleProblem> problems;
    auto boilerplate = std::make_shared<Boilerplate>(rulesOnly(env.state, options.ruleFiles, &problems));
    for (const RuleProblem& problem : problems)
        sink.ReportProgress(0, fileErrorRow(problem.path, problem.path, problem.error));
    if (options.learn) {
        const QStringList paths = distinctFiles(folder, names);
        if (!paths.isEmpty() && paths.size() < BoilerplateLearner::MinFiles) {
            sink.ReportProgress(
                0, ResultRow::about(Outcome::Note, QCoreApplication::translate(
                                                       "CleanupSetup", "文件少于 %1 个，未学习网站重复行，只按清除规则")
                                                       .arg(BoilerplateLearner::MinFiles)));
            return boilerplate;
        }
        boilerplate->learned = BoilerplateLearner::learnFrom(paths, [&sink] {
            sink.processEvents();
            return !sink.stopRequested();
        });
    }
    return boilerplate;
}
