// The change preview runs a command on a copy: the file previewed and its folder stay byte for byte
// as they were, whatever the command, and the preview still shows the command's result.

#include "runner/ChangePreview.h"
#include "RunnerFixture.h"

#include <QMap>

namespace {

using namespace Qt::StringLiterals;

// Every file of the folder with its bytes.
QMap<QString, QByteArray> snapshot(const QString& folder) {
    QMap<QString, QByteArray> files;
    for (const QString& name : TestFiles::treeOf(folder))
        files.insert(name, TestFiles::read(folder + name));
    return files;
}

class ChangePreviewTest : public RunnerFixture {};

TEST_F(ChangePreviewTest, EveryCommandLeavesTheFileAndItsFolderAsTheyWere) {
    // GB18030: "ＡＢＣ 中 文 這個 Hello" on the first line, then a line broken mid-sentence.
    const QByteArray text = "\xa3\xc1\xa3\xc2\xa3\xc3 \xd6\xd0 \xce\xc4 \xdf\x40\x82\x80 Hello\r\n"
                            "\xb5\xda\xd2\xbb\xd0\xd0\r\n\xb5\xda\xb6\xfe\xd0\xd0";
    const QByteArray page = "<html><head><meta charset=\"gb2312\"></head><body><p>\xd6\xd0\xce\xc4</p></body></html>";
    struct Case {
        const char* rule;
        BatchCommand command;
        int direction;
        qsizetype maxCharacters; // small: only a part of the file is previewed
    };
    const Case cases[] = {
        {"web page to text", BatchCommand::WebPageToText, 0, 200000},
        {"reflow", BatchCommand::Reflow, 0, 200000},
        {"space removal", BatchCommand::RemoveSpaces, 0, 200000},
        {"to GB2312", BatchCommand::CodePage, 0, 200000},
        {"to Big5", BatchCommand::CodePage, 1, 200000},
        {"full-width to half-width", BatchCommand::Width, 0, 200000},
        {"half-width to full-width", BatchCommand::Width, 1, 200000},
        {"to Big5, a part of the file", BatchCommand::CodePage, 1, 4},
        {"half-width to full-width, a part of the file", BatchCommand::Width, 1, 4},
    };
    put(u"book.txt"_s, text);
    put(u"page.htm"_s, page);
    put(u"other.txt"_s, "unrelated\r\n");
    const QMap<QString, QByteArray> before = snapshot(folder);
    const QMap<QString, QByteArray> app = snapshot(state.AppFolder);
    for (const Case& c : cases) {
        SCOPED_TRACE(c.rule);
        const QString name = c.command == BatchCommand::WebPageToText ? u"page.htm"_s : u"book.txt"_s;
        const ChangePreview preview = ChangePreview::of(state, c.command, c.direction, path(name), c.maxCharacters);
        EXPECT_EQ(preview.error, QString());
        EXPECT_FALSE(preview.after.isEmpty());
        EXPECT_EQ(snapshot(folder), before);
        EXPECT_EQ(snapshot(state.AppFolder), app);
    }
}

} // namespace
