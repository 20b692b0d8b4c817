#pragma once

#include "CleanupSetup.h"
#include "engine/JobEnv.h"

#include <QList>
#include <QString>

// The file commands of the main window, run over the entries of its file list.
enum class BatchCommand {
    WebPageToText, // new ".txt" beside each page, timed
    Reflow,        // in place
    RemoveSpaces,  // in place, timed
    CodePage,      // in place; direction 0 to GB2312 (Simplified), 1 to Big5 (Traditional)
    Width,         // in place; direction 0 full-width to half-width, 1 half-width to full-width
    Typeset,       // in place; punctuation, quotes, indent and blank lines as the preferences say
    Clean,         // in place; boilerplate learned from the batch and the cleanup rules, invisible characters
};

struct FileEntry {
    QString name; // file name without folder
    bool selected = false;
};

struct BatchRequest {
    BatchCommand command = BatchCommand::Reflow;
    int direction = 0;
    QList<FileEntry> entries; // in list order
    QString folder;           // with its trailing "/"
};

// One batch: for each selected entry the job frame, the transformation and one result row, then
// the total-time row (timed commands) and the completion call. The caller shows the progress
// window and disables its own window before, and the user acknowledges after.
class BatchRunner {
public:
    explicit BatchRunner(JobEnv& env) : m_env(env) {}
    void run(const BatchRequest& request);
    // Where a Clean batch takes its boilerplate from (by default the rule file and the batch's files).
    void setCleanOptions(const CleanOptions& options) { m_clean = options; }

    static bool isTimed(BatchCommand command);
    static bool isInPlace(BatchCommand command);
    // The command's name as the command line spells it ("reflow", "big5", ...), for the journal.
    static QString commandName(BatchCommand command, int direction);

private:
    bool transform(const BatchRequest& request, const QString& sourceName, const QString& outputName);

    JobEnv& m_env;
    CleanOptions m_clean;
};
