// quillmar-cli: the batch commands of the program, from a terminal or a script.

#include "BookCommands.h"
#include "CliCommands.h"
#include "CliPrompt.h"
#include "CliSink.h"
#include "CliStop.h"
#include "core/AppFolder.h"
#include "core/AppState.h"
#include "core/ParallelMap.h"
#include "core/PathHelpers.h"
#include "core/Preferences.h"
#include "core/Settings.h"
#include "core/Version.h"
#include "platform/ChineseConverter.h"
#include "platform/Clock.h"
#include "platform/FileName.h"
#include "platform/FileOps.h"
#include "platform/TextReader.h"
#include "runner/DryRun.h"

#include <CLI/CLI.hpp>
#include <QCoreApplication>
#include <QDir>
#include <QFileInfo>
#include <QStandardPaths>
#include <algorithm>
#include <climits>
#include <cstdio>
#include <optional>
#include <unistd.h>

namespace {

constexpr int ExitDone = 0;
constexpr int ExitFailed = 1;
constexpr int ExitUsage = 2;

// File names, paths and name templates keep their bytes, also those that are not UTF-8.
QString toName(const std::string& value) {
    return FileName::decode(QByteArrayView(value.data(), qsizetype(value.size())));
}

QStringList toNames(const std::vector<std::string>& values) {
    QStringList list;
    for (const std::string& value : values)
        list.append(toName(value));
    return list;
}

QString toQString(const std::string& value) {
    return QString::fromLocal8Bit(value);
}

void printError(const QString& text) {
    std::fputs(FileName::encode(text + u'\n').constData(), stderr);
}

struct Arguments {
    std::string appDir;
    bool backup = false;
    bool noBackup = false;
    bool yes = false;
    bool no = false;
    bool quiet = false;
    bool preview = false;
    bool diff = false;
    std::string encoding;
    std::string legacy;
    bool json = false;
    std::string unmappable;
    std::string phrases;
    int jobs = 0;

    std::vector<std::string> files;
    bool dropLinks = false;
    bool keepLinks = false;
    bool classicHtml = false;
    std::string find;
    std::string with;
    bool caseSensitive = false;
    std::string output;
    bool sortChapters = false;
    std::string nameTemplate;
    qint32 start = 0;
    bool dryRun = false;

    std::string batchId;
    std::vector<std::string> restoreFiles;
    bool force = false;
    int olderThan = -1;

    std::string folder;
    bool html = false;
    bool deleteHtml = false;
    bool wizardTypeset = false;
    std::string mergeName;
    std::string prefix;
    bool deleteMerged = false;
    std::string index = "first";
    bool para = false;
    bool space = false;
    std::string code;
    std::string width;
    bool clean = false;
    std::vector<std::string> rules;
    bool noLearn = false;

    std::string quotes = "auto";
    std::string indent = "2";
    std::string blankLines = "keep";
    bool noPunctuation = false;
    bool latinSpace = false;

    std::string book;
    std::string into;
    std::string title;
    std::string author;
    std::string language;
    std::string cover;
    bool vertical = false;
};

} // namespace

int main(int argc, char** argv) {
    QCoreApplication application(argc, argv);
    // The same per-user settings folder as the windows when the program is installed.
    QCoreApplication::setApplicationName(QStringLiteral("quillmar"));
    Arguments a;

    CLI::App app{"QuillMar 羽墨工坊: cleans up and converts Chinese text files and saved web pages in batches.",
                 "quillmar-cli"};
    app.footer("Rows: text TAB status TAB reason TAB mark (rename: old TAB new); a TAB, CR, LF or backslash "
               "inside a field is written as \\t, \\r, \\n or \\\\.");
    app.require_subcommand(1);
    app.set_version_flag("--version", (Version::versionText() + u'\n' + Version::revisionText()).toStdString());
    app.add_option("--app-dir", a.appDir, "the app folder: settings files, default backup folder");
    auto* backup = app.add_flag("--backup", a.backup, "back up every file changed (overrides the settings)");
    app.add_flag("--no-backup", a.noBackup, "make no backups in this run")->excludes(backup);
    auto* yes = app.add_flag("--yes", a.yes, "answer every overwrite question Yes");
    app.add_flag("--no", a.no, "answer every overwrite question No")->excludes(yes);
    app.add_flag("--quiet", a.quiet, "no progress bar");
    app.add_flag("--dry-run", a.preview, "write, back up and create nothing: each file's row says what would change");
    app.add_flag("--diff", a.diff, "like --dry-run, but print a unified diff of each file's text instead of rows");
    app.add_option("--encoding", a.encoding, "read every input file in this encoding (a byte order mark still wins)")
        ->check(CLI::IsMember({"gb18030", "big5", "utf-8", "utf-16le", "utf-16be"}));
    app.add_option("--legacy", a.legacy,
                   "the code page of a file that reads equally well as GB18030 and as Big5, or is ASCII only "
                   "(default: the options dialog's choice)")
        ->check(CLI::IsMember({"gb18030", "big5"}));
    app.add_flag("--json", a.json, "print each row as one JSON object per line (text, status, reason, mark, file)");
    app.set_help_all_flag("--help-all", "print the help of every command and exit");
    app.add_option("--unmappable", a.unmappable,
                   "characters a file's encoding cannot hold: skip the file (leave it as it was), save it as "
                   "utf-8, or write question-mark (\"?\")")
        ->check(CLI::IsMember({"skip", "utf-8", "question-mark"}));
    app.add_option("--jobs", a.jobs,
                   "files worked on at once (default: one per core; 1: one after the other); "
                   "gb and big5 convert a single file on N threads")
        ->check(CLI::Range(1, 1024));
    app.add_option("--phrases", a.phrases,
                   "one more file of \"原文 译文\" pairs for gb and big5, winning over the tables");

    auto addFiles = [&](CLI::App* command) {
        command->add_option("FILE", a.files, "files to process, in this order")->required();
    };
    auto* html2txt = app.add_subcommand("html2txt", "convert web pages to .txt files beside them");
    auto* drop = html2txt->add_flag("--drop-links", a.dropLinks, "leave out the text of links (not on index pages)");
    html2txt->add_flag("--keep-links", a.keepLinks, "keep the text of links")->excludes(drop);
    html2txt->add_flag("--classic", a.classicHtml, "the old rules: no line break at <br>, five entities only");
    addFiles(html2txt);
    struct InPlace {
        const char* name;
        const char* help;
        BatchCommand command;
        int direction;
        CLI::App* app = nullptr;
    };
    InPlace inPlace[] = {
        {"reflow", "join broken lines into paragraphs", BatchCommand::Reflow, 0},
        {"despace", "remove stray spaces between Chinese characters", BatchCommand::RemoveSpaces, 0},
        {"gb", "convert to Simplified Chinese (GB2312)", BatchCommand::CodePage, 0},
        {"big5", "convert to Traditional Chinese (Big5)", BatchCommand::CodePage, 1},
        {"narrow", "full-width characters to half-width", BatchCommand::Width, 0},
        {"wide", "half-width characters to full-width", BatchCommand::Width, 1},
    };
    for (InPlace& command : inPlace) {
        command.app = app.add_subcommand(command.name, command.help);
        addFiles(command.app);
    }
    auto* typeset = app.add_subcommand("typeset", "Chinese punctuation, quotation marks, paragraph indent and blank "
                                                  "lines; invisible characters removed");
    typeset
        ->add_option("--quotes", a.quotes,
                     "quotation marks: mainland “”‘’, taiwan 「」『』 or keep (default: by the text, "
                     "Traditional taiwan, Simplified mainland)")
        ->check(CLI::IsMember({"auto", "mainland", "taiwan", "keep"}));
    typeset->add_option("--indent", a.indent, "paragraph indent: 2 full-width spaces (default), 0 or keep")
        ->check(CLI::IsMember({"2", "0", "keep"}));
    typeset->add_option("--blank-lines", a.blankLines, "blank lines between paragraphs: keep (default), none or one")
        ->check(CLI::IsMember({"keep", "none", "one"}));
    typeset->add_flag("--no-punctuation", a.noPunctuation, "leave half-width punctuation as it is");
    typeset->add_flag("--latin-space", a.latinSpace, "a space between Chinese and Latin letters");
    addFiles(typeset);
    auto* clean = app.add_subcommand("clean", "take site boilerplate and ads out of the files (lines the files share, "
                                              "the rule file Cleanup-rules.txt) and invisible characters");
    clean->add_option("--rules", a.rules, "one more rule file, after the app folder's (may be given again)")
        ->type_size(1)
        ->allow_extra_args(false);
    clean->add_flag("--no-learn", a.noLearn, "the rules only: learn no lines from the files");
    addFiles(clean);
    auto* replace = app.add_subcommand("replace", "replace a text in every file");
    replace->add_option("--find", a.find, "the text to find")->required();
    replace->add_option("--with", a.with, "the replacement (default: remove the text)");
    replace->add_flag("--case", a.caseSensitive, "letters must match in case");
    addFiles(replace);
    auto* merge = app.add_subcommand("merge", "join text files, in the order given, into one");
    merge->add_option("--output", a.output, "the merged file")->required();
    merge->add_flag("--sort", a.sortChapters, "join in chapter reading order (第2章 before 第10章) by file name");
    addFiles(merge);
    auto* rename = app.add_subcommand("rename", "rename a series of files from a template");
    rename->add_option("--template", a.nameTemplate, "\"*\" the old name, \"#\" runs the counter")->required();
    rename->add_option("--start", a.start, "the number of the first file (default 0)");
    rename->add_flag("--dry-run", a.dryRun, "show the new names only");
    addFiles(rename);
    auto* wizard = app.add_subcommand("wizard", "run the quick-processing stages over every file of a folder");
    wizard->add_option("FOLDER", a.folder, "the folder")->required();
    wizard->add_flag("--html", a.html, "stage 1: web pages to text");
    wizard->add_flag("--delete-html", a.deleteHtml, "delete each converted web page");
    wizard->add_flag("--classic-html", a.classicHtml, "convert the web pages by the old rules");
    wizard->add_flag("--typeset", a.wizardTypeset,
                     "after stage 1: punctuation, quotes and layout as the options dialog says");
    wizard->add_flag("--clean", a.clean, "after stage 1: site boilerplate and ads out of every text file");
    wizard->add_option("--merge", a.mergeName, "stage 2: merge every text file into NAME");
    wizard->add_option("--prefix", a.prefix, "put this prefix in front of the merged name");
    wizard->add_flag("--delete-merged", a.deleteMerged, "delete the merged files");
    wizard->add_option("--index", a.index, "index files in the merge: first, normal or skip")
        ->check(CLI::IsMember({"first", "normal", "skip"}));
    wizard->add_flag("--para", a.para, "stage 3: paragraph re-flow");
    wizard->add_flag("--space", a.space, "stage 4: space removal");
    wizard->add_option("--code", a.code, "stage 5: gb or big5")->check(CLI::IsMember({"gb", "big5"}));
    wizard->add_option("--width", a.width, "stage 6: narrow or wide")->check(CLI::IsMember({"narrow", "wide"}));

    auto* chapters = app.add_subcommand("chapters", "list the volumes and chapters found in a book");
    chapters->add_option("BOOK", a.book, "the book, a text file")->required();
    chapters->add_flag("--json", a.json, "one JSON object per heading");
    auto* check = app.add_subcommand("check", "look for missing, doubled, misplaced and broken chapters");
    check->add_option("BOOK", a.book, "a book, or a folder of chapter files (.txt)")->required();
    auto* split = app.add_subcommand("split", "write each chapter of a book into a file of its own");
    split->add_option("BOOK", a.book, "the book, a text file")->required();
    split->add_option("--into", a.into, "the folder of the chapter files (default: one named after the book)");
    auto* epub = app.add_subcommand("epub", "make an EPUB e-book of a book or of chapter files");
    addFiles(epub);
    epub->add_option("--output", a.output, "the .epub file")->required();
    epub->add_option("--title", a.title, "the book's title (default: 《书名》 in its first lines, or the file name)");
    epub->add_option("--author", a.author, "the author (default: 作者： in its first lines)");
    epub->add_option("--language", a.language, "default: zh-TW for Traditional text, zh-CN otherwise")
        ->check(CLI::IsMember({"zh-CN", "zh-TW", "zh-HK"}));
    epub->add_option("--cover", a.cover, "a JPEG, PNG or GIF image for the cover");
    epub->add_flag("--vertical", a.vertical, "vertical writing, pages turned right to left");
    epub->add_flag("--sort", a.sortChapters, "chapter files in reading order (第2章 before 第10章) by file name");
    auto* backups = app.add_subcommand("backups", "list the backup batches, newest first");
    backups->require_subcommand(0, 1);
    auto* show = backups->add_subcommand("show", "the files of one batch and how they stand now");
    show->add_option("ID", a.batchId, "the batch, e.g. 20261207-11/003")->required();
    auto* prune = backups->add_subcommand("prune", "delete the batches older than the retention (asks first)");
    prune->add_option("--older-than", a.olderThan, "days (default: the retention of the settings)")
        ->check(CLI::NonNegativeNumber);
    auto* restore = app.add_subcommand("restore", "undo a backup batch, or some of its files");
    restore->add_option("ID", a.batchId, "the batch, e.g. 20261207-11/003, or \"last\": the batch that started last")->required();
    restore->add_option("FILE", a.restoreFiles, "only these files (names as the batch lists them, or their paths)");
    restore->add_flag("--force", a.force,
                      "restore files changed since the batch too (their content is backed up when backups are on)");

    try {
        app.parse(argc, argv);
    } catch (const CLI::CallForHelp& e) {
        return app.exit(e);
    } catch (const CLI::CallForAllHelp& e) {
        return app.exit(e);
    } catch (const CLI::CallForVersion& e) {
        return app.exit(e);
    } catch (const CLI::ParseError& e) {
        app.exit(e);
        return ExitUsage;
    }

    AppState state;
    const QString programFolder = FileName::programFolder(QCoreApplication::applicationDirPath());
    if (a.appDir.empty()) {
        state.setAppFolder(resolveAppFolder(programFolder));
    } else {
        // A folder named for this run is made when it is not there yet.
        const QString appDir = FileName::absolutePath(toName(a.appDir));
        FileError created;
        if (!FileOps::createFolderPath(appDir, &created)) {
            // Without its folder there are no settings and no backups to show or keep.
            printError(QStringLiteral("quillmar-cli: --app-dir: ") + appDir + QStringLiteral(": ") +
                       created.description);
            return ExitFailed;
        }
        state.setAppFolder(appDir);
    }
    const bool preview = a.preview || a.diff;
    const FileError loadError = Settings::loadAtStartup(state, !preview);
    if (loadError.isSet())
        printError(QStringLiteral("quillmar-cli: settings: ") + loadError.description);
    if (a.backup || a.noBackup)
        state.Settings.BackupOn = toFlag(a.backup);
    if (!a.unmappable.empty())
        state.Prefs.Unmappable = PreferencesFile::unmappableFromName(toQString(a.unmappable)).value();
    if (a.dropLinks || a.keepLinks)
        state.Settings.DelLinks = toFlag(a.dropLinks);
    DecodingRules rules{std::nullopt, state.Prefs.LegacyEncoding};
    if (!a.legacy.empty())
        rules.fallback = PreferencesFile::legacyEncodingFromName(toQString(a.legacy)).value_or(rules.fallback);
    if (!a.encoding.empty())
        rules.forced = encodingFromCharsetName(a.encoding);
    TextReader::setDecodingRules(rules);
    if (a.classicHtml)
        state.Prefs.ClassicHtml = true;
    if (typeset->parsed()) {
        // The command line's own defaults, whatever the options dialog chose.
        state.Prefs.TypesetQuotes = toQString(a.quotes);
        state.Prefs.TypesetIndent = toQString(a.indent);
        state.Prefs.TypesetBlankLines = toQString(a.blankLines);
        state.Prefs.TypesetPunctuation = !a.noPunctuation;
        state.Prefs.TypesetLatinSpace = a.latinSpace;
    }
    state.Workers = a.jobs > 0 ? a.jobs : defaultWorkerCount();

    const QString phrases = toName(a.phrases);
    if (!phrases.isEmpty() && !FileOps::exists(phrases)) {
        printError(QStringLiteral("quillmar-cli: --phrases: no such file: ") + phrases);
        return ExitUsage;
    }
    ChineseConverter::instance().usePhraseFiles(state.AppFolder, phrases);
    ChineseConverter::instance().setTableCacheFolder(QStandardPaths::writableLocation(QStandardPaths::CacheLocation));

    CliStop::install();
    // With --diff, standard output carries only the diff; the rows (a refused file, say) go to standard error.
    CliSink sink(!a.quiet, a.json ? CliSink::Format::Json : CliSink::Format::Tab, a.diff ? stderr : stdout);
    CliPrompt prompt(a.yes ? CliPrompt::Mode::AlwaysYes : a.no ? CliPrompt::Mode::AlwaysNo : CliPrompt::Mode::Ask);
    SystemClock clock;
    JobEnv realEnv{state, sink, prompt, clock};
    // A preview runs the command on copies in a temporary folder and then shows what changed. It asks
    // nothing: a file that is there is previewed as overwritten ("将覆盖原有文件"), unless --no keeps it.
    CliPrompt previewPrompt(a.no ? CliPrompt::Mode::AlwaysNo : CliPrompt::Mode::AlwaysYes);
    JobEnv previewBase{state, sink, previewPrompt, clock};
    std::optional<DryRun> dryRun;
    const bool writesFiles =
        !(backups->parsed() || restore->parsed() || rename->parsed() || chapters->parsed() || check->parsed());
    // A diff of a restore runs the restore on copies too; its dry run lists what it would do instead.
    if (preview && (writesFiles || (restore->parsed() && a.diff))) {
        dryRun.emplace(previewBase);
        if (!dryRun->isValid()) {
            printError(QStringLiteral("quillmar-cli: no temporary folder for the dry run"));
            return ExitFailed;
        }
    }
    JobEnv& env = dryRun ? dryRun->env() : realEnv;
    QStringList files = toNames(a.files);
    if (dryRun && !merge->parsed() && !epub->parsed())
        files = CliCommands::mirrorFiles(*dryRun, files, html2txt->parsed());

    int status = ExitDone;
    if (html2txt->parsed())
        CliCommands::runBatch(env, BatchCommand::WebPageToText, 0, files);
    for (const InPlace& command : inPlace) {
        if (command.app->parsed())
            CliCommands::runBatch(env, command.command, command.direction, files);
    }
    if (typeset->parsed())
        CliCommands::runBatch(env, BatchCommand::Typeset, 0, files);
    if (clean->parsed()) {
        CleanOptions options;
        options.learn = !a.noLearn;
        for (const std::string& rule : a.rules) {
            const QString path = FileName::absolutePath(toName(rule));
            if (!FileOps::exists(path)) {
                printError(QStringLiteral("quillmar-cli: --rules: no such file: ") + path);
                return ExitUsage;
            }
            options.ruleFiles.append(path);
        }
        CliCommands::runBatch(env, BatchCommand::Clean, 0, files, options);
    }
    if (replace->parsed()) {
        if (a.find.empty()) {
            printError(QStringLiteral("quillmar-cli: replace: --find must not be empty"));
            return ExitUsage;
        }
        CliCommands::runReplace(env, toQString(a.find), toQString(a.with), a.caseSensitive, files);
    }
    if (merge->parsed()) {
        // Made absolute on its bytes: Qt's own path functions would turn a name that is not UTF-8 into
        // another one.
        QString output = FileName::absolutePath(toName(a.output));
        if (dryRun) {
            const qsizetype slash = output.lastIndexOf(u'/');
            dryRun->mirror(output.left(slash + 1), {output.mid(slash + 1)});
            output = dryRun->mapped(output);
        }
        CliCommands::runMerge(env, output, files, a.sortChapters);
    }
    if (rename->parsed()) {
        QString message;
        if (!CliCommands::runRename(env, toName(a.nameTemplate), a.start, a.dryRun || preview, a.json, files,
                                    &message)) {
            printError(message);
            status = ExitFailed;
        }
    }
    if (wizard->parsed()) {
        WizardOptions options;
        options.folder = AddBackslash(FileName::absolutePath(toName(a.folder)));
        options.html = a.html;
        options.deleteHtml = a.deleteHtml;
        options.typeset = a.wizardTypeset;
        options.clean = a.clean;
        options.merge = !a.mergeName.empty();
        options.prefix = toName(a.prefix);
        options.newName = options.prefix + toName(a.mergeName);
        options.deleteMerged = a.deleteMerged;
        options.indexMode = a.index == "normal" ? 1 : a.index == "skip" ? 2 : 0;
        options.para = a.para;
        options.space = a.space;
        options.code = a.code == "gb" ? 1 : a.code == "big5" ? 2 : 0;
        options.width = a.width == "narrow" ? 1 : a.width == "wide" ? 2 : 0;
        if (dryRun && FileOps::folderExists(options.folder))
            options.folder = dryRun->mirrorAll(options.folder);
        QString message;
        if (!CliCommands::runWizard(env, options, &message)) {
            printError(QStringLiteral("quillmar-cli: wizard: ") + message);
            status = ExitFailed;
        }
    }

    if (backups->parsed()) {
        if (show->parsed()) {
            if (!CliCommands::showBackup(state, toName(a.batchId))) {
                printError(QStringLiteral("quillmar-cli: backups show: no batch ") + toName(a.batchId));
                status = ExitFailed;
            }
        } else if (prune->parsed()) {
            const int days = a.olderThan >= 0 ? a.olderThan : BackupCatalog::retentionDays(state.Settings.BackupTime);
            status = CliCommands::pruneBackups(env, days, preview);
        } else {
            CliCommands::listBackups(state);
        }
    }
    if (chapters->parsed())
        status = BookCommands::printChapters(toName(a.book), a.json);
    if (check->parsed())
        status = BookCommands::checkBook(env, toName(a.book));
    if (split->parsed()) {
        // The book is only read: a dry run reads it where it is and writes its chapters into a mirror.
        QString folder = BookCommands::splitFolder(toName(a.book), toName(a.into));
        if (dryRun)
            folder = dryRun->mirrorAll(folder);
        status = BookCommands::splitBook(env, toName(a.book), folder);
    }
    if (epub->parsed()) {
        EpubOptions options{
            files,           toName(a.output), toQString(a.title), toQString(a.author), toQString(a.language),
            toName(a.cover), a.vertical,       {}};
        if (dryRun) {
            const QString output = FileName::absolutePath(options.output);
            const qsizetype slash = output.lastIndexOf(u'/');
            dryRun->mirror(output.left(slash + 1), {output.mid(slash + 1)});
            options.output = dryRun->mapped(output);
        }
        status = BookCommands::makeEpub(env, options, a.sortChapters);
    }
    if (restore->parsed() && dryRun)
        status = CliCommands::diffRestore(state, *dryRun, toName(a.batchId), toNames(a.restoreFiles), a.force);
    else if (restore->parsed())
        status = CliCommands::runRestore(env, toName(a.batchId), toNames(a.restoreFiles), a.force, preview);

    if (dryRun) {
        const QByteArray diff = FileName::encode(dryRun->report(a.diff));
        std::fwrite(diff.constData(), 1, size_t(diff.size()), stdout);
    }
    if (CliStop::signalNumber() != 0)
        return 128 + CliStop::signalNumber();
    if (sink.sawFailure())
        status = ExitFailed;
    return status;
}
