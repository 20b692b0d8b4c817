#pragma once

class Application;

// What a task dialog that disabled the main window gives back when it ends: the main window enabled
// again and reading its folder anew, SelectedFiles and DialogFolder cleared. Only the first handBack()
// does anything, however many ways the dialog ends (done() and then its close event).
class MainHandBack {
public:
    // The folder the main window reads again: the one it shows, or DialogFolder first (where the
    // dialog may have written a file the main window is to show).
    enum class Reread { ShownFolder, DialogFolder };

    MainHandBack(Application& app, Reread reread);

    void handBack();

private:
    Application& m_app;
    Reread m_reread;
    bool m_handedBack = false;
};
