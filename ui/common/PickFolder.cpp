#include "PickFolder.h"

#include "core/AppState.h"
#include "platform/FileOps.h"
#include "ui/dialogs/BrowseFrm.h"

QString PickFolder(AppState& state, MessageProvider& messages, const QString& startFolder, QWidget* parent) {
    BrowseFrm picker(state, messages, parent);
    if (!startFolder.isEmpty() && FileOps::folderExists(startFolder))
        picker.openFolder(startFolder);
    picker.exec();
    return state.PickedFolder;
}
