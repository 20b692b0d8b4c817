#include "ui/common/TaskWindows.h"
#include "ui/dialogs/BackupFrm.h"
#include "ui/dialogs/EpubFrm.h"
#include "ui/dialogs/FrmOption.h"
#include "ui/dialogs/MergeFrm.h"
#include "ui/dialogs/RenameFrm.h"
#include "ui/dialogs/Replace.h"
#include "ui/wizard/FastWork.h"

void registerTaskWindows(TaskWindows& windows) {
    windows.merge = [](Application& app) -> QWidget* {
        return new MergeFrm(app);
    };
    windows.rename = [](Application& app) -> QWidget* {
        return new RenameFrm(app);
    };
    windows.replace = [](Application& app) -> QWidget* {
        return new Replace(app);
    };
    windows.options = [](Application& app) -> QWidget* {
        return new FrmOption(app);
    };
    windows.backups = [](Application& app) -> QWidget* {
        return new BackupFrm(app);
    };
    windows.epub = [](Application& app) -> QWidget* {
        return new EpubFrm(app);
    };
    windows.wizard = [](Application& app) -> QWidget* {
        return new FastWork(app);
    };
    windows.wizardOpenFolder = [](QWidget* wizard, const QString& folder) {
        if (auto* fastWork = qobject_cast<FastWork*>(wizard))
            fastWork->openFolder(folder);
    };
}
