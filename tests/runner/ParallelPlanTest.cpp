#include "core/AppState.h"
#include "core/Settings.h"
#include "fakes/FakeClock.h"
#include "fakes/QtPrinting.h"
#include "fakes/RecordingSink.h"
#include "fakes/ScriptedPrompt.h"
#include "fakes/TestFiles.h"
#include "platform/FileName.h"
#include "runner/BatchRunner.h"
#include "runner/ReplaceRunner.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <gtest/gtest.h>
#include <optional>

namespace {

// A file of the work folder before the batch: its bytes, or with `linkTo` a link to that name.
struct Given {
    const char* name;
    QByteArray bytes;
    const char* linkTo = nullptr;
};

struct Case {
    const char* rule;
    std::vector<Given> files;
    std::optional<BatchCommand> command; // none: replace 甲 with 甲甲
    QStringList names;                   // in the order given
    bool answer = true;                  // to every overwrite question
};

// What a batch did that a user can see: its rows (timings left out), the questions it asked, and
// every file of the work folder with its bytes (a link as its target's name).
struct Outcome {
    QStringList rows;
    QStringList questions;
    QStringList files;
    bool operator==(const Outcome&) const = default;
};

void PrintTo(const Outcome& o, std::ostream* out) {
    *out << "rows: " << o.rows.join(u'|').toStdString() << "\nquestions: " << o.questions.join(u'|').toStdString()
         << "\nfiles: " << o.files.join(u'|').toStdString();
}

Outcome runWithWorkers(const Case& c, int workers) {
    QTemporaryDir root;
    QDir(root.path()).mkdir(QStringLiteral("app"));
    QDir(root.path()).mkdir(QStringLiteral("work"));
    const QString folder = root.path() + QStringLiteral("/work/");
    for (const Given& file : c.files) {
        if (file.linkTo)
            QFile::link(QString::fromUtf8(file.linkTo), folder + QString::fromUtf8(file.name));
        else
            TestFiles::write(folder + QString::fromUtf8(file.name), file.bytes);
    }
    AppState state;
    state.setAppFolder(root.path() + QStringLiteral("/app"));
    Settings::LoadDefaultSettings(state);
    state.Workers = workers;
    RecordingSink sink;
    ScriptedPrompt prompt(c.answer);
    FakeClock clock;
    JobEnv env{state, sink, prompt, clock};
    if (c.command) {
        BatchRequest request{*c.command, 0, {}, folder};
        for (const QString& name : c.names)
            request.entries.append({name, true});
        BatchRunner(env).run(request);
    } else {
        ReplaceRunner(env).run({c.names, folder, QStringLiteral("甲"), QStringLiteral("甲甲")});
    }

    Outcome outcome;
    for (const RecordingSink::Row& row : sink.rows()) {
        if (row.text.startsWith(QStringLiteral("总时间")))
            continue;
        const bool timing = row.status == QStringLiteral("完成") && row.reason.endsWith(u'秒');
        outcome.rows.append(QString(row.text).remove(folder) + u' ' + row.status + u' ' +
                            (timing ? QString() : row.reason));
    }
    for (const ScriptedPrompt::Question& question : prompt.asked())
        outcome.questions.append(question.text);
    for (const QString& name : TestFiles::filesIn(folder)) {
        const QFileInfo info(folder + name);
        outcome.files.append(name + u'=' +
                             (info.isSymLink() ? u'→' + info.symLinkTarget().section(u'/', -1)
                                               : QString::fromUtf8(TestFiles::read(folder + name))));
    }
    return outcome;
}

// With several workers a batch asks, answers and writes exactly what it does with one: steps that
// share a file keep their order, and a page whose ".txt" an earlier page makes is asked about.
TEST(ParallelPlanTest, SeveralWorkersDoWhatOneWorkerDoes) {
    const QByteArray page1 = "<html><body><p>第一页</p></body></html>";
    const QByteArray page2 = "<html><body><p>第二页</p></body></html>";
    const Case cases[] = {
        {"two pages, one .txt: the second is asked about",
         {{"c5.htm", page1}, {"c5.html", page2}},
         BatchCommand::WebPageToText,
         {"c5.htm", "c5.html"}},
        {"two pages, one .txt, the overwrite refused",
         {{"q.htm", page1}, {"q.html", page2}},
         BatchCommand::WebPageToText,
         {"q.htm", "q.html"},
         false},
        {"pages among others, their .txt there already",
         {{"a.htm", page1}, {"q.htm", page1}, {"q.html", page2}, {"q.txt", "旧"}, {"z.htm", page2}},
         BatchCommand::WebPageToText,
         {"a.htm", "q.html", "z.htm", "q.htm"}},
        {"one file named twice is rewritten twice", {{"f.txt", "甲乙\n"}}, std::nullopt, {"f.txt", "f.txt"}},
        {"a link and its target are one file",
         {{"a.txt", "甲\n"}, {"b.txt", "乙甲\n"}, {"l.txt", {}, "a.txt"}},
         std::nullopt,
         {"l.txt", "b.txt", "a.txt"}},
        {"a page's .txt is a link to another page's .txt",
         {{"x.htm", page1}, {"y.htm", page2}, {"y.txt", "旧"}, {"x.txt", {}, "y.txt"}},
         BatchCommand::WebPageToText,
         {"x.htm", "y.htm"}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.rule);
        const Outcome one = runWithWorkers(c, 1);
        for (int run = 0; run < 3; ++run)
            EXPECT_EQ(runWithWorkers(c, 4), one);
    }
}

} // namespace
