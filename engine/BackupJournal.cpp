#include "BackupJournal.h"

#include "platform/FileName.h"

#include <QCoreApplication>
#include <QHash>
#include <QRegularExpression>
#include <QStringList>
#include <algorithm>
#include <optional>

namespace BackupJournal {
namespace {

const QByteArray Magic = "QuillMar backup journal 1";
const QString TimeFormat = QStringLiteral("yyyy-MM-dd HH:mm:ss");

struct ActionName {
    JournalEntry::Action action;
    const char* text;
};
constexpr ActionName ActionNames[] = {
    {JournalEntry::Action::Rewritten, "rewritten"}, {JournalEntry::Action::Replaced, "replaced"},
    {JournalEntry::Action::Deleted, "deleted"},     {JournalEntry::Action::Created, "created"},
    {JournalEntry::Action::Renamed, "renamed"},
};

} // namespace

bool isPlainName(const QString& name) {
    return !name.isEmpty() && name != QLatin1String(".") && name != QLatin1String("..") && !name.contains(u'/') &&
           !name.contains(QChar(u'\0')) && FileName::isFaithful(name);
}

QString escape(const QString& text) {
    QString out;
    out.reserve(text.size());
    for (QChar c : text) {
        const char16_t u = c.unicode();
        if (u >= 0xDC80 && u <= 0xDCFF)
            out += QStringLiteral("\\x") + QString::number(u - 0xDC00, 16).rightJustified(2, u'0');
        else if (u == u'\\')
            out += QStringLiteral("\\\\");
        else if (u == u'\t')
            out += QStringLiteral("\\t");
        else if (u == u'\n')
            out += QStringLiteral("\\n");
        else if (u == u'\r')
            out += QStringLiteral("\\r");
        else
            out += c;
    }
    return out;
}

namespace {

QString unescape(const QString& text) {
    QString out;
    out.reserve(text.size());
    for (qsizetype i = 0; i < text.size(); ++i) {
        const QChar c = text.at(i);
        if (c != u'\\' || i + 1 >= text.size()) {
            out += c;
            continue;
        }
        const QChar next = text.at(++i);
        if (next == u't')
            out += u'\t';
        else if (next == u'n')
            out += u'\n';
        else if (next == u'r')
            out += u'\r';
        else if (next == u'x' && i + 2 < text.size()) {
            bool ok = false;
            const uint byte = text.mid(i + 1, 2).toUInt(&ok, 16);
            out += ok ? QChar(char16_t(0xDC00 + byte)) : QChar(u'?');
            i += 2;
        } else
            out += next;
    }
    return out;
}

QString timeText(const QDateTime& time) {
    return time.toString(TimeFormat);
}

QString stateFields(const FileState& state) {
    if (!state.exists)
        return QStringLiteral("\t\t");
    return QString::number(state.mode, 8).rightJustified(4, u'0') + u'\t' + QString::number(state.size) + u'\t' +
           QString::fromLatin1(state.sha256);
}

FileState stateFrom(const QStringList& fields, qsizetype at) {
    FileState state;
    if (fields.size() < at + 3 || fields.at(at + 2).isEmpty())
        return state;
    state.exists = true;
    bool modeRead = false;
    bool sizeRead = false;
    state.mode = fields.at(at).toUInt(&modeRead, 8);
    state.size = fields.at(at + 1).toLongLong(&sizeRead);
    state.sha256 = fields.at(at + 2).toLatin1();
    static const QRegularExpression sha256Hex(QStringLiteral("^[0-9a-f]{64}$"));
    // A state the program could not have written (a mode beyond the permission and special bits, a
    // size that is no count, a hash that is no SHA-256) is marked by a negative size: untrusted.
    if (!modeRead || state.mode > 07777 || !sizeRead || state.size < 0 ||
        !sha256Hex.match(fields.at(at + 2)).hasMatch())
        state.size = -1;
    return state;
}

bool wellFormed(const FileState& state) {
    return !state.exists || state.size >= 0;
}

// A journal's folder is absolute and ends with "/"; anything else is no folder.
QString folderFrom(const QString& field) {
    const QString folder = unescape(field);
    return folder.startsWith(u'/') && folder.endsWith(u'/') ? folder : QString();
}

bool plainOrEmpty(const QString& name) {
    return name.isEmpty() || isPlainName(name);
}

bool trustworthy(const JournalEntry& entry) {
    return isPlainName(entry.name) && plainOrEmpty(entry.backupName) && wellFormed(entry.before) &&
           wellFormed(entry.after) &&
           (entry.action == JournalEntry::Action::Renamed ? isPlainName(entry.newName) : entry.newName.isEmpty());
}

std::optional<JournalEntry> entryFrom(const QStringList& fields) {
    JournalEntry entry;
    bool known = false;
    for (const ActionName& name : ActionNames) {
        if (fields.at(1) == QLatin1String(name.text)) {
            entry.action = name.action;
            known = true;
        }
    }
    if (!known)
        return std::nullopt;
    entry.name = unescape(fields.at(2));
    entry.newName = unescape(fields.at(3));
    entry.backupName = unescape(fields.at(4));
    entry.before = stateFrom(fields, 5);
    entry.after = stateFrom(fields, 8);
    return entry;
}

std::optional<JournalEntry> intentFrom(const QStringList& fields) {
    JournalEntry entry;
    entry.name = unescape(fields.at(1));
    entry.backupName = unescape(fields.at(2));
    entry.before = stateFrom(fields, 3);
    entry.action = entry.before.exists ? JournalEntry::Action::Rewritten : JournalEntry::Action::Created;
    entry.finished = false;
    return entry;
}

// Adds an entry read from a line: a finished change takes the place of its line of intent.
void takeEntry(Contents& contents, QHash<QString, qsizetype>& intended, const std::optional<JournalEntry>& entry) {
    if (!entry)
        return;
    if (!trustworthy(*entry)) {
        contents.rejected.append(escape(entry->name));
        return;
    }
    const auto waiting = intended.constFind(entry->name);
    if (waiting != intended.constEnd() && entry->action != JournalEntry::Action::Renamed) {
        contents.entries[*waiting] = *entry;
        intended.erase(waiting);
        return;
    }
    if (!entry->finished)
        intended.insert(entry->name, contents.entries.size());
    contents.entries.append(*entry);
}

// A change that was announced and then did not happen (the job failed or was refused after its line
// of intent): its waiting entry goes (marked by a null name, removed when the journal is read).
void withdraw(Contents& contents, QHash<QString, qsizetype>& intended, const QString& name) {
    const auto waiting = intended.constFind(name);
    if (waiting == intended.constEnd())
        return;
    contents.entries[*waiting].name = QString();
    intended.erase(waiting);
}

// The keys of the journal's lines and the fields each needs at least.
struct LineKind {
    const char* key;
    qsizetype fields;
};
constexpr LineKind LineKinds[] = {{"command", 2}, {"folder", 2}, {"started", 2}, {"ended", 2},
                                  {"intent", 6},  {"file", 11},  {"withdrawn", 2}};

bool understood(const QStringList& fields) {
    if (fields.isEmpty())
        return false;
    return std::any_of(std::begin(LineKinds), std::end(LineKinds), [&](const LineKind& kind) {
        return fields.first() == QLatin1String(kind.key) && fields.size() >= kind.fields;
    });
}

bool appendLine(const QString& batchFolder, const QString& line, FileError* error) {
    return FileBytes::append(batchFolder + JournalName, (line + u'\n').toUtf8(), error);
}

} // namespace

QString actionText(JournalEntry::Action action) {
    for (const ActionName& name : ActionNames) {
        if (name.action == action)
            return QString::fromLatin1(name.text);
    }
    return QString();
}

bool create(const QString& batchFolder, const Header& header, FileError* error) {
    QString text = QString::fromLatin1(Magic) + u'\n';
    text += QStringLiteral("# lines: command, folder, started, then one line per file:\n"
                           "# file, action, name, new name, backup copy, mode before, size before, "
                           "SHA-256 before, mode after, size after, SHA-256 after; last: ended\n");
    text += QStringLiteral("command\t") + escape(header.command) + u'\n';
    text += QStringLiteral("folder\t") + escape(header.folder) + u'\n';
    text += QStringLiteral("started\t") + timeText(header.started) + u'\n';
    return FileBytes::writeAtomically(batchFolder + JournalName, text.toUtf8(), error);
}

bool intend(const QString& batchFolder, const QString& name, const QString& backupName, const FileState& before,
            FileError* error) {
    return appendLine(
        batchFolder,
        QStringLiteral("intent\t") + escape(name) + u'\t' + escape(backupName) + u'\t' + stateFields(before), error);
}

bool append(const QString& batchFolder, const JournalEntry& entry, FileError* error) {
    const QString line = QStringLiteral("file\t") + actionText(entry.action) + u'\t' + escape(entry.name) + u'\t' +
                         escape(entry.newName) + u'\t' + escape(entry.backupName) + u'\t' + stateFields(entry.before) +
                         u'\t' + stateFields(entry.after);
    return appendLine(batchFolder, line, error);
}

bool withdraw(const QString& batchFolder, const QString& name, FileError* error) {
    return appendLine(batchFolder, QStringLiteral("withdrawn\t") + escape(name), error);
}

bool finish(const QString& batchFolder, const QDateTime& ended, FileError* error) {
    return appendLine(batchFolder, QStringLiteral("ended\t") + timeText(ended), error);
}

Contents read(const QString& batchFolder) {
    Contents contents;
    QByteArray bytes;
    if (!FileBytes::read(batchFolder + JournalName, bytes, qint64(256) << 20) || !bytes.startsWith(Magic))
        return contents;
    contents.present = true;
    // A last line without its line end was cut short (a crash while it was written, or a damaged
    // file) and is not part of the journal.
    if (!bytes.endsWith('\n'))
        contents.damage.append(QCoreApplication::translate("BackupJournal", "日志的最后一行不完整，已忽略"));
    bytes.truncate(bytes.lastIndexOf('\n') + 1);
    QHash<QString, qsizetype> intended; // name -> its entry still waiting for its "file" line
    const QList<QByteArray> lines = bytes.split('\n');
    for (qsizetype number = 1; number < lines.size(); ++number) {
        const QByteArray& raw = lines.at(number);
        if (raw.isEmpty() || raw.startsWith('#'))
            continue;
        const QStringList fields =
            raw.size() > MaxLineBytes ? QStringList() : QString::fromUtf8(raw).split(u'\t');
        if (!understood(fields)) {
            contents.damage.append(QCoreApplication::translate("BackupJournal", "日志第 %1 行已损坏（%2），未读")
                                       .arg(number + 1)
                                       .arg(raw.size() > MaxLineBytes
                                                ? QCoreApplication::translate("BackupJournal", "过长")
                                                : QCoreApplication::translate("BackupJournal", "无法读懂")));
            continue;
        }
        const QString& key = fields.first();
        if (key == QLatin1String("command"))
            contents.header.command = unescape(fields.at(1));
        else if (key == QLatin1String("folder"))
            contents.header.folder = folderFrom(fields.at(1));
        else if (key == QLatin1String("started"))
            contents.header.started = QDateTime::fromString(fields.at(1), TimeFormat);
        else if (key == QLatin1String("ended"))
            contents.header.ended = QDateTime::fromString(fields.at(1), TimeFormat);
        else if (key == QLatin1String("intent"))
            takeEntry(contents, intended, intentFrom(fields));
        else if (key == QLatin1String("file")) {
            const std::optional<JournalEntry> entry = entryFrom(fields);
            if (!entry)
                contents.damage.append(
                    QCoreApplication::translate("BackupJournal", "日志第 %1 行已损坏（无法读懂），未读")
                        .arg(number + 1));
            takeEntry(contents, intended, entry);
        }
        else if (key == QLatin1String("withdrawn"))
            withdraw(contents, intended, unescape(fields.at(1)));
    }
    // Withdrawn intents leave no entry behind.
    contents.entries.removeIf([](const JournalEntry& entry) { return entry.name.isNull(); });
    return contents;
}

} // namespace BackupJournal
