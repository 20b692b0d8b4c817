#pragma once

#include <QString>
#include <functional>

class Application;
class QWidget;

// How the main window reaches the task dialogs and the wizard, which live in ui/dialogs and
// ui/wizard: each factory builds its window (not shown yet) for the application; the window takes
// what it needs from it (state, message provider, progress window, job environment, main window).
// They are filled by registerTaskWindows() (ui/main/TaskWindowRegistry.cpp); a factory left empty
// makes its command do nothing.
//
// The dialogs are built anew for every opening; the main window sets Qt::WA_DeleteOnClose on them
// and shows them modeless, owned by the main window, after filling DialogFolder (and
// SelectedFiles for rename and replace) and disabling itself. Each dialog enables the main window
// again when it closes (find and replace leaves that to the progress window's acknowledge step).
struct TaskWindows {
    using Factory = std::function<QWidget*(Application& app)>;

    Factory merge;   // MergeFrm
    Factory rename;  // RenameFrm
    Factory replace; // Replace; its search box is the QComboBox (or QLineEdit) named "ComboSource"
    Factory options; // FrmOption
    Factory backups; // BackupFrm
    Factory epub;    // EpubFrm, for SelectedFiles

    // FastWork: built once at start-up, hidden, and kept until shutdown.
    Factory wizard;
    // Opens `folder` in the wizard's file list and its folder box (TextFolder) before the main window
    // shows it.
    std::function<void(QWidget* wizard, const QString& folder)> wizardOpenFolder;
};

// Fills the factories of the dialogs and the wizard that exist in this build.
void registerTaskWindows(TaskWindows& windows);
