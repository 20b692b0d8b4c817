#include "core/SettingsRec.h"

#include <gtest/gtest.h>

#include <random>

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

void expectInRange(const SettingsRec& rec) {
    EXPECT_TRUE(rec.SaveStatus == 0 || rec.SaveStatus == -1) << rec.SaveStatus;
    EXPECT_TRUE(rec.DelLinks == 0 || rec.DelLinks == -1) << rec.DelLinks;
    EXPECT_TRUE(rec.BackupOn == 0 || rec.BackupOn == -1) << rec.BackupOn;
    EXPECT_TRUE(rec.StartMode == 0 || rec.StartMode == 1) << rec.StartMode;
    EXPECT_TRUE(rec.WinState >= 0 && rec.WinState <= 2) << rec.WinState;
    EXPECT_TRUE(rec.BackupTime >= 1 && rec.BackupTime <= 7) << rec.BackupTime;
    EXPECT_TRUE(rec.ParaLevel >= 0 && rec.ParaLevel <= 3) << rec.ParaLevel;
    EXPECT_TRUE(rec.RecentMax >= 0 && rec.RecentMax <= 19) << rec.RecentMax;
    EXPECT_TRUE(rec.PrefixMax >= 0 && rec.PrefixMax <= 99) << rec.PrefixMax;
}

TEST(SettingsRecTest, DefaultsPackIntoThirtyFourBytesWithTheFirstLongAtOffsetSix) {
    EXPECT_EQ(SettingsRec().toFileImage().toHex(), DefaultImage.toHex());
}

TEST(SettingsRecTest, DefaultImageReadsBackFieldByField) {
    const SettingsRec rec = SettingsRec::fromFileImage(DefaultImage);
    EXPECT_EQ(rec.SaveStatus, -1);
    EXPECT_EQ(rec.StartMode, 0);
    EXPECT_EQ(rec.WinState, 0);
    EXPECT_EQ(rec.WinTop, 240);
    EXPECT_EQ(rec.WinLeft, 480);
    EXPECT_EQ(rec.WinHeight, 8205);
    EXPECT_EQ(rec.WinWidth, 11115);
    EXPECT_EQ(rec.DelLinks, -1);
    EXPECT_EQ(rec.BackupOn, -1);
    EXPECT_EQ(rec.BackupTime, 5);
    EXPECT_EQ(rec.RecentMax, 7);
    EXPECT_EQ(rec.PrefixMax, 29);
    EXPECT_EQ(rec.ParaLevel, 1);
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

TEST(SettingsRecTest, BytesBeyondTheRecordAreIgnored) {
    EXPECT_EQ(SettingsRec::fromFileImage(DefaultImage + QByteArray("trailing")), SettingsRec());
}

struct ClampRow {
    const char* rule;
    void (*damage)(SettingsRec&);
    void (*expect)(const SettingsRec&);
};

TEST(SettingsRecTest, ClampBringsDamagedValuesIntoRange) {
    const ClampRow rows[] = {
        {"negative recent count becomes one entry", [](SettingsRec& r) { r.RecentMax = -32768; },
         [](const SettingsRec& r) {
             EXPECT_EQ(r.RecentMax, 0);
         }},
        {"huge recent count stops at twenty entries", [](SettingsRec& r) { r.RecentMax = 32767; },
         [](const SettingsRec& r) {
             EXPECT_EQ(r.RecentMax, 19);
         }},
        {"negative prefix count becomes one entry", [](SettingsRec& r) { r.PrefixMax = -5; },
         [](const SettingsRec& r) {
             EXPECT_EQ(r.PrefixMax, 0);
         }},
        {"huge prefix count stops at a hundred entries", [](SettingsRec& r) { r.PrefixMax = 30000; },
         [](const SettingsRec& r) {
             EXPECT_EQ(r.PrefixMax, 99);
         }},
        {"window state above maximized", [](SettingsRec& r) { r.WinState = 7; },
         [](const SettingsRec& r) {
             EXPECT_EQ(r.WinState, 2);
         }},
        {"window state below normal", [](SettingsRec& r) { r.WinState = -1; },
         [](const SettingsRec& r) {
             EXPECT_EQ(r.WinState, 0);
         }},
        {"backup time zero", [](SettingsRec& r) { r.BackupTime = 0; },
         [](const SettingsRec& r) {
             EXPECT_EQ(r.BackupTime, 1);
         }},
        {"backup time above a year", [](SettingsRec& r) { r.BackupTime = 8; },
         [](const SettingsRec& r) {
             EXPECT_EQ(r.BackupTime, 7);
         }},
        {"paragraph level above 3", [](SettingsRec& r) { r.ParaLevel = 4; },
         [](const SettingsRec& r) {
             EXPECT_EQ(r.ParaLevel, 3);
         }},
        {"any non-zero start mode opens the wizard", [](SettingsRec& r) { r.StartMode = -2; },
         [](const SettingsRec& r) {
             EXPECT_EQ(r.StartMode, 1);
         }},
        {"a non-zero flag is true",
         [](SettingsRec& r) {
             r.DelLinks = 1;
             r.BackupOn = 0x100;
         },
         [](const SettingsRec& r) {
             EXPECT_EQ(r.DelLinks, -1);
             EXPECT_EQ(r.BackupOn, -1);
         }},
        {"values in range are kept",
         [](SettingsRec& r) {
             r.WinState = 1;
             r.BackupTime = 1;
             r.RecentMax = 0;
         },
         [](const SettingsRec& r) {
             EXPECT_EQ(r.WinState, 1);
             EXPECT_EQ(r.BackupTime, 1);
             EXPECT_EQ(r.RecentMax, 0);
             EXPECT_EQ(r.PrefixMax, 29);
         }},
    };
    for (const ClampRow& row : rows) {
        SCOPED_TRACE(row.rule);
        SettingsRec rec;
        row.damage(rec);
        rec.clamp();
        row.expect(rec);
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
