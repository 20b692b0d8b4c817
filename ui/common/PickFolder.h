#pragma once

#include <QString>

class AppState;
class MessageProvider;
class QWidget;

// The folder picker: opens BrowseFrm modally at `startFolder` when that folder exists (else at the
// picker's own start, the current folder), and returns the folder the user accepted with one
// trailing "/", or "" when the user cancelled. The result is also left in state.PickedFolder.
QString PickFolder(AppState& state, MessageProvider& messages, const QString& startFolder, QWidget* parent = nullptr);
