#include "core/SettingsRec.h"

#include "SettingsRanges.h"

#include <gtest/gtest.h>

#include <random>
#include <utility>

namespace {

// The defaults as they lie in "Quillmar.cfg".
const QByteArray DefaultImage = QByteArray::fromHex("ffff"
                                                    "0000"
                                                    "0000"
                                                    "f0000000"
                                                    "e0010000"
                                                    "0d200000"
                                                    "6b2b0000"
                                                    "ffff"
                                                    "ffff"
                                                    "0500"
                                                    "0700"
                                                    "1d00"
                                                    "0100");

TEST(SettingsRecTest, DefaultsPackIntoThirtyFourBytesWithTheFirstLongAtOffsetSix) {
    EXPECT_EQ(SettingsRec().toFileImage().toHex(), DefaultImage.toHex());
}

TEST(SettingsRecTest, NegativeAndLargeValuesSurviveTheRoundTrip) {
    SettingsRec rec;
    rec.StartMode = 1;
    rec.WinState = 2;
    rec.WinTop = -120;
    rec.WinLeft = 0x12345678;
    rec.WinHeight = -1;
    rec.WinWidth = 70000;
    rec.DelLinks = 0;
    rec.BackupTime = 7;
    rec.RecentMax = 19;
    rec.PrefixMax = 99;
    rec.ParaLevel = 3;
    const QByteArray image = rec.toFileImage();
    ASSERT_EQ(image.size(), SettingsRec::FileSize);
    EXPECT_EQ(image.mid(6, 4).toHex(), QByteArray("88ffffff"));
    EXPECT_EQ(image.mid(10, 4).toHex(), QByteArray("78563412"));
    EXPECT_EQ(SettingsRec::fromFileImage(image), rec);
}

TEST(SettingsRecTest, ShortImageLeavesTheMissingBytesZero) {
    SettingsRec rec;
    rec.WinTop = 0x01020304;
    rec.ParaLevel = 0x0203;
    const QByteArray full = rec.toFileImage();
    for (int length = 0; length <= SettingsRec::FileSize; ++length) {
        SCOPED_TRACE(length);
        const QByteArray expected = full.left(length) + QByteArray(SettingsRec::FileSize - length, '\0');
        EXPECT_EQ(SettingsRec::fromFileImage(full.left(length)).toFileImage().toHex(), expected.toHex());
    }
}

// Each flag's accessors read and write their own field only: any non-zero value reads as true, and
// only -1 and 0 are written, as the file holds them.
TEST(SettingsRecTest, FlagAccessorsReadAnyNonZeroAndWriteMinusOneOrZero) {
    struct Flag {
        const char* name;
        qint16 SettingsRec::*field;
        bool (SettingsRec::*get)() const;
        void (SettingsRec::*set)(bool);
    };
    const Flag flags[] = {
        {"SaveStatus", &SettingsRec::SaveStatus, &SettingsRec::saveStatus, &SettingsRec::setSaveStatus},
        {"BackupOn", &SettingsRec::BackupOn, &SettingsRec::backupOn, &SettingsRec::setBackupOn},
        {"DelLinks", &SettingsRec::DelLinks, &SettingsRec::delLinks, &SettingsRec::setDelLinks}};
    for (const Flag& flag : flags) {
        SCOPED_TRACE(flag.name);
        for (const auto& [stored, read] : {std::pair<qint16, bool>{-1, true}, {0, false}, {1, true}, {7, true}}) {
            SettingsRec rec;
            rec.*flag.field = stored;
            EXPECT_EQ((rec.*flag.get)(), read) << stored;
        }
        for (const auto& [value, written] : {std::pair<bool, qint16>{true, -1}, {false, 0}}) {
            SettingsRec rec;
            for (const Flag& other : flags)
                rec.*other.field = 5;
            (rec.*flag.set)(value);
            EXPECT_EQ(rec.*flag.field, written);
            for (const Flag& other : flags) {
                if (other.field != flag.field) {
                    EXPECT_EQ(rec.*other.field, 5) << other.name;
                }
            }
        }
    }
}

TEST(SettingsRecTest, StartWindowIsTheWizardForAnyStartModeButZero) {
    for (const auto& [mode, window] : {std::pair<qint16, SettingsRec::StartWindow>{0, SettingsRec::StartWindow::Main},
                                       {1, SettingsRec::StartWindow::Wizard},
                                       {2, SettingsRec::StartWindow::Wizard},
                                       {-1, SettingsRec::StartWindow::Wizard}}) {
        SettingsRec rec;
        rec.StartMode = mode;
        EXPECT_EQ(rec.startWindow(), window) << mode;
    }
    SettingsRec rec;
    rec.setStartWindow(SettingsRec::StartWindow::Wizard);
    EXPECT_EQ(rec.StartMode, 1);
    rec.setStartWindow(SettingsRec::StartWindow::Main);
    EXPECT_EQ(rec.StartMode, 0);
}

// With the defaults' image this also checks that every field is read from its own offset.
TEST(SettingsRecTest, BytesBeyondTheRecordAreIgnored) {
    EXPECT_EQ(SettingsRec::fromFileImage(DefaultImage + QByteArray("trailing")), SettingsRec());
}

TEST(SettingsRecTest, ClampBringsDamagedValuesIntoRange) {
    const struct {
        const char* rule;
        qint16 SettingsRec::*field;
        qint16 stored;
        qint16 clamped;
    } rows[] = {
        {"negative recent count becomes one entry", &SettingsRec::RecentMax, -32768, 0},
        {"huge recent count stops at twenty entries", &SettingsRec::RecentMax, 32767, 19},
        {"negative prefix count becomes one entry", &SettingsRec::PrefixMax, -5, 0},
        {"huge prefix count stops at a hundred entries", &SettingsRec::PrefixMax, 30000, 99},
        {"window state above maximized", &SettingsRec::WinState, 7, 2},
        {"window state below normal", &SettingsRec::WinState, -1, 0},
        {"backup time zero", &SettingsRec::BackupTime, 0, 1},
        {"backup time above a year", &SettingsRec::BackupTime, 8, 7},
        {"paragraph level above 3", &SettingsRec::ParaLevel, 4, 3},
        {"any non-zero start mode opens the wizard", &SettingsRec::StartMode, -2, 1},
        {"a non-zero flag is true", &SettingsRec::DelLinks, 1, -1},
        {"a non-zero flag with only its high byte set is true", &SettingsRec::BackupOn, 0x100, -1},
        {"a window state in range is kept", &SettingsRec::WinState, 1, 1},
        {"the shortest backup time is kept", &SettingsRec::BackupTime, 1, 1},
        {"a single recent entry is kept", &SettingsRec::RecentMax, 0, 0},
        {"the default prefix count is kept", &SettingsRec::PrefixMax, 29, 29},
    };
    for (const auto& row : rows) {
        SCOPED_TRACE(row.rule);
        SettingsRec rec;
        rec.*row.field = row.stored;
        rec.clamp();
        SettingsRec expected;
        expected.*row.field = row.clamped;
        EXPECT_EQ(rec, expected) << "the other fields stay as they were";
        expectInRange(rec);
    }
}

TEST(SettingsRecTest, RandomImagesClampIntoRange) {
    std::mt19937 random(20030705);
    for (int round = 0; round < 400; ++round) {
        QByteArray image(int(random() % (SettingsRec::FileSize + 6)), '\0');
        for (char& byte : image)
            byte = char(random() & 0xff);
        SettingsRec rec = SettingsRec::fromFileImage(image);
        rec.clamp();
        SCOPED_TRACE(image.toHex().toStdString());
        expectInRange(rec);
    }
}

} // namespace
