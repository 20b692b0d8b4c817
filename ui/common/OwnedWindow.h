#pragma once

class QCloseEvent;
class QWidget;

// Windows shown "owned by" another window stay above it and belong to it, without being its Qt
// child: a disabled Qt parent would disable its child windows too, and a task dialog or the
// progress window must stay usable while its owner is disabled.
namespace OwnedWindow {

// Makes `window` a top-level window that stays above `owner` (null: no owner). Call before show().
void setOwner(QWidget* window, QWidget* owner);
// setOwner(), then shows `window` modeless and raises it.
void showOwned(QWidget* window, QWidget* owner);
// Centres `window` (its frame size) on the screen that holds `reference`, or on the primary screen.
void centreOnScreen(QWidget* window, const QWidget* reference = nullptr);
// For a task window's closeEvent: a window that started a batch is disabled until the batch's rows
// are acknowledged, and its close box is refused meanwhile (closing it would enable the main window
// in the middle of the batch). True when `event` was refused.
bool refuseCloseWhileBusy(const QWidget* window, QCloseEvent* event);

} // namespace OwnedWindow
