#pragma once

#include "BatchRunner.h"
#include "engine/TransformReport.h"
#include "engine/Typesetter.h"

#include <QCoreApplication>
#include <QString>
#include <functional>
#include <memory>

class AppState;
class WorkPulse;
struct Boilerplate;

// The command's transformation from one file into another; a web page drops its link texts by the
// settings, unless its name makes it an index page. A clean without `cleanup` uses the rules alone.
bool runTransformation(const AppState& state, BatchCommand command, int direction, const QString& sourcePath,
                       const QString& targetPath, TransformReport& report, WorkPulse* pulse = nullptr,
                       const Boilerplate* cleanup = nullptr);

// The typeset settings of the preferences for the file at `path`: quotes "by the text" become the
// Taiwan marks for a Traditional text (judged from its beginning), the mainland ones otherwise.
TypesetOptions typesetOptionsFor(const AppState& state, const QString& path);

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
    // row after its "完成" row. A clean says what it took out, and lists each line it removed in a row.
    // `text` is a name in the step's folder, or a full path with the step made for the folder "".
    void reportOutcome(int percent, const QString& text, bool done, const QString& reason,
                       const TransformReport& report);

    static QString unchangedReason();
    // The status of the row that lists a line a clean removed (the line is its reason).
    static QString removedLineStatus() { return QCoreApplication::translate("FileStep", "删除此行"); }
    // "删除 3 行，删除 1 个不可见字符": what a clean took out ("" when nothing).
    static QString cleanupSummary(const TransformReport& report);

    // What a clean takes out of the files (CleanupSetup::prepare).
    void useCleanup(std::shared_ptr<const Boilerplate> cleanup) { m_cleanup = std::move(cleanup); }

private:
    // The hook before a replacement of a target that was not there when the job began: refuses it.
    static std::function<bool(FileError&)> refuseNewcomer();

    JobEnv& m_env;
    QString m_folder;
    std::shared_ptr<const Boilerplate> m_cleanup;
};
