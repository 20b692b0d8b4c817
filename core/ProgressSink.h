#pragma once

#include <QHash>
#include <QString>

// What a result row says about its file. The row's colour, whether the command line fails, the JSON
// "file" field, the dry run's filter and the progress window's totals all follow from this value;
// the status word beside it is the row's own (the words of today's rows, such as "完成", "合并完成",
// "错误2", are kept word for word).
//
//   outcome       colour   the rows it marks                                    counts in the totals as
//   Heading       none     a stage title ("-html转换-")                          -
//   Summary       blue     a total that is about no file ("总时间：…")            -
//   Done          blue     the step was done ("完成", "合并完成", "制作完成")       done
//   Unchanged     blue     done, the file left as it was ("内容没有变化…")         unchanged
//   Preview       blue     what a dry run would do ("预览")                       -
//   Detail        none     a line under its file's row (a line a clean removes)    -
//   Note          yellow   something to know beside a row, or a done step with a
//                          remark ("注意", "覆盖原有文件", "-源文件已删除-")        -
//   Asked         yellow   the user answered No: the file stays ("用户中止")       kept
//   Skipped       yellow   left by a rule ("跳过": changed since, a link)          kept
//   Stopped       yellow   the batch was stopped here ("-已停止-")                 -
//   NotProcessed  red      a stopped batch never came to the file ("未处理")       not done
//   Refused       red      the file could not be done ("未完成", a bad cover)      not done
//   Error         red      a file system error ("错误<number>")                   errors
//
// A file not done is a failure, the command line then exits 1: every red outcome, and Asked (a file
// left as it was because the user answered No, --no on the command line). A No to a whole action
// ("delete these old backups?") is no row and no failure.
enum class Outcome { Heading, Summary, Done, Unchanged, Preview, Detail, Note, Asked, Skipped, Stopped, NotProcessed, Refused, Error };

namespace Outcomes {
// "red", "yellow", "blue" or "" (the mark keys of Icons::mark and of the command line's fourth field).
QString markKey(Outcome outcome);
// A file not done (red outcomes and Asked): the command line's exit status is 1 once one was reported.
bool isFailure(Outcome outcome);
// Red and yellow outcomes: what the progress window's filter and a dry run's rows keep.
bool needsAttention(Outcome outcome);
} // namespace Outcomes

// One row of the progress window, the command line's output or a test's record.
struct ResultRow {
    Outcome outcome = Outcome::Heading;
    QString text;   // first column: a file's name or path, a title, a batch number
    QString status; // second column: the status word
    QString reason; // third column
    QString file;   // full path of the file the row is about; empty for titles, totals and batch numbers

    // The usual way to make a row: `ResultRow::of(Outcome::Done, name, "完成", reason, folder + name)`.
    static ResultRow of(Outcome outcome, const QString& text, const QString& status, const QString& reason,
                        const QString& file) {
        return {outcome, text, status, reason, file};
    }
    // A row about no file: a stage title, a total, a batch number.
    static ResultRow about(Outcome outcome, const QString& text, const QString& status = QString(),
                           const QString& reason = QString()) {
        return {outcome, text, status, reason, QString()};
    }
    QString markKey() const { return Outcomes::markKey(outcome); }
};

// Where a batch reports its rows: the progress window, the command line, or a test recorder.
class ProgressSink {
public:
    virtual ~ProgressSink() = default;

    // percent: 1..100 moves the bar, 0 adds a row without moving it, -1 completes the batch.
    // A row is added only when `row.text` is not empty.
    virtual void ReportProgress(int percent, const ResultRow& row) = 0;
    // Moves the bar without a row.
    void moveBar(int percent) { ReportProgress(percent, ResultRow()); }
    // The batch's last call: no more rows follow.
    void complete() { ReportProgress(-1, ResultRow()); }
    // Lets pending window events run once (so the progress window repaints between files).
    virtual void processEvents() {}
    // True once the user asked the batch to stop (the progress window's stop button, a signal to the
    // command line). Batches look at it at their safe points: between files, and between the lines
    // of a file, whose target is then left exactly as it was.
    virtual bool stopRequested() const { return false; }
    // How often, inside one large file, the bar moves and events run (WorkPulse); tests use 0.
    virtual int pulseIntervalMs() const { return 50; }
};

// Counts the files of a batch by outcome, for the closing line that sums it up. A file with several
// rows (an error, then "未完成") counts once, under its gravest outcome: errors, not done, kept, done,
// unchanged. Rows about no file count each for itself; headings, notes and totals not at all.
class OutcomeTally {
public:
    void add(const ResultRow& row);
    int done() const { return count(Tier::Done); }
    int unchanged() const { return count(Tier::Unchanged); }
    int kept() const { return count(Tier::Kept); }
    int notDone() const { return count(Tier::NotDone); }
    int errors() const { return count(Tier::Error); }
    int files() const { return int(m_tiers.size()); }

private:
    enum class Tier { Unchanged, Done, Kept, NotDone, Error };
    int count(Tier tier) const;

    QHash<QString, Tier> m_tiers; // file (or a key of its own for a row about no file) -> its gravest tier
};
