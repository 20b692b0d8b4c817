#include "core/PathHelpers.h"
#include "core/AppState.h"

#include <gtest/gtest.h>

namespace {

TEST(PathHelpersTest, AddBackslashAndGetExtension) {
    const struct {
        const char* rule;
        QString (*helper)(const QString&);
        QString path;
        QString expected;
    } rows[] = {
        {"a folder without its separator gets one", AddBackslash, QStringLiteral("C:"), QStringLiteral("C:/")},
        {"the empty path becomes the separator", AddBackslash, QString(), QStringLiteral("/")},
        {"a folder ending in the separator is unchanged", AddBackslash, QStringLiteral("/home/书/"),
         QStringLiteral("/home/书/")},
        {"two trailing separators stay two", AddBackslash, QStringLiteral("/home//"), QStringLiteral("/home//")},
        {"a backslash is an ordinary character here", AddBackslash, QStringLiteral("a\\"), QStringLiteral("a\\/")},
        {"the extension is lower-cased", GetExtension, QStringLiteral("report.TXT"), QStringLiteral("txt")},
        {"the extension is only after the last dot", GetExtension, QStringLiteral("a.tar.gz"), QStringLiteral("gz")},
        {"no dot, no extension", GetExtension, QStringLiteral("README"), QString()},
        {"a trailing dot gives no extension", GetExtension, QStringLiteral("name."), QString()},
        {"a dot in a folder counts", GetExtension, QStringLiteral("/a.b/file"), QStringLiteral("b/file")},
        {"a leading dot counts", GetExtension, QStringLiteral(".profile"), QStringLiteral("profile")},
        {"Chinese names have extensions too", GetExtension, QStringLiteral("第一章.Htm"), QStringLiteral("htm")},
    };
    for (const auto& row : rows)
        EXPECT_EQ(row.helper(row.path), row.expected) << row.rule;
}

TEST(PathHelpersTest, PromoteToFront) {
    const QString a = QStringLiteral("A"), b = QStringLiteral("B"), c = QStringLiteral("C"), d = QStringLiteral("D");
    const QString x = QStringLiteral("X"), e;
    const struct {
        const char* rule;
        QStringList list;
        QString item;
        QStringList expected;
    } rows[] = {
        {"an entry in the middle moves to the front", {a, b, c, d}, c, {c, a, b, d}},
        {"the last entry moves to the front", {a, b, c, d}, d, {d, a, b, c}},
        {"a new item pushes the last entry out", {a, b, c, d}, QStringLiteral("E"), {QStringLiteral("E"), a, b, c}},
        {"the front entry stays where it is", {a, b, c, d}, a, {a, b, c, d}},
        {"a one-entry list takes the new item", {a}, b, {b}},
        {"a one-entry list holding the item is unchanged", {a}, a, {a}},
        {"an empty list stays empty", {}, a, {}},
        {"comparison is case-sensitive",
         {QStringLiteral("/books/")},
         QStringLiteral("/Books/"),
         {QStringLiteral("/Books/")}},
        {"the highest copy of the item is the one moved", {x, a, x, b}, x, {x, x, a, b}},
        {"an empty item moves an empty entry forward", {a, e, b}, e, {e, a, b}},
        {"an empty item is new when no entry is empty", {a, b}, e, {e, a}},
    };
    for (const auto& row : rows) {
        QStringList list = row.list;
        PromoteToFront(list, row.item);
        EXPECT_EQ(list, row.expected) << row.rule;
    }
}

TEST(PathHelpersTest, PromoteWorksOnTheNamedList) {
    AppState state;
    state.PrefixList = {QStringLiteral("[全本]"), QStringLiteral("[完结]")};
    state.RecentList = {QStringLiteral("/a/"), QStringLiteral("/b/")};
    PromotePrefix(state, QStringLiteral("[完结]"));
    PromoteRecentFolder(state, QStringLiteral("/c/"));
    EXPECT_EQ(state.PrefixList, QStringList({QStringLiteral("[完结]"), QStringLiteral("[全本]")}));
    EXPECT_EQ(state.RecentList, QStringList({QStringLiteral("/c/"), QStringLiteral("/a/")}));
}

TEST(PathHelpersTest, ResizeListKeepsWhatFits) {
    QStringList list = {QStringLiteral("a"), QStringLiteral("b"), QStringLiteral("c")};
    resizeList(list, 4);
    EXPECT_EQ(list, QStringList({QStringLiteral("a"), QStringLiteral("b"), QStringLiteral("c"), QString(), QString()}));
    resizeList(list, 0);
    EXPECT_EQ(list, QStringList({QStringLiteral("a")}));
    resizeList(list, -1);
    EXPECT_TRUE(list.isEmpty());
}

TEST(PathHelpersTest, AppFolderGetsItsSeparatorAndTheWorkingFile) {
    AppState state;
    state.setAppFolder(QStringLiteral("/opt/羽墨"));
    EXPECT_EQ(state.AppFolder, QStringLiteral("/opt/羽墨/"));
    EXPECT_EQ(state.TempFile, QStringLiteral("/opt/羽墨/tempfile.tmp"));
    EXPECT_EQ(state.defaultBackupFolder(), QStringLiteral("/opt/羽墨/backup/"));
}

} // namespace
