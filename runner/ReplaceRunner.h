#pragma once

#include "engine/JobEnv.h"
#include "engine/TransformReport.h"

#include <QString>
#include <QStringList>

class WorkPulse;

struct ReplaceRequest {
    QStringList files; // names without folder, in list order
    QString folder;    // with its trailing "/"
    QString find;
    QString replacement;
    bool caseSensitive = false;
};

// The find-and-replace run: for each file the job frame, then every non-empty line is replaced and
// the file rewritten (backed up first, and only when something was replaced); one row per file,
// named by its full path, then the completion call. An empty find text is never run.
class ReplaceRunner {
public:
    explicit ReplaceRunner(JobEnv& env) : m_env(env) {}
    void run(const ReplaceRequest& request);

    // Rewrites one file from `sourcePath` into `targetPath`, replacing in every non-empty line. A
    // `pulse` hears how far it got and may stop it, leaving the target as it was.
    static bool replaceInFile(const QString& sourcePath, const QString& targetPath, const ReplaceRequest& request,
                              TransformReport* report, WorkPulse* pulse = nullptr);

private:
    JobEnv& m_env;
};
