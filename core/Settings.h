#pragma once

#include "SettingsRec.h"
#include "platform/FileError.h"

#include <QString>

class AppState;

// Reading and writing the settings files beside the program: "Quillmar.cfg" (the 34-byte record),
// "Custom.cfg" (prefix list, recent folders, backup folder) and "Default.cfg" (factory prefixes).
namespace Settings {

// Every setting back to its default, the lists resized keeping what fits, "Default.cfg" read into
// the prefix list, the backup folder back to AppFolder + "backup/". Memory only.
void LoadDefaultSettings(AppState& state);

// The settings part of start-up: the record (or the defaults), "Custom.cfg" after an accepted
// record, an empty backup folder replaced by the default, the backup folder created when missing.
// Steps that fail are skipped; the last error is returned (unset when all went well).
FileError loadAtStartup(AppState& state);

// The settings part of shutdown, when SaveStatus is on: the record into "Quillmar.cfg" (its first
// 34 bytes replaced), then "Custom.cfg" with `currentFolder` promoted to the front of the recent
// folders. Window state and bounds must already be in state.Settings.
FileError saveAtShutdown(AppState& state, const QString& currentFolder);

// The file formats on their own (used by the functions above and by tests).
bool readRecord(const QString& path, SettingsRec& record); // false: the record is not accepted
bool writeRecord(const QString& path, const SettingsRec& record, FileError* error = nullptr);
bool readCustom(const QString& path, AppState& state, FileError* error = nullptr);
bool writeCustom(const QString& path, const AppState& state, FileError* error = nullptr);
bool readDefaultPrefixes(const QString& path, AppState& state, FileError* error = nullptr);

} // namespace Settings
