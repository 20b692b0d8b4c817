#pragma once

#include "engine/JobEnv.h"

#include <QCoreApplication>
#include <QHash>
#include <QSet>
#include <QString>
#include <QStringList>
#include <QTemporaryDir>
#include <memory>

class AppState;
class ProgressSink;

// A command run on copies, to show what it would change: the folders it works in are mirrored
// (only the files named, or all of them) into a temporary folder outside the folder tree and the
// app folder, the command runs there for real with its backups in the temporary folder, and
// report() compares each mirror with its original. Nothing of the user's is written; the copies go
// when the DryRun does.
class DryRun {
public:
    explicit DryRun(JobEnv& real);
    ~DryRun();

    bool isValid() const { return m_root.isValid(); }
    // The stand-in of `folder` (with its trailing "/"), holding copies of those `names` that exist.
    QString mirror(const QString& folder, const QStringList& names);
    // The stand-in of `folder`, holding copies of all its files.
    QString mirrorAll(const QString& folder);
    // The path `path` has in the mirror (its folder mirrored on the way, with no files copied).
    QString mapped(const QString& path);

    // The environment to run the command in: a copy of the program state whose app folder is in
    // the temporary folder and whose backups go there too; its rows reach the real sink with the paths
    // turned back into the user's, except the "done" rows and the completion call.
    JobEnv& env() { return *m_env; }

    // The reason of a file's row when the command would leave it as it is.
    static QString unchangedReason() { return QCoreApplication::translate("DryRun", "不会改变"); }

    // One row per file mirrored or made (`diff` false): what the command would change, create or
    // delete, or unchangedReason() (not for a file the command's own rows already told about: a file
    // it skipped, refused or failed on); or a unified diff
    // of its decoded text under "a/NAME" and "b/NAME" (`diff` true, returned as the text); then the
    // completion call.
    QString report(bool diff);

private:
    class MappingSink;

    JobEnv& m_real;
    QTemporaryDir m_root;
    std::unique_ptr<AppState> m_state;
    std::unique_ptr<MappingSink> m_sink;
    std::unique_ptr<JobEnv> m_env;
    QHash<QString, QString> m_folders; // user's folder -> its mirror
    QHash<QString, QStringList> m_copied;
    QSet<QString> m_toldAbout; // user's files the command's rows named as needing attention
};
