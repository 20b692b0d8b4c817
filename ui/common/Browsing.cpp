#include "Browsing.h"

#include "DriveList.h"
#include "FolderList.h"
#include "MessageProvider.h"
#include "platform/FileError.h"

#include <QCoreApplication>
#include <QDir>

namespace Browsing {

bool openFolder(DriveList& drives, FolderList& folders, const QString& folder, FileError* error) {
    if (!folders.setPath(folder, error))
        return false;
    drives.setDriveFor(folders.path());
    return true;
}

void followDriveChange(DriveList& drives, FolderList& folders, MessageProvider& messages, QWidget* parent) {
    const QString root = drives.drive();
    FileError error;
    if (!VolumeList::isReady(root)) {
        messages.exclamation(parent, MessageProvider::appTitle(),
                             QCoreApplication::translate("Browsing", "该驱动器目前不可用，请插入磁盘。"));
    } else if (!folders.setPath(root, &error)) {
        messages.show(parent, MessageProvider::Icon::None, MessageProvider::Buttons::Ok, MessageProvider::appTitle(),
                      QCoreApplication::translate("Browsing", "错误：") + QString::number(error.number) + u' ' +
                          error.description);
    } else {
        return;
    }
    drives.setDriveFor(folders.path());
}

} // namespace Browsing
