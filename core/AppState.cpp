#include "AppState.h"

#include "PathHelpers.h"

void AppState::setAppFolder(const QString& folder) {
    AppFolder = AddBackslash(folder);
    TempFile = AppFolder + QStringLiteral("tempfile.tmp");
}
