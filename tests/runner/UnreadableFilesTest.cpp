// A batch given files it must not read as text: a FIFO and a device (reached through a link) are
// refused at once instead of blocking the batch or reading without end, and text in no Chinese
// encoding is refused instead of being rewritten as GB18030. Each gets its red row and stays as it was.

#include "RunnerFixture.h"
#include "platform/TextReader.h"
#include "runner/BatchRunner.h"
#include "runner/DryRun.h"
#include "runner/ReplaceRunner.h"

#include <QFile>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <functional>
#include <future>
#include <sys/stat.h>

namespace {

class UnreadableFilesTest : public RunnerFixture {};

TEST_F(UnreadableFilesTest, EachGetsItsRedRowAndStaysAsItWas) {
    const QString fifo = path(QStringLiteral("pipe.txt"));
    ASSERT_EQ(::mkfifo(QFile::encodeName(fifo).constData(), 0600), 0);
    ASSERT_TRUE(QFile::link(QStringLiteral("/dev/zero"), path(QStringLiteral("zero.txt"))));
    const QByteArray latin1 = "Le caf\xe9 est tr\xe8s bon.\r\n";
    put(QStringLiteral("latin.txt"), latin1);
    const QStringList names{QStringLiteral("pipe.txt"), QStringLiteral("zero.txt"), QStringLiteral("latin.txt")};
    QList<FileEntry> entries;
    for (const QString& name : names)
        entries.append({name, true});
    const QStringList reasons{QStringLiteral("不是普通文件"), QStringLiteral("不是普通文件"),
                              TextReader::unknownEncodingError().description};
    const struct {
        const char* rule;
        std::function<void()> run;
    } commands[] = {
        {"half-width to full-width",
         [&] {
             BatchRunner(env).run({BatchCommand::Width, 1, entries, folder});
         }},
        {"reflow",
         [&] {
             BatchRunner(env).run({BatchCommand::Reflow, 0, entries, folder});
         }},
        {"replace",
         [&] {
             ReplaceRunner(env).run({names, folder, QStringLiteral("e"), QStringLiteral("E"), true});
         }},
        {"a dry run, which copies the files it names first",
         [&] {
             DryRun dry(env);
             BatchRunner(dry.env()).run({BatchCommand::Width, 1, entries, dry.mirror(folder, names)});
             dry.report(false);
         }},
    };
    for (const auto& command : commands) {
        SCOPED_TRACE(command.rule);
        sink.clear();
        // A batch that blocks on the FIFO or reads /dev/zero without end cannot be stopped from
        // outside: the test program stops with a message instead of hanging.
        auto done = std::async(std::launch::async, command.run);
        if (done.wait_for(std::chrono::seconds(60)) == std::future_status::timeout) {
            std::fprintf(stderr, "%s: the batch did not return\n", command.rule);
            std::abort();
        }
        const QList<RecordingSink::Row> rows = sink.rows();
        ASSERT_GE(rows.size(), names.size());
        for (qsizetype i = 0; i < names.size(); ++i) {
            EXPECT_TRUE(rows[i].text.endsWith(names[i])) << rows[i];
            EXPECT_EQ(rows[i].status, QStringLiteral("未完成")) << rows[i];
            EXPECT_EQ(rows[i].reason, reasons[i]) << rows[i];
            EXPECT_EQ(rows[i].mark, QStringLiteral("red")) << rows[i];
        }
        EXPECT_EQ(content(QStringLiteral("latin.txt")), latin1);
        EXPECT_TRUE(QFileInfo(fifo).exists() && !QFileInfo(fifo).isFile());
        EXPECT_EQ(QFileInfo(path(QStringLiteral("zero.txt"))).symLinkTarget(), QStringLiteral("/dev/zero"));
    }
}

} // namespace
