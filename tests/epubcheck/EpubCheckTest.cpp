// Every kind of e-book the program makes passes epubcheck with no error and no warning. epubcheck is
// a Java program (Debian package epubcheck, which scripts/install-deps.sh installs); without it
// these tests are skipped.

#include "runner/EpubBooks.h"
#include "runner/EpubRunner.h"
#include "runner/RunnerFixture.h"

#include <QFile>
#include <QProcess>
#include <QStandardPaths>

namespace {

const QString EpubCheckJar = QStringLiteral("/usr/share/java/epubcheck.jar");

// A 1×1 PNG image.
const QByteArray Cover = QByteArray::fromBase64(
    "iVBORw0KGgoAAAANSUhEUgAAAAEAAAABCAYAAAAfFcSJAAAADUlEQVR42mNkYPhfDwAChwGA60e6kgAAAABJRU5ErkJggg==");

class EpubCheckTest : public RunnerFixture {
protected:
    void SetUp() override {
        RunnerFixture::SetUp();
        if (QStandardPaths::findExecutable(QStringLiteral("java")).isEmpty() || !QFile::exists(EpubCheckJar))
            GTEST_SKIP() << "epubcheck is not installed (Debian package epubcheck): the e-books were not checked";
    }

    // epubcheck's report on one book; empty when it found nothing at all.
    QString check(const QString& epub) {
        QProcess process;
        process.setProcessChannelMode(QProcess::MergedChannels);
        process.start(QStringLiteral("java"), {QStringLiteral("-jar"), EpubCheckJar, epub});
        if (!process.waitForFinished(-1))
            return QStringLiteral("epubcheck did not run: ") + process.errorString();
        const QString report = QString::fromUtf8(process.readAll());
        const bool clean = process.exitCode() == 0 && report.contains(QLatin1String("0 errors / 0 warnings"));
        return clean ? QString() : report;
    }
};

// A novel of 3,000 chapters in 30 volumes, read from the start of the file to its end.
TEST_F(EpubCheckTest, aLongNovelWithVolumesPassesAndReadsBackWhole) {
    const EpubBooks::Book book = EpubBooks::novel(30, 100, 3);
    put("novel.txt", book.joined().toUtf8());
    EpubOptions options;
    options.inputs = {path("novel.txt")};
    options.output = path("novel.epub");
    ASSERT_TRUE(EpubRunner::run(env, options));
    const EpubBooks::Epub epub(path("novel.epub"));
    ASSERT_TRUE(epub.ok);
    EXPECT_EQ(epub.shown(), book.shown);
    EXPECT_EQ(epub.attributes("OEBPS/toc.ncx", "navPoint", "id").size(), 1 + 30 + 3000);
    EXPECT_EQ(check(path("novel.epub")), QString());
}

// Chapter files in Traditional Chinese, written vertically, with a cover, an author and characters
// to escape.
TEST_F(EpubCheckTest, chapterFilesWithACoverInVerticalWritingPass) {
    put("第1章.txt", "第一章 開始 <&>\n　　這是一個關於龍與鳳凰的故事。\n　　「你好」& <b>。\n");
    put("第2章.txt", "　　沒有標題的一章。\n");
    put("cover.png", Cover);
    EpubOptions options;
    options.inputs = {path("第1章.txt"), path("第2章.txt")};
    options.output = path("tw.epub");
    options.author = QStringLiteral("無名氏");
    options.cover = path("cover.png");
    options.vertical = true;
    ASSERT_TRUE(EpubRunner::run(env, options));
    const EpubBooks::Epub epub(path("tw.epub"));
    EXPECT_EQ(epub.text("OEBPS/content.opf", "dc:language"), "zh-TW");
    EXPECT_EQ(epub.files.value("OEBPS/cover.png"), Cover);
    EXPECT_EQ(check(path("tw.epub")), QString());
}

} // namespace
