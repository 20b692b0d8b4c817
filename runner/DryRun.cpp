#include "DryRun.h"

#include "core/AppState.h"
#include "core/PathHelpers.h"
#include "core/ProgressSink.h"
#include "engine/CleanupRules.h"
#include "engine/FileJob.h"
#include "engine/TextDiff.h"
#include "platform/FileName.h"
#include "platform/FileOps.h"
#include "platform/FileState.h"
#include "platform/FolderListing.h"
#include "platform/PathIdentity.h"
#include "platform/RegularFile.h"
#include "platform/TextReader.h"

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QSet>

class DryRun::MappingSink : public ProgressSink {
public:
    MappingSink(ProgressSink& real, const QHash<QString, QString>& folders, QSet<QString>& toldAbout)
        : m_real(real), m_folders(folders), m_toldAbout(toldAbout) {}

    // What the command did to the scratch copies is told by report(), file by file, in the future
    // tense; from the command's own rows only headings and what needs attention about a file pass.
    void ReportProgress(int percent, const ResultRow& row) override {
        if (percent < 0 || !passes(row))
            return;
        ResultRow shown = row;
        shown.text = original(row.text);
        shown.file = original(row.file);
        if (!shown.file.isEmpty() && row.outcome != Outcome::Detail)
            m_toldAbout.insert(shown.file);
        m_real.ReportProgress(0, shown);
    }
    void processEvents() override { m_real.processEvents(); }

private:
    static bool passes(const ResultRow& row) {
        // A note about no file ("-源文件已删除-") tells what happened to the copies, not to the user's files.
        if (row.outcome == Outcome::Note && row.file.isEmpty())
            return false;
        // A file the command overwrote is told of by the preview row of report() ("将覆盖原有文件").
        if (IsOverwriteNote(row))
            return false;
        // The lines a clean would remove are the preview of what it does.
        return row.outcome == Outcome::Heading || row.outcome == Outcome::Detail ||
               Outcomes::needsAttention(row.outcome);
    }
    QString original(const QString& path) const {
        QString shown = path;
        for (auto it = m_folders.cbegin(); it != m_folders.cend(); ++it)
            shown.replace(it.value(), it.key());
        return shown;
    }

    ProgressSink& m_real;
    const QHash<QString, QString>& m_folders;
    QSet<QString>& m_toldAbout;
};

namespace {

ResultRow previewRow(const QString& path, const QString& reason) {
    return ResultRow::of(Outcome::Preview, path, QCoreApplication::translate("DryRun", "预览"), reason, path);
}

bool readLines(const QString& path, QStringList& lines) {
    lines.clear();
    if (path.isEmpty() || !FileOps::exists(path))
        return true;
    TextReader reader;
    if (!reader.open(path))
        return false;
    QString line;
    while (reader.readLine(line))
        lines.append(line);
    return !reader.error().isSet();
}

QString wholeFileReason(const FileState& before, const FileState& after) {
    if (!after.exists)
        return QCoreApplication::translate("DryRun", "将被删除");
    return (before.exists ? QCoreApplication::translate("DryRun", "将覆盖原有文件，")
                          : QCoreApplication::translate("DryRun", "将新建，")) +
           QCoreApplication::translate("DryRun", "%1 字节").arg(after.size);
}

} // namespace

DryRun::DryRun(JobEnv& real) : m_real(real) {
    m_state = std::make_unique<AppState>(real.state);
    const QString root = m_root.path() + u'/';
    QDir().mkpath(root + QStringLiteral("app"));
    m_state->setAppFolder(root + QStringLiteral("app"));
    // Backups on, into the temporary app folder: a file the command deletes (the wizard's converted
    // pages) then moves there, never into the user's trash.
    m_state->BackupFolder = m_state->defaultBackupFolder();
    QDir().mkpath(m_state->BackupFolder);
    m_state->Settings.BackupOn = 1;
    // The user's cleanup rules hold for the copies too.
    const QString rules = real.state.AppFolder + CleanupRules::fileName();
    if (FileOps::exists(rules))
        FileOps::copyFile(rules, m_state->AppFolder + CleanupRules::fileName(), nullptr, {}, FileSync::Never);
    m_sink = std::make_unique<MappingSink>(real.sink, m_folders, m_toldAbout);
    m_env = std::make_unique<JobEnv>(JobEnv{*m_state, *m_sink, real.prompt, real.clock});
}

DryRun::~DryRun() = default;

QString DryRun::mirror(const QString& folder, const QStringList& names) {
    const QString key = AddBackslash(folder);
    QString copy = m_folders.value(key);
    if (copy.isEmpty()) {
        copy = m_root.path() + QStringLiteral("/f") + QString::number(m_folders.size()) + u'/';
        QDir().mkpath(copy);
        m_folders.insert(key, copy);
    }
    QStringList& copied = m_copied[key];
    for (const QString& name : names) {
        if (copied.contains(name) || !FileOps::exists(key + name))
            continue;
        // Scratch copies in a private folder: never synced. What is not a regular file (a FIFO, a
        // device) is not copied but linked to, so that the command meets it as a real run would and
        // refuses it with the same row, without reading it.
        FileError error;
        if (FileOps::copyFile(key + name, copy + name, &error, {}, FileSync::Never) ||
            (error.description == RegularFile::notRegularError().description && QFile::link(key + name, copy + name)))
            copied.append(name);
    }
    return copy;
}

QString DryRun::mirrorAll(const QString& folder) {
    // Only what a command there may work on: a FIFO would block the copy, and a link out of the folder
    // is none of its files.
    const QString key = AddBackslash(folder);
    QStringList names = FolderListing::listFilesUnsorted(key);
    names.removeIf([&](const QString& name) { return !PathIdentity::isRegularFileWithin(key, name); });
    return mirror(key, names);
}

QString DryRun::mapped(const QString& path) {
    const qsizetype slash = path.lastIndexOf(u'/');
    return mirror(path.left(slash + 1), {}) + path.mid(slash + 1);
}

QString DryRun::report(bool diff) {
    QString diffText;
    ProgressSink& sink = m_real.sink;
    QStringList folders = m_folders.keys();
    folders.sort();
    for (const QString& folder : folders) {
        const QString copy = m_folders.value(folder);
        QStringList names = m_copied.value(folder);
        for (const QString& name : FolderListing::listFilesUnsorted(copy)) {
            if (!names.contains(name))
                names.append(name);
        }
        std::sort(names.begin(), names.end(), FolderListing::nameLessThan);
        for (const QString& name : names) {
            const QString original = folder + name;
            const FileState before = FileState::of(original);
            const FileState after = FileState::of(copy + name);
            const bool wasThere = m_copied.value(folder).contains(name);
            if (wasThere && before.sameContent(after)) {
                // A file the command skipped or failed on has its row already: "不会改变" beside
                // "跳过" would say two things of one file.
                if (!m_toldAbout.contains(original))
                    sink.ReportProgress(0, previewRow(original, unchangedReason()));
                continue;
            }
            QStringList oldLines;
            QStringList newLines;
            // An e-book, or a file no reader takes for text, is told by its size.
            const bool text = !name.endsWith(QStringLiteral(".epub"), Qt::CaseInsensitive) &&
                              readLines(before.exists ? original : QString(), oldLines) &&
                              readLines(copy + name, newLines);
            if (!text) {
                if (!diff)
                    sink.ReportProgress(0, previewRow(original, wholeFileReason(before, after)));
                continue;
            }
            const TextDiff textDiff(oldLines, newLines);
            if (diff) {
                diffText += textDiff.unified(QStringLiteral("a/") + name, QStringLiteral("b/") + name);
                continue;
            }
            QString reason;
            if (!after.exists)
                reason = QCoreApplication::translate("DryRun", "将被删除");
            else if (!wasThere)
                reason = (before.exists ? QCoreApplication::translate("DryRun", "将覆盖原有文件，")
                                        : QCoreApplication::translate("DryRun", "将新建，")) +
                         QCoreApplication::translate("DryRun", "%1 行").arg(newLines.size());
            else if (textDiff.isEmpty())
                reason = QCoreApplication::translate("DryRun", "文字不变，字节将改变");
            else
                reason = QCoreApplication::translate("DryRun", "%1 行、%2 个字符将改变")
                             .arg(textDiff.changedLines())
                             .arg(textDiff.changedCharacters());
            sink.ReportProgress(0, previewRow(original, reason));
        }
    }
    sink.complete();
    return diffText;
}
