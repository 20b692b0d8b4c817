#include "RenamePlan.h"

#include "JournalSteps.h"
#include "core/PathHelpers.h"
#include "platform/FileName.h"
#include "platform/FileOps.h"

#include <QCoreApplication>
#include <QFileInfo>
#include <QSet>

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <fcntl.h>

namespace {

QString counterText(qint64 counter, qsizetype digits) {
    const QString magnitude = QString::number(counter < 0 ? -counter : counter).rightJustified(digits, u'0');
    return counter < 0 ? QStringLiteral("-") + magnitude : magnitude;
}

QString baseName(const QString& name, const QString& extension) {
    return extension.isEmpty() ? name : name.left(name.size() - extension.size() - 1);
}

bool pathExists(const QString& path) {
    // A dangling symbolic link is a name that exists too.
    return FileOps::exists(path);
}

// Renames without ever replacing an existing file.
bool renameNoReplace(const QString& from, const QString& to, QString* error) {
    FileError failure;
    if (FileOps::renameNoReplace(from, to, &failure))
        return true;
    if (error)
        *error = failure.description;
    return false;
}

struct Move {
    QString from;
    QString to;
};

} // namespace

void RenameSeries(QList<RenameItem>& items, const QString& nameTemplate, qint32 start) {
    qint64 counter = start;
    for (RenameItem& item : items) {
        const QString extension = GetExtension(item.oldName);
        const QString base = baseName(item.oldName, extension);
        QString result;
        for (qsizetype i = 0; i < nameTemplate.size();) {
            const QChar c = nameTemplate.at(i);
            if (c == u'*') {
                result += base;
                ++i;
            } else if (c == u'#') {
                qsizetype run = 0;
                while (i < nameTemplate.size() && nameTemplate.at(i) == u'#') {
                    ++run;
                    ++i;
                }
                result += counterText(counter, run);
            } else {
                result += c;
                ++i;
            }
        }
        if (!result.isEmpty())
            item.newName = extension.isEmpty() ? result : result + u'.' + extension;
        ++counter;
    }
}

QString checkRenamePlan(const QString& folder, const QList<RenameItem>& items) {
    QStringList problems;
    QSet<QString> renamedAway;
    QSet<QString> oldNames;
    for (const RenameItem& item : items) {
        oldNames.insert(item.oldName);
        if (item.newName != item.oldName)
            renamedAway.insert(item.oldName);
    }

    QHash<QString, QString> claimedBy;
    for (const RenameItem& item : items) {
        if (!pathExists(folder + item.oldName)) {
            problems << QCoreApplication::translate("RenamePlan", "文件“%1”不存在。").arg(item.oldName);
            continue;
        }
        if (item.newName == item.oldName)
            continue;
        if (!FileName::isPlainFileName(item.newName)) {
            problems << QCoreApplication::translate("RenamePlan", "“%1”的新文件名“%2”不能用作文件名。")
                            .arg(item.oldName, item.newName);
            continue;
        }
        const auto previous = claimedBy.constFind(item.newName);
        if (previous != claimedBy.constEnd()) {
            problems << QCoreApplication::translate("RenamePlan", "“%1”和“%2”将得到同一个新文件名“%3”。")
                            .arg(*previous, item.oldName, item.newName);
            continue;
        }
        claimedBy.insert(item.newName, item.oldName);
        if (pathExists(folder + item.newName) && !renamedAway.contains(item.newName)) {
            problems << QCoreApplication::translate("RenamePlan", "“%1”的新文件名“%2”已经存在。")
                            .arg(item.oldName, item.newName);
        }
    }
    if (problems.isEmpty())
        return QString();
    return QCoreApplication::translate("RenamePlan", "没有更改任何文件名：\n") + problems.join(u'\n');
}

bool executeRenamePlan(const QString& folder, const QList<RenameItem>& items, QString* message) {
    QSet<QString> renamedAway;
    for (const RenameItem& item : items) {
        if (item.newName != item.oldName)
            renamedAway.insert(item.oldName);
    }

    // A file whose new name is still held by another file of the plan first moves to a temporary
    // name; everything else moves straight to its new name once the temporary moves are done.
    QList<Move> toTemporary;
    QList<Move> direct;
    QList<Move> fromTemporary;
    const QString tag = QStringLiteral(".quillmar-rename-%1-").arg(QCoreApplication::applicationPid());
    int serial = 0;
    for (const RenameItem& item : items) {
        if (item.newName == item.oldName)
            continue;
        const QString from = folder + item.oldName;
        const QString to = folder + item.newName;
        if (renamedAway.contains(item.newName)) {
            QString temporary;
            do {
                temporary = folder + tag + QString::number(serial++);
            } while (pathExists(temporary));
            toTemporary.append({from, temporary});
            fromTemporary.append({temporary, to});
        } else {
            direct.append({from, to});
        }
    }

    QList<Move> done;
    auto runAll = [&](const QList<Move>& moves) {
        for (const Move& move : moves) {
            QString error;
            if (!renameNoReplace(move.from, move.to, &error)) {
                if (message) {
                    *message = QCoreApplication::translate("RenamePlan", "无法把“%1”改名为“%2”：%3")
                                   .arg(QFileInfo(move.from).fileName(), QFileInfo(move.to).fileName(), error);
                }
                return false;
            }
            done.append(move);
        }
        return true;
    };
    if (runAll(toTemporary) && runAll(direct) && runAll(fromTemporary))
        return true;

    // Put back what was already moved, last move first.
    for (qsizetype i = done.size() - 1; i >= 0; --i)
        renameNoReplace(done.at(i).to, done.at(i).from, nullptr);
    return false;
}

bool executeRenameBatch(JobEnv& env, const QString& nameTemplate, const QString& folder, const QList<RenameItem>& items,
                        QString* message) {
    BatchJournal::begin(env, QStringLiteral("rename “%1”").arg(nameTemplate), folder);
    const bool done = executeRenamePlan(folder, items, message);
    if (done) {
        for (const RenameItem& item : items) {
            if (item.newName != item.oldName)
                JournalSteps::renamed(env, folder, item.oldName, item.newName);
        }
    }
    BatchJournal::end(env);
    return done;
}
