#pragma once

#include "engine/JobEnv.h"

#include <QList>
#include <QString>

// One row of a series rename: the file's current name and the name it is given ("" until a
// template produced one).
struct RenameItem {
    QString oldName;
    QString newName;
};

// Fills the new names from a template: "*" stands for the old name without its extension, a run of
// n "#" for the counter with leading zeros to n digits (a minus sign in front of the padding), any
// other character for itself; the lower-cased extension is appended. The counter starts at `start`
// and goes up by one per item. An item whose result is empty keeps the new name it had.
void RenameSeries(QList<RenameItem>& items, const QString& nameTemplate, qint32 start);

// The whole plan checked before anything is renamed; returns a message naming the files when it
// cannot go ahead, "" when it can: every old file must exist, a new name must be a plain file name
// (not empty, no "/", no control character, not "." or ".."), no two files may get one name, and a
// new name that exists already must be renamed away in this same plan. Items whose new name equals
// the old one are left alone.
QString checkRenamePlan(const QString& folder, const QList<RenameItem>& items);

// Carries out a plan that passed the check. Chains and swaps inside the plan go through temporary
// names, and no rename ever replaces an existing file. On a failure the renames done so far are
// undone where possible and `message` says what went wrong.
bool executeRenamePlan(const QString& folder, const QList<RenameItem>& items, QString* message);

// executeRenamePlan as a batch of its own, each rename journalled under "rename “TEMPLATE”".
bool executeRenameBatch(JobEnv& env, const QString& nameTemplate, const QString& folder, const QList<RenameItem>& items,
                        QString* message);
