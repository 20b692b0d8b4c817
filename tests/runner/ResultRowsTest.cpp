// The rows batches report: each row's outcome gives the colour people have always seen beside its
// words, and names the file the row is about (whatever the row's text says).

#include "RunnerFixture.h"
#include "runner/BatchRunner.h"
#include "runner/ReplaceRunner.h"
#include "runner/RestoreRunner.h"
#include "runner/WizardRunner.h"

#include <functional>

namespace {

struct Seen {
    QString text;
    QString status;
    QString mark;
    Outcome outcome;
    QString file; // relative to the work folder; "" for rows about no file

    bool operator==(const Seen&) const = default;
    friend std::ostream& operator<<(std::ostream& out, const Seen& seen) {
        return out << "{" << seen.text.toStdString() << ", " << seen.status.toStdString() << ", "
                   << seen.mark.toStdString() << ", " << int(seen.outcome) << ", " << seen.file.toStdString() << "}";
    }
};

class ResultRowsTest;

struct Case {
    const char* rule;
    std::function<void(ResultRowsTest&)> run;
    QList<Seen> rows;
};

void PrintTo(const Case& c, std::ostream* out) {
    *out << c.rule;
}

class ResultRowsTest : public RunnerFixture, public ::testing::WithParamInterface<Case> {
public:
    void file(const QString& name, const QByteArray& bytes) { put(name, bytes); }
    void answer(bool yes) { prompt.queue({yes}); }
    void batch(BatchCommand command, const QStringList& names) {
        QList<FileEntry> entries;
        for (const QString& name : names)
            entries.append({name, true});
        BatchRunner(env).run({command, 0, entries, folder});
    }
    void wizard(WizardOptions options) {
        options.folder = folder;
        WizardRunner(env).run(options);
    }
    void restore(const QString& id) { RestoreRunner(env).run({id, {}, RestoreRequest::Changed::Skip}); }

    // The rows with the work folder taken out of texts and files; the total time without its figure.
    QList<Seen> seen() const {
        QList<Seen> rows;
        for (const ResultRow& row : sink.resultRows()) {
            const QString text = row.text.startsWith(QStringLiteral("总时间：")) ? QStringLiteral("总时间")
                                                                                 : QString(row.text).remove(folder);
            rows.append({text, row.status, row.markKey(), row.outcome, QString(row.file).remove(folder)});
        }
        return rows;
    }
};

WizardOptions spacesOnly() {
    WizardOptions options;
    options.html = false;
    options.merge = false;
    options.space = true;
    return options;
}

const Case cases[] = {
    {"a file rewritten is done, blue",
     [](ResultRowsTest& t) {
         t.file("a.txt", "短\r\n行。\r\n");
         t.batch(BatchCommand::Reflow, {"a.txt"});
     },
     {{"a.txt", "完成", "blue", Outcome::Done, "a.txt"}}},
    {"a file left as it was is unchanged, blue with the same word",
     [](ResultRowsTest& t) {
         t.file("a.txt", "中文\r\n");
         t.batch(BatchCommand::RemoveSpaces, {"a.txt"});
     },
     {{"a.txt", "完成", "blue", Outcome::Unchanged, "a.txt"}, {"总时间", "", "blue", Outcome::Summary, ""}}},
    {"a missing file is an error, then not done, both red",
     [](ResultRowsTest& t) { t.batch(BatchCommand::Reflow, {"gone.txt"}); },
     {{"gone.txt", "错误2", "red", Outcome::Error, "gone.txt"},
      {"gone.txt", "未完成", "red", Outcome::Refused, "gone.txt"}}},
    {"a No to overwriting is asked, yellow, about the page whose text it kept",
     [](ResultRowsTest& t) {
         t.file("p.htm", "<p>新</p>");
         t.file("p.txt", "old");
         t.answer(false);
         t.batch(BatchCommand::WebPageToText, {"p.htm"});
     },
     {{"p.htm", "用户中止", "yellow", Outcome::Asked, "p.htm"},
      {"p.htm", "未完成", "red", Outcome::Refused, "p.htm"},
      {"总时间", "", "blue", Outcome::Summary, ""}}},
    {"a Yes to overwriting is a yellow note, then done",
     [](ResultRowsTest& t) {
         t.file("p.htm", "<p>新</p>");
         t.file("p.txt", "old");
         t.answer(true);
         t.batch(BatchCommand::WebPageToText, {"p.htm"});
     },
     {{"p.htm", "覆盖原有文件", "yellow", Outcome::Note, "p.htm"},
      {"p.htm", "完成", "blue", Outcome::Done, "p.htm"},
      {"总时间", "", "blue", Outcome::Summary, ""}}},
    {"the wizard's stage title is a heading about no file",
     [](ResultRowsTest& t) {
         t.file("a.txt", "中 文\r\n");
         t.wizard(spacesOnly());
     },
     {{"-删除空格-", "", "", Outcome::Heading, ""}, {"a.txt", "完成", "blue", Outcome::Done, "a.txt"}}},
    {"a restore of a batch that is not there names the batch, no file",
     [](ResultRowsTest& t) { t.restore(QStringLiteral("20200101-01")); },
     {{"20200101-01", "未完成", "red", Outcome::Refused, ""}}},
};

TEST_P(ResultRowsTest, eachOutcomeKeepsItsColourAndNamesItsFile) {
    GetParam().run(*this);
    EXPECT_EQ(seen(), GetParam().rows);
}

INSTANTIATE_TEST_SUITE_P(Rows, ResultRowsTest, ::testing::ValuesIn(cases));

// The command line's exit status and the window's filter read these: a table of what each outcome is.
TEST(OutcomeTest, colourFailureAndAttentionOfEveryOutcome) {
    struct Row {
        Outcome outcome;
        const char* mark;
        bool failure;
        bool attention;
    };
    const Row rows[] = {
        {Outcome::Heading, "", false, false},      {Outcome::Summary, "blue", false, false},
        {Outcome::Done, "blue", false, false},     {Outcome::Unchanged, "blue", false, false},
        {Outcome::Preview, "blue", false, false},  {Outcome::Note, "yellow", false, true},
        {Outcome::Asked, "yellow", true, true},    {Outcome::Skipped, "yellow", false, true},
        {Outcome::Stopped, "yellow", false, true}, {Outcome::NotProcessed, "red", true, true},
        {Outcome::Refused, "red", true, true},     {Outcome::Error, "red", true, true},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(int(row.outcome));
        EXPECT_EQ(Outcomes::markKey(row.outcome), QString::fromLatin1(row.mark));
        EXPECT_EQ(Outcomes::isFailure(row.outcome), row.failure);
        EXPECT_EQ(Outcomes::needsAttention(row.outcome), row.attention);
    }
}

// A file with an error row and then its "未完成" row is one file with an error; notes, titles and
// totals are no files; two batch numbers without a file are two.
TEST(OutcomeTest, theTallyCountsEachFileOnceUnderItsGravestOutcome) {
    const auto at = [](Outcome outcome, const char* file) {
        return ResultRow::of(outcome, QStringLiteral("x"), QString(), QString(), QString::fromUtf8(file));
    };
    OutcomeTally tally;
    for (const ResultRow& row : {at(Outcome::Heading, ""), at(Outcome::Note, "/w/a"), at(Outcome::Done, "/w/a"),
                                 at(Outcome::Note, "/w/a"), at(Outcome::Unchanged, "/w/b"), at(Outcome::Asked, "/w/c"),
                                 at(Outcome::Refused, "/w/c"), at(Outcome::Error, "/w/d"), at(Outcome::Refused, "/w/d"),
                                 at(Outcome::NotProcessed, "/w/e"), at(Outcome::Summary, ""), at(Outcome::Done, ""),
                                 at(Outcome::Done, ""), at(Outcome::Stopped, "")})
        tally.add(row);
    EXPECT_EQ(tally.done(), 3);
    EXPECT_EQ(tally.unchanged(), 1);
    EXPECT_EQ(tally.kept(), 0);
    EXPECT_EQ(tally.notDone(), 2);
    EXPECT_EQ(tally.errors(), 1);
    EXPECT_EQ(tally.files(), 7);
}

} // namespace
