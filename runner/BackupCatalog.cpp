#include "BackupCatalog.h"

#include "core/PathHelpers.h"
#include "platform/FileName.h"
#include "platform/FileOps.h"
#include "platform/FolderListing.h"

#include <QDir>
#include <QRegularExpression>

#include <algorithm>

namespace BackupCatalog {
namespace {

QStringList subFolders(const QString& folder, const QRegularExpression& pattern) {
    const QDir dir(QFile::decodeName(FileName::encode(folder)));
    QStringList names;
    for (const QString& name : dir.entryList(QDir::Dirs | QDir::NoDotAndDotDot)) {
        if (pattern.match(name).hasMatch())
            names.append(name);
    }
    return names;
}

BackupBatch load(const QString& root, const QString& hour, const QString& number) {
    BackupBatch batch;
    batch.id = hour + u'/' + number;
    batch.folder = root + batch.id + u'/';
    batch.journal = BackupJournal::read(batch.folder);
    for (const QString& name : FolderListing::listFiles(batch.folder, QStringLiteral("*"))) {
        if (name != BackupJournal::JournalName && !name.endsWith(QLatin1String(".qmtmp")))
            batch.copies.append(name);
    }
    batch.time = batch.journal.header.started;
    if (!batch.time.isValid())
        batch.time = QDateTime::fromString(hour, QStringLiteral("yyyyMMdd-hh"));
    batch.size = FileOps::folderSize(batch.folder);
    return batch;
}

} // namespace

QList<BackupBatch> list(const QString& backupFolder) {
    const QString root = AddBackslash(backupFolder);
    static const QRegularExpression hourPattern(QStringLiteral("^\\d{8}-\\d{2}$"));
    static const QRegularExpression numberPattern(QStringLiteral("^\\d{3,}$"));
    QList<BackupBatch> batches;
    QStringList hours = subFolders(root, hourPattern);
    std::sort(hours.begin(), hours.end(), std::greater<>());
    for (const QString& hour : hours) {
        QStringList numbers = subFolders(root + hour + u'/', numberPattern);
        std::sort(numbers.begin(), numbers.end(), [](const QString& a, const QString& b) {
            return a.size() != b.size() ? a.size() > b.size() : a > b;
        });
        for (const QString& number : numbers)
            batches.append(load(root, hour, number));
    }
    return batches;
}

std::optional<BackupBatch> find(const QString& backupFolder, const QString& id) {
    static const QRegularExpression idPattern(QStringLiteral("^(\\d{8}-\\d{2})/(\\d{3,})/?$"));
    const QRegularExpressionMatch match = idPattern.match(id);
    if (!match.hasMatch())
        return std::nullopt;
    const QString root = AddBackslash(backupFolder);
    if (!FileOps::folderExists(root + match.captured(1) + u'/' + match.captured(2)))
        return std::nullopt;
    return load(root, match.captured(1), match.captured(2));
}

QString currentPath(const BackupBatch& batch, const JournalEntry& entry) {
    const QString folder = batch.journal.header.folder;
    return folder + (entry.action == JournalEntry::Action::Renamed ? entry.newName : entry.name);
}

FileNow stateNow(const BackupBatch& batch, const JournalEntry& entry) {
    const FileState now = FileState::of(currentPath(batch, entry));
    if (entry.action == JournalEntry::Action::Deleted)
        return now.exists || FileOps::exists(currentPath(batch, entry)) ? FileNow::Changed : FileNow::Unchanged;
    if (!now.exists)
        return FileNow::Missing;
    return now.sameContent(entry.after) ? FileNow::Unchanged : FileNow::Changed;
}

bool remove(const BackupBatch& batch, FileError* error) {
    if (!FileOps::removeTree(batch.folder, error))
        return false;
    // The hour folder goes too once its last batch is gone (rmdir refuses a folder that is not empty).
    const QString hourFolder = batch.folder.left(batch.folder.lastIndexOf(u'/', -2) + 1);
    QDir().rmdir(QFile::decodeName(FileName::encode(hourFolder)));
    return true;
}

QList<BackupBatch> olderThan(const QList<BackupBatch>& batches, const QDateTime& cutoff) {
    QList<BackupBatch> old;
    for (const BackupBatch& batch : batches) {
        if (batch.time.isValid() && batch.time < cutoff)
            old.append(batch);
    }
    return old;
}

int retentionDays(int backupTime) {
    static constexpr int Days[] = {1, 3, 7, 30, 90, 180, 365};
    return Days[std::clamp(backupTime, 1, 7) - 1];
}

QString sizeText(qint64 bytes) {
    if (bytes < 1024)
        return QString::number(bytes) + QStringLiteral(" B");
    if (bytes < 1024 * 1024)
        return QString::number((bytes + 1023) / 1024) + QStringLiteral(" KB");
    if (bytes < qint64(1024) * 1024 * 1024)
        return QString::number(double(bytes) / (1024 * 1024), 'f', 1) + QStringLiteral(" MB");
    return QString::number(double(bytes) / (1024.0 * 1024 * 1024), 'f', 1) + QStringLiteral(" GB");
}

} // namespace BackupCatalog
