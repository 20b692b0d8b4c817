#pragma once

#include "engine/Boilerplate.h"
#include "engine/JobEnv.h"

#include <QString>
#include <QStringList>
#include <memory>

class AppState;

// Where a clean batch takes its boilerplate from.
struct CleanOptions {
    QStringList ruleFiles; // more rule files, after the app folder's
    bool learn = true;     // also the lines the batch's files share (BoilerplateLearner)
};

namespace CleanupSetup {

// A rule file that could not be read.
struct RuleProblem {
    QString path;
    FileError error;
};

// The app folder's rule file; its starting set is written there first when there is none.
QString ruleFilePath(const AppState& state);

// The rules alone: the app folder's rule file (the starting set when it is missing or unreadable) and
// `extraFiles`; what cannot be read is left out and named in `problems`.
Boilerplate rulesOnly(const AppState& state, const QStringList& extraFiles, QList<RuleProblem>* problems = nullptr);

// The boilerplate of one clean batch over `names` in `folder`: the rules, and unless `options.learn` is
// off the lines the files share, learned in a first pass over them. A rule file that cannot be
// written or read adds a red row under its path and is left out; a stop during the first pass keeps
// what was learned so far (the batch then stops at its first file).
std::shared_ptr<const Boilerplate> prepare(JobEnv& env, const QString& folder, const QStringList& names,
                                           const CleanOptions& options);

} // namespace CleanupSetup
