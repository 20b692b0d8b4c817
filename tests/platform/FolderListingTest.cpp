#include "platform/FolderListing.h"

#include "fakes/QtPrinting.h"
#include "fakes/TestFiles.h"

#include <QTemporaryDir>
#include <gtest/gtest.h>

namespace {

// The wizard rewrites, merges and deletes what a mask lists: a name only partly like the mask, or a
// hidden file, must never be among them.
TEST(FolderListingTest, MasksMatchWholeNamesAndHiddenFilesAreNotListed) {
    QTemporaryDir dir;
    const QString folder = dir.path() + QLatin1Char('/');
    for (const char* name : {"a.txt", "B.TXT", "notes.txt.bak", "a.txtx", "chapter.txt~", ".hidden.txt",
                             ".a.txt.x1y2.qmtmp", "page.htm", "page.html", "page.htmx", "readme"})
        ASSERT_TRUE(TestFiles::write(folder + QLatin1String(name), "x"));

    EXPECT_EQ(FolderListing::listFiles(folder, QStringLiteral("*.txt")), (QStringList{"a.txt", "B.TXT"}));
    EXPECT_EQ(FolderListing::listFiles(folder, QStringLiteral("*.htm;*.html")), (QStringList{"page.htm", "page.html"}));
    EXPECT_EQ(FolderListing::listFiles(folder, QStringLiteral("*.*")),
              (QStringList{"a.txt", "a.txtx", "B.TXT", "chapter.txt~", "notes.txt.bak", "page.htm", "page.html",
                           "page.htmx", "readme"}));
}

} // namespace
