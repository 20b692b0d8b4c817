#pragma once

#include "SettingsRec.h"
#include "platform/FileError.h"

#include <QString>

class AppState;

// Reading and writing the settings files beside the program: "Quillmar.cfg" (the 34-byte record),
// "Custom.cfg" (prefix list, recent folders, backup folder), "Default.cfg" (factory prefixes) and
// "Preferences.ini" (the settings added after the record, see Preferences.h).
namespace Settings {

// Every setting back to its default, the lists resized keeping what fits, "Default.cfg" read into
// the prefix list, the backup folder back to AppFolder + "backup/". Memory only. A "Default.cfg"
// that cannot be read leaves the prefixes as they were and sets `error`.
void LoadDefaultSettings(AppState& state, FileError* error = nullptr);

// The settings part of start-up, in state.AppFolder: the record (its values clamped) or the
// defaults, "Custom.cfg" after an accepted record, an empty backup folder replaced by the default,
// the backup folder created (one level) when missing.
// Steps that fail are skipped; the last error is returned (unset when all went well).
FileError loadAtStartup(AppState& state);

// The settings part of shutdown, when SaveStatus is on: the record into "Quillmar.cfg" (its first
// 34 bytes replaced), then "Custom.cfg" with `currentFolder` promoted to the front of the recent
// folders. Window state and bounds must already be in state.Settings; the settings are clamped
// first so that the list file written matches the counts of the record written with it.
FileError saveAtShutdown(AppState& state, const QString& currentFolder);

// The file formats on their own (used by the functions above and by tests).
// False when the record is not accepted (no file, first field not -1, or unreadable: `error` set);
// `record` is changed only when it is accepted. Values are not clamped here.
bool readRecord(const QString& path, SettingsRec& record, FileError* error = nullptr);
bool writeRecord(const QString& path, const SettingsRec& record, FileError* error = nullptr);
bool readCustom(const QString& path, AppState& state, FileError* error = nullptr);
bool writeCustom(const QString& path, const AppState& state, FileError* error = nullptr);
bool readDefaultPrefixes(const QString& path, AppState& state, FileError* error = nullptr);

} // namespace Settings
