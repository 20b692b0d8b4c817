#include "BackupCatalog.h"

#include "core/PathHelpers.h"
#include "platform/BackupLink.h"
#include "platform/FileName.h"
#include "platform/FileOps.h"
#include "platform/FolderListing.h"

#include <QCoreApplication>
#include <QDir>
#include <QFileInfo>
#include <QHash>
#include <QRegularExpression>
#include <QSet>

#include <algorithm>
#include <iterator>

QList<JournalEntry> BackupBatch::files() const {
    QList<JournalEntry> files;
    std::copy_if(journal.entries.begin(), journal.entries.end(), std::back_inserter(files),
                 [](const JournalEntry& entry) { return entry.action == JournalEntry::Action::Renamed; });
    for (const JournalEntry& file : BackupCatalog::firstToLast(journal.entries)) {
        if (!BackupCatalog::leftNothing(file))
            files.append(file);
    }
    return files;
}

// The texts below are the windows' words: translated in the Traditional face (context "BackupCatalog").
QString BackupBatch::title() const {
    return journal.present ? BackupCatalog::commandTitle(journal.header.command)
                           : QCoreApplication::translate("BackupCatalog", "（无日志）");
}

QString BackupBatch::mark() const {
    if (!restores.isEmpty())
        return QCoreApplication::translate("BackupCatalog", "恢复操作");
    if (restoredBy.isEmpty())
        return QString();
    return restoredWhole ? QCoreApplication::translate("BackupCatalog", "已恢复")
                         : QCoreApplication::translate("BackupCatalog", "部分恢复");
}

namespace BackupCatalog {
namespace {

const QRegularExpression& hourPattern() {
    static const QRegularExpression pattern(QStringLiteral("^\\d{8}-\\d{2}$"));
    return pattern;
}

const QRegularExpression& numberPattern() {
    static const QRegularExpression pattern(QStringLiteral("^\\d{3,}$"));
    return pattern;
}

// Real folders only: a link to a folder elsewhere is not one (FileOps::subfolders does not follow).
QStringList subFolders(const QString& folder, const QRegularExpression& pattern) {
    QStringList names;
    for (const QString& name : FileOps::subfolders(folder)) {
        if (pattern.match(name).hasMatch())
            names.append(name);
    }
    return names;
}

// When a batch whose journal tells no start began: when its folder was last changed (a run killed
// right after making its folder, before its journal was there, adds nothing to it later), whole
// seconds as a journal keeps them, if that moment falls in its hour folder's hour; else the hour's
// start. So such a batch is listed, and undone as the last batch, after the batches that ran before
// it rather than before every batch of its hour.
QDateTime timeWithoutJournal(const QString& batchFolder, const QString& hour) {
    const QDateTime hourStart = QDateTime::fromString(hour, QStringLiteral("yyyyMMdd-hh"));
    const QDateTime changed = QFileInfo(QFile::decodeName(FileName::encode(batchFolder))).lastModified();
    if (!changed.isValid() || changed < hourStart || changed >= hourStart.addSecs(3600))
        return hourStart;
    return QDateTime::fromSecsSinceEpoch(changed.toSecsSinceEpoch());
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
        batch.time = timeWithoutJournal(batch.folder, hour);
    batch.size = FileOps::folderSize(batch.folder);
    return batch;
}

// The names a restore brought back in `folder`: each finished change it made there (a rename back is
// named by the name it gave back).
QSet<QString> namesBroughtBack(const BackupBatch& restore, const QString& folder) {
    QSet<QString> names;
    if (restore.journal.header.folder != folder)
        return names; // a restore into a copy of the folder (a diff) left the batch's files alone
    for (const JournalEntry& entry : restore.journal.entries) {
        if (entry.finished)
            names.insert(entry.action == JournalEntry::Action::Renamed ? entry.newName : entry.name);
    }
    return names;
}

// True when the restores brought back every file the batch finished changing: each name it changed
// (the old name of a rename) is among what they brought back.
bool broughtBackWhole(const BackupBatch& batch, const QSet<QString>& broughtBack) {
    QSet<QString> leftNothingThere;
    for (const JournalEntry& file : firstToLast(batch.journal.entries)) {
        if (leftNothing(file))
            leftNothingThere.insert(file.name);
    }
    for (const JournalEntry& entry : batch.journal.entries) {
        const bool nothingToBringBack =
            entry.action != JournalEntry::Action::Renamed && leftNothingThere.contains(entry.name);
        if (entry.finished && !nothingToBringBack && !broughtBack.contains(entry.name))
            return false;
    }
    return true;
}

} // namespace

QList<BackupBatch> list(const QString& backupFolder) {
    const QString root = AddBackslash(backupFolder);
    QList<BackupBatch> batches;
    QStringList hours = subFolders(root, hourPattern());
    std::sort(hours.begin(), hours.end(), std::greater<>());
    for (const QString& hour : hours) {
        QStringList numbers = subFolders(root + hour + u'/', numberPattern());
        std::sort(numbers.begin(), numbers.end(), [](const QString& a, const QString& b) {
            return a.size() != b.size() ? a.size() > b.size() : a > b;
        });
        for (const QString& number : numbers)
            batches.append(load(root, hour, number));
    }
    // Hour folders follow the clock of the moment; the journal's start time is what the user saw.
    std::stable_sort(batches.begin(), batches.end(),
                     [](const BackupBatch& a, const BackupBatch& b) { return a.time > b.time; });
    QHash<QString, qsizetype> at;
    for (qsizetype i = 0; i < batches.size(); ++i)
        at.insert(batches.at(i).id, i);
    for (BackupBatch& batch : batches) {
        static const QString restore = QStringLiteral("restore ");
        if (batch.journal.header.command.startsWith(restore))
            batch.restores = batch.journal.header.command.mid(restore.size());
    }
    QHash<QString, QSet<QString>> broughtBack;
    for (const BackupBatch& batch : batches) {
        const auto undone = at.constFind(batch.restores);
        if (batch.restores.isEmpty() || undone == at.constEnd())
            continue;
        BackupBatch& target = batches[*undone];
        target.restoredBy.append(batch.id);
        broughtBack[target.id].unite(namesBroughtBack(batch, target.journal.header.folder));
    }
    for (BackupBatch& batch : batches) {
        if (!batch.restoredBy.isEmpty())
            batch.restoredWhole = broughtBackWhole(batch, broughtBack.value(batch.id));
    }
    return batches;
}

QString commandTitle(const QString& command) {
    // The journal's words of each command, and the menu's.
    static const std::pair<QLatin1StringView, const char*> words[] = {
        {QLatin1StringView("html2txt"), QT_TRANSLATE_NOOP("BackupCatalog", "网页文件转换")},
        {QLatin1StringView("reflow"), QT_TRANSLATE_NOOP("BackupCatalog", "自动分段")},
        {QLatin1StringView("despace"), QT_TRANSLATE_NOOP("BackupCatalog", "去除空格")},
        {QLatin1StringView("gb"), QT_TRANSLATE_NOOP("BackupCatalog", "转换为GB2312")},
        {QLatin1StringView("big5"), QT_TRANSLATE_NOOP("BackupCatalog", "转换为BIG5")},
        {QLatin1StringView("narrow"), QT_TRANSLATE_NOOP("BackupCatalog", "全角转半角")},
        {QLatin1StringView("wide"), QT_TRANSLATE_NOOP("BackupCatalog", "半角转全角")},
        {QLatin1StringView("replace"), QT_TRANSLATE_NOOP("BackupCatalog", "替换去除字符")},
        {QLatin1StringView("merge"), QT_TRANSLATE_NOOP("BackupCatalog", "合并文件")},
        {QLatin1StringView("rename"), QT_TRANSLATE_NOOP("BackupCatalog", "系列文件更名")},
        {QLatin1StringView("restore"), QT_TRANSLATE_NOOP("BackupCatalog", "恢复")},
        {QLatin1StringView("epub"), QT_TRANSLATE_NOOP("BackupCatalog", "制作EPUB")},
        {QLatin1StringView("split"), QT_TRANSLATE_NOOP("BackupCatalog", "分割")},
    };
    const auto titleOf = [](const QString& step) {
        const qsizetype space = step.indexOf(u' ');
        const QString word = space < 0 ? step : step.left(space);
        for (const auto& [journal, menu] : words) {
            if (word == journal) {
                const QString title = QCoreApplication::translate("BackupCatalog", menu);
                return space < 0 ? title : title + step.mid(space);
            }
        }
        return step;
    };
    static const QString wizard = QStringLiteral("wizard ");
    if (!command.startsWith(wizard))
        return titleOf(command);
    QStringList steps;
    for (const QString& step : command.mid(wizard.size()).split(QStringLiteral(" + ")))
        steps.append(titleOf(step));
    return QCoreApplication::translate("BackupCatalog", "快速处理向导（%1）").arg(steps.join(QStringLiteral("，")));
}

QString newestId(const QString& backupFolder) {
    const QList<BackupBatch> batches = list(backupFolder);
    return batches.isEmpty() ? QString() : batches.first().id;
}

QString lastToUndo(const QList<BackupBatch>& batches) {
    if (batches.isEmpty())
        return QString();
    const BackupBatch& last = batches.first();
    for (const BackupBatch& batch : batches) {
        if (!last.restores.isEmpty() && batch.id == last.restores && !batch.restoredWhole)
            return batch.id;
    }
    return last.id;
}

QString lastToUndo(const QString& backupFolder) {
    return lastToUndo(list(backupFolder));
}

std::optional<BackupBatch> find(const QString& backupFolder, const QString& id) {
    static const QRegularExpression idPattern(QStringLiteral("^(\\d{8}-\\d{2})/(\\d{3,})/?$"));
    const QRegularExpressionMatch match = idPattern.match(id);
    if (!match.hasMatch())
        return std::nullopt;
    const QString root = AddBackslash(backupFolder);
    if (!subFolders(root, hourPattern()).contains(match.captured(1)) ||
        !subFolders(root + match.captured(1) + u'/', numberPattern()).contains(match.captured(2)))
        return std::nullopt;
    return load(root, match.captured(1), match.captured(2));
}

QString currentPath(const QString& folder, const JournalEntry& entry) {
    return folder + (entry.action == JournalEntry::Action::Renamed ? entry.newName : entry.name);
}

FileNow stateNow(const QString& folder, const JournalEntry& entry) {
    const QString path = currentPath(folder, entry);
    const FileState now = FileState::of(path);
    if (!entry.finished)
        return now.exists || entry.action == JournalEntry::Action::Created ? FileNow::Unchanged : FileNow::Missing;
    if (entry.action == JournalEntry::Action::Deleted)
        return now.exists || FileOps::exists(path) ? FileNow::Changed : FileNow::Unchanged;
    if (!now.exists)
        return FileNow::Missing;
    return now.sameContent(entry.after) ? FileNow::Unchanged : FileNow::Changed;
}

QString currentPath(const BackupBatch& batch, const JournalEntry& entry) {
    return currentPath(batch.journal.header.folder, entry);
}

FileNow stateNow(const BackupBatch& batch, const JournalEntry& entry) {
    return stateNow(batch.journal.header.folder, entry);
}

QList<JournalEntry> firstToLast(const QList<JournalEntry>& entries) {
    QList<JournalEntry> files;
    QHash<QString, qsizetype> at;
    for (const JournalEntry& entry : entries) {
        if (entry.action == JournalEntry::Action::Renamed)
            continue;
        const auto seen = at.constFind(entry.name);
        if (seen == at.constEnd()) {
            at.insert(entry.name, files.size());
            files.append(entry);
            continue;
        }
        JournalEntry& file = files[*seen];
        file.after = entry.after;
        file.finished = entry.finished;
        if (entry.action == JournalEntry::Action::Deleted)
            file.action = JournalEntry::Action::Deleted;
        else if (file.before.exists)
            file.action = JournalEntry::Action::Rewritten;
        else
            file.action = JournalEntry::Action::Created;
    }
    return files;
}

bool leftNothing(const JournalEntry& file) {
    return !file.before.exists && file.finished && file.action == JournalEntry::Action::Deleted;
}

QStringList linkedFolders(const QString& backupFolder) {
    const QString root = AddBackslash(backupFolder);
    QStringList links;
    const QDir rootDir(QFile::decodeName(FileName::encode(root)));
    for (const QFileInfo& hour : rootDir.entryInfoList(QDir::AllEntries | QDir::NoDotAndDotDot | QDir::System)) {
        if (!hourPattern().match(hour.fileName()).hasMatch())
            continue;
        if (hour.isSymLink()) {
            links.append(hour.fileName());
            continue;
        }
        const QDir hourDir(hour.filePath());
        for (const QFileInfo& batch : hourDir.entryInfoList(QDir::AllEntries | QDir::NoDotAndDotDot | QDir::System)) {
            if (batch.isSymLink() && numberPattern().match(batch.fileName()).hasMatch())
                links.append(hour.fileName() + u'/' + batch.fileName());
        }
    }
    return links;
}

bool remove(const BackupBatch& batch, FileError* error) {
    // A batch still at work needs its backups and its journal until it ends.
    if (!batch.journal.header.ended.isValid() &&
        BackupLink::JournalLock::isHeld(batch.folder + BackupJournal::JournalName)) {
        if (error)
            *error = FileError::withText(
                EBUSY, QCoreApplication::translate("BackupCatalog", "这批还在进行中，请等它完成后再删除"));
        return false;
    }
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
