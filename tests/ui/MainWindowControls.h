#pragma once

// The main window's two controls that most tests read: the file list and the preview, found by
// their objectNames.

#include "ChildWidget.h"
#include "ui/main/FileListView.h"
#include "ui/main/MainFrm.h"
#include "ui/main/PreviewBox.h"

namespace UiTest {

inline FileListView* fileList(const MainFrm* main) {
    return child<FileListView>(main, QStringLiteral("FileList"));
}

inline PreviewBox* preview(const MainFrm* main) {
    return child<PreviewBox>(main, QStringLiteral("Rich1"));
}

} // namespace UiTest
