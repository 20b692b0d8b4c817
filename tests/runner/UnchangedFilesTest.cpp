// A command that finds nothing to do leaves every file as it stands: no new bytes, no backup, the row
// "内容没有变化，文件未改写", however the line model would have written the file (a final line end
// added, a lone CR made CR LF, a line end after a SUB or after an odd byte of UTF-16).

#include "RunnerFixture.h"
#include "runner/BatchRunner.h"
#include "runner/FileStep.h"
#include "runner/ReplaceRunner.h"

#include <QStringEncoder>
#include <functional>

using namespace Qt::StringLiterals;

namespace {

struct TrickyFile {
    QString name;
    QByteArray bytes;
};

QByteArray encoded(const char* encoding, const QString& text) {
    QStringEncoder encoder(encoding);
    return encoder.encode(text);
}

// Line end shapes in every encoding, and damaged bytes; Simplified Chinese and ASCII without spaces or
// full-width forms, so that none of the commands below has anything to do.
std::vector<TrickyFile> trickyFiles() {
    const char* shapes[] = {
        "第一行\n第二行",            // Unix lines, no final line end
        "第一行\n第二行\n",          // Unix lines
        "line1\r\nline2\rline3\r\n", // CR LF and a lone CR
        "line1\r\nline2\rline3",     // and no final line end
        "一\r二\r三",                // lone CRs only
        "中文\r\n\x1a",              // SUB behind the last line end
        "中文\x1a",                  // SUB as the last character
        "甲\n\r\n乙",                // a LF inside a CR LF line
        "\r\n\r\n",                  // empty lines
        "\n",
        "\r",
        "\r\r\n",
        "",
        "x",
        "中文\r\n\r\n\r\n", // trailing empty lines
        "末行\t\f",         // TAB and FF
    };
    const struct {
        const char* name;
        const char* codec;
        QByteArray bom;
    } encodings[] = {
        {"gb18030", "GB18030", ""},           {"utf8", "UTF-8", ""},
        {"utf8bom", "UTF-8", "\xef\xbb\xbf"}, {"utf16le", "UTF-16LE", "\xff\xfe"},
        {"utf16be", "UTF-16BE", "\xfe\xff"},
    };
    std::vector<TrickyFile> files;
    for (const auto& e : encodings) {
        int shape = 0;
        for (const char* text : shapes)
            files.push_back({QStringLiteral("%1-%2.txt").arg(QLatin1String(e.name)).arg(shape++),
                             e.bom + encoded(e.codec, QString::fromUtf8(text))});
    }
    const QByteArray le = "\xff\xfe";
    const QByteArray be = "\xfe\xff";
    const TrickyFile damaged[] = {
        {"utf16le-odd.txt", le + encoded("UTF-16LE", QStringLiteral("中文\r\n")) + "A"},
        {"utf16le-odd-no-end.txt", le + encoded("UTF-16LE", QStringLiteral("中文")) + "A"},
        {"utf16be-odd.txt", be + encoded("UTF-16BE", QStringLiteral("中文\r\n")) + "\x4e"},
        {"utf16le-lone-surrogate.txt", le + encoded("UTF-16LE", QStringLiteral("中文")) + QByteArray("\x00\xd8", 2)},
        {"gb-undecodable.txt", "\xd6\xd0\x80\xce\xc4\r\n\xb5\xda\xd2\xbb\xd0\xd0\r\n"},
        {"gb-cut-at-end.txt", "\xb5\xda\xd2\xbb\xd0\xd0\r\n\xd6\xd0\xce\xc4\xd6"},
        {"utf8-stray.txt", encoded("UTF-8", QStringLiteral("第一行第二行第三行第四行\r\n")) + "\xff\r\nx"},
        {"utf8-cut-at-end.txt", encoded("UTF-8", QStringLiteral("中文\r\n")) + "\xe5\xad"},
        {"utf8-nbsp-line.txt", encoded("UTF-8", QStringLiteral("中文\u00a0\r\n"))},
    };
    files.insert(files.end(), std::begin(damaged), std::end(damaged));
    return files;
}

class UnchangedFilesTest : public RunnerFixture {};

TEST_F(UnchangedFilesTest, ACommandWithNothingToDoLeavesEveryFileUntouched) {
    const std::vector<TrickyFile> files = trickyFiles();
    QStringList names;
    QList<FileEntry> entries;
    for (const TrickyFile& file : files) {
        put(file.name, file.bytes);
        names.append(file.name);
        entries.append({file.name, true});
    }
    const struct {
        const char* rule;
        std::function<void()> run;
    } commands[] = {
        {"replace, ASCII find text not found",
         [&] {
             ReplaceRunner(env).run({names, folder, "ZZZ", "Q", true});
         }},
        {"replace, Chinese find text not found",
         [&] {
             ReplaceRunner(env).run({names, folder, "丁丁丁", "Q", false});
         }},
        {"replace, every find replaced by itself",
         [&] {
             ReplaceRunner(env).run({names, folder, "x", "x", true});
         }},
        {"full-width to half-width without full-width forms",
         [&] {
             BatchRunner(env).run({BatchCommand::Width, 0, entries, folder});
         }},
        {"to Simplified on Simplified text",
         [&] {
             BatchRunner(env).run({BatchCommand::CodePage, 0, entries, folder});
         }},
        {"space removal without spaces",
         [&] {
             BatchRunner(env).run({BatchCommand::RemoveSpaces, 0, entries, folder});
         }},
    };
    for (const auto& command : commands) {
        SCOPED_TRACE(command.rule);
        sink.clear();
        command.run();
        for (const TrickyFile& file : files)
            EXPECT_EQ(content(file.name), file.bytes) << file.name.toStdString();
        int unchangedRows = 0;
        for (const RecordingSink::Row& row : sink.calls()) {
            if (!names.contains(row.text.section(QLatin1Char('/'), -1)))
                continue;
            EXPECT_EQ(row.reason, FileStep::unchangedReason()) << row;
            unchangedRows += row.reason == FileStep::unchangedReason();
        }
        EXPECT_EQ(unchangedRows, int(files.size())) << "a row for every file";
        for (const QString& kept : TestFiles::treeOf(state.BackupFolder))
            EXPECT_TRUE(kept.endsWith(QStringLiteral("quillmar-journal.txt"))) << "a backup: " << kept.toStdString();
    }
}

// Where a command does change a UTF-16 file's text, a trailing odd byte stays the file's last byte: the
// line end the line model adds after the last line must not follow it, or it pairs up with that byte.
TEST_F(UnchangedFilesTest, AChangedUtf16FileKeepsItsTrailingOddByteLast) {
    const auto file = [](const char* codec, const QByteArray& bom, const QString& text, const QByteArray& odd) {
        return bom + encoded(codec, text) + odd;
    };
    const struct {
        QString name;
        QByteArray before;
        QByteArray after; // 中 replaced by 甲
    } files[] = {
        {"le-end.txt", file("UTF-16LE", "\xff\xfe", u"中文\r\n"_s, "A"),
         file("UTF-16LE", "\xff\xfe", u"甲文\r\n"_s, "A")},
        {"le-no-end.txt", file("UTF-16LE", "\xff\xfe", u"中文"_s, "A"), file("UTF-16LE", "\xff\xfe", u"甲文"_s, "A")},
        {"be-no-end.txt", file("UTF-16BE", "\xfe\xff", u"文中"_s, "\x4e"),
         file("UTF-16BE", "\xfe\xff", u"文甲"_s, "\x4e")},
    };
    QStringList names;
    for (const auto& f : files) {
        put(f.name, f.before);
        names.append(f.name);
    }
    ReplaceRunner(env).run({names, folder, "中", "甲", false});
    for (const auto& f : files)
        EXPECT_EQ(content(f.name), f.after) << f.name.toStdString();
}

} // namespace
