#pragma once

#include "BatchRunner.h"
#include "engine/TransformReport.h"

#include <QString>

class AppState;
class WorkPulse;

// The command's transformation from one file into another; a web page drops its link texts by the
// settings, unless its name makes it an index page.
bool runTransformation(const AppState& state, BatchCommand command, int direction, const QString& sourcePath,
                       const QString& targetPath, TransformReport& report, WorkPulse* pulse = nullptr);

// One file of a batch, shared by the main window's commands and the wizard's stages: the job frame,
// then the command's transformation (in place through the working copy, or a web page into its
// ".txt" beside it), and the rows that tell how it went.
class FileStep {
public:
    FileStep(JobEnv& env, const QString& folder) : m_env(env), m_folder(folder) {}

    // True when the job frame let the file go ahead and the transformation processed all of it.
    // The job frame adds its own rows; `report` tells why a transformation failed. A `pulse` keeps the
    // windows alive inside a large file and may stop it, leaving the file as it was.
    bool apply(BatchCommand command, int direction, const QString& name, TransformReport& report,
               WorkPulse* pulse = nullptr);

    // The file's result row: "完成" in blue (with `reason`, e.g. the elapsed time), or "未完成" in red
    // with the transformation's error description when there is one. A file whose result was exactly its
    // old content (left untouched) has the reason unchangedReason() instead. A file whose encoding could
    // not hold every character (written as "?" or saved as UTF-8, as the settings say) adds a yellow note
    // row after its "完成" row.
    // `text` is a name in the step's folder, or a full path with the step made for the folder "".
    void reportOutcome(int percent, const QString& text, bool done, const QString& reason,
                       const TransformReport& report);

    static QString unchangedReason();

private:
    JobEnv& m_env;
    QString m_folder;
};
