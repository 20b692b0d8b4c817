#include "Settings.h"

#include "AppState.h"
#include "PathHelpers.h"
#include "platform/FileOps.h"
#include "platform/FileState.h"
#include "platform/TextReader.h"
#include "platform/TextWriter.h"

#include <QFile>
#include <QFileInfo>

#include <cerrno>

namespace Settings {

namespace {

const QString RecordFile = QStringLiteral("Quillmar.cfg");
const QString CustomFile = QStringLiteral("Custom.cfg");
const QString DefaultFile = QStringLiteral("Default.cfg");

void setError(FileError* error, const FileError& value) {
    if (error)
        *error = value;
}

// Qt's file classes keep no error number: the errno of the failing call is taken, when there is one.
FileError deviceError(const QFileDevice& file) {
    const int number = errno != 0 ? errno : EIO;
    return FileError::withText(number, file.errorString());
}

// Reads one line into each entry in turn while the file has lines; the entries after its end keep
// their value.
bool readLinesInto(TextReader& reader, QStringList& list, FileError* error) {
    QString line;
    for (QString& entry : list) {
        if (!reader.readLine(line)) {
            if (reader.error().isSet()) {
                setError(error, reader.error());
                return false;
            }
            break;
        }
        entry = line;
    }
    return true;
}

void writeLines(TextWriter& writer, const QStringList& list, int lastIndex) {
    for (int i = 0; i <= lastIndex; ++i)
        writer.writeLine(i < list.size() ? QStringView(list[i]) : QStringView());
}

} // namespace

void LoadDefaultSettings(AppState& state, FileError* error) {
    // The record's member initializers are the factory defaults.
    state.Settings = SettingsRec{};
    // The user's choices go back to their defaults too; the window layout and keys written by a
    // newer version are not choices and stay.
    Preferences fresh;
    fresh.MainSplitter = state.Prefs.MainSplitter;
    fresh.UnknownKeys = state.Prefs.UnknownKeys;
    state.Prefs = fresh;
    const SettingsRec& rec = state.Settings;

    resizeList(state.PrefixList, rec.PrefixMax);
    resizeList(state.RecentList, rec.RecentMax);

    const QString defaults = state.AppFolder + DefaultFile;
    if (QFileInfo::exists(defaults))
        readDefaultPrefixes(defaults, state, error);

    state.BackupFolder = state.defaultBackupFolder();
}

FileError loadAtStartup(AppState& state, bool createBackupFolder) {
    FileError lastError;
    FileError stepError;

    SettingsRec record;
    if (readRecord(state.AppFolder + RecordFile, record, &stepError)) {
        record.clamp();
        state.Settings = record;
        state.PrefixList.clear();
        state.RecentList.clear();
        resizeList(state.PrefixList, record.PrefixMax);
        resizeList(state.RecentList, record.RecentMax);
        const QString custom = state.AppFolder + CustomFile;
        if (QFileInfo::exists(custom) && !readCustom(custom, state, &stepError))
            lastError = stepError;
    } else {
        if (stepError.isSet())
            lastError = stepError;
        state.PrefixList.clear();
        state.RecentList.clear();
        stepError = FileError();
        LoadDefaultSettings(state, &stepError);
        if (stepError.isSet())
            lastError = stepError;
    }

    // Every path below is the backup folder followed by a name, so a hand-edited folder without
    // its trailing "/" gets one. A relative folder (hand-edited, or a damaged line) is taken inside
    // the app folder, not in whatever folder the program was started from.
    if (state.BackupFolder.isEmpty())
        state.BackupFolder = state.defaultBackupFolder();
    else if (!state.BackupFolder.startsWith(u'/'))
        state.BackupFolder = AddBackslash(state.AppFolder + state.BackupFolder);
    else
        state.BackupFolder = AddBackslash(state.BackupFolder);

    stepError = FileError();
    if (!PreferencesFile::read(state.AppFolder + PreferencesFile::FileName, state.Prefs, &stepError))
        lastError = stepError;

    if (createBackupFolder && !FileOps::folderExists(state.BackupFolder)) {
        stepError = FileError();
        if (!FileOps::createFolder(state.BackupFolder, &stepError))
            lastError = stepError;
    }
    return lastError;
}

FileError saveAtShutdown(AppState& state, const QString& currentFolder) {
    if (!isTrue(state.Settings.SaveStatus))
        return FileError();

    // The record and the list file are read back together: the counts in the one say how many
    // lines of the other belong to each list.
    state.Settings.clamp();

    FileError lastError;
    FileError stepError;
    if (!writeRecord(state.AppFolder + RecordFile, state.Settings, &stepError))
        lastError = stepError;

    PromoteRecentFolder(state, currentFolder);
    stepError = FileError();
    if (!writeCustom(state.AppFolder + CustomFile, state, &stepError))
        lastError = stepError;
    stepError = FileError();
    if (!PreferencesFile::write(state.AppFolder + PreferencesFile::FileName, state.Prefs, &stepError))
        lastError = stepError;
    return lastError;
}

bool readRecord(const QString& path, SettingsRec& record, FileError* error) {
    QFile file(path);
    if (!file.exists())
        return false;
    errno = 0;
    if (!file.open(QIODevice::ReadOnly)) {
        setError(error, deviceError(file));
        return false;
    }
    const QByteArray image = file.read(SettingsRec::FileSize);
    if (file.error() != QFileDevice::NoError) {
        setError(error, deviceError(file));
        return false;
    }
    const SettingsRec stored = SettingsRec::fromFileImage(image);
    if (stored.SaveStatus != -1)
        return false;
    record = stored;
    return true;
}

bool writeRecord(const QString& path, const SettingsRec& record, FileError* error) {
    // Only the first 34 bytes belong to the record; whatever follows them in the file is kept.
    QByteArray content = record.toFileImage();
    QFile existing(path);
    if (existing.exists()) {
        errno = 0;
        if (!existing.open(QIODevice::ReadOnly)) {
            setError(error, deviceError(existing));
            return false;
        }
        const QByteArray old = existing.readAll();
        if (existing.error() != QFileDevice::NoError) {
            setError(error, deviceError(existing));
            return false;
        }
        if (old.size() > SettingsRec::FileSize)
            content.append(old.sliced(SettingsRec::FileSize));
    }

    return FileBytes::writeAtomically(path, content, error);
}

bool readCustom(const QString& path, AppState& state, FileError* error) {
    state.PrefixList.clear();
    state.RecentList.clear();
    resizeList(state.PrefixList, state.Settings.PrefixMax);
    resizeList(state.RecentList, state.Settings.RecentMax);

    // Read as the UTF-8 it is written in: a folder name whose bytes are not UTF-8 then reads back as
    // itself, instead of making the whole file look like another encoding.
    TextReader reader;
    reader.setAcceptControlBytes(true);
    if (!reader.open(path, TextEncoding::Utf8)) {
        setError(error, reader.error());
        return false;
    }
    if (!readLinesInto(reader, state.PrefixList, error) || !readLinesInto(reader, state.RecentList, error))
        return false;
    QString line;
    if (reader.readLine(line))
        state.BackupFolder = line;
    else if (reader.error().isSet()) {
        setError(error, reader.error());
        return false;
    }
    return true;
}

bool writeCustom(const QString& path, const AppState& state, FileError* error) {
    TextWriter writer;
    if (!writer.open(path, TextFormat{TextEncoding::Utf8, LineEnd::CrLf})) {
        setError(error, writer.error());
        return false;
    }
    // Counts raised while the program ran leave the lists shorter than the record says: the extra
    // entries are written empty, so the file always matches the record saved with it.
    writeLines(writer, state.PrefixList, state.Settings.PrefixMax);
    writeLines(writer, state.RecentList, state.Settings.RecentMax);
    writer.writeLine(state.BackupFolder);
    if (!writer.commit()) {
        setError(error, writer.error());
        return false;
    }
    return true;
}

bool readDefaultPrefixes(const QString& path, AppState& state, FileError* error) {
    resizeList(state.PrefixList, state.Settings.PrefixMax);
    TextReader reader;
    reader.setAcceptControlBytes(true);
    if (!reader.open(path, TextEncoding::Utf8)) {
        setError(error, reader.error());
        return false;
    }
    return readLinesInto(reader, state.PrefixList, error);
}

} // namespace Settings
