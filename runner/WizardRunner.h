#pragma once

#include "BatchRunner.h"
#include "engine/JobEnv.h"

#include <QCoreApplication>
#include <QString>

// What the wizard's controls hold when its run starts.
struct WizardOptions {
    QString folder;           // the folder text, with its trailing "/"
    bool html = true;         // stage 1: web pages to text
    bool deleteHtml = false;  // delete each converted page
    bool typeset = false;     // after stage 1: punctuation, quotes and layout as the preferences say
    bool clean = false;       // after stage 1: site boilerplate and ads out of every text file
    bool merge = true;        // stage 2: merge every text file
    bool deleteMerged = true; // delete the merged sources
    bool epub = false;        // after the last stage, an e-book of the merged file beside it
    QString newName;          // the merged file's name (prefix already in front of it)
    QString prefix;           // the prefix chosen, promoted in the prefix list
    int indexMode = 0;        // 0 index files first, 1 ordinary order, 2 leave them out
    bool para = false;        // stage 3: paragraph re-flow
    bool space = false;       // stage 4: space removal
    int code = 0;             // stage 5: 0 off, 1 to GB2312, 2 to Big5
    int width = 0;            // stage 6: 0 off, 1 all half-width, 2 all full-width
};

// The quick-processing pipeline over every file of one folder: web pages to text, boilerplate and ads
// taken out and typesetting (each off unless asked), merge, paragraph re-flow, space removal, code page
// and character width, in that order, each stage on the files the
// folder holds when it begins.
class WizardRunner {
public:
    explicit WizardRunner(JobEnv& env) : m_env(env) {}

    // The checks before anything starts: with the merge on, the name is trimmed, must not be empty or
    // hold "/" or control characters, and gets ".txt" unless its extension is already "txt"; the prefix
    // is promoted. The folder must exist. Returns "" when the run may start, else the message to show
    // (nothing has been touched then). `options` receives the finished name and folder.
    QString prepare(WizardOptions& options);

    // The stages and the completion call; the caller has shown the progress window.
    void run(const WizardOptions& options);

    static QString emptyNameMessage() { return QCoreApplication::translate("WizardRunner", "请输入合并后的文件名。"); }

private:
    void convertPages(const WizardOptions& options);
    void mergeTexts(const WizardOptions& options);
    void rewriteTexts(const WizardOptions& options, const QString& title, BatchCommand command, int direction);

    JobEnv& m_env;
    bool m_merged = false; // the merge stage wrote its file
};
