#include "platform/TrashCheck.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <gtest/gtest.h>

#include <functional>
#include <sys/stat.h>
#include <unistd.h>

namespace {

// The trash of a shared file system takes a user's deletions only when it is that user's own folder.
TEST(TrashCheckTest, aSharedTrashIsUsedOnlyWhenItIsTheUsersOwnClosedFolder) {
    QTemporaryDir root;
    ASSERT_TRUE(root.isValid());
    const QByteArray trash = QFile::encodeName(root.path()) + "/.Trash-" + QByteArray::number(::getuid());
    const QByteArray elsewhere = QFile::encodeName(root.path()) + "/elsewhere";
    ASSERT_EQ(::mkdir(elsewhere.constData(), 0700), 0);
    struct Case {
        const char* rule;
        std::function<void()> plant;
        bool used;
    };
    const Case cases[] = {
        {"the user's own folder, mode 0700",
         [&] { ::mkdir(trash.constData(), 0700), ::chmod(trash.constData(), 0700); }, true},
        {"open to everyone", [&] { ::mkdir(trash.constData(), 0700), ::chmod(trash.constData(), 0777); }, false},
        {"open to the group", [&] { ::mkdir(trash.constData(), 0700), ::chmod(trash.constData(), 0770); }, false},
        {"sticky", [&] { ::mkdir(trash.constData(), 0700), ::chmod(trash.constData(), 01700); }, false},
        {"a link to a folder of the user's", [&] { ASSERT_EQ(::symlink(elsewhere.constData(), trash.constData()), 0); },
         false},
        {"a file", [&] { ASSERT_TRUE(QFile(QFile::decodeName(trash)).open(QIODevice::WriteOnly)); }, false},
        {"missing", [] {}, false},
        {"another user's folder",
         [&] {
             ::mkdir(trash.constData(), 0700);
             if (::getuid() == 0) {
                 ASSERT_EQ(::chown(trash.constData(), 65534, 65534), 0);
             }
         },
         ::getuid() != 0},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.rule);
        ::unlink(trash.constData());
        ::rmdir(trash.constData());
        c.plant();
        EXPECT_EQ(TrashCheck::isOwnTrash(trash), c.used);
    }
}

} // namespace
