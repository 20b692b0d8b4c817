#include "MainHandBack.h"

#include "core/AppState.h"
#include "ui/main/Application.h"
#include "ui/main/MainFrm.h"

MainHandBack::MainHandBack(Application& app, Reread reread) : m_app(app), m_reread(reread) {}

void MainHandBack::handBack() {
    if (m_handedBack)
        return;
    m_handedBack = true;
    AppState& state = m_app.state();
    if (MainFrm* main = m_app.mainFrm()) {
        main->setEnabled(true);
        if (m_reread == Reread::DialogFolder && !state.DialogFolder.isEmpty())
            main->openFolder(state.DialogFolder);
        main->refresh();
    }
    state.SelectedFiles.clear();
    state.DialogFolder.clear();
}
