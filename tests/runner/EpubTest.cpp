#include "EpubBooks.h"
#include "RunnerFixture.h"
#include "engine/EpubBuilder.h"
#include "runner/BackupCatalog.h"
#include "runner/EpubRunner.h"
#include "runner/RestoreRunner.h"

#include <QRegularExpression>
#include <QStringEncoder>

namespace {

using EpubBooks::Book;
using EpubBooks::Epub;

class EpubTest : public RunnerFixture {
protected:
    bool make(const QStringList& inputs, const QString& output, const QString& title = QString()) {
        EpubOptions options;
        for (const QString& input : inputs)
            options.inputs.append(path(input));
        options.output = path(output);
        options.title = title;
        return EpubRunner::run(env, options);
    }
    QStringList statuses() const {
        QStringList list;
        for (const RecordingSink::Row& r : sink.rows())
            list.append(r.status + u' ' + r.reason);
        return list;
    }
};

QByteArray gb18030(const QString& text) {
    QStringEncoder encoder("GB18030");
    return encoder.encode(text);
}

// The book's pages show its headings and lines character for character, in a package that older
// readers open too.
TEST_F(EpubTest, aBookComesBackPageByPageCharacterForCharacter) {
    struct Case {
        const char* name;
        Book book;
        std::function<QByteArray(const QString&)> bytes;
        int volumes;
        qint64 dropped;
    };
    Book escapes = EpubBooks::novel(2, 3, 4);
    escapes.chapter("第7章 <符号> & \"引号\"");
    escapes.text("　　a < b && c > d，</p>不是标签。");
    escapes.text("　　非字符\uFFFE与\u0085换行。", "非字符与\u0085换行。");
    Book legacy = EpubBooks::novel(0, 4, 3);
    legacy.chapter("第5章 无法解码");
    legacy.text("　　前\uFFFF后。", "前后。"); // becomes an undecodable byte below
    const Case cases[] = {
        {"UTF-8 LF with volumes and characters to escape or leave out", escapes,
         [](const QString& text) { return text.toUtf8(); }, 2, 1},
        {"GB18030 CR LF with a byte that does not decode", legacy,
         [](const QString& text) {
             QByteArray bytes = gb18030(QString(text).replace(u'\n', QLatin1String("\r\n")));
             return bytes.replace(gb18030(QStringLiteral("\uFFFF")), QByteArray("\xFF"));
         },
         0, 1},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        sink.clear();
        QFile::remove(path("book.epub"));
        put("book.txt", c.bytes(c.book.joined()));
        ASSERT_TRUE(make({"book.txt"}, "book.epub")) << statuses().join(u'\n').toStdString();
        const Epub epub(path("book.epub"));
        ASSERT_TRUE(epub.ok);
        EXPECT_EQ(epub.shown(), c.book.shown);

        EXPECT_EQ(epub.names.value(0), "mimetype");
        EXPECT_TRUE(epub.firstStored);
        EXPECT_EQ(epub.files.value("mimetype"), "application/epub+zip");
        for (const QString& name : epub.names)
            EXPECT_TRUE(name.toUtf8().size() == name.size() && !name.contains(u' ')) << qPrintable(name);
        EXPECT_EQ(epub.text("OEBPS/content.opf", "dc:title"), "测试之书");
        EXPECT_EQ(epub.text("OEBPS/content.opf", "dc:creator"), "佚名");
        EXPECT_EQ(epub.text("OEBPS/content.opf", "dc:language"), "zh-CN");
        EXPECT_TRUE(epub.text("OEBPS/content.opf", "dc:identifier").startsWith("urn:uuid:"));
        for (const QString& page : epub.spine())
            EXPECT_EQ(epub.attributes(page, "html", "xml:lang"), QStringList{"zh-CN"}) << qPrintable(page);
        // A volume's chapters are listed inside it, in nav.xhtml and in toc.ncx.
        EXPECT_EQ(epub.attributes("OEBPS/nav.xhtml", "ol", "").size(), 1 + c.volumes);
        const qsizetype headings = c.book.shown.filter(QRegularExpression("^h[12]:")).size();
        EXPECT_EQ(epub.attributes("OEBPS/nav.xhtml", "a", "href").size(), headings);
        EXPECT_EQ(epub.attributes("OEBPS/toc.ncx", "navPoint", "playOrder").size(), headings);
        EXPECT_TRUE(statuses().contains(QStringLiteral("注意 %1 个字符无法写入电子书，已略去").arg(c.dropped)))
            << statuses().join(u'\n').toStdString();
    }
}

// A chapter far longer than a page goes on over pages of at most the limit, its text whole.
TEST_F(EpubTest, aLongChapterContinuesOnPagesUnderTheLimit) {
    const Book book = EpubBooks::novel(0, 2, 9000);
    put("long.txt", book.joined().toUtf8());
    ASSERT_TRUE(make({"long.txt"}, "long.epub"));
    const Epub epub(path("long.epub"));
    EXPECT_EQ(epub.shown(), book.shown);
    EXPECT_GT(epub.spine().size(), 1 + 2) << "each chapter continues on a page of its own";
    for (const QString& page : epub.spine())
        EXPECT_LE(epub.files.value(page).size(), EpubBuilder::PageLimit) << qPrintable(page);

    // A text without line breaks: its one line becomes paragraphs that fit, cut after full stops, and
    // the page that holds the heading holds the first of them.
    QString line;
    for (const QString& sentence : EpubBooks::sentences())
        line += sentence;
    while (line.size() < 3 * EpubBuilder::PageLimit)
        line += line;
    put("line.txt", ("第一章 长\n" + line + u'\n').toUtf8());
    ASSERT_TRUE(make({"line.txt"}, "line.epub"));
    const Epub oneLine(path("line.epub"));
    const QStringList shown = oneLine.shown();
    ASSERT_GT(shown.size(), 3);
    EXPECT_EQ(shown.first(), "h2:第一章 长");
    QString paragraphs;
    for (const QString& paragraph : shown.mid(1))
        paragraphs += paragraph.mid(2);
    EXPECT_TRUE(paragraphs == line) << "the text whole, " << paragraphs.size() << " characters of " << line.size();
    for (const QString& paragraph : shown.mid(1, shown.size() - 2))
        EXPECT_TRUE(QStringView(u"。！？!?").contains(paragraph.back())) << qPrintable(paragraph.right(10));
    for (const QString& page : oneLine.spine())
        EXPECT_LE(oneLine.files.value(page).size(), EpubBuilder::PageLimit) << qPrintable(page);
}

// Chapter files: each a chapter under its own heading, or under its file name when it has none; the
// book is named after the output when the first file does not name it.
TEST_F(EpubTest, chapterFilesMakeOneChapterEach) {
    put("第2章.txt", gb18030("第二章 归来\r\n　　他回来了。\r\n"));
    put("第10章.txt", "　　没有标题的一章。\n");
    put("空.txt", "");
    ASSERT_TRUE(make({"第2章.txt", "第10章.txt", "空.txt"}, "合集.epub"));
    const Epub epub(path("合集.epub"));
    EXPECT_EQ(epub.shown(),
              QStringList({"h2:第二章 归来", "p:他回来了。", "h2:第10章", "p:没有标题的一章。", "h2:空"}));
    EXPECT_EQ(epub.text("OEBPS/content.opf", "dc:title"), "合集");
    EXPECT_EQ(epub.text("OEBPS/content.opf", "dc:creator"), QString());
}

// The user's corrections in the window: a heading unticked is text again, a line marked is a chapter
// under its own words, a mark on a blank line or on a line already a heading changes nothing; of a
// line holding a volume and a chapter, the volume alone can be dropped.
TEST_F(EpubTest, headingEditsDropAndAddChapters) {
    put("书.txt", "第一章 起\n　　甲。\n第六回合打完了\n　　乙。\n\n　　丙。\n　　第二章 承\n　　丁。\n上卷 第三章 "
                  "转\n　　戊。\n");
    EpubOptions options;
    options.inputs = {path("书.txt")};
    options.output = path("书.epub");
    options.edits.dropped = {1};
    options.edits.droppedVolumes = {9};
    options.edits.added = {3, 5, 7};
    ASSERT_TRUE(EpubRunner::run(env, options)) << statuses().join(u'\n').toStdString();
    EXPECT_EQ(Epub(path("书.epub")).shown(),
              QStringList({"h1:书", "p:第一章 起", "p:甲。", "h2:第六回合打完了", "p:乙。", "p:丙。", "h2:第二章 承",
                           "p:丁。", "h2:第三章 转", "p:戊。"}));
}

TEST_F(EpubTest, theOpeningNamesTheBookAndTheTextTellsItsLanguage) {
    struct Case {
        QStringList opening;
        QString title;
        QString author;
    };
    const Case cases[] = {
        {{"《西游记》", "作者：吴承恩"}, "西游记", "吴承恩"},
        {{"书名：红楼梦", "作者: 曹雪芹", "《另一本》"}, "红楼梦", "曹雪芹"},
        {{"第一章 开始", "他说作者：不是这里"}, "", "不是这里"},
        {{"简介", "一本书"}, "", ""},
    };
    for (const Case& c : cases) {
        QString title, author;
        EpubRunner::readOpening(c.opening, &title, &author);
        EXPECT_EQ(title, c.title) << qPrintable(c.opening.join(u'|'));
        EXPECT_EQ(author, c.author) << qPrintable(c.opening.join(u'|'));
    }
    EXPECT_EQ(EpubRunner::languageOf("這是一個關於龍與鳳凰的故事，他們說話時聲音很輕。"), "zh-TW");
    EXPECT_EQ(EpubRunner::languageOf("这是一个关于龙与凤凰的故事，他们说话时声音很轻。"), "zh-CN");
    EXPECT_EQ(EpubRunner::languageOf("Plain ASCII text."), "zh-CN");

    // Given on its own, the language reaches every page; vertical writing turns the pages right to left.
    put("tw.txt", "第一章 開始\n　　這是一個關於龍與鳳凰的故事。\n");
    ASSERT_TRUE(make({"tw.txt"}, "tw.epub"));
    const Epub epub(path("tw.epub"));
    EXPECT_EQ(epub.text("OEBPS/content.opf", "dc:language"), "zh-TW");
    EXPECT_EQ(epub.attributes(epub.spine().value(0), "html", "xml:lang"), QStringList{"zh-TW"});
    EXPECT_TRUE(EpubBuilder::styleSheet(true).contains("vertical-rl"));
    EXPECT_FALSE(EpubBuilder::styleSheet(false).contains("vertical-rl"));
}

// An existing e-book is replaced only when the user agrees, and a restore brings it back.
TEST_F(EpubTest, anExistingBookIsReplacedOnlyWhenAgreedAndRestoredFromTheBatch) {
    put("book.txt", "第一章 开始\n　　正文。\n");
    put("book.epub", "old");
    prompt.queue({false});
    EXPECT_FALSE(make({"book.txt"}, "book.epub"));
    EXPECT_EQ(content("book.epub"), "old");
    EXPECT_TRUE(statuses().contains("用户中止 文件已存在"));

    prompt.queue({true});
    ASSERT_TRUE(make({"book.txt"}, "book.epub"));
    EXPECT_TRUE(Epub(path("book.epub")).ok);
    const QList<BackupBatch> batches = BackupCatalog::list(state.BackupFolder);
    ASSERT_FALSE(batches.isEmpty());
    EXPECT_EQ(RestoreRunner(env).run({batches.first().id, {}, RestoreRequest::Changed::Skip}).restored, 1);
    EXPECT_EQ(content("book.epub"), "old");
}

// A book that was not there when the run began but appears while it builds (another run's) is left as
// it is: no question was asked about it, so it is not replaced.
TEST_F(EpubTest, aBookThatAppearsMeanwhileIsNotReplacedUnasked) {
    struct AppearingSink : RecordingSink {
        QString appear;
        void processEvents() override {
            RecordingSink::processEvents();
            if (!appear.isEmpty() && !QFile::exists(appear))
                TestFiles::write(appear, "another run's");
        }
    } appearing;
    appearing.appear = path("book.epub");
    JobEnv racing{state, appearing, prompt, clock};
    put("book.txt", "第一章 开始\n　　正文。\n第二章 继续\n　　正文二。\n");
    EpubOptions options{{path("book.txt")}, path("book.epub"), {}, {}, {}, {}, false, {}};
    EXPECT_FALSE(EpubRunner::run(racing, options));
    EXPECT_EQ(content("book.epub"), "another run's");
    ASSERT_FALSE(appearing.rows().isEmpty());
    EXPECT_EQ(appearing.rows().back().mark, "red") << appearing.rows().back();
}

// A stop anywhere leaves no e-book and nothing else behind; an image that is no cover is refused.
TEST_F(EpubTest, aStopOrABadCoverLeavesNoBook) {
    put("book.txt", EpubBooks::novel(2, 20, 40).joined().toUtf8());
    for (const int events : {1, 5, 30}) {
        SCOPED_TRACE(events);
        sink.clear();
        sink.pulseAtEveryChance();
        sink.stopAfterEvents(events);
        EXPECT_FALSE(make({"book.txt"}, "book.epub"));
        ASSERT_FALSE(sink.rows().isEmpty());
        EXPECT_EQ(sink.rows().back().text, "-已停止-");
        EXPECT_EQ(TestFiles::filesIn(folder), QStringList{"book.txt"});
    }
    sink.clear();
    sink.stopAfterEvents(-1);
    put("cover.jpg", "not an image");
    EpubOptions options{{path("book.txt")}, path("book.epub"), {}, {}, {}, path("cover.jpg"), false, {}};
    EXPECT_FALSE(EpubRunner::run(env, options));
    EXPECT_TRUE(statuses().contains("错误 封面须是 JPEG、PNG 或 GIF 图片"));
    EXPECT_FALSE(QFile::exists(path("book.epub")));
}

} // namespace
