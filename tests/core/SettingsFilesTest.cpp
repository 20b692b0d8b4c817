#include "core/AppFolder.h"
#include "core/AppState.h"
#include "core/PathHelpers.h"
#include "core/Settings.h"
#include "fakes/TestFiles.h"

#include "SettingsRanges.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QTemporaryDir>
#include <gtest/gtest.h>

#include <random>

namespace {

QByteArray utf8(const char* text) {
    return QByteArray(text);
}

class SettingsFilesTest : public testing::Test {
protected:
    void SetUp() override {
        ASSERT_TRUE(m_dir.isValid());
        state.setAppFolder(m_dir.path());
    }

    QString path(const QString& name) const { return state.AppFolder + name; }

    void writeFile(const QString& name, const QByteArray& bytes) const {
        ASSERT_TRUE(TestFiles::write(path(name), bytes));
    }

    QByteArray readFile(const QString& name) const { return TestFiles::read(path(name)); }

    // A fresh start of the program on the same app folder.
    void restart() {
        state = AppState();
        state.setAppFolder(m_dir.path());
    }

    void writeRecordWith(void (*change)(SettingsRec&)) const {
        SettingsRec rec;
        change(rec);
        writeFile(QStringLiteral("Quillmar.cfg"), rec.toFileImage());
    }

    QTemporaryDir m_dir;
    AppState state;
};

const QString Record = QStringLiteral("Quillmar.cfg");
const QString Custom = QStringLiteral("Custom.cfg");
const QString Defaults = QStringLiteral("Default.cfg");

QStringList strings(std::initializer_list<const char*> items) {
    QStringList list;
    for (const char* item : items)
        list.append(QString::fromUtf8(item));
    return list;
}

// The record reader

TEST_F(SettingsFilesTest, RecordAcceptance) {
    const QByteArray defaults = SettingsRec().toFileImage();
    const struct {
        const char* rule;
        QByteArray bytes;
        bool accepted;
    } rows[] = {
        {"the default record is accepted", defaults, true},
        {"a record with bytes after it is accepted", defaults + "tail", true},
        {"a first field 00 00 is not accepted", QByteArray(2, '\0') + defaults.mid(2), false},
        {"a first field other than -1 is not accepted", QByteArray::fromHex("0100") + defaults.mid(2), false},
        {"an empty file is not accepted", QByteArray(), false},
        {"one byte is not a whole first field", QByteArray::fromHex("ff"), false},
        {"two bytes FF FF are enough", QByteArray::fromHex("ffff"), true},
    };
    for (const auto& row : rows) {
        SCOPED_TRACE(row.rule);
        writeFile(Record, row.bytes);
        SettingsRec rec;
        rec.WinTop = 1;
        FileError error;
        EXPECT_EQ(Settings::readRecord(path(Record), rec, &error), row.accepted);
        EXPECT_FALSE(error.isSet());
        if (!row.accepted) {
            EXPECT_EQ(rec.WinTop, 1) << "a refused record changes nothing";
        }
    }
}

TEST_F(SettingsFilesTest, ShortRecordFileLeavesItsMissingFieldsZero) {
    writeFile(Record, SettingsRec().toFileImage().left(10));
    SettingsRec rec;
    ASSERT_TRUE(Settings::readRecord(path(Record), rec));
    EXPECT_EQ(rec.WinTop, 240);
    EXPECT_EQ(rec.WinLeft, 0);
    EXPECT_EQ(rec.WinWidth, 0);
    EXPECT_EQ(rec.PrefixMax, 0);
}

TEST_F(SettingsFilesTest, MissingRecordIsNotAnError) {
    SettingsRec rec;
    FileError error;
    EXPECT_FALSE(Settings::readRecord(path(Record), rec, &error));
    EXPECT_FALSE(error.isSet());
}

TEST_F(SettingsFilesTest, WriteRecordReplacesOnlyTheFirstThirtyFourBytes) {
    writeFile(Record, QByteArray(34, 'x') + "kept");
    SettingsRec rec;
    rec.ParaLevel = 3;
    ASSERT_TRUE(Settings::writeRecord(path(Record), rec));
    EXPECT_EQ(readFile(Record), rec.toFileImage() + "kept");

    writeFile(Record, QByteArray("short"));
    ASSERT_TRUE(Settings::writeRecord(path(Record), rec));
    EXPECT_EQ(readFile(Record), rec.toFileImage());
}

// Start-up

TEST_F(SettingsFilesTest, FirstStartUsesTheDefaultsAndCreatesTheBackupFolder) {
    EXPECT_FALSE(Settings::loadAtStartup(state).isSet());
    EXPECT_EQ(state.Settings, SettingsRec());
    EXPECT_EQ(state.PrefixList.size(), 30);
    EXPECT_EQ(state.RecentList, QStringList(8, QString()));
    EXPECT_EQ(state.BackupFolder, state.AppFolder + QStringLiteral("backup/"));
    EXPECT_TRUE(QFileInfo(state.BackupFolder).isDir());
}

TEST_F(SettingsFilesTest, RefusedRecordIgnoresTheListFile) {
    writeFile(Defaults, utf8("[全本]\r\n[完结]\r\n"));
    writeFile(Custom, utf8("p\r\np\r\n/r/\r\n/custom-backup/\r\n"));
    const QByteArray refused[] = {QByteArray(), QByteArray(2, '\0') + SettingsRec().toFileImage().mid(2)};
    for (const QByteArray& bytes : refused) {
        SCOPED_TRACE(bytes.toHex().toStdString());
        writeFile(Record, bytes);
        restart();
        Settings::loadAtStartup(state);
        EXPECT_EQ(state.Settings, SettingsRec());
        EXPECT_EQ(state.PrefixList.mid(0, 3), strings({"[全本]", "[完结]", ""}));
        EXPECT_EQ(state.RecentList, QStringList(8, QString()));
        EXPECT_EQ(state.BackupFolder, state.AppFolder + QStringLiteral("backup/"));
    }
}

TEST_F(SettingsFilesTest, AcceptedRecordReadsTheListFile) {
    writeRecordWith([](SettingsRec& r) {
        r.PrefixMax = 1;
        r.RecentMax = 2;
        r.StartMode = 1;
    });
    writeFile(Defaults, utf8("never read\r\n"));
    const QString backup = m_dir.path() + QStringLiteral("/备份/");
    writeFile(Custom, utf8("[全本]\r\n\r\n/书/\r\n/old/\r\n\r\n") + backup.toUtf8() + "\r\n");
    EXPECT_FALSE(Settings::loadAtStartup(state).isSet());
    EXPECT_EQ(state.Settings.StartMode, 1);
    EXPECT_EQ(state.PrefixList, strings({"[全本]", ""}));
    EXPECT_EQ(state.RecentList, strings({"/书/", "/old/", ""}));
    EXPECT_EQ(state.BackupFolder, backup);
    EXPECT_TRUE(QFileInfo(backup).isDir());
}

TEST_F(SettingsFilesTest, ListFileCases) {
    // "@" stands for the app folder, without its "/".
    const struct {
        const char* rule;
        QByteArray custom; // "" for no file
        QStringList prefixes;
        QStringList recent;
        const char* backup;
    } rows[] = {
        {"no list file: sized empty lists and the default backup folder", QByteArray(), strings({"", ""}),
         strings({"", "", ""}), "@/backup/"},
        {"no last line: the default backup folder", utf8("a\r\nb\r\n/1/\r\n/2/\r\n/3/\r\n"), strings({"a", "b"}),
         strings({"/1/", "/2/", "/3/"}), "@/backup/"},
        {"too few recent lines: the backup line is read as a folder", utf8("a\r\nb\r\n/1/\r\n/bk/\r\n"),
         strings({"a", "b"}), strings({"/1/", "/bk/", ""}), "@/backup/"},
        {"an empty backup line: the default backup folder", utf8("a\r\nb\r\n/1/\r\n/2/\r\n/3/\r\n\r\n"),
         strings({"a", "b"}), strings({"/1/", "/2/", "/3/"}), "@/backup/"},
        {"a backup folder without its separator gets one", utf8("a\r\nb\r\n\r\n\r\n\r\n@/mine\r\n"),
         strings({"a", "b"}), strings({"", "", ""}), "@/mine/"},
        {"a lone CR ends a line", utf8("a\rb\r/1/\r/2/\r/3/\r@/mine/\r"), strings({"a", "b"}),
         strings({"/1/", "/2/", "/3/"}), "@/mine/"},
        {"lines past the backup line are ignored", utf8("a\r\nb\r\n\r\n\r\n\r\n@/mine/\r\nextra\r\n"),
         strings({"a", "b"}), strings({"", "", ""}), "@/mine/"},
    };
    const QByteArray app = m_dir.path().toUtf8();
    for (const auto& row : rows) {
        SCOPED_TRACE(row.rule);
        QDir(m_dir.path()).removeRecursively();
        QDir().mkpath(m_dir.path());
        writeRecordWith([](SettingsRec& r) {
            r.PrefixMax = 1;
            r.RecentMax = 2;
        });
        if (!row.custom.isEmpty())
            writeFile(Custom, QByteArray(row.custom).replace('@', app));
        restart();
        EXPECT_FALSE(Settings::loadAtStartup(state).isSet());
        EXPECT_EQ(state.PrefixList, row.prefixes);
        EXPECT_EQ(state.RecentList, row.recent);
        EXPECT_EQ(state.BackupFolder, QString::fromUtf8(QByteArray(row.backup).replace('@', app)));
        EXPECT_TRUE(QFileInfo(state.BackupFolder).isDir());
    }
}

TEST_F(SettingsFilesTest, DamagedCountsAreClampedBeforeTheListsAreSized) {
    writeRecordWith([](SettingsRec& r) {
        r.RecentMax = 32767;
        r.PrefixMax = -32768;
        r.WinState = 9;
    });
    Settings::loadAtStartup(state);
    EXPECT_EQ(state.Settings.RecentMax, 19);
    EXPECT_EQ(state.Settings.PrefixMax, 0);
    EXPECT_EQ(state.Settings.WinState, 2);
    EXPECT_EQ(state.RecentList.size(), 20);
    EXPECT_EQ(state.PrefixList.size(), 1);
}

TEST_F(SettingsFilesTest, RandomRecordFilesLoadWithinRange) {
    std::mt19937 random(1407);
    for (int round = 0; round < 200; ++round) {
        QByteArray bytes(int(random() % 40), '\0');
        for (char& byte : bytes)
            byte = char(random() & 0xff);
        if (bytes.size() >= 2 && round % 2 == 0)
            bytes[0] = bytes[1] = char(0xff);
        writeFile(Record, bytes);
        restart();
        Settings::loadAtStartup(state);
        SCOPED_TRACE(bytes.toHex().toStdString());
        expectInRange(state);
    }
}

TEST_F(SettingsFilesTest, BackupFolderThatCannotBeCreatedIsKeptAndReported) {
    writeRecordWith([](SettingsRec& r) {
        r.PrefixMax = 0;
        r.RecentMax = 0;
    });
    const QString backup = m_dir.path() + QStringLiteral("/no/such/");
    writeFile(Custom, utf8("\r\n\r\n") + backup.toUtf8() + "\r\n");
    const FileError error = Settings::loadAtStartup(state);
    EXPECT_EQ(error.number, ENOENT);
    EXPECT_EQ(state.BackupFolder, backup);
}

TEST_F(SettingsFilesTest, UnreadableRecordFallsBackToDefaultsAndReports) {
    QDir().mkdir(path(Record)); // a folder where the record file should be
    const FileError error = Settings::loadAtStartup(state);
    EXPECT_TRUE(error.isSet());
    EXPECT_EQ(state.Settings, SettingsRec());
    EXPECT_TRUE(QFileInfo(state.BackupFolder).isDir());
}

// Defaults

TEST_F(SettingsFilesTest, LoadDefaultSettingsKeepsEntriesWithoutALine) {
    state.Settings.PrefixMax = 1;
    state.Settings.RecentMax = 40;
    state.Settings.WinState = 2;
    state.PrefixList = strings({"old0", "old1"});
    state.RecentList = QStringList(41, QStringLiteral("/r/"));
    state.BackupFolder = QStringLiteral("/elsewhere/");
    writeFile(Defaults, utf8("[全本]\r\n\r\n[TXT全集]\r\n"));

    Settings::LoadDefaultSettings(state);
    EXPECT_EQ(state.Settings, SettingsRec());
    ASSERT_EQ(state.PrefixList.size(), 30);
    EXPECT_EQ(state.PrefixList.mid(0, 4), strings({"[全本]", "", "[TXT全集]", ""}));
    EXPECT_EQ(state.RecentList, QStringList(8, QStringLiteral("/r/")));
    EXPECT_EQ(state.BackupFolder, state.AppFolder + QStringLiteral("backup/"));
    EXPECT_FALSE(QFileInfo::exists(state.BackupFolder)) << "memory only";

    QFile::remove(path(Defaults));
    state.PrefixList[0] = QStringLiteral("chosen");
    Settings::LoadDefaultSettings(state);
    EXPECT_EQ(state.PrefixList.mid(0, 3), strings({"chosen", "", "[TXT全集]"}));
}

TEST_F(SettingsFilesTest, DefaultPrefixesStopAtTheListSize) {
    QByteArray lines;
    for (int i = 0; i < 35; ++i)
        lines += QByteArray::number(i) + "\r\n";
    writeFile(Defaults, lines);
    Settings::LoadDefaultSettings(state);
    ASSERT_EQ(state.PrefixList.size(), 30);
    EXPECT_EQ(state.PrefixList.first(), QStringLiteral("0"));
    EXPECT_EQ(state.PrefixList.last(), QStringLiteral("29"));
}

TEST(DeliveredDefaultsTest, HoldsThirtyPrefixes) {
    AppState state;
    state.setAppFolder(QStringLiteral(QM_BIN_DIR));
    Settings::LoadDefaultSettings(state);
    ASSERT_EQ(state.PrefixList.size(), 30);
    EXPECT_EQ(state.PrefixList.count(QString()), 0);
    EXPECT_EQ(state.PrefixList.first(), QStringLiteral("[全本]"));
}

// Shutdown

TEST_F(SettingsFilesTest, FirstExitWritesTheRecordAndThirtyNineLines) {
    Settings::loadAtStartup(state);
    EXPECT_FALSE(Settings::saveAtShutdown(state, QStringLiteral("/home/读者/小说/")).isSet());
    EXPECT_EQ(readFile(Record), SettingsRec().toFileImage());
    const QByteArray custom = readFile(Custom);
    const QList<QByteArray> lines = custom.split('\n');
    EXPECT_EQ(custom.count("\r\n"), 39);
    EXPECT_TRUE(custom.endsWith("\r\n"));
    EXPECT_EQ(lines.at(30), utf8("/home/读者/小说/\r"));
    EXPECT_EQ(lines.at(38), state.BackupFolder.toUtf8() + "\r");
}

TEST_F(SettingsFilesTest, ListFileIsWrittenInUtf8WithCrLf) {
    state.Settings.PrefixMax = 1;
    state.Settings.RecentMax = 2;
    state.PrefixList = strings({"[全本]", ""});
    state.RecentList = strings({"/old/", "/书/", "/drop/"});
    state.BackupFolder = QStringLiteral("/bk/");
    ASSERT_FALSE(Settings::saveAtShutdown(state, QStringLiteral("/书/")).isSet());
    EXPECT_EQ(readFile(Custom), utf8("[全本]\r\n\r\n/书/\r\n/old/\r\n/drop/\r\n/bk/\r\n"));
}

TEST_F(SettingsFilesTest, ListFileFollowsTheCountsOfItsRecord) {
    const struct {
        const char* rule;
        qint16 prefixMax;
        qint16 recentMax;
        QByteArray expected;
    } rows[] = {
        {"counts raised while running: extra lines written empty", 2, 3,
         utf8("p0\r\np1\r\n\r\n/cur/\r\n/r0/\r\n\r\n\r\n/bk/\r\n")},
        {"counts lowered while running: fewer lines", 0, 0, utf8("p0\r\n/cur/\r\n/bk/\r\n")},
    };
    for (const auto& row : rows) {
        SCOPED_TRACE(row.rule);
        state.Settings.PrefixMax = row.prefixMax;
        state.Settings.RecentMax = row.recentMax;
        state.PrefixList = strings({"p0", "p1"});
        state.RecentList = strings({"/r0/", "/r1/"});
        state.BackupFolder = QStringLiteral("/bk/");
        ASSERT_FALSE(Settings::saveAtShutdown(state, QStringLiteral("/cur/")).isSet());
        EXPECT_EQ(readFile(Custom), row.expected);
        EXPECT_EQ(SettingsRec::fromFileImage(readFile(Record)).RecentMax, row.recentMax);
    }
}

TEST_F(SettingsFilesTest, SaveStatusOffWritesNothing) {
    state.Settings.SaveStatus = 0;
    EXPECT_FALSE(Settings::saveAtShutdown(state, QStringLiteral("/x/")).isSet());
    EXPECT_FALSE(QFileInfo::exists(path(Record)));
    EXPECT_FALSE(QFileInfo::exists(path(Custom)));
}

TEST_F(SettingsFilesTest, SavedSettingsLoadAgain) {
    Settings::loadAtStartup(state);
    state.Settings.WinState = 2;
    state.Settings.WinLeft = -45;
    state.Settings.BackupOn = 0;
    state.PrefixList[0] = QStringLiteral("[精校版]");
    state.RecentList[0] = QStringLiteral("/a/");
    ASSERT_FALSE(Settings::saveAtShutdown(state, QStringLiteral("/b/")).isSet());

    AppState next;
    next.setAppFolder(m_dir.path());
    ASSERT_FALSE(Settings::loadAtStartup(next).isSet());
    EXPECT_EQ(next.Settings, state.Settings);
    EXPECT_EQ(next.PrefixList, state.PrefixList);
    EXPECT_EQ(next.RecentList.mid(0, 3), strings({"/b/", "/a/", ""}));
    EXPECT_EQ(next.BackupFolder, state.BackupFolder);
}

TEST_F(SettingsFilesTest, SaveIntoAMissingFolderReportsAnError) {
    state.setAppFolder(m_dir.path() + QStringLiteral("/gone"));
    const FileError error = Settings::saveAtShutdown(state, QStringLiteral("/x/"));
    EXPECT_TRUE(error.isSet());
    EXPECT_FALSE(error.description.isEmpty());
}

// The app folder

// An installation's layout: "<prefix>/bin/" with "<prefix>/share/quillmar/Default.cfg".
QString makeInstallation(const QString& prefix) {
    QDir().mkpath(prefix + QStringLiteral("/bin"));
    QDir().mkpath(prefix + QStringLiteral("/share/quillmar"));
    QFile defaults(prefix + QStringLiteral("/share/quillmar/Default.cfg"));
    if (defaults.open(QIODevice::WriteOnly))
        defaults.write("factory\r\n");
    defaults.close();
    // Installed files are read-only for the user.
    defaults.setPermissions(QFileDevice::ReadOwner | QFileDevice::ReadOther);
    return prefix + QStringLiteral("/bin");
}

TEST(AppFolderTest, TheInstallationDecidesNotWhetherTheFolderCanBeWritten) {
    QTemporaryDir scratch;
    const QString user = scratch.path() + QStringLiteral("/home/.local/share/quillmar");
    const QString build = scratch.path() + QStringLiteral("/build/bin");
    QDir().mkpath(build);
    const QString installed = makeInstallation(scratch.path() + QStringLiteral("/usr"));

    // A writable installation still uses the user's folder; a build folder keeps its own files.
    EXPECT_EQ(resolveAppFolder(build, user), build + "/");
    EXPECT_FALSE(QFileInfo::exists(user));
    EXPECT_EQ(resolveAppFolder(installed, user), user + "/");
    EXPECT_EQ(resolveAppFolder(installed + "/", user), user + "/");

    // The factory prefixes are copied in, writable, and a copy the user has is never replaced.
    QFile own(user + QStringLiteral("/Default.cfg"));
    ASSERT_TRUE(own.open(QIODevice::ReadWrite));
    EXPECT_EQ(own.readAll(), QByteArray("factory\r\n"));
    own.resize(0);
    own.write("mine\r\n");
    own.close();
    resolveAppFolder(installed, user);
    ASSERT_TRUE(own.open(QIODevice::ReadOnly));
    EXPECT_EQ(own.readAll(), QByteArray("mine\r\n"));
}

// The preferences file

TEST_F(SettingsFilesTest, PreferencesSurviveARestartAndKeepKeysOfNewerVersions) {
    writeFile(QStringLiteral("Preferences.ini"),
              utf8("# comment\nLegacyEncoding=big5\nUnmappable=bogus\nClassicHtml=1\nFutureKey=\xe6\x96\x87\n"
                   "TypesetQuotes=bogus\nTypesetIndent=0\nTypesetPunctuation=yes\nNarrowKeepsPunctuation=1\n"));
    ASSERT_FALSE(Settings::loadAtStartup(state).isSet());
    EXPECT_EQ(state.Prefs.LegacyEncoding, TextEncoding::Big5);
    EXPECT_EQ(state.Prefs.Unmappable, UnmappablePolicy::Refuse); // a value it cannot read keeps the default
    EXPECT_TRUE(state.Prefs.ClassicHtml);
    EXPECT_EQ(state.Prefs.TypesetQuotes, QStringLiteral("auto"));
    EXPECT_EQ(state.Prefs.TypesetIndent, QStringLiteral("0"));
    EXPECT_TRUE(state.Prefs.TypesetPunctuation);
    EXPECT_TRUE(state.Prefs.NarrowKeepsPunctuation);

    state.Prefs.Unmappable = UnmappablePolicy::SaveUtf8;
    state.Prefs.TypesetQuotes = QStringLiteral("taiwan");
    state.Prefs.TypesetBlankLines = QStringLiteral("one");
    state.Prefs.TypesetPunctuation = false;
    state.Prefs.TypesetLatinSpace = true;
    state.Prefs.MainSplitter = QByteArray("\x00\xff", 2);
    state.Prefs.MergeEpub = true;
    const Preferences saved = state.Prefs;
    ASSERT_FALSE(Settings::saveAtShutdown(state, QString()).isSet());
    restart();
    ASSERT_FALSE(Settings::loadAtStartup(state).isSet());
    EXPECT_EQ(state.Prefs, saved);
    EXPECT_TRUE(readFile(QStringLiteral("Preferences.ini")).contains("FutureKey=\xe6\x96\x87\n"));
}

} // namespace
