#pragma once

#include <QString>

class DriveList;
class FolderList;
class MessageProvider;
class QWidget;
struct FileError;

// The drive list and the folder list working as a pair.
namespace Browsing {

// Chooses `folder`'s drive in `drives` and opens `folder` in `folders`. False when the folder
// cannot be opened (both lists then keep what they showed).
bool openFolder(DriveList& drives, FolderList& folders, const QString& folder, FileError* error = nullptr);

// The main window's and the merge dialog's answer to a drive chosen in `drives`: `folders` opens
// the drive. A drive that is not ready gives "该驱动器目前不可用，请插入磁盘。" (exclamation icon),
// any other failure "错误：" + number + " " + description (OK only), both titled "Quillmar"; the
// folder list then keeps its folder and the drive list goes back to that folder's drive.
void followDriveChange(DriveList& drives, FolderList& folders, MessageProvider& messages, QWidget* parent);

} // namespace Browsing
