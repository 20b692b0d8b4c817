#include "runner/RenamePlan.h"
#include "RunnerFixture.h"

namespace {

QList<RenameItem> itemsFor(const QStringList& names) {
    QList<RenameItem> items;
    for (const QString& name : names)
        items.append({name, QString()});
    return items;
}

QStringList newNames(const QList<RenameItem>& items) {
    QStringList names;
    for (const RenameItem& item : items)
        names.append(item.newName);
    return names;
}

struct TemplateCase {
    const char* rule;
    QStringList names;
    QString nameTemplate;
    qint32 start;
    QStringList expected;
};

TEST(RenameSeriesTest, buildsNamesFromTheTemplate) {
    const TemplateCase cases[] = {
        {"a single # counts from the start, extension lower-cased",
         {"a.TXT", "b.txt", "c.Htm"},
         "#",
         0,
         {"0.txt", "1.txt", "2.htm"}},
        {"a run pads to its length and grows past it",
         {"a.txt", "b.txt", "c.txt"},
         "###",
         998,
         {"998.txt", "999.txt", "1000.txt"}},
        {"* keeps the name before the extension", {"one.txt", "two.txt"}, "*_bak", 0, {"one_bak.txt", "two_bak.txt"}},
        {"a name without extension gets no dot", {"notes"}, "*-#", 1, {"notes-1"}},
        {"only the last dot starts the extension", {"a.b.TXT"}, "*", 0, {"a.b.txt"}},
        {"every run shows the same number", {"x.txt"}, "#-##", 7, {"7-07.txt"}},
        {"a negative counter puts its sign before the padding", {"x.txt", "y.txt"}, "##", -5, {"-05.txt", "-04.txt"}},
        {"the worked example",
         {"Chapter1.TXT", "Chapter2.TXT", "notes"},
         "第##章 *",
         9,
         {"第09章 Chapter1.txt", "第10章 Chapter2.txt", "第11章 notes"}},
    };
    for (const TemplateCase& c : cases) {
        QList<RenameItem> items = itemsFor(c.names);
        RenameSeries(items, c.nameTemplate, c.start);
        EXPECT_EQ(newNames(items), c.expected) << c.rule;
    }
}

TEST(RenameSeriesTest, anEmptyResultKeepsTheNameShownBefore) {
    QList<RenameItem> items{{"a.txt", "kept.txt"}};
    RenameSeries(items, QString(), 0);
    EXPECT_EQ(items[0].newName, "kept.txt");
}

TEST(RenameSeriesTest, theCounterDoesNotOverflowAtTheTopOfTheRange) {
    QList<RenameItem> items = itemsFor({"a", "b"});
    RenameSeries(items, "#", 2147483647);
    EXPECT_EQ(newNames(items), (QStringList{"2147483647", "2147483648"}));
}

class RenamePlanTest : public RunnerFixture {
protected:
    void makeFiles(const QStringList& names) {
        for (const QString& name : names)
            put(name, name.toUtf8());
    }
};

TEST_F(RenamePlanTest, refusedPlansRenameNothing) {
    makeFiles({"a.txt", "b.txt", "other.txt"});
    const QList<QList<RenameItem>> refused = {
        {{"a.txt", "same.txt"}, {"b.txt", "same.txt"}},
        {{"a.txt", "other.txt"}},
        {{"a.txt", "sub/x.txt"}},
        {{"a.txt", ""}},
        {{"a.txt", ".."}},
        {{"a.txt", QString("x") + QChar(u'\n') + "y.txt"}},
        {{"gone.txt", "new.txt"}},
        {{"a.txt", "b.txt"}, {"b.txt", "b.txt"}}, // b keeps its name, so a cannot take it
    };
    for (const QList<RenameItem>& plan : refused) {
        const QString message = checkRenamePlan(folder, plan);
        EXPECT_FALSE(message.isEmpty()) << plan[0].newName.toStdString();
        EXPECT_TRUE(message.contains(plan.last().oldName) || message.contains(plan[0].oldName));
        EXPECT_EQ(TestFiles::filesIn(folder), (QStringList{"a.txt", "b.txt", "other.txt"}));
    }
}

TEST_F(RenamePlanTest, swapsAndChainsGoThroughTemporaryNames) {
    makeFiles({"a.txt", "b.txt", "c.txt"});
    const QList<RenameItem> swap{{"a.txt", "b.txt"}, {"b.txt", "a.txt"}};
    ASSERT_EQ(checkRenamePlan(folder, swap), QString());
    QString message;
    ASSERT_TRUE(executeRenamePlan(folder, swap, &message)) << message.toStdString();
    EXPECT_EQ(content("a.txt"), "b.txt");
    EXPECT_EQ(content("b.txt"), "a.txt");

    const QList<RenameItem> chain{{"a.txt", "b.txt"}, {"b.txt", "c.txt"}, {"c.txt", "d.txt"}};
    ASSERT_EQ(checkRenamePlan(folder, chain), QString());
    ASSERT_TRUE(executeRenamePlan(folder, chain, &message)) << message.toStdString();
    EXPECT_EQ(TestFiles::filesIn(folder), (QStringList{"b.txt", "c.txt", "d.txt"}));
    EXPECT_EQ(content("b.txt"), "b.txt");
    EXPECT_EQ(content("c.txt"), "a.txt");
    EXPECT_EQ(content("d.txt"), "c.txt");
}

TEST_F(RenamePlanTest, aFileThatAppearsAfterTheCheckIsNeverReplaced) {
    makeFiles({"a.txt"});
    const QList<RenameItem> plan{{"a.txt", "b.txt"}};
    ASSERT_EQ(checkRenamePlan(folder, plan), QString());
    put("b.txt", "precious");
    QString message;
    EXPECT_FALSE(executeRenamePlan(folder, plan, &message));
    EXPECT_FALSE(message.isEmpty());
    EXPECT_EQ(content("b.txt"), "precious");
    EXPECT_EQ(content("a.txt"), "a.txt");
}

TEST_F(RenamePlanTest, aNameKeptAsItIsIsLeftAlone) {
    makeFiles({"a.txt"});
    const QList<RenameItem> plan{{"a.txt", "a.txt"}};
    EXPECT_EQ(checkRenamePlan(folder, plan), QString());
    QString message;
    EXPECT_TRUE(executeRenamePlan(folder, plan, &message));
    EXPECT_EQ(TestFiles::filesIn(folder), QStringList{"a.txt"});
}

} // namespace
