#pragma once

#include "core/AppState.h"
#include "core/SettingsRec.h"

#include <gtest/gtest.h>

// Every field of a clamped record lies in the range the program works with.
inline void expectInRange(const SettingsRec& rec) {
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

// A loaded state: its record in range, its lists sized by the record, its backup folder absolute.
inline void expectInRange(const AppState& state) {
    expectInRange(state.Settings);
    EXPECT_EQ(state.PrefixList.size(), state.Settings.PrefixMax + 1);
    EXPECT_EQ(state.RecentList.size(), state.Settings.RecentMax + 1);
    EXPECT_TRUE(state.BackupFolder.startsWith(u'/') && state.BackupFolder.endsWith(u'/'))
        << state.BackupFolder.toStdString();
}
