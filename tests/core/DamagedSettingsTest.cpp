// Settings files damaged in every way a crash, a full disk or a hand edit can damage them: cut at
// every byte, or filled with random bytes. Start-up always loads them, with every value clamped
// into the range the program works with, lists sized by the record, and a backup folder that is an
// absolute folder.

#include "SettingsRanges.h"
#include "core/AppState.h"
#include "core/PathHelpers.h"
#include "core/Settings.h"
#include "fakes/QtPrinting.h"
#include "fakes/TestFiles.h"
#include "platform/FileName.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <filesystem>
#include <gtest/gtest.h>
#include <random>

namespace {

const QString Record = QStringLiteral("Quillmar.cfg");
const QString Custom = QStringLiteral("Custom.cfg");

// A value read from a cut file is the saved value, the part of it before the cut, or empty.
bool isCutFrom(const QString& value, const QString& saved) {
    return saved.startsWith(value);
}

class DamagedSettingsTest : public testing::Test {
protected:
    void SetUp() override {
        ASSERT_TRUE(m_dir.isValid());
        app = AddBackslash(m_dir.path());
        // Whatever a damaged file names, nothing may be made in the folder the tests run from.
        m_previousFolder = QDir::currentPath();
        QDir::setCurrent(m_dir.path());
    }
    void TearDown() override {
        QDir::setCurrent(m_previousFolder);
        // Folders named by cut lines have names that are not UTF-8, which QTemporaryDir cannot remove.
        std::error_code ignored;
        std::filesystem::remove_all(QFile::encodeName(m_dir.path()).toStdString(), ignored);
    }

    void writeFile(const QString& name, const QByteArray& bytes) const {
        ASSERT_TRUE(TestFiles::write(app + name, bytes));
    }

    AppState load() const {
        AppState state;
        state.setAppFolder(app);
        Settings::loadAtStartup(state);
        return state;
    }

    QString app;

private:
    // Memory-backed when there is one: thousands of small files are written here.
    QTemporaryDir m_dir{QDir(QStringLiteral("/dev/shm")).exists()
                            ? QStringLiteral("/dev/shm/quillmar-settings-XXXXXX")
                            : QDir::tempPath() + QStringLiteral("/quillmar-settings-XXXXXX")};
    QString m_previousFolder;
};

TEST_F(DamagedSettingsTest, everyCutOfSavedFilesLoads) {
    AppState saved;
    saved.setAppFolder(app);
    Settings::LoadDefaultSettings(saved);
    saved.Settings.WinTop = -1200;
    saved.Settings.WinWidth = 70000;
    saved.Settings.StartMode = 1;
    saved.Settings.ParaLevel = 3;
    for (int i = 0; i < saved.PrefixList.size(); ++i)
        saved.PrefixList[i] = QStringLiteral("[前缀%1]").arg(i);
    for (int i = 0; i < saved.RecentList.size(); ++i)
        saved.RecentList[i] = app + QStringLiteral("书%1/").arg(i);
    // Relative, so that a cut line names a folder inside the app folder: start-up creates the folder
    // a cut line names, and an absolute one cut short would be created anywhere on the disk.
    saved.BackupFolder = QStringLiteral("备份/");
    ASSERT_FALSE(Settings::saveAtShutdown(saved, app + QStringLiteral("当前/")).isSet());
    const QByteArray record = TestFiles::read(app + Record);
    const QByteArray custom = TestFiles::read(app + Custom);
    ASSERT_EQ(record.size(), SettingsRec::FileSize);

    for (qsizetype cut = 0; cut <= record.size(); ++cut) {
        SCOPED_TRACE("record cut at " + std::to_string(cut));
        writeFile(Record, record.left(cut));
        writeFile(Custom, custom);
        const AppState state = load();
        expectInRange(state);
        if (cut < 2) {
            EXPECT_EQ(state.Settings, SettingsRec()) << "without its mark the record is not taken: defaults";
        } else {
            // Whole fields keep their values; fields cut off read as zero before clamping.
            if (cut >= 10) {
                EXPECT_EQ(state.Settings.WinTop, -1200);
            }
            if (cut <= 6) {
                EXPECT_EQ(state.Settings.WinTop, 0);
            }
            EXPECT_EQ(state.Settings.StartMode, cut >= 4 ? 1 : cut <= 2 ? 0 : state.Settings.StartMode);
        }
    }

    for (qsizetype cut = 0; cut <= custom.size(); ++cut) {
        SCOPED_TRACE("list file cut at " + std::to_string(cut));
        writeFile(Record, record);
        writeFile(Custom, custom.left(cut));
        const AppState state = load();
        expectInRange(state);
        // A cut inside a character leaves a file that is no longer UTF-8, which then reads as another
        // encoding: only the ranges hold for it.
        const QByteArray left = custom.left(cut);
        if (QString::fromUtf8(left).toUtf8() != left)
            continue;
        for (int i = 0; i < state.PrefixList.size(); ++i)
            EXPECT_TRUE(isCutFrom(state.PrefixList[i], saved.PrefixList[i])) << state.PrefixList[i].toStdString();
        for (int i = 0; i < state.RecentList.size(); ++i)
            EXPECT_TRUE(isCutFrom(state.RecentList[i], saved.RecentList[i])) << state.RecentList[i].toStdString();
        EXPECT_TRUE(state.BackupFolder == state.defaultBackupFolder() ||
                    isCutFrom(state.BackupFolder.chopped(1), app + saved.BackupFolder))
            << state.BackupFolder.toStdString();
    }
}

TEST_F(DamagedSettingsTest, randomRecordsAndListFilesLoadClamped) {
    std::mt19937 random(19970701);
    const char* const pieces[] = {"\r\n", "\r", "\n", "..", "备份", "\xFF\xFE", "\xEF\xBB\xBF", "\xA4\xA4", ""};
    for (int round = 0; round < 3000; ++round) {
        QByteArray record(SettingsRec::FileSize, '\0');
        for (char& byte : record)
            byte = char(random() & 0xff);
        record[0] = record[1] = char(0xff); // accepted, so that the list file is read
        QByteArray custom;
        const int length = int(random() % 600);
        while (custom.size() < length) {
            if (random() % 3 == 0)
                custom += pieces[random() % std::size(pieces)];
            else
                custom += char(random() & 0xff);
        }
        // No absolute folder: the folder a damaged line names is created, and it must stay in here.
        custom.replace('/', '_');
        writeFile(Record, record);
        writeFile(Custom, custom);
        SCOPED_TRACE(record.toHex().toStdString() + " / " + custom.toHex().toStdString());
        const AppState state = load();
        expectInRange(state);
        EXPECT_TRUE(state.BackupFolder.startsWith(app)) << state.BackupFolder.toStdString();
        if (HasFailure())
            break;
    }
}

TEST_F(DamagedSettingsTest, folderNamesThatAreNotUtf8ReadBackWithoutSpoilingTheOthers) {
    AppState saved;
    saved.setAppFolder(app);
    Settings::LoadDefaultSettings(saved);
    saved.PrefixList[0] = QStringLiteral("[全本]");
    // A folder unpacked from an old archive, its name in GBK ("你好"): its bytes go into the file as
    // they are, which must not make the whole file read as another encoding.
    const QString gbkFolder = app + FileName::decode("\xC4\xE3\xBA\xC3") + u'/';
    saved.BackupFolder = app + QStringLiteral("备份/");
    ASSERT_FALSE(Settings::saveAtShutdown(saved, gbkFolder).isSet());
    const AppState state = load();
    EXPECT_EQ(state.PrefixList[0], QStringLiteral("[全本]"));
    EXPECT_EQ(state.RecentList[0], gbkFolder);
    EXPECT_EQ(state.BackupFolder, app + QStringLiteral("备份/"));
}

TEST_F(DamagedSettingsTest, relativeBackupFolderIsTakenInsideTheAppFolder) {
    SettingsRec rec;
    rec.PrefixMax = 0;
    rec.RecentMax = 0;
    writeFile(Record, rec.toFileImage());
    writeFile(Custom, "\r\n\r\nmy backups\r\n");
    const AppState state = load();
    EXPECT_EQ(state.BackupFolder, app + QStringLiteral("my backups/"));
    EXPECT_TRUE(QDir(state.BackupFolder).exists());
}

} // namespace
