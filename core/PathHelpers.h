#pragma once

#include <QString>
#include <QStringList>

class AppState;

// The folder with one "/" appended when its last character is not "/"; "" gives "/".
QString AddBackslash(const QString& path);
// The text after the last "." in lower case; "" when there is no ".".
QString GetExtension(const QString& name);
// Moves `item` to the front of a most-recent-first list of fixed size (exact comparison): entries
// before its old place move one back; a new item pushes the last entry out.
void PromoteToFront(QStringList& list, const QString& item);
void PromotePrefix(AppState& state, const QString& item);
void PromoteRecentFolder(AppState& state, const QString& item);
// Resizes a list to `lastIndex` + 1 entries, keeping those that fit and filling with "".
void resizeList(QStringList& list, int lastIndex);
